#pragma once

#include "model/atomtype.h"
#include "model/frame.h"
#include "model/inputformat.h"
#include "model/trajectoryreader.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// How the commands of tessaly-cli choose a layout and read a trajectory, shared by every
// command that loads one:
//
//     TrajectoryOptions options;
//     if (const std::string error = takeTrajectoryOptions(args, options); !error.empty()) ...
//     AtomTypeTable types;
//     types.buildDefaultTable();
//     FrameList frames;
//     const LoadedTrajectory loaded = loadTrajectory(path, options, types, frames);
//     if (!loaded.error.empty()) ... // print it, exit 1

/// The layout and input-format settings given on the command line.
struct TrajectoryOptions
{
    /// 0 Common, 1 Table, 2 Custom; -1 chooses by the file's extension as "Open by extension"
    /// does (".XYZ", ".PRN", ".TXT" in any case), Common for any other extension.
    int layout = -1;
    /// "--set NAME=VALUE" pairs in the order given, already checked; applied to the layout the
    /// file is read with.
    std::vector<std::pair<std::string, std::string>> settings;
    /// Threads that read frames (0: every core, 1: strictly in order); never more than the
    /// machine has cores.
    int threads = 0;
    /// The most memory the trajectory may take ("--memory"), in bytes; 0 for a quarter of the
    /// machine's memory.
    std::size_t memoryLimit = 0;
};

/// Takes "--layout KIND", "--set NAME=VALUE", "--threads N" and "--memory SIZE" (also written
/// "--option=value")
/// out of args, leaving every other argument in order. Returns an empty string, or a one-line
/// error for an unknown layout, field or value.
std::string takeTrajectoryOptions(std::vector<std::string> &args, TrajectoryOptions &options);

/// The help lines for those options, each ending in a line feed.
const char *trajectoryOptionsHelp();

/// One argument of a command as an option: "--name=value" gives its value with it, any other
/// argument stays whole as the name.
struct CommandOption
{
    std::string name;
    std::optional<std::string> value;
};
CommandOption splitOption(const std::string &argument);
/// The option's value: the text after '=', else the next argument (moving i on to it); none
/// when the arguments end.
std::optional<std::string> optionValue(
    const CommandOption &option, const std::vector<std::string> &args, std::size_t &i);

/// What every command that reads a trajectory does first with its arguments: with "--help" or
/// "-h" among them, prints help and the options' help and returns 0; otherwise takes the
/// trajectory options out of args, and for an invalid one prints "tessaly-cli COMMAND: ERROR"
/// to the error stream and returns 2. Returns nothing when the command goes on.
std::optional<int> startTrajectoryCommand(std::string_view command, const char *help,
    std::vector<std::string> &args, TrajectoryOptions &options);

/// The input format path is read with: the defaults, the kind from the options or the
/// extension (and for ".xyz" the file's first lines, bytes), then the settings applied to that
/// kind.
InputFormat resolveInputFormat(
    const std::string &path, const TrajectoryOptions &options, std::string_view bytes = {});

/// What loading a trajectory produced, besides its frames.
struct LoadedTrajectory
{
    InputFormat format; ///< the format the file was read with, kind included
    bool opened = false;
    ReadOutcome outcome;
    /// Every message box the reading showed, as (caption, text), in order.
    std::vector<std::pair<std::string, std::string>> messages;
    /// "Can't open XYZ file PATH" or "No frames read from file PATH"; empty when frames were read.
    std::string error;
};

/// Reads the file at path into frames (which must be empty) exactly as the window's Open does:
/// layout by option or extension, leading lines skipped, the once-per-file warnings fresh, each
/// message recorded instead of shown. types must hold the table to look names up in.
/// For a file read on demand: says on the error stream why a frame could not be read, when
/// one could not, and gives true then.
bool toldUnreadFrame(const std::string &command, FrameList &frames);

LoadedTrajectory loadTrajectory(const std::string &path, const TrajectoryOptions &options,
    AtomTypeTable &types, FrameList &frames);

/// The name of a layout kind as the options spell it: "common", "table" or "custom".
const char *layoutName(int kind);
