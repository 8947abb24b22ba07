#include "app/busyinput.h"

#include "app/mainwindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

// A box the work itself raised (a reading warning, a failed write) takes its input as usual.
// Input from the window system reaches the box's window object before any of its widgets, so
// nothing is held back while such a box is up: the box being modal, Qt itself keeps the input
// from every window it blocks.
bool boxRaisedByWork(const QWidget *modalAtStart)
{
    const QWidget *modal = QApplication::activeModalWidget();
    return modal && modal != modalAtStart;
}

} // namespace

BusyInput::BusyInput(TMainForm &window)
    : Window(window)
    , Outer(window.Busy)
    , ModalAtStart(QApplication::activeModalWidget())
{
    Window.Busy = this;
    QCoreApplication::instance()->installEventFilter(this);
}

BusyInput::~BusyInput()
{
    QCoreApplication::instance()->removeEventFilter(this);
    Window.Busy = Outer;
    // an Esc seen by a nested wait stops the work around it too
    if (Outer) {
        Outer->EscPressed = Outer->EscPressed || EscPressed;
        Outer->Closed = Outer->Closed || Closed;
    }
}

bool BusyInput::StopAsked()
{
    QCoreApplication::processEvents();
    return StopSeen();
}

bool BusyInput::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (boxRaisedByWork(ModalAtStart))
            return false;
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            EscPressed = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    // a file dropped now would replace the frames the work walks
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return !boxRaisedByWork(ModalAtStart);
    case QEvent::Close:
        // the window closes as asked; the work ends at its next look
        if (watched == &Window)
            Closed = true;
        return false;
    case QEvent::Timer:
        return watched == &Window.AnimTimer || watched == &Window.RotationTimer
            || watched == &Window.MouseTimer;
    default:
        return false;
    }
}
