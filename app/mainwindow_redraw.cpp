#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "dialogs/detailsdlg.h"
#include "render/electroncloud.h"
#include "render/redraw.h"
#include "render/spherepicture.h"

#include <QPainter>

#include <cmath>

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
    Cloud.Stop();
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
    const std::uint64_t generation = Cloud.NextGeneration();
    inputs.electronCloud = [this, generation](const Frame &composed, QImage &bitmap) {
        const CloudContext context{ViewTransform, SceneSettings, SceneScratch, *this, nullptr, 0};
        const double k = ViewTransform.scale;
        if (SceneScratch.frame != &composed || !(k > 0.0) || !std::isfinite(k)) {
            // no cloud to draw, as the cloud itself decides
            drawElectronCloud(composed, bitmap, context);
            return;
        }
        Cloud.Start(composed, bitmap, context, generation);
        DisplayState quick = *this;
        quick.QuickDraw = true;
        const CloudContext quickContext{ViewTransform, SceneSettings, SceneScratch, quick};
        drawElectronCloud(composed, bitmap, quickContext);
    };
    redrawFrame(standIn, frame, inputs);
    if (!Cloud.Running()) {
        // nothing was composed for a cloud (no atoms): the picture is whole as it is
        ViewBitmap = standIn;
        BitmapStale = false;
        if (present)
            PresentBitmap();
        return;
    }
    Cloud.KeepStandIn(standIn, present);

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

void TMainForm::PaintView(QPainter &painter)
{
    const NoForcedPaint painting(*this);
    // While a cloud is drawn, or other long work runs, the view shows the picture it has.
    if (!BitmapFresh && !Cloud.Running() && !Busy) {
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
