#include "app/mainwindow.h"
#include "dialogs/detailsdlg.h"
#include "render/pickchain.h"

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
// One notch of the wheel zooms as a right drag of this many pixels down does (about 22 %).
constexpr double ZoomPerNotch = ZoomPerPixel * 8.0;
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

// The turn in radians, wrapped into (-pi, pi], of the pointer's angle about the centre (cx, cy)
// from one point to another: a step across the ray to the right of the centre is a small turn,
// not nearly a whole one back. On the centre itself the angle is undefined: no turn.
double turnAbout(int cx, int cy, int fromX, int fromY, int toX, int toY)
{
    if ((fromX == cx && fromY == cy) || (toX == cx && toY == cy))
        return 0.0;
    double turn = polarAngle(toY - cy, toX - cx) - polarAngle(fromY - cy, fromX - cx);
    if (turn > std::numbers::pi)
        turn -= 2.0 * std::numbers::pi;
    else if (turn <= -std::numbers::pi)
        turn += 2.0 * std::numbers::pi;
    return turn;
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
            const int picked = AtomAt(x, y);
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
            // three picks in a row show their angle, four their dihedral too
            const std::size_t before = PickChain.size();
            if (pickIntoChain(PickChain, picked, has(shift, Qt::ShiftModifier))
                && std::max(before, PickChain.size()) >= 3)
                changed = true;
            if (changed)
                Redraw(nullptr, true);
        }
        if (alt)
            ShowDetailsOf(x, y);
        if (!ctrl && !alt && Rotating)
            Rotate1Click();
    }
    MouseX = x;
    MouseY = y;
    MouseShift = shift;
    MouseHeld = true;
    DraggedSincePress = false;
}

int TMainForm::AtomAt(int x, int y) const
{
    // the composition's screen positions and radii are in the picture's pixels
    const double ratio = PixelRatio();
    ::SceneSettings picture = SceneSettings;
    picture.atomScale *= ratio;
    return pickAtom(*CurrentFrame, SceneScratch, picture, x * ratio, y * ratio);
}

void TMainForm::ShowDetailsOf(int x, int y)
{
    DetailsAtom = AtomAt(x, y);
    if (!DetailsDlg)
        return;
    DetailsDlg->refreshDetails();
    if (!ShowDetails) {
        ShowDetails = true;
        DetailsDlg->show();
    }
    DetailsDlg->activateWindow();
    DetailsDlg->setFocus();
}

void TMainForm::FormMouseMove(ShiftState shift, int x, int y)
{
    if (MouseHeld) {
        const bool turning = has(shift, Qt::LeftButton) && has(MouseShift, Qt::LeftButton)
            && !has(shift, Qt::ControlModifier) && !has(MouseShift, Qt::ControlModifier)
            && !has(shift, Qt::AltModifier) && !has(MouseShift, Qt::AltModifier);
        // Shift with the right button pans: window managers leave Shift drags alone, while
        // openbox and GNOME both move windows by Alt drags.
        const bool panning = has(shift, Qt::RightButton) && has(MouseShift, Qt::RightButton)
            && has(shift, Qt::ShiftModifier) && has(MouseShift, Qt::ShiftModifier)
            && !has(shift, Qt::ControlModifier) && !has(shift, Qt::AltModifier);
        const bool zooming =
            has(shift, Qt::RightButton) && has(MouseShift, Qt::RightButton) && !panning;
        // The middle button scales the arrows as Alt with the right one does, for the desktops
        // that keep Alt drags for moving windows.
        const bool arrowZooming =
            has(shift, Qt::MiddleButton) && has(MouseShift, Qt::MiddleButton) && !zooming;
        const int width = ClientWidth();
        const int height = ViewHeight();
        // A view shrunk to nothing has no extent to turn by.
        if (turning && width > 0 && height > 0) {
            const int cx = width / 2;
            const int cy = height / 2;
            if (has(shift, Qt::ShiftModifier) && has(MouseShift, Qt::ShiftModifier)) {
                RotateView(turnAbout(cx, cy, MouseX, MouseY, x, y), 0.0, 0.0);
            } else {
                RotateView(0.0, (MouseY - y) * std::numbers::pi / height,
                    (MouseX - x) * std::numbers::pi / width);
            }
        }
        if (panning)
            PanView(x - MouseX, y - MouseY);
        if (zooming || arrowZooming) {
            const double factor = std::exp(ZoomPerPixel * (y - MouseY));
            if (arrowZooming || has(shift, Qt::AltModifier)) {
                ImpulseZoom *= factor;
            } else {
                if (!has(shift, Qt::ControlModifier))
                    ViewTransform.scale *= factor;
                ScaleAtoms(factor);
            }
        }
        if (turning || panning || zooming || arrowZooming) {
            // Quick pictures with the axes while the pointer moves; the full one on release.
            const bool quick = QuickDraw;
            QuickDraw = true;
            ShowAxes = true;
            Redraw(nullptr, true);
            ShowAxes = false;
            QuickDraw = quick;
            RedrawOnRelease = true;
            DraggedSincePress = true;
        }
    }
    MouseX = x;
    MouseY = y;
    MouseShift = shift;
}

