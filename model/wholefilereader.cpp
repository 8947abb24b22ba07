// Reading every frame of a file's bytes, in file order or on several threads at once with the
// same messages and frames, within the list's memory budget.

#include "model/framefinder.h"
#include "model/framestore.h"
#include "model/linecounter.h"
#include "model/trajectoryreader.h"
#include "model/trajectoryreader_shared.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <new>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Stands in for the message boxes while a frame is read ahead on another thread: it keeps what
// the frame would have said, and on which line, so the frame can say it when its turn comes.
class ProbeSink : public MessageSink
{
public:
    void show(std::string_view caption, std::string_view text) override
    {
        said.push_back({std::string(caption), std::string(text), reader->currentLine()});
    }

    struct Said
    {
        std::string caption;
        std::string text;
        const char *line = nullptr;
    };
    std::vector<Said> said;
    const TrajectoryReader *reader = nullptr; ///< the reader whose lines are meant
};

// Forwards the reader's messages to the caller's sink and, when asked, notes the file line of
// each.
class LocatingSink : public MessageSink
{
public:
    LocatingSink(MessageSink &sink, const TrajectoryFile &file, bool wanted, ReadOutcome &outcome)
        : sink(sink)
        , file(file)
        , counted(file.bytes().data())
        , wanted(wanted)
        , outcome(outcome)
    {
    }
    void setReader(const TrajectoryReader *inOrder) { reader = inOrder; }
    void show(std::string_view caption, std::string_view text) override
    {
        showAt(caption, text, reader ? reader->currentLine() : nullptr);
    }
    void showAt(std::string_view caption, std::string_view text, const char *line)
    {
        if (holdMemoryMessage && text == "Not enough memory") {
            memoryMessageHeld = true; // the frames are read on demand instead
            return;
        }
        if (aboutChangedBytes(line))
            return; // it is about zeros that stand for bytes gone: the change is told instead
        showAnyway(caption, text, line);
    }
    void showAnyway(std::string_view caption, std::string_view text, const char *line)
    {
        if (wanted)
            outcome.messageLines.push_back(lineNumber(line));
        sink.show(caption, text);
    }
    /// The 1-based file line that starts at line; 0 for none. Messages come in file order, so
    /// the line feeds are counted once from the last place asked for.
    std::int64_t lineNumber(const char *line)
    {
        if (!line)
            return 0;
        if (line < counted) {
            linesBefore = 0;
            counted = start;
        }
        linesBefore += countLineFeeds(counted, line);
        counted = line;
        return linesBefore + 1;
    }

    /// While set, "Not enough memory" is kept back: running out switches to reading on demand.
    bool holdMemoryMessage = false;
    bool memoryMessageHeld = false;

private:
    // True when the file changed and the line starting at line may have been read as zeros.
    bool aboutChangedBytes(const char *line) const
    {
        const FileChange change = file.change();
        if (!change.any())
            return false;
        if (!line)
            return true;
        const char *end = file.bytes().data() + file.bytes().size();
        const void *lineFeed = std::memchr(line, '\n', static_cast<std::size_t>(end - line));
        return change.spoils(line, lineFeed ? static_cast<const char *>(lineFeed) + 1 : end);
    }

    MessageSink &sink;
    const TrajectoryFile &file;
    const char *counted;
    const char *const start = counted;
    std::int64_t linesBefore = 0;
    bool wanted;
    ReadOutcome &outcome;
    const TrajectoryReader *reader = nullptr;
};

class WholeFileReader
{
public:
    WholeFileReader(TrajectoryFile &file, const InputFormat &format, AtomTypeTable &types,
        MessageSink &sink, ReaderWarned &warned, FrameList &frames, const ReadOptions &options)
        : file(file)
        , kind(static_cast<LayoutKind>(InputFormat::clampKind(format.kind)))
        , layout(format.current())
        , types(types)
        , sink(sink, file, options.lineNumbers, outcome)
        , warned(warned)
        , frames(frames)
        , options(options)
        , reader(kind, layout, types, this->sink, warned)
        , source(file.bytes())
    {
        this->sink.setReader(&reader);
        // A file whose text is whole can be read on demand when it cannot be held decoded.
        switchable = options.holding == FrameHolding::Automatic && frames.budget().limit() > 0
            && !file.truncated();
        this->sink.holdMemoryMessage = switchable;
    }

