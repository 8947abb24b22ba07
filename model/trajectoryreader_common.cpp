// The line layouts, Common and Custom: a frame is a group of lines, and every quantity is found
// by its line within the frame and its token within the line. Custom differs from Common only
// in its settings.

#include "model/numberparse.h"
#include "model/textscanner.h"
#include "model/trajectoryreader.h"
#include "model/trajectoryreader_shared.h"

#include <algorithm>
#include <string>
#include <utility>

ReadResult TrajectoryReader::readLinesFrame(Frame &frame, LineSource &source)
{
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
        frame.setText(text);
    }
    if (lineNumber == layout.firstAtomLine) {
        // Each atom is built when its line is read, so its memory is written once, while the
        // line's values are at hand; the frame is complete only once every atom line was read.
        if (!reserveAtomsForLines(frame, source, sink))
            return ReadResult::OutOfMemory;
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
        if (!takeAtomName(p, end, name, sink))
            return ReadResult::FormatError;
        position = 2;
    }
    const AtomTypeCache::Found found = cache.find(name);
    atom.type = found.type;
    if (layout.readNames)
        keepName(frame, static_cast<std::size_t>(&atom - frame.atoms.data()), name, found);
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
