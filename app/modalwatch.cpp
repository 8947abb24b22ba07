#include "app/modalwatch.h"

#include <QApplication>
#include <QEvent>

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
    for (const QPointer<QWidget> &tool : ToolWindows) {
        if (tool && tool->isVisible()) {
            tool->hide();
            HiddenTools.push_back(tool);
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
    const std::vector<QPointer<QWidget>> hidden = std::move(HiddenTools);
    HiddenTools.clear();
    for (const QPointer<QWidget> &tool : hidden)
        if (tool)
            tool->show();
}