    /// True when the frames were indexed to be read on demand.
    bool indexed() const { return indexing; }
    FrameIndex takeIndex() { return std::move(index); }
    /// What the index took from the budget while it grew.
    std::size_t indexBytes() const { return indexTaken; }

    ReadOutcome run()
    {
        // The text held in memory shares the budget with the frames while they are read.
        std::size_t held = file.heldBytes();
        if (!frames.budget().take(held)) {
            outOfMemory();
            return finish();
        }
        struct GiveBack
        {
            MemoryBudget &budget;
            std::size_t bytes;
            ~GiveBack() { budget.giveBack(bytes); }
        } textGoesBack{frames.budget(), held};
        for (int i = 0; i < layout.skipLines; ++i) {
            TextLine line;
            if (!source.nextLine(line))
                return finish();
        }
        framesStart = source.position();
        int threads = options.threads;
        // Past a few threads the reading is bound by memory, not by parsing.
        if (threads <= 0)
            threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
        try {
            if (options.holding == FrameHolding::OnDemand) {
                indexFrames();
            } else {
                try {
                    if (threads == 1)
                        readInOrder();
                    else
                        readInParallel(threads);
                } catch (const std::bad_alloc &) {
                    // Memory ran out outside a frame's atoms (the list, a batch): the same end.
                    outOfMemory();
                }
                if (switchToIndex) {
                    // Start over with an index: the messages said so far stay said, and the
                    // once-per-file warnings stay given.
                    sink.holdMemoryMessage = false;
                    frames.clearFrames();
                    if (!frames.budget().take(held))
                        held = 0;
                    textGoesBack.bytes = held;
                    outcome = ReadOutcome{};
                    source.seek(framesStart);
                    lastReport = framesStart;
                    indexFrames();
                }
            }
        } catch (const std::bad_alloc &) {
            outOfMemory();
        }
        if (sink.memoryMessageHeld && !indexing) {
            sink.holdMemoryMessage = false;
            sink.showAt(ReadingErrorCaption, "Not enough memory", nullptr);
        }
        return finish();
    }

private:
    static constexpr std::size_t ReleaseStep = std::size_t{16} << 20;

    void outOfMemory()
    {
        if (switchable && !indexing) {
            switchToIndex = true;
            return;
        }
        outcome.endedWith = ReadResult::OutOfMemory;
        outcome.outOfMemory = true;
        outcome.stopLine = 0;
        sink.showAt(ReadingErrorCaption, "Not enough memory", nullptr);
    }

    ReadOutcome finish()
    {
        // A file that shrank (a simulation starting over, say) ends the reading as a failed
        // read does, keeping the frames read from its old bytes.
        if (const FileChange change = file.change(); change.any()) {
            if (indexing) {
                const char *const base = file.bytes().data();
                int kept = 0;
                while (kept < index.count()
                    && !change.spoils(base + index.begin(kept), base + index.end(kept)))
                    ++kept;
                index.truncate(kept);
                outcome.framesRead = kept;
            }
            outcome.fileChanged = true;
            outcome.endedWith = ReadResult::FormatError;
            outcome.stopLine = 0;
            sink.showAnyway(
                ReadingErrorCaption, "The file changed while it was being read", nullptr);
            reportProgress();
            return outcome;
        }
        // A file that could not be held whole ends where its memory did, when the reading got
        // that far: to its end, or to its last line, which may have been cut.
        if (file.truncated() && !outcome.outOfMemory && !outcome.stopped) {
            const char *line = reader.currentLine();
            if (!line || !std::memchr(line, '\n', static_cast<std::size_t>(source.end() - line)))
                outOfMemory();
        }
        // A decompressed text is held in memory where a file on disk is not: say so, as the way
        // out.
        if (outcome.outOfMemory && file.truncated() && file.compression() != Compression::None)
            sink.showAt(ReadingErrorCaption,
                "The decompressed text is larger than the memory limit allows (see --memory); "
                "decompress the file to disk to open all of it frame by frame",
                nullptr);
        // A damaged compressed file ends where its damage was found, but gzip finds some only
        // at its end: whatever the reading made of the text, the damage is told.
        if (file.damaged())
            sink.showAt(
                ReadingErrorCaption, "The compressed file is damaged or cut short", nullptr);
        if (file.needsLargerWindow())
            sink.showAt(ReadingErrorCaption,
                "The compressed file needs a larger decompression window than the memory "
                "limit allows (see --memory)",
                nullptr);
        reportProgress();
        return outcome;
    }

