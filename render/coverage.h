#pragma once

#include <bit>
#include <cstdint>
#include <vector>

/// Which pixels of a picture are already final while a scene is painted front to back. Every
/// shape of a scene (a ball's disc, a label's box) covers its pixels completely, so the last
/// shape painted over a pixel decides it alone; painting the nearest shape first and leaving
/// every claimed pixel alone afterwards gives the very same picture, while a pixel hidden
/// thirty times over is written once and whole rows of hidden pixels are passed over.
class CoverageMask
{
public:
    /// Every pixel of a width x height picture unclaimed.
    void reset(int width, int height)
    {
        this->width = width;
        wordsPerRow = (width + 63) / 64;
        words.assign(static_cast<std::size_t>(wordsPerRow) * static_cast<std::size_t>(height), 0);
        unclaimed.assign(static_cast<std::size_t>(height), width);
    }

    /// True when every pixel of row y is claimed.
    bool rowClaimed(int y) const { return unclaimed[static_cast<std::size_t>(y)] == 0; }

    /// For each unclaimed column x in [x0, x1) of row y (inside the picture) for which
    /// covers(x) holds: calls paint(x) and claims the pixel.
    template <typename Covers, typename Paint>
    void claim(int y, int x0, int x1, Covers covers, Paint paint)
    {
        if (x0 >= x1 || rowClaimed(y))
            return;
        std::uint64_t *row = words.data() + static_cast<std::size_t>(y) * wordsPerRow;
        int claimedNow = 0;
        for (int word = x0 >> 6; word <= (x1 - 1) >> 6; ++word) {
            const int start = word << 6;
            std::uint64_t range = ~std::uint64_t{0};
            if (x0 > start)
                range &= ~std::uint64_t{0} << (x0 - start);
            if (x1 - start < 64)
                range &= (std::uint64_t{1} << (x1 - start)) - 1;
            std::uint64_t open = range & ~row[word];
            std::uint64_t taken = 0;
            while (open) {
                const int bit = std::countr_zero(open);
                open &= open - 1;
                const int x = start + bit;
                if (covers(x)) {
                    paint(x);
                    taken |= std::uint64_t{1} << bit;
                }
            }
            row[word] |= taken;
            claimedNow += std::popcount(taken);
        }
        unclaimed[static_cast<std::size_t>(y)] -= claimedNow;
    }

private:
    int width = 0;
    int wordsPerRow = 0;
    std::vector<std::uint64_t> words;
    std::vector<int> unclaimed;
};
