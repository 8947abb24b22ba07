#pragma once

#include <QDialog>

/// The zoom factors of the view and the fit mode.
class TZoomDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden; it lives until the program ends.
    explicit TZoomDlg(QWidget *parent = nullptr);
    ~TZoomDlg() override;
};

/// The program's one ZoomDlg, or null before start-up and after it is destroyed.
extern TZoomDlg *ZoomDlg;