    // False for a frame that took bytes the file no longer holds. Zeros stand for pages a
    // shrunk file lost; without a fault noticed, only the page the file now ends in gives
    // them, and only to a frame that ends where the text does, in its last page.
    bool fromTheFile(const char *frameStart, const char *frameEnd) const
    {
        if (!file.changeNoticed() && frameEnd <= lastPage)
            return true;
        return !file.change().spoils(frameStart, frameEnd);
    }

    // Reads one frame in file order with the real messages; false when the reading ends.
    // A frame read ahead in vain lends its arrays to the frame read in its place, so their room
    // in the list's heap (which only grows until the list is cleared) is not lost.
    bool readNextInOrder(Frame *spare = nullptr)
    {
        Frame frame(frames.memory());
        if (spare)
            lend(*spare, frame);
        const char *const frameStart = source.position();
        const ReadResult result = reader.readFrame(frame, source);
        if (result != ReadResult::FrameComplete) {
            if (result == ReadResult::OutOfMemory && switchable) {
                switchToIndex = true;
                return false;
            }
            outcome.endedWith = result;
            outcome.outOfMemory = result == ReadResult::OutOfMemory;
            if (options.lineNumbers)
                outcome.stopLine = sink.lineNumber(reader.currentLine());
            if (spare)
                lend(frame, *spare);
            return false;
        }
        if (!fromTheFile(frameStart, source.position()))
            return false;
        if (outcome.framesRead == 0 && switchable && tooLargeToHold(frame, frameStart)) {
            switchToIndex = true;
            return false;
        }
        return append(std::move(frame));
    }

    // True when the file's frames, as large as its first one for their text, would not fit
    // the budget decoded.
    bool tooLargeToHold(const Frame &first, const char *frameStart) const
    {
        const auto frameText = static_cast<double>(source.position() - frameStart);
        if (frameText <= 0.0)
            return false;
        const double decoded =
            static_cast<double>(recordBytes(first) + first.atoms.capacity() * sizeof(FrameAtom));
        const double frameCount = static_cast<double>(source.end() - framesStart) / frameText;
        const MemoryBudget &budget = frames.budget();
        const double room =
            static_cast<double>(budget.limit() - std::min(budget.limit(), budget.used()));
        return decoded * frameCount > 0.9 * room;
    }

    // Makes a frame read before as good as a new one, keeping the room of its arrays.
    static void recycle(Frame &frame)
    {
        frame.atomCount = 0;
        frame.atoms.clear();
        frame.time = 0.0;
        frame.energy = 0.0;
        frame.hasTime = true;
        frame.hasEnergy = true;
        frame.clearText();
        if (frame.hasExtras())
            frame.editExtras().clear();
    }

    static void lend(Frame &from, Frame &to)
    {
        to.atoms = std::move(from.atoms);
        to.atoms.clear();
        if (from.hasExtras() && from.extras().ownTerms.capacity() > 0) {
            std::pmr::vector<OrbitalTerm> &terms = to.editExtras().ownTerms;
            terms = std::move(from.editExtras().ownTerms);
            terms.clear();
        }
    }

    // False, after saying so, when the budget has no room for the frame: the reading ends
    // there with the frames before it.
    bool append(Frame &&frame)
    {
        if (!frames.budget().take(recordBytes(frame))) {
            outOfMemory();
            return false;
        }
        frames.appendFrame(std::move(frame));
        ++outcome.framesRead;
        return true;
    }

    void reportProgress()
    {
        const std::string_view bytes = file.bytes();
        if (options.progress)
            options.progress(bytes.empty() ? 1.0
                                           : static_cast<double>(source.position() - bytes.data())
                        / static_cast<double>(bytes.size()));
    }

