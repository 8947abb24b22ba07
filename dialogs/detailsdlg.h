#pragma once

#include <QDialog>
#include <QStringList>

class MainFormLink;
struct Frame;
class QPlainTextEdit;
class QPushButton;

/// The numbers of the picked atom or of the whole current frame, in a small window that stays
/// on top at the top right corner of the main window's client area.
class TDetailsDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden, placed at the main window's top right corner, wide and high
    /// enough for every line it can show in its font.
    explicit TDetailsDlg(MainFormLink &main);
    ~TDetailsDlg() override;

    /// Rebuilds the caption, the lines and the button from the main window's current frame and
    /// picked atom: the atom's position, charge and impulse, and with bonds shown its bonded
    /// neighbours with the bonds' lengths; or, with no atom picked (or one the frame does not
    /// have), the frame's time, energy and totals.
    void refreshDetails();
    /// Puts the window at the top right corner of the main window's client area.
    void placeDetails();
    /// Opens the orbitals of the shown atom, or the electron-cloud settings for the frame, and
    /// redraws afterwards.
    void OrbitalButClick();
    /// Closing by the title bar switches the main window's details off.
    void FormClose();

    QPlainTextEdit *DetailsMemo = nullptr;
    QPushButton *OrbitalBut = nullptr;

    /// Escape closes the window as its title bar does.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    MainFormLink &Main;
    bool AtomShown = false; ///< the lines are an atom's, so the button opens its orbitals
    int LineHeight = 0;
    int MemoMargin = 0;
    int MemoWidth = 0;
    /// Makes the list high enough for the given number of lines (at least an atom's nine).
    void fitLines(int lines);
    /// The lines of the atom's bonds found for the frame shown, when bonds are shown.
    void addBondLines(QStringList &lines, const Frame &frame, int picked);
};

/// The program's details window, or null before start-up and after it is destroyed.
extern TDetailsDlg *DetailsDlg;
