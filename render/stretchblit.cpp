#include "render/stretchblit.h"

#include "render/canvasspan.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Source index of destination offset d for a stretch of Side pixels onto size pixels, in the
// fixed-point steps the raster engine uses: step = 65536 / (size / Side), started half a step in.
struct FixedStep
{
    int step;
    int base;
};

FixedStep fixedStep(int size)
{
    const double factor = size / static_cast<double>(SpherePicture::Side);
    const int step = static_cast<int>(0x00010000 / factor);
    return {step, static_cast<int>(std::ceil(0.5 * step)) - 1};
}

inline int sourceIndex(const FixedStep &s, int d)
{
    const auto index =
        (static_cast<std::int64_t>(s.base) + static_cast<std::int64_t>(d) * s.step) >> 16;
    return static_cast<int>(std::min<std::int64_t>(index, SpherePicture::Side - 1));
}

} // namespace

void stretchMaskAndPicture(
    QImage &canvas, const QRect &target, const SpherePicture &mask, const SpherePicture &picture)
{
    const int width = target.width();
    const int height = target.height();
    if (width <= 0 || height <= 0)
        return;
    const CanvasSpan span = clipToCanvas(canvas, target.left(), target.top(), width, height);
    if (span.empty())
        return;
    const auto [x0, x1, y0, y1] = span;

    const FixedStep columnStep = fixedStep(width);
    const FixedStep rowStep = fixedStep(height);
    thread_local std::vector<int> columns;
    columns.resize(static_cast<std::size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x)
        columns[static_cast<std::size_t>(x - x0)] = sourceIndex(columnStep, x - target.left());

    const int count = x1 - x0;
    const int *columnMap = columns.data();
    uchar *bits = canvas.bits();
    const qsizetype bytesPerLine = canvas.bytesPerLine();
    for (int y = y0; y < y1; ++y) {
        const int row = sourceIndex(rowStep, y - target.top()) * SpherePicture::Side;
        const std::uint32_t *maskRow = mask.pixels.data() + row;
        const std::uint32_t *pictureRow = picture.pixels.data() + row;
        auto *line = reinterpret_cast<std::uint32_t *>(bits + y * bytesPerLine) + x0;
        for (int i = 0; i < count; ++i) {
            const int c = columnMap[i];
            line[i] = (line[i] & maskRow[c]) | pictureRow[c];
        }
    }
}

void stretchBallFrontToBack(QImage &canvas, const QRect &target, const SpherePicture &mask,
    const SpherePicture &picture, CoverageMask &coverage)
{
    const int width = target.width();
    const int height = target.height();
    if (width <= 0 || height <= 0)
        return;
    const CanvasSpan span = clipToCanvas(canvas, target.left(), target.top(), width, height);
    if (span.empty())
        return;
    const auto [x0, x1, y0, y1] = span;
    const FixedStep columnStep = fixedStep(width);
    const FixedStep rowStep = fixedStep(height);
    uchar *bits = canvas.bits();
    const qsizetype bytesPerLine = canvas.bytesPerLine();
    const int left = target.left();
    for (int y = y0; y < y1; ++y) {
        if (coverage.rowClaimed(y))
            continue;
        const int row = sourceIndex(rowStep, y - target.top()) * SpherePicture::Side;
        const std::uint32_t *maskRow = mask.pixels.data() + row;
        const std::uint32_t *pictureRow = picture.pixels.data() + row;
        auto *line = reinterpret_cast<std::uint32_t *>(bits + y * bytesPerLine);
        coverage.claim(
            y, x0, x1,
            [&](int x) { return (maskRow[sourceIndex(columnStep, x - left)] & 0x00FFFFFFu) == 0; },
            [&](int x) { line[x] = 0xFF000000u | pictureRow[sourceIndex(columnStep, x - left)]; });
    }
}
