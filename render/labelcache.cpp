#include "render/labelcache.h"

#include "render/canvasspan.h"
#include "render/spherepicture.h"

#include <QColor>
#include <QFontMetrics>

#include <algorithm>

void drawOpaqueText(QPainter &painter, int x, int y, const QString &text, std::uint32_t textColor,
    std::uint32_t background)
{
    if (text.isEmpty())
        return;
    const QFontMetrics metrics(painter.font(), painter.device());
    const QRect box(x, y, metrics.horizontalAdvance(text), metrics.height());
    painter.save();
    painter.fillRect(box, QColor::fromRgb(pixelOfColor(background)));
    painter.setClipRect(box);
    painter.setPen(QColor::fromRgb(pixelOfColor(textColor)));
    painter.drawText(x, y + metrics.ascent(), text);
    painter.restore();
}

void LabelCache::prepare(const QFont &newFont, std::uint32_t newTextColor,
    std::uint32_t newBackground, const QImage &canvas)
{
    if (prepared && newFont == font && newTextColor == textColor && newBackground == background
        && canvas.dotsPerMeterX() == dotsPerMeterX && canvas.dotsPerMeterY() == dotsPerMeterY)
        return;
    boxes.clear();
    ++generationCount;
    font = newFont;
    textColor = newTextColor;
    background = newBackground;
    dotsPerMeterX = canvas.dotsPerMeterX();
    dotsPerMeterY = canvas.dotsPerMeterY();
    prepared = true;
}

const LabelCache::Box &LabelCache::box(const std::string &text)
{
    if (const Box *kept = keptBox(text))
        return *kept;
    draw(text, spare);
    return spare;
}

const LabelCache::Box *LabelCache::keptBox(const std::string &text)
{
    if (const auto found = boxes.find(text); found != boxes.end())
        return &found->second;
    if (boxes.size() >= capacity)
        return nullptr;
    Box &result = boxes[text];
    draw(text, result);
    return &result;
}

void LabelCache::draw(const std::string &text, Box &result)
{
    ++drawn;
    const QString string = QString::fromStdString(text);
    QImage image(1, 1, QImage::Format_RGB32);
    image.setDotsPerMeterX(dotsPerMeterX);
    image.setDotsPerMeterY(dotsPerMeterY);
    const QFontMetrics metrics(font, &image);
    result.rows.clear(); // the spare box keeps its arrays' memory
    result.ink.clear();
    result.width = metrics.horizontalAdvance(string);
    result.height = metrics.height();
    result.backgroundPixel = pixelOfColor(background);
    if (!text.empty() && result.width > 0 && result.height > 0) {
        image = QImage(result.width, result.height, QImage::Format_RGB32);
        image.setDotsPerMeterX(dotsPerMeterX);
        image.setDotsPerMeterY(dotsPerMeterY);
        QPainter painter(&image);
        painter.setFont(font);
        drawOpaqueText(painter, 0, 0, string, textColor, background);
        painter.end();
        result.rows.reserve(static_cast<std::size_t>(result.height));
        for (int y = 0; y < result.height; ++y) {
            const auto *row = reinterpret_cast<const std::uint32_t *>(image.constScanLine(y));
            int first = 0, last = result.width;
            while (first < last && row[first] == result.backgroundPixel)
                ++first;
            while (last > first && row[last - 1] == result.backgroundPixel)
                --last;
            result.rows.push_back({first, last, result.ink.size()});
            result.ink.insert(result.ink.end(), row + first, row + last);
        }
    }
}

void LabelCache::paste(QImage &canvas, int x, int y, const Box &box)
{
    if (box.rows.empty())
        return;
    const CanvasSpan span = clipToCanvas(canvas, x, y, box.width, box.height);
    if (span.empty())
        return;
    const auto [x0, x1, y0, y1] = span;
    uchar *bits = canvas.bits();
    const qsizetype bytesPerLine = canvas.bytesPerLine();
    const int count = x1 - x0;
    const std::uint32_t background = box.backgroundPixel;
    for (int row = y0; row < y1; ++row) {
        const InkRow &ink = box.rows[static_cast<std::size_t>(row - y)];
        // the row's ink in canvas columns counted from x0, clipped
        const int from = std::clamp(ink.first - (x0 - x), 0, count);
        const int to = std::clamp(ink.last - (x0 - x), from, count);
        const std::uint32_t *source =
            box.ink.data() + ink.offset + static_cast<std::size_t>(from + (x0 - x) - ink.first);
        auto *target = reinterpret_cast<std::uint32_t *>(bits + row * bytesPerLine) + x0;
        // rows are short: plain loops beat calls to memcpy and memset per row
        for (int i = 0; i < from; ++i)
            target[i] = background;
        for (int i = from; i < to; ++i)
            target[i] = source[i - from];
        for (int i = to; i < count; ++i)
            target[i] = background;
    }
}

void LabelCache::pasteFrontToBack(
    QImage &canvas, int x, int y, const Box &box, CoverageMask &coverage)
{
    if (box.rows.empty())
        return;
    const CanvasSpan span = clipToCanvas(canvas, x, y, box.width, box.height);
    if (span.empty())
        return;
    const auto [x0, x1, y0, y1] = span;
    uchar *bits = canvas.bits();
    const qsizetype bytesPerLine = canvas.bytesPerLine();
    const std::uint32_t background = box.backgroundPixel;
    for (int row = y0; row < y1; ++row) {
        if (coverage.rowClaimed(row))
            continue;
        const InkRow &ink = box.rows[static_cast<std::size_t>(row - y)];
        const std::uint32_t *source = box.ink.data() + ink.offset;
        auto *line = reinterpret_cast<std::uint32_t *>(bits + row * bytesPerLine);
        coverage.claim(
            row, x0, x1, [](int) { return true; },
            [&](int column) {
                const int c = column - x;
                line[column] = c >= ink.first && c < ink.last
                    ? source[static_cast<std::size_t>(c - ink.first)]
                    : background;
            });
    }
}
