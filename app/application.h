#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class ModalWatch;
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
    std::unique_ptr<ModalWatch> toolWindowsAside; ///< off modal windows while one is open
};

/// The program's application object. An exception that an event handler lets escape (memory
/// running out in the middle of a command, say) never reaches Qt's event loop, which cannot
/// carry it: it is reported through the main window's message sink (on the error stream
/// before the main window exists), the event counts as not handled, and the program goes on
/// with its main window and trajectory.
class TessalyApplication : public QApplication
{
public:
    TessalyApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

/// Runs start and returns its status. An exception escaping it (the windows or the default
/// tables could not be built) ends the program with status 1: "Not enough memory" on the error
/// stream for an allocation failure, a message box for any other.
int runGuarded(const std::function<int()> &start);

/// Runs the program: the application object, the windows, the event loop until the main
/// window closes. Returns the process exit status.
int runTessaly(int argc, char *argv[]);
