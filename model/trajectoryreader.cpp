#include "model/trajectoryreader.h"

#include "model/numberparse.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::string_view FormatErrorCaption = "INPUT FILE FORMAT ERROR";
constexpr std::string_view FormatWarningCaption = "INPUT FILE FORMAT WARNING";
constexpr std::string_view ReadingErrorCaption = "READING FILE ERROR";

// Counts above this are checked against what the rest of the file can hold before any memory
// is taken for them; smaller ones cost too little to bother.
constexpr std::int64_t LargeAtomCount = 4096;

constexpr std::size_t MaxNameLength = 30;

constexpr std::string_view TimeMissing = "Time not found on specified line";
constexpr std::string_view EnergyMissing = "Energy not found on specified line";
constexpr std::string_view ChargeMissing = "Atom charge not found on specified position";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

const char *skipBlanks(const char *p, const char *end)
{
    // Eight characters at a time where the text allows: numbers in columns stand behind runs
    // of one to a few blanks, whose varying length a character loop keeps mispredicting.
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        // A byte's top bit is set where the byte is zero; exact for each byte (no carry
        // crosses into the next).
        const auto zeroBytes = [](std::uint64_t x) {
            constexpr std::uint64_t Low7 = 0x7F7F7F7F7F7F7F7Fu;
            return ~(((x & Low7) + Low7) | x) & ~Low7;
        };
        const std::uint64_t blanks =
            zeroBytes(word ^ 0x2020202020202020u) | zeroBytes(word ^ 0x0909090909090909u);
        const std::uint64_t others = ~blanks & 0x8080808080808080u;
        if (others)
            return p + __builtin_ctzll(others) / 8;
        p += 8;
    }
    while (p < end && isBlank(*p))
        ++p;
    return p;
}

const char *skipTokens(const char *p, const char *end, int count)
{
    for (int i = 0; i < count && p < end; ++i) {
        p = skipBlanks(p, end);
        while (p < end && !isBlank(*p))
            ++p;
    }
    return p;
}

std::int64_t countTokens(const char *p, const char *end)
{
    std::int64_t count = 0;
    for (;;) {
        p = skipBlanks(p, end);
        if (p == end)
            return count;
        ++count;
        while (p < end && !isBlank(*p))
            ++p;
    }
}

// A number converted from the reading point; `next` is where the reading point stands after
// skipping the tokens the conversion is meant to cover. When the numbers sit exactly on their
// tokens (blanks before, a blank or the line end after) that is where the conversion stopped,
// so the characters need not be walked a second time.
struct Converted
{
    int values = 0;
    const char *next = nullptr;
};

// Converts `count` reals (one, or a triple "%lf %lf %lf") into out[0..count) and skips `count`
// tokens. Values converted before a failure keep what was read.
template <int count> Converted convertReals(const char *p, const char *end, double *out)
{
    Converted result;
    const char *q = p;
    bool onTokens = true;
    for (int i = 0; i < count; ++i) {
        const char *start = skipBlanks(q, end);
        const char *after = parseReal(start, end, out[i]);
        if (!after)
            break;
        if (start == end || numberparse::isScanSpace(*start) || (after < end && !isBlank(*after)))
            onTokens = false;
        ++result.values;
        q = after;
    }
    result.next = (result.values == count && onTokens) ? q : skipTokens(p, end, count);
    return result;
}

// Skips `count` whole lines from p; nullptr when fewer are left. The last line of a text may
// end without a line feed.
const char *skipLines(const char *p, const char *end, std::int64_t count)
{
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const auto maskOf = [&lineFeed](const char *at) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        return static_cast<std::uint64_t>(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lineFeed))));
    };
    while (count > 0 && end - p >= 64) {
        std::uint64_t mask =
            maskOf(p) | maskOf(p + 16) << 16 | maskOf(p + 32) << 32 | maskOf(p + 48) << 48;
        // Lines are usually longer than a few bytes, so visiting each set bit is cheaper than a
        // population count (a library call without the popcnt instruction).
        while (mask) {
            if (--count == 0)
                return p + __builtin_ctzll(mask) + 1;
            mask &= mask - 1;
        }
        p += 64;
    }
