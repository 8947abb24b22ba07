#include "model/trajectorywriter.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// Large enough for any double in fixed notation with 6 decimals (about 310 digits).
using NumberBuffer = std::array<char, 400>;

// Appends value as "%*.6f" would. std::to_chars is used because the printf family follows the
// user's locale, which may use a decimal comma.
void appendFixed(std::string &out, double value, int width)
{
    NumberBuffer buffer;
    const std::string_view nan = std::signbit(value) ? "-nan" : "nan";
    char *const end = std::isnan(value)
        ? std::copy(nan.begin(), nan.end(), buffer.data())
        : std::to_chars(
            buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6)
              .ptr;
    const auto length = static_cast<int>(end - buffer.data());
    if (length < width)
        out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(buffer.data(), static_cast<std::size_t>(length));
}

void appendPadded(std::string &out, std::string_view text, int width)
{
    if (static_cast<int>(text.size()) < width)
        out.append(static_cast<std::size_t>(width) - text.size(), ' ');
    out.append(text);
}

// Where the formatted pieces go; put returns false when the write failed.
struct FileTarget
{
    std::FILE *file;
    bool put(const std::string &piece) const
    {
        return file && std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
    }
};

struct StreamTarget
{
    std::ostream &stream;
    bool put(const std::string &piece) const
    {
        stream.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        return static_cast<bool>(stream);
    }
};

template <class Target> int writeAtomTo(const FrameAtom &atom, const Target &target)
{
    std::string piece;
    appendPadded(piece, atom.type ? std::string_view(atom.type->name) : std::string_view{}, 4);
    if (!target.put(piece))
        return -1;
    piece.clear();
    for (const double value : {atom.position.x, atom.position.y, atom.position.z, atom.charge}) {
        piece += ' ';
        appendFixed(piece, value, 10);
    }
    if (!target.put(piece))
        return -1;
    piece.clear();
    for (const double value : {atom.impulse.x, atom.impulse.y, atom.impulse.z}) {
        piece += ' ';
        appendFixed(piece, value, 10);
    }
    piece += '\n';
    return target.put(piece) ? 0 : -1;
}

template <class Target> int writeFrameTo(const Frame &frame, const Target &target)
{
    std::string piece;
    std::array<char, 16> count;
    const char *countEnd =
        std::to_chars(count.data(), count.data() + count.size(), frame.atomCount).ptr;
    appendPadded(piece,
        std::string_view(count.data(), static_cast<std::size_t>(countEnd - count.data())), 4);
    piece += "  //number of atoms\n";
    if (!target.put(piece))
        return -1;
    piece.clear();
    appendFixed(piece, frame.time, 10);
    piece += ' ';
    appendFixed(piece, frame.energy, 10);
    piece += "  //time and energy\n";
    if (!target.put(piece))
        return -1;
    for (const FrameAtom &atom : frame.atoms) {
        if (writeAtomTo(atom, target) != 0)
            return -1;
    }
    return 0;
}

} // namespace

std::string formatFixed(double value, int width)
{
    std::string text;
    appendFixed(text, value, width);
    return text;
}

int writeFrame(const Frame &frame, std::FILE *file)
{
    return writeFrameTo(frame, FileTarget{file});
}

int writeFrame(const Frame &frame, std::ostream &stream)
{
    return writeFrameTo(frame, StreamTarget{stream});
}

int writeAtom(const FrameAtom &atom, std::FILE *file)
{
    return writeAtomTo(atom, FileTarget{file});
}

int writeAtom(const FrameAtom &atom, std::ostream &stream)
{
    return writeAtomTo(atom, StreamTarget{stream});
}

std::vector<int> selectFramesToSave(int first, int last, int count, bool all)
{
    const std::int64_t span = std::int64_t{last} - first + 1;
    const std::int64_t n = (all || count >= span) ? span : count;
    std::vector<int> selected;
    if (n < 1)
        return selected;
    selected.reserve(static_cast<std::size_t>(n));
    for (std::int64_t k = 0; k < n; ++k) {
        const std::int64_t offset = n == 1 ? 0 : (span - 1) * k / (n - 1);
        selected.push_back(static_cast<int>(first + offset));
    }
    return selected;
}
