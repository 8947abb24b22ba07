#pragma once

#include "app/application.h"
#include "app/mainwindow.h"
#include "dialogs/toolsdlg.h"
#include "model/frame.h"
#include "model/messagesink.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <memory>
#include <string>
#include <utility>
#include <vector>

/// Keeps every busy text and counts the returns to the frame counter.
class RecordingStatus : public StatusSink
{
public:
    void showBusy(std::string_view text) override { busyTexts.emplace_back(text); }
    void showCounter() override { ++counterShown; }
    std::vector<std::string> busyTexts;
    int counterShown = 0;
};

/// Opens the program's windows with every message box going to sink and every busy text to
/// status, both emptied first.
inline std::unique_ptr<TessalyWindows> openRecordedWindows(
    RecordingSink &sink, RecordingStatus &status)
{
    sink.messages.clear();
    status = RecordingStatus{};
    auto windows = std::make_unique<TessalyWindows>();
    MainForm->Messages = &sink;
    MainForm->StatusLine = &status;
    return windows;
}

/// Loads count frames of one atom each into the main window, frame i with time i and the
/// text "step i", as a read would leave them, and shows the first.
inline void loadFrames(TMainForm &main, int count)
{
    main.ClearTrajectory();
    for (int i = 1; i <= count; ++i) {
        Frame frame;
        frame.atomCount = 1;
        allocateAtoms(frame, 1);
        frame.time = i;
        frame.setText("step " + std::to_string(i));
        main.Frames.appendFrame(std::move(frame));
        ++main.FrameCount;
    }
    if (ToolsDlg)
        ToolsDlg->SetMaximum(count);
    main.GoToFirstFrame();
}

/// Writes a trajectory of the Common layout to path: count frames, frame i (from 1) with time i,
/// energy -i and the text "step i", each of the given atom lines ("O x y z charge px py pz c").
/// Returns whether the file was written.
inline bool writeTrajectory(const QString &path, int count,
    const std::vector<std::string> &atoms = {"O 0 0 0 -0.8 0 0 0 1"})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += std::to_string(atoms.size()) + "\n";
        text += std::to_string(i) + " " + std::to_string(-i) + " step " + std::to_string(i) + "\n";
        for (const std::string &atom : atoms)
            text += atom + "\n";
    }
    return file.write(text.data(), static_cast<qint64>(text.size()))
        == static_cast<qint64>(text.size());
}