#endif
    while (count > 0) {
        if (p == end)
            return nullptr;
        const void *lineFeed = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        p = lineFeed ? static_cast<const char *>(lineFeed) + 1 : end;
        --count;
    }
    return p;
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
#if defined(MADV_POPULATE_WRITE)
    constexpr std::size_t PrefaultBytes = std::size_t{64} << 10;
    const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(FrameAtom);
    if (bytes >= PrefaultBytes) {
        static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        const auto first = reinterpret_cast<std::uintptr_t>(frame.atoms.data());
        const std::uintptr_t begin = (first + page - 1) / page * page;
        const std::uintptr_t end = (first + bytes) / page * page;
        if (end > begin)
            madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
    }
#endif
    return true;
}

// Builds the frame's atoms as allocateAtoms does, in memory taken as by reserveAtoms.
bool makeAtoms(Frame &frame, int count)
{
    return reserveAtoms(frame, count) && allocateAtoms(frame, count);
}

// The lines of a frame of the line layouts holding atomCount atoms: through its last atom line,
// and through the time and energy lines wherever those stand.
std::int64_t frameLines(const LayoutSettings &layout, std::int64_t atomCount)
{
    std::int64_t lines = std::int64_t{layout.firstAtomLine} + atomCount - 1;
    if (layout.readTime)
        lines = std::max<std::int64_t>(lines, layout.timePosition);
    if (layout.readEnergy)
        lines = std::max<std::int64_t>(lines, layout.energyPosition);
    return lines;
}

std::uint32_t hashName(std::string_view name)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash ^ (hash >> 16);
}

} // namespace

bool LineSource::nextLine(TextLine &line)
{
    if (cursor == last)
        return false;
    const void *lineFeed = std::memchr(cursor, '\n', static_cast<std::size_t>(last - cursor));
    const char *lineEnd = lineFeed ? static_cast<const char *>(lineFeed) : last;
    const char *textEnd = lineEnd;
    if (lineFeed && textEnd > cursor && textEnd[-1] == '\r')
        --textEnd;
    line.text = std::string_view(cursor, static_cast<std::size_t>(textEnd - cursor));
    line.hasLineFeed = lineFeed != nullptr;
    cursor = lineFeed ? lineEnd + 1 : last;
    return true;
}

