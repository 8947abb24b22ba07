// The XYZ layout, standard and extended: a count line, a comment line, then one line per atom.
// What a file may leave out (time, energy, cell, charges, impulses) is simply absent, without
// a message; only what breaks the frame (its count, a position, a line its Properties do not
// fit) stops the reading.

#include "model/numberparse.h"
#include "model/textscanner.h"
#include "model/trajectoryreader.h"
#include "model/trajectoryreader_shared.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::string_view PropertiesInvalid = "Properties not valid";
constexpr std::string_view PropertiesNotFitting = "Atom line does not match Properties";

// Reads the three coordinates at p into atom, scaled to Angstrom, and moves p past them; shows
// "Invalid atom XYZ coordinate" and returns false when three numbers are not there.
bool takePosition(FrameAtom &atom, const char *&p, const char *end, double scale, MessageSink &sink)
{
    double xyz[3];
    const Converted position = convertReals<3>(p, end, xyz);
    if (position.values < 3) {
        sink.show(FormatErrorCaption, "Invalid atom XYZ coordinate");
        return false;
    }
    atom.position = Vector3{xyz[0] * scale, xyz[1] * scale, xyz[2] * scale};
    p = position.next;
    return true;
}

bool keepText(KeptColumn &column, const char *&p, const char *end, int count)
{
    const char *const first = skipBlanks(p, end);
    p = skipTokens(p, end, count);
    if (countTokens(first, p) < count)
        return false;
    column.values.emplace_back(first, static_cast<std::size_t>(p - first));
    return true;
}

// The count numbers of an R, I or L column at p, each a whole token (L as 1 or 0).
bool keepNumbers(KeptColumn &column, const char *&p, const char *end, int count)
{
    for (int k = 0; k < count; ++k) {
        const char *const first = skipBlanks(p, end);
        double value = 0.0;
        const char *after = column.type == 'L' ? nullptr : parseReal(first, end, value);
        if (!after) {
            const char *const tokenEnd = skipTokens(first, end, 1);
            const std::string_view word(first, static_cast<std::size_t>(tokenEnd - first));
            if (word == "T" || word == "True" || word == "true")
                value = 1.0;
            else if (word == "F" || word == "False" || word == "false")
                value = 0.0;
            else
                return false;
            after = tokenEnd;
        }
        if (after < end && !isBlank(*after))
            return false;
        column.numbers.push_back(value);
        p = after;
    }
    return true;
}

} // namespace

