#include "model/framefinder.h"

#include "model/numberparse.h"
#include "model/textscanner.h"
#include "model/trajectoryreader_shared.h"

#include <cstring>

void findFrames(const char *p, const char *end, LayoutKind kind, const LayoutSettings &settings,
    std::size_t budget, std::vector<FrameSpan> &spans, LineCounter *counter)
{
    // An XYZ frame is a count line, a comment line and the atom lines, whatever the settings.
    static const LayoutSettings XyzFrame{};
    const LayoutSettings &layout = kind == LayoutKind::XYZ ? XyzFrame : settings;
    const char *const start = p;
    const std::size_t most = spans.size() + MostFramesFound;
    while (p < end && static_cast<std::size_t>(p - start) < budget && spans.size() < most) {
        const char *frameStart = p;
        std::int64_t lines = 1;
        if (kind != LayoutKind::Table) {
            std::int64_t atomCount = 1;
            if (layout.useFixedCount) {
                atomCount = layout.fixedAtomCount;
            } else {
                if (layout.atomCountPosition >= layout.firstAtomLine)
                    return;
                const char *countLine = skipLines(p, end, layout.atomCountPosition - 1);
                if (!countLine || countLine == end)
                    return;
                const void *lineFeed =
                    std::memchr(countLine, '\n', static_cast<std::size_t>(end - countLine));
                const char *countEnd = lineFeed ? static_cast<const char *>(lineFeed) : end;
                int count = 0;
                if (!parseInt(countLine, countEnd, count) || count <= 0)
                    return;
                atomCount = count;
            }
            lines = frameLines(layout, atomCount);
            if (lines <= 0)
                return;
        }
        const char *frameEnd = counter ? counter->skip(p, lines) : skipLines(p, end, lines);
        if (!frameEnd)
            return;
        spans.push_back({frameStart, frameEnd});
        p = frameEnd;
    }
}
