#include "render/labelroom.h"

#include <algorithm>

void LabelRoom::reset(int newWidth, int newHeight)
{
    width = std::max(newWidth, 0);
    height = std::max(newHeight, 0);
    wordsPerRow = (width + 63) / 64;
    words.assign(static_cast<std::size_t>(wordsPerRow) * static_cast<std::size_t>(height), 0);
}

bool LabelRoom::take(int left, int top, int boxWidth, int boxHeight)
{
    // 64-bit sums: a box far off the picture must not wrap round into it
    const auto x0 = static_cast<int>(std::clamp<long long>(left, 0, width));
    const auto x1 = static_cast<int>(std::clamp<long long>(0LL + left + boxWidth, 0, width));
    const auto y0 = static_cast<int>(std::clamp<long long>(top, 0, height));
    const auto y1 = static_cast<int>(std::clamp<long long>(0LL + top + boxHeight, 0, height));
    if (x0 >= x1 || y0 >= y1)
        return true;
    const int firstWord = x0 >> 6, lastWord = (x1 - 1) >> 6;
    const auto maskOf = [x0, x1](int word) {
        const int start = word << 6;
        std::uint64_t mask = ~std::uint64_t{0};
        if (x0 > start)
            mask &= ~std::uint64_t{0} << (x0 - start);
        if (x1 - start < 64)
            mask &= (std::uint64_t{1} << (x1 - start)) - 1;
        return mask;
    };
    for (int y = y0; y < y1; ++y) {
        const std::uint64_t *row = words.data() + static_cast<std::size_t>(y) * wordsPerRow;
        for (int word = firstWord; word <= lastWord; ++word)
            if (row[word] & maskOf(word))
                return false;
    }
    for (int y = y0; y < y1; ++y) {
        std::uint64_t *row = words.data() + static_cast<std::size_t>(y) * wordsPerRow;
        for (int word = firstWord; word <= lastWord; ++word)
            row[word] |= maskOf(word);
    }
    return true;
}
