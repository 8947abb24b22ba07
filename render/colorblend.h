#pragma once

#include <cstdint>

/// a and b (0x00BBGGRR) mixed channel by channel for red, green and blue as
/// trunc((a × wa + b × wb) / (wa + wb)), held within 0 ... 255; a channel keeps a's value when
/// the weights leave nothing to divide by or the mix is not a number. The flag byte is keep's.
std::uint32_t blendColor(
    std::uint32_t a, double wa, std::uint32_t b, double wb, std::uint32_t keep);
