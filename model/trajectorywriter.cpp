#include "model/trajectorywriter.h"

#include "model/elements.h"
#include "model/xyzcomment.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
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

std::string_view typeName(const FrameAtom &atom)
{
    return atom.type ? std::string_view(atom.type->name) : std::string_view{};
}

template <class Target>
int writeAtomTo(const FrameAtom &atom, std::string_view name, const Target &target)
{
    std::string piece;
    appendPadded(piece, name, 4);
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
    for (std::size_t i = 0; i < frame.atoms.size(); ++i) {
        if (writeAtomTo(frame.atoms[i], frame.atomName(i), target) != 0)
            return -1;
    }
    return 0;
}

// Appends value in its shortest form that reads back as the same double.
void appendShortest(std::string &out, double value)
{
    NumberBuffer buffer;
    const char *end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    out.append(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
}

// The impulse and charge columns of an extended XYZ frame: named as the file read named them,
// and written when it had them or when any value is not 0.
std::string_view impulseColumnName(const Frame &frame)
{
    switch (frame.impulseColumn()) {
    case ImpulseColumn::Velocities:
        return "velocities";
    case ImpulseColumn::Momenta:
        return "momenta";
    case ImpulseColumn::None:
        break;
    }
    const bool any = std::any_of(frame.atoms.begin(), frame.atoms.end(),
        [](const FrameAtom &atom) { return atom.impulse != Vector3{}; });
    return any ? "momenta" : "";
}

std::string_view chargeColumnName(const Frame &frame)
{
    switch (frame.chargeColumn()) {
    case ChargeColumn::InitialCharges:
        return "initial_charges";
    case ChargeColumn::Charges:
        return "charges";
    case ChargeColumn::None:
        break;
    }
    const bool any = std::any_of(frame.atoms.begin(), frame.atoms.end(),
        [](const FrameAtom &atom) { return atom.charge != 0.0; });
    return any ? "charges" : "";
}

struct OwnColumns
{
    std::string_view impulse; ///< empty: not written
    std::string_view charge;
    bool names = false; ///< the names column, for atoms whose species is not their name
};

// What an atom's species is in extended XYZ, which other readers take as an element's symbol:
// its name when that is a symbol, else the symbol of the element its type is, else the name;
// an atom of no name or of the fallback type "?" is the field's dummy, X.
std::string_view speciesOf(const Frame &frame, std::size_t index)
{
    const std::string_view name = frame.atomName(index);
    const Element *named = elementBySymbol(name);
    if (named && named->symbol == name)
        return name;
    const AtomType *type = frame.atoms[index].type;
    const Element *typed = type ? elementBySymbol(type->name) : nullptr;
    if (typed && typed->symbol == type->name)
        return type->name;
    return name.empty() || name == "?" || (type && type->name == "?") ? "X" : name;
}

bool needsNames(const Frame &frame)
{
    for (std::size_t i = 0; i < frame.atoms.size(); ++i) {
        const std::string_view name = frame.atomName(i);
        if (!name.empty() && name != "?" && speciesOf(frame, i) != name)
            return true;
    }
    return false;
}

// A kept column is written back when it still has a value for every atom and is not one the
// atoms' own fields give.
bool writesKept(const Frame &frame, const KeptColumn &column, const OwnColumns &own)
{
    if (own.names && column.name == XyzNamesColumn)
        return false;
    for (const std::string_view name :
        {std::string_view("species"), std::string_view("pos"), own.impulse, own.charge})
        if (column.name == name)
            return false;
    return column.atoms() == frame.atoms.size();
}

void appendKeptValues(std::string &out, const KeptColumn &column, std::size_t atom)
{
    if (column.isText()) {
        out += ' ';
        out += column.values[atom];
        return;
    }
    const auto count = static_cast<std::size_t>(column.count);
    for (std::size_t k = 0; k < count; ++k) {
        const double value = column.numbers[atom * count + k];
        out += ' ';
        if (column.type == 'L')
            out += value != 0.0 ? 'T' : 'F';
        else if (column.type == 'I' && std::abs(value) < 9e15)
            out += std::to_string(static_cast<long long>(value));
        else
            appendShortest(out, value);
    }
}

std::string extendedComment(const Frame &frame, const OwnColumns &own)
{
    std::string comment;
    if (frame.cell()) {
        comment += "Lattice=\"";
        for (const Vector3 &edge : frame.cell()->edges)
            for (const double value : {edge.x, edge.y, edge.z}) {
                if (comment.back() != '"')
                    comment += ' ';
                appendShortest(comment, value);
            }
        comment += "\" ";
        if (frame.cell()->origin != Vector3{}) {
            comment += "Origin=\"";
            const Vector3 &origin = frame.cell()->origin;
            for (const double value : {origin.x, origin.y, origin.z}) {
                if (comment.back() != '"')
                    comment += ' ';
                appendShortest(comment, value);
            }
            comment += "\" ";
        }
    }
    comment += "Properties=species:S:1:pos:R:3";
    if (!own.impulse.empty())
        comment += ':' + std::string(own.impulse) + ":R:3";
    if (!own.charge.empty())
        comment += ':' + std::string(own.charge) + ":R:1";
    if (own.names)
        comment += ':' + std::string(XyzNamesColumn) + ":S:1";
    for (const KeptColumn &column : frame.keptColumns()) {
        if (!writesKept(frame, column, own))
            continue;
        comment += ':' + column.name + ':' + column.type + ':' + std::to_string(column.count);
    }
    if (frame.hasTime) {
        comment += " time=";
        appendShortest(comment, frame.time);
    }
    if (frame.hasEnergy) {
        comment += " energy=";
        appendShortest(comment, frame.energy);
    }
    if (frame.cell()) {
        comment += " pbc=\"";
        for (std::size_t k = 0; k < 3; ++k)
            comment += std::string(k ? " " : "") + (frame.cell()->periodic[k] ? "T" : "F");
        comment += '"';
    }
    if (!frame.extraPairs().empty())
        comment += ' ' + frame.extraPairs();
    return comment;
}

// The frame's text on one line, for a plain XYZ comment.
std::string plainComment(const Frame &frame)
{
    std::string comment;
    if (frame.hasTime) {
        comment += "time=";
        appendShortest(comment, frame.time);
    }
    if (frame.hasEnergy) {
        comment += comment.empty() ? "energy=" : " energy=";
        appendShortest(comment, frame.energy);
    }
    if (const std::optional<std::string_view> given = frame.text()) {
        std::string text(*given);
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        const std::size_t first = text.find_first_not_of(" \t");
        if (first != std::string::npos) {
            if (!comment.empty())
                comment += ' ';
            comment += text.substr(first, text.find_last_not_of(" \t") + 1 - first);
        }
    }
    return comment;
}

template <class Target> int writeXyzFrameTo(const Frame &frame, const Target &target, bool extended)
{
    OwnColumns own;
    if (extended)
        own = OwnColumns{impulseColumnName(frame), chargeColumnName(frame), needsNames(frame)};
    const bool impulses = !own.impulse.empty();
    const bool charges = !own.charge.empty();
    std::string piece = std::to_string(frame.atoms.size()) + '\n';
    piece += extended ? extendedComment(frame, own) : plainComment(frame);
    piece += '\n';
    if (!target.put(piece))
        return -1;
    for (std::size_t i = 0; i < frame.atoms.size(); ++i) {
        const FrameAtom &atom = frame.atoms[i];
        piece.clear();
        // the name as read; an atom without one (the fallback type's "?") is the field's dummy.
        // Extended XYZ gives the element's symbol as species, and the name in its own column.
        const std::string_view name = frame.atomName(i);
        piece += extended ? speciesOf(frame, i)
                          : (name.empty() || name == "?" ? std::string_view("X") : name);
        const auto add = [&piece](double value) {
            piece += ' ';
            appendShortest(piece, value);
        };
        add(atom.position.x), add(atom.position.y), add(atom.position.z);
        if (impulses)
            add(atom.impulse.x), add(atom.impulse.y), add(atom.impulse.z);
        if (charges)
            add(atom.charge);
        if (own.names) {
            piece += ' ';
            piece += name.empty() || name == "?" ? std::string_view("X") : name;
        }
        for (const KeptColumn &column : frame.keptColumns())
            if (extended && writesKept(frame, column, own))
                appendKeptValues(piece, column, i);
        piece += '\n';
        if (!target.put(piece))
            return -1;
    }
    return 0;
}

template <class Target>
int writeFrameIn(const Frame &frame, const Target &target, WriteLayout layout)
{
    if (layout == WriteLayout::Common)
        return writeFrameTo(frame, target);
    return writeXyzFrameTo(frame, target, layout == WriteLayout::ExtendedXYZ);
}

} // namespace

int writeFrame(const Frame &frame, std::FILE *file, WriteLayout layout)
{
    return writeFrameIn(frame, FileTarget{file}, layout);
}

int writeFrame(const Frame &frame, std::ostream &stream, WriteLayout layout)
{
    return writeFrameIn(frame, StreamTarget{stream}, layout);
}

WriteLayout writeLayoutForExtension(std::string_view extension)
{
    constexpr std::string_view Extended = ".extxyz";
    if (extension.size() != Extended.size())
        return WriteLayout::Common;
    for (std::size_t i = 0; i < Extended.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(extension[i])) != Extended[i])
            return WriteLayout::Common;
    return WriteLayout::ExtendedXYZ;
}

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
    return writeAtomTo(atom, typeName(atom), FileTarget{file});
}

int writeAtom(const FrameAtom &atom, std::ostream &stream)
{
    return writeAtomTo(atom, typeName(atom), StreamTarget{stream});
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
