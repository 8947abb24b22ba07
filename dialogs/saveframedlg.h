#pragma once

#include "model/saveframeoptions.h"

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

/// The "Save frame options" dialog, shown before every "Sa&ve Frame...": whether the current
/// frame is saved as text, one picture or a series of turned pictures.
class TSaveFrameDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden with the options at their defaults; it lives until the program
    /// ends.
    explicit TSaveFrameDlg(QWidget *parent = nullptr);
    ~TSaveFrameDlg() override;

    /// The options; edits are stored when they are left and when the dialog closes, whichever
    /// button closes it.
    SaveFrameOptions Options;

    /// Sets the radio groups and the edits from Options.
    void FormActivate();
    /// Stores the chosen kind; the rotation controls are enabled only for "rotated images".
    void SaveAsRGClick(int item);
    /// Stores the number of images clamped to 1..1000 and shows the stored value.
    void NumberImagesEditExit();
    /// Stores the rotation angle clamped to 90..3600 degrees and shows the stored value.
    void RotationAngleEditExit();

    QGroupBox *SaveAsRG = nullptr;
    QRadioButton *SaveAsButtons[3] = {};
    QLabel *NumberImagesLab = nullptr;
    QLineEdit *NumberImagesEdit = nullptr;
    QLabel *RotationAngleLab = nullptr;
    QLineEdit *RotationAngleEdit = nullptr;
    QGroupBox *RotationDirRG = nullptr;
    QRadioButton *RotationDirButtons[2] = {};
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

    /// Closes the dialog: takes the radio groups and the edits into Options and sets accepted
    /// for OK only (Escape and the frame's close button count as Cancel).
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void EnableRotationControls();

    QButtonGroup *SaveAsGroup = nullptr;
    QButtonGroup *RotationDirGroup = nullptr;
};

/// The program's one SaveFrameDlg, or null before start-up and after it is destroyed.
extern TSaveFrameDlg *SaveFrameDlg;
