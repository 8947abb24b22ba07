#pragma once

#include "model/chargegradient.h"
#include "model/frame.h"
#include "model/messagesink.h"
#include "render/displaystate.h"
#include "render/scene.h"
#include "render/viewtransform.h"

#include <QImage>

/// Everything one redraw reads or updates besides the picture it draws into. The main window
/// fills it from its own members for each redraw; the command-line renderer from its own.
struct RedrawInputs
{
    const FrameList &Frames; ///< the loaded trajectory (for "first frame" fitting)
    const Frame &CurrentFrame; ///< the frame shown; the list head when nothing is loaded
    int FrameCount = 0;
    const DisplayState &display; ///< switches and colours of the main window
    ViewTransform &view; ///< the one view; the fit step changes its scale
    SceneSettings &settings; ///< derived from display at each redraw; atomScale is fitted
    SceneScratch &scratch; ///< screen positions and depth order left for picking
    ChargeGradient &gradient; ///< colour records of atoms drawn by charge
    bool readTime = true; ///< the current layout kind reads a time: "Time: " line
    bool readEnergy = true; ///< the current layout kind reads an energy: "Energy: " line
    StatusSink *status = nullptr; ///< busy texts while ball pictures are built
    /// Draws the cloud when ShowElectrons is on; when empty, drawElectronCloud does with the
    /// two settings below.
    ElectronCloudPainter electronCloud{};
    int cloudThreads = 0; ///< threads of a 3D cloud: 0 every core
    /// Asked now and then while a 3D cloud is drawn; false abandons it for the quick model.
    std::function<bool()> cloudCarryOn{};
    /// Pixels of the picture per pixel of the view and its scales: 2 on a screen of double
    /// density, where the picture is drawn at twice the view's size to stay sharp.
    double pixelRatio = 1.0;
    /// false while the user holds the view where they panned or zoomed it: no fit then.
    bool fitAllowed = true;
};

/// The main window's redraw without the copy to the screen: fits the frame by FitMode, fills
/// the whole of ViewBitmap (Format_RGB32; converted when it is not) with the effective
/// background, sets labelMode, colourByType and radiusByType from the switches, composes
/// the frame and draws the overlay. frame nullptr means CurrentFrame. A null ViewBitmap is
/// left as it is. With a pixelRatio other than 1 the view is drawn that much bigger for the
/// draw, and keeps only the fit's factor.
void redrawFrame(QImage &ViewBitmap, const Frame *frame, RedrawInputs &inputs);

/// Zooms so that the frame's atoms, discs included, reach the edge of a view of viewWidth x
/// viewHeight pixels, measured about the view centre: scale and atomScale are both multiplied
/// by one factor. With shrinkOnly a frame that fits is left as it is. Stores the projected
/// positions in the scratch. Does nothing when nothing is loaded, the current frame has no
/// atoms, or the factor would not be a positive finite number (a view of zero size, a zoom of
/// 0). Returns the factor applied, 1 when none was.
double FitToWindow(
    int viewWidth, int viewHeight, const Frame *frame, bool shrinkOnly, RedrawInputs &inputs);

/// Draws the overlay of frame (nullptr: CurrentFrame) on canvas: distances of the picked
/// pairs (a pair naming an atom the frame does not have, or one not drawable, is skipped),
/// impulse arrows (none from an atom not drawable, nor to a point that is not), the edges of
/// the frame's cell, axes, and the time and energy lines. Reads the screen positions the
/// composition left.
void DrawOverlay(QImage &canvas, const Frame *frame, RedrawInputs &inputs);
