// Fuzz target for the trajectory reader. The first bytes of an input choose the layout and its
// settings, the rest is the file. Each input is read in order and with the read-ahead threads;
// both must end alike, show the same messages and give the same frames, which are then written
// and read back. Built with libFuzzer (clang) or, with TESSALY_FUZZ_DRIVER, as a standalone
// program that mutates seed files for a bounded time.
#include "model/atomtype.h"
#include "model/frame.h"
#include "model/inputformat.h"
#include "model/messagesink.h"
#include "model/numberparse.h"
#include "model/trajectoryreader.h"
#include "model/trajectorywriter.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t ConfigBytes = 12;

[[noreturn]] void mismatch(const char *what)
{
    std::fprintf(stderr, "fuzz_reader: ordered and read-ahead reading differ: %s\n", what);
    std::abort();
}

bool same(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

bool same(const Vector3 &a, const Vector3 &b)
{
    return same(a.x, b.x) && same(a.y, b.y) && same(a.z, b.z);
}

void compare(const FrameList &a, const FrameList &b)
{
    if (a.count() != b.count())
        mismatch("frame count");
    auto other = b.begin();
    for (const Frame &x : a) {
        const Frame &y = *other++;
        if (x.atomCount != y.atomCount || x.atoms.size() != y.atoms.size() || !same(x.time, y.time)
            || !same(x.energy, y.energy) || x.text() != y.text())
            mismatch("frame header");
        if (x.atoms.size() != static_cast<std::size_t>(x.atomCount))
            mismatch("atoms missing from a complete frame");
        for (std::size_t i = 0; i < x.atoms.size(); ++i) {
            const FrameAtom &p = x.atoms[i];
            const FrameAtom &q = y.atoms[i];
            if (!same(p.position, q.position) || !same(p.impulse, q.impulse)
                || !same(p.charge, q.charge) || p.type != q.type
                || p.usesTypeOrbitals != q.usesTypeOrbitals
                || x.ownOrbitals(p).size() != y.ownOrbitals(q).size())
                mismatch("atom");
            for (std::size_t t = 0; t < x.ownOrbitals(p).size(); ++t)
                if (!termsEqual(x.ownOrbitals(p)[t], y.ownOrbitals(q)[t])
                    || !same(x.ownOrbitals(p)[t].coefficient, y.ownOrbitals(q)[t].coefficient))
                    mismatch("own orbitals");
        }
    }
}

// Small positions make the rules meet one another often; now and then a large one.
int position(std::uint8_t byte)
{
    return byte < 240 ? byte % 13 : (byte - 240) * 8;
}

InputFormat formatFrom(const std::uint8_t *config)
{
    InputFormat format;
    format.kind = config[0] % 4;
    LayoutSettings &layout = format.current();
    if (config[1] & 1) {
        // Settings within the input-file dialog's limits, picked by the bytes.
        layout.firstAtomLine = std::max(1, position(config[2]));
        layout.skipLines = position(config[3]) % 4;
        layout.xyzPosition = std::max(1, position(config[4]));
        layout.chargePosition = std::max(1, position(config[5]));
        layout.impulsePosition = position(config[6]);
        layout.orbitalPosition = position(config[7]);
        layout.fixedAtomCount = std::max(1, position(config[8]));
        layout.atomCountPosition = std::max(1, position(config[9]) % 5);
        layout.timePosition = std::max(1, position(config[10]) % 6);
        layout.energyPosition = std::max(1, position(config[11]) % 6);
        const std::uint8_t bits = config[1];
        layout.useFixedCount = bits & 2;
        layout.readTime = bits & 4;
        layout.readEnergy = bits & 8;
        layout.convertUnits = bits & 16;
        layout.readNames = bits & 32;
        layout.readCharge = bits & 64;
        layout.readImpulses = bits & 128;
        layout.readOrbitals = (config[2] & 1) == 0;
    }
    return format;
}

struct Reading
{
    FrameList frames;
    RecordingSink sink;
    ReaderWarned warned;
    ReadOutcome outcome;
};

void read(Reading &reading, const std::string &text, const InputFormat &format,
    AtomTypeTable &types, int threads, std::size_t batch)
{
    TrajectoryFile file = TrajectoryFile::fromText(text);
    ReadOptions options;
    options.threads = threads;
    options.batchBytes = batch;
    options.lineNumbers = true;
    reading.outcome =
        readTrajectory(file, format, types, reading.sink, reading.warned, reading.frames, options);
}

AtomTypeTable &table()
{
    static AtomTypeTable types = [] {
        AtomTypeTable built;
        built.buildDefaultTable();
        return built;
    }();
    return types;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < ConfigBytes)
        return 0;
    const InputFormat format = formatFrom(data);
    const std::string text(reinterpret_cast<const char *>(data) + ConfigBytes, size - ConfigBytes);

    double value = 0.0;
    int integer = 0;
    parseReal(text.data(), text.data() + text.size(), value);
    parseInt(text.data(), text.data() + text.size(), integer);

    AtomTypeTable &types = table();
    Reading inOrder;
    read(inOrder, text, format, types, 1, 0);
    Reading ahead;
    read(ahead, text, format, types, 2, 1 + data[3] * 4);
    if (inOrder.sink.messages != ahead.sink.messages)
        mismatch("messages");
    if (!(inOrder.warned == ahead.warned))
        mismatch("warning flags");
    if (inOrder.outcome.framesRead != ahead.outcome.framesRead
        || inOrder.outcome.endedWith != ahead.outcome.endedWith
        || inOrder.outcome.stopLine != ahead.outcome.stopLine)
        mismatch("outcome");
    if (inOrder.outcome.messageLines != ahead.outcome.messageLines)
        mismatch("message lines");
    compare(inOrder.frames, ahead.frames);

    // What was read can be written and read back in the common layout.
    std::ostringstream written;
    for (const Frame &frame : inOrder.frames)
        if (writeFrame(frame, written) != 0)
            std::abort();
    Reading back;
    read(back, written.str(), InputFormat{}, types, 1, 0);
    if (back.frames.count() != inOrder.frames.count())
        mismatch("written frames do not read back");
    return 0;
}

