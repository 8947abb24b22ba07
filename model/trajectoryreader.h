#pragma once

#include "model/atomtype.h"
#include "model/frame.h"
#include "model/inputformat.h"
#include "model/linesource.h"
#include "model/messagesink.h"
#include "model/trajectoryfile.h"
#include "model/xyzcomment.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// How reading one frame ended, in the order of the reader's return codes 0 to 3.
enum class ReadResult {
    FrameComplete, ///< the frame is filled; the source stands after it
    EndOfFile, ///< a line was needed and none was left, or a table row has no atom count
    FormatError, ///< a format error (its message has been shown) or a count line without a number
    OutOfMemory ///< the atoms could not be allocated ("Not enough memory" has been shown)
};

/// The warnings and errors that are shown at most once per file. The caller clears them before
/// the first frame of each file.
struct ReaderWarned
{
    bool charge = false;
    bool time = false;
    bool energy = false;
    bool impulse = false;
    bool orbital = false;

    void clear() { *this = ReaderWarned{}; }
    friend bool operator==(const ReaderWarned &, const ReaderWarned &) = default;
};

/// Maps atom names to the table's types during one read, so each distinct name is looked up in
/// the table once. The table must not change while the cache is used.
class AtomTypeCache
{
public:
    /// With resolveElements, names no type has exactly are taken as elements would be in an
    /// XYZ file (AtomTypeTable::findTypeForName); otherwise as findAtomType takes them.
    explicit AtomTypeCache(AtomTypeTable &table, bool resolveElements = false)
        : table(table)
        , resolveElements(resolveElements)
    {
    }

    struct Found
    {
        AtomType *type = nullptr;
        int activeTerms = 0; ///< terms of the type's orbitals whose coefficient is not 0
        bool typeNamed = true; ///< the name is the type's own name
    };
    /// The type found for name (at most 30 characters), with its active terms.
    Found find(std::string_view name);

private:
    struct Entry
    {
        std::array<char, 31> name{};
        std::uint8_t length = 0xFF; ///< 0xFF: the slot is empty
        Found found;
    };
    static constexpr std::size_t Slots = 256;
    AtomTypeTable &table;
    bool resolveElements = false;
    std::array<Entry, Slots> entries{};
};

/// Reads frames of one layout, one frame per call, and reports problems as message boxes with
/// the captions and texts of the program ("INPUT FILE FORMAT ERROR", ...). Warnings that are
/// shown once per file are guarded by the flags passed in.
class TrajectoryReader
{
public:
    TrajectoryReader(LayoutKind kind, const LayoutSettings &layout, AtomTypeTable &types,
        MessageSink &sink, ReaderWarned &warned);

    /// Fills the freshly created frame from the next lines of source. On FrameComplete the
    /// source stands after the frame; on any other result the caller discards the frame.
    [[nodiscard]] ReadResult readFrame(Frame &frame, LineSource &source);
    /// Where the line the reader took last starts (the line a message or a stop is about);
    /// nullptr before any line, and when the source ended where a line was needed.
    const char *currentLine() const { return lineStart; }

private:
    ReadResult readFrameLines(Frame &frame, LineSource &source);
    // The line layouts, Common and Custom (trajectoryreader_common.cpp).
    ReadResult readLinesFrame(Frame &frame, LineSource &source);
    std::int64_t frameLineCount(Frame &frame);
    ReadResult readFrameLine(
        Frame &frame, const TextLine &line, std::int64_t lineNumber, LineSource &source);
    ReadResult readAtomLine(Frame &frame, FrameAtom &atom, const char *p, const char *end);
    // The Table layout (trajectoryreader_table.cpp).
    ReadResult readTableFrame(Frame &frame, LineSource &source);
    ReadResult readTableRow(Frame &frame, const char *p, const char *end);
    // The XYZ layout (trajectoryreader_xyz.cpp).
    ReadResult readXyzFrame(Frame &frame, LineSource &source);
    ReadResult readXyzAtom(Frame &frame, FrameAtom &atom, const char *p, const char *end);
    ReadResult readXyzColumns(Frame &frame, FrameAtom &atom, const char *p, const char *end);
    ReadResult readXyzName(Frame &frame, FrameAtom &atom, const char *&p, const char *end);
    ReadResult readAtomCount(Frame &frame, const char *&p, const char *end, ReadResult missing);
    /// Keeps the name the atom at index was read with when it is not its type's name.
    void keepName(
        Frame &frame, std::size_t index, std::string_view name, const AtomTypeCache::Found &found);
    /// Reads one real at p into value (0 and a one-shot warning when there is none); returns
    /// where reading goes on.
    const char *readFrameValue(
        const char *p, const char *end, double &value, bool &flag, std::string_view missing);
    void warnOnce(bool &flag, std::string_view caption, std::string_view text);

