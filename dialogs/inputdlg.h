#pragma once

#include "model/inputformat.h"

#include <QDialog>

#include <utility>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

/// The "Input file options" dialog. It holds the program's input format; every change takes
/// effect at once, and OK and Cancel only close the dialog.
class TInputDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the dialog hidden on the Common layout with every layout at its defaults.
    explicit TInputDlg(QWidget *parent = nullptr);
    ~TInputDlg() override;

    /// The program's input format, read by the reader and the main window.
    InputFormat Format;

    /// Shows the settings of a layout kind (0 Common, 1 Table, 2 Custom, 3 XYZ) and makes it the
    /// kind used for the next file.
    void ShowKind(int kind);
    /// Shows the kind chosen in the radio group.
    void FormatRadioGroupClick(int kind);
    /// Restores the defaults of the shown kind only, and shows it again.
    void DefaultBtnClick();

    QGroupBox *FormatRadioGroup = nullptr;
    QRadioButton *FormatButtons[4] = {};
    QLabel *FirstLab = nullptr;
    QSpinBox *FirstUpDown = nullptr;
    QLabel *SkipLabel = nullptr;
    QSpinBox *SkipUpDown = nullptr;
    QCheckBox *FixedCheckBox = nullptr;
    QSpinBox *FixedUpDown = nullptr;
    QCheckBox *LineCheckBox = nullptr;
    QSpinBox *AtomsLineUpDown = nullptr;
    QLabel *AtomXYZLab = nullptr;
    QSpinBox *AtomXYZUpDown = nullptr;
    QCheckBox *ChargeCheckBox = nullptr;
    QSpinBox *ChargeUpDown = nullptr;
    QCheckBox *ImpulsCheckBox = nullptr;
    QSpinBox *ImpulsUpDown = nullptr;
    QCheckBox *OrbitalCheckBox = nullptr;
    QSpinBox *OrbitalUpDown = nullptr;
    QCheckBox *TimeCheckBox = nullptr;
    QSpinBox *TimeUpDown = nullptr;
    QCheckBox *EnergyCheckBox = nullptr;
    QSpinBox *EnergyUpDown = nullptr;
    QCheckBox *NameCheckBox = nullptr;
    QCheckBox *ConvertCheckBox = nullptr;
    QCheckBox *ReadCheckBox = nullptr;
    QPushButton *DefaultBtn = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    QSpinBox *addUpDown(const QString &name, int minimum, int LayoutSettings::*field);
    QCheckBox *addCheckBox(const QString &name, bool LayoutSettings::*field);
    void UpdateCaptions();
    void FixedCheckBoxClick(bool checked);
    void LineCheckBoxClick(bool checked);

    std::vector<std::pair<QSpinBox *, int LayoutSettings::*>> UpDowns;
    std::vector<std::pair<QCheckBox *, bool LayoutSettings::*>> CheckBoxes;
    // Set while the controls are filled from the settings, so that filling stores nothing.
    bool Showing = false;
};

/// The program's input-file options dialog, or null before start-up and after it is destroyed.
extern TInputDlg *InputDlg;
