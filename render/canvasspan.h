#pragma once

#include <QImage>

#include <algorithm>

/// The columns [x0, x1) and rows [y0, y1) of a canvas that a rectangle covers.
struct CanvasSpan
{
    int x0;
    int x1;
    int y0;
    int y1;

    /// True when the rectangle covers no pixel of the canvas.
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

/// The part of the width x height rectangle at (left, top) that lies on canvas; empty when none
/// does, as for a rectangle without width or height.
inline CanvasSpan clipToCanvas(const QImage &canvas, int left, int top, int width, int height)
{
    return {std::max(left, 0), std::min(left + width, canvas.width()), std::max(top, 0),
        std::min(top + height, canvas.height())};
}
