#include "dialogs/chargedlg.h"

#include "dialogs/dialogparts.h"
#include "dialogs/mainformlink.h"
#include "render/spherepicture.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

TChargeDlg *ChargeDlg = nullptr;

namespace {

constexpr int ShownDigits = 4;

} // namespace

TChargeDlg::TChargeDlg(MainFormLink &main)
    : QDialog(main.Window())
    , Main(main)
{
    setObjectName(QStringLiteral("ChargeDlg"));
    setWindowTitle(QStringLiteral("Charge options"));
    buildUi();
    for (int i = 1; i <= ChargeGradient::LevelCount; ++i)
        AtomListBox->addItem(QString::fromStdString(Gradient.level(i).name));
    MinEdit->setText(generalText(Gradient.MinCharge, ShownDigits));
    MaxEdit->setText(generalText(Gradient.MaxCharge, ShownDigits));
    {
        const QSignalBlocker blocker(AtomListBox);
        AtomListBox->setCurrentRow(Gradient.CurrentLevel - 1);
    }
    ChargeDlg = this;
}

TChargeDlg::~TChargeDlg()
{
    detachControls(*this);
    if (ChargeDlg == this)
        ChargeDlg = nullptr;
}

void TChargeDlg::buildUi()
{
    setFixedSize(306, 207);

    Bevel1 = addBevel(this, "Bevel1", QRect(4, 4, 298, 48));
    Bevel2 = addBevel(this, "Bevel2", QRect(4, 56, 298, 116));

    Label2 = addLabel(this, "Label2", QStringLiteral("Charge"), QRect(12, 10, 50, 16));
    MinLabel = addLabel(this, "MinLabel", QStringLiteral("limits"), QRect(12, 28, 50, 16));
    Label1 = addLabel(this, "Label1", QStringLiteral("0%"), QRect(72, 18, 30, 16));
    MinEdit = addEdit(this, "MinEdit", 5, QRect(104, 16, 60, 22));
    MaxLabel = addLabel(this, "MaxLabel", QStringLiteral("100%"), QRect(176, 18, 36, 16));
    MaxEdit = addEdit(this, "MaxEdit", 5, QRect(214, 16, 60, 22));

    AtomListBox = addListBox(this, "AtomListBox", QRect(10, 62, 112, 104));
    ImageBtn = addButton(this, "ImageBtn", QString(), QRect(128, 62, 85, 85));
    LimitLabel = addLabel(this, "LimitLabel", QString(), QRect(220, 62, 76, 16));
    LimitUpDown = new QSpinBox(this);
    LimitUpDown->setObjectName(QStringLiteral("LimitUpDown"));
    LimitUpDown->setRange(0, 100);
    LimitUpDown->setSingleStep(1);
    LimitUpDown->setWrapping(false);
    LimitUpDown->setKeyboardTracking(false);
    LimitUpDown->setGeometry(220, 80, 76, 22);
    RadiusLabel = addLabel(this, "RadiusLabel", QStringLiteral("Radius"), QRect(220, 108, 76, 16));
    RadiusEdit = addEdit(this, "RadiusEdit", 5, QRect(220, 126, 76, 22));

    GradColBtn =
        addButton(this, "GradColBtn", QStringLiteral("Gradual colors"), QRect(10, 178, 96, 25));
    GradRadBtn =
        addButton(this, "GradRadBtn", QStringLiteral("Gradual radii"), QRect(110, 178, 96, 25));
    OKBtn = addButton(this, "OKBtn", QStringLiteral("OK"), QRect(226, 178, 75, 25));
    OKBtn->setDefault(true);

    connect(AtomListBox, &QListWidget::currentRowChanged, this, &TChargeDlg::AtomListBoxClick);
    connect(LimitUpDown, &QSpinBox::valueChanged, this, &TChargeDlg::LimitUpDownClick);
    onEditExit(RadiusEdit, [this] { RadiusEditExit(); });
    onEditExit(MinEdit, [this] { MinEditExit(); });
    onEditExit(MaxEdit, [this] { MaxEditExit(); });
    connect(ImageBtn, &QPushButton::clicked, this, &TChargeDlg::ImageBtnClick);
    connect(GradColBtn, &QPushButton::clicked, this, &TChargeDlg::GradColBtnClick);
    connect(GradRadBtn, &QPushButton::clicked, this, &TChargeDlg::GradRadBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void TChargeDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TChargeDlg::FormActivate()
{
    ShowCurrentLevel(Gradient.CurrentLevel);
}

void TChargeDlg::RedrawMain()
{
    Main.Redraw(nullptr, true);
}

void TChargeDlg::ShowCurrentLevel(int level)
{
    if (level < 1 || level > ChargeGradient::LevelCount)
        return;
    Gradient.CurrentLevel = level;
    AtomType &record = Gradient.level(level);
    DrawTypeImage(*ImageBtn, record, Main.BusyLine());
    RadiusEdit->setText(generalText(record.radius, ShownDigits));
    ShowLevelPercent(Gradient.LevelPercent(level));
}

void TChargeDlg::ShowLevelPercent(int percent)
{
    const int level = Gradient.CurrentLevel;
    {
        const QSignalBlocker blocker(LimitUpDown);
        LimitUpDown->setValue(percent);
    }
    LimitLabel->setText(QStringLiteral(" (%1%)").arg(percent));
    AtomType &record = Gradient.level(level);
    record.name = Gradient.LevelCaption(level);
    const QSignalBlocker blocker(AtomListBox);
    AtomListBox->item(level - 1)->setText(QString::fromStdString(record.name));
    AtomListBox->setCurrentRow(level - 1);
    RedrawMain();
}

void TChargeDlg::AtomListBoxClick(int row)
{
    ShowCurrentLevel(row + 1);
}

void TChargeDlg::LimitUpDownClick(int position)
{
    Gradient.SetLevelThreshold(Gradient.CurrentLevel, position);
    ShowLevelPercent(position);
}

void TChargeDlg::RadiusEditExit()
{
    AtomType &record = Gradient.level(Gradient.CurrentLevel);
    if (const std::optional<double> radius = typedRadius(*RadiusEdit, record.radius, ShownDigits)) {
        record.radius = *radius;
        RedrawMain();
    }
}

void TChargeDlg::MinEditExit()
{
    UpdateLimits();
}

void TChargeDlg::MaxEditExit()
{
    UpdateLimits();
}

void TChargeDlg::UpdateLimits()
{
    // Limits shown with 4 digits must not be rounded by merely passing through an edit.
    const bool minimumTyped = takeTypedText(*MinEdit);
    const bool maximumTyped = takeTypedText(*MaxEdit);
    if (!minimumTyped && !maximumTyped)
        return;
    const double minimum = blankEndedNumber(MinEdit->text()).value_or(Gradient.MinCharge);
    const double maximum = blankEndedNumber(MaxEdit->text()).value_or(Gradient.MaxCharge);
    if (Gradient.SetLimits(minimum, maximum))
        RedrawMain();
}

void TChargeDlg::ImageBtnClick()
{
    if (pickTypeColor(Main, *ImageBtn, Gradient.level(Gradient.CurrentLevel)))
        RedrawMain();
}

void TChargeDlg::GradColBtnClick()
{
    StatusSink *status = Main.BusyLine();
    Gradient.SpreadColors([status](AtomType &record) { renderSphereImages(record, status); });
    // the current level may have changed colour too
    DrawTypeImage(*ImageBtn, Gradient.level(Gradient.CurrentLevel), status);
    RedrawMain();
}

void TChargeDlg::GradRadBtnClick()
{
    Gradient.SpreadRadii();
    // the edit must not keep an old radius that leaving it would store again
    RadiusEdit->setText(generalText(Gradient.level(Gradient.CurrentLevel).radius, ShownDigits));
    RedrawMain();
}