void TMainForm::FormMouseUp(Qt::MouseButton button, ShiftState shift, int x, int y)
{
    const bool spinMayFollow = !has(MouseShift, Qt::RightButton)
        && !has(MouseShift, Qt::MiddleButton) && !has(shift, Qt::ControlModifier)
        && !has(shift, Qt::AltModifier);
    MouseHeld = false;
    ReleaseX = x;
    ReleaseY = y;
    MouseShift = shift;
    MouseReleased = true;
    if (RedrawOnRelease) {
        Redraw(nullptr, true);
        RedrawOnRelease = false;
    }
    // The moves that follow the release decide the spin, so its time starts once the full
    // picture is drawn: moves queued while drawing still count.
    if (spinMayFollow) {
        MouseTimer.setInterval(ReleaseDelay);
        MouseTimer.start();
    }
    // A middle click without a drag is the second way to Alt+click.
    if (button == Qt::MiddleButton && !DraggedSincePress)
        ShowDetailsOf(x, y);
}

void TMainForm::MouseTimerTimer()
{
    if (!MouseReleased)
        return;
    const bool shiftKey = has(MouseShift, Qt::ShiftModifier);
    const bool ctrl = has(MouseShift, Qt::ControlModifier);
    const bool alt = has(MouseShift, Qt::AltModifier);
    // MouseX and MouseY hold the last move since the release (or the release itself when the
    // pointer stood still): a release in motion carries the drag on the same way, and a release
    // where the pointer stops gives no spin. A press and release without a turning drag (a
    // click, however the pointer goes on afterwards) gives none either.
    const int toX = DraggedSincePress ? MouseX : ReleaseX;
    const int toY = DraggedSincePress ? MouseY : ReleaseY;
    if (!shiftKey && !ctrl && !alt) {
        RotationRateHorizontal = (ReleaseX - toX) * SpinPerPixel;
        RotationRateVertical = (ReleaseY - toY) * SpinPerPixel;
        RotationRateInPlane = 0.0;
    }
    if (shiftKey && !ctrl && !alt) {
        RotationRateHorizontal = 0.0;
        RotationRateVertical = 0.0;
        RotationRateInPlane =
            turnAbout(ClientWidth() / 2, ViewHeight() / 2, ReleaseX, ReleaseY, toX, toY)
            * SpinPerRadian;
    }
    if ((RotationRateHorizontal != 0.0 || RotationRateVertical != 0.0 || RotationRateInPlane != 0.0)
        && !Rotating)
        Rotate1Click();
    MouseReleased = false;
    MouseTimer.stop();
}

void TMainForm::FormMouseWheel(int angleDelta, Qt::KeyboardModifiers keys, int x, int y)
{
    // 120 is one notch; turning the wheel away from the user zooms in.
    const double factor = std::exp(ZoomPerNotch * angleDelta / 120.0);
    if (!keys.testFlag(Qt::ControlModifier)) {
        // the point under the pointer stays put, and no fit pulls the view back to the centre
        ViewTransform.zoomAbout(factor, x, y);
        ViewHeld = true;
    }
    ScaleAtoms(factor);
    Redraw(nullptr, true);
}
