#include "app/cli/commands.h"
#include "app/cli/trajectoryoptions.h"
#include "model/safefile.h"
#include "model/trajectorywriter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char *const ConvertHelp =
    "usage: tessaly-cli convert FILE OUT [--first N] [--last N] [--count N]\n"
    "                          [--to common|xyz|extxyz] [input options]\n"
    "\n"
    "Reads FILE as the program's Open does and writes its frames to OUT in the program's own\n"
    "text layout (count line, time and energy line, one line per atom with name, x, y, z,\n"
    "charge and impulse), which the common layout reads back. OUT \"-\" writes to standard\n"
    "output. OUT is replaced only once everything was written.\n"
    "\n"
    "  --first N, --last N  range of frames to write, numbered from 1 (default: all)\n"
    "  --count N            write N frames spread evenly over the range, its first and last\n"
    "                       included, as \"Save...\" does (default: every frame of the range)\n"
    "  --to LAYOUT          common: the program's own layout (the default); xyz: plain XYZ\n"
    "                       (count, comment, name x y z); extxyz: extended XYZ with cell,\n"
    "                       time, energy, momenta, charges and the columns kept from an\n"
    "                       extended XYZ input, as ASE and OVITO read it\n"
    "\n"
    "Reading messages go to the error stream. Exit status 0 when written; 1 when FILE gave no\n"
    "frames or OUT could not be written; 2 for a wrong command line or frame range.\n"
    "\n"
    "input options:\n";

bool parseCount(const std::string &text, int &value)
{
    const auto [after, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && after == text.data() + text.size() && !text.empty();
}

int writeSelected(
    const FrameList &frames, const std::vector<int> &selected, std::FILE *file, WriteLayout layout)
{
    for (const int number : selected) {
        const Frame &frame = frames.frameAt(number);
        // a frame of a file read on demand that cannot be read fails the whole write
        if (&frame == &frames.head() || writeFrame(frame, file, layout) != 0)
            return -1;
    }
    return std::fflush(file) == 0 ? 0 : -1;
}

} // namespace

int convertCommand(const std::vector<std::string> &arguments)
{
    std::vector<std::string> args = arguments;
    TrajectoryOptions options;
    if (const std::optional<int> status =
            startTrajectoryCommand("convert", ConvertHelp, args, options))
        return *status;
    int first = 0;
    int last = 0;
    int count = 0;
    bool all = true;
    WriteLayout layout = WriteLayout::Common;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto equals = arg.find('=');
            arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
            hasValue = true;
        }
        if (arg == "--first" || arg == "--last" || arg == "--count") {
            if (!hasValue && i + 1 < args.size()) {
                value = args[++i];
                hasValue = true;
            }
            int number = 0;
            if (!hasValue || !parseCount(value, number)) {
                std::cerr << "tessaly-cli convert: " << arg << " needs a whole number\n";
                return 2;
            }
            (arg == "--first" ? first : arg == "--last" ? last : count) = number;
            if (arg == "--count")
                all = false;
        } else if (arg == "--to") {
            if (!hasValue && i + 1 < args.size()) {
                value = args[++i];
                hasValue = true;
            }
            if (value == "common")
                layout = WriteLayout::Common;
            else if (value == "xyz")
                layout = WriteLayout::XYZ;
            else if (value == "extxyz")
                layout = WriteLayout::ExtendedXYZ;
            else {
                std::cerr << "tessaly-cli convert: --to must be common, xyz or extxyz\n";
                return 2;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "tessaly-cli convert: unknown option " << arg
                      << " (see tessaly-cli convert --help)\n";
            return 2;
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.size() != 2) {
        std::cerr << "tessaly-cli convert: give FILE and OUT (see tessaly-cli convert --help)\n";
        return 2;
    }
    AtomTypeTable types;
    types.buildDefaultTable();
    FrameList frames;
    const LoadedTrajectory loaded = loadTrajectory(paths[0], options, types, frames);
    for (const auto &[caption, text] : loaded.messages)
        std::cerr << (caption.empty() ? text : caption + ": " + text) << "\n";
    if (!loaded.error.empty()) {
        std::cerr << loaded.error << "\n";
        return 1;
    }
    if (first == 0)
        first = 1;
    if (last == 0)
        last = frames.count();
    // the range is checked against the frames before any list of it is built, so a huge
    // number costs nothing
    const bool rangeValid = first >= 1 && first <= last && last <= frames.count();
    const std::vector<int> selected =
        rangeValid ? selectFramesToSave(first, last, count, all) : std::vector<int>{};
    if (selected.empty()) {
        std::cerr << "tessaly-cli convert: Invalid options for saving (frames 1 to "
                  << frames.count() << " are loaded)\n";
        return 2;
    }
    const SafeWriteResult result = writeFileSafely(paths[1],
        [&](std::FILE *file) { return writeSelected(frames, selected, file, layout) == 0; });
    if (toldUnreadFrame("convert", frames))
        return 1;
    if (result == SafeWriteResult::WriteFailed && paths[1] == "-") {
        std::cerr << "tessaly-cli convert: SAVE ERROR: cannot write to standard output\n";
        return 1;
    }
    if (result == SafeWriteResult::WriteFailed) {
        std::cerr << "tessaly-cli convert: SAVE ERROR: Disk full? (" << paths[1]
                  << " left unchanged)\n";
        return 1;
    }
    if (result == SafeWriteResult::LeftIncomplete) {
        std::cerr << "tessaly-cli convert: SAVE ERROR: Disk full? (" << paths[1]
                  << " is incomplete: its old contents could not be put back)\n";
        return 1;
    }
    if (result != SafeWriteResult::Written) {
        std::cerr << "tessaly-cli convert: Can't save XYZ file " << paths[1] << "\n";
        return 1;
    }
    if (paths[1] == "-")
        return 0;
    std::cout << "wrote " << selected.size() << " frames to " << paths[1] << "\n";
    return 0;
}
