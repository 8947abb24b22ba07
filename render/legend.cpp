#include "render/legend.h"

#include "render/labelcache.h"
#include "render/pixelmath.h"
#include "render/spherepicture.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int Margin = 4;

} // namespace

std::vector<LegendEntry> legendEntries(
    const Frame &frame, bool colourByType, const ChargeGradient &gradient)
{
    std::vector<LegendEntry> entries;
    if (!colourByType) {
        entries.push_back({gradient.HighColor, "\u2264 " + formatGeneral(gradient.MaxCharge, 4)});
        for (int level = ChargeGradient::LevelCount; level >= 1; --level)
            entries.push_back({gradient.level(level).color,
                "\u2265 "
                    + formatGeneral(gradient.Thresholds[static_cast<std::size_t>(level - 1)], 4)});
        // the top line names the scale's upper limit; its colour is the last level's
        entries.front().color = gradient.level(ChargeGradient::LevelCount).color;
        return entries;
    }
    std::vector<const AtomType *> seen;
    std::size_t more = 0;
    for (const FrameAtom &atom : frame.atoms) {
        if (!atom.type || std::find(seen.begin(), seen.end(), atom.type) != seen.end())
            continue;
        seen.push_back(atom.type);
        if (seen.size() > LegendMaxTypes)
            ++more;
        else
            entries.push_back({atom.type->color, atom.type->name});
    }
    if (more > 0)
        entries.push_back({0, "+" + std::to_string(more) + " more"});
    return entries;
}

void drawLegend(
    QImage &canvas, const std::vector<LegendEntry> &entries, const DisplayState &display)
{
    if (entries.empty() || canvas.isNull())
        return;
    QPainter painter(&canvas);
    painter.setFont(QFont());
    const QFontMetrics metrics(painter.font());
    const int line = metrics.height();
    int width = 0;
    for (const LegendEntry &entry : entries)
        width = std::max(width, metrics.horizontalAdvance(QString::fromStdString(entry.caption)));
    const int swatch = line - 4;
    const int left = canvas.width() - Margin - width - swatch - Margin;
    int y = Margin;
    const std::uint32_t foreground = display.effectiveForeground();
    const std::uint32_t background = display.effectiveBackground();
    for (const LegendEntry &entry : entries) {
        const bool hasSwatch = entry.caption.rfind("+", 0) != 0;
        if (hasSwatch) {
            painter.fillRect(
                left, y + 2, swatch, swatch, QColor::fromRgb(pixelOfColor(entry.color)));
            painter.setPen(QColor::fromRgb(pixelOfColor(foreground)));
            painter.drawRect(left, y + 2, swatch - 1, swatch - 1);
        }
        drawOpaqueText(painter, left + swatch + Margin, y, QString::fromStdString(entry.caption),
            foreground, background);
        y += line;
    }
}
