#pragma once

#include <QImage>
#include <QPoint>

#include <cstdint>

// Lines, triangles and ellipses drawn straight on the pixels of a Format_RGB32 image, for the
// overlay: a frame may carry thousands of impulse arrows, where QPainter's set-up per call
// costs more than the pixels, and far-off end points are clipped before any pixel is walked.
// Pixels are QImage RGB32 values; everything is clipped to the image.

/// A solid one-pixel line from a to b, both ends included (Bresenham).
void drawSolidLine(QImage &canvas, QPoint a, QPoint b, std::uint32_t pixel);

/// A dotted one-pixel line from a towards b: one pixel set, two left, starting with a; the
/// end point itself is left out, as the arrow head covers it.
void drawDottedLine(QImage &canvas, QPoint a, QPoint b, std::uint32_t pixel);

/// Fills the triangle (every pixel whose centre lies inside or on an edge) with fill, then
/// outlines its three edges with outline.
void fillTriangle(
    QImage &canvas, const QPoint (&corners)[3], std::uint32_t fill, std::uint32_t outline);

/// Fills the ellipse inscribed in the box from (left, top) to (right, bottom), right and bottom
/// excluded, with fill; its border pixels (inside, with a four-neighbour outside) get outline.
void fillEllipse(QImage &canvas, int left, int top, int right, int bottom, std::uint32_t fill,
    std::uint32_t outline);

/// How mixEllipse combines its colour with the picture.
enum class PixelMix {
    Merge, ///< the colour ORed into the pixel
    MergeNotScreen, ///< the colour ORed into the inverted pixel
};

/// Mixes pixel (opaque RGB32) into every pixel of the ellipse that fillEllipse fills, border
/// included: a pen and a brush of one colour drawn with a mixing raster operation.
void mixEllipse(
    QImage &canvas, int left, int top, int right, int bottom, std::uint32_t pixel, PixelMix mix);
