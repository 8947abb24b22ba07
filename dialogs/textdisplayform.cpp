#include "dialogs/textdisplayform.h"

#include <QMargins>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

TTextDisplayForm *TextDisplayForm = nullptr;

TTextDisplayForm::TTextDisplayForm(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TextDisplayForm"));
    setWindowTitle(QStringLiteral("Info"));
    resize(429, 347);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setMinimumSize(250, 200);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setPlainText(helpRows().join(QLatin1Char('\n')));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);
    TextDisplayForm = this;
}

void TTextDisplayForm::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        placeOnScreen();
    QWidget::showEvent(event);
}

void TTextDisplayForm::placeOnScreen()
{
    QWidget *owner = parentWidget();
    QScreen *screen = owner ? owner->screen() : this->screen();
    if (!screen)
        return;
    // The window frame is not known before the window is shown; the owner's is a fair guess.
    const QMargins frame = owner && owner->isVisible()
        ? QMargins(owner->geometry().left() - owner->frameGeometry().left(),
            owner->geometry().top() - owner->frameGeometry().top(),
            owner->frameGeometry().right() - owner->geometry().right(),
            owner->frameGeometry().bottom() - owner->geometry().bottom())
        : QMargins();
    const QRect room = screen->availableGeometry().marginsRemoved(frame);
    if (!Placed) {
        // Wide enough for the longest line with the scroll bar beside it.
        const int textWidth = static_cast<int>(std::ceil(RichEdit1->document()->idealWidth()))
            + 2 * RichEdit1->frameWidth() + RichEdit1->verticalScrollBar()->sizeHint().width() + 2;
        resize(std::max(width(), textWidth), height());
    }
    resize(std::min(width(), room.width()), std::min(height(), room.height()));
    QRect placed = geometry();
    if (!Placed && owner)
        placed.moveCenter(owner->geometry().center());
    placed.moveLeft(std::clamp(placed.left(), room.left(), room.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), room.top(), room.bottom() + 1 - placed.height()));
    // A window's position is that of its frame.
    move(placed.topLeft() - QPoint(frame.left(), frame.top()));
    Placed = true;
}

TTextDisplayForm::~TTextDisplayForm()
{
    if (TextDisplayForm == this)
        TextDisplayForm = nullptr;
}

QStringList TTextDisplayForm::helpRows()
{
    return {
        QStringLiteral("Basic Mouse Functions"),
        QStringLiteral("----------------------"),
        QString(),
        QStringLiteral("ROTATION"),
        QStringLiteral("--------"),
        QStringLiteral("Left button: Rotation of the image."),
        QStringLiteral("Left button + Shift: Rotation of the image in the screen plane."),
        QStringLiteral("[Ctrl+R stops/runs rotation.]"),
        QStringLiteral("[Velocity of the rotation is set by velocity of the mouse cursor on the "
                       "end of its shift.]"),
        QString(),
        QStringLiteral("DISTANCES"),
        QStringLiteral("---------"),
        QStringLiteral("Left button + Ctrl: Gradual selection (or unselection) of atoms to show "
                       "their "),
        QStringLiteral("distance."),
        QStringLiteral("Left button + Ctrl + Shift: Selection of the new first atom (break of the "
                       "atom pair "),
        QStringLiteral("sequence)."),
        QStringLiteral("[Ctrl+D shows/hides distance labels]"),
        QString(),
        QStringLiteral("ZOOM"),
        QStringLiteral("-----"),
        QStringLiteral("Right button: Zoom of the image."),
        QStringLiteral("Right button + Ctrl: Zoom of the atoms only."),
        QStringLiteral("Right button + Alt: Zoom of the impuls arrows."),
        QStringLiteral("[Ctrl+Z for more zoom options]"),
        QString(),
        QStringLiteral("MOVING THE VIEW"),
        QStringLiteral("---------------"),
        QStringLiteral("Right button + Shift: Moves the image."),
        QStringLiteral("Shift + arrow keys: Move the image."),
        QStringLiteral("C: Centres the view on the molecule and fits it to the window."),
        QStringLiteral("R: Resets the view to the start of the file."),
        QString(),
        QStringLiteral("DETAILES"),
        QStringLiteral("--------"),
        QStringLiteral("Left button + Alt: Detailed properties of the clicked atom or of the all "
                       "cluster (click "),
        QStringLiteral("to background)."),
        QStringLiteral("Middle button click: The same as Left button + Alt."),
        QString(),
        QStringLiteral("WHEEL AND MIDDLE BUTTON"),
        QStringLiteral("-----------------------"),
        QStringLiteral("Wheel: Zoom of the image about the mouse cursor."),
        QStringLiteral("Wheel + Ctrl: Zoom of the atoms only."),
        QStringLiteral("Middle button: Zoom of the impuls arrows."),
        QString(),
        QStringLiteral("KEYS"),
        QStringLiteral("----"),
        QStringLiteral("Space: Play or pause the animation."),
        QStringLiteral("Left, Right: The frame before or after (pauses the animation)."),
        QStringLiteral("Home: The first frame."),
        QString(),
        QString(),
        QString(),
        QString(),
        QString(),
        QStringLiteral(" "),
    };
}
