#include "dialogs/saveframedlg.h"

#include "dialogs/dialogparts.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

TSaveFrameDlg *SaveFrameDlg = nullptr;

namespace {

// Takes an edit's number clamped to the limits into value and shows what was stored.
void storeClamped(QLineEdit *edit, int &value, int minimum, int maximum)
{
    value = std::clamp(editInteger(edit->text()), minimum, maximum);
    edit->setText(QString::number(value));
}

} // namespace

TSaveFrameDlg::TSaveFrameDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SaveFrameDlg"));
    setWindowTitle(QStringLiteral("Save frame options"));
    buildUi();
    FormActivate();
    SaveFrameDlg = this;
}

TSaveFrameDlg::~TSaveFrameDlg()
{
    detachControls(*this);
    if (SaveFrameDlg == this)
        SaveFrameDlg = nullptr;
}

void TSaveFrameDlg::buildUi()
{
    SaveAsRG = makeRadioGroup(this, QStringLiteral("SaveAsRG"), QStringLiteral("Save as"),
        {QStringLiteral("text"), QStringLiteral("image"), QStringLiteral("rotated images")},
        SaveAsButtons, SaveAsGroup);
    connect(SaveAsGroup, &QButtonGroup::idClicked, this, &TSaveFrameDlg::SaveAsRGClick);

    NumberImagesLab = new QLabel(QStringLiteral("Number of images"), this);
    NumberImagesLab->setObjectName(QStringLiteral("NumberImagesLab"));
    NumberImagesEdit = new QLineEdit(this);
    NumberImagesEdit->setObjectName(QStringLiteral("NumberImagesEdit"));
    limitTyping(*NumberImagesEdit, 4);
    NumberImagesLab->setBuddy(NumberImagesEdit);
    onEditExit(NumberImagesEdit, [this] { NumberImagesEditExit(); });
    RotationAngleLab = new QLabel(QStringLiteral("Rotation angle"), this);
    RotationAngleLab->setObjectName(QStringLiteral("RotationAngleLab"));
    RotationAngleEdit = new QLineEdit(this);
    RotationAngleEdit->setObjectName(QStringLiteral("RotationAngleEdit"));
    limitTyping(*RotationAngleEdit, 4);
    RotationAngleLab->setBuddy(RotationAngleEdit);
    onEditExit(RotationAngleEdit, [this] { RotationAngleEditExit(); });
    RotationDirRG = makeRadioGroup(this, QStringLiteral("RotationDirRG"), QString(),
        {QStringLiteral("rotate horizontaly"), QStringLiteral("rotate verticaly")},
        RotationDirButtons, RotationDirGroup);

    makeOkCancel(this, OKBtn, CancelBtn);

    auto *grid = new QGridLayout;
    grid->addWidget(NumberImagesLab, 0, 0);
    grid->addWidget(NumberImagesEdit, 0, 1);
    grid->addWidget(RotationAngleLab, 1, 0);
    grid->addWidget(RotationAngleEdit, 1, 1);
    auto *rotation = new QVBoxLayout;
    rotation->addLayout(grid);
    rotation->addWidget(RotationDirRG);
    auto *options = new QHBoxLayout;
    options->addWidget(SaveAsRG);
    options->addLayout(rotation);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addLayout(buttons);
}

void TSaveFrameDlg::showEvent(QShowEvent *event)
{
    FormActivate();
    QDialog::showEvent(event);
}

void TSaveFrameDlg::FormActivate()
{
    SaveAsButtons[std::clamp(Options.saveAs, 0, 2)]->setChecked(true);
    RotationDirButtons[std::clamp(Options.rotationDirection, 0, 1)]->setChecked(true);
    NumberImagesEdit->setText(QString::number(Options.imageCount));
    RotationAngleEdit->setText(QString::number(Options.rotationAngle));
    EnableRotationControls();
}

void TSaveFrameDlg::SaveAsRGClick(int item)
{
    Options.saveAs = item;
    EnableRotationControls();
}

void TSaveFrameDlg::EnableRotationControls()
{
    const bool rotated = SaveAsGroup->checkedId() == 2;
    for (QWidget *control : {static_cast<QWidget *>(NumberImagesLab),
             static_cast<QWidget *>(NumberImagesEdit), static_cast<QWidget *>(RotationAngleLab),
             static_cast<QWidget *>(RotationAngleEdit), static_cast<QWidget *>(RotationDirRG)})
        control->setEnabled(rotated);
}

void TSaveFrameDlg::NumberImagesEditExit()
{
    storeClamped(NumberImagesEdit, Options.imageCount, SaveFrameOptions::MinImageCount,
        SaveFrameOptions::MaxImageCount);
}

void TSaveFrameDlg::RotationAngleEditExit()
{
    storeClamped(RotationAngleEdit, Options.rotationAngle, SaveFrameOptions::MinRotationAngle,
        SaveFrameOptions::MaxRotationAngle);
}

void TSaveFrameDlg::done(int result)
{
    Options.saveAs = std::max(SaveAsGroup->checkedId(), 0);
    Options.rotationDirection = std::max(RotationDirGroup->checkedId(), 0);
    NumberImagesEditExit();
    RotationAngleEditExit();
    Options.accepted = result == QDialog::Accepted;
    QDialog::done(result);
}
