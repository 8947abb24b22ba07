#pragma once

#include "render/viewtransform.h"

#include <functional>
#include <string>
#include <string_view>

/// The value of pi the rotated series has always used; a full turn of 360 degrees over the
/// series comes back to the start view to within the last digit of it.
inline constexpr double SeriesPi = 3.141592654;

/// The turn between two pictures of a series of count pictures that turns the view by
/// angleDegrees in all: angleDegrees x SeriesPi / (count x 180) radians.
double rotationStep(int angleDegrees, int count);

/// Turns view by step radians about the screen's vertical axis (vertical false) or its
/// horizontal axis (vertical true): one step of a rotated series.
void turnSeriesStep(ViewTransform &view, double step, bool vertical);

/// Saves count pictures of the view turned step by step (one step is rotationStep): save is
/// asked to write picture i as seriesFileName(path, i, digits of count) while it shows the
/// view turned by i steps, so picture 0 is the view as it was. After each picture the view
/// turns by a step about the screen's vertical axis (vertical false) or its horizontal axis
/// (vertical true) and redraw draws the picture again; after the whole series the view has
/// turned by angleDegrees. save returns false to stop the series at once (the view is then
/// left turned by the pictures saved so far). Returns whether the series ran to its end.
bool saveRotatedSeries(std::string_view path, int count, int angleDegrees, bool vertical,
    ViewTransform &view, const std::function<bool(const std::string &name)> &save,
    const std::function<void()> &redraw);
