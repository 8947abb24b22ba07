#pragma once

#include <QDialog>

class MainFormLink;
class QPushButton;
class QSlider;

/// The modal "Animation speed (frames / s)" dialog. Moving its track bar changes the running
/// animation's speed at once; the main window keeps or undoes the change afterwards.
class TSpeedDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the dialog hidden with the track bar at 10 frames per second.
    explicit TSpeedDlg(MainFormLink &main);
    ~TSpeedDlg() override;

    /// Sets the main window's speed to the bar's position and the animation interval to
    /// 1000 / position milliseconds, truncated.
    void SpeedTrackBarChange();
    /// Marks the dialog accepted and closes it.
    void OKBtnClick();
    /// Marks the dialog cancelled and closes it; Escape does the same.
    void CancelBtnClick();

    QSlider *SpeedTrackBar = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    MainFormLink &Main;
};

/// The program's speed dialog, or null before start-up and after it is destroyed.
extern TSpeedDlg *SpeedDlg;
