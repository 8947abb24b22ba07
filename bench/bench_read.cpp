// Times a whole trajectory load through the same code the window uses (open, skip, read every
// frame into a FrameList) and reports speed and the memory the loaded frames keep.
//
//   bench_read FILE [--threads N] [--repeat N] [--kind 0|1|2]
//
// Prints one line of key=value pairs: seconds (best of the repeats), MB/s, atom-frames per
// second and resident bytes per atom-frame (peak resident size after the first load less the
// peak before it, over atoms x frames), and the processor time of the quickest load.
#include "model/atomtype.h"
#include "model/frame.h"
#include "model/inputformat.h"
#include "model/messagesink.h"
#include "model/trajectoryreader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>

namespace {

class CountingSink : public MessageSink
{
public:
    void show(std::string_view caption, std::string_view text) override
    {
        ++count;
        if (count <= 5)
            std::fprintf(stderr, "message: %.*s: %.*s\n", static_cast<int>(caption.size()),
                caption.data(), static_cast<int>(text.size()), text.data());
    }
    int count = 0;
};

// Seconds to take and first write as much fresh memory as the loaded atoms hold: on a virtual
// machine that hands memory back to its host this alone can dominate a load.
double freshMemorySeconds(std::size_t bytes)
{
    const auto start = std::chrono::steady_clock::now();
    void *memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return 0.0;
#if defined(MADV_POPULATE_WRITE)
    madvise(memory, bytes, MADV_POPULATE_WRITE);
#endif
    std::memset(memory, 1, bytes);
    const auto stop = std::chrono::steady_clock::now();
    munmap(memory, bytes);
    return std::chrono::duration<double>(stop - start).count();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [--threads N] [--repeat N] [--kind 0|1|2]\n", argv[0]);
        return 2;
    }
    int threads = 0;
    int repeats = 1;
    InputFormat format;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--threads"))
            threads = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--repeat"))
            repeats = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--kind"))
            format.kind = InputFormat::clampKind(std::atoi(argv[i + 1]));
    }
    AtomTypeTable types;
    types.buildDefaultTable();

    double best = 1e300;
    double bestCpu = 1e300;
    double bytesPerAtomFrame = 0.0;
    long long atomFrames = 0;
    int frameCount = 0;
    int messages = 0;
    std::size_t size = 0;
    for (int run = 0; run < repeats; ++run) {
        const long before = peakResidentKiB();
        const double cpuStart = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        FrameList frames;
        {
            TrajectoryFile file;
            if (!file.open(argv[1])) {
                std::fprintf(stderr, "Can't open XYZ file %s\n", argv[1]);
                return 1;
            }
            size = file.bytes().size();
            CountingSink sink;
            ReaderWarned warned;
            ReadOptions options;
            options.threads = threads;
            readTrajectory(file, format, types, sink, warned, frames, options);
            messages = sink.count;
        }
        const auto stop = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(stop - start).count());
        bestCpu = std::min(bestCpu, cpuSeconds() - cpuStart);
        if (run == 0) {
            atomFrames = 0;
            for (const Frame &frame : frames)
                atomFrames += frame.atomCount;
            frameCount = frames.count();
            const long after = peakResidentKiB();
            bytesPerAtomFrame = atomFrames ? (after - before) * 1024.0 / atomFrames : 0.0;
        }
    }
    const double floor =
        freshMemorySeconds(static_cast<std::size_t>(atomFrames) * sizeof(FrameAtom));
    std::printf("frames=%d atom_frames=%lld bytes=%zu messages=%d threads=%d seconds=%.4f "
                "MBps=%.1f atom_frames_per_s=%.4g resident_bytes_per_atom_frame=%.1f "
                "fresh_memory_floor_s=%.4f cpu_s=%.4f\n",
        frameCount, atomFrames, size, messages, threads, best, size / 1e6 / best, atomFrames / best,
        bytesPerAtomFrame, floor, bestCpu);
    return frameCount > 0 ? 0 : 1;
}
