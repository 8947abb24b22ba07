#include "app/viewwidget.h"

#include "app/mainwindow.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {

ShiftState shiftOf(const QMouseEvent &event, bool doubleClick)
{
    return ShiftState{event.modifiers(), event.buttons(), doubleClick};
}

} // namespace

TViewWidget::TViewWidget(TMainForm &main)
    : QWidget(&main)
    , Main(main)
{
    setObjectName(QStringLiteral("View"));
    // Every pixel comes from ViewBitmap, so Qt need not clear the area first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves without a button matter too: those just after a release decide the spin.
    setMouseTracking(true);
    // The view takes the keys that step and play the frames.
    setFocusPolicy(Qt::StrongFocus);
}

void TViewWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Main.PaintView(painter);
}

void TViewWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Main.FormResize();
}

void TViewWidget::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    // The button that went down belongs to the state, as it does for the whole drag.
    Main.FormMouseDown(event->button(), shiftOf(*event, false), at.x(), at.y());
}

void TViewWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    Main.FormMouseDown(event->button(), shiftOf(*event, true), at.x(), at.y());
}

void TViewWidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    Main.FormMouseMove(shiftOf(*event, false), at.x(), at.y());
}

void TViewWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    // Qt already leaves the released button out of buttons(), as the release state wants.
    Main.FormMouseUp(event->button(), shiftOf(*event, false), at.x(), at.y());
}

void TViewWidget::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    Main.FormMouseWheel(delta, event->modifiers(), at.x(), at.y());
}

void TViewWidget::keyPressEvent(QKeyEvent *event)
{
    if (!Main.FormKeyDown(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}
