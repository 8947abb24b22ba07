#pragma once

#include "model/atomtype.h"
#include "render/coverage.h"

#include <QImage>
#include <QRect>

/// Stretches a ball picture onto target of canvas (a Format_RGB32 image) as two raster copies:
/// the mask ANDed onto the pixels, then the picture ORed onto them. The nearest-neighbour
/// source rows and columns follow the same 16.16 fixed-point rule as QPainter's scaled
/// drawImage, so the pixels equal QPainter's RasterOp_SourceAndDestination then
/// RasterOp_SourceOrDestination draws (for squares up to about 350 pixels across). The target
/// may reach beyond the canvas; an empty target draws nothing.
void stretchMaskAndPicture(
    QImage &canvas, const QRect &target, const SpherePicture &mask, const SpherePicture &picture);

/// The same ball painted front to back: only pixels that coverage has not claimed are
/// touched, and those inside the ball are painted and claimed. Gives the pixels of
/// stretchMaskAndPicture for masks that are black inside and white outside with a picture
/// black outside, as renderSphereImages makes them.
void stretchBallFrontToBack(QImage &canvas, const QRect &target, const SpherePicture &mask,
    const SpherePicture &picture, CoverageMask &coverage);
