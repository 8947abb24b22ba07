#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <vector>

/// Keeps the program's tool windows, which stay on top of every other window, from covering a
/// modal window: while any modal window of the application is shown, the tool windows that
/// were shown are hidden, and they come back when the last modal window closes. A modal
/// window blocks the tool windows' input anyway, while otherwise they would hide its buttons.
class ModalWatch : public QObject
{
public:
    /// Watches the application's windows for the given tool windows (null ones are skipped).
    /// A QApplication must exist.
    explicit ModalWatch(std::initializer_list<QWidget *> toolWindows);
    ~ModalWatch() override;

    /// Called whenever a modal window is shown (before it takes input).
    std::function<void()> OnModalShown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ModalShown(QWidget *window);
    void ModalHidden(QWidget *window);
    void KeepPlace(QObject *watched);

    std::vector<QPointer<QWidget>> ToolWindows;
    std::vector<QPointer<QWidget>> ShownModals;
    /// A tool window hidden here, with the size of its frame's left and top edges then.
    struct Hidden
    {
        QPointer<QWidget> window;
        QPoint frame;
    };
    std::vector<Hidden> HiddenTools;
    /// A tool window shown again, and where its inside must be: where its frame was put plus
    /// the frame's edges.
    struct Returning
    {
        QPointer<QWidget> window;
        QPoint inside;
        bool corrected = false;
    };
    std::vector<Returning> ReturningTools;
};
