#include "app/application.h"
#include "app/mainwindow.h"
#include "dialogs/toolsdlg.h"

#include <QEvent>
#include <QFileDialog>

void TMainForm::customEvent(QEvent *event)
{
    if (event->type() == OpenCommandLineEvent) {
        OpenFromCommandLine();
        return;
    }
    QMainWindow::customEvent(event);
}

void TMainForm::OpenFromCommandLine()
{
    const QString path = joinCommandLineArguments(CommandLineArguments);
    if (!path.isEmpty())
        OpenTrajectory(path);
}

void TMainForm::OpenTrajectory(const QString &path)
{
    LastOpenRequest = path;
}

void TMainForm::New1Click()
{
    SetFileName(QStringLiteral("Untitled"));
    Pause1Click();
    if (Rotating)
        Rotate1Click();
    ClearTrajectory();
    if (ToolsDlg)
        ToolsDlg->hide();
    Redraw(nullptr, true);
}

void TMainForm::Open1Click()
{
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(),
        QStringLiteral("XYZ, PRN, TXT files (*.xyz *.txt *.prn);;All files (*)"));
    if (!path.isEmpty())
        OpenTrajectory(path);
}
