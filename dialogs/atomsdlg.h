#pragma once

#include <QDialog>

class AtomTypeTable;
class MainFormLink;
class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
struct AtomType;

/// The "General settings of atoms" dialog: the atom-type table (add, remove, name, radius,
/// protons, colour, orbitals) and how atoms are labelled, coloured and sized. Every change
/// takes effect at once; OK only closes the dialog.
class TAtomsDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden with one line per type of the main window's table; it lives
    /// until the program ends.
    explicit TAtomsDlg(MainFormLink &main);
    ~TAtomsDlg() override;

    /// 1-based position of the type shown; kept between openings.
    int CurrentIndex = 1;
    /// The type at CurrentIndex.
    AtomType &CurrentType();
    /// The list line of a type: "H (0.25 Å)".
    static QString LineOf(const AtomType &type);

    // The dialog's events.
    void FormActivate();
    void AtomListBoxClick(int row);
    void NameEditExit();
    void RadiusEditExit();
    void ProtonsEditExit();
    void NewBtnClick();
    void DelBtnClick();
    void AtomLabelClick(int item);
    void AtomColorClick(int item);
    void AtomRadiiClick(int item);
    void ImageBtnClick();
    void OrbitalButClick();

    QListWidget *AtomListBox = nullptr;
    QPushButton *ImageBtn = nullptr;
    QLabel *NameLabel = nullptr;
    QLineEdit *NameEdit = nullptr;
    QLabel *RadiusLabel = nullptr;
    QLineEdit *RadiusEdit = nullptr;
    QLabel *ProtonsLabel = nullptr;
    QLineEdit *ProtonsEdit = nullptr;
    QPushButton *NewBtn = nullptr;
    QPushButton *DelBtn = nullptr;
    QGroupBox *AtomLabel = nullptr;
    QGroupBox *AtomColor = nullptr;
    QGroupBox *AtomRadii = nullptr;
    QRadioButton *AtomLabelItems[2] = {};
    QRadioButton *AtomColorItems[2] = {};
    QRadioButton *AtomRadiiItems[2] = {};
    QPushButton *OrbitalBut = nullptr;
    QPushButton *OKBtn = nullptr;
    QFrame *Bevel1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    /// Shows the type at index (1-based): picture, name, radius, protons.
    void ShowType(int index);
    /// Puts the current type's line back after a change and selects it.
    void RefreshCurrentLine();
    void SelectRow(int row);
    void RedrawMain();

    MainFormLink &Main;
    AtomTypeTable &Table;
    QButtonGroup *LabelButtons = nullptr;
    QButtonGroup *ColorButtons = nullptr;
    QButtonGroup *RadiusButtons = nullptr;
};

/// The program's one AtomsDlg, or null before start-up and after it is destroyed.
extern TAtomsDlg *AtomsDlg;
