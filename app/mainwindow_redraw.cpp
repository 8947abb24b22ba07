#include "app/busyinput.h"
#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "dialogs/detailsdlg.h"
#include "render/cloudjob.h"
#include "render/electroncloud.h"
#include "render/redraw.h"
#include "render/spherepicture.h"

#include <QCoreApplication>
#include <QPainter>

#include <cmath>
#include <string>

namespace {

constexpr int ProgressEveryMs = 100;

} // namespace

RedrawInputs TMainForm::InputsOfRedraw()
{
    const LayoutSettings &layout = Format().current();
    return RedrawInputs{.Frames = Frames,
        .CurrentFrame = *CurrentFrame,
        .FrameCount = FrameCount,
        .display = *this,
        .view = ViewTransform,
        .settings = SceneSettings,
        .scratch = SceneScratch,
        .gradient = Gradient(),
        .readTime = layout.readTime,
        .readEnergy = layout.readEnergy,
        .status = StatusLine,
        .pixelRatio = PixelRatio(),
        .fitAllowed = !ViewHeld};
}

void TMainForm::Redraw(Frame *frame, bool present)
{
    // whatever a running pass draws is stale now
    StopCloudPass();
    // the window may have moved to a screen of another density
    if (SizeViewBitmap())
        BitmapStale = true;
    if (ViewBitmap.isNull())
        return;
    RedrawInputs inputs = InputsOfRedraw();
    if (!(ShowElectrons && DrawingModel == 1 && !QuickDraw)) {
        redrawFrame(ViewBitmap, frame, inputs);
        BitmapStale = false;
        if (present)
            PresentBitmap();
        return;
    }

    // The 3D cloud runs on threads of its own over the composed atoms, the overlay drawn over
    // it when it ends. Meanwhile the picture composed with the quick model stands in.
    QImage standIn(ViewBitmap.size(), QImage::Format_RGB32);
    standIn.setDotsPerMeterX(ViewBitmap.dotsPerMeterX());
    standIn.setDotsPerMeterY(ViewBitmap.dotsPerMeterY());
    const std::uint64_t generation = ++CloudGeneration;
    inputs.electronCloud = [this, generation](const Frame &composed, QImage &bitmap) {
        const CloudContext context{ViewTransform, SceneSettings, SceneScratch, *this, nullptr, 0};
        const double k = ViewTransform.scale;
        if (SceneScratch.frame != &composed || !(k > 0.0) || !std::isfinite(k)) {
            // no cloud to draw, as the cloud itself decides
            drawElectronCloud(composed, bitmap, context);
            return;
        }
        CloudPass = std::make_unique<CloudJob>(composed, bitmap, context, [this, generation] {
            QMetaObject::invokeMethod(
                this, [this, generation] { CloudPassFinished(generation); }, Qt::QueuedConnection);
        });
        DisplayState quick = *this;
        quick.QuickDraw = true;
        const CloudContext quickContext{ViewTransform, SceneSettings, SceneScratch, quick};
        drawElectronCloud(composed, bitmap, quickContext);
    };
    redrawFrame(standIn, frame, inputs);
    if (!CloudPass) {
        // nothing was composed for a cloud (no atoms): the picture is whole as it is
        ViewBitmap = standIn;
        BitmapStale = false;
        if (present)
            PresentBitmap();
        return;
    }
    CloudStandIn = standIn;
    CloudPresent = present;
    StatusLine->showBusy(CloudBusyText);
    CloudProgressTimer.start();

    if (present && !Busy) {
        // A picture of another size, or none yet, gives way to the stand-in; otherwise the
        // last picture stays until the new one is whole.
        if (BitmapStale || ViewBitmap.size() != standIn.size()) {
            ViewBitmap = standIn;
            BitmapStale = false;
            if (!Painting) {
                BitmapFresh = true;
                View->update();
            }
        }
        return;
    }
    // A picture for saving is needed now: events are handled while it is drawn; Esc gives up
    // on the cloud for the quick model, unless a series is being saved, which Esc stops after
    // this picture.
    WaitForCloudPass(Busy == nullptr);
}

