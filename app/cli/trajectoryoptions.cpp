#include "app/cli/trajectoryoptions.h"

#include "model/memorybudget.h"
#include "model/messagesink.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iostream>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

namespace {

// The fields the input-file options dialog edits, with the dialog's limits.
struct IntegerField
{
    const char *name;
    int LayoutSettings::*member;
    int minimum;
};

constexpr int FieldMaximum = 100;

constexpr IntegerField integerFields[] = {
    {"firstAtomLine", &LayoutSettings::firstAtomLine, 1},
    {"skipLines", &LayoutSettings::skipLines, 0},
    {"xyzPosition", &LayoutSettings::xyzPosition, 1},
    {"chargePosition", &LayoutSettings::chargePosition, 1},
    {"impulsePosition", &LayoutSettings::impulsePosition, 0},
    {"orbitalPosition", &LayoutSettings::orbitalPosition, 0},
    {"fixedAtomCount", &LayoutSettings::fixedAtomCount, 1},
    {"atomCountPosition", &LayoutSettings::atomCountPosition, 1},
    {"timePosition", &LayoutSettings::timePosition, 1},
    {"energyPosition", &LayoutSettings::energyPosition, 1},
};

struct SwitchField
{
    const char *name;
    bool LayoutSettings::*member;
};

constexpr SwitchField switchFields[] = {
    {"useFixedCount", &LayoutSettings::useFixedCount},
    {"readTime", &LayoutSettings::readTime},
    {"readEnergy", &LayoutSettings::readEnergy},
    {"convertUnits", &LayoutSettings::convertUnits},
    {"readNames", &LayoutSettings::readNames},
    {"readCharge", &LayoutSettings::readCharge},
    {"readImpulses", &LayoutSettings::readImpulses},
    {"readOrbitals", &LayoutSettings::readOrbitals},
};

bool parseWholeInt(std::string_view text, int &value)
{
    const auto [after, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && after == text.data() + text.size() && !text.empty();
}

bool parseSwitch(std::string_view text, bool &value)
{
    for (const char *yes : {"true", "on", "yes", "1"})
        if (text == yes)
            return value = true, true;
    for (const char *no : {"false", "off", "no", "0"})
        if (text == no)
            return value = false, true;
    return false;
}

// Checks one NAME=VALUE and, when layout is given, stores the value into it.
std::string applySetting(std::string_view name, std::string_view value, LayoutSettings *layout)
{
    for (const IntegerField &field : integerFields) {
        if (name != field.name)
            continue;
        int number = 0;
        if (!parseWholeInt(value, number) || number < field.minimum || number > FieldMaximum)
            return "the value of " + std::string(name) + " must be a whole number from "
                + std::to_string(field.minimum) + " to " + std::to_string(FieldMaximum);
        if (layout)
            layout->*field.member = number;
        return {};
    }
    for (const SwitchField &field : switchFields) {
        if (name != field.name)
            continue;
        bool on = false;
        if (!parseSwitch(value, on))
            return "the value of " + std::string(name) + " must be true or false";
        if (layout)
            layout->*field.member = on;
        return {};
    }
    return "unknown input-format field '" + std::string(name) + "' (see tessaly-cli --help)";
}

int maximumThreads()
{
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

int layoutFromName(std::string_view name)
{
    std::string lower(name);
    for (char &c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (int kind = 0; kind < 4; ++kind)
        if (lower == layoutName(kind) || lower == std::to_string(kind))
            return kind;
    return -1;
}

} // namespace

std::optional<int> startTrajectoryCommand(std::string_view command, const char *help,
    std::vector<std::string> &args, TrajectoryOptions &options)
{
    if (std::find(args.begin(), args.end(), "--help") != args.end()
        || std::find(args.begin(), args.end(), "-h") != args.end()) {
        std::cout << help << trajectoryOptionsHelp();
        return 0;
    }
    if (const std::string error = takeTrajectoryOptions(args, options); !error.empty()) {
        std::cerr << "tessaly-cli " << command << ": " << error << "\n";
        return 2;
    }
    return std::nullopt;
}

const char *layoutName(int kind)
{
    static constexpr const char *names[] = {"common", "table", "custom", "xyz"};
    return names[InputFormat::clampKind(kind)];
}

std::string takeTrajectoryOptions(std::vector<std::string> &args, TrajectoryOptions &options)
{
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        if (const auto equals = arg.find('=');
            arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            hasValue = true;
        }
        if (name != "--layout" && name != "--set" && name != "--threads" && name != "--memory") {
            rest.push_back(arg);
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= args.size())
                return name + " needs a value";
            value = args[++i];
        }
        if (name == "--layout") {
            options.layout = layoutFromName(value);
            if (options.layout < 0)
                return "--layout must be common, table, custom or xyz, not '" + value + "'";
        } else if (name == "--threads") {
            if (!parseWholeInt(value, options.threads) || options.threads < 0)
                return "--threads must be a whole number (0 for every core)";
            // more threads than cores only cost memory and start-up time
            options.threads = std::min(options.threads, maximumThreads());
        } else if (name == "--memory") {
            if (!parseMemorySize(value.c_str(), options.memoryLimit))
                return "--memory must be a size in bytes, or with K, M, G or T (512M, 2G), not '"
                    + value + "'";
        } else {
            const auto equals = value.find('=');
            if (equals == std::string::npos)
                return "--set needs NAME=VALUE, not '" + value + "'";
            const std::string field = value.substr(0, equals);
            const std::string setting = value.substr(equals + 1);
            if (std::string error = applySetting(field, setting, nullptr); !error.empty())
                return error;
            options.settings.emplace_back(field, setting);
        }
    }
    args = std::move(rest);
    return {};
}

const char *trajectoryOptionsHelp()
{
    return "  --layout common|table|custom|xyz\n"
           "                     layout of the input file; by default chosen by its extension\n"
           "                     (.prn table, .txt custom, .extxyz xyz, .xyz common when its\n"
           "                     second line begins with time and energy and xyz otherwise,\n"
           "                     any other common)\n"
           "  --set NAME=VALUE   sets one input-format field of that layout, as the input file\n"
           "                     options dialog does; may be repeated. Numbers from 1 to 100\n"
           "                     (or from 0 where marked): firstAtomLine, skipLines (0),\n"
           "                     xyzPosition, chargePosition, impulsePosition (0),\n"
           "                     orbitalPosition (0), fixedAtomCount, atomCountPosition,\n"
           "                     timePosition, energyPosition. Switches (true or false):\n"
           "                     useFixedCount, readTime, readEnergy, convertUnits, readNames,\n"
           "                     readCharge, readImpulses, readOrbitals\n"
           "  --threads N        threads that read frames (default 0: every core; 1 reads\n"
           "                     strictly in order; the result is the same). At most one\n"
           "                     per core of the machine: a larger N counts as every core\n"
           "  --memory SIZE      the most memory the trajectory may take: its frames and the\n"
           "                     text of a pipe or compressed file, counted together (bytes,\n"
           "                     or with K, M, G, T: 512M, 2G); default a quarter of the\n"
           "                     machine's memory. A file whose frames would not fit is\n"
           "                     indexed instead and its frames read as they are needed;\n"
           "                     otherwise reading stops there with \"Not enough memory\",\n"
           "                     keeping the frames read\n"
           "A gzip or zstd file (FILE.gz, FILE.zst) is read as its decompressed text, its layout\n"
           "chosen by the extension before that suffix; FILE \"-\" reads standard input.\n";
}

InputFormat resolveInputFormat(
    const std::string &path, const TrajectoryOptions &options, std::string_view bytes)
{
    InputFormat format;
    if (options.layout >= 0) {
        format.kind = options.layout;
        format.openByExtension = false;
    } else if (const int kind = kindForFile(layoutExtension(path), bytes); kind >= 0) {
        format.kind = kind;
    }
    for (const auto &[name, value] : options.settings)
        applySetting(name, value, &format.current());
    return format;
}

LoadedTrajectory loadTrajectory(const std::string &path, const TrajectoryOptions &options,
    AtomTypeTable &types, FrameList &frames)
{
    LoadedTrajectory loaded;
    TrajectoryFile file;
    const std::size_t limit = options.memoryLimit ? options.memoryLimit : defaultMemoryLimit();
    // "-" reads standard input, as "convert ... -" writes standard output. The text of a pipe
    // or a compressed file may take half the limit, leaving the rest to the frames.
    if (!file.open(path == "-" ? "/dev/stdin" : path, std::max<std::size_t>(limit / 2, 1))) {
        loaded.format = resolveInputFormat(path, options);
        loaded.error = "Can't open XYZ file " + path;
        return loaded;
    }
    loaded.format = resolveInputFormat(path, options, file.bytes());
    loaded.opened = true;
    frames.clearFrames();
    frames.budget().setLimit(limit);
    RecordingSink sink;
    ReaderWarned warned;
    ReadOptions readOptions;
    readOptions.threads = options.threads;
    readOptions.lineNumbers = true;
    types.useColourScheme(
        colourSchemeFor(static_cast<LayoutKind>(InputFormat::clampKind(loaded.format.kind))));
    loaded.outcome = readTrajectory(file, loaded.format, types, sink, warned, frames, readOptions);
    loaded.messages = std::move(sink.messages);
    if (frames.count() == 0)
        loaded.error = "No frames read from file " + path;
    return loaded;
}

bool toldUnreadFrame(const std::string &command, FrameList &frames)
{
    const std::optional<FrameFailure> failure = frames.takeFailure();
    if (!failure)
        return false;
    std::cerr << "tessaly-cli " << command << ": frame " << failure->frame
              << " could not be read: " << failure->caption << ": " << failure->text << "\n";
    return true;
}

CommandOption splitOption(const std::string &argument)
{
    CommandOption option{argument, std::nullopt};
    if (option.name.rfind("--", 0) == 0) {
        if (const std::size_t equals = option.name.find('='); equals != std::string::npos) {
            option.value = option.name.substr(equals + 1);
            option.name.resize(equals);
        }
    }
    return option;
}

std::optional<std::string> optionValue(
    const CommandOption &option, const std::vector<std::string> &args, std::size_t &i)
{
    if (option.value)
        return option.value;
    if (i + 1 < args.size())
        return args[++i];
    return std::nullopt;
}
