#include "dialogs/atomsdlg.h"

#include "dialogs/dialogparts.h"
#include "dialogs/mainformlink.h"
#include "dialogs/orbitalsdlg.h"
#include "model/atomtype.h"
#include "render/displaystate.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

TAtomsDlg *AtomsDlg = nullptr;

namespace {

constexpr int ShownDigits = 5;

const char *const InUseWarning = "You can't delete this atom,\n"
                                 "because that may be used in a frame.\n"
                                 "To proceed this intention, please\n"
                                 "clear all frames opened by NEW command.";

} // namespace

TAtomsDlg::TAtomsDlg(MainFormLink &main)
    : QDialog(main.Window())
    , Main(main)
    , Table(main.TypeTable())
{
    setObjectName(QStringLiteral("AtomsDlg"));
    setWindowTitle(QStringLiteral("General settings of atoms"));
    buildUi();
    // The list is filled only here; afterwards the dialog's own edits, the only changes to the
    // table's membership, keep it in step line by line.
    for (const AtomType &type : Table)
        AtomListBox->addItem(LineOf(type));
    CurrentIndex = 1;
    SelectRow(0);
    ColorButtons->button(Main.Display().AtomColorMode == 1 ? 1 : 0)->setChecked(true);
    AtomsDlg = this;
}

TAtomsDlg::~TAtomsDlg()
{
    detachControls(*this);
    if (AtomsDlg == this)
        AtomsDlg = nullptr;
}

