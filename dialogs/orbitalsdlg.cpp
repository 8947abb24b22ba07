#include "dialogs/orbitalsdlg.h"

#include "dialogs/dialogparts.h"
#include "dialogs/mainformlink.h"
#include "model/frame.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <cstdint>

TOrbitalsDlg *OrbitalsDlg = nullptr;

namespace {

constexpr int CoefficientDigits = 8;

// Every function of the shells 1 to 3, each first with its numbers and then with its letters.
OrbitalList offeredTerms()
{
    OrbitalList terms;
    for (int n = 1; n <= 3; ++n)
        for (int l = 0; l < n; ++l)
            for (const bool letterForm : {false, true})
                for (int m = -l; m <= l; ++m)
                    terms.push_back(newTerm(n, l, 0.0, letterForm, m));
    return terms;
}

bool holdsEqual(std::span<const OrbitalTerm> list, const OrbitalTerm &term)
{
    return std::any_of(
        list.begin(), list.end(), [&term](const OrbitalTerm &t) { return termsEqual(t, term); });
}

} // namespace

TOrbitalsDlg::TOrbitalsDlg(MainFormLink &main)
    : QDialog(main.Window())
    , Main(main)
{
    setObjectName(QStringLiteral("OrbitalsDlg"));
    setWindowTitle(QStringLiteral("Orbital of atom XXX"));
    TemplateList = offeredTerms();
    buildUi();
    CurrentLine = 1;
    OrbitalsDlg = this;
}

TOrbitalsDlg::~TOrbitalsDlg()
{
    detachControls(*this);
    if (OrbitalsDlg == this)
        OrbitalsDlg = nullptr;
}

