#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "dialogs/detailsdlg.h"

#include <QPainter>

namespace {

// Colours are 0x00BBGGRR in the program; an RGB32 pixel is 0xFFRRGGBB.
QRgb pixelOf(std::uint32_t color)
{
    return qRgb(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
        static_cast<int>((color >> 16) & 0xFFu));
}

} // namespace

void TMainForm::Redraw(Frame *frame, bool present)
{
    if (!frame)
        frame = CurrentFrame;
    if (!ViewBitmap.isNull())
        ViewBitmap.fill(pixelOf(effectiveBackground()));
    // The scene (atoms, labels, electron cloud) and the overlay are composed here, between
    // clearing the bitmap and presenting it.
    (void)frame;
    if (!present)
        return;
    if (!Painting) {
        // The view paints the fresh bitmap when Qt next delivers its paint event.
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
