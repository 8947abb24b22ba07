#include "app/application.h"

#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/modalwatch.h"
#include "dialogs/aboutbox.h"
#include "dialogs/atomsdlg.h"
#include "dialogs/chargedlg.h"
#include "dialogs/detailsdlg.h"
#include "dialogs/electronsdlg.h"
#include "dialogs/inputdlg.h"
#include "dialogs/orbitalsdlg.h"
#include "dialogs/outputdlg.h"
#include "dialogs/saveframedlg.h"
#include "dialogs/speeddlg.h"
#include "dialogs/textdisplayform.h"
#include "dialogs/toolsdlg.h"
#include "dialogs/zoomdlg.h"
#include "render/imagefile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>

#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>

QString joinCommandLineArguments(const QStringList &arguments)
{
    QString joined = arguments.mid(1).join(QLatin1Char(' '));
    qsizetype start = 0;
    while (start < joined.size() && joined.at(start) == QLatin1Char(' '))
        ++start;
    return joined.mid(start);
}

TessalyWindows::TessalyWindows()
{
    // Each window sets its program-wide pointer while it is built; the dialogs are children of
    // the main window, so they stay over it and are centred on it.
    windows.emplace_back(new TMainForm);
    TMainForm &main = *MainForm;
    windows.emplace_back(new TZoomDlg(main));
    windows.emplace_back(new TSpeedDlg(main));
    windows.emplace_back(new TToolsDlg(main));
    windows.emplace_back(new TInputDlg(&main));
    windows.emplace_back(new TDetailsDlg(main));
    windows.emplace_back(new TAtomsDlg(main));
    windows.emplace_back(new TChargeDlg(main));
    windows.emplace_back(new TOutputDlg(main));
    windows.emplace_back(new TElectronsDlg(main));
    windows.emplace_back(new TOrbitalsDlg(main));
    windows.emplace_back(new TSaveFrameDlg(&main));
    windows.emplace_back(new TTextDisplayForm(&main));
    windows.emplace_back(new TAboutBox(&main));
    toolWindowsAside =
        std::make_unique<ModalWatch>(std::initializer_list<QWidget *>{ToolsDlg, DetailsDlg});
    // A modal window may change the atom types, which frames read ahead are given.
    toolWindowsAside->OnModalShown = [&main] { main.LoadedFrames().stopReadAhead(); };
}

TessalyWindows::~TessalyWindows()
{
    toolWindowsAside.reset();
    // The dialogs go first: they are children of the main window and refer to it.
    while (!windows.empty())
        windows.pop_back();
}

namespace {

// Messages of a timed open go to the error stream: a modal box would wait for a click.
class ErrorStreamSink : public MessageSink
{
public:
    void show(std::string_view caption, std::string_view text) override
    {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
            static_cast<int>(text.size()), text.data());
    }
};

// With TESSALY_TIME_OPEN set, the program opens the file named on its command line as the
// start-up event would, prints how long the open took and ends: a measure of the window's
// whole open (read, first picture, animation start) for the benchmarks.
int timeOpen()
{
    ErrorStreamSink messages;
    MessageSink *const boxes = MainForm->Messages;
    MainForm->Messages = &messages;
    MainForm->show();
    QElapsedTimer clock;
    clock.start();
    // The start-up event that the animation control window posted opens the file; the events
    // after it paint the first picture.
    QCoreApplication::sendPostedEvents(MainForm, OpenCommandLineEvent);
    QCoreApplication::processEvents();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    // QString::number writes "." whatever the locale.
    std::printf("open_seconds=%s frames=%d\n", qPrintable(QString::number(seconds, 'f', 3)),
        MainForm->FrameCount);
    std::fflush(stdout);
    const int status = MainForm->FrameCount > 0 ? 0 : 1;
    MainForm->Messages = boxes;
    return status;
}

