#include "app/commandline.h"

#include "app/application.h"
#include "model/memorybudget.h"

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    CommandLine::Request answer = CommandLine::Request::Open;
    QStringList rest = arguments.mid(0, 1);
    bool options = true;
    const QStringList given = arguments.mid(1);
    for (qsizetype i = 0; i < given.size(); ++i) {
        const QString &argument = given.at(i);
        const bool memory = argument == QLatin1String("--memory")
            || argument.startsWith(QLatin1String("--memory="));
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options && memory) {
            QString value = argument.mid(9);
            if (argument.size() == 8 && i + 1 < given.size())
                value = given.at(++i);
            std::size_t bytes = 0;
            if (parseMemorySize(value.toLocal8Bit().constData(), bytes))
                line.memoryLimit = bytes;
            else if (line.wrongOption.isEmpty())
                line.wrongOption = argument.size() == 8 && !value.isEmpty()
                    ? argument + QLatin1Char(' ') + value
                    : argument;
        } else if (options && argument.size() > 1 && argument.startsWith(QLatin1Char('-'))) {
            const bool help =
                argument == QLatin1String("--help") || argument == QLatin1String("-h");
            const bool version = argument == QLatin1String("--version");
            if ((help || version) && answer == CommandLine::Request::Open)
                answer = help ? CommandLine::Request::Help : CommandLine::Request::Version;
            else if (!help && !version && line.wrongOption.isEmpty())
                line.wrongOption = argument;
        } else {
            rest.append(argument);
        }
    }
    line.file = joinCommandLineArguments(rest);
    // help and version are answered whatever else is there, as the user asked for them
    line.request = answer != CommandLine::Request::Open ? answer
        : line.wrongOption.isEmpty()                    ? CommandLine::Request::Open
                                                        : CommandLine::Request::WrongOption;
    return line;
}

QStringList withoutQtOptions(const QStringList &arguments)
{
    // QGuiApplication's and QApplication's own options, and those of the X11 platform
    static const QStringList takingValue = {QStringLiteral("platform"),
        QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"), QStringLiteral("session"), QStringLiteral("style"),
        QStringLiteral("stylesheet"), QStringLiteral("display"), QStringLiteral("geometry"),
        QStringLiteral("title"), QStringLiteral("icon"), QStringLiteral("name"),
        QStringLiteral("visual")};
    static const QStringList alone = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
        QStringLiteral("testability"), QStringLiteral("nograb"), QStringLiteral("dograb"),
        QStringLiteral("sync"), QStringLiteral("qmljsdebugger"), QStringLiteral("dialogs"),
        QStringLiteral("fontengine")};
    QStringList kept = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--")) {
            kept += arguments.mid(i);
            break;
        }
        // Qt takes "-name" and "--name", and a value after "=" or as the next argument
        QString name = argument;
        if (name.startsWith(QLatin1String("--")))
            name.remove(0, 1);
        if (!name.startsWith(QLatin1Char('-'))) {
            kept.append(argument);
            continue;
        }
        name.remove(0, 1);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals >= 0)
            name.truncate(equals);
        if (takingValue.contains(name) && equals < 0)
            ++i;
        else if (!takingValue.contains(name) && !alone.contains(name))
            kept.append(argument);
    }
    return kept;
}

const char *commandLineUsage()
{
    return "usage: tessaly [-h|--help] [--version] [--memory SIZE] [--] [TRAJECTORY]\n";
}

const char *commandLineHelp()
{
    return "usage: tessaly [-h|--help] [--version] [--memory SIZE] [--] [TRAJECTORY]\n"
           "\n"
           "Shows a molecular-dynamics trajectory as shaded atom balls and plays its frames.\n"
           "TRAJECTORY, when given, is opened at start as File, Open does: .xyz in the common\n"
           "layout when its second line begins with a time and an energy and as standard or\n"
           "extended XYZ otherwise, .extxyz as XYZ, .prn as a table, .txt in the custom layout,\n"
           "any other in the layout set in the input file options; a .gz or .zst file is read\n"
           "decompressed. A name with blanks may be given without quotes. When it\n"
           "cannot be opened or read, the window says so and the same message is written on the\n"
           "error stream.\n"
           "\n"
           "options:\n"
           "  -h, --help     print this help and exit\n"
           "  --version      print the version and exit\n"
           "  --memory SIZE  the most memory a trajectory may take, its frames and the text of\n"
           "                 a pipe or compressed file counted together (bytes, or with K, M,\n"
           "                 G: 512M, 2G); default a quarter of the machine's memory. A file\n"
           "                 whose frames would not fit is indexed and read as they are shown;\n"
           "                 otherwise reading stops there with \"Not enough memory\", keeping\n"
           "                 the frames read;\n"
           "                 Options, Memory limit changes it for the files opened next\n"
           "  --             ends the options: a file name starting with \"-\" may follow\n"
           "Qt's own options (-platform NAME, -style NAME, ...) are accepted too.\n"
           "\n"
           "Exit status: 0, 1 when the program could not start, 2 for an unknown option.\n"
           "The command-line tool tessaly-cli reads, converts and renders without a display.\n";
}
