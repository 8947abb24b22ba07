#include "app/mainwindow.h"

// The gestures turn, zoom and pick on the view; until they are wired, a press, a move and a
// release only keep the pointer's last position and state.

void TMainForm::FormMouseDown(Qt::MouseButton button, ShiftState shift, int x, int y)
{
    (void)button;
    MouseX = x;
    MouseY = y;
    MouseShift = shift;
    MouseHeld = true;
}

void TMainForm::FormMouseMove(ShiftState shift, int x, int y)
{
    MouseX = x;
    MouseY = y;
    MouseShift = shift;
}

void TMainForm::FormMouseUp(Qt::MouseButton button, ShiftState shift, int x, int y)
{
    (void)button;
    MouseHeld = false;
    ReleaseX = x;
    ReleaseY = y;
    MouseShift = shift;
    MouseReleased = true;
}

void TMainForm::MouseTimerTimer()
{
    MouseReleased = false;
    MouseTimer.stop();
}
