#pragma once

// What the benchmarks that draw share: the state a redraw draws with, and their main.

#include "model/atomtype.h"
#include "model/chargegradient.h"
#include "model/frame.h"
#include "render/displaystate.h"
#include "render/redraw.h"
#include "render/scene.h"
#include "render/viewtransform.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

/// What a redraw draws with, as the window holds it: the default atom types, the frames, the
/// switches, the start view centred in a picture of the window's start drawing area.
struct DrawingState
{
    AtomTypeTable types;
    FrameList frames;
    DisplayState display;
    ViewTransform view;
    SceneSettings settings;
    SceneScratch scratch;
    ChargeGradient gradient;
    QImage picture{481, 351, QImage::Format_RGB32};

    DrawingState()
    {
        types.buildDefaultTable();
        view.resetView();
        view.originX = picture.width() / 2;
        view.originY = picture.height() / 2;
    }

    /// Redraws the first frame into picture.
    void redraw()
    {
        RedrawInputs inputs{frames, *frames.first(), frames.count(), display, view, settings,
            scratch, gradient, true, true};
        redrawFrame(picture, nullptr, inputs);
    }
};

/// The whole main of a benchmark that draws: drawing text needs a GUI application, which runs
/// on the offscreen platform where there is no display. Returns the process exit status.
inline int runDrawingBenchmarks(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
