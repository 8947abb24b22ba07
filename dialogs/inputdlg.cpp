#include "dialogs/inputdlg.h"

#include "dialogs/dialogparts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

TInputDlg *InputDlg = nullptr;

TInputDlg::TInputDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("InputDlg"));
    setWindowTitle(QStringLiteral("Input file options"));
    // The format starts with every layout at its defaults, Common selected, opening by
    // extension on.
    Format = InputFormat{};
    buildUi();
    ShowKind(0);
    InputDlg = this;
}

TInputDlg::~TInputDlg()
{
    detachControls(*this);
    if (InputDlg == this)
        InputDlg = nullptr;
}

QSpinBox *TInputDlg::addUpDown(const QString &name, int minimum, int LayoutSettings::*field)
{
    auto *upDown = new QSpinBox(this);
    upDown->setObjectName(name);
    upDown->setRange(minimum, 100);
    upDown->setWrapping(false);
    upDown->setAlignment(Qt::AlignRight);
    UpDowns.emplace_back(upDown, field);
    connect(upDown, &QSpinBox::valueChanged, this, [this, field](int value) {
        if (Showing)
            return;
        Format.current().*field = value;
        UpdateCaptions();
    });
    return upDown;
}

QCheckBox *TInputDlg::addCheckBox(const QString &name, bool LayoutSettings::*field)
{
    auto *checkBox = new QCheckBox(this);
    checkBox->setObjectName(name);
    CheckBoxes.emplace_back(checkBox, field);
    connect(checkBox, &QCheckBox::toggled, this, [this, field](bool checked) {
        if (!Showing)
            Format.current().*field = checked;
    });
    return checkBox;
}

void TInputDlg::buildUi()
{
    QButtonGroup *formatButtons = nullptr;
    FormatRadioGroup =
        makeRadioGroup(this, QStringLiteral("FormatRadioGroup"), QStringLiteral("Format"),
            {QStringLiteral("Common (*.XYZ)"), QStringLiteral("Table (*.PRN)"),
                QStringLiteral("Custom (*.TXT)"), QStringLiteral("XYZ (*.XYZ, *.EXTXYZ)")},
            FormatButtons, formatButtons);
    connect(formatButtons, &QButtonGroup::idClicked, this, &TInputDlg::FormatRadioGroupClick);

    FirstLab = new QLabel(this);
    FirstLab->setObjectName(QStringLiteral("FirstLab"));
    FirstUpDown = addUpDown(QStringLiteral("FirstUpDown"), 1, &LayoutSettings::firstAtomLine);
    SkipLabel = new QLabel(this);
    SkipLabel->setObjectName(QStringLiteral("SkipLabel"));
    SkipUpDown = addUpDown(QStringLiteral("SkipUpDown"), 0, &LayoutSettings::skipLines);

    // The pair is exclusive, so it is wired by hand rather than as two plain switches.
    FixedCheckBox = new QCheckBox(this);
    FixedCheckBox->setObjectName(QStringLiteral("FixedCheckBox"));
    connect(FixedCheckBox, &QCheckBox::toggled, this, &TInputDlg::FixedCheckBoxClick);
    FixedUpDown = addUpDown(QStringLiteral("FixedUpDown"), 1, &LayoutSettings::fixedAtomCount);
    LineCheckBox = new QCheckBox(this);
    LineCheckBox->setObjectName(QStringLiteral("LineCheckBox"));
    connect(LineCheckBox, &QCheckBox::toggled, this, &TInputDlg::LineCheckBoxClick);
    AtomsLineUpDown =
        addUpDown(QStringLiteral("AtomsLineUpDown"), 1, &LayoutSettings::atomCountPosition);

    AtomXYZLab = new QLabel(this);
    AtomXYZLab->setObjectName(QStringLiteral("AtomXYZLab"));
    AtomXYZUpDown = addUpDown(QStringLiteral("AtomXYZUpDown"), 1, &LayoutSettings::xyzPosition);
    ChargeCheckBox = addCheckBox(QStringLiteral("ChargeCheckBox"), &LayoutSettings::readCharge);
    ChargeUpDown = addUpDown(QStringLiteral("ChargeUpDown"), 1, &LayoutSettings::chargePosition);
    ImpulsCheckBox = addCheckBox(QStringLiteral("ImpulsCheckBox"), &LayoutSettings::readImpulses);
    ImpulsUpDown = addUpDown(QStringLiteral("ImpulsUpDown"), 0, &LayoutSettings::impulsePosition);
    OrbitalCheckBox = addCheckBox(QStringLiteral("OrbitalCheckBox"), &LayoutSettings::readOrbitals);
    OrbitalUpDown = addUpDown(QStringLiteral("OrbitalUpDown"), 0, &LayoutSettings::orbitalPosition);
    TimeCheckBox = addCheckBox(QStringLiteral("TimeCheckBox"), &LayoutSettings::readTime);
    TimeUpDown = addUpDown(QStringLiteral("TimeUpDown"), 1, &LayoutSettings::timePosition);
    EnergyCheckBox = addCheckBox(QStringLiteral("EnergyCheckBox"), &LayoutSettings::readEnergy);
    EnergyUpDown = addUpDown(QStringLiteral("EnergyUpDown"), 1, &LayoutSettings::energyPosition);

    NameCheckBox = addCheckBox(QStringLiteral("NameCheckBox"), &LayoutSettings::readNames);
    NameCheckBox->setText(QStringLiteral("Read atom names"));
    ConvertCheckBox = addCheckBox(QStringLiteral("ConvertCheckBox"), &LayoutSettings::convertUnits);
    ConvertCheckBox->setText(QStringLiteral("Convert a. u. to \u00c5"));
    ReadCheckBox = new QCheckBox(QStringLiteral("Open by extension"), this);
    ReadCheckBox->setObjectName(QStringLiteral("ReadCheckBox"));
    ReadCheckBox->setChecked(true);
    connect(ReadCheckBox, &QCheckBox::toggled, this,
        [this](bool checked) { Format.openByExtension = checked; });

    DefaultBtn = new QPushButton(QStringLiteral("Set default"), this);
    DefaultBtn->setObjectName(QStringLiteral("DefaultBtn"));
    connect(DefaultBtn, &QPushButton::clicked, this, &TInputDlg::DefaultBtnClick);
    makeOkCancel(this, OKBtn, CancelBtn);

    auto *grid = new QGridLayout;
    const std::pair<QWidget *, QSpinBox *> rows[] = {
        {FirstLab, FirstUpDown},
        {SkipLabel, SkipUpDown},
        {FixedCheckBox, FixedUpDown},
        {LineCheckBox, AtomsLineUpDown},
        {AtomXYZLab, AtomXYZUpDown},
        {ChargeCheckBox, ChargeUpDown},
        {ImpulsCheckBox, ImpulsUpDown},
        {OrbitalCheckBox, OrbitalUpDown},
        {TimeCheckBox, TimeUpDown},
        {EnergyCheckBox, EnergyUpDown},
    };
    int row = 0;
    for (const auto &[caption, upDown] : rows) {
        grid->addWidget(caption, row, 0);
        grid->addWidget(upDown, row, 1);
        ++row;
    }
    grid->setColumnMinimumWidth(0, 200);

    auto *side = new QVBoxLayout;
    side->addWidget(FormatRadioGroup);
    side->addWidget(NameCheckBox);
    side->addWidget(ConvertCheckBox);
    side->addWidget(ReadCheckBox);
    side->addStretch();
    side->addWidget(DefaultBtn);
    side->addWidget(OKBtn);
    side->addWidget(CancelBtn);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(side);
}