std::int64_t LineSource::linesAvailable(std::int64_t limit) const
{
    std::int64_t count = 0;
    const char *p = cursor;
    while (count < limit && p < last) {
        const void *lineFeed = std::memchr(p, '\n', static_cast<std::size_t>(last - p));
        p = lineFeed ? static_cast<const char *>(lineFeed) + 1 : last;
        ++count;
    }
    return count;
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
    found.type = table.findAtomType(name);
    if (found.type) {
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
    , cache(types)
{
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
    if (kind == LayoutKind::Table) {
        if (layout.useFixedCount)
            frame.atomCount = layout.fixedAtomCount;
        // The count column is read first: the atoms must exist before their columns are
        // reached, so a count column after any of them cannot be read safely.
        if (!layout.useFixedCount) {
            const auto before = [this](int position) {
                return position >= 1 && position < layout.atomCountPosition;
            };
            if (before(layout.xyzPosition) || (layout.readCharge && before(layout.chargePosition))
                || (layout.readImpulses && before(layout.impulsePosition))) {
                sink.show(FormatErrorCaption,
                    "Number of atoms column must come before the CHARGE, XYZ and IMPULS columns");
                return ReadResult::FormatError;
            }
        }
        TextLine line;
        if (!source.nextLine(line))
            return ReadResult::EndOfFile;
        lineStart = line.text.data();
        return readTableRow(frame, line.text.data(), line.text.data() + line.text.size());
    }
    for (std::int64_t lineNumber = 1;; ++lineNumber) {
        const std::int64_t lines = frameLineCount(frame);
        if (lines <= 0)
            return ReadResult::FormatError;
        if (lines < lineNumber)
            return ReadResult::FrameComplete;
        TextLine line;
        if (!source.nextLine(line)) {
            lineStart = nullptr;
            return ReadResult::EndOfFile;
        }
        lineStart = line.text.data();
        const ReadResult result = readFrameLine(frame, line, lineNumber, source);
        if (result != ReadResult::FrameComplete)
            return result;
    }
}

std::int64_t TrajectoryReader::frameLineCount(Frame &frame)
{
    if (layout.useFixedCount) {
        frame.atomCount = layout.fixedAtomCount;
    } else if (layout.atomCountPosition >= layout.firstAtomLine) {
        sink.show(FormatErrorCaption, "Atoms number line >= First atom line");
        return 0;
    }
    return frameLines(layout, frame.atomCount);
}

ReadResult TrajectoryReader::readFrameLine(
    Frame &frame, const TextLine &line, std::int64_t lineNumber, LineSource &source)
{
    const char *p = line.text.data();
    const char *const end = p + line.text.size();
    if (!layout.useFixedCount && lineNumber == layout.atomCountPosition) {
        const ReadResult count = readAtomCount(frame, p, end, ReadResult::FormatError);
        if (count != ReadResult::FrameComplete)
            return count;
    }
    if (layout.readTime && lineNumber == layout.timePosition)
        p = readFrameValue(p, end, frame.time, warned.time, TimeMissing);
    if (layout.readEnergy && lineNumber == layout.energyPosition)
        p = readFrameValue(p, end, frame.energy, warned.energy, EnergyMissing);
    if (lineNumber == layout.timePosition) {
        std::string text(p, end);
        if (line.hasLineFeed)
            text += '\n';
        frame.text = std::move(text);
    }
    if (lineNumber == layout.firstAtomLine) {
        // A count the rest of the file cannot hold would only end in a truncated frame: take no
        // more memory than the lines that are left can fill.
        std::int64_t count = frame.atomCount;
        if (count > LargeAtomCount)
            count = std::min(count, 1 + source.linesAvailable(count - 1));
        // Each atom is built when its line is read, so its memory is written once, while the
        // line's values are at hand; the frame is complete only once every atom line was read.
        if (!reserveAtoms(frame, count)) {
            sink.show(ReadingErrorCaption, "Not enough memory");
            return ReadResult::OutOfMemory;
        }
    }
    const std::int64_t atomIndex = lineNumber - layout.firstAtomLine;
    if (atomIndex >= 0 && atomIndex < frame.atomCount) {
        if (atomIndex != static_cast<std::int64_t>(frame.atoms.size())
            || frame.atoms.size() == frame.atoms.capacity())
            return ReadResult::EndOfFile;
        return readAtomLine(frame, frame.atoms.emplace_back(), p, end);
    }
    return ReadResult::FrameComplete;
}

ReadResult TrajectoryReader::readAtomLine(
    Frame &frame, FrameAtom &atom, const char *p, const char *end)
{
    atom.impulse = Vector3{};
    std::int64_t position = 1;
    std::string_view name;
    if (layout.readNames) {
        const char *nameStart = skipBlanks(p, end);
        const char *nameEnd = nameStart;
        while (nameEnd < end && !isBlank(*nameEnd))
            ++nameEnd;
        if (static_cast<std::size_t>(nameEnd - nameStart) > MaxNameLength) {
            sink.show(FormatErrorCaption, "Invalid or missed atom name");
            return ReadResult::FormatError;
        }
        name = std::string_view(nameStart, static_cast<std::size_t>(nameEnd - nameStart));
        p = nameEnd;
        position = 2;
    }
    const AtomTypeCache::Found found = cache.find(name);
    atom.type = found.type;
    const std::int64_t activeTerms = found.activeTerms;

    std::int64_t lastPosition = std::max<std::int64_t>({std::int64_t{layout.xyzPosition} + 2,
        layout.chargePosition, std::int64_t{layout.impulsePosition} + 2});
    if (layout.readOrbitals)
        lastPosition = std::max(lastPosition, layout.orbitalPosition + activeTerms - 1);

    // Once the coordinates are behind and the line is used up, every field still ahead fails
    // to convert; with their once-per-file messages all shown that changes nothing (the charge
    // and the impulse stay 0), so the walk can end here. Plain coordinate files end every atom
    // line this way.
    const bool restIsSilent = (!layout.readCharge || warned.charge)
        && (!layout.readImpulses || warned.impulse) && (!layout.readOrbitals || warned.orbital);
    while (position <= lastPosition) {
        if (p == end && restIsSilent && position > layout.xyzPosition)
            break;
        if (position == layout.xyzPosition) {
            double xyz[3] = {atom.position.x, atom.position.y, atom.position.z};
            const Converted converted = convertReals<3>(p, end, xyz);
            if (converted.values < 3) {
                sink.show(FormatErrorCaption, "Invalid atom XYZ coordinate");
                return ReadResult::FormatError;
            }
            atom.position = layout.convertUnits
                ? Vector3{xyz[0] * BohrToAngstrom, xyz[1] * BohrToAngstrom, xyz[2] * BohrToAngstrom}
                : Vector3{xyz[0], xyz[1], xyz[2]};
            p = converted.next;
            position += 3;
        } else if (layout.readImpulses && position == layout.impulsePosition) {
            double impulse[3] = {0.0, 0.0, 0.0};
            const Converted converted = convertReals<3>(p, end, impulse);
            atom.impulse = Vector3{impulse[0], impulse[1], impulse[2]};
            if (converted.values < 3 && !warned.impulse) {
                warned.impulse = true;
                sink.show(FormatErrorCaption, "Invalid atom impuls");
                return ReadResult::FrameComplete;
            }
            p = converted.next;
            position += 3;
        } else if (layout.readOrbitals && position == layout.orbitalPosition && activeTerms > 0) {
            const OrbitalList &typeTerms = atom.type->orbitals;
            std::size_t nextTerm = 0;
            int valuesRead = 0;
            for (std::int64_t k = 0; k < activeTerms; ++k) {
                double coefficient = 0.0;
                const Converted converted = convertReals<1>(p, end, &coefficient);
                if (converted.values == 0) {
                    if (!warned.orbital) {
                        warned.orbital = true;
                        sink.show(FormatErrorCaption, "Orbital coeficient invalid or not found");
                        return ReadResult::FrameComplete;
                    }
                } else {
                    while (typeTerms[nextTerm].coefficient == 0.0)
                        ++nextTerm;
                    OrbitalTerm term = cloneTerm(typeTerms[nextTerm]);
                    term.coefficient = coefficient;
                    frame.appendOwnTerm(atom, term, valuesRead == 0);
                    atom.usesTypeOrbitals = false;
                    ++nextTerm;
                    ++valuesRead;
                }
                p = converted.next;
            }
            position += activeTerms;
        } else if (layout.readCharge && position == layout.chargePosition) {
            p = readFrameValue(p, end, atom.charge, warned.charge, ChargeMissing);
            position += 1;
        } else {
            p = skipTokens(p, end, 1);
            position += 1;
        }
    }
    return ReadResult::FrameComplete;
}

ReadResult TrajectoryReader::readTableRow(Frame &frame, const char *p, const char *end)
{
    // A blank row ends the reading silently, as a blank line after the last frame does in the
    // line layouts, whether the count is read from the row or fixed.
    if (skipBlanks(p, end) == end)
        return ReadResult::EndOfFile;
    const std::int64_t knownCount = layout.useFixedCount ? layout.fixedAtomCount : 1;
    std::int64_t columns = std::int64_t{layout.xyzPosition} + 3 * knownCount - 1;
    if (!layout.useFixedCount)
        columns = std::max<std::int64_t>(columns, layout.atomCountPosition);
    if (layout.readTime)
        columns = std::max<std::int64_t>(columns, layout.timePosition);
    if (layout.readEnergy)
        columns = std::max<std::int64_t>(columns, layout.energyPosition);
    if (layout.readCharge)
        columns = std::max(columns, layout.chargePosition + knownCount - 1);
    if (layout.readImpulses)
        columns = std::max(columns, layout.impulsePosition + 3 * knownCount - 1);
    if (columns <= 0)
        return ReadResult::FormatError;

    const std::int64_t countColumn = layout.useFixedCount ? 1 : layout.atomCountPosition;
    std::int64_t column = 1;
    while (column <= columns) {
        if (column == countColumn) {
            if (!layout.useFixedCount) {
                const ReadResult count = readAtomCount(frame, p, end, ReadResult::EndOfFile);
                if (count != ReadResult::FrameComplete)
                    return count;
                ++column;
            }
            // Every atom needs its own values on the row; a count far beyond what the row
            // holds cannot be a real frame, and must not take the memory for it.
            if (frame.atomCount > LargeAtomCount && frame.atomCount > countTokens(p, end)) {
                sink.show(FormatErrorCaption, "Invalid atom XYZ coordinate");
                return ReadResult::FormatError;
            }
            if (!makeAtoms(frame, frame.atomCount)) {
                sink.show(ReadingErrorCaption, "Not enough memory");
                return ReadResult::OutOfMemory;
            }
            for (FrameAtom &atom : frame.atoms)
                atom.type = &types.first();
        }
        if (layout.readTime && column == layout.timePosition) {
            p = readFrameValue(p, end, frame.time, warned.time, TimeMissing);
            ++column;
            continue;
        }
        if (layout.readEnergy && column == layout.energyPosition) {
            p = readFrameValue(p, end, frame.energy, warned.energy, EnergyMissing);
            ++column;
            continue;
        }
        if (layout.readCharge && column == layout.chargePosition) {
            for (FrameAtom &atom : frame.atoms) {
                p = readFrameValue(p, end, atom.charge, warned.charge, ChargeMissing);
                ++column;
            }
        }
        if (column == layout.xyzPosition) {
            for (FrameAtom &atom : frame.atoms) {
                double xyz[3] = {0.0, 0.0, 0.0};
                const Converted converted = convertReals<3>(p, end, xyz);
                if (converted.values < 3) {
                    sink.show(FormatErrorCaption, "Invalid atom XYZ coordinate");
                    return ReadResult::FormatError;
                }
                const double factor = layout.convertUnits ? BohrToAngstrom : 1.0;
                atom.position = Vector3{xyz[0] * factor, xyz[1] * factor, xyz[2] * factor};
                p = converted.next;
                column += 3;
            }
        }
        if (layout.readImpulses && column == layout.impulsePosition) {
            for (FrameAtom &atom : frame.atoms) {
                double impulse[3] = {0.0, 0.0, 0.0};
                const Converted converted = convertReals<3>(p, end, impulse);
                if (converted.values < 3) {
                    sink.show(FormatErrorCaption, "Invalid atom impuls");
                    return ReadResult::FormatError;
                }
                atom.impulse = Vector3{impulse[0], impulse[1], impulse[2]};
                p = converted.next;
                column += 3;
            }
        }
        p = skipTokens(p, end, 1);
        ++column;
    }
    return ReadResult::FrameComplete;
}

ReadResult readFrame(Frame &frame, LineSource &source, const InputFormat &format,
    AtomTypeTable &types, MessageSink &sink, ReaderWarned &warned)
{
    TrajectoryReader reader(static_cast<LayoutKind>(InputFormat::clampKind(format.kind)),
        format.current(), types, sink, warned);
    return reader.readFrame(frame, source);
}

TrajectoryFile::~TrajectoryFile()
{
    close();
}

TrajectoryFile::TrajectoryFile(TrajectoryFile &&other) noexcept
    : size(other.size)
    , mapping(std::exchange(other.mapping, nullptr))
    , mappedBytes(other.mappedBytes)
    , anonymous(other.anonymous)
    , released(other.released)
    , owned(std::move(other.owned))
    , outOfMemory(other.outOfMemory)
{
    data = mapping ? static_cast<const char *>(mapping) : (size ? owned.data() : "");
    other.data = "";
    other.size = 0;
}

TrajectoryFile TrajectoryFile::fromText(std::string text)
{
    TrajectoryFile file;
    file.owned = std::move(text);
    file.data = file.owned.data();
    file.size = file.owned.size();
    return file;
}

void TrajectoryFile::close()
{
    if (mapping)
        munmap(mapping, mappedBytes);
    mapping = nullptr;
    mappedBytes = 0;
    anonymous = false;
    data = "";
    size = 0;
    released = 0;
    owned.clear();
    outOfMemory = false;
}

bool TrajectoryFile::open(const std::string &path, std::size_t memoryLimit)
{
    close();
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat status
    {
    };
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        return false;
    }
    if (S_ISREG(status.st_mode) && status.st_size > 0) {
        void *mapped = mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ,
            MAP_PRIVATE, descriptor, 0);
        if (mapped != MAP_FAILED) {
            ::close(descriptor);
            mapping = mapped;
            mappedBytes = static_cast<std::size_t>(status.st_size);
            data = static_cast<const char *>(mapped);
            size = static_cast<std::size_t>(status.st_size);
            return true;
        }
    }
    // Pipes, devices and files that cannot be mapped are read whole instead, as far as memory
    // allows: an endless input (a device such as /dev/zero) ends where memory does. Holding
    // more than a quarter of the machine's memory counts as running out, before the system
    // would (the frames need more). The bytes go into memory that grows in place (the system
    // moves its pages rather than copying them), taken a large step at a time.
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    std::size_t limit = memoryLimit;
    if (limit == 0)
        limit = pages > 0 && pageSize > 0
            ? static_cast<std::size_t>(pages) / 4 * static_cast<std::size_t>(pageSize)
            : SIZE_MAX / 2;
    constexpr std::size_t Step = std::size_t{16} << 20;
    char *buffer = nullptr;
    std::size_t capacity = 0;
    std::size_t filled = 0;
    for (;;) {
        if (filled == capacity) {
            if (capacity >= limit) {
                outOfMemory = true;
                break;
            }
            const std::size_t grown =
                std::min(capacity == 0 ? (std::size_t{1} << 20) : 2 * capacity, limit);
            void *memory = capacity == 0
                ? mmap(nullptr, grown, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                : mremap(buffer, capacity, grown, MREMAP_MAYMOVE);
            if (memory == MAP_FAILED) {
                outOfMemory = true;
                break;
            }
            buffer = static_cast<char *>(memory);
            capacity = grown;
        }
        const std::size_t chunk = std::min(capacity - filled, Step);
#if defined(MADV_POPULATE_WRITE)
        // Pages made present in one call cost less than a fault each; without memory for them
        // the read below fails alike.
        if (madvise(buffer + filled, chunk, MADV_POPULATE_WRITE) != 0 && errno == ENOMEM) {
            outOfMemory = true;
            break;
        }
#endif
        const ssize_t got = ::read(descriptor, buffer + filled, chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            if (buffer)
                munmap(buffer, capacity);
            ::close(descriptor);
            return false;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(descriptor);
    if (filled == 0) {
        if (buffer)
            munmap(buffer, capacity);
        return true;
    }
    mapping = buffer;
    mappedBytes = capacity;
    anonymous = true;
    data = buffer;
    size = filled;
    return true;
}

void TrajectoryFile::releaseBefore(const char *position)
{
    // Memory read from a pipe is the only copy of its bytes: it stays.
    if (!mapping || anonymous || position < data || position > data + size)
        return;
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t upTo = static_cast<std::size_t>(position - data) / page * page;
    if (upTo <= released)
        return;
    madvise(static_cast<char *>(mapping) + released, upTo - released, MADV_DONTNEED);
    released = upTo;
}

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
    LocatingSink(MessageSink &sink, const char *fileStart, bool wanted, ReadOutcome &outcome)
        : sink(sink)
        , counted(fileStart)
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

private:
    static std::int64_t countLineFeeds(const char *p, const char *end)
    {
        std::int64_t count = 0;
#if defined(__SSE2__)
        const __m128i lineFeed = _mm_set1_epi8('\n');
        for (; end - p >= 16; p += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            count += __builtin_popcount(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lineFeed))));
        }
#endif
        return count + std::count(p, end, '\n');
    }

    MessageSink &sink;
    const char *counted;
    const char *const start = counted;
    std::int64_t linesBefore = 0;
    bool wanted;
    ReadOutcome &outcome;
    const TrajectoryReader *reader = nullptr;
};

