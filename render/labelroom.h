#pragma once

#include <cstdint>
#include <vector>

/// The pixels of a picture that labels already hold. A big frame's labels are drawn nearest
/// first and only into free room, so that none covers another and every name stays readable.
class LabelRoom
{
public:
    /// Every pixel of a width x height picture free.
    void reset(int width, int height);
    /// Takes the box with its top-left corner at (left, top) when none of its pixels inside
    /// the picture is taken, and returns whether it did. A box wholly outside the picture
    /// covers nothing and is always taken.
    bool take(int left, int top, int width, int height);

private:
    int width = 0;
    int height = 0;
    int wordsPerRow = 0;
    std::vector<std::uint64_t> words;
};
