#include "dialogs/electronsdlg.h"

#include "dialogs/dialogparts.h"
#include "dialogs/mainformlink.h"
#include "render/displaystate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

TElectronsDlg *ElectronsDlg = nullptr;

namespace {

// Each slider position stands for a multiple of its step.
constexpr double QuickMinimumStep = 0.01;
constexpr double ThreeDMinimumStep = 0.000004;
constexpr double LevelStep = 100.0;

// Sets a control without running its handler: the stored values stay exactly as they are.
void setPosition(QSlider *slider, int position)
{
    const QSignalBlocker blocker(slider);
    slider->setValue(position);
}

// Selects item index of a radio group of count items; any other index leaves it as it is.
void selectItem(QRadioButton *const *buttons, int count, int index)
{
    if (index >= 0 && index < count)
        buttons[index]->setChecked(true);
}

} // namespace

TElectronsDlg::TElectronsDlg(MainFormLink &main)
    : QDialog(main.Window())
    , Main(main)
{
    setObjectName(QStringLiteral("ElectronsDlg"));
    setWindowTitle(QStringLiteral("Electrons visualisation settings "));
    buildUi();
    ElectronsDlg = this;
}

TElectronsDlg::~TElectronsDlg()
{
    if (ElectronsDlg == this)
        ElectronsDlg = nullptr;
}

DisplayState &TElectronsDlg::Settings()
{
    return Main.Display();
}

QSlider *TElectronsDlg::addSlider(const char *name)
{
    auto *slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(QLatin1String(name));
    slider->setRange(0, 100);
    slider->setPageStep(20);
    slider->setTickInterval(5);
    slider->setTickPosition(QSlider::TicksBelow);
    return slider;
}

