#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "dialogs/detailsdlg.h"
#include "render/redraw.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

#include <optional>

namespace {

// While a 3D electron cloud is drawn the window handles its events now and then, so the status
// line shows the progress. Esc abandons the pass; other input and the window's own timers wait
// for no one and are dropped, so no other handler runs in the middle of the redraw.
class CloudPassInput : public QObject
{
public:
    CloudPassInput(const TMainForm &window, bool &running)
        : Window(window)
        , Running(running)
    {
        Running = true;
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~CloudPassInput() override
    {
        QCoreApplication::instance()->removeEventFilter(this);
        Running = false;
    }
    bool Abandoned = false;
    bool Resized = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                Abandoned = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close:
            return true;
        case QEvent::Timer:
            return watched == &Window.AnimTimer || watched == &Window.RotationTimer
                || watched == &Window.MouseTimer;
        case QEvent::Resize:
            // a new size brings a new picture, which the pass no longer draws
            if (watched == &Window || watched == Window.View)
                Resized = true;
            return false;
        default:
            return false;
        }
    }

private:
    const TMainForm &Window;
    bool &Running;
};

} // namespace

void TMainForm::Redraw(Frame *frame, bool present)
{
    // events handled during a 3D cloud may ask for a redraw: the one under way will do
    if (CloudPassRunning)
        return;
    bool resized = false;
    SizeViewBitmap(); // the window may have moved to a screen of another density
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
        inputs.pixelRatio = PixelRatio();
        inputs.fitAllowed = !ViewHeld;
        // A paint event cannot handle events while it paints: a 3D cloud drawn for one runs
        // to its end without progress.
        std::optional<CloudPassInput> input;
        if (ShowElectrons && DrawingModel == 1 && !QuickDraw && !Painting) {
            input.emplace(*this, CloudPassRunning);
            inputs.cloudCarryOn = [&input] {
                QCoreApplication::processEvents();
                return !input->Abandoned && !input->Resized;
            };
        }
        redrawFrame(ViewBitmap, frame, inputs);
        resized = input && input->Resized;
    }
    if (!present)
        return;
    if (!Painting) {
        // The view paints the fresh bitmap when Qt next delivers its paint event: one copy of
        // the whole picture, never a half-drawn one.
        // A window resized during a 3D cloud needs the picture composed again at its size.
        BitmapFresh = !resized;
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
    if (ViewBitmap.size() == ViewRect.size())
        painter.drawImage(ViewRect.topLeft(), ViewBitmap, ViewRect);
    else
        painter.drawImage(QRectF(ViewRect), ViewBitmap); // pixel for pixel of the screen
}
