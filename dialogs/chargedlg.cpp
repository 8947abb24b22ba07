#include "dialogs/chargedlg.h"

#include "dialogs/dialogsupport.h"
#include "dialogs/mainformlink.h"
#include "render/spherepicture.h"

#include <QFrame>
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
    if (ChargeDlg == this)
        ChargeDlg = nullptr;
}

void TChargeDlg::buildUi()
{
    setFixedSize(306, 207);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(4, 4, 298, 48);
    Bevel2 = new QFrame(this);
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setFrameShape(QFrame::Box);
    Bevel2->setFrameShadow(QFrame::Sunken);
    Bevel2->setGeometry(4, 56, 298, 116);

    const auto label = [this](const char *name, const QString &text, QRect where) {
        auto *created = new QLabel(text, this);
        created->setObjectName(QString::fromLatin1(name));
        created->setGeometry(where);
        return created;
    };
    const auto edit = [this](const char *name, QRect where) {
        auto *created = new QLineEdit(this);
        created->setObjectName(QString::fromLatin1(name));
        created->setMaxLength(5);
        created->setGeometry(where);
        return created;
    };
    const auto button = [this](const char *name, const QString &text, QRect where) {
        auto *created = new QPushButton(text, this);
        created->setObjectName(QString::fromLatin1(name));
        created->setGeometry(where);
        return created;
    };

    Label2 = label("Label2", QStringLiteral("Charge"), QRect(12, 10, 50, 16));
    MinLabel = label("MinLabel", QStringLiteral("limits"), QRect(12, 28, 50, 16));
    Label1 = label("Label1", QStringLiteral("0%"), QRect(72, 18, 30, 16));
    MinEdit = edit("MinEdit", QRect(104, 16, 60, 22));
    MaxLabel = label("MaxLabel", QStringLiteral("100%"), QRect(176, 18, 36, 16));
    MaxEdit = edit("MaxEdit", QRect(214, 16, 60, 22));

    AtomListBox = new QListWidget(this);
    AtomListBox->setObjectName(QStringLiteral("AtomListBox"));
    AtomListBox->setGeometry(10, 62, 112, 104);
    ImageBtn = button("ImageBtn", QString(), QRect(128, 62, 85, 85));
    LimitLabel = label("LimitLabel", QString(), QRect(220, 62, 76, 16));
    LimitUpDown = new QSpinBox(this);
    LimitUpDown->setObjectName(QStringLiteral("LimitUpDown"));
    LimitUpDown->setRange(0, 100);
    LimitUpDown->setSingleStep(1);
    LimitUpDown->setWrapping(false);
    LimitUpDown->setKeyboardTracking(false);
    LimitUpDown->setGeometry(220, 80, 76, 22);
    RadiusLabel = label("RadiusLabel", QStringLiteral("Radius"), QRect(220, 108, 76, 16));
    RadiusEdit = edit("RadiusEdit", QRect(220, 126, 76, 22));

    GradColBtn = button("GradColBtn", QStringLiteral("Gradual colors"), QRect(10, 178, 96, 25));
    GradRadBtn = button("GradRadBtn", QStringLiteral("Gradual radii"), QRect(110, 178, 96, 25));
    OKBtn = button("OKBtn", QStringLiteral("OK"), QRect(226, 178, 75, 25));
    OKBtn->setDefault(true);

    connect(AtomListBox, &QListWidget::currentRowChanged, this, &TChargeDlg::AtomListBoxClick);
    connect(LimitUpDown, &QSpinBox::valueChanged, this, &TChargeDlg::LimitUpDownClick);
    connect(RadiusEdit, &QLineEdit::editingFinished, this, &TChargeDlg::RadiusEditExit);
    connect(MinEdit, &QLineEdit::editingFinished, this, &TChargeDlg::MinEditExit);
    connect(MaxEdit, &QLineEdit::editingFinished, this, &TChargeDlg::MaxEditExit);
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
    // Leaving the edit untouched keeps the radius: the text shows only 4 digits of it.
    if (!RadiusEdit->isModified())
        return;
    RadiusEdit->setModified(false);
    AtomType &record = Gradient.level(Gradient.CurrentLevel);
    const std::optional<double> radius = leadingNumber(RadiusEdit->text());
    if (!radius || *radius < 0.01 || *radius > 100.0) {
        RadiusEdit->setText(generalText(record.radius, ShownDigits));
        return;
    }
    if (*radius == record.radius)
        return;
    record.radius = *radius;
    RedrawMain();
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
    if (!MinEdit->isModified() && !MaxEdit->isModified())
        return;
    MinEdit->setModified(false);
    MaxEdit->setModified(false);
    const double minimum = blankEndedNumber(MinEdit->text()).value_or(Gradient.MinCharge);
    const double maximum = blankEndedNumber(MaxEdit->text()).value_or(Gradient.MaxCharge);
    if (Gradient.SetLimits(minimum, maximum))
        RedrawMain();
}

void TChargeDlg::ImageBtnClick()
{
    AtomType &record = Gradient.level(Gradient.CurrentLevel);
    const std::optional<std::uint32_t> chosen = Main.PickColor(record.color);
    if (!chosen)
        return;
    if (*chosen != record.color) {
        record.color = *chosen;
        renderSphereImages(record, Main.BusyLine());
        DrawTypeImage(*ImageBtn, record, Main.BusyLine());
    }
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
