#pragma once

#include <QWidget>

class MainFormLink;
class QButtonGroup;
class QSlider;
class QToolButton;

/// The "Animation control" tool window: a frame track bar and a pause/play button pair that
/// sits over the bottom-right corner of the main window's picture.
class TToolsDlg : public QWidget
{
    Q_OBJECT

public:
    /// Builds the window hidden, docks it, and posts the start-up event to the main window,
    /// which therefore runs only once every window exists and the event loop runs.
    explicit TToolsDlg(MainFormLink &main);
    ~TToolsDlg() override;

    /// Makes the frame at the bar's position current.
    void ToolsTrackBarChange();
    /// Pauses the animation; the pause button stays pressed.
    void PauseSpeedBtnClick();
    /// Plays the animation.
    void ForwardSpeedBtnClick();

    /// Moves the bar to the 1-based frame index without making that frame current again.
    void SetPosition(int index);
    /// Lets the bar run from 1 to count.
    void SetMaximum(int count);
    /// Shows the pause button pressed (playing false) or the play button pressed (true).
    void ShowPlaying(bool playing);
    /// Puts the window over the bottom-right corner of the main window's picture.
    void Dock();

    QSlider *ToolsTrackBar = nullptr;
    QToolButton *PauseSpeedBtn = nullptr;
    QToolButton *ForwardSpeedBtn = nullptr;

private:
    MainFormLink &Main;
    QButtonGroup *SpeedButtons = nullptr;
};

/// The program's animation control window, or null before start-up and after it is destroyed;
/// the main window tests it before docking during shutdown.
extern TToolsDlg *ToolsDlg;
