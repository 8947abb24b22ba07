#include "app/application.h"
#include "app/busyinput.h"
#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/messagesinks.h"
#include "dialogs/toolsdlg.h"
#include "model/memorybudget.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileDialog>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>
#include <thread>

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
    const CommandLine line = parseCommandLine(CommandLineArguments);
    if (line.memoryLimit > 0)
        MemoryLimit = line.memoryLimit;
    const QString path = line.file;
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
    switch (OpenInput(file, QFile::encodeName(path).toStdString())) {
    case InputOpening::Failed:
        ShowMessage(QString(), QStringLiteral("Can't open XYZ file %1").arg(FileName));
        FileName = previous;
        return;
    case InputOpening::Abandoned:
        FileName = previous;
        ShowStatus();
        return;
    case InputOpening::Opened:
        break;
    }
    SetFileName(FileName);

    InputFormat &format = Format();
    if (format.openByExtension) {
        const int kind = kindForFile(layoutExtension(whole), file.bytes(),
            format.layouts[static_cast<std::size_t>(LayoutKind::Common)].skipLines, format.kind);
        if (kind >= 0)
            format.kind = kind;
    }

    ReadFrames(file);
    if (FrameCount == 0)
        ShowMessage(QString(), QStringLiteral("No frames read from file %1").arg(FileName));
    ShowStatus();
    Redraw(nullptr, true);
}

std::size_t TMainForm::TrajectoryMemoryLimit() const
{
    return MemoryLimit > 0 ? MemoryLimit : defaultMemoryLimit();
}

TMainForm::InputOpening TMainForm::OpenInput(TrajectoryFile &file, const std::string &path)
{
    // A pipe or a device is received whole and a compressed file decompressed before its
    // frames are read; the text may take half the limit, leaving the rest to the frames.
    const std::size_t textLimit = std::max<std::size_t>(TrajectoryMemoryLimit() / 2, 1);
    OpenProgress progress;
    std::atomic<bool> finished{false};
    bool opened = false;
    std::thread opener;
    try {
        opener = std::thread([&] {
            opened = file.open(path, textLimit, &progress);
            finished.store(true, std::memory_order_release);
        });
    } catch (const std::system_error &) {
        return file.open(path, textLimit) ? InputOpening::Opened : InputOpening::Failed;
    }
    // A plain file is mapped at once: the window is only made busy when the input keeps it
    // waiting.
    constexpr auto Moment = std::chrono::milliseconds(30);
    const auto quickly = std::chrono::steady_clock::now() + Moment;
    while (!finished.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < quickly)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    bool closed = false;
    if (!finished.load(std::memory_order_acquire)) {
        // Esc stops the receiving or decompressing, keeping the text that came; closing the
        // window gives the open up.
        BusyInput input(*this);
        std::size_t shownMegabytes = SIZE_MAX;
        while (!finished.load(std::memory_order_acquire)) {
            if (input.StopAsked())
                progress.stop.store(true);
            const std::size_t megabytes = progress.held.load() >> 20;
            if (megabytes != shownMegabytes) {
                shownMegabytes = megabytes;
                StatusLine->showBusy(
                    QStringLiteral("%1 %2 MB").arg(ReadingText).arg(megabytes).toStdString());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        closed = input.CloseSeen();
    }
    opener.join();
    if (!opened)
        return InputOpening::Failed;
    if (closed || (file.stopped() && file.bytes().empty()))
        return InputOpening::Abandoned;
    return InputOpening::Opened;
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
    Frames.budget().setLimit(TrajectoryMemoryLimit());
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
        AtomTypes.useColourScheme(
            colourSchemeFor(static_cast<LayoutKind>(InputFormat::clampKind(Format().kind))));
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