void TAtomsDlg::buildUi()
{
    setFixedSize(325, 239);

    Bevel1 = addBevel(this, "Bevel1", QRect(4, 4, 317, 152));
    AtomListBox = addListBox(this, "AtomListBox", QRect(10, 10, 110, 140));
    ImageBtn = addButton(this, "ImageBtn", QString(), QRect(126, 10, 88, 88));
    NameLabel = addLabel(this, "NameLabel", QStringLiteral("Name"), QRect(222, 10, 92, 16));
    NameEdit = addEdit(this, "NameEdit", 6, QRect(222, 26, 92, 22));
    RadiusLabel = addLabel(this, "RadiusLabel", QStringLiteral("Radius"), QRect(222, 52, 92, 16));
    RadiusEdit = addEdit(this, "RadiusEdit", 6, QRect(222, 68, 92, 22));
    ProtonsLabel =
        addLabel(this, "ProtonsLabel", QStringLiteral("Protons num."), QRect(222, 94, 92, 16));
    ProtonsEdit = addEdit(this, "ProtonsEdit", 3, QRect(222, 110, 92, 22));
    NewBtn = addButton(this, "NewBtn", QStringLiteral(" Add atom"), QRect(126, 104, 88, 22));
    DelBtn = addButton(this, "DelBtn", QStringLiteral("Remove atom"), QRect(126, 128, 88, 22));

    AtomLabel = makeRadioGroup(this, QStringLiteral("AtomLabel"), QStringLiteral("Atom labels"),
        {QStringLiteral("Names"), QStringLiteral("Charges")}, AtomLabelItems, LabelButtons);
    AtomColor = makeRadioGroup(this, QStringLiteral("AtomColor"), QStringLiteral("Atom colors"),
        {QStringLiteral("By name"), QStringLiteral("By charge")}, AtomColorItems, ColorButtons);
    AtomRadii = makeRadioGroup(this, QStringLiteral("AtomRadii"), QStringLiteral("Atom radii"),
        {QStringLiteral("By name"), QStringLiteral("By charge")}, AtomRadiiItems, RadiusButtons);
    for (QButtonGroup *group : {LabelButtons, ColorButtons, RadiusButtons})
        group->button(0)->setChecked(true);

    // The groups are 76 pixels wide unless the font needs more for their captions; then the
    // buttons and the window move out with them, so no caption is cut.
    int right = 4;
    for (QGroupBox *box : {AtomLabel, AtomColor, AtomRadii}) {
        const int width = std::max(76, captionWidth(*box));
        box->setGeometry(right, 160, width, 75);
        right += width + 4;
    }
    const int buttonsLeft = std::max(246, right + 2);
    OrbitalBut =
        addButton(this, "OrbitalBut", QStringLiteral("Orbital"), QRect(buttonsLeft, 170, 75, 25));
    OKBtn = addButton(this, "OKBtn", QStringLiteral("OK"), QRect(buttonsLeft, 206, 75, 25));
    OKBtn->setDefault(true);
    if (buttonsLeft + 79 > width()) {
        setFixedSize(buttonsLeft + 79, height());
        Bevel1->setGeometry(4, 4, width() - 8, 152);
    }

    connect(AtomListBox, &QListWidget::currentRowChanged, this, &TAtomsDlg::AtomListBoxClick);
    connect(LabelButtons, &QButtonGroup::idClicked, this, &TAtomsDlg::AtomLabelClick);
    connect(ColorButtons, &QButtonGroup::idClicked, this, &TAtomsDlg::AtomColorClick);
    connect(RadiusButtons, &QButtonGroup::idClicked, this, &TAtomsDlg::AtomRadiiClick);
    onEditExit(NameEdit, [this] { NameEditExit(); });
    onEditExit(RadiusEdit, [this] { RadiusEditExit(); });
    onEditExit(ProtonsEdit, [this] { ProtonsEditExit(); });
    connect(NewBtn, &QPushButton::clicked, this, &TAtomsDlg::NewBtnClick);
    connect(DelBtn, &QPushButton::clicked, this, &TAtomsDlg::DelBtnClick);
    connect(ImageBtn, &QPushButton::clicked, this, &TAtomsDlg::ImageBtnClick);
    connect(OrbitalBut, &QPushButton::clicked, this, &TAtomsDlg::OrbitalButClick);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

QString TAtomsDlg::LineOf(const AtomType &type)
{
    return QString::fromStdString(type.name) + QStringLiteral(" (")
        + generalText(type.radius, ShownDigits) + QStringLiteral(" \u00C5)");
}

AtomType &TAtomsDlg::CurrentType()
{
    CurrentIndex = std::clamp(CurrentIndex, 1, std::max(Table.size(), 1));
    return *Table.typeAt(CurrentIndex - 1);
}

void TAtomsDlg::SelectRow(int row)
{
    const QSignalBlocker blocker(AtomListBox);
    AtomListBox->setCurrentRow(row);
}

void TAtomsDlg::RedrawMain()
{
    Main.Redraw(nullptr, true);
}

void TAtomsDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TAtomsDlg::FormActivate()
{
    // The switches follow the main window, which the electrons switch also changes.
    const ::DisplayState &display = Main.Display();
    LabelButtons->button(display.LabelKind == 1 ? 1 : 0)->setChecked(true);
    ColorButtons->button(display.AtomColorMode == 1 ? 1 : 0)->setChecked(true);
    RadiusButtons->button(display.AtomRadiusMode == 1 ? 1 : 0)->setChecked(true);
    ShowType(CurrentIndex);
}

void TAtomsDlg::ShowType(int index)
{
    CurrentIndex = index;
    AtomType &type = CurrentType();
    DrawTypeImage(*ImageBtn, type, Main.BusyLine());
    NameEdit->setText(QString::fromStdString(type.name));
    RadiusEdit->setText(generalText(type.radius, ShownDigits));
    ProtonsEdit->setText(generalText(type.protons, ShownDigits));
}

void TAtomsDlg::AtomListBoxClick(int row)
{
    if (row >= 0)
        ShowType(row + 1);
}

void TAtomsDlg::RefreshCurrentLine()
{
    if (QListWidgetItem *line = AtomListBox->item(CurrentIndex - 1))
        line->setText(LineOf(CurrentType()));
    SelectRow(CurrentIndex - 1);
}

void TAtomsDlg::NameEditExit()
{
    if (!takeTypedText(*NameEdit))
        return;
    AtomType &type = CurrentType();
    const std::string name = NameEdit->text().toStdString();
    if (name == type.name)
        return;
    type.name = name;
    RefreshCurrentLine();
    RedrawMain();
}

void TAtomsDlg::RadiusEditExit()
{
    AtomType &type = CurrentType();
    if (const std::optional<double> radius = typedRadius(*RadiusEdit, type.radius, ShownDigits)) {
        type.radius = *radius;
        RefreshCurrentLine();
        RedrawMain();
    }
}

void TAtomsDlg::ProtonsEditExit()
{
    if (!takeTypedText(*ProtonsEdit))
        return;
    AtomType &type = CurrentType();
    const int protons = editInteger(ProtonsEdit->text());
    if (protons < 1 || protons > 200) {
        ProtonsEdit->setText(generalText(type.protons, 3));
        return;
    }
    // the orbitals follow the new number only when they are reset to their defaults
    type.protons = protons;
}

void TAtomsDlg::NewBtnClick()
{
    const AtomType &added = Table.addTypeAfter(CurrentType());
    {
        const QSignalBlocker blocker(AtomListBox);
        AtomListBox->insertItem(CurrentIndex, LineOf(added));
    }
    ShowType(CurrentIndex + 1);
    SelectRow(CurrentIndex - 1);
}

void TAtomsDlg::DelBtnClick()
{
    AtomType &type = CurrentType();
    const bool wasLast = CurrentIndex == Table.size();
    if (OrbitalsDlg && OrbitalsDlg->TargetType == &type)
        OrbitalsDlg->TargetType = nullptr;
    switch (Table.removeUnusedType(type, Main.LoadedFrames())) {
    case AtomTypeTable::RemoveRefusal::MayBeInUse:
        Main.MessageBoxes().show("WARNING", InUseWarning);
        return;
    case AtomTypeTable::RemoveRefusal::OnlyType:
        Main.MessageBoxes().show("WARNING", "You can't delete odd atom!");
        return;
    case AtomTypeTable::RemoveRefusal::None:
        break;
    }
    {
        const QSignalBlocker blocker(AtomListBox);
        delete AtomListBox->takeItem(CurrentIndex - 1);
    }
    if (wasLast)
        --CurrentIndex;
    SelectRow(CurrentIndex - 1);
    ShowType(CurrentIndex);
}

void TAtomsDlg::AtomLabelClick(int item)
{
    ::DisplayState &display = Main.Display();
    display.LabelKind = item;
    // choosing what the labels show also shows them
    display.ShowLabels = true;
    RedrawMain();
}

void TAtomsDlg::AtomColorClick(int item)
{
    Main.Display().AtomColorMode = item;
    RedrawMain();
}

void TAtomsDlg::AtomRadiiClick(int item)
{
    Main.Display().AtomRadiusMode = item;
    RedrawMain();
}

void TAtomsDlg::ImageBtnClick()
{
    if (pickTypeColor(Main, *ImageBtn, CurrentType()))
        RedrawMain();
}

void TAtomsDlg::OrbitalButClick()
{
    if (OrbitalsDlg)
        OrbitalsDlg->EditTypeOrbitals(CurrentType());
}
