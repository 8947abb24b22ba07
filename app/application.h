#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QWidget;

/// The file name given on the command line: every argument after the program's own, joined
/// with single blanks, leading blanks dropped; empty when there is none. The platform has
/// already split the command line, so a name with a blank given without quotes arrives whole,
/// and no length limit applies.
QString joinCommandLineArguments(const QStringList &arguments);

/// The program's fourteen windows, created in start-up order (the main window first, so it
/// becomes the application's main window) and destroyed in reverse order. A QApplication
/// must exist.
class TessalyWindows
{
public:
    TessalyWindows();
    ~TessalyWindows();
    TessalyWindows(const TessalyWindows &) = delete;
    TessalyWindows &operator=(const TessalyWindows &) = delete;

private:
    std::vector<std::unique_ptr<QWidget>> windows;
};

/// Runs the program: the application object, the windows, the event loop until the main
/// window closes. Returns the process exit status.
int runTessaly(int argc, char *argv[]);
