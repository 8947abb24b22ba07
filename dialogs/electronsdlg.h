#pragma once

#include <QDialog>

/// How electron clouds are computed and drawn.
class TElectronsDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden; it lives until the program ends.
    explicit TElectronsDlg(QWidget *parent = nullptr);
    ~TElectronsDlg() override;
};

/// The program's one ElectronsDlg, or null before start-up and after it is destroyed.
extern TElectronsDlg *ElectronsDlg;
