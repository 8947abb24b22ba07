#pragma once

#include "model/chargegradient.h"

#include <QDialog>

/// The charge limits and the colour and radius of each charge level.
class TChargeDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden; it lives until the program ends.
    explicit TChargeDlg(QWidget *parent = nullptr);
    ~TChargeDlg() override;

    /// The program's charge gradient: the colours and radii of atoms drawn by charge, built
    /// with its ten levels as the dialog is created.
    ChargeGradient Gradient;
};

/// The program's one ChargeDlg, or null before start-up and after it is destroyed.
extern TChargeDlg *ChargeDlg;
