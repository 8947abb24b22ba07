#include "app/mainwindow.h"
#include "dialogs/detailsdlg.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// How fast a release leaves the molecule spinning: per pixel of the pointer's last step, and
// per radian of its last turn about the view centre.
constexpr double SpinPerPixel = 0.001 * 0.2;
constexpr double SpinPerRadian = 0.001 * 5.0;
// A vertical right drag zooms by e to this power per pixel, growing when it moves down.
constexpr double ZoomPerPixel = 0.025;
// The mouse timer decides what a release does this long after it.
constexpr int ReleaseDelay = 50;

bool has(const ShiftState &shift, Qt::KeyboardModifier key)
{
    return shift.keys.testFlag(key);
}

bool has(const ShiftState &shift, Qt::MouseButton button)
{
    return shift.buttons.testFlag(button);
}

} // namespace

void TMainForm::FormMouseDown(Qt::MouseButton button, ShiftState shift, int x, int y)
{
    (void)button;
    if (has(shift, Qt::LeftButton)) {
        const bool ctrl = has(shift, Qt::ControlModifier);
        const bool alt = has(shift, Qt::AltModifier);
        if (ctrl) {
            ShowDistances = true;
            const int picked = pickAtom(*CurrentFrame, SceneScratch, SceneSettings, x, y);
            bool changed = false;
            if (!has(shift, Qt::ShiftModifier) && picked >= 0 && PickedAtom >= 0
                && picked != PickedAtom) {
                // The same two atoms in either order are one distance: a second pick of the
                // pair switches it off again.
                const auto same = std::find_if(
                    DistancePairs.begin(), DistancePairs.end(), [&](const DistancePair &pair) {
                        return (pair.first == picked && pair.second == PickedAtom)
                            || (pair.first == PickedAtom && pair.second == picked);
                    });
                if (same != DistancePairs.end())
                    DistancePairs.erase(same);
                else
                    DistancePairs.push_back(DistancePair{PickedAtom, picked});
                changed = true;
            }
            PickedAtom = picked;
            if (changed)
                Redraw(nullptr, true);
        }
        if (alt) {
            DetailsAtom = pickAtom(*CurrentFrame, SceneScratch, SceneSettings, x, y);
            if (DetailsDlg) {
                DetailsDlg->refreshDetails();
                if (!ShowDetails) {
                    ShowDetails = true;
                    DetailsDlg->show();
                }
                DetailsDlg->activateWindow();
                DetailsDlg->setFocus();
            }
        }
        if (!ctrl && !alt && Rotating)
            Rotate1Click();
    }
    MouseX = x;
    MouseY = y;
    MouseShift = shift;
    MouseHeld = true;
}

void TMainForm::FormMouseMove(ShiftState shift, int x, int y)
{
    if (MouseHeld) {
        const bool turning = has(shift, Qt::LeftButton) && has(MouseShift, Qt::LeftButton)
            && !has(shift, Qt::ControlModifier) && !has(MouseShift, Qt::ControlModifier)
            && !has(shift, Qt::AltModifier) && !has(MouseShift, Qt::AltModifier);
        const bool zooming = has(shift, Qt::RightButton) && has(MouseShift, Qt::RightButton);
        const int width = ClientWidth();
        const int height = ViewHeight();
        // A view shrunk to nothing has no extent to turn by.
        if (turning && width > 0 && height > 0) {
            const int cx = width / 2;
            const int cy = height / 2;
            if (has(shift, Qt::ShiftModifier) && has(MouseShift, Qt::ShiftModifier)) {
                // The angle about the centre is undefined on the centre itself.
                if (!(MouseX == cx && MouseY == cy) && !(x == cx && y == cy))
                    RotateView(polarAngle(y - cy, x - cx) - polarAngle(MouseY - cy, MouseX - cx),
                        0.0, 0.0);
            } else {
                RotateView(0.0, (MouseY - y) * std::numbers::pi / height,
                    (MouseX - x) * std::numbers::pi / width);
            }
        }
        if (zooming) {
            const double factor = std::exp(ZoomPerPixel * (y - MouseY));
            if (has(shift, Qt::AltModifier)) {
                ImpulseZoom *= factor;
            } else {
                if (!has(shift, Qt::ControlModifier))
                    ViewTransform.scale *= factor;
                ScaleAtoms(factor);
            }
        }
        if (turning || zooming) {
            // Quick pictures with the axes while the pointer moves; the full one on release.
            const bool quick = QuickDraw;
            QuickDraw = true;
            ShowAxes = true;
            Redraw(nullptr, true);
            ShowAxes = false;
            QuickDraw = quick;
            RedrawOnRelease = true;
        }
    }
    MouseX = x;
    MouseY = y;
    MouseShift = shift;
}

void TMainForm::FormMouseUp(Qt::MouseButton button, ShiftState shift, int x, int y)
{
    (void)button;
    if (!has(MouseShift, Qt::RightButton) && !has(shift, Qt::ControlModifier)
        && !has(shift, Qt::AltModifier)) {
        MouseTimer.setInterval(ReleaseDelay);
        MouseTimer.start();
    }
    MouseHeld = false;
    ReleaseX = x;
    ReleaseY = y;
    MouseShift = shift;
    MouseReleased = true;
    if (RedrawOnRelease) {
        Redraw(nullptr, true);
        RedrawOnRelease = false;
    }
}

void TMainForm::MouseTimerTimer()
{
    if (!MouseReleased)
        return;
    const bool shiftKey = has(MouseShift, Qt::ShiftModifier);
    const bool ctrl = has(MouseShift, Qt::ControlModifier);
    const bool alt = has(MouseShift, Qt::AltModifier);
    if (!shiftKey && !ctrl && !alt) {
        // MouseX and MouseY hold the last move before the release: the spin follows the
        // pointer's last step, and a release where the pointer last stood gives none.
        RotationRateHorizontal = (ReleaseX - MouseX) * SpinPerPixel;
        RotationRateVertical = (ReleaseY - MouseY) * SpinPerPixel;
        RotationRateInPlane = 0.0;
    }
    if (shiftKey && !ctrl && !alt) {
        const int cx = ClientWidth() / 2;
        const int cy = ViewHeight() / 2;
        RotationRateHorizontal = 0.0;
        RotationRateVertical = 0.0;
        RotationRateInPlane =
            (polarAngle(ReleaseY - cy, ReleaseX - cx) - polarAngle(MouseY - cy, MouseX - cx))
            * SpinPerRadian;
    }
    if ((RotationRateHorizontal != 0.0 || RotationRateVertical != 0.0 || RotationRateInPlane != 0.0)
        && !Rotating)
        Rotate1Click();
    MouseReleased = false;
    MouseTimer.stop();
}
