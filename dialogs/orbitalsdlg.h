#pragma once

#include <QDialog>

/// The orbital expansion of an atom type or of one frame atom.
class TOrbitalsDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden; it lives until the program ends.
    explicit TOrbitalsDlg(QWidget *parent = nullptr);
    ~TOrbitalsDlg() override;
};

/// The program's one OrbitalsDlg, or null before start-up and after it is destroyed.
extern TOrbitalsDlg *OrbitalsDlg;
