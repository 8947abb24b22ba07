#include "render/pixelshapes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Cuts the segment to the rectangle [0, width) x [0, height) widened by one pixel (Liang-Barsky),
// so that very long segments cost only their visible pixels. Returns false when nothing is left;
// skipped tells how many major-axis steps were cut from the start.
bool clipSegment(QPoint &a, QPoint &b, int width, int height, long long &skipped)
{
    skipped = 0;
    if (a.x() >= 0 && a.y() >= 0 && a.x() < width && a.y() < height && b.x() >= 0 && b.y() >= 0
        && b.x() < width && b.y() < height)
        return true;
    const double x0 = a.x(), y0 = a.y();
    const double dx = double(b.x()) - a.x(), dy = double(b.y()) - a.y();
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 + 1.0, width - x0, y0 + 1.0, height - y0};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0)
                return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return false;
    const QPoint start(
        static_cast<int>(std::lround(x0 + t0 * dx)), static_cast<int>(std::lround(y0 + t0 * dy)));
    const QPoint end(
        static_cast<int>(std::lround(x0 + t1 * dx)), static_cast<int>(std::lround(y0 + t1 * dy)));
    skipped = std::max(std::llabs(static_cast<long long>(start.x()) - a.x()),
        std::llabs(static_cast<long long>(start.y()) - a.y()));
    a = start;
    b = end;
    return true;
}

// The pixels of a canvas being drawn on, with its bounds looked up once.
struct Pixels
{
    explicit Pixels(QImage &canvas)
        : bits(canvas.bits())
        , bytesPerLine(canvas.bytesPerLine())
        , width(canvas.width())
        , height(canvas.height())
    {
    }
    std::uint32_t *line(int y) const
    {
        return reinterpret_cast<std::uint32_t *>(bits + y * bytesPerLine);
    }
    void plot(int x, int y, std::uint32_t pixel) const
    {
        if (x >= 0 && y >= 0 && x < width && y < height)
            line(y)[x] = pixel;
    }
    uchar *bits;
    qsizetype bytesPerLine;
    int width, height;
};

// Rounding up and down of values known to lie within int range, without the library calls.
inline int ceilInRange(double value)
{
    const int truncated = static_cast<int>(value);
    return truncated + (truncated < value ? 1 : 0);
}

inline int floorInRange(double value)
{
    const int truncated = static_cast<int>(value);
    return truncated - (truncated > value ? 1 : 0);
}