    // False when the caller asks the reading to end here.
    bool madeProgress()
    {
        if (options.carryOn && !options.carryOn()) {
            outcome.stopped = true;
            return false;
        }
        if (static_cast<std::size_t>(source.position() - lastReport) < ReleaseStep)
            return true;
        lastReport = source.position();
        file.releaseBefore(source.position());
        reportProgress();
        return true;
    }

    // Indexes the frames from the source's position on: the finder finds them without reading
    // their values, and the reader reads, with its messages, each frame the finder stops at, so
    // the frames end where a whole read ends them.
    void indexFrames()
    {
        indexing = true;
        outcome.onDemand = true;
        const char *const base = file.bytes().data();
        std::vector<FrameSpan> spans;
        LineCounter counter(source.position(), source.end(), options.threads);
        for (;;) {
            spans.clear();
            findFrames(
                source.position(), source.end(), kind, layout, IndexBatchBytes, spans, &counter);
            std::size_t indexed = 0;
            if (!spans.empty() && !roomInIndex(spans.size()))
                return;
            for (const FrameSpan &span : spans) {
                FrameSummary summary;
                if (!summarise(span, summary))
                    break; // the reader reads this one below, with its messages
                index.add(static_cast<std::uint64_t>(span.begin - base), summary);
                ++indexed;
            }
            if (indexed > 0)
                source.seek(spans[indexed - 1].end);
            if (indexed < spans.size() || spans.empty()) {
                const char *const frameStart = source.position();
                Frame frame;
                const ReadResult result = reader.readFrame(frame, source);
                if (result != ReadResult::FrameComplete) {
                    outcome.endedWith = result;
                    outcome.outOfMemory = result == ReadResult::OutOfMemory;
                    if (options.lineNumbers)
                        outcome.stopLine = sink.lineNumber(reader.currentLine());
                    source.seek(frameStart);
                    return;
                }
                if (!fromTheFile(frameStart, source.position()) || !roomInIndex(1))
                    return;
                index.add(static_cast<std::uint64_t>(frameStart - base), summaryOf(frame));
            }
            index.setEnd(static_cast<std::uint64_t>(source.position() - base));
            outcome.framesRead = index.count();
            if (!madeProgress())
                return;
        }
    }

    // What the index keeps of the frame; false when only the reader can tell (a value the
    // frame cannot be read with). An XYZ frame's count and comment lines say all the index
    // keeps; other layouts spread it over the frame, which is read whole for it.
    bool summarise(const FrameSpan &span, FrameSummary &summary)
    {
        const std::string_view text(span.begin, static_cast<std::size_t>(span.end - span.begin));
        if (kind == LayoutKind::XYZ) {
            summary = summariseXyzFrame(text);
            return true;
        }
        ProbeSink probe;
        ReaderWarned flags = warned;
        TrajectoryReader quiet(kind, layout, types, probe, flags);
        probe.reader = &quiet;
        LineSource lines(text);
        Frame frame;
        if (quiet.readFrame(frame, lines) != ReadResult::FrameComplete || !lines.atEnd()
            || !probe.said.empty())
            return false;
        summary = summaryOf(frame);
        return true;
    }

    // False, after saying so, when the budget has no room for frames more in the index.
    bool roomInIndex(std::size_t more)
    {
        const std::size_t wanted = static_cast<std::size_t>(index.count()) + more;
        if (wanted <= index.capacity())
            return true;
        // Room for the frames the rest of the text holds, as large as those so far: the index
        // grows about once, never to twice what it needs.
        const auto count = static_cast<std::size_t>(index.count());
        const auto done = static_cast<double>(source.position() - framesStart);
        const auto left = static_cast<double>(source.end() - source.position());
        const std::size_t expected = count > 0 && done > 0
            ? static_cast<std::size_t>(left / (done / static_cast<double>(count)) * 1.05)
            : 0;
        const std::size_t capacity = std::max(
            {wanted, index.capacity() + index.capacity() / 4, count + expected, std::size_t{1024}});
        const std::size_t bytes = (capacity - index.capacity()) * FrameIndex::EntryBytes;
        if (!frames.budget().take(bytes)) {
            outOfMemory();
            return false;
        }
        indexTaken += bytes;
        index.reserve(capacity);
        return true;
    }

