// tessaly-cli: the trajectory reader, writer and renderer of Tessaly without a window, for
// scripts and for machines without a display.
#include "app/cli/commands.h"
#include "app/cli/trajectoryoptions.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char *const Help =
    "usage: tessaly-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Reads and writes molecular-dynamics trajectory text files the way Tessaly does, without\n"
    "a display.\n"
    "\n"
    "commands:\n"
    "  info FILE [--json]        frame count, atoms per frame, time and energy ranges and\n"
    "                            every message the reading showed\n"
    "  convert FILE OUT          writes the frames (all, or a range with --first, --last,\n"
    "                            --count) in the program's own text layout, or with --to as\n"
    "                            plain or extended XYZ\n"
    "  render FILE OUT           draws frames to BMP, JPEG or PNG pictures or to an MP4, WebM\n"
    "                            or GIF movie; its options are listed by tessaly-cli render\n"
    "                            --help\n"
    "  measure FILE --distance I,J --angle I,J,K --dihedral I,J,K,L\n"
    "                            writes those values of every frame as CSV, one row a frame\n"
    "                            with its time and energy; atoms counted from 1\n"
    "  help [COMMAND]            this text, or the options of one command\n"
    "  --version                 the version of tessaly-cli\n"
    "\n"
    "input options (info, convert, render, measure):\n";

const char *const Footer =
    "\n"
    "Exit status: 0 on success, 1 when a file could not be read or written, 2 for a wrong\n"
    "command line. Errors are one line on the error stream.\n";

int commandHelp(const std::string &command)
{
    if (command == "info")
        return infoCommand({"--help"});
    if (command == "convert")
        return convertCommand({"--help"});
    if (command == "render")
        return renderCommand({"--help"});
    if (command == "measure")
        return measureCommand({"--help"});
    std::cerr << "tessaly-cli: unknown command '" << command << "' (see tessaly-cli --help)\n";
    return 2;
}

// A failed write to standard output (a full disk, say) fails the run, whatever the
// command made of its own work: what it printed is incomplete.
int checkStandardOutput(int status)
{
    std::cout.flush();
    const bool written = std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (written || status != 0) // a command that failed has said why
        return status;
    std::cerr << "tessaly-cli: cannot write to standard output\n";
    return 1;
}

int runCommand(const std::string &command, const std::vector<std::string> &args)
{
    if (command == "--help" || command == "-h" || command == "help") {
        if (!args.empty())
            return commandHelp(args.front());
        std::cout << Help << trajectoryOptionsHelp() << Footer;
        return 0;
    }
    if (command == "--version") {
        std::cout << "tessaly-cli " << TESSALY_VERSION << "\n";
        return 0;
    }
    if (command == "info")
        return infoCommand(args);
    if (command == "convert")
        return convertCommand(args);
    if (command == "render")
        return renderCommand(args);
    if (command == "measure")
        return measureCommand(args);
    std::cerr << "tessaly-cli: unknown command '" << command << "' (see tessaly-cli --help)\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << "tessaly-cli: give a command (see tessaly-cli --help)\n";
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    return checkStandardOutput(runCommand(command, args));
}
