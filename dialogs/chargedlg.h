#pragma once

#include "model/chargegradient.h"

#include <QDialog>

class MainFormLink;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

/// The "Charge options" dialog: the charge limits and the threshold, colour and radius of
/// each charge level. Every edit takes effect at once and redraws the main window; OK only
/// closes the dialog.
class TChargeDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden, with the gradient at its start values; it lives until the
    /// program ends.
    explicit TChargeDlg(MainFormLink &main);
    ~TChargeDlg() override;

    /// The program's charge gradient: the colours and radii of atoms drawn by charge, built
    /// with its ten levels as the dialog is created.
    ChargeGradient Gradient;

    /// Shows the current level again (the dialog's activation).
    void FormActivate();
    /// Selects and shows level (1-based): its picture, radius and percent, and redraws.
    void ShowCurrentLevel(int level);
    /// Shows the level of the clicked line.
    void AtomListBoxClick(int row);
    /// Moves the current level's threshold to the up-down's percent.
    void LimitUpDownClick(int position);
    /// Takes a radius of 0.01 to 100; other text puts the level's radius back.
    void RadiusEditExit();
    /// Both limit edits: a text that is a number followed by nothing or a blank sets its
    /// limit; other text keeps the limit.
    void MinEditExit();
    void MaxEditExit();
    /// Picks the current level's colour.
    void ImageBtnClick();
    /// Spreads the colours between the end levels.
    void GradColBtnClick();
    /// Spreads the radii between the end levels.
    void GradRadBtnClick();

    QListWidget *AtomListBox = nullptr;
    QPushButton *ImageBtn = nullptr;
    QLabel *LimitLabel = nullptr;
    QSpinBox *LimitUpDown = nullptr;
    QLabel *RadiusLabel = nullptr;
    QLineEdit *RadiusEdit = nullptr;
    QPushButton *GradColBtn = nullptr;
    QPushButton *GradRadBtn = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *MinLabel = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *MinEdit = nullptr;
    QLabel *MaxLabel = nullptr;
    QLineEdit *MaxEdit = nullptr;
    QPushButton *OKBtn = nullptr;
    QFrame *Bevel1 = nullptr;
    QFrame *Bevel2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    /// Shows level percent p of the current level on the up-down and the label, renames the
    /// level and its line, selects it and redraws.
    void ShowLevelPercent(int percent);
    void UpdateLimits();
    void RedrawMain();

    MainFormLink &Main;
};

/// The program's one ChargeDlg, or null before start-up and after it is destroyed.
extern TChargeDlg *ChargeDlg;
