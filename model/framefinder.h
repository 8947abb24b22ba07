#pragma once

#include "model/inputformat.h"
#include "model/linecounter.h"

#include <cstddef>
#include <vector>

// The lines of one frame, found without reading its values.
struct FrameSpan
{
    const char *begin = nullptr;
    const char *end = nullptr;
};

// The most frames one call finds: a batch of tiny frames (one atom each) would otherwise hold
// hundreds of thousands of frames being read ahead, outside the trajectory's memory bound.
inline constexpr std::size_t MostFramesFound = 16384;

// Finds where the frames from p on begin and end, by the same rules the reader follows, until
// about `budget` bytes or MostFramesFound frames are covered. It stops early, before the frame in
// question, at anything the reader would have to report or that would end the reading (a missing or
// invalid count, a file ending inside a frame); the reader itself then handles that frame.
// With a counter, the frames' lines are skipped through it.
void findFrames(const char *p, const char *end, LayoutKind kind, const LayoutSettings &layout,
    std::size_t budget, std::vector<FrameSpan> &spans, LineCounter *counter = nullptr);
