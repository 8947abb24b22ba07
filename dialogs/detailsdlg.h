#pragma once

#include <QDialog>

class MainFormLink;

/// The numbers of the picked atom or of the whole current frame, in a small window that stays
/// at the top right corner of the main window's client area.
class TDetailsDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden, 92 pixels wide, placed at the main window's top right corner.
    explicit TDetailsDlg(MainFormLink &main);
    ~TDetailsDlg() override;

    /// Rebuilds the caption and the lines from the main window's current frame and picked atom.
    void refreshDetails();
    /// Puts the window at the top right corner of the main window's client area.
    void placeDetails();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    MainFormLink &Main;
};

/// The program's details window, or null before start-up and after it is destroyed.
extern TDetailsDlg *DetailsDlg;