// Walks the Bresenham line from a to b; plot decides per step (0 = a) whether to set it.
template <typename Step> void walkLine(QPoint a, QPoint b, bool includeEnd, Step step)
{
    const int dx = std::abs(b.x() - a.x()), sx = a.x() < b.x() ? 1 : -1;
    const int dy = -std::abs(b.y() - a.y()), sy = a.y() < b.y() ? 1 : -1;
    int error = dx + dy;
    int x = a.x(), y = a.y();
    for (long long k = 0;; ++k) {
        const bool atEnd = x == b.x() && y == b.y();
        if (atEnd && !includeEnd)
            return;
        step(x, y, k);
        if (atEnd)
            return;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

} // namespace

void drawSolidLine(QImage &canvas, QPoint a, QPoint b, std::uint32_t pixel)
{
    long long skipped = 0;
    if (!clipSegment(a, b, canvas.width(), canvas.height(), skipped))
        return;
    const Pixels pixels(canvas);
    walkLine(a, b, true, [&](int x, int y, long long) { pixels.plot(x, y, pixel); });
}

void drawDottedLine(QImage &canvas, QPoint a, QPoint b, std::uint32_t pixel)
{
    const QPoint end = b;
    long long skipped = 0;
    if (!clipSegment(a, b, canvas.width(), canvas.height(), skipped))
        return;
    const bool includeEnd = b != end;
    const Pixels pixels(canvas);
    walkLine(a, b, includeEnd, [&](int x, int y, long long k) {
        if ((k + skipped) % 3 == 0)
            pixels.plot(x, y, pixel);
    });
}

void fillTriangle(
    QImage &canvas, const QPoint (&corners)[3], std::uint32_t fill, std::uint32_t outline)
{
    const QPoint &p0 = corners[0], &p1 = corners[1], &p2 = corners[2];
    const int left = std::max(std::min({p0.x(), p1.x(), p2.x()}), 0);
    const int right = std::min(std::max({p0.x(), p1.x(), p2.x()}), canvas.width() - 1);
    const int top = std::max(std::min({p0.y(), p1.y(), p2.y()}), 0);
    const int bottom = std::min(std::max({p0.y(), p1.y(), p2.y()}), canvas.height() - 1);
    // Doubles throughout: corner coordinates may lie far off screen.
    const double area = (double(p1.x()) - p0.x()) * (double(p2.y()) - p0.y())
        - (double(p1.y()) - p0.y()) * (double(p2.x()) - p0.x());
    if (area != 0.0 && left <= right && top <= bottom) {
        const double sign = area > 0.0 ? 1.0 : -1.0;
        // Each edge bounds the pixel centres of a row from one side, at x = slope * y + offset;
        // a row's span is where all three bounds agree, since a triangle meets a row in one
        // interval. A horizontal edge either keeps the whole row or none of it.
        struct Bound
        {
            double slope, offset;
            int side; // +1: x at least the bound; -1: x at most; 0: a horizontal edge
        };
        Bound bounds[3];
        const QPoint *ends[3][2] = {{&p0, &p1}, {&p1, &p2}, {&p2, &p0}};
        for (int i = 0; i < 3; ++i) {
            const QPoint &u = *ends[i][0], &v = *ends[i][1];
            const double ex = double(v.x()) - u.x(), ey = double(v.y()) - u.y();
            // inside when sign * (ex * (y - uy) - ey * (x - ux)) >= 0
            const double k = -sign * ey;
            const double c1 = sign * ex;
            const double c0 = sign * (-ex * u.y() + ey * u.x());
            if (k != 0.0)
                bounds[i] = {-c1 / k, -c0 / k - 0.5, k > 0.0 ? 1 : -1};
            else
                bounds[i] = {c1, c0, 0};
        }
        const Pixels pixels(canvas);
        for (int y = top; y <= bottom; ++y) {
            const double cy = y + 0.5;
            // bounds are compared with the row's columns before any conversion, so far-off
            // edges never overflow an int
            int low = left, high = right;
            bool empty = false;
            for (const Bound &bound : bounds) {
                const double at = bound.slope * cy + bound.offset;
                if (bound.side > 0) {
                    if (at > high)
                        empty = true;
                    else if (at > low)
                        low = ceilInRange(at);
                } else if (bound.side < 0) {
                    if (at < low)
                        empty = true;
                    else if (at < high)
                        high = floorInRange(at);
                } else if (at < 0.0) {
                    empty = true;
                }
            }
            if (empty || low > high)
                continue;
            std::uint32_t *line = pixels.line(y);
            for (int x = low; x <= high; ++x)
                line[x] = fill;
        }
    }
    drawSolidLine(canvas, p0, p1, outline);
    drawSolidLine(canvas, p1, p2, outline);
    drawSolidLine(canvas, p2, p0, outline);
}

namespace {

// Walks the pixels of the ellipse inscribed in the box from (left, top) to (right, bottom),
// right and bottom excluded, clipped to the canvas: paint(pixel, border) for each, border
// telling whether the pixel has a four-neighbour outside the ellipse.
template <typename Paint>
void walkEllipse(QImage &canvas, int left, int top, int right, int bottom, Paint paint)
{
    if (right <= left || bottom <= top)
        return;
    const double cx = (double(left) + right) / 2.0, cy = (double(top) + bottom) / 2.0;
    const double rx = (double(right) - left) / 2.0, ry = (double(bottom) - top) / 2.0;
    // The span of pixel centres inside the ellipse on row y; empty when first > last.
    const auto span = [&](long long y, long long &first, long long &last) {
        const double v = (static_cast<double>(y) + 0.5 - cy) / ry;
        first = 1;
        last = 0;
        if (v * v > 1.0)
            return;
        const double half = rx * std::sqrt(1.0 - v * v);
        first = static_cast<long long>(std::ceil(cx - half - 0.5));
        last = static_cast<long long>(std::floor(cx + half - 0.5));
    };
    const Pixels pixels(canvas);
    const int y0 = std::max(top, 0), y1 = std::min(bottom, canvas.height());
    for (int y = y0; y < y1; ++y) {
        long long first, last, aboveFirst, aboveLast, belowFirst, belowLast;
        span(y, first, last);
        if (first > last)
            continue;
        span(y - 1, aboveFirst, aboveLast);
        span(y + 1, belowFirst, belowLast);
        std::uint32_t *line = pixels.line(y);
        const long long from = std::max<long long>(first, 0);
        const long long to = std::min<long long>(last, canvas.width() - 1);
        for (long long x = from; x <= to; ++x) {
            const bool border = x == first || x == last || x < aboveFirst || x > aboveLast
                || x < belowFirst || x > belowLast;
            paint(line[x], border);
        }
    }
}

} // namespace

void fillEllipse(QImage &canvas, int left, int top, int right, int bottom, std::uint32_t fill,
    std::uint32_t outline)
{
    walkEllipse(canvas, left, top, right, bottom,
        [&](std::uint32_t &pixel, bool border) { pixel = border ? outline : fill; });
}

void mixEllipse(
    QImage &canvas, int left, int top, int right, int bottom, std::uint32_t pixel, PixelMix mix)
{
    if (mix == PixelMix::Merge)
        walkEllipse(canvas, left, top, right, bottom,
            [pixel](std::uint32_t &target, bool) { target |= pixel; });
    else
        walkEllipse(canvas, left, top, right, bottom,
            [pixel](std::uint32_t &target, bool) { target = pixel | ~target; });
}
