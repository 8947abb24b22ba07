#pragma once

#include <QObject>

class QWidget;
class TMainForm;

/// Keeps the window answering during long work on its own thread (a picture series, a read,
/// a redraw that waits for its cloud): while it lives, events are handled now and then, Esc
/// asks the work to stop, closing the window asks it to stop and then closes, and other input
/// and the window's own timers are dropped, so no command starts in the middle of the work.
/// Paints and resizes go on.
class BusyInput : public QObject
{
public:
    explicit BusyInput(TMainForm &window);
    ~BusyInput() override;
    BusyInput(const BusyInput &) = delete;
    BusyInput &operator=(const BusyInput &) = delete;

    /// Handles the events that have arrived, then tells whether Esc was pressed or the window
    /// closed since the work began.
    bool StopAsked();
    /// The same without handling events.
    bool StopSeen() const { return EscPressed || Closed; }
    /// Whether the window was closed since the work began.
    bool CloseSeen() const { return Closed; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TMainForm &Window;
    BusyInput *Outer; ///< the one this nests in; Esc stops every level
    const QWidget *ModalAtStart; ///< a dialog already up when the work began (it ran it)
    bool EscPressed = false;
    bool Closed = false;
};
