#pragma once

#include <QDialog>

/// The charge limits and the colour and radius of each charge level.
class TChargeDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden; it lives until the program ends.
    explicit TChargeDlg(QWidget *parent = nullptr);
    ~TChargeDlg() override;
};

/// The program's one ChargeDlg, or null before start-up and after it is destroyed.
extern TChargeDlg *ChargeDlg;
