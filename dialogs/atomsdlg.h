#pragma once

#include <QDialog>

/// The atom-type table and how atoms are labelled, coloured and sized.
class TAtomsDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden; it lives until the program ends.
    explicit TAtomsDlg(QWidget *parent = nullptr);
    ~TAtomsDlg() override;
};

/// The program's one AtomsDlg, or null before start-up and after it is destroyed.
extern TAtomsDlg *AtomsDlg;
