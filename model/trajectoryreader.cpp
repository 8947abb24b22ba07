#include "model/trajectoryreader.h"

#include "model/numberparse.h"
#include "model/textscanner.h"
#include "model/trajectoryreader_shared.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::uint32_t hashName(std::string_view name)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash ^ (hash >> 16);
}

} // namespace

void prefaultForWriting(const void *data, std::size_t bytes)
{
#if defined(MADV_POPULATE_WRITE)
    constexpr std::size_t PrefaultBytes = std::size_t{64} << 10;
    if (bytes < PrefaultBytes)
        return;
    static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (first + page - 1) / page * page;
    const std::uintptr_t end = (first + bytes) / page * page;
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Takes the memory for count atoms without building them yet. A large array has its pages made
// present with one call: touching fresh memory page by page costs a fault per page, which
// dominates a large load (and costs more still under virtualisation).
bool reserveAtoms(Frame &frame, std::int64_t count)
{
    frame.atoms.clear();
    if (count <= 0)
        return true;
    try {
        frame.atoms.reserve(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc &) {
        return false;
    } catch (const std::length_error &) {
        return false;
    }
    prefaultForWriting(frame.atoms.data(), static_cast<std::size_t>(count) * sizeof(FrameAtom));
    return true;
}

bool reserveAtomsForLines(Frame &frame, const LineSource &source, MessageSink &sink)
{
    std::int64_t count = frame.atomCount;
    if (count > LargeAtomCount)
        count = std::min(count, 1 + source.linesAvailable(count - 1));
    if (reserveAtoms(frame, count))
        return true;
    sink.show(ReadingErrorCaption, "Not enough memory");
    return false;
}

// Builds the frame's atoms as allocateAtoms does, in memory taken as by reserveAtoms.
bool makeAtoms(Frame &frame, int count)
{
    return reserveAtoms(frame, count) && allocateAtoms(frame, count);
}

AtomTypeCache::Found AtomTypeCache::find(std::string_view name)
{
    if (name.size() > MaxNameLength)
        name = name.substr(0, MaxNameLength);
    Entry &entry = entries[hashName(name) % Slots];
    if (entry.length == name.size()
        && (name.empty() || std::memcmp(entry.name.data(), name.data(), name.size()) == 0))
        return entry.found;
    Found found;
    found.type = resolveElements ? table.findTypeForName(name) : table.findAtomType(name);
    if (found.type) {
        found.typeNamed = found.type->name == name;
        for (const OrbitalTerm &term : found.type->orbitals)
            found.activeTerms += term.coefficient != 0.0 ? 1 : 0;
    }
    if (!name.empty())
        std::memcpy(entry.name.data(), name.data(), name.size());
    entry.length = static_cast<std::uint8_t>(name.size());
    entry.found = found;
    return found;
}

TrajectoryReader::TrajectoryReader(LayoutKind kind, const LayoutSettings &layout,
    AtomTypeTable &types, MessageSink &sink, ReaderWarned &warned)
    : kind(kind)
    , layout(layout)
    , types(types)
    , sink(sink)
    , warned(warned)
    , cache(types, kind == LayoutKind::XYZ)
{
}

void TrajectoryReader::keepName(
    Frame &frame, std::size_t index, std::string_view name, const AtomTypeCache::Found &found)
{
    // a name past what an offset can address goes by its type's name
    if (found.typeNamed || frame.extras().nameText.size() + name.size() + 1 >= Frame::SameAsType)
        return;
    if (namedFrame != &frame || frame.extras().nameText.empty()) {
        namedFrame = &frame;
        keptNames.clear();
    }
    // most frames that name atoms otherwise use a handful of names: a short walk finds them
    std::uint32_t offset = Frame::SameAsType;
    for (auto it = keptNames.rbegin(); it != keptNames.rend() && it - keptNames.rbegin() < 64; ++it)
        if (it->first == name) {
            offset = it->second;
            break;
        }
    if (offset == Frame::SameAsType) {
        offset = frame.addName(name);
        keptNames.emplace_back(name, offset);
    }
    frame.setNameOf(index, offset);
}

void TrajectoryReader::warnOnce(bool &flag, std::string_view caption, std::string_view text)
{
    if (flag)
        return;
    flag = true;
    sink.show(caption, text);
}

ReadResult TrajectoryReader::readAtomCount(
    Frame &frame, const char *&p, const char *end, ReadResult missing)
{
    int count = 0;
    if (!parseInt(p, end, count))
        return missing;
    if (count <= 0) {
        sink.show(FormatErrorCaption, "Number of atoms not valid");
        return ReadResult::FormatError;
    }
    frame.atomCount = count;
    p = skipTokens(p, end, 1);
    return ReadResult::FrameComplete;
}

const char *TrajectoryReader::readFrameValue(
    const char *p, const char *end, double &value, bool &flag, std::string_view missing)
{
    const Converted converted = convertReals<1>(p, end, &value);
    if (converted.values == 0) {
        value = 0.0;
        warnOnce(flag, FormatWarningCaption, missing);
    }
    return converted.next;
}

ReadResult TrajectoryReader::readFrame(Frame &frame, LineSource &source)
{
    try {
        return readFrameLines(frame, source);
    } catch (const std::bad_alloc &) {
        sink.show(ReadingErrorCaption, "Not enough memory");
        return ReadResult::OutOfMemory;
    } catch (const std::length_error &) {
        sink.show(ReadingErrorCaption, "Not enough memory");
        return ReadResult::OutOfMemory;
    }
}

ReadResult TrajectoryReader::readFrameLines(Frame &frame, LineSource &source)
{
    lineStart = nullptr;
    frame.atomCount = 1;
    if (kind == LayoutKind::Table)
        return readTableFrame(frame, source);
    if (kind == LayoutKind::XYZ)
        return readXyzFrame(frame, source);
    return readLinesFrame(frame, source);
}

ReadResult readFrame(Frame &frame, LineSource &source, const InputFormat &format,
    AtomTypeTable &types, MessageSink &sink, ReaderWarned &warned)
{
    TrajectoryReader reader(static_cast<LayoutKind>(InputFormat::clampKind(format.kind)),
        format.current(), types, sink, warned);
    return reader.readFrame(frame, source);
}