// The lines of one frame, found without reading its values.
struct FrameSpan
{
    const char *begin = nullptr;
    const char *end = nullptr;
};

// Finds where the frames from p on begin and end, by the same rules the reader follows, until
// about `budget` bytes are covered. It stops early, before the frame in question, at anything
// the reader would have to report or that would end the reading (a missing or invalid count, a
// file ending inside a frame); the reader itself then handles that frame.
void findFrames(const char *p, const char *end, LayoutKind kind, const LayoutSettings &layout,
    std::size_t budget, std::vector<FrameSpan> &spans)
{
    const char *const start = p;
    while (p < end && static_cast<std::size_t>(p - start) < budget) {
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
        const char *frameEnd = skipLines(p, end, lines);
        if (!frameEnd)
            return;
        spans.push_back({frameStart, frameEnd});
        p = frameEnd;
    }
}

class WholeFileReader
{
public:
    WholeFileReader(TrajectoryFile &file, const InputFormat &format, AtomTypeTable &types,
        MessageSink &sink, ReaderWarned &warned, FrameList &frames, const ReadOptions &options)
        : file(file)
        , kind(static_cast<LayoutKind>(InputFormat::clampKind(format.kind)))
        , layout(format.current())
        , types(types)
        , sink(sink, file.bytes().data(), options.lineNumbers, outcome)
        , warned(warned)
        , frames(frames)
        , options(options)
        , reader(kind, layout, types, this->sink, warned)
        , source(file.bytes())
    {
        this->sink.setReader(&reader);
    }

