#include "app/application.h"

#include "app/mainwindow.h"
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

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>

#include <cstdio>
#include <exception>

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
}

TessalyWindows::~TessalyWindows()
{
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

} // namespace

int runTessaly(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    try {
        TessalyWindows windows;
        if (qEnvironmentVariableIsSet("TESSALY_TIME_OPEN"))
            return timeOpen();
        QObject::connect(MainForm, &TMainForm::Closed, &application, &QApplication::quit);
        MainForm->show();
        return QApplication::exec();
    } catch (const std::exception &error) {
        QMessageBox::critical(
            nullptr, QStringLiteral("Tessaly"), QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(
            nullptr, QStringLiteral("Tessaly"), QStringLiteral("Unexpected error"));
    }
    return 0;
}
