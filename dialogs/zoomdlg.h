#pragma once

#include <QDialog>

class MainFormLink;
class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;

/// The zoom factors of the view and the fit mode. Each factor is shown relative to its start
/// value, so 1 is the start zoom. While the dialog is open, a running animation and a running
/// spin are paused; closing the dialog resumes them.
class TZoomDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden; it lives until the program ends.
    explicit TZoomDlg(MainFormLink &main);
    ~TZoomDlg() override;

    /// Pauses what runs and fills the controls from the current zooms and fit mode.
    void FormActivate();
    /// Resumes what FormActivate paused.
    void FormClose();
    /// Takes the fit mode of the chosen item and redraws.
    void FittingRadioGroupClick();
    /// Each takes the factor typed into its edit (refusing values out of range) and redraws on
    /// a change; an edit not typed in changes nothing.
    void DistZoomEditExit();
    void AtomZoomEditExit();
    void ImpulsZoomEditExit();

    QLineEdit *DistZoomEdit = nullptr;
    QLineEdit *AtomZoomEdit = nullptr;
    QLineEdit *ImpulsZoomEdit = nullptr;
    QGroupBox *FittingRadioGroup = nullptr;
    QPushButton *OKBtn = nullptr;

    /// Reads the edit still being typed in, resumes what was paused and closes.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// Runs the exit handler of edit, when it is one of the three edits.
    void EditLeft(QObject *edit);
    /// Reads the text typed into edit as a factor of start, stores it in stored unless it lies
    /// outside 0..limit (then the edit shows stored again), and redraws when stored changed.
    void EditExit(QLineEdit *edit, double &stored, double start, double limit);

    MainFormLink &Main;
    QButtonGroup *FittingItems = nullptr;
    bool PausedAnimation = false;
    bool PausedRotation = false;
};

/// The program's one ZoomDlg, or null before start-up and after it is destroyed.
extern TZoomDlg *ZoomDlg;
