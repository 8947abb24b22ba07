#include "app/cli/commands.h"
#include "app/cli/trajectoryoptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char *const InfoHelp =
    "usage: tessaly-cli info FILE [--json] [input options]\n"
    "\n"
    "Reads FILE as the program's Open does and prints the number of frames, the atoms per\n"
    "frame, the range of the frames' times and energies, how the reading ended, and every\n"
    "message the reading showed (caption and text, in order), each with the number of the\n"
    "file line it is about. --json prints the same as one JSON object. FILE \"-\" reads\n"
    "standard input. A range covers the finite values and says how many were not finite.\n"
    "Exit status 0 when frames were read; 1 with \"Can't open XYZ file FILE\" or \"No frames\n"
    "read from file FILE\" on the error stream otherwise; 2 for a wrong command line.\n"
    "\n"
    "input options:\n";

// Shortest text that reads back as the same double, always with "." as decimal point.
std::string number(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char buffer[64];
    // a whole number (an atom count, a step) reads as one, not as 1e+07
    const bool whole = std::abs(value) < 1e15 && value == std::trunc(value);
    const auto result = whole
        ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
        : std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string jsonNumber(double value)
{
    return std::isfinite(value) ? number(value) : "null";
}

// The length of the well-formed UTF-8 sequence that starts at text[at]; 0 when the bytes there
// are not one (a stray continuation byte, an overlong form, a surrogate, a cut sequence).
std::size_t utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) -> unsigned {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u;
    };
    const unsigned lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned low = 0x80; // the range of the second byte
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

