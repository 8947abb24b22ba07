#include "render/rotatedseries.h"

#include "render/imagefile.h"

double rotationStep(int angleDegrees, int count)
{
    return angleDegrees * SeriesPi / (count * 180.0);
}

void turnSeriesStep(ViewTransform &view, double step, bool vertical)
{
    view.rotateView(0.0, vertical ? step : 0.0, vertical ? 0.0 : step);
}

bool saveRotatedSeries(std::string_view path, int count, int angleDegrees, bool vertical,
    ViewTransform &view, const std::function<bool(const std::string &name)> &save,
    const std::function<void()> &redraw)
{
    const int digits = decimalDigits(count);
    const double step = rotationStep(angleDegrees, count);
    for (int i = 0; i < count; ++i) {
        if (!save(seriesFileName(path, i, digits)))
            return false;
        turnSeriesStep(view, step, vertical);
        redraw();
    }
    return true;
}
