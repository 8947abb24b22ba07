// Times a trajectory read on demand through the code the window uses: the index pass, playing
// frame after frame (each shown frame held and the next ones read ahead while the frame is
// "drawn" for the given time), and jumps to frames at random.
//
//   bench_ondemand FILE [--memory SIZE] [--play N] [--draw-ms D] [--jumps N]
//
// Prints key=value pairs: index seconds and GB/s, frames, played frames a second and the
// slowest frame's wait, the median and slowest jump in milliseconds, and the peak resident
// size in MB.
#include "model/atomtype.h"
#include "model/frame.h"
#include "model/inputformat.h"
#include "model/memorybudget.h"
#include "model/messagesink.h"
#include "model/trajectoryfile.h"
#include "model/trajectoryreader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class PrintingSink : public MessageSink
{
public:
    void show(std::string_view caption, std::string_view text) override
    {
        std::fprintf(stderr, "message: %.*s: %.*s\n", static_cast<int>(caption.size()),
            caption.data(), static_cast<int>(text.size()), text.data());
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr,
            "usage: bench_ondemand FILE [--memory SIZE] [--play N] [--draw-ms D] [--jumps N]\n");
        return 2;
    }
    std::size_t memory = defaultMemoryLimit();
    int play = 600;
    double drawMs = 20.0;
    int jumps = 200;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--memory" && !parseMemorySize(argv[i + 1], memory))
            return 2;
        if (option == "--play")
            play = std::atoi(argv[i + 1]);
        if (option == "--draw-ms")
            drawMs = std::atof(argv[i + 1]);
        if (option == "--jumps")
            jumps = std::atoi(argv[i + 1]);
    }

    AtomTypeTable types;
    types.buildDefaultTable();
    FrameList frames;
    frames.budget().setLimit(memory);
    PrintingSink sink;
    ReaderWarned warned;
    TrajectoryFile file;
    const auto opening = Clock::now();
    if (!file.open(argv[1], memory / 2)) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const double bytes = static_cast<double>(file.bytes().size());
    InputFormat format;
    format.kind = kindForFile(".xyz", file.bytes());
    readTrajectory(file, format, types, sink, warned, frames);
    const double indexSeconds = secondsSince(opening);
    std::printf("frames=%d on_demand=%d index_s=%.3f index_GB/s=%.2f", frames.count(),
        frames.onDemand() ? 1 : 0, indexSeconds, bytes / indexSeconds / 1e9);
    if (frames.empty()) {
        std::printf("\n");
        return 1;
    }

    // Playing: a frame is asked for, held, and "drawn" while the next ones are read ahead.
    const auto draw = std::chrono::duration<double, std::milli>(drawMs);
    play = std::min(play, frames.count());
    double slowest = 0.0;
    const auto playing = Clock::now();
    for (int i = 1; i <= play; ++i) {
        const auto asked = Clock::now();
        const Frame &frame = frames.frameAt(i);
        slowest = std::max(slowest, secondsSince(asked));
        frames.hold(i, 1);
        if (frame.atomCount == 0)
            return 1;
        std::this_thread::sleep_for(draw);
    }
    const double playSeconds = secondsSince(playing);
    std::printf(" play_fps=%.1f draw_ms=%.0f slowest_wait_ms=%.2f", play / playSeconds, drawMs,
        slowest * 1e3);

    // Jumps to frames at random, far from each other.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> anyFrame(1, frames.count());
    std::vector<double> times;
    for (int j = 0; j < jumps; ++j) {
        const int target = anyFrame(random);
        const auto asked = Clock::now();
        const Frame &frame = frames.frameAt(target);
        times.push_back(secondsSince(asked) * 1e3);
        frames.hold(target);
        if (frame.atomCount == 0)
            return 1;
    }
    std::sort(times.begin(), times.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(" jump_median_ms=%.2f jump_slowest_ms=%.2f peak_rss_MB=%.0f\n",
        times.empty() ? 0.0 : times[times.size() / 2], times.empty() ? 0.0 : times.back(),
        static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