// A JSON string of text. File names and file contents need not be UTF-8: every byte that is
// not part of a well-formed sequence becomes U+FFFD, so the output always parses.
std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const std::size_t length = utf8SequenceLength(text, at);
            if (length == 0) {
                out += "\\ufffd";
            } else {
                out.append(text.substr(at, length));
                at += length - 1;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

// The range of the finite values, and how many were not finite (a NaN would make any range
// "nan to nan").
struct Range
{
    double low = 0.0;
    double high = 0.0;
    bool any = false;
    long long notFinite = 0;

    void add(double value)
    {
        if (!std::isfinite(value)) {
            ++notFinite;
            return;
        }
        if (!any || value < low)
            low = value;
        if (!any || value > high)
            high = value;
        any = true;
    }
};

struct Summary
{
    Range atoms;
    Range time;
    Range energy;
};

Summary summarise(const FrameList &frames)
{
    Summary summary;
    // A file read on demand answers from its index, without reading a frame.
    for (int index = 1; index <= frames.count(); ++index) {
        const FrameSummary frame = frames.summaryAt(index);
        summary.atoms.add(frame.atomCount);
        if (frame.hasTime)
            summary.time.add(frame.time);
        if (frame.hasEnergy)
            summary.energy.add(frame.energy);
    }
    return summary;
}

const char *endedWithName(const LoadedTrajectory &loaded)
{
    if (loaded.outcome.fileChanged)
        return "file changed";
    if (loaded.outcome.outOfMemory)
        return "out of memory";
    switch (loaded.outcome.endedWith) {
    case ReadResult::FormatError:
        return "format error";
    case ReadResult::OutOfMemory:
        return "out of memory";
    default:
        return "end of file";
    }
}

// The file line a message is about, 0 when it is about none.
std::int64_t messageLine(const LoadedTrajectory &loaded, std::size_t index)
{
    const std::vector<std::int64_t> &lines = loaded.outcome.messageLines;
    return index < lines.size() ? lines[index] : 0;
}

std::string jsonLine(std::int64_t line)
{
    return line > 0 ? std::to_string(line) : "null";
}

std::string atLine(std::int64_t line)
{
    return line > 0 ? " at line " + std::to_string(line) : "";
}

void printJson(const std::string &path, const LoadedTrajectory &loaded, const FrameList &frames)
{
    const Summary summary = summarise(frames);
    const auto range = [](const Range &range) {
        const std::string notFinite = range.notFinite > 0
            ? ", \"notFinite\": " + std::to_string(range.notFinite)
            : std::string();
        if (!range.any)
            return notFinite.empty() ? std::string("null")
                                     : "{\"min\": null, \"max\": null" + notFinite + "}";
        return "{\"min\": " + jsonNumber(range.low) + ", \"max\": " + jsonNumber(range.high)
            + notFinite + "}";
    };
    std::string out = "{\n";
    out += "  \"file\": " + jsonString(path) + ",\n";
    out += "  \"layout\": " + jsonString(layoutName(loaded.format.kind)) + ",\n";
    out += "  \"frames\": " + std::to_string(frames.count()) + ",\n";
    out += "  \"atomsPerFrame\": " + range(summary.atoms) + ",\n";
    out += "  \"time\": " + range(summary.time) + ",\n";
    out += "  \"energy\": " + range(summary.energy) + ",\n";
    const auto cell = [](const Frame *frame) {
        if (!frame || !frame->cell())
            return std::string("null");
        std::string edges = "[";
        for (const Vector3 &edge : frame->cell()->edges)
            edges += std::string(edges.size() > 1 ? ", " : "") + "[" + jsonNumber(edge.x) + ", "
                + jsonNumber(edge.y) + ", " + jsonNumber(edge.z) + "]";
        return edges + "]";
    };
    out += "  \"cell\": {\"first\": " + cell(frames.empty() ? nullptr : &frames.frameAt(1))
        + ", \"last\": " + cell(frames.empty() ? nullptr : &frames.frameAt(frames.count()))
        + "},\n";
    out += "  \"endedWith\": " + jsonString(endedWithName(loaded)) + ",\n";
    out += "  \"stopLine\": " + jsonLine(loaded.outcome.stopLine) + ",\n";
    out += "  \"messages\": [";
    for (std::size_t i = 0; i < loaded.messages.size(); ++i) {
        out += i ? ",\n    " : "\n    ";
        out += "{\"line\": " + jsonLine(messageLine(loaded, i))
            + ", \"caption\": " + jsonString(loaded.messages[i].first)
            + ", \"text\": " + jsonString(loaded.messages[i].second) + "}";
    }
    out += loaded.messages.empty() ? "]\n" : "\n  ]\n";
    out += "}\n";
    std::cout << out;
}

void printText(const std::string &path, const LoadedTrajectory &loaded, const FrameList &frames)
{
    const Summary summary = summarise(frames);
    const auto range = [](const Range &range) {
        std::string text = !range.any ? std::string("-")
            : range.low == range.high ? number(range.low)
                                      : number(range.low) + " to " + number(range.high);
        if (range.notFinite > 0)
            text += " (" + std::to_string(range.notFinite) + " not finite)";
        return text;
    };
    std::cout << "file: " << path << "\n"
              << "layout: " << layoutName(loaded.format.kind) << "\n"
              << "frames: " << frames.count() << "\n"
              << "atoms per frame: " << range(summary.atoms) << "\n"
              << "time: " << range(summary.time) << "\n"
              << "energy: " << range(summary.energy) << "\n"
              << "ended with: " << endedWithName(loaded) << atLine(loaded.outcome.stopLine) << "\n"
              << "messages: " << loaded.messages.size() << "\n";
    for (std::size_t i = 0; i < loaded.messages.size(); ++i) {
        const auto &[caption, text] = loaded.messages[i];
        const std::int64_t line = messageLine(loaded, i);
        std::cout << "  " << (line > 0 ? "line " + std::to_string(line) + ": " : "")
                  << (caption.empty() ? text : caption + ": " + text) << "\n";
    }
}

} // namespace

int infoCommand(const std::vector<std::string> &arguments)
{
    std::vector<std::string> args = arguments;
    TrajectoryOptions options;
    if (const std::optional<int> status = startTrajectoryCommand("info", InfoHelp, args, options))
        return *status;
    bool json = false;
    std::vector<std::string> files;
    for (const std::string &arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "tessaly-cli info: unknown option " << arg
                      << " (see tessaly-cli info --help)\n";
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 1) {
        std::cerr << "tessaly-cli info: give exactly one FILE (see tessaly-cli info --help)\n";
        return 2;
    }
    AtomTypeTable types;
    types.buildDefaultTable();
    FrameList frames;
    const LoadedTrajectory loaded = loadTrajectory(files[0], options, types, frames);
    if (loaded.opened) {
        if (json)
            printJson(files[0], loaded, frames);
        else
            printText(files[0], loaded, frames);
    }
    if (!loaded.error.empty()) {
        std::cout.flush();
        std::cerr << loaded.error << "\n";
        return 1;
    }
    return 0;
}