ReadResult TrajectoryReader::readXyzFrame(Frame &frame, LineSource &source)
{
    TextLine line;
    if (!source.nextLine(line))
        return ReadResult::EndOfFile;
    lineStart = line.text.data();
    const char *p = line.text.data();
    const ReadResult count = readAtomCount(frame, p, p + line.text.size(), ReadResult::FormatError);
    if (count != ReadResult::FrameComplete)
        return count;

    if (!source.nextLine(line)) {
        lineStart = nullptr;
        return ReadResult::EndOfFile;
    }
    lineStart = line.text.data();
    XyzComment comment = parseXyzComment(line.text);
    frame.hasTime = comment.time.has_value();
    frame.time = comment.time.value_or(0.0);
    frame.hasEnergy = comment.energy.has_value();
    frame.energy = comment.energy.value_or(0.0);
    frame.setText(comment.text);
    // a frame of a plain XYZ file gets no extras
    if (frame.hasExtras() || comment.cell || !comment.pairs.empty()) {
        FrameExtras &extras = frame.editExtras();
        extras.cell = comment.cell;
        extras.extraPairs = std::move(comment.pairs);
    }
    xyzScale = comment.positionScale.value_or(layout.convertUnits ? BohrToAngstrom : 1.0);
    xyzHasProperties = comment.properties.has_value();
    if (xyzHasProperties && (!xyzPlanned || *comment.properties != xyzProperties)) {
        xyzProperties = *comment.properties;
        std::vector<XyzColumn> columns;
        xyzPlanned = parseXyzProperties(xyzProperties, columns) && planXyzColumns(columns, xyzPlan);
        if (!xyzPlanned)
            xyzProperties.clear();
    }
    if (xyzHasProperties && !xyzPlanned) {
        sink.show(FormatErrorCaption, PropertiesInvalid);
        return ReadResult::FormatError;
    }
    const ImpulseColumn impulseColumn =
        xyzHasProperties ? xyzPlan.impulseColumn : ImpulseColumn::None;
    const ChargeColumn chargeColumn = xyzHasProperties ? xyzPlan.chargeColumn : ChargeColumn::None;
    const bool keeps = xyzHasProperties && !xyzPlan.kept.empty();
    if (frame.hasExtras() || impulseColumn != ImpulseColumn::None
        || chargeColumn != ChargeColumn::None || keeps) {
        FrameExtras &extras = frame.editExtras();
        extras.keptColumns.clear();
        extras.impulseColumn = impulseColumn;
        extras.chargeColumn = chargeColumn;
    }

    if (!reserveAtomsForLines(frame, source, sink))
        return ReadResult::OutOfMemory;
    if (keeps) {
        // the numbers of kept columns live in the frame's memory, as its atoms do
        std::pmr::memory_resource *memory = frame.atoms.get_allocator().resource();
        const std::size_t atoms = frame.atoms.capacity();
        for (const XyzColumn &column : xyzPlan.kept) {
            KeptColumn &kept = frame.editExtras().keptColumns.emplace_back(memory);
            kept.name = column.name;
            kept.type = column.type;
            kept.count = column.count;
            if (kept.isText())
                kept.values.reserve(atoms);
            else {
                // each frame's columns are fresh memory: fault it in at once, as the atoms are
                kept.numbers.reserve(atoms * static_cast<std::size_t>(column.count));
                prefaultForWriting(kept.numbers.data(), kept.numbers.capacity() * sizeof(double));
            }
        }
    }
    for (int i = 0; i < frame.atomCount; ++i) {
        if (!source.nextLine(line)) {
            lineStart = nullptr;
            return ReadResult::EndOfFile;
        }
        lineStart = line.text.data();
        if (frame.atoms.size() == frame.atoms.capacity())
            return ReadResult::EndOfFile;
        const char *const begin = line.text.data();
        const char *const end = begin + line.text.size();
        FrameAtom &atom = frame.atoms.emplace_back();
        const ReadResult result = xyzHasProperties ? readXyzColumns(frame, atom, begin, end)
                                                   : readXyzAtom(frame, atom, begin, end);
        if (result != ReadResult::FrameComplete)
            return result;
    }
    return ReadResult::FrameComplete;
}

ReadResult TrajectoryReader::readXyzName(
    Frame &frame, FrameAtom &atom, const char *&p, const char *end)
{
    std::string_view name;
    if (!takeAtomName(p, end, name, sink))
        return ReadResult::FormatError;
    const AtomTypeCache::Found found = cache.find(name);
    atom.type = found.type;
    keepName(frame, static_cast<std::size_t>(&atom - frame.atoms.data()), name, found);
    return ReadResult::FrameComplete;
}