#if defined(TESSALY_FUZZ_DRIVER)
// Without libFuzzer: runs the given seed files, then mutations of them (byte changes, cut and
// repeated pieces, changed settings) until the time is up.
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

int main(int argc, char **argv)
{
    double seconds = 60.0;
    std::vector<std::string> seeds;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-max_total_time=", 0) == 0) {
            seconds = std::atof(arg.c_str() + 16);
            continue;
        }
        std::ifstream in(arg, std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (seeds.empty())
        seeds.push_back(std::string(ConfigBytes, '\0') + "3\n0 0\nO 0 0 0 0 0 0 0 1\n");
    for (const std::string &seed : seeds)
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(seed.data()), seed.size());

    std::mt19937_64 random(20261208);
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    const std::string alphabet = "0123456789 \t\n\r.-+eEinfaxXHOC?";
    while (std::chrono::steady_clock::now() < until) {
        std::string input = seeds[random() % seeds.size()];
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits && !input.empty(); ++e) {
            const std::size_t at = random() % input.size();
            switch (random() % 6) {
            case 0:
                input[at] = static_cast<char>(random());
                break;
            case 1:
                input[at] = alphabet[random() % alphabet.size()];
                break;
            case 2:
                input.erase(at, random() % 16);
                break;
            case 3:
                input.insert(at, input.substr(random() % input.size(), random() % 64));
                break;
            case 4:
                input[random() % std::min<std::size_t>(ConfigBytes, input.size())] =
                    static_cast<char>(random());
                break;
            default:
                input.insert(at, std::to_string(static_cast<long long>(random() % 100000) - 50000));
            }
        }
        if (input.size() > 1 << 16)
            input.resize(1 << 16);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(input.data()), input.size());
        ++runs;
    }
    std::printf("fuzz_reader: %ld inputs in %.0f s, no failure\n", runs, seconds);
    return 0;
}
#endif
