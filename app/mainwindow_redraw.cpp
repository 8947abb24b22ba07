#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "dialogs/detailsdlg.h"
#include "render/redraw.h"

#include <QPainter>

void TMainForm::Redraw(Frame *frame, bool present)
{
    if (!ViewBitmap.isNull()) {
        const LayoutSettings &layout = Format().current();
        RedrawInputs inputs{.Frames = Frames,
            .CurrentFrame = *CurrentFrame,
            .FrameCount = FrameCount,
            .display = *this,
            .view = ViewTransform,
            .settings = SceneSettings,
            .scratch = SceneScratch,
            .gradient = Gradient(),
            .readTime = layout.readTime,
            .readEnergy = layout.readEnergy,
            .status = StatusLine};
        redrawFrame(ViewBitmap, frame, inputs);
    }
    if (!present)
        return;
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
    if (!BitmapFresh) {
        // An expose, a resize or a first show: compose the picture as a paint always does.
        Painting = true;
        FormPaint();
        Painting = false;
    }
    BitmapFresh = false;
    painter.drawImage(ViewRect.topLeft(), ViewBitmap, ViewRect);
}
