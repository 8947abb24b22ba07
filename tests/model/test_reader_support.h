#pragma once

#include "model/atomtype.h"
#include "model/frame.h"
#include "model/inputformat.h"
#include "model/messagesink.h"
#include "model/trajectoryreader.h"

#include <string>
#include <utility>
#include <vector>

using Messages = std::vector<std::pair<std::string, std::string>>;

inline const std::pair<std::string, std::string> ChargeWarning{
    "INPUT FILE FORMAT WARNING", "Atom charge not found on specified position"};
inline const std::pair<std::string, std::string> TimeWarning{
    "INPUT FILE FORMAT WARNING", "Time not found on specified line"};
inline const std::pair<std::string, std::string> EnergyWarning{
    "INPUT FILE FORMAT WARNING", "Energy not found on specified line"};
inline const std::pair<std::string, std::string> ImpulseError{
    "INPUT FILE FORMAT ERROR", "Invalid atom impuls"};
inline const std::pair<std::string, std::string> OrbitalError{
    "INPUT FILE FORMAT ERROR", "Orbital coeficient invalid or not found"};
inline const std::pair<std::string, std::string> XyzError{
    "INPUT FILE FORMAT ERROR", "Invalid atom XYZ coordinate"};

/// Everything a whole-file read produced.
struct ReadAll
{
    AtomTypeTable types;
    FrameList frames;
    RecordingSink sink;
    ReaderWarned warned;
    ReadOutcome outcome;

    /// Reads text with the given format. threads 1 is the plain loop; more read ahead in
    /// batches of batchBytes (small, so that even short texts span several batches).
    ReadAll(const std::string &text, const InputFormat &format, int threads = 1,
        std::size_t batchBytes = 64)
    {
        TrajectoryFile file = TrajectoryFile::fromText(text);
        read(file, format, threads, batchBytes);
    }
    /// Reads an opened file the same way.
    ReadAll(TrajectoryFile &file, const InputFormat &format, int threads = 1,
        std::size_t batchBytes = 64)
    {
        read(file, format, threads, batchBytes);
    }

    void read(TrajectoryFile &file, const InputFormat &format, int threads, std::size_t batchBytes)
    {
        types.buildDefaultTable();
        ReadOptions options;
        options.threads = threads;
        options.batchBytes = batchBytes;
        options.lineNumbers = true;
        outcome = readTrajectory(file, format, types, sink, warned, frames, options);
    }

    const Frame &frame(int index) const { return frames.frameAt(index); }
    const Messages &messages() const { return sink.messages; }
};

/// An input format whose current kind is the given one, with that kind's defaults.
inline InputFormat formatOf(LayoutKind kind)
{
    InputFormat format;
    format.kind = static_cast<int>(kind);
    return format;
}