void TInputDlg::showEvent(QShowEvent *event)
{
    ShowKind(Format.kind);
    QDialog::showEvent(event);
}

void TInputDlg::ShowKind(int kind)
{
    Format.kind = InputFormat::clampKind(kind);
    const LayoutSettings &settings = Format.current();
    Showing = true;
    for (const auto &[upDown, field] : UpDowns)
        upDown->setValue(settings.*field);
    for (const auto &[checkBox, field] : CheckBoxes)
        checkBox->setChecked(settings.*field);
    FixedCheckBox->setChecked(settings.useFixedCount);
    LineCheckBox->setChecked(!settings.useFixedCount);
    FormatButtons[Format.kind]->setChecked(true);
    ReadCheckBox->setChecked(Format.openByExtension);
    // XYZ files find their count, comment and atoms themselves: only the lines to skip, the
    // unit and the three switches of optional columns apply to them.
    const bool positioned = Format.kind != static_cast<int>(LayoutKind::XYZ);
    for (QWidget *control : std::initializer_list<QWidget *>{FirstUpDown, FixedCheckBox,
             FixedUpDown, LineCheckBox, AtomsLineUpDown, AtomXYZUpDown, ChargeUpDown, ImpulsUpDown,
             OrbitalUpDown, TimeCheckBox, TimeUpDown, EnergyCheckBox, EnergyUpDown, NameCheckBox})
        control->setEnabled(positioned);
    Showing = false;
    UpdateCaptions();
}

void TInputDlg::FormatRadioGroupClick(int kind)
{
    ShowKind(kind);
}

void TInputDlg::DefaultBtnClick()
{
    Format.setDefault(Format.kind);
    ShowKind(Format.kind);
}

void TInputDlg::FixedCheckBoxClick(bool checked)
{
    if (Showing)
        return;
    Format.current().useFixedCount = checked;
    LineCheckBox->setChecked(!checked);
}

void TInputDlg::LineCheckBoxClick(bool checked)
{
    if (Showing)
        return;
    Format.current().useFixedCount = !checked;
    FixedCheckBox->setChecked(!checked);
}

void TInputDlg::UpdateCaptions()
{
    const LayoutSettings &s = Format.current();
    const bool table = Format.kind == 1;
    const auto withValue = [](const char *text, int value) {
        return QString::fromLatin1(text) + QString::number(value);
    };
    FirstLab->setText(withValue("First atom in frame on line ", s.firstAtomLine));
    SkipLabel->setText(QStringLiteral("Skip %1 lines").arg(s.skipLines));
    FixedCheckBox->setText(withValue("Fixed number of atoms ", s.fixedAtomCount));
    LineCheckBox->setText(withValue(
        table ? "Number of atoms at column " : "Number of atoms on line ", s.atomCountPosition));
    AtomXYZLab->setText(
        withValue(table ? "Atom XYZ from column " : "Atom XYZ from position ", s.xyzPosition));
    ChargeCheckBox->setText(
        withValue(table ? "First CHARGE at column " : "CHARGE on position ", s.chargePosition));
    ImpulsCheckBox->setText(
        withValue(table ? "First IMPULS at column " : "IMPULSES on position ", s.impulsePosition));
    OrbitalCheckBox->setText(withValue(
        table ? "First ORBITAL at column " : "ORBITAL coefs. on position ", s.orbitalPosition));
    TimeCheckBox->setText(withValue(table ? "TIME at column " : "TIME on line ", s.timePosition));
    EnergyCheckBox->setText(
        withValue(table ? "ENERGY at column " : "ENERGY on line ", s.energyPosition));
}
