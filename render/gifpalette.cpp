#include "render/gifpalette.h"

#include <algorithm>
#include <limits>

namespace {

struct ColourCount
{
    std::uint32_t colour; ///< 0x00RRGGBB
    std::uint32_t pixels;
};

// channel 0 red, 1 green, 2 blue
int channelOf(std::uint32_t colour, int channel)
{
    return static_cast<int>((colour >> (16 - 8 * channel)) & 0xFFu);
}

struct Box
{
    std::size_t begin = 0;
    std::size_t end = 0;
    int widest = 0; ///< the channel with the largest spread
    int spread = 0;
    std::uint64_t pixels = 0;
};

Box measure(const std::vector<ColourCount> &colours, std::size_t begin, std::size_t end)
{
    std::array<int, 3> low{255, 255, 255};
    std::array<int, 3> high{0, 0, 0};
    Box box{begin, end};
    for (std::size_t i = begin; i < end; ++i) {
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], channelOf(colours[i].colour, c));
            high[c] = std::max(high[c], channelOf(colours[i].colour, c));
        }
        box.pixels += colours[i].pixels;
    }
    for (int c = 0; c < 3; ++c) {
        if (high[c] - low[c] > box.spread) {
            box.spread = high[c] - low[c];
            box.widest = c;
        }
    }
    return box;
}

// Splits the colours into at most count boxes, always the box whose spread weighs most by its
// pixels, at the pixel-weighted median of its widest channel; each box gives its mean colour.
std::vector<std::uint32_t> medianCut(std::vector<ColourCount> colours, std::size_t count)
{
    std::vector<Box> boxes{measure(colours, 0, colours.size())};
    while (boxes.size() < count) {
        std::size_t chosen = boxes.size();
        std::uint64_t weightiest = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const auto spread = static_cast<std::uint64_t>(boxes[i].spread);
            const std::uint64_t weight = spread * spread * boxes[i].pixels;
            if (boxes[i].end - boxes[i].begin > 1 && weight > weightiest) {
                weightiest = weight;
                chosen = i;
            }
        }
        if (chosen == boxes.size())
            break;
        const Box box = boxes[chosen];
        const auto first = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
        std::sort(first, last, [channel = box.widest](const ColourCount &a, const ColourCount &b) {
            return channelOf(a.colour, channel) < channelOf(b.colour, channel);
        });
        std::size_t split = box.begin;
        std::uint64_t before = 0;
        while (split + 1 < box.end && before + colours[split].pixels <= box.pixels / 2)
            before += colours[split++].pixels;
        split = std::max(split, box.begin + 1);
        boxes[chosen] = measure(colours, box.begin, split);
        boxes.push_back(measure(colours, split, box.end));
    }
    std::vector<std::uint32_t> palette;
    for (const Box &box : boxes) {
        std::array<std::uint64_t, 3> sums{};
        for (std::size_t i = box.begin; i < box.end; ++i)
            for (int c = 0; c < 3; ++c)
                sums[c] +=
                    static_cast<std::uint64_t>(channelOf(colours[i].colour, c)) * colours[i].pixels;
        std::uint32_t colour = 0;
        for (int c = 0; c < 3; ++c)
            colour |= static_cast<std::uint32_t>((sums[c] + box.pixels / 2) / box.pixels)
                << (16 - 8 * c);
        palette.push_back(colour);
    }
    return palette;
}

int distance(std::uint32_t a, std::uint32_t b)
{
    int sum = 0;
    for (int c = 0; c < 3; ++c) {
        const int d = channelOf(a, c) - channelOf(b, c);
        sum += d * d;
    }
    return sum;
}

} // namespace

PalettePicture reduceToPalette(const QImage &picture)
{
    const QImage image = picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);
    PalettePicture result;
    result.width = image.width();
    result.height = image.height();
    const std::size_t pixelCount =
        static_cast<std::size_t>(result.width) * static_cast<std::size_t>(result.height);
    result.indices.resize(pixelCount);
    if (pixelCount == 0)
        return result;

    std::vector<std::uint32_t> pixels;
    pixels.reserve(pixelCount);
    for (int y = 0; y < result.height; ++y) {
        const auto *row = reinterpret_cast<const std::uint32_t *>(image.constScanLine(y));
        for (int x = 0; x < result.width; ++x)
            pixels.push_back(row[x] & 0xFFFFFFu);
    }
    std::vector<std::uint32_t> sorted = pixels;
    std::sort(sorted.begin(), sorted.end());
    std::vector<ColourCount> colours;
    for (const std::uint32_t colour : sorted) {
        if (colours.empty() || colours.back().colour != colour)
            colours.push_back({colour, 0});
        ++colours.back().pixels;
    }

    std::vector<std::uint32_t> palette;
    if (colours.size() <= result.palette.size()) {
        for (const ColourCount &entry : colours)
            palette.push_back(entry.colour);
    } else {
        palette = medianCut(colours, result.palette.size());
    }
    result.colourCount = static_cast<int>(palette.size());
    result.palette.fill(0xFF000000u);
    for (std::size_t i = 0; i < palette.size(); ++i)
        result.palette[i] = 0xFF000000u | palette[i];

    // the nearest palette colour of each distinct colour, in the colours' sorted order
    std::vector<std::uint8_t> nearest(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i) {
        int best = std::numeric_limits<int>::max();
        for (std::size_t p = 0; p < palette.size() && best > 0; ++p) {
            const int d = distance(colours[i].colour, palette[p]);
            if (d < best) {
                best = d;
                nearest[i] = static_cast<std::uint8_t>(p);
            }
        }
    }
    std::uint32_t previous = pixels[0];
    std::uint8_t previousIndex = nearest[0];
    bool known = false;
    for (std::size_t i = 0; i < pixelCount; ++i) {
        if (!known || pixels[i] != previous) {
            const auto found = std::lower_bound(colours.begin(), colours.end(), pixels[i],
                [](const ColourCount &entry, std::uint32_t colour) {
                    return entry.colour < colour;
                });
            previous = pixels[i];
            previousIndex = nearest[static_cast<std::size_t>(found - colours.begin())];
            known = true;
        }
        result.indices[i] = previousIndex;
    }
    return result;
}
