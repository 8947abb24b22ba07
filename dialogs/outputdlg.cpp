#include "dialogs/outputdlg.h"

#include "dialogs/dialogparts.h"
#include "dialogs/mainformlink.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TOutputDlg *OutputDlg = nullptr;

TOutputDlg::TOutputDlg(MainFormLink &main)
    : QDialog(main.Window())
    , Main(main)
{
    setObjectName(QStringLiteral("OutputDlg"));
    setWindowTitle(QStringLiteral("Save frames options"));
    buildUi();
    OutputDlg = this;
}

TOutputDlg::~TOutputDlg()
{
    detachControls(*this);
    if (OutputDlg == this)
        OutputDlg = nullptr;
}

void TOutputDlg::buildUi()
{
    NumFramesCheckBox = new QCheckBox(this);
    NumFramesCheckBox->setObjectName(QStringLiteral("NumFramesCheckBox"));
    NumFramesCheckBox->setChecked(true);
    connect(NumFramesCheckBox, &QCheckBox::clicked, this, &TOutputDlg::NumFramesCheckBoxClick);
    NumFramesUpDown = new QSpinBox(this);
    NumFramesUpDown->setObjectName(QStringLiteral("NumFramesUpDown"));
    NumFramesUpDown->setRange(0, 1001);
    NumFramesUpDown->setWrapping(false);
    NumFramesUpDown->setAlignment(Qt::AlignRight);
    connect(NumFramesUpDown, &QSpinBox::valueChanged, this, &TOutputDlg::NumFramesUpDownClick);

    FirstFrameLab = new QLabel(QStringLiteral("First frame"), this);
    FirstFrameLab->setObjectName(QStringLiteral("FirstFrameLab"));
    FirstFrameEdit = new QLineEdit(this);
    FirstFrameEdit->setObjectName(QStringLiteral("FirstFrameEdit"));
    FirstFrameLab->setBuddy(FirstFrameEdit);
    onEditExit(FirstFrameEdit, [this] { FirstFrameEditExit(); });
    LastFrameLab = new QLabel(QStringLiteral("Last frame"), this);
    LastFrameLab->setObjectName(QStringLiteral("LastFrameLab"));
    LastFrameEdit = new QLineEdit(this);
    LastFrameEdit->setObjectName(QStringLiteral("LastFrameEdit"));
    LastFrameLab->setBuddy(LastFrameEdit);
    onEditExit(LastFrameEdit, [this] { LastFrameEditExit(); });

    makeOkCancel(this, OKBtn, CancelBtn);

    auto *countRow = new QHBoxLayout;
    countRow->addWidget(NumFramesCheckBox, 1);
    countRow->addWidget(NumFramesUpDown);
    auto *grid = new QGridLayout;
    grid->addWidget(FirstFrameLab, 0, 0);
    grid->addWidget(FirstFrameEdit, 0, 1);
    grid->addWidget(LastFrameLab, 1, 0);
    grid->addWidget(LastFrameEdit, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(countRow);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    UpdateCaption();
}

void TOutputDlg::showEvent(QShowEvent *event)
{
    FormActivate();
    QDialog::showEvent(event);
}

void TOutputDlg::FormActivate()
{
    Showing = true;
    NumFramesUpDown->setValue(Main.SaveFrameCount);
    Showing = false;
    UpdateCaption();
    FirstFrameEdit->setText(QString::number(Main.SaveFirstFrame));
    LastFrameEdit->setText(QString::number(Main.SaveLastFrame));
}

void TOutputDlg::UpdateCaption()
{
    NumFramesCheckBox->setText(
        QStringLiteral("Number of frames to be saved %1").arg(Main.SaveFrameCount));
}

void TOutputDlg::NumFramesCheckBoxClick()
{
    Main.SaveAllFrames = !Main.SaveAllFrames;
}

void TOutputDlg::NumFramesUpDownClick(int position)
{
    if (Showing)
        return;
    Main.SaveFrameCount = position;
    UpdateCaption();
}

void TOutputDlg::FirstFrameEditExit()
{
    const int value = editInteger(FirstFrameEdit->text());
    if (value >= 1 && value <= Main.FrameCount)
        Main.SaveFirstFrame = value;
    else
        FirstFrameEdit->setText(QString::number(value < 1 ? 1 : Main.SaveFirstFrame));
}

void TOutputDlg::LastFrameEditExit()
{
    const int value = editInteger(LastFrameEdit->text());
    if (value >= 1 && value <= Main.FrameCount)
        Main.SaveLastFrame = value;
    else
        LastFrameEdit->setText(
            QString::number(value > Main.FrameCount ? Main.FrameCount : Main.SaveLastFrame));
}