    void readInOrder()
    {
        while (readNextInOrder() && madeProgress()) { }
    }

    // A frame read ahead, with what it would have said and the flags it left.
    struct Ahead
    {
        explicit Ahead(std::pmr::memory_resource *memory)
            : frame(memory)
        {
        }
        Frame frame;
        bool complete = false;
        std::vector<ProbeSink::Said> said;
        ReaderWarned flagsAfter;
    };

    // Frames are found first (a cheap pass over the line feeds), then read by every thread at
    // once, each with the warning flags as they stood before the batch and a sink that keeps
    // what the frame says. A complete frame read that way is exactly what reading in file order
    // gives when it said nothing (its guarded failures were silent under flags that can only
    // have grown since), or when the flags are still those it was read with (it then says its
    // messages now). Any other frame is read again here, in file order, with the real sink and
    // flags; once the flags have moved, the rest of the batch is read ahead again with them. So
    // messages, their order and the frames kept are those of the plain loop. The first frame is
    // read in order: it usually sets every flag the file will set, so the rest reads ahead.
    void readInParallel(int threads)
    {
        if (!readNextInOrder())
            return;
        const std::size_t budget = options.batchBytes ? options.batchBytes : BatchBytes;
        std::vector<FrameSpan> spans;
        std::vector<FrameSpan> nextSpans;
        const char *nextStart = nullptr;
        std::vector<Ahead> slots;
        // A batch holds at least a frame for each thread, however large the frames: a batch of
        // one frame would read on one thread only.
        const auto findBatch = [&](const char *from, std::vector<FrameSpan> &into) {
            findFrames(from, source.end(), kind, layout, budget, into);
            while (!into.empty() && into.size() < static_cast<std::size_t>(threads)) {
                const std::size_t found = into.size();
                findFrames(into.back().end, source.end(), kind, layout, 1, into);
                if (into.size() == found)
                    break;
            }
        };
        for (;;) {
            // The next batch was found while the threads read this one; it is only good if the
            // reading went on exactly where it was expected to.
            if (nextStart && nextStart == source.position()) {
                std::swap(spans, nextSpans);
            } else {
                spans.clear();
                findBatch(source.position(), spans);
            }
            nextStart = nullptr;
            if (spans.empty()) {
                if (!readNextInOrder() || !madeProgress())
                    return;
                continue;
            }
            // The frames take their arrays from the list's heap, so moving one into the list
            // leaves its atoms where the reading thread put them. Slots not taken by the list
            // keep their arrays for the next batch.
            while (slots.size() < spans.size())
                slots.emplace_back(frames.memory());
            nextSpans.clear();
            const char *const following = spans.back().end;
            const ReaderWarned before = warned;
            readAhead(spans, slots, before, threads, [&] { findBatch(following, nextSpans); });
            nextStart = following;
            // the threads are done with the batch: a change since shows in the file's size
            const FileChange change = file.change();
            for (std::size_t i = 0; i < spans.size(); ++i) {
                Ahead &slot = slots[i];
                if (change.spoils(spans[i].begin, spans[i].end))
                    return;
                if (slot.complete && (slot.said.empty() || warned == before)) {
                    if (!slot.said.empty()) {
                        for (const ProbeSink::Said &said : slot.said)
                            sink.showAt(said.caption, said.text, said.line);
                        warned = slot.flagsAfter;
                    }
                    if (!append(std::move(slot.frame)))
                        return;
                    slot.frame = Frame(frames.memory());
                    ++outcome.framesReadAhead;
                    source.seek(spans[i].end);
                    continue;
                }
                source.seek(spans[i].begin);
                if (!(warned == before))
                    break;
                if (!readNextInOrder(&slot.frame))
                    return;
                if (source.position() != spans[i].end)
                    break; // the frame ended elsewhere than found: find again from here
            }
            if (!madeProgress())
                return;
        }
    }

