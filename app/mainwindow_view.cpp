#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "render/redraw.h"
#include "render/scene.h"

namespace {

// The view's start zoom, in pixels per Angstrom, and the share the atoms keep of it while
// the electron cloud is shown.
constexpr double StartScale = 32.0;
constexpr double AtomsWithElectrons = 0.2;

} // namespace

double TMainForm::PixelRatio() const
{
    return View ? View->devicePixelRatioF() : 1.0;
}

void TMainForm::FitViewToWindow(Frame &frame)
{
    RedrawInputs inputs{.Frames = Frames,
        .CurrentFrame = frame,
        .FrameCount = FrameCount,
        .display = *this,
        .view = ViewTransform,
        .settings = SceneSettings,
        .scratch = SceneScratch,
        .gradient = Gradient()};
    FitToWindow(ClientWidth(), ViewHeight(), &frame, false, inputs);
}

void TMainForm::Centre1Click()
{
    if (FrameCount < 1 || atomsIn(*CurrentFrame) < 1)
        return;
    ViewTransform.centre = boundingBoxCentre(*CurrentFrame);
    ViewHeld = false;
    FitViewToWindow(*CurrentFrame);
    Redraw(nullptr, true);
}

void TMainForm::ResetView1Click()
{
    ViewTransform.orientView(Vector3{0.0, 0.0, 1.0}, Vector3{0.0, 1.0, 0.0});
    ViewTransform.scale = StartScale;
    SceneSettings.atomScale =
        ShowElectrons && ElectronsSwitched ? StartScale * AtomsWithElectrons : StartScale;
    ViewTransform.centre = FileViewCentre;
    ViewHeld = false;
    if (FileViewCentred && FrameCount > 0)
        FitViewToWindow(*Frames.begin());
    Redraw(nullptr, true);
}

void TMainForm::PanView(double dx, double dy)
{
    ViewTransform.panView(dx, dy);
    ViewHeld = true;
}

void TMainForm::StartViewOfFile(LayoutKind kind)
{
    const bool centred = centresViewOnOpen(kind) && FrameCount > 0;
    FileViewCentred = centred;
    FileViewCentre = centred ? boundingBoxCentre(*Frames.begin()) : Vector3{};
    ViewTransform.centre = FileViewCentre;
    ViewHeld = false;
    if (centred)
        FitViewToWindow(*Frames.begin());
}
