// Frames of a file too large to be held decoded, read from the file as they are asked for.

#include "model/framestore.h"

#include "model/linesource.h"
#include "model/numberparse.h"
#include "model/trajectoryreader_shared.h"
#include "model/xyzcomment.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string>

void FrameIndex::add(std::uint64_t offset, const FrameSummary &summary)
{
    entries.push_back({offset, summary.time, summary.energy, summary.atomCount, summary.hasTime,
        summary.hasEnergy});
}

std::uint64_t FrameIndex::end(int index) const
{
    const auto next = static_cast<std::size_t>(index) + 1;
    return next < entries.size() ? entries[next].offset : endOffset;
}

void FrameIndex::truncate(int frames)
{
    if (frames >= count())
        return;
    endOffset = entries[static_cast<std::size_t>(frames)].offset;
    entries.resize(static_cast<std::size_t>(frames));
}

FrameSummary FrameIndex::summary(int index) const
{
    const Entry &entry = entries[static_cast<std::size_t>(index)];
    return {entry.atomCount, entry.time, entry.energy, entry.hasTime, entry.hasEnergy};
}

FrameSummary summariseXyzFrame(std::string_view frameText)
{
    FrameSummary summary;
    LineSource lines(frameText);
    TextLine line;
    if (lines.nextLine(line))
        parseInt(line.text.data(), line.text.data() + line.text.size(), summary.atomCount);
    if (lines.nextLine(line)) {
        const XyzComment comment = parseXyzComment(line.text);
        summary.hasTime = comment.time.has_value();
        summary.time = comment.time.value_or(0.0);
        summary.hasEnergy = comment.energy.has_value();
        summary.energy = comment.energy.value_or(0.0);
    }
    return summary;
}

namespace {

// Counts what a cached frame's arrays take, so the cache knows its size exactly.
class CountingResource : public std::pmr::memory_resource
{
public:
    std::size_t bytes = 0;

private:
    void *do_allocate(std::size_t size, std::size_t alignment) override
    {
        void *memory = std::pmr::new_delete_resource()->allocate(size, alignment);
        bytes += size;
        return memory;
    }
    void do_deallocate(void *memory, std::size_t size, std::size_t alignment) override
    {
        std::pmr::new_delete_resource()->deallocate(memory, size, alignment);
        bytes -= size;
    }
    bool do_is_equal(const std::pmr::memory_resource &other) const noexcept override
    {
        return this == &other;
    }
};

// Keeps the first thing a frame read on demand says: it is told only when the frame fails.
class FirstSaid : public MessageSink
{
public:
    void show(std::string_view caption, std::string_view text) override
    {
        if (said.caption.empty())
            said = {0, std::string(caption), std::string(text)};
    }
    FrameFailure said;
};

// Frames asked for lately stay where they are, whoever still draws them.
constexpr std::uint64_t RecentFrames = 8;
constexpr std::size_t MostCachedFrames = 4096;
constexpr int MostFramesAhead = 32;

} // namespace

struct FrameStore::Cached
{
    CountingResource memory; // before the frame, which gives its arrays back to it
    Frame frame{&memory};
    std::size_t bytes = 0;
    std::uint64_t lastUse = 0;
};

struct FrameStore::Parsed
{
    std::unique_ptr<Cached> cached; // nullptr when the frame could not be read
    FrameFailure failure;
};

FrameStore::FrameStore(TrajectoryFile &&file, FrameIndex &&index, LayoutKind kind,
    const LayoutSettings &layout, AtomTypeTable &types, const ReaderWarned &warned,
    MemoryBudget &budget, std::size_t cacheBytes)
    : file(std::move(file))
    , index(std::move(index))
    , kind(kind)
    , layout(layout)
    , types(types)
    , warnedAtOpen(warned)
    , budget(budget)
    , cacheBytes(cacheBytes)
{
    // What the store keeps for as long as it lives: the text a pipe or a compressed file held,
    // the index, and the room of the cache.
    for (const std::size_t bytes :
        {this->file.heldBytes(), this->index.capacity() * FrameIndex::EntryBytes, cacheBytes})
        if (budget.take(bytes))
            taken += bytes;
}

FrameStore::~FrameStore()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    if (aheadThread.joinable())
        aheadThread.join();
    budget.giveBack(taken);
}

std::string_view FrameStore::frameText(int number) const
{
    if (number < 1 || number > count())
        return {};
    const std::string_view bytes = file.bytes();
    const std::uint64_t begin = index.begin(number - 1);
    const std::uint64_t end = std::min<std::uint64_t>(index.end(number - 1), bytes.size());
    if (begin >= end)
        return {};
    return bytes.substr(begin, end - begin);
}

FrameStore::Parsed FrameStore::parse(int number)
{
    Parsed parsed;
    const std::string_view text = frameText(number);
    FirstSaid said;
    bool complete = false;
    try {
        auto cached = std::make_unique<Cached>();
        ReaderWarned flags = warnedAtOpen;
        TrajectoryReader reader(kind, layout, types, said, flags);
        LineSource lines(text);
        complete = !text.empty()
            && reader.readFrame(cached->frame, lines) == ReadResult::FrameComplete && lines.atEnd();
        cached->bytes =
            sizeof(Cached) - sizeof(Frame) + recordBytes(cached->frame) + cached->memory.bytes;
        if (complete)
            parsed.cached = std::move(cached);
    } catch (const std::bad_alloc &) {
        said.show(ReadingErrorCaption, "Not enough memory");
    }
    // The frame's pages leave the process: a long play does not keep the file resident.
    file.releaseRange(text.data(), text.data() + text.size());
    if (parsed.cached && file.changeNoticed()
        && file.change().spoils(text.data(), text.data() + text.size())) {
        parsed.cached.reset();
        said.said = {
            0, std::string(ReadingErrorCaption), "The file changed while it was being read"};
    }
    if (!parsed.cached) {
        parsed.failure = said.said;
        if (parsed.failure.caption.empty())
            parsed.failure = {0, std::string(FormatErrorCaption), "The frame could not be read"};
        parsed.failure.frame = number;
    }
    return parsed;
}

