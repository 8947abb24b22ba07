#include "render/colorblend.h"

#include <algorithm>
#include <cmath>

namespace {

std::uint32_t channel(std::uint32_t color, int shift)
{
    return (color >> shift) & 0xFFu;
}

// one channel of blendColor; no NaN ever reaches a pixel
std::uint32_t blendChannel(double a, double wa, double b, double wb)
{
    const double mixed = (a * wa + b * wb) / (wa + wb);
    if (!std::isfinite(mixed))
        return static_cast<std::uint32_t>(a);
    return static_cast<std::uint32_t>(std::clamp(mixed, 0.0, 255.0));
}

} // namespace

std::uint32_t blendColor(std::uint32_t a, double wa, std::uint32_t b, double wb, std::uint32_t keep)
{
    std::uint32_t mixed = keep & 0xFF000000u;
    for (const int shift : {0, 8, 16})
        mixed |= blendChannel(channel(a, shift), wa, channel(b, shift), wb) << shift;
    return mixed;
}
