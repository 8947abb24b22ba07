// The Table layout: a frame is one row, and every quantity is found by its column.

#include "model/numberparse.h"
#include "model/textscanner.h"
#include "model/trajectoryreader.h"
#include "model/trajectoryreader_shared.h"

#include <algorithm>

ReadResult TrajectoryReader::readTableFrame(Frame &frame, LineSource &source)
{
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
