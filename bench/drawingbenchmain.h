#pragma once

#include <QGuiApplication>

#include <benchmark/benchmark.h>

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
