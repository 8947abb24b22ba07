#include "render/spherepicture.h"

#include <cmath>
#include <memory>
#include <string>

void renderSphereImages(AtomType &record, StatusSink *status)
{
    if (!record.sphereImage)
        record.sphereImage = std::make_unique<SpherePicture>();
    if (!record.sphereMask)
        record.sphereMask = std::make_unique<SpherePicture>();
    if (status)
        status->showBusy("I'm rendering atom " + record.name + ", please wait!");

    constexpr double radius = 32.0;
    constexpr int centre = 32;
    constexpr std::uint32_t black = 0xFF000000u;
    constexpr std::uint32_t white = 0xFFFFFFFFu;
    const std::uint32_t red = record.color & 0xFFu;
    const std::uint32_t green = (record.color >> 8) & 0xFFu;
    const std::uint32_t blue = (record.color >> 16) & 0xFFu;
    auto &image = record.sphereImage->pixels;
    auto &mask = record.sphereMask->pixels;
    for (int y = 0; y < SpherePicture::Side; ++y) {
        for (int x = 0; x < SpherePicture::Side; ++x) {
            const std::size_t at =
                static_cast<std::size_t>(y) * SpherePicture::Side + static_cast<std::size_t>(x);
            const double d = radius * radius - double((x - centre) * (x - centre))
                - double((y - centre) * (y - centre));
            if (d < 0.0) {
                image[at] = black;
                mask[at] = white;
                continue;
            }
            // light comes from the viewer, so the shade is the cosine of the surface normal
            const double s = std::sqrt(d) / radius;
            const auto shade = [s](std::uint32_t byte) {
                return static_cast<std::uint32_t>(static_cast<double>(byte) * s);
            };
            image[at] = black | (shade(red) << 16) | (shade(green) << 8) | shade(blue);
            mask[at] = black;
        }
    }
    if (status)
        status->showCounter();
}