void TOrbitalsDlg::buildUi()
{
    OrbitalsLB = addListBox(this, "OrbitalsLB", QRect(8, 8, 132, 160));

    OrbitalTypeRG =
        makeRadioGroup(this, QStringLiteral("OrbitalTypeRG"), QStringLiteral("Type of orbitals"),
            {QStringLiteral("Hydrogen type"), QStringLiteral("Slater type"),
                QStringLiteral("Gauss type")},
            OrbitalTypeButtons, FamilyButtons);
    OrbitalTypeRG->setGeometry(146, 4, 102, 84);
    OrbitalTypeButtons[0]->setChecked(true);

    CoeficientLabel =
        addLabel(this, "CoeficientLabel", QStringLiteral("Coeficient"), QRect(146, 92, 102, 16));
    CoeficientEdit = addEdit(this, "CoeficientEdit", 8, QRect(146, 110, 102, 22));
    DefaultBut = addButton(
        this, "DefaultBut", QStringLiteral("Default coeficients"), QRect(146, 138, 102, 25));
    NormBut =
        addButton(this, "NormBut", QStringLiteral("Norm coeficients"), QRect(8, 178, 110, 25));
    ShowAllOrbitalsCB = new QCheckBox(QStringLiteral("Show all orbitals"), this);
    ShowAllOrbitalsCB->setObjectName(QStringLiteral("ShowAllOrbitalsCB"));
    ShowAllOrbitalsCB->setGeometry(124, 166, 124, 14);

    // The right-hand column is 102 pixels wide unless the font needs more for a caption; then
    // it, the controls below and the window grow, so no caption is cut.
    int column = 102;
    for (const QWidget *control : {static_cast<QWidget *>(OrbitalTypeRG),
             static_cast<QWidget *>(CoeficientLabel), static_cast<QWidget *>(DefaultBut)})
        column = std::max(column, captionWidth(*control));
    for (QWidget *control :
        {static_cast<QWidget *>(OrbitalTypeRG), static_cast<QWidget *>(CoeficientLabel),
            static_cast<QWidget *>(CoeficientEdit), static_cast<QWidget *>(DefaultBut)})
        control->resize(column, control->height());
    const int normRight = widenToCaption(*NormBut);
    ShowAllOrbitalsCB->move(std::max(124, normRight + 6), ShowAllOrbitalsCB->y());
    const int right = std::max(146 + column, widenToCaption(*ShowAllOrbitalsCB));
    setFixedSize(std::max(253, right + 5), 209);
    OKBtn = addButton(this, "OKBtn", QStringLiteral("OK"), QRect(width() - 80, 180, 75, 25));
    OKBtn->setDefault(true);

    connect(OrbitalsLB, &QListWidget::currentRowChanged, this, &TOrbitalsDlg::OrbitalsLBClick);
    connect(FamilyButtons, &QButtonGroup::idClicked, this, &TOrbitalsDlg::OrbitalTypeRGClick);
    onEditExit(CoeficientEdit, [this] { CoeficientEditExit(); });
    connect(DefaultBut, &QPushButton::clicked, this, &TOrbitalsDlg::DefaultButClick);
    connect(NormBut, &QPushButton::clicked, this, &TOrbitalsDlg::NormButClick);
    connect(ShowAllOrbitalsCB, &QCheckBox::clicked, this, &TOrbitalsDlg::ShowAllOrbitalsCBClick);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void TOrbitalsDlg::EditTypeOrbitals(AtomType &type)
{
    TargetType = &type;
    TargetAtomIndex = -1;
    exec();
}

bool TOrbitalsDlg::EditAtomOrbitals(int atomIndex)
{
    const Frame &frame = Main.ShownFrame();
    if (atomIndex < 0 || static_cast<std::size_t>(atomIndex) >= atomsIn(frame)
        || !frame.atoms[static_cast<std::size_t>(atomIndex)].type)
        return false;
    TargetAtomIndex = atomIndex;
    exec();
    return true;
}

FrameAtom *TOrbitalsDlg::TargetAtom() const
{
    if (!TargetFrame || TargetAtomIndex < 0
        || static_cast<std::size_t>(TargetAtomIndex) >= atomsIn(*TargetFrame))
        return nullptr;
    FrameAtom &atom = TargetFrame->atoms[static_cast<std::size_t>(TargetAtomIndex)];
    return atom.type ? &atom : nullptr;
}

int TOrbitalsDlg::Family() const
{
    return std::max(FamilyButtons->checkedId(), 0);
}

void TOrbitalsDlg::SetFamily(int family)
{
    OrbitalTypeButtons[family >= 0 && family < 3 ? family : 0]->setChecked(true);
}

void TOrbitalsDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TOrbitalsDlg::done(int result)
{
    // Escape or the window frame close the dialog before the edit loses the focus: a typed
    // coefficient is taken first, so the write-back sees it.
    CoeficientEditExit();
    FormClose();
    QDialog::done(result);
}

void TOrbitalsDlg::FormActivate()
{
    ResumePlaying = Main.IsPlaying();
    if (ResumePlaying)
        Main.Pause1Click();
    ResumeRotating = Main.IsRotating();
    if (ResumeRotating)
        Main.Rotate1Click();
    TargetFrame = nullptr;
    if (TargetAtomIndex < 0) {
        if (TargetType) {
            setWindowTitle(QString::fromStdString(TargetType->name));
            SetFamily(TargetType->orbitalFamily);
            MergeIntoTemplate(TargetType->orbitals);
        }
    } else {
        TargetFrame = &Main.ShownFrame();
        if (const FrameAtom *atom = TargetAtom()) {
            setWindowTitle(
                QString::fromStdString(atom->type->name) + QString::number(TargetAtomIndex + 1));
            UsesTypeOrbitals = atom->usesTypeOrbitals;
            if (UsesTypeOrbitals) {
                SetFamily(atom->type->orbitalFamily);
                MergeIntoTemplate(atom->type->orbitals);
            } else {
                SetFamily(atom->ownOrbitalFamily);
                MergeIntoTemplate(TargetFrame->ownOrbitals(*atom));
            }
        }
    }
    Open = true;
    FillList();
    CoeficientEdit->setFocus();
}

void TOrbitalsDlg::FormClose()
{
    if (!Open)
        return;
    Open = false;
    if (TargetAtomIndex < 0) {
        if (TargetType) {
            TargetType->orbitalFamily = Family();
            WriteBackTemplate(TargetType->orbitals);
        }
    } else if (FrameAtom *atom = TargetAtom()) {
        // a frame read on demand would be read again without the change
        Main.LoadedFrames().keep(Main.ShownFrameIndex());
        atom->usesTypeOrbitals = UsesTypeOrbitals;
        if (!UsesTypeOrbitals) {
            const std::span<const OrbitalTerm> own = TargetFrame->ownOrbitals(*atom);
            OrbitalList written(own.begin(), own.end());
            WriteBackTemplate(written);
            TargetFrame->setOwnOrbitals(*atom, written);
            atom->ownOrbitalFamily = static_cast<std::int8_t>(Family());
        }
    }
    TargetFrame = nullptr;
    if (ResumePlaying)
        Main.Forward1Click();
    if (ResumeRotating)
        Main.Rotate1Click();
}

void TOrbitalsDlg::MergeIntoTemplate(std::span<const OrbitalTerm> source)
{
    for (const OrbitalTerm &term : source) {
        const auto found = std::find_if(TemplateList.begin(), TemplateList.end(),
            [&term](const OrbitalTerm &t) { return termsEqual(t, term); });
        if (found != TemplateList.end())
            found->coefficient = term.coefficient;
        else if (term.coefficient != 0.0)
            TemplateList.push_back(cloneTerm(term));
    }
    for (OrbitalTerm &term : TemplateList)
        if (term.coefficient != 0.0 && !holdsEqual(source, term))
            term.coefficient = 0.0;
}

void TOrbitalsDlg::WriteBackTemplate(OrbitalList &target) const
{
    clearTerms(target);
    target.front().coefficient = 0.0;
    bool first = true;
    for (const OrbitalTerm &term : TemplateList) {
        if (term.coefficient == 0.0)
            continue;
        if (first)
            copyTerm(target.front(), term);
        else
            target.push_back(cloneTerm(term));
        first = false;
    }
}

QString TOrbitalsDlg::LineOf(const OrbitalTerm &term) const
{
    static const QString prefixes[3] = {
        QStringLiteral("H_like("), QStringLiteral("Slater("), QStringLiteral("Gauss(")};
    return prefixes[Family()] + QString::fromStdString(termLabel(term)) + QStringLiteral("), ")
        + generalText(term.coefficient, CoefficientDigits);
}

void TOrbitalsDlg::FillList()
{
    const QSignalBlocker blocker(OrbitalsLB);
    OrbitalsLB->clear();
    int firstActive = -1;
    for (const OrbitalTerm &term : TemplateList) {
        if (!ShowAllOrbitals && term.coefficient == 0.0)
            continue;
        if (firstActive < 0 && term.coefficient != 0.0)
            firstActive = OrbitalsLB->count();
        OrbitalsLB->addItem(LineOf(term));
    }
    SelectLine(firstActive + 1);
    OrbitalsLB->setCurrentRow(CurrentLine - 1);
}

void TOrbitalsDlg::SelectLine(int line)
{
    CurrentLine = line;
    CurrentTerm = -1;
    int listed = 0;
    for (std::size_t i = 0; i < TemplateList.size() && line > 0; ++i) {
        if (!ShowAllOrbitals && TemplateList[i].coefficient == 0.0)
            continue;
        if (++listed == line) {
            CurrentTerm = static_cast<int>(i);
            break;
        }
    }
    const double shown =
        CurrentTerm < 0 ? 0.0 : TemplateList[static_cast<std::size_t>(CurrentTerm)].coefficient;
    CoeficientEdit->setText(generalText(shown, CoefficientDigits));
}

void TOrbitalsDlg::OrbitalsLBClick(int row)
{
    SelectLine(row + 1);
    CoeficientEdit->setFocus();
}

void TOrbitalsDlg::OrbitalTypeRGClick(int)
{
    UsesTypeOrbitals = false;
    FillList();
}

void TOrbitalsDlg::CoeficientEditExit()
{
    // The edit shows 8 digits of the coefficient: passing through it must not round it.
    if (!takeTypedText(*CoeficientEdit) || CurrentTerm < 0)
        return;
    OrbitalTerm &term = TemplateList[static_cast<std::size_t>(CurrentTerm)];
    const std::optional<double> value = leadingNumber(CoeficientEdit->text());
    if (!value) {
        CoeficientEdit->setText(generalText(term.coefficient, CoefficientDigits));
        return;
    }
    if (*value == term.coefficient)
        return;
    UsesTypeOrbitals = false;
    term.coefficient = *value;
    if (QListWidgetItem *line = OrbitalsLB->item(CurrentLine - 1))
        line->setText(LineOf(term));
    const QSignalBlocker blocker(OrbitalsLB);
    OrbitalsLB->setCurrentRow(CurrentLine - 1);
}

void TOrbitalsDlg::DefaultButClick()
{
    UsesTypeOrbitals = true;
    if (TargetAtomIndex >= 0) {
        if (FrameAtom *atom = TargetAtom()) {
            SetFamily(atom->type->orbitalFamily);
            atom->usesTypeOrbitals = true;
            MergeIntoTemplate(atom->type->orbitals);
        }
    } else if (TargetType) {
        resetOrbitals(*TargetType, true);
        MergeIntoTemplate(TargetType->orbitals);
    }
    FillList();
}

void TOrbitalsDlg::NormButClick()
{
    double sum = 0.0;
    double largest = 0.0;
    for (const OrbitalTerm &term : TemplateList) {
        sum += term.coefficient * term.coefficient;
        largest = std::max(largest, std::fabs(term.coefficient));
    }
    if (largest == 0.0)
        return;
    // Squares beyond the double range either way are summed relative to the largest.
    const bool direct = std::isfinite(sum) && sum > 0.0;
    const double scale = direct ? 1.0 : largest;
    double divisor = std::sqrt(sum);
    if (!direct) {
        double scaled = 0.0;
        for (const OrbitalTerm &term : TemplateList)
            scaled += (term.coefficient / scale) * (term.coefficient / scale);
        divisor = std::sqrt(scaled);
    }
    bool changed = false;
    for (OrbitalTerm &term : TemplateList) {
        if (term.coefficient == 0.0)
            continue;
        const double normalised = term.coefficient / scale / divisor;
        changed = changed || normalised != term.coefficient;
        term.coefficient = normalised;
    }
    // A frame atom that still used its type's expansion would lose the normalised
    // coefficients at close; they are an edit like any other and give it its own list.
    if (changed)
        UsesTypeOrbitals = false;
    FillList();
}

void TOrbitalsDlg::ShowAllOrbitalsCBClick()
{
    ShowAllOrbitals = ShowAllOrbitalsCB->isChecked();
    FillList();
    CoeficientEdit->setFocus();
}
