#pragma once

#include "model/frame.h"
#include "model/inputformat.h"
#include "model/messagesink.h"
#include "model/trajectoryfile.h"
#include "model/trajectoryreader.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class AtomTypeTable;

/// Where each frame of a file starts, with its summary: what a file too large to be held
/// decoded keeps in memory, 32 bytes a frame.
class FrameIndex
{
public:
    struct Entry
    {
        std::uint64_t offset = 0; ///< where the frame starts in the file's bytes
        double time = 0.0;
        double energy = 0.0;
        std::int32_t atomCount = 0;
        bool hasTime = true;
        bool hasEnergy = true;
    };
    static constexpr std::size_t EntryBytes = sizeof(Entry);

    void add(std::uint64_t offset, const FrameSummary &summary);
    /// Notes where the last frame added ends.
    void setEnd(std::uint64_t offset) { endOffset = offset; }
    int count() const { return static_cast<int>(entries.size()); }
    /// The 0-based frame's bytes: from its offset to the next frame's (the end for the last).
    std::uint64_t begin(int index) const { return entries[static_cast<std::size_t>(index)].offset; }
    std::uint64_t end(int index) const;
    FrameSummary summary(int index) const;
    void reserve(std::size_t frames) { entries.reserve(frames); }
    /// Keeps the first frames only (their end stays where the next one started).
    void truncate(int frames);
    std::size_t capacity() const { return entries.capacity(); }

private:
    std::vector<Entry> entries;
    std::uint64_t endOffset = 0;
};

/// The summary of an XYZ frame from its count and comment lines alone, as reading the frame
/// would give it.
FrameSummary summariseXyzFrame(std::string_view frameText);

/// The frames of a file too large to be held decoded: each is read from the file when it is
/// asked for and kept in a cache of bounded size, and a thread reads ahead of the frames asked
/// for in the direction they are asked for. A frame read here is the frame a whole read gives.
/// Any thread may ask for frames.
class FrameStore
{
public:
    /// Keeps file and index; frames are read with the layout and types given (the types must
    /// not change while frames are read ahead: see stopReadAhead). warned holds the once-per-file
    /// warnings shown while the file was opened: frames read later do not show them again.
    /// budget counts the text held, the index and the frames cached; the cache takes at most
    /// cacheBytes (at least a few frames, whatever it is).
    FrameStore(TrajectoryFile &&file, FrameIndex &&index, LayoutKind kind,
        const LayoutSettings &layout, AtomTypeTable &types, const ReaderWarned &warned,
        MemoryBudget &budget, std::size_t cacheBytes);
    ~FrameStore();
    FrameStore(const FrameStore &) = delete;
    FrameStore &operator=(const FrameStore &) = delete;

    int count() const { return index.count(); }
    FrameSummary summary(int number) const { return index.summary(number - 1); }
    /// The bytes the frame with the 1-based number was read from.
    std::string_view frameText(int number) const;

    /// The frame with the 1-based number, read now unless cached; nullptr when it cannot be
    /// read (see takeFailure). The frame stays where it is at
    /// least until eight other frames have been asked for, and for as long as it is held or
    /// is the first.
    Frame *frame(int number);
    /// True when frame is the first frame (without reading it).
    bool isFirst(const Frame &frame) const;
    /// Keeps the frame with the number from leaving the cache while it is held (one at a time;
    /// 0 holds none): the frame the window shows.
    void hold(int number);
    /// Keeps the frame with the number in the cache for as long as the store lives: a frame
    /// the user changed.
    void keep(int number);
    /// Reads frames from + step, from + 2 step, ... on the thread, as far as the cache allows.
    void readAhead(int from, int step);
    /// Ends reading ahead and waits until the thread is idle.
    void stopReadAhead();
    /// Why the first frame that could not be read failed, once: the owner tells it where
    /// a message box may be shown.
    std::optional<FrameFailure> takeFailure();

    /// For tests and diagnostics: frames cached now, and frames the thread has read.
    std::size_t cachedFrames() const;
    int framesReadAhead() const;

private:
    struct Cached;
    struct Parsed;
    Parsed parse(int number);
    Frame *insert(int number, std::unique_ptr<Cached> cached, std::uint64_t use);
    void evict();
    void readAheadLoop();
    std::size_t cacheFrameLimit() const;

    TrajectoryFile file;
    FrameIndex index;
    LayoutKind kind;
    LayoutSettings layout;
    AtomTypeTable &types;
    ReaderWarned warnedAtOpen;
    MemoryBudget &budget;
    std::size_t cacheBytes;
    std::size_t taken = 0; ///< what the store took from the budget

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::unordered_map<int, std::unique_ptr<Cached>> cache;
    std::size_t cachedBytes = 0;
    std::uint64_t clock = 0; ///< counts the frames asked for
    int heldNumber = 0;
    std::unordered_set<int> keptNumbers;
    Frame *firstFrame = nullptr;
    int aheadNext = 0;
    int aheadStep = 1;
    int aheadLeft = 0;
    int aheadParsing = 0; ///< the frame the thread reads now, 0 for none
    int aheadRead = 0;
    bool stopping = false;
    std::optional<FrameFailure> failure;
    bool failureTaken = false;
    std::thread aheadThread;
};