    LayoutKind kind;
    const LayoutSettings &layout;
    AtomTypeTable &types;
    MessageSink &sink;
    ReaderWarned &warned;
    AtomTypeCache cache;
    const char *lineStart = nullptr;
    // The names kept for the frame being read, each once: name and offset in the frame's text.
    const Frame *namedFrame = nullptr;
    std::vector<std::pair<std::string, std::uint32_t>> keptNames;
    // The XYZ frame being read: its positions' unit, and its columns, planned again only when
    // a frame's Properties differ from the last.
    double xyzScale = 1.0;
    bool xyzHasProperties = false;
    std::string xyzProperties;
    bool xyzPlanned = false;
    XyzColumnPlan xyzPlan;
};

/// The colours a file of the layout kind is drawn in: XYZ files the field's, the program's own
/// layouts the program's own.
constexpr AtomTypeTable::ColourScheme colourSchemeFor(LayoutKind kind)
{
    return kind == LayoutKind::XYZ ? AtomTypeTable::ColourScheme::Conventional
                                   : AtomTypeTable::ColourScheme::Program;
}

/// Reads one frame of the format's current kind from source, as TrajectoryReader::readFrame.
[[nodiscard]] ReadResult readFrame(Frame &frame, LineSource &source, const InputFormat &format,
    AtomTypeTable &types, MessageSink &sink, ReaderWarned &warned);

/// How a read holds the frames: decoded, all at once, or read from the file as they are asked
/// for (FrameList::onDemand), which only an index of the frames stays in memory for.
enum class FrameHolding {
    /// Whole while the frames fit the list's budget; on demand for a file that it cannot hold
    /// decoded (as its first frame tells, or as the budget runs out), when the file's text is
    /// whole.
    Automatic,
    Whole,
    OnDemand,
};

/// Options of a whole-file read.
struct ReadOptions
{
    FrameHolding holding = FrameHolding::Automatic;
    /// Threads that parse frames: 1 reads strictly one frame after the other, 0 uses every
    /// core. Messages, their order and every value are the same either way.
    int threads = 0;
    /// Bytes of frames the threads read ahead at a time; 0 picks a size that suits large files.
    std::size_t batchBytes = 0;
    /// Called now and then with the fraction of the file read so far (0 to 1).
    std::function<void(double)> progress;
    /// Asked after each frame read in order and after each batch read ahead; false ends the
    /// reading there, keeping every frame read so far (ReadOutcome::stopped).
    std::function<bool()> carryOn;
    /// Notes the file line of every message and of the stop in the outcome.
    bool lineNumbers = false;
};

/// How a whole-file read ended.
struct ReadOutcome
{
    int framesRead = 0;
    /// The result that ended the reading (never FrameComplete). EndOfFile also when the file
    /// ended while its leading lines were skipped.
    ReadResult endedWith = ReadResult::EndOfFile;
    /// True when memory ran out, for the atoms or for a frame record.
    bool outOfMemory = false;
    /// True when ReadOptions::carryOn ended the reading.
    bool stopped = false;
    /// How many of the frames read were read ahead by the threads rather than in order (for
    /// diagnostics and tests).
    int framesReadAhead = 0;
    /// With ReadOptions::lineNumbers: the 1-based file line of each message, in the order
    /// shown (0 for a message about no line), and the line the reading stopped at (0 when the
    /// file ended where a line was needed, or memory ran out outside a frame).
    std::vector<std::int64_t> messageLines;
    std::int64_t stopLine = 0;
    /// True when the file shrank while it was read: the frames read from its old bytes were
    /// kept, the rest dropped, and "The file changed while it was being read" was shown.
    bool fileChanged = false;
    /// True when the frames are read on demand; framesRead then counts the frames indexed.
    bool onDemand = false;
};

/// Reads a whole file as the window's Open does: skips the current kind's leading lines, then
/// reads frames until one is not complete, appending every complete frame to frames. A file
/// read on demand is indexed instead, and given to frames with its index (the file is then
/// moved from). Its frames end where a whole read would end them, told by the same messages,
/// except for a frame whose lines are in place but whose values are not: that frame is found
/// to fail only when it is asked for (FrameList::takeFailure). The
/// caller has cleared the list and the warning flags. Messages go to sink, always from the
/// calling thread and in file order; so do the progress calls. For example:
///
///     TrajectoryFile file;
///     if (!file.open(path))
///         ... "Can't open XYZ file %s"
///     frames.clearFrames();
///     warned.clear();
///     ReadOptions options;
///     options.progress = [&](double done) { ... repaint a progress indication ... };
///     readTrajectory(file, format, types, sink, warned, frames, options);
///     if (frames.count() == 0)
///         ... "No frames read from file %s"
ReadOutcome readTrajectory(TrajectoryFile &file, const InputFormat &format, AtomTypeTable &types,
    MessageSink &sink, ReaderWarned &warned, FrameList &frames, const ReadOptions &options = {});
