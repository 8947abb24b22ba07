#include "render/cloudjob.h"

#include <algorithm>
#include <map>
#include <system_error>

namespace {

// A type of the program's table without its cached ball pictures, which the cloud never reads.
void copyType(AtomType &copy, const AtomType &type)
{
    copy.color = type.color;
    copy.radius = type.radius;
    copy.name = type.name;
    copy.protons = type.protons;
    copy.orbitals = type.orbitals;
    copy.orbitalFamily = type.orbitalFamily;
}

} // namespace

CloudScene::CloudScene(const Frame &source, const CloudContext &given)
    : frame(source)
    , view(given.view)
    , settings(given.settings)
    , display(given.display)
    , context{view, settings, scratch, display, nullptr, given.threads}
{
    std::map<const AtomType *, AtomType *> copied;
    for (FrameAtom &atom : frame.atoms) {
        if (!atom.type)
            continue;
        auto found = copied.find(atom.type);
        if (found == copied.end()) {
            copyType(types.emplace_back(), *atom.type);
            found = copied.emplace(atom.type, &types.back()).first;
        }
        atom.type = found->second;
    }
    const SceneScratch &composed = given.scratch;
    scratch.frame = &frame;
    scratch.screenPos = composed.screenPos;
    scratch.depthList = composed.depthList;
    scratch.chargeRadius = composed.chargeRadius;
}

CloudJob::CloudJob(const Frame &frame, const QImage &atoms, const CloudContext &context,
    std::function<void()> whenFinished)
    : copies(std::make_unique<CloudScene>(frame, context))
    , rows(copies->frame, atoms, copies->context)
    , finished(std::move(whenFinished))
{
    // the constructor holds one count of its own until every thread it could start runs
    const int count = rows.threads();
    // room for every thread before the first starts: only starting a thread may fail below,
    // never growing the vector with threads already running
    threads.reserve(static_cast<std::size_t>(count));
    running = count + 1;
    int started = 0;
    try {
        for (; started < count; ++started)
            threads.emplace_back([this] {
                rows.work();
                release();
            });
    } catch (const std::system_error &) {
        // fewer threads draw the same picture
    }
    if (started == 0)
        rows.work();
    running -= count - started;
    release();
}

void CloudJob::release()
{
    // the last one out reports
    if (running.fetch_sub(1) == 1 && finished)
        finished();
}

CloudJob::~CloudJob()
{
    stop();
    join();
}

void CloudJob::stop()
{
    rows.stop();
}

void CloudJob::join()
{
    for (std::thread &thread : threads)
        if (thread.joinable())
            thread.join();
}

int CloudJob::percent() const
{
    return static_cast<int>(100LL * rows.rowsDone() / std::max(1, rows.rows()));
}

QImage CloudJob::picture()
{
    join();
    if (rows.stopped() || rows.rowsDone() != rows.rows())
        return {};
    return rows.picture();
}
