#pragma once

#include "model/atomtype.h"

#include <QDialog>

#include <span>

class MainFormLink;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
struct Frame;
struct FrameAtom;

/// The orbital expansion of an atom type or of one atom of the shown frame. The dialog edits a
/// working list of every offered term, loaded from the target when it opens and written back
/// when it closes; animation and spin are paused while it is open.
class TOrbitalsDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the window hidden with the 28 offered terms; it lives until the program ends.
    explicit TOrbitalsDlg(MainFormLink &main);
    ~TOrbitalsDlg() override;

    /// Edits the type's own expansion in the modal dialog.
    void EditTypeOrbitals(AtomType &type);
    /// Edits the expansion of atom atomIndex (0-based) of the shown frame in the modal dialog;
    /// the caller redraws afterwards. Returns false, opening nothing, when the shown frame has
    /// no such atom.
    bool EditAtomOrbitals(int atomIndex);

    /// The type edited when TargetAtomIndex is negative.
    AtomType *TargetType = nullptr;
    /// -1: edit TargetType; otherwise the 0-based index of the atom of the shown frame.
    int TargetAtomIndex = -1;
    /// List the terms whose coefficient is 0 too.
    bool ShowAllOrbitals = false;
    /// Every offered term: the 28 of the shells 1 to 3, then any other term a target brought.
    OrbitalList TemplateList;

    // The dialog's events.
    void FormActivate();
    void FormClose();
    void OrbitalsLBClick(int row);
    void OrbitalTypeRGClick(int family);
    void CoeficientEditExit();
    void DefaultButClick();
    void NormButClick();
    void ShowAllOrbitalsCBClick();

    /// Puts the source's coefficients into TemplateList (every other term becomes 0), adding
    /// source terms it does not offer yet.
    void MergeIntoTemplate(std::span<const OrbitalTerm> source);
    /// Makes target the non-zero terms of TemplateList in order; with none, target keeps its
    /// first term alone with coefficient 0.
    void WriteBackTemplate(OrbitalList &target) const;

    QListWidget *OrbitalsLB = nullptr;
    QGroupBox *OrbitalTypeRG = nullptr;
    QRadioButton *OrbitalTypeButtons[3] = {};
    QLabel *CoeficientLabel = nullptr;
    QLineEdit *CoeficientEdit = nullptr;
    QPushButton *DefaultBut = nullptr;
    QPushButton *NormBut = nullptr;
    QCheckBox *ShowAllOrbitalsCB = nullptr;
    QPushButton *OKBtn = nullptr;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void FillList();
    void SelectLine(int line);
    QString LineOf(const OrbitalTerm &term) const;
    int Family() const;
    void SetFamily(int family);
    FrameAtom *TargetAtom() const;

    MainFormLink &Main;
    QButtonGroup *FamilyButtons = nullptr;
    Frame *TargetFrame = nullptr; ///< the frame of the edited atom, found at activation
    bool UsesTypeOrbitals = false; ///< the edited atom keeps using its type's expansion
    bool ResumePlaying = false;
    bool ResumeRotating = false;
    bool Open = false; ///< between activation and close
    int CurrentLine = 0; ///< 1-based among the listed terms; 0 none
    int CurrentTerm = -1; ///< index into TemplateList; -1 none
};

/// The program's one OrbitalsDlg, or null before start-up and after it is destroyed.
extern TOrbitalsDlg *OrbitalsDlg;
