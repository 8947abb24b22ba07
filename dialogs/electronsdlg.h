#pragma once

#include <QDialog>

class MainFormLink;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
struct DisplayState;

/// The "Electrons visualisation settings " dialog: how electron clouds are computed and drawn.
/// Every change goes to the main window's settings at once; only the settings the quick model
/// uses redraw the view while the dialog is open. Shown modally with exec() by the electrons
/// menu command and by the details window, each of which redraws the view afterwards.
class TElectronsDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden over the main window's electron settings; it lives until the
    /// program ends.
    explicit TElectronsDlg(MainFormLink &main);
    ~TElectronsDlg() override;

    /// Shows the settings in the controls, the minimum slider at the position that gives the
    /// current model's stored minimum.
    void FormActivate();
    /// Makes the item the drawing model (0 Quick, 1 3D) and brings the minimum label and
    /// slider and the enabled states into line with it.
    void DrawingModelRGClick(int index);
    void CompModelRGClick(int index);
    void MinimumTrackBarChange(int position);
    void BrightnessTrackBarChange(int position);
    void AbsorptionTrackBarChange(int position);
    void ToneTrackBarChange(int position);
    void ToneCBClick(bool checked);
    void ChargeCheckBoxClick(bool checked);

    QGroupBox *DrawingModelRG = nullptr;
    QRadioButton *DrawingModelButtons[2] = {};
    QGroupBox *CompModelRG = nullptr;
    QRadioButton *CompModelButtons[2] = {};
    QCheckBox *ChargeCheckBox = nullptr;
    QLabel *MinimumLabel = nullptr;
    QSlider *MinimumTrackBar = nullptr;
    QLabel *BrightnessLabel = nullptr;
    QSlider *BrightnessTrackBar = nullptr;
    QLabel *AbsorptionLabel = nullptr;
    QSlider *AbsorptionTrackBar = nullptr;
    QCheckBox *ToneCB = nullptr;
    QSlider *ToneTrackBar = nullptr;
    QPushButton *OKBtn = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    QSlider *addSlider(const char *name);
    void UpdateEnabled();
    /// The main window's electron settings.
    DisplayState &Settings();

    MainFormLink &Main;
};

/// The program's one ElectronsDlg, or null before start-up and after it is destroyed.
extern TElectronsDlg *ElectronsDlg;