    ReadOutcome run()
    {
        for (int i = 0; i < layout.skipLines; ++i) {
            TextLine line;
            if (!source.nextLine(line))
                return finish();
        }
        int threads = options.threads;
        // Past a few threads the reading is bound by memory, not by parsing.
        if (threads <= 0)
            threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
        try {
            if (threads == 1)
                readInOrder();
            else
                readInParallel(threads);
        } catch (const std::bad_alloc &) {
            // Memory ran out outside a frame's atoms (the list, a batch): the same end.
            outOfMemory();
        }
        return finish();
    }

private:
    static constexpr std::size_t ReleaseStep = std::size_t{16} << 20;

    void outOfMemory()
    {
        outcome.endedWith = ReadResult::OutOfMemory;
        outcome.outOfMemory = true;
        outcome.stopLine = 0;
        sink.showAt(ReadingErrorCaption, "Not enough memory", nullptr);
    }

    ReadOutcome finish()
    {
        // A file that could not be held whole ends where its memory did, when the reading got
        // that far: to its end, or to its last line, which may have been cut.
        if (file.truncated() && !outcome.outOfMemory) {
            const char *line = reader.currentLine();
            if (!line || !std::memchr(line, '\n', static_cast<std::size_t>(source.end() - line)))
                outOfMemory();
        }
        reportProgress();
        return outcome;
    }

