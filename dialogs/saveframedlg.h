#pragma once

#include <QDialog>

/// Whether the current frame is saved as text, one picture or a series of turned pictures.
class TSaveFrameDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden; it lives until the program ends.
    explicit TSaveFrameDlg(QWidget *parent = nullptr);
    ~TSaveFrameDlg() override;
};

/// The program's one SaveFrameDlg, or null before start-up and after it is destroyed.
extern TSaveFrameDlg *SaveFrameDlg;
