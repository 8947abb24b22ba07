#pragma once

#include <QDialog>

class MainFormLink;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

/// The "Save frames options" dialog: which frames "&Save..." writes. It edits the main window's
/// save range directly; OK and Cancel only close it.
class TOutputDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden with the check box checked; it lives until the program ends.
    explicit TOutputDlg(MainFormLink &main);
    ~TOutputDlg() override;

    /// Fills the controls from the save range; the check box keeps its state.
    void FormActivate();
    /// Turns "save every frame of the range" over.
    void NumFramesCheckBoxClick();
    /// Stores the up-down's position as the number of frames to save.
    void NumFramesUpDownClick(int position);
    /// Takes a first frame from 1 to the number of frames loaded; any other value is refused
    /// and the edit shows 1 (below the range) or the unchanged first frame (above it).
    void FirstFrameEditExit();
    /// Takes a last frame from 1 to the number of frames loaded; any other value is refused and
    /// the edit shows the number of frames (above the range) or the unchanged last frame.
    void LastFrameEditExit();

    QCheckBox *NumFramesCheckBox = nullptr;
    QSpinBox *NumFramesUpDown = nullptr;
    QLabel *FirstFrameLab = nullptr;
    QLineEdit *FirstFrameEdit = nullptr;
    QLabel *LastFrameLab = nullptr;
    QLineEdit *LastFrameEdit = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void UpdateCaption();

    MainFormLink &Main;
    // Set while the controls are filled from the range, so that filling stores nothing.
    bool Showing = false;
};

/// The program's one OutputDlg, or null before start-up and after it is destroyed.
extern TOutputDlg *OutputDlg;
