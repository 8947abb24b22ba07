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
#include <QMessageBox>

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
    windows.emplace_back(new TZoomDlg(&main));
    windows.emplace_back(new TSpeedDlg(main));
    windows.emplace_back(new TToolsDlg(main));
    windows.emplace_back(new TInputDlg(&main));
    windows.emplace_back(new TDetailsDlg(main));
    windows.emplace_back(new TAtomsDlg(&main));
    windows.emplace_back(new TChargeDlg(&main));
    windows.emplace_back(new TOutputDlg(&main));
    windows.emplace_back(new TElectronsDlg(&main));
    windows.emplace_back(new TOrbitalsDlg(&main));
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

int runTessaly(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    try {
        TessalyWindows windows;
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
