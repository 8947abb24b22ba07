#pragma once

#include <QDialog>

/// Which frames saving a trajectory writes.
class TOutputDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden; it lives until the program ends.
    explicit TOutputDlg(QWidget *parent = nullptr);
    ~TOutputDlg() override;
};

/// The program's one OutputDlg, or null before start-up and after it is destroyed.
extern TOutputDlg *OutputDlg;