void TElectronsDlg::buildUi()
{
    // the form starts with no item selected; showing it selects the stored model's
    QButtonGroup *drawing = nullptr;
    DrawingModelRG =
        makeRadioGroup(this, QStringLiteral("DrawingModelRG"), QStringLiteral("Drawing model"),
            {QStringLiteral("Quick"), QStringLiteral("3D")}, DrawingModelButtons, drawing);
    connect(drawing, &QButtonGroup::idClicked, this, &TElectronsDlg::DrawingModelRGClick);
    QButtonGroup *computing = nullptr;
    CompModelRG =
        makeRadioGroup(this, QStringLiteral("CompModelRG"), QStringLiteral("Computing model"),
            {QStringLiteral("Sum of electron densities"), QStringLiteral("Sum of wave functions")},
            CompModelButtons, computing);
    connect(computing, &QButtonGroup::idClicked, this, &TElectronsDlg::CompModelRGClick);

    ChargeCheckBox =
        new QCheckBox(QStringLiteral("Multiply electron density by atom charge"), this);
    ChargeCheckBox->setObjectName(QStringLiteral("ChargeCheckBox"));
    connect(ChargeCheckBox, &QCheckBox::clicked, this, &TElectronsDlg::ChargeCheckBoxClick);

    MinimumLabel = new QLabel(QStringLiteral("Probability limit"), this);
    MinimumLabel->setObjectName(QStringLiteral("MinimumLabel"));
    MinimumTrackBar = addSlider("MinimumTrackBar");
    connect(MinimumTrackBar, &QSlider::valueChanged, this, &TElectronsDlg::MinimumTrackBarChange);

    BrightnessLabel = new QLabel(QStringLiteral("Brightness"), this);
    BrightnessLabel->setObjectName(QStringLiteral("BrightnessLabel"));
    BrightnessTrackBar = addSlider("BrightnessTrackBar");
    connect(
        BrightnessTrackBar, &QSlider::valueChanged, this, &TElectronsDlg::BrightnessTrackBarChange);

    AbsorptionLabel = new QLabel(QStringLiteral("Absorption"), this);
    AbsorptionLabel->setObjectName(QStringLiteral("AbsorptionLabel"));
    AbsorptionTrackBar = addSlider("AbsorptionTrackBar");
    connect(
        AbsorptionTrackBar, &QSlider::valueChanged, this, &TElectronsDlg::AbsorptionTrackBarChange);

    ToneCB = new QCheckBox(QStringLiteral("Tone"), this);
    ToneCB->setObjectName(QStringLiteral("ToneCB"));
    connect(ToneCB, &QCheckBox::clicked, this, &TElectronsDlg::ToneCBClick);
    ToneTrackBar = addSlider("ToneTrackBar");
    connect(ToneTrackBar, &QSlider::valueChanged, this, &TElectronsDlg::ToneTrackBarChange);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto *models = new QHBoxLayout;
    models->addWidget(DrawingModelRG);
    models->addWidget(CompModelRG);
    auto *levels = new QGridLayout;
    const std::pair<QWidget *, QSlider *> rows[] = {{MinimumLabel, MinimumTrackBar},
        {BrightnessLabel, BrightnessTrackBar}, {AbsorptionLabel, AbsorptionTrackBar},
        {ToneCB, ToneTrackBar}};
    int row = 0;
    for (const auto &[caption, slider] : rows) {
        levels->addWidget(caption, row, 0);
        levels->addWidget(slider, row++, 1);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(models);
    layout->addWidget(ChargeCheckBox);
    layout->addLayout(levels);
    layout->addLayout(buttons);
}

void TElectronsDlg::showEvent(QShowEvent *event)
{
    FormActivate();
    QDialog::showEvent(event);
}

void TElectronsDlg::FormActivate()
{
    ChargeCheckBox->setChecked(Settings().ChargeWeighted);
    selectItem(CompModelButtons, 2, Settings().ComputingModel);
    selectItem(DrawingModelButtons, 2, Settings().DrawingModel);
    DrawingModelRGClick(Settings().DrawingModel);
    setPosition(BrightnessTrackBar, static_cast<int>(Settings().Brightness * 0.01));
    setPosition(AbsorptionTrackBar, static_cast<int>(Settings().Absorption * 0.01));
    ToneCB->setChecked(Main.SceneSettings.toneBrightness);
    setPosition(ToneTrackBar, static_cast<int>(Settings().ToneLevel * 0.01));
    UpdateEnabled();
}

void TElectronsDlg::DrawingModelRGClick(int index)
{
    // the model changes first, so the slider's new position is not taken for the old model's
    Settings().DrawingModel = index;
    const bool threeD = index == 1;
    MinimumLabel->setText(
        threeD ? QStringLiteral("Minimal treshold") : QStringLiteral("Probability limit"));
    const double minimum = threeD ? Settings().Electron3DMinimum / ThreeDMinimumStep
                                  : Settings().ElectronQuickMinimum / QuickMinimumStep;
    setPosition(MinimumTrackBar, static_cast<int>(std::lround(minimum)));
    UpdateEnabled();
}

void TElectronsDlg::UpdateEnabled()
{
    const bool threeD = Settings().DrawingModel == 1;
    AbsorptionLabel->setEnabled(threeD);
    AbsorptionTrackBar->setEnabled(threeD);
    ToneCB->setEnabled(threeD);
    ToneTrackBar->setEnabled(threeD && ToneCB->isChecked());
}

void TElectronsDlg::CompModelRGClick(int index)
{
    Settings().ComputingModel = index;
}

void TElectronsDlg::MinimumTrackBarChange(int position)
{
    // only the quick model is cheap enough to follow the slider
    if (Settings().DrawingModel == 1) {
        Settings().Electron3DMinimum = position * ThreeDMinimumStep;
        return;
    }
    Settings().ElectronQuickMinimum = position * QuickMinimumStep;
    Main.Redraw(nullptr, true);
}

void TElectronsDlg::BrightnessTrackBarChange(int position)
{
    Settings().Brightness = position * LevelStep;
    if (Settings().DrawingModel == 0)
        Main.Redraw(nullptr, true);
}

void TElectronsDlg::AbsorptionTrackBarChange(int position)
{
    Settings().Absorption = position * LevelStep;
}

void TElectronsDlg::ToneTrackBarChange(int position)
{
    Settings().ToneLevel = position * LevelStep;
}

void TElectronsDlg::ToneCBClick(bool checked)
{
    Main.SceneSettings.toneBrightness = checked;
    UpdateEnabled();
}

void TElectronsDlg::ChargeCheckBoxClick(bool checked)
{
    Settings().ChargeWeighted = checked;
}