    // Reads the frames of spans on every thread; the calling thread first does `meanwhile`.
    template <class Meanwhile>
    void readAhead(const std::vector<FrameSpan> &spans, std::vector<Ahead> &slots,
        const ReaderWarned &before, int threads, const Meanwhile &meanwhile)
    {
        std::atomic<std::size_t> nextFrame{0};
        const std::size_t chunk =
            std::max<std::size_t>(1, spans.size() / (16 * static_cast<std::size_t>(threads)));
        const auto work = [&]() {
            ReaderWarned flags = before;
            ProbeSink probe;
            TrajectoryReader ahead(kind, layout, types, probe, flags);
            probe.reader = &ahead;
            for (;;) {
                const std::size_t first = nextFrame.fetch_add(chunk);
                if (first >= spans.size())
                    return;
                const std::size_t last = std::min(spans.size(), first + chunk);
                for (std::size_t i = first; i < last; ++i) {
                    Ahead &slot = slots[i];
                    probe.said.clear();
                    flags = before;
                    recycle(slot.frame);
                    LineSource lines(std::string_view(
                        spans[i].begin, static_cast<std::size_t>(spans[i].end - spans[i].begin)));
                    try {
                        const ReadResult result = ahead.readFrame(slot.frame, lines);
                        slot.complete = result == ReadResult::FrameComplete && lines.atEnd();
                        slot.said.swap(probe.said);
                        slot.flagsAfter = flags;
                    } catch (...) {
                        slot.complete = false;
                    }
                }
            }
        };
        for (std::size_t i = 0; i < spans.size(); ++i)
            slots[i].complete = false;
        std::vector<std::thread> helpers;
        try {
            for (int t = 1; t < threads; ++t)
                helpers.emplace_back(work);
        } catch (const std::exception &) {
            // Fewer helpers only means slower reading.
        }
        meanwhile();
        work();
        for (std::thread &helper : helpers)
            helper.join();
    }

    static constexpr std::size_t BatchBytes = std::size_t{8} << 20;
    static constexpr std::size_t IndexBatchBytes = std::size_t{16} << 20;

    TrajectoryFile &file;
    LayoutKind kind;
    const LayoutSettings &layout;
    AtomTypeTable &types;
    ReadOutcome outcome;
    LocatingSink sink;
    ReaderWarned &warned;
    FrameList &frames;
    const ReadOptions &options;
    TrajectoryReader reader;
    LineSource source;
    const char *lastReport = source.position();
    const char *framesStart = source.position();
    bool switchable = false;
    bool switchToIndex = false;
    bool indexing = false;
    FrameIndex index;
    std::size_t indexTaken = 0;
    const char *const lastPage = file.bytes().data()
        + (file.bytes().empty()
                ? 0
                : (file.bytes().size() - 1) / static_cast<std::size_t>(getpagesize())
                    * static_cast<std::size_t>(getpagesize()));
};

} // namespace

ReadOutcome readTrajectory(TrajectoryFile &file, const InputFormat &format, AtomTypeTable &types,
    MessageSink &sink, ReaderWarned &warned, FrameList &frames, const ReadOptions &options)
{
    WholeFileReader whole(file, format, types, sink, warned, frames, options);
    ReadOutcome outcome = whole.run();
    if (!whole.indexed())
        return outcome;
    // The store takes from the budget what it keeps: the text, the index and the cache, which
    // gets half of what is left, enough for a few frames however little that is.
    MemoryBudget &budget = frames.budget();
    budget.giveBack(whole.indexBytes());
    FrameIndex index = whole.takeIndex();
    constexpr std::size_t MostCache = std::size_t{256} << 20;
    constexpr std::size_t LeastCache = std::size_t{1} << 20;
    std::size_t cache = MostCache;
    if (budget.limit() > 0) {
        const std::size_t kept =
            budget.used() + file.heldBytes() + index.capacity() * FrameIndex::EntryBytes;
        const std::size_t left = budget.limit() > kept ? budget.limit() - kept : 0;
        cache = std::clamp(left / 2, LeastCache, MostCache);
    }
    const auto kind = static_cast<LayoutKind>(InputFormat::clampKind(format.kind));
    frames.useStore(std::make_unique<FrameStore>(
        std::move(file), std::move(index), kind, format.current(), types, warned, budget, cache));
    return outcome;
}
