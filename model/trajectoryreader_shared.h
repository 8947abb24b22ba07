#pragma once

// What the layout readers, the frame finder and the whole-file loading share.

#include "model/frame.h"
#include "model/inputformat.h"
#include "model/linesource.h"
#include "model/messagesink.h"
#include "model/textscanner.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr std::string_view FormatErrorCaption = "INPUT FILE FORMAT ERROR";
inline constexpr std::string_view FormatWarningCaption = "INPUT FILE FORMAT WARNING";
inline constexpr std::string_view ReadingErrorCaption = "READING FILE ERROR";

// Counts above this are checked against what the rest of the file can hold before any memory
// is taken for them; smaller ones cost too little to bother.
inline constexpr std::int64_t LargeAtomCount = 4096;

inline constexpr std::size_t MaxNameLength = 30;

inline constexpr std::string_view TimeMissing = "Time not found on specified line";
inline constexpr std::string_view EnergyMissing = "Energy not found on specified line";
inline constexpr std::string_view ChargeMissing = "Atom charge not found on specified position";

// Makes the pages of a large fresh array present with one call instead of a fault per page
// as it is first written.
void prefaultForWriting(const void *data, std::size_t bytes);
// Takes the memory for count atoms without building them yet; false when there is none.
bool reserveAtoms(Frame &frame, std::int64_t count);
// Takes the atom name that starts at p after blanks into name and moves p past it; shows
// "Invalid or missed atom name" and returns false when it is longer than a name may be.
inline bool takeAtomName(const char *&p, const char *end, std::string_view &name, MessageSink &sink)
{
    const char *nameStart = skipBlanks(p, end);
    const char *nameEnd = nameStart;
    while (nameEnd < end && !isBlank(*nameEnd))
        ++nameEnd;
    if (static_cast<std::size_t>(nameEnd - nameStart) > MaxNameLength) {
        sink.show(FormatErrorCaption, "Invalid or missed atom name");
        return false;
    }
    name = std::string_view(nameStart, static_cast<std::size_t>(nameEnd - nameStart));
    p = nameEnd;
    return true;
}

// Takes the memory for the frame's atoms, but no more than the lines left in source can fill: a
// count the rest of the file cannot hold would only end in a truncated frame. Shows "Not enough
// memory" and returns false when there is none.
bool reserveAtomsForLines(Frame &frame, const LineSource &source, MessageSink &sink);
// Builds the frame's atoms as allocateAtoms does, in memory taken as by reserveAtoms.
bool makeAtoms(Frame &frame, int count);

// The lines of a frame of the line layouts holding atomCount atoms: through its last atom line,
// and through the time and energy lines wherever those stand.
inline std::int64_t frameLines(const LayoutSettings &layout, std::int64_t atomCount)
{
    std::int64_t lines = std::int64_t{layout.firstAtomLine} + atomCount - 1;
    if (layout.readTime)
        lines = std::max<std::int64_t>(lines, layout.timePosition);
    if (layout.readEnergy)
        lines = std::max<std::int64_t>(lines, layout.energyPosition);
    return lines;
}
