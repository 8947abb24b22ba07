#include "dialogs/atomsdlg.h"

#include "dialogs/dialogsupport.h"
#include "dialogs/mainformlink.h"
#include "dialogs/orbitalsdlg.h"
#include "model/atomtype.h"
#include "render/spherepicture.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

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
    if (AtomsDlg == this)
        AtomsDlg = nullptr;
}

QGroupBox *TAtomsDlg::addSwitch(const char *name, const QString &title, const QString &first,
    const QString &second, QButtonGroup *&buttons, void (TAtomsDlg::*click)(int))
{
    auto *group = new QGroupBox(title, this);
    group->setObjectName(QString::fromLatin1(name));
    auto *layout = new QVBoxLayout(group);
    buttons = new QButtonGroup(this);
    const QString captions[2] = {first, second};
    for (int k = 0; k < 2; ++k) {
        auto *item = new QRadioButton(captions[k], group);
        item->setObjectName(QStringLiteral("%1Item%2").arg(QString::fromLatin1(name)).arg(k));
        buttons->addButton(item, k);
        layout->addWidget(item);
    }
    buttons->button(0)->setChecked(true);
    connect(buttons, &QButtonGroup::idClicked, this, click);
    return group;
}

void TAtomsDlg::buildUi()
{
    setFixedSize(325, 239);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(4, 4, 317, 152);

    AtomListBox = new QListWidget(this);
    AtomListBox->setObjectName(QStringLiteral("AtomListBox"));
    AtomListBox->setGeometry(10, 10, 110, 140);

    const auto button = [this](const char *name, const QString &text, QRect where) {
        auto *created = new QPushButton(text, this);
        created->setObjectName(QString::fromLatin1(name));
        created->setGeometry(where);
        return created;
    };
    const auto field = [this](const char *labelName, const QString &caption, const char *editName,
                           int maxLength, int top, QLabel *&label) {
        label = new QLabel(caption, this);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setGeometry(222, top, 92, 16);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setMaxLength(maxLength);
        edit->setGeometry(222, top + 16, 92, 22);
        return edit;
    };

    ImageBtn = button("ImageBtn", QString(), QRect(126, 10, 88, 88));
    NameEdit = field("NameLabel", QStringLiteral("Name"), "NameEdit", 6, 10, NameLabel);
    RadiusEdit = field("RadiusLabel", QStringLiteral("Radius"), "RadiusEdit", 6, 52, RadiusLabel);
    ProtonsEdit =
        field("ProtonsLabel", QStringLiteral("Protons num."), "ProtonsEdit", 3, 94, ProtonsLabel);
    NewBtn = button("NewBtn", QStringLiteral(" Add atom"), QRect(126, 104, 88, 22));
    DelBtn = button("DelBtn", QStringLiteral("Remove atom"), QRect(126, 128, 88, 22));

    AtomLabel = addSwitch("AtomLabel", QStringLiteral("Atom labels"), QStringLiteral("Names"),
        QStringLiteral("Charges"), LabelButtons, &TAtomsDlg::AtomLabelClick);
    AtomLabel->setGeometry(4, 160, 76, 75);
    AtomColor = addSwitch("AtomColor", QStringLiteral("Atom colors"), QStringLiteral("By name"),
        QStringLiteral("By charge"), ColorButtons, &TAtomsDlg::AtomColorClick);
    AtomColor->setGeometry(84, 160, 76, 75);
    AtomRadii = addSwitch("AtomRadii", QStringLiteral("Atom radii"), QStringLiteral("By name"),
        QStringLiteral("By charge"), RadiusButtons, &TAtomsDlg::AtomRadiiClick);
    AtomRadii->setGeometry(164, 160, 76, 75);

    OrbitalBut = button("OrbitalBut", QStringLiteral("Orbital"), QRect(246, 170, 75, 25));
    OKBtn = button("OKBtn", QStringLiteral("OK"), QRect(246, 206, 75, 25));
    OKBtn->setDefault(true);

    connect(AtomListBox, &QListWidget::currentRowChanged, this, &TAtomsDlg::AtomListBoxClick);
    connect(NameEdit, &QLineEdit::editingFinished, this, &TAtomsDlg::NameEditExit);
    connect(RadiusEdit, &QLineEdit::editingFinished, this, &TAtomsDlg::RadiusEditExit);
    connect(ProtonsEdit, &QLineEdit::editingFinished, this, &TAtomsDlg::ProtonsEditExit);
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
    if (!NameEdit->isModified())
        return;
    NameEdit->setModified(false);
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
    // Only typed text counts: the edit shows 5 digits of the radius.
    if (!RadiusEdit->isModified())
        return;
    RadiusEdit->setModified(false);
    AtomType &type = CurrentType();
    const std::optional<double> radius = leadingNumber(RadiusEdit->text());
    if (!radius || *radius < 0.01 || *radius > 100.0) {
        RadiusEdit->setText(generalText(type.radius, ShownDigits));
        return;
    }
    if (*radius == type.radius)
        return;
    type.radius = *radius;
    RefreshCurrentLine();
    RedrawMain();
}

void TAtomsDlg::ProtonsEditExit()
{
    if (!ProtonsEdit->isModified())
        return;
    ProtonsEdit->setModified(false);
    AtomType &type = CurrentType();
    const int protons = leadingWholeNumber(ProtonsEdit->text());
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
    AtomType &type = CurrentType();
    const std::optional<std::uint32_t> chosen = Main.PickColor(type.color);
    if (!chosen)
        return;
    if (*chosen != type.color) {
        type.color = *chosen;
        renderSphereImages(type, Main.BusyLine());
        DrawTypeImage(*ImageBtn, type, Main.BusyLine());
    }
    RedrawMain();
}

void TAtomsDlg::OrbitalButClick()
{
    if (OrbitalsDlg)
        OrbitalsDlg->EditTypeOrbitals(CurrentType());
}
