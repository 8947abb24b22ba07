#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>

/// What the window program's command line asks for.
struct CommandLine
{
    enum class Request { Open, Help, Version, WrongOption };
    Request request = Request::Open;
    /// The trajectory to open: the arguments that are not options, joined as
    /// joinCommandLineArguments does; empty when there is none.
    QString file;
    /// The first argument taken for an option that the program does not know; empty when none.
    QString wrongOption;
    /// The most memory a trajectory may take ("--memory SIZE"), in bytes; 0 when not given.
    std::size_t memoryLimit = 0;
};

/// Reads the program's arguments (the program's own first). "-h" and "--help" ask for the
/// help, "--version" for the version, the first of them deciding; without them an unknown
/// option (an argument starting with "-" other than "-" itself), or "--memory" without a
/// valid size, makes the line wrong. After
/// "--" every argument belongs to the file name. Qt's own options count as unknown until
/// QApplication has taken them out.
CommandLine parseCommandLine(const QStringList &arguments);

/// The arguments less the options that Qt's application object takes (with the value that
/// follows those that need one), so that a wrong option is known before a display is opened.
QStringList withoutQtOptions(const QStringList &arguments);

/// The text "tessaly --help" prints, ending in a line feed.
const char *commandLineHelp();
/// The one line an unknown option gets after its message, ending in a line feed.
const char *commandLineUsage();
