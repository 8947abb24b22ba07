#include "dialogs/toolsdlg.h"

#include "dialogs/mainformlink.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

TToolsDlg *ToolsDlg = nullptr;

namespace {

// The glyphs are drawn rather than stored; QIcon derives the greyed twin for the off state.
QIcon pauseGlyph()
{
    QPixmap pixmap(11, 11);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(2, 1, 2, 9, Qt::black);
    painter.fillRect(7, 1, 2, 9, Qt::black);
    return QIcon(pixmap);
}

QIcon playGlyph()
{
    QPixmap pixmap(11, 11);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygon({QPoint(2, 1), QPoint(9, 5), QPoint(2, 10)}));
    return QIcon(pixmap);
}

QToolButton *makeSpeedButton(QWidget *parent, const QString &name, const QIcon &glyph, int x)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(glyph);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setGeometry(x, 4, 17, 17);
    return button;
}

} // namespace

TToolsDlg::TToolsDlg(MainFormLink &main)
    : QWidget(main.Window(), Qt::Tool | Qt::WindowStaysOnTopHint)
    , Main(main)
{
    setObjectName(QStringLiteral("ToolsDlg"));
    setWindowTitle(QStringLiteral("Animation control"));
    setFixedSize(178, 25);

    ToolsTrackBar = new QSlider(Qt::Horizontal, this);
    ToolsTrackBar->setObjectName(QStringLiteral("ToolsTrackBar"));
    ToolsTrackBar->setRange(1, 1);
    ToolsTrackBar->setValue(1);
    ToolsTrackBar->setPageStep(1);
    ToolsTrackBar->setTickPosition(QSlider::NoTicks);
    ToolsTrackBar->setGeometry(0, 0, 142, 25);

    PauseSpeedBtn = makeSpeedButton(this, QStringLiteral("PauseSpeedBtn"), pauseGlyph(), 144);
    ForwardSpeedBtn = makeSpeedButton(this, QStringLiteral("ForwardSpeedBtn"), playGlyph(), 160);
    // An exclusive group: pressing one releases the other, and neither releases itself.
    SpeedButtons = new QButtonGroup(this);
    SpeedButtons->setExclusive(true);
    SpeedButtons->addButton(PauseSpeedBtn);
    SpeedButtons->addButton(ForwardSpeedBtn);

    connect(ToolsTrackBar, &QSlider::valueChanged, this, &TToolsDlg::ToolsTrackBarChange);
    connect(PauseSpeedBtn, &QToolButton::clicked, this, &TToolsDlg::PauseSpeedBtnClick);
    connect(ForwardSpeedBtn, &QToolButton::clicked, this, &TToolsDlg::ForwardSpeedBtnClick);
    // Esc gives up on a 3D cloud being drawn here as in the view: after a click on a button
    // this window holds the keyboard.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { Main.AbandonCloudPass(); });

    ToolsDlg = this;
    Dock();
    QCoreApplication::postEvent(main.Window(), new QEvent(OpenCommandLineEvent));
}

TToolsDlg::~TToolsDlg()
{
    if (ToolsDlg == this)
        ToolsDlg = nullptr;
}

void TToolsDlg::ToolsTrackBarChange()
{
    Main.GoToFrame(ToolsTrackBar->value());
}

void TToolsDlg::PauseSpeedBtnClick()
{
    Main.Pause1Click();
    PauseSpeedBtn->setChecked(true);
}

void TToolsDlg::ForwardSpeedBtnClick()
{
    Main.Forward1Click();
}

void TToolsDlg::SetPosition(int index)
{
    // The main window has already made the frame current; going there again would redraw twice.
    const QSignalBlocker blocker(ToolsTrackBar);
    ToolsTrackBar->setValue(index);
}

void TToolsDlg::SetMaximum(int count)
{
    const QSignalBlocker blocker(ToolsTrackBar);
    ToolsTrackBar->setMaximum(count < 1 ? 1 : count);
}

void TToolsDlg::ShowPlaying(bool playing)
{
    (playing ? ForwardSpeedBtn : PauseSpeedBtn)->setChecked(true);
}

void TToolsDlg::Dock()
{
    const QRect picture = Main.PictureScreenRect();
    const QRect outer = frameGeometry();
    move(picture.left() + picture.width() - outer.width(),
        picture.top() + picture.height() - outer.height());
}