Frame *FrameStore::frame(int number)
{
    if (number < 1 || number > count())
        return nullptr;
    std::unique_lock lock(mutex);
    for (;;) {
        if (auto found = cache.find(number); found != cache.end()) {
            found->second->lastUse = ++clock;
            return &found->second->frame;
        }
        if (aheadParsing != number)
            break;
        changed.wait(lock, [&] { return aheadParsing != number; });
    }
    lock.unlock();
    Parsed parsed = parse(number);
    lock.lock();
    if (!parsed.cached) {
        if (!failure && !failureTaken)
            failure = std::move(parsed.failure);
        return nullptr;
    }
    return insert(number, std::move(parsed.cached), ++clock);
}

Frame *FrameStore::insert(int number, std::unique_ptr<Cached> cached, std::uint64_t use)
{
    auto [where, added] = cache.try_emplace(number, nullptr);
    if (added) {
        cached->lastUse = use;
        cachedBytes += cached->bytes;
        where->second = std::move(cached);
        if (number == 1)
            firstFrame = &where->second->frame;
        evict();
    } else {
        where->second->lastUse = std::max(where->second->lastUse, use);
    }
    return &where->second->frame;
}

std::size_t FrameStore::cacheFrameLimit() const
{
    if (cache.empty())
        return MostCachedFrames;
    const std::size_t average = std::max<std::size_t>(cachedBytes / cache.size(), 1);
    return std::clamp<std::size_t>(cacheBytes / average, 4, MostCachedFrames);
}

void FrameStore::evict()
{
    while (cache.size() > cacheFrameLimit() || (cachedBytes > cacheBytes && cache.size() > 4)) {
        auto victim = cache.end();
        for (auto it = cache.begin(); it != cache.end(); ++it) {
            const Cached &cached = *it->second;
            if (it->first == heldNumber || &cached.frame == firstFrame
                || keptNumbers.contains(it->first) || cached.lastUse + RecentFrames > clock)
                continue;
            if (victim == cache.end() || cached.lastUse < victim->second->lastUse)
                victim = it;
        }
        if (victim == cache.end())
            return; // every frame is in use: the cache stays over its room for now
        cachedBytes -= victim->second->bytes;
        cache.erase(victim);
    }
}

bool FrameStore::isFirst(const Frame &frame) const
{
    std::lock_guard lock(mutex);
    return &frame == firstFrame;
}

void FrameStore::hold(int number)
{
    std::lock_guard lock(mutex);
    heldNumber = number;
}

void FrameStore::keep(int number)
{
    std::lock_guard lock(mutex);
    keptNumbers.insert(number);
}

void FrameStore::readAhead(int from, int step)
{
    if (step == 0)
        return;
    {
        std::lock_guard lock(mutex);
        if (stopping)
            return;
        // Frames read ahead must not push out the frames asked for lately, nor each other.
        const std::size_t room = cacheFrameLimit();
        const std::size_t spare = room > RecentFrames + 2 ? (room - RecentFrames - 2) / 2 : 0;
        aheadNext = from + step;
        aheadStep = step;
        aheadLeft = static_cast<int>(std::min<std::size_t>(spare, MostFramesAhead));
        if (aheadLeft == 0)
            return;
        if (!aheadThread.joinable()) {
            try {
                aheadThread = std::thread([this] { readAheadLoop(); });
            } catch (const std::system_error &) {
                aheadLeft = 0; // no thread: frames are read when asked for
                return;
            }
        }
    }
    changed.notify_all();
}

void FrameStore::stopReadAhead()
{
    std::unique_lock lock(mutex);
    aheadLeft = 0;
    changed.wait(lock, [&] { return aheadParsing == 0; });
}

void FrameStore::readAheadLoop()
{
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [&] { return stopping || aheadLeft > 0; });
        if (stopping)
            return;
        const int number = aheadNext;
        aheadNext += aheadStep;
        --aheadLeft;
        if (number < 1 || number > count()) {
            aheadLeft = 0;
            continue;
        }
        if (cache.contains(number))
            continue;
        aheadParsing = number;
        lock.unlock();
        Parsed parsed = parse(number);
        lock.lock();
        aheadParsing = 0;
        // A frame that fails is told when it is asked for.
        if (parsed.cached && !cache.contains(number)) {
            insert(number, std::move(parsed.cached), clock);
            ++aheadRead;
        }
        changed.notify_all();
    }
}

std::optional<FrameFailure> FrameStore::takeFailure()
{
    std::lock_guard lock(mutex);
    if (!failure)
        return std::nullopt;
    failureTaken = true;
    return std::exchange(failure, std::nullopt);
}

std::size_t FrameStore::cachedFrames() const
{
    std::lock_guard lock(mutex);
    return cache.size();
}

int FrameStore::framesReadAhead() const
{
    std::lock_guard lock(mutex);
    return aheadRead;
}
