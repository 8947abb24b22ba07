#include "render/threedrows.h"

#include "render/cloudrays.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Beyond this many threads a pass of a few hundred rows gains nothing.
constexpr int MostThreads = 64;
constexpr auto ReportEvery = std::chrono::milliseconds(100);

// The rows of one 3D pass, shared by its threads. Each thread takes the next row not yet
// taken; the pixels are read from the picture as composed and written to a copy of it, both
// reached through plain pointers taken before the threads start (QImage's own accessors may
// touch its shared state).
struct Pass
{
    const CloudRays &rays;
    const CloudContext &context;
    const uchar *source;
    uchar *target;
    qsizetype bytesPerLine;
    int width;
    int height;
    std::atomic<int> nextRow{0};
    std::atomic<int> rowsDone{0};
    std::atomic<bool> stop{false};

    void work(const std::function<void()> &afterRow = {})
    {
        RayWork rayWork;
        while (!stop.load(std::memory_order_relaxed)) {
            const int y = nextRow.fetch_add(1, std::memory_order_relaxed);
            if (y >= height)
                return;
            rays.drawRow(y, reinterpret_cast<const std::uint32_t *>(source + y * bytesPerLine),
                reinterpret_cast<std::uint32_t *>(target + y * bytesPerLine), width, rayWork);
            rowsDone.fetch_add(1, std::memory_order_relaxed);
            if (afterRow)
                afterRow();
        }
    }
};

int threadsFor(int asked, int rows)
{
    int threads = asked > 0 ? asked : static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(threads, 1, std::max(1, std::min(rows, MostThreads)));
}

} // namespace

bool drawThreeDCloud(const Frame &frame, QImage &bitmap, const CloudContext &context)
{
    // The picture may be replaced while events are handled during the pass (a window resized):
    // this reference keeps the pixels being read alive, and a replaced picture is left alone.
    const QImage source = bitmap;
    if (context.status)
        context.status->showBusy(CloudBusyText);
    if (context.carryOn && !context.carryOn())
        return false;

    const CloudRays rays(frame, context);
    QImage drawn = source.copy();
    if (drawn.isNull() || drawn.bytesPerLine() != source.bytesPerLine())
        return false;
    Pass pass{rays, context, source.constBits(), drawn.bits(), source.bytesPerLine(),
        source.width(), source.height()};
    const bool reporting = context.status || context.carryOn;
    auto lastReport = std::chrono::steady_clock::now();
    const auto report = [&] {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastReport < ReportEvery)
            return;
        lastReport = now;
        const int percent =
            static_cast<int>(100LL * pass.rowsDone.load() / std::max(1, pass.height));
        if (context.status)
            context.status->showBusy(
                std::string(CloudBusyText) + " " + std::to_string(percent) + "%");
        if (context.carryOn && !context.carryOn())
            pass.stop = true;
    };

    std::vector<std::thread> helpers;
    const int threads = threadsFor(context.threads, pass.height);
    try {
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back([&pass] { pass.work(); });
    } catch (const std::system_error &) {
        // fewer threads than asked draw the same picture
    }
    if (reporting)
        pass.work(report);
    else
        pass.work();
    for (std::thread &helper : helpers)
        helper.join();
    if (pass.stop || bitmap.constBits() != source.constBits())
        return false;
    bitmap = std::move(drawn);
    return true;
}

struct ThreeDRows::Rows
{
    Rows(const Frame &frame, const QImage &atoms, const CloudContext &context)
        : rays(frame, context)
        , source(atoms)
        , drawn(atoms.copy())
        , pass{rays, context, source.constBits(), drawn.bits(), source.bytesPerLine(),
              source.width(), drawn.bytesPerLine() == source.bytesPerLine() ? source.height() : 0}
        , context(context)
    {
    }
    CloudRays rays;
    const QImage source; // kept alive: the pass reads its pixels
    QImage drawn;
    Pass pass;
    const CloudContext &context;
};

ThreeDRows::ThreeDRows(const Frame &frame, const QImage &atoms, const CloudContext &context)
    : state(std::make_unique<Rows>(frame, atoms, context))
{
}

ThreeDRows::~ThreeDRows() = default;

void ThreeDRows::work()
{
    state->pass.work();
}

void ThreeDRows::stop()
{
    state->pass.stop = true;
}

bool ThreeDRows::stopped() const
{
    return state->pass.stop;
}

int ThreeDRows::rowsDone() const
{
    return state->pass.rowsDone.load();
}

int ThreeDRows::rows() const
{
    return state->pass.height;
}

int ThreeDRows::threads() const
{
    return threadsFor(state->context.threads, state->pass.height);
}

QImage &ThreeDRows::picture()
{
    return state->drawn;
}