    // Reads one frame in file order with the real messages; false when the reading ends.
    // A frame read ahead in vain lends its arrays to the frame read in its place, so their room
    // in the list's heap (which only grows until the list is cleared) is not lost.
    bool readNextInOrder(Frame *spare = nullptr)
    {
        Frame frame(frames.memory());
        if (spare)
            lend(*spare, frame);
        const ReadResult result = reader.readFrame(frame, source);
        if (result != ReadResult::FrameComplete) {
            outcome.endedWith = result;
            outcome.outOfMemory = result == ReadResult::OutOfMemory;
            if (options.lineNumbers)
                outcome.stopLine = sink.lineNumber(reader.currentLine());
            if (spare)
                lend(frame, *spare);
            return false;
        }
        append(std::move(frame));
        return true;
    }

    // Makes a frame read before as good as a new one, keeping the room of its arrays.
    static void recycle(Frame &frame)
    {
        frame.atomCount = 0;
        frame.atoms.clear();
        frame.ownTerms.clear();
        frame.time = 0.0;
        frame.energy = 0.0;
        frame.text.reset();
    }

    static void lend(Frame &from, Frame &to)
    {
        to.atoms = std::move(from.atoms);
        to.atoms.clear();
        to.ownTerms = std::move(from.ownTerms);
        to.ownTerms.clear();
    }

