#include "app/application.h"
#include "app/busyinput.h"
#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/messagesinks.h"
#include "dialogs/toolsdlg.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileDialog>

#include <cmath>
#include <string>

namespace {

const QString ReadingText = QStringLiteral("I'm reading frames, please wait!");
constexpr qint64 EventsEveryMs = 50;

} // namespace

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
    const QString path = parseCommandLine(CommandLineArguments).file;
    if (path.isEmpty())
        return;
    // Started from a terminal, the user looks there too: every message of this open is also
    // written on the error stream.
    const ErrorStreamEcho echo(Messages);
    OpenTrajectory(path);
}

void TMainForm::OpenTrajectory(const QString &path)
{
    const QString previous = FileName;
    const std::string whole = path.toStdString();
    FileName = QString::fromStdString(std::string(fileNamePart(whole)));

    // The file is opened by the path as chosen or named: its bare name would be looked up in
    // the current folder, which may hold another file of that name or none at all.
    TrajectoryFile file;
    if (!file.open(QFile::encodeName(path).toStdString())) {
        ShowMessage(QString(), QStringLiteral("Can't open XYZ file %1").arg(FileName));
        FileName = previous;
        return;
    }
    SetFileName(FileName);

    InputFormat &format = Format();
    if (format.openByExtension) {
        const int kind = kindForFile(layoutExtension(whole), file.bytes(),
            format.layouts[static_cast<std::size_t>(LayoutKind::Common)].skipLines);
        if (kind >= 0)
            format.kind = kind;
    }

    ReadFrames(file);
    if (FrameCount == 0)
        ShowMessage(QString(), QStringLiteral("No frames read from file %1").arg(FileName));
    ShowStatus();
    Redraw(nullptr, true);
}

void TMainForm::ReadFrames(TrajectoryFile &file)
{
    Pause1Click();
    if (Rotating)
        Rotate1Click();
    // Clearing resets the save range; a read keeps the range the user set and only clamps it
    // to the frames it finds. A range over every frame of the old file (or over none, before
    // the first) stays one over every frame of the new one.
    const int firstToSave = SaveFirstFrame;
    const int lastToSave = SaveLastFrame;
    const bool savingEveryFrame = firstToSave <= 1 && lastToSave >= FrameCount;
    ClearTrajectory();
    SaveFirstFrame = firstToSave;
    SaveLastFrame = lastToSave;
    if (ToolsDlg)
        ToolsDlg->hide();
    ReaderWarned.clear();
    StatusLine->showBusy(ReadingText.toStdString());

    // The progress is painted by the status sink itself, and only when the whole percentage
    // moves on.
    ReadOptions options;
    int shownPercent = -1;
    options.progress = [this, &shownPercent](double fraction) {
        const int percent = static_cast<int>(std::floor(fraction * 100.0));
        if (percent == shownPercent)
            return;
        shownPercent = percent;
        StatusLine->showBusy(QStringLiteral("%1 %2%").arg(ReadingText).arg(percent).toStdString());
    };
    // The window answers while it reads: Esc ends the reading, keeping the frames read so far.
    {
        BusyInput input(*this);
        QElapsedTimer sinceEvents;
        options.carryOn = [&input, &sinceEvents] {
            if (sinceEvents.isValid() && sinceEvents.elapsed() < EventsEveryMs)
                return true;
            sinceEvents.start();
            return !input.StopAsked();
        };
        readTrajectory(file, Format(), AtomTypes, *Messages, ReaderWarned, Frames, options);
    }
    FrameCount = Frames.count();
    const auto layout = static_cast<LayoutKind>(InputFormat::clampKind(Format().kind));
    if (!BondsChosen)
        ShowBonds = bondsShownFor(layout);
    StartViewOfFile(layout);

    GoToFirstFrame();
    if (FrameCount > 1) {
        if (ToolsDlg) {
            ToolsDlg->SetMaximum(FrameCount);
            ToolsDlg->show();
            ToolsDlg->Dock();
        }
        Forward1Click();
    }
    if (FrameCount == 1) {
        RotationRateHorizontal = 0.001;
        RotationRateVertical = 0.0;
        RotationRateInPlane = 0.0;
        if (!Rotating)
            Rotate1Click();
    }
    if (savingEveryFrame) {
        SaveFirstFrame = 1;
        SaveLastFrame = FrameCount;
    }
    if (FrameCount < SaveFirstFrame)
        SaveFirstFrame = 1;
    if (SaveLastFrame < SaveFirstFrame || SaveLastFrame > FrameCount)
        SaveLastFrame = FrameCount;
    ShowStatus();
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
        QStringLiteral(
            "XYZ, PRN, TXT files (*.xyz *.extxyz *.txt *.prn *.gz *.zst);;All files (*)"));
    if (!path.isEmpty())
        OpenTrajectory(path);
}
