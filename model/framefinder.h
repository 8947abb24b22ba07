#pragma once

#include "model/inputformat.h"

#include <vector>

// The lines of one frame, found without reading its values.
struct FrameSpan
{
    const char *begin = nullptr;
    const char *end = nullptr;
};

// Finds where the frames from p on begin and end, by the same rules the reader follows, until
// about `budget` bytes are covered. It stops early, before the frame in question, at anything
// the reader would have to report or that would end the reading (a missing or invalid count, a
// file ending inside a frame); the reader itself then handles that frame.
void findFrames(const char *p, const char *end, LayoutKind kind, const LayoutSettings &layout,
    std::size_t budget, std::vector<FrameSpan> &spans);
