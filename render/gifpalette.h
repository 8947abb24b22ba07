#pragma once

#include <QImage>

#include <array>
#include <cstdint>
#include <vector>

/// A picture of at most 256 colours: one palette index per pixel, row after row.
struct PalettePicture
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices; ///< width x height indices, no padding between rows
    /// Opaque colours 0xFFRRGGBB; the entries from colourCount on are opaque black.
    std::array<std::uint32_t, 256> palette{};
    int colourCount = 0;
};

/// Reduces picture to a palette of its own: all its colours when it has at most 256, else 256
/// colours chosen by median cut over its colours, each weighted by its pixels. Every pixel
/// gets the palette colour nearest to it (least sum of squared channel differences), without
/// dithering, so an animation's still background never flickers.
PalettePicture reduceToPalette(const QImage &picture);