// A line without Properties: name x y z, then as far as they are there and are numbers the
// columns the Common layout reads after them: charge, impulse, orbital coefficients.
ReadResult TrajectoryReader::readXyzAtom(
    Frame &frame, FrameAtom &atom, const char *p, const char *end)
{
    if (const ReadResult named = readXyzName(frame, atom, p, end);
        named != ReadResult::FrameComplete)
        return named;
    if (!takePosition(atom, p, end, xyzScale, sink))
        return ReadResult::FormatError;
    if (skipBlanks(p, end) == end)
        return ReadResult::FrameComplete;

    double charge = 0.0;
    const Converted charged = convertReals<1>(p, end, &charge);
    if (charged.values < 1)
        return ReadResult::FrameComplete;
    if (layout.readCharge)
        atom.charge = charge;
    double impulse[3];
    const Converted moving = convertReals<3>(charged.next, end, impulse);
    if (moving.values < 3)
        return ReadResult::FrameComplete;
    if (layout.readImpulses)
        atom.impulse = Vector3{impulse[0], impulse[1], impulse[2]};
    if (!layout.readOrbitals || !atom.type)
        return ReadResult::FrameComplete;
    p = moving.next;
    const OrbitalList &typeTerms = atom.type->orbitals;
    bool first = true;
    for (const OrbitalTerm &typeTerm : typeTerms) {
        if (typeTerm.coefficient == 0.0)
            continue;
        double coefficient = 0.0;
        const Converted converted = convertReals<1>(p, end, &coefficient);
        if (converted.values < 1)
            break;
        OrbitalTerm term = cloneTerm(typeTerm);
        term.coefficient = coefficient;
        frame.appendOwnTerm(atom, term, first);
        atom.usesTypeOrbitals = false;
        first = false;
        p = converted.next;
    }
    return ReadResult::FrameComplete;
}

ReadResult TrajectoryReader::readXyzColumns(
    Frame &frame, FrameAtom &atom, const char *p, const char *end)
{
    using Use = XyzColumnPlan::Use;
    std::size_t kept = 0;
    bool named = false;
    std::string_view ownName;
    bool hasOwnName = false;
    for (const XyzColumnPlan::Step &step : xyzPlan.steps) {
        switch (step.use) {
        case Use::Name: {
            if (skipBlanks(p, end) == end) {
                sink.show(FormatErrorCaption, "Invalid or missed atom name");
                return ReadResult::FormatError;
            }
            if (const ReadResult result = readXyzName(frame, atom, p, end);
                result != ReadResult::FrameComplete)
                return result;
            named = true;
            break;
        }
        case Use::OwnName:
            if (skipBlanks(p, end) == end) {
                sink.show(FormatErrorCaption, PropertiesNotFitting);
                return ReadResult::FormatError;
            }
            if (!takeAtomName(p, end, ownName, sink))
                return ReadResult::FormatError;
            hasOwnName = true;
            break;
        case Use::Position:
            if (!takePosition(atom, p, end, xyzScale, sink))
                return ReadResult::FormatError;
            break;
        case Use::Impulse: {
            double impulse[3];
            const Converted converted = convertReals<3>(p, end, impulse);
            if (converted.values < 3) {
                sink.show(FormatErrorCaption, PropertiesNotFitting);
                return ReadResult::FormatError;
            }
            if (layout.readImpulses)
                atom.impulse = Vector3{impulse[0], impulse[1], impulse[2]};
            p = converted.next;
            break;
        }
        case Use::Charge: {
            double charge = 0.0;
            const Converted converted = convertReals<1>(p, end, &charge);
            if (converted.values < 1) {
                sink.show(FormatErrorCaption, PropertiesNotFitting);
                return ReadResult::FormatError;
            }
            if (layout.readCharge)
                atom.charge = charge;
            p = converted.next;
            break;
        }
        case Use::Keep: {
            KeptColumn &column = frame.editExtras().keptColumns[kept++];
            const bool fits = column.isText() ? keepText(column, p, end, step.count)
                                              : keepNumbers(column, p, end, step.count);
            // every token of the column must be there: the next ones belong to other columns
            if (!fits) {
                sink.show(FormatErrorCaption, PropertiesNotFitting);
                return ReadResult::FormatError;
            }
            break;
        }
        }
    }
    if (!named)
        atom.type = cache.find({}).type;
    if (hasOwnName && atom.type) {
        AtomTypeCache::Found found;
        found.type = atom.type;
        found.typeNamed = ownName == atom.type->name;
        if (found.typeNamed)
            ownName = {};
        keepName(frame, static_cast<std::size_t>(&atom - frame.atoms.data()), ownName, found);
        if (found.typeNamed && !frame.extras().nameIndex.empty())
            frame.setNameOf(
                static_cast<std::size_t>(&atom - frame.atoms.data()), Frame::SameAsType);
    }
    return ReadResult::FrameComplete;
}
