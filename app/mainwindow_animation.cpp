#include "app/mainwindow.h"
#include "dialogs/speeddlg.h"
#include "dialogs/toolsdlg.h"

#include <QAction>
#include <QApplication>
#include <QSlider>

#include <algorithm>

void TMainForm::ShowFrameAt(int index)
{
    const int step = index - CurrentFrameIndex;
    CurrentFrameIndex = index;
    CurrentFrame = &Frames.frameAt(index);
    // A file read on demand keeps the shown frame in memory and reads the next ones ahead
    // while the window plays or steps; not while a modal window may change the atom types.
    const bool steady = (step == 1 || step == -1) && !QApplication::activeModalWidget();
    Frames.hold(index, steady ? step : 0);
    TellUnreadFrame();
}

void TMainForm::TellUnreadFrame()
{
    if (const std::optional<FrameFailure> failure = Frames.takeFailure()) {
        Pause1Click();
        // the reader's own message; the status line names the frame
        ShowMessage(
            QString::fromStdString(failure->caption), QString::fromStdString(failure->text));
    }
}

void TMainForm::GoToFirstFrame()
{
    ShowFrameAt(Frames.empty() ? 0 : 1);
    const bool first = CurrentFrameIndex == 1;
    if (first && ToolsDlg)
        ToolsDlg->SetPosition(1);
    ShowStatus();
    Redraw(nullptr, true);
}

void TMainForm::StepForward()
{
    if (CurrentFrameIndex < FrameCount)
        ShowFrameAt(CurrentFrameIndex + 1);
    else
        ShowFrameAt(FrameCount > 0 ? 1 : 0);
    if (CurrentFrameIndex != 0 && ToolsDlg)
        ToolsDlg->SetPosition(CurrentFrameIndex);
    ShowStatus();
    Redraw(nullptr, true);
}

void TMainForm::GoToFrame(int index)
{
    // Walking past either end of the list would leave the trajectory; such a request is
    // ignored rather than followed.
    if (index < 0 || index > FrameCount)
        return;
    ShowFrameAt(index);
    if (index != 0 && ToolsDlg)
        ToolsDlg->SetPosition(index);
    ShowStatus();
    Redraw(nullptr, true);
}

void TMainForm::Forward1Click()
{
    Playing = true;
    AnimTimer.start();
    if (ToolsDlg)
        ToolsDlg->ShowPlaying(true);
}

void TMainForm::Pause1Click()
{
    Playing = false;
    AnimTimer.stop();
    if (ToolsDlg)
        ToolsDlg->ShowPlaying(false);
}

void TMainForm::Rewind1Click()
{
    Pause1Click();
    GoToFirstFrame();
}

void TMainForm::Repeat1Click()
{
    RepeatPlay = !RepeatPlay;
}

void TMainForm::Rotate1Click()
{
    Rotating = !Rotating;
    if (Rotating) {
        if (RotationRateHorizontal == 0.0 && RotationRateVertical == 0.0
            && RotationRateInPlane == 0.0)
            RotationRateHorizontal = 0.001;
        RotationTimer.start();
    } else {
        RotationTimer.stop();
    }
}

void TMainForm::Animation1Click()
{
    Forward1->setChecked(Playing);
    Pause1->setChecked(!Playing);
    Repeat1->setChecked(RepeatPlay);
    Rotate1->setChecked(Rotating);
}

void TMainForm::AnimTimerTimer()
{
    // a frame with a 3D cloud is shown whole before the next one is started
    if (!Playing || CloudPassRunning())
        return;
    if (CurrentFrameIndex < FrameCount || RepeatPlay)
        StepForward();
    else
        Pause1Click();
}

void TMainForm::RotationTimerTimer()
{
    if (!Rotating || CloudPassRunning())
        return;
    RotateView(
        RotationRateInPlane * 100.0, RotationRateVertical * 100.0, RotationRateHorizontal * 100.0);
    Redraw(nullptr, true);
}

void TMainForm::RotateView(double alpha, double beta, double gamma)
{
    ViewTransform.rotateView(alpha, beta, gamma);
}

void TMainForm::Speed1Click()
{
    if (!SpeedDlg)
        return;
    const int previous = FramesPerSecond;
    SpeedDlg->SpeedTrackBar->setValue(previous);
    SpeedDlg->exec();
    if (DialogAccepted) {
        FramesPerSecond = SpeedDlg->SpeedTrackBar->value();
    } else {
        FramesPerSecond = previous;
        AnimTimer.setInterval(1000 / previous);
    }
}

bool TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers keys)
{
    const Qt::KeyboardModifiers held = keys & ~Qt::KeypadModifier;
    if (held == Qt::ShiftModifier) {
        // a tenth of the view's smaller side a press, the way the arrow points
        const double step = std::max(1, std::min(ClientWidth(), ViewHeight()) / 10);
        const double dx = key == Qt::Key_Left ? -step : key == Qt::Key_Right ? step : 0.0;
        const double dy = key == Qt::Key_Up ? -step : key == Qt::Key_Down ? step : 0.0;
        if (dx == 0.0 && dy == 0.0)
            return false;
        PanView(dx, dy);
        Redraw(nullptr, true);
        return true;
    }
    if (held != Qt::NoModifier)
        return false;
    switch (key) {
    case Qt::Key_C:
        Centre1Click();
        return true;
    case Qt::Key_R:
        ResetView1Click();
        return true;
    case Qt::Key_Space:
        if (Playing)
            Pause1Click();
        else
            Forward1Click();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        Pause1Click();
        const int step = key == Qt::Key_Left ? -1 : 1;
        // Stepping stops at either end, whatever the repeat switch says.
        if (CurrentFrameIndex + step >= 1 && CurrentFrameIndex + step <= FrameCount)
            GoToFrame(CurrentFrameIndex + step);
        return true;
    }
    case Qt::Key_Escape:
        // gives up on a 3D cloud being drawn, for the quick model
        return AbandonCloudPass();
    case Qt::Key_Home:
        if (FrameCount > 0)
            GoToFirstFrame();
        return true;
    default:
        return false;
    }
}