bool TMainForm::WaitForCloudPass(bool escAbandons)
{
    if (!CloudPass)
        return true;
    BusyInput input(*this);
    const std::uint64_t generation = CloudGeneration;
    while (CloudPass && CloudGeneration == generation) {
        if (input.CloseSeen() || (escAbandons && input.StopSeen())) {
            AbandonCloudPass();
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // A close stops the pass without waiting here for its picture, and a newer redraw takes
    // its place: only the pass's own picture counts.
    return !input.CloseSeen() && CloudShownGeneration == generation;
}

void TMainForm::PresentBitmap()
{
    if (!Painting) {
        // The view paints the fresh bitmap when Qt next delivers its paint event: one copy of
        // the whole picture, never a half-drawn one.
        BitmapFresh = true;
        View->update();
    }
    if (ShowDetails && DetailsDlg)
        DetailsDlg->refreshDetails();
}

void TMainForm::CloudPassFinished(std::uint64_t generation)
{
    if (!CloudPass || generation != CloudGeneration || !CloudPass->ended())
        return;
    const std::unique_ptr<CloudJob> job = std::move(CloudPass);
    CloudProgressTimer.stop();
    QImage picture = job->picture();
    if (picture.isNull())
        return;
    // the overlay as the redraw that started the pass would have drawn it
    CloudScene &scene = job->scene();
    RedrawInputs inputs = InputsOfRedraw();
    RedrawInputs copies{.Frames = Frames,
        .CurrentFrame = scene.frame,
        .FrameCount = FrameCount,
        .display = scene.display,
        .view = scene.view,
        .settings = scene.settings,
        .scratch = scene.scratch,
        .gradient = inputs.gradient,
        .readTime = inputs.readTime,
        .readEnergy = inputs.readEnergy};
    DrawOverlay(picture, &scene.frame, copies);
    ViewBitmap = picture;
    CloudShownGeneration = generation;
    BitmapStale = false;
    CloudStandIn = QImage();
    StatusLine->showCounter();
    if (CloudPresent)
        PresentBitmap();
}

void TMainForm::ShowCloudProgress()
{
    if (!CloudPass)
        return;
    StatusLine->showBusy(
        std::string(CloudBusyText) + " " + std::to_string(CloudPass->percent()) + "%");
}

void TMainForm::StopCloudPass()
{
    // Threads that are still drawing their last row end on their own; they are waited for
    // when the next pass starts or the window goes.
    std::erase_if(StoppedPasses, [](const std::unique_ptr<CloudJob> &job) { return job->ended(); });
    if (!CloudPass)
        return;
    CloudPass->stop();
    StoppedPasses.push_back(std::move(CloudPass));
    CloudProgressTimer.stop();
    StatusLine->showCounter();
}

bool TMainForm::AbandonCloudPass()
{
    if (!CloudPass)
        return false;
    const bool present = CloudPresent;
    StopCloudPass();
    ViewBitmap = CloudStandIn;
    BitmapStale = false;
    if (present)
        PresentBitmap();
    return true;
}

void TMainForm::EndCloudPasses()
{
    StopCloudPass();
    StoppedPasses.clear();
}

void TMainForm::PaintView(QPainter &painter)
{
    const NoForcedPaint painting(*this);
    // While a cloud is drawn, or other long work runs, the view shows the picture it has.
    if (!BitmapFresh && !CloudPass && !Busy) {
        // An expose, a resize or a first show: compose the picture as a paint always does.
        Painting = true;
        FormPaint();
        Painting = false;
    }
    BitmapFresh = false;
    if (ViewBitmap.size() == ViewRect.size())
        painter.drawImage(ViewRect.topLeft(), ViewBitmap, ViewRect);
    else
        painter.drawImage(QRectF(ViewRect), ViewBitmap); // pixel for pixel of the screen
}
