#include "app/cli/commands.h"
#include "app/cli/trajectoryoptions.h"
#include "model/trajectorywriter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const ConvertHelp =
    "usage: tessaly-cli convert FILE OUT [--first N] [--last N] [--count N] [input options]\n"
    "\n"
    "Reads FILE as the program's Open does and writes its frames to OUT in the program's own\n"
    "text layout (count line, time and energy line, one line per atom with name, x, y, z,\n"
    "charge and impulse), which the common layout reads back. OUT \"-\" writes to standard\n"
    "output. OUT is replaced only once everything was written.\n"
    "\n"
    "  --first N, --last N  range of frames to write, numbered from 1 (default: all)\n"
    "  --count N            write N frames spread evenly over the range, its first and last\n"
    "                       included, as \"Save...\" does (default: every frame of the range)\n"
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

std::string folderOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

int writeSelected(const FrameList &frames, const std::vector<int> &selected, std::FILE *file)
{
    for (const int number : selected)
        if (writeFrame(frames.frameAt(number), file) != 0)
            return -1;
    return std::fflush(file) == 0 ? 0 : -1;
}

// Writes into a new file beside OUT and renames it over OUT only when every byte is on disk,
// so a failed conversion leaves OUT as it was.
bool writeReplacing(
    const std::string &out, const FrameList &frames, const std::vector<int> &selected)
{
    const std::string name =
        out.substr(out.rfind('/') == std::string::npos ? 0 : out.rfind('/') + 1);
    std::string temporary = folderOf(out) + "/." + name + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        std::cerr << "tessaly-cli convert: Can't save XYZ file " << out << "\n";
        return false;
    }
    struct stat existing
    {
    };
    mode_t mode = 0;
    if (stat(out.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(descriptor, mode);
    std::FILE *file = fdopen(descriptor, "w");
    if (!file) {
        close(descriptor);
        unlink(temporary.c_str());
        std::cerr << "tessaly-cli convert: Can't save XYZ file " << out << "\n";
        return false;
    }
    bool written = writeSelected(frames, selected, file) == 0 && fsync(fileno(file)) == 0;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        unlink(temporary.c_str());
        std::cerr << "tessaly-cli convert: SAVE ERROR: Disk full? (" << out << " left unchanged)\n";
        return false;
    }
    if (std::rename(temporary.c_str(), out.c_str()) != 0) {
        unlink(temporary.c_str());
        std::cerr << "tessaly-cli convert: Can't save XYZ file " << out << "\n";
        return false;
    }
    return true;
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
    const std::vector<int> selected = selectFramesToSave(first, last, count, all);
    if (selected.empty() || first < 1 || last > frames.count()) {
        std::cerr << "tessaly-cli convert: Invalid options for saving (frames 1 to "
                  << frames.count() << " are loaded)\n";
        return 2;
    }
    if (paths[1] == "-") {
        if (writeSelected(frames, selected, stdout) != 0) {
            std::cerr << "tessaly-cli convert: SAVE ERROR: Disk full?\n";
            return 1;
        }
        return 0;
    }
    if (!writeReplacing(paths[1], frames, selected))
        return 1;
    std::cout << "wrote " << selected.size() << " frames to " << paths[1] << "\n";
    return 0;
}
