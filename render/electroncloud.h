#pragma once

#include "model/frame.h"
#include "render/cloudcontext.h"
#include "render/cloudrays.h"
#include "render/displaystate.h"
#include "render/threedrows.h"

#include <QImage>

#include <cstdint>

// The electron cloud laid over a composed frame, in one of two drawing models: "Quick", a disc
// or a pair of lobes per orbital term, and "3D", a ray per pixel integrating the density of the
// atoms' orbitals with emission and absorption (its rays: cloudrays.h; its pass over the
// picture on several threads: threedrows.h).

/// Which model drew the cloud.
enum class CloudDrawn {
    Nothing, ///< switched off, no atoms, or a view without a usable scale
    Quick,
    ThreeD,
    Abandoned, ///< the 3D pass was abandoned; the quick model was drawn instead
};

/// The colour (0x00BBGGRR) of a quick disc for the coefficient magnitude q: the effective
/// electron colour mixed into the effective background by Brightness, weak values lifted.
std::uint32_t electronShade(double q, const DisplayState &display);

/// The quick model's size factor P for the probability limit L (0 at 0, about 0.9644 at 0.5).
double quickSizeFactor(double L);

/// The quick model for atom index of frame: an s-like disc for each term with l other than 1,
/// and two lobes for each group of p terms of one shell, ORed into canvas.
void drawQuickElectrons(const Frame &frame, int index, QImage &canvas, const CloudContext &context);

/// The cloud of the composed frame over bitmap (Format_RGB32): the quick model when
/// DrawingModel is 0 or QuickDraw is set, otherwise the 3D pass with its busy text. Draws
/// nothing for a frame the scratch was not composed for, or when the view's scale is not a
/// positive finite number.
CloudDrawn drawElectronCloud(const Frame &frame, QImage &bitmap, const CloudContext &context);