    void append(Frame &&frame)
    {
        frames.appendFrame(std::move(frame));
        ++outcome.framesRead;
    }

    void reportProgress()
    {
        const std::string_view bytes = file.bytes();
        if (options.progress)
            options.progress(bytes.empty() ? 1.0
                                           : static_cast<double>(source.position() - bytes.data())
                        / static_cast<double>(bytes.size()));
    }

    void madeProgress()
    {
        if (static_cast<std::size_t>(source.position() - lastReport) < ReleaseStep)
            return;
        lastReport = source.position();
        file.releaseBefore(source.position());
        reportProgress();
    }

    void readInOrder()
    {
        while (readNextInOrder())
            madeProgress();
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
        for (;;) {
            // The next batch was found while the threads read this one; it is only good if the
            // reading went on exactly where it was expected to.
            if (nextStart && nextStart == source.position()) {
                std::swap(spans, nextSpans);
            } else {
                spans.clear();
                findFrames(source.position(), source.end(), kind, layout, budget, spans);
            }
            nextStart = nullptr;
            if (spans.empty()) {
                if (!readNextInOrder())
                    return;
                madeProgress();
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
            readAhead(spans, slots, before, threads,
                [&] { findFrames(following, source.end(), kind, layout, budget, nextSpans); });
            nextStart = following;
            for (std::size_t i = 0; i < spans.size(); ++i) {
                Ahead &slot = slots[i];
                if (slot.complete && (slot.said.empty() || warned == before)) {
                    if (!slot.said.empty()) {
                        for (const ProbeSink::Said &said : slot.said)
                            sink.showAt(said.caption, said.text, said.line);
                        warned = slot.flagsAfter;
                    }
                    append(std::move(slot.frame));
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
            madeProgress();
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
};

} // namespace

ReadOutcome readTrajectory(TrajectoryFile &file, const InputFormat &format, AtomTypeTable &types,
    MessageSink &sink, ReaderWarned &warned, FrameList &frames, const ReadOptions &options)
{
    WholeFileReader whole(file, format, types, sink, warned, frames, options);
    return whole.run();
}
