#include "app/cloudpass.h"

#include "app/busyinput.h"
#include "app/mainwindow.h"
#include "render/cloudjob.h"
#include "render/electroncloud.h"
#include "render/redraw.h"

#include <QCoreApplication>

#include <string>

namespace {

constexpr int ProgressEveryMs = 100;

} // namespace

CloudPass::CloudPass(TMainForm &window)
    : Window(window)
{
    ProgressTimer.setInterval(ProgressEveryMs);
    QObject::connect(&ProgressTimer, &QTimer::timeout, &ProgressTimer, [this] { ShowProgress(); });
}

CloudPass::~CloudPass() = default;

void CloudPass::Start(
    const Frame &frame, const QImage &atoms, const CloudContext &context, std::uint64_t generation)
{
    Job = std::make_unique<CloudJob>(frame, atoms, context, [this, generation] {
        QMetaObject::invokeMethod(
            &Window, [this, generation] { Finished(generation); }, Qt::QueuedConnection);
    });
}

void CloudPass::KeepStandIn(const QImage &standIn, bool present)
{
    StandInPicture = standIn;
    Present = present;
    Window.StatusLine->showBusy(CloudBusyText);
    ProgressTimer.start();
}

bool CloudPass::Wait(bool escAbandons)
{
    if (!Job)
        return true;
    BusyInput input(Window);
    const std::uint64_t generation = Generation;
    while (Job && Generation == generation) {
        if (input.CloseSeen() || (escAbandons && input.StopSeen())) {
            Abandon();
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // A close stops the pass without waiting here for its picture, and a newer redraw takes
    // its place: only the pass's own picture counts.
    return !input.CloseSeen() && ShownGeneration == generation;
}

void CloudPass::Finished(std::uint64_t generation)
{
    if (!Job || generation != Generation || !Job->ended())
        return;
    const std::unique_ptr<CloudJob> job = std::move(Job);
    ProgressTimer.stop();
    QImage picture = job->picture();
    if (picture.isNull())
        return;
    // the overlay as the redraw that started the pass would have drawn it
    CloudScene &scene = job->scene();
    RedrawInputs inputs = Window.InputsOfRedraw();
    RedrawInputs copies{.Frames = Window.Frames,
        .CurrentFrame = scene.frame,
        .FrameCount = Window.FrameCount,
        .display = scene.display,
        .view = scene.view,
        .settings = scene.settings,
        .scratch = scene.scratch,
        .gradient = inputs.gradient,
        .readTime = inputs.readTime,
        .readEnergy = inputs.readEnergy};
    DrawOverlay(picture, &scene.frame, copies);
    Window.ViewBitmap = picture;
    ShownGeneration = generation;
    Window.BitmapStale = false;
    StandInPicture = QImage();
    Window.StatusLine->showCounter();
    if (Present)
        Window.PresentBitmap();
}

void CloudPass::ShowProgress()
{
    if (!Job)
        return;
    Window.StatusLine->showBusy(
        std::string(CloudBusyText) + " " + std::to_string(Job->percent()) + "%");
}

void CloudPass::Stop()
{
    // Threads that are still drawing their last row end on their own; they are waited for
    // when the next pass starts or the window goes.
    std::erase_if(Stopped, [](const std::unique_ptr<CloudJob> &job) { return job->ended(); });
    if (!Job)
        return;
    Job->stop();
    Stopped.push_back(std::move(Job));
    ProgressTimer.stop();
    Window.StatusLine->showCounter();
}

bool CloudPass::Abandon()
{
    if (!Job)
        return false;
    const bool present = Present;
    Stop();
    Window.ViewBitmap = StandInPicture;
    Window.BitmapStale = false;
    if (present)
        Window.PresentBitmap();
    return true;
}

void CloudPass::EndAll()
{
    Stop();
    Stopped.clear();
}
