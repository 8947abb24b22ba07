#pragma once

#include "model/chargegradient.h"
#include "model/frame.h"
#include "render/displaystate.h"

#include <QImage>

#include <string>
#include <vector>

/// One line of the legend: a swatch of colour and its caption.
struct LegendEntry
{
    std::uint32_t color = 0; ///< 0x00BBGGRR
    std::string caption;
};

/// At most this many types are listed; the rest are summed up in one last line ("+3 more").
inline constexpr std::size_t LegendMaxTypes = 12;

/// What the legend says about a frame: with atoms coloured by type, the types present in the
/// order they first appear (each once); coloured by charge, the charge levels from the highest
/// to the lowest with each level's lower limit, the scale's upper limit above them.
std::vector<LegendEntry> legendEntries(
    const Frame &frame, bool colourByType, const ChargeGradient &gradient);

/// Draws the legend in the picture's top right corner: a swatch and a caption per entry, in the
/// foreground colour on the background.
void drawLegend(
    QImage &canvas, const std::vector<LegendEntry> &entries, const DisplayState &display);
