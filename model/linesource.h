#pragma once

#include <cstdint>
#include <string_view>

/// One line of a trajectory text: its characters without the line feed (and without a carriage
/// return just before it), and whether a line feed ended it.
struct TextLine
{
    std::string_view text;
    bool hasLineFeed = false;
};

/// Hands out the lines of a text held in memory, one at a time, each whole whatever its length.
/// It never copies: a line refers to the text, which must outlive the source.
class LineSource
{
public:
    LineSource() = default;
    explicit LineSource(std::string_view bytes)
        : first(bytes.data())
        , cursor(bytes.data())
        , last(bytes.data() + bytes.size())
    {
    }

    /// Takes the next line; false when none is left.
    bool nextLine(TextLine &line);
    /// Number of lines still to come, counting no further than limit.
    std::int64_t linesAvailable(std::int64_t limit) const;
    /// True when every line has been taken.
    bool atEnd() const { return cursor == last; }
    /// Where the next line starts.
    const char *position() const { return cursor; }
    const char *begin() const { return first; }
    const char *end() const { return last; }
    /// Moves to a line start inside the text.
    void seek(const char *lineStart) { cursor = lineStart; }

private:
    const char *first = nullptr;
    const char *cursor = nullptr;
    const char *last = nullptr;
};
