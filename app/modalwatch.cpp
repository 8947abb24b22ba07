#include "app/modalwatch.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <algorithm>

ModalWatch::ModalWatch(std::initializer_list<QWidget *> toolWindows)
{
    for (QWidget *window : toolWindows)
        if (window)
            ToolWindows.emplace_back(window);
    qApp->installEventFilter(this);
}

ModalWatch::~ModalWatch()
{
    qApp->removeEventFilter(this);
}

bool ModalWatch::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Expose && !ReturningTools.empty())
        KeepPlace(watched);
    if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow() && widget->isModal()) {
            if (type == QEvent::Show)
                ModalShown(widget);
            else
                ModalHidden(widget);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ModalWatch::ModalShown(QWidget *window)
{
    std::erase_if(ShownModals,
        [window](const QPointer<QWidget> &shown) { return shown.isNull() || shown == window; });
    ShownModals.emplace_back(window);
    if (OnModalShown)
        OnModalShown();
    for (const QPointer<QWidget> &tool : ToolWindows) {
        if (tool && tool->isVisible()) {
            HiddenTools.push_back({tool, tool->geometry().topLeft() - tool->pos()});
            tool->hide();
        }
    }
}

void ModalWatch::ModalHidden(QWidget *window)
{
    std::erase_if(ShownModals, [window](const QPointer<QWidget> &shown) {
        return shown.isNull() || shown == window || !shown->isVisible();
    });
    if (!ShownModals.empty())
        return;
    const std::vector<Hidden> hidden = std::move(HiddenTools);
    HiddenTools.clear();
    for (const Hidden &tool : hidden) {
        if (!tool.window)
            continue;
        ReturningTools.push_back({tool.window, tool.window->pos() + tool.frame});
        tool.window->show();
    }
    // only the placing by the window system is undone, never a later move by the user
    QTimer::singleShot(1000, this, [this] { ReturningTools.clear(); });
}

void ModalWatch::KeepPlace(QObject *watched)
{
    // While a window is unmapped the window manager takes its frame away, and Qt may then
    // forget the frame's size and map the window's inside where its frame was: up and left by
    // the title bar. Once it is shown, the inside goes where it belongs.
    for (Returning &returning : ReturningTools) {
        QWidget *window = returning.window;
        if (!window || window->windowHandle() != watched)
            continue;
        if (!returning.corrected && window->geometry().topLeft() != returning.inside) {
            returning.corrected = true;
            window->windowHandle()->setPosition(returning.inside);
        }
        return;
    }
}
