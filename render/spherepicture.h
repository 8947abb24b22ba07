#pragma once

#include "model/atomtype.h"
#include "model/messagesink.h"

#include <cstdint>

/// The picture pixel (QImage RGB32, 0xFFRRGGBB) of a colour value 0x00BBGGRR; the flag byte
/// of the colour value has no place in a pixel and is dropped.
constexpr std::uint32_t pixelOfColor(std::uint32_t color)
{
    return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

/// The colour value 0x00BBGGRR of a picture pixel 0xAARRGGBB.
constexpr std::uint32_t colorOfPixel(std::uint32_t pixel)
{
    return ((pixel >> 16) & 0xFFu) | (pixel & 0xFF00u) | ((pixel & 0xFFu) << 16);
}

/// Builds, or redraws in place, the 64 x 64 shaded ball of the record's colour and its mask
/// (black inside the ball, white outside). While it works the status line, when given, reads
/// "I'm rendering atom <name>, please wait!" and shows the frame counter again afterwards.
void renderSphereImages(AtomType &record, StatusSink *status);