// Lets the window handle its events until its 3D cloud is shown.
void waitForCloud()
{
    while (MainForm->CloudPassRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
}

// With TESSALY_TIME_CLOUD set to a picture file, the program opens the file named on its
// command line, stops its frames on the first, switches the 3D electron cloud on as the
// electrons dialog and switch do, then times one whole redraw of the frame (composing, the
// cloud on its threads, the overlay, the paint) while the event loop runs, prints how long it
// took, writes the picture shown and ends: the window's figure for the cloud benchmark.
int timeCloudWith(const QString &picture, MessageSink &messages);
constexpr int CloudWidth = 481;
constexpr int CloudHeight = 351;

int timeCloud(const QString &picture)
{
    ErrorStreamSink messages;
    MessageSink *const boxes = MainForm->Messages;
    MainForm->Messages = &messages;
    const int status = timeCloudWith(picture, messages);
    MainForm->Messages = boxes;
    return status;
}

int timeCloudWith(const QString &picture, MessageSink &messages)
{
    MainForm->show();
    QCoreApplication::sendPostedEvents(MainForm, OpenCommandLineEvent);
    QCoreApplication::processEvents();
    if (MainForm->FrameCount < 1)
        return 1;
    MainForm->Pause1Click();
    if (MainForm->Rotating)
        MainForm->Rotate1Click();
    // the drawing area of the command-line tool's pictures, whatever the platform's status line
    MainForm->resize(MainForm->width() + CloudWidth - MainForm->ClientWidth(),
        MainForm->height() + CloudHeight - MainForm->ViewHeight());
    QCoreApplication::processEvents();
    MainForm->GoToFirstFrame();
    MainForm->DrawingModel = 1;
    MainForm->Electrons1Click();
    waitForCloud();
    QElapsedTimer clock;
    clock.start();
    MainForm->Redraw(nullptr, true);
    waitForCloud();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("redraw_seconds=%s\n", qPrintable(QString::number(seconds, 'f', 3)));
    std::fflush(stdout);
    return SaveImage(MainForm->ViewBitmap, QFile::encodeName(picture).toStdString(), messages) ? 0
                                                                                               : 1;
}

// What the exception being handled was, for a report.
std::string currentExceptionText()
{
    try {
        throw;
    } catch (const std::bad_alloc &) {
        return "Not enough memory";
    } catch (const std::exception &error) {
        return error.what();
    } catch (...) {
        return "Unexpected error";
    }
}

// Reports the exception being handled, which an event handler let escape. A report made
// while a box is up (the box runs events), or the same report again soon after its box was
// closed (a handler that fails on every tick or repaint), goes to the error stream, so a
// failure that repeats cannot keep the user in boxes.
void reportHandlerFailure()
{
    static bool reporting = false;
    static std::string lastText;
    static QElapsedTimer sinceLastBox;
    const std::string text = currentExceptionText() + ": the last command was stopped.";
    const bool repeated =
        text == lastText && sinceLastBox.isValid() && sinceLastBox.elapsed() < 5000;
    if (reporting || repeated || !MainForm || !MainForm->Messages) {
        std::fprintf(stderr, "Tessaly: %s\n", text.c_str());
        return;
    }
    reporting = true;
    try {
        MainForm->Messages->show("", text);
    } catch (...) {
        reporting = false;
        throw;
    }
    reporting = false;
    lastText = text;
    sinceLastBox.start();
}

} // namespace

TessalyApplication::TessalyApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool TessalyApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        try {
            reportHandlerFailure();
        } catch (...) {
            // the report itself needed memory that is not there
            std::fputs("Tessaly: Not enough memory: the last command was stopped.\n", stderr);
        }
        return false;
    }
}

int runGuarded(const std::function<int()> &start)
{
    try {
        return start();
    } catch (const std::bad_alloc &) {
        // no box: it would need the memory that ran out
        std::fprintf(stderr, "Tessaly: Not enough memory\n");
    } catch (...) {
        QMessageBox::critical(
            nullptr, QStringLiteral("Tessaly"), QString::fromStdString(currentExceptionText()));
    }
    return 1;
}

namespace {

// Answers help, version and (once Qt has taken its own options out) an unknown option: the exit
// status, or nothing when the program goes on.
std::optional<int> answerCommandLine(const CommandLine &line, bool qtOptionsTaken)
{
    switch (line.request) {
    case CommandLine::Request::Help:
        std::fputs(commandLineHelp(), stdout);
        return 0;
    case CommandLine::Request::Version:
        std::printf("tessaly %s\n", TESSALY_VERSION);
        return 0;
    case CommandLine::Request::WrongOption:
        if (!qtOptionsTaken)
            return std::nullopt;
        std::fprintf(stderr, "tessaly: unknown option '%s'\n%s", qPrintable(line.wrongOption),
            commandLineUsage());
        return 2;
    default:
        return std::nullopt;
    }
}

} // namespace

int runTessaly(int argc, char *argv[])
{
    // Help and version need no display, so they are answered before Qt looks for one.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (const std::optional<int> status = answerCommandLine(parseCommandLine(arguments), false))
        return *status;
    // an option that Qt does not take either is wrong whether or not there is a display
    if (const std::optional<int> status =
            answerCommandLine(parseCommandLine(withoutQtOptions(arguments)), true))
        return *status;
    TessalyApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    if (const std::optional<int> status =
            answerCommandLine(parseCommandLine(QCoreApplication::arguments()), true))
        return *status;
    return runGuarded([&application] {
        TessalyWindows windows;
        if (qEnvironmentVariableIsSet("TESSALY_TIME_OPEN"))
            return timeOpen();
        if (qEnvironmentVariableIsSet("TESSALY_TIME_CLOUD"))
            return timeCloud(qEnvironmentVariable("TESSALY_TIME_CLOUD"));
        QObject::connect(MainForm, &TMainForm::Closed, &application, &QApplication::quit);
        MainForm->show();
        return QApplication::exec();
    });
}
