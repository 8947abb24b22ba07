#include "dialogs/speeddlg.h"

#include "dialogs/mainformlink.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QSlider>

TSpeedDlg *SpeedDlg = nullptr;

TSpeedDlg::TSpeedDlg(MainFormLink &main)
    : QDialog(main.Window())
    , Main(main)
{
    setObjectName(QStringLiteral("SpeedDlg"));
    setWindowTitle(QStringLiteral("Animation speed (frames / s)"));
    setFixedSize(177, 77);

    SpeedTrackBar = new QSlider(Qt::Horizontal, this);
    SpeedTrackBar->setObjectName(QStringLiteral("SpeedTrackBar"));
    SpeedTrackBar->setRange(1, 30);
    SpeedTrackBar->setValue(10);
    SpeedTrackBar->setPageStep(5);
    SpeedTrackBar->setTickInterval(1);
    SpeedTrackBar->setTickPosition(QSlider::TicksBelow);
    SpeedTrackBar->setGeometry(4, 4, 169, 32);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setGeometry(8, 44, 75, 25);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(94, 44, 75, 25);

    connect(SpeedTrackBar, &QSlider::valueChanged, this, &TSpeedDlg::SpeedTrackBarChange);
    connect(OKBtn, &QPushButton::clicked, this, &TSpeedDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TSpeedDlg::CancelBtnClick);
    SpeedDlg = this;
}

TSpeedDlg::~TSpeedDlg()
{
    if (SpeedDlg == this)
        SpeedDlg = nullptr;
}

void TSpeedDlg::SpeedTrackBarChange()
{
    const int position = SpeedTrackBar->value();
    Main.FramesPerSecond = position;
    Main.AnimTimer.setInterval(static_cast<int>(1000.0 / position));
}

void TSpeedDlg::OKBtnClick()
{
    Main.DialogAccepted = true;
    accept();
}

void TSpeedDlg::CancelBtnClick()
{
    Main.DialogAccepted = false;
    reject();
}

void TSpeedDlg::keyPressEvent(QKeyEvent *event)
{
    // Escape is the Cancel button; closing by the window frame is not, and leaves the flag.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelBtnClick();
        return;
    }
    QDialog::keyPressEvent(event);
}
