#include "render/vectormath.h"
#include "render/viewtransform.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double Pi = 3.141592653589793;

void expectNear(const Vector3 &actual, const Vector3 &expected, double tolerance = 1e-12)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

ViewTransform startView(double originX = 240.0, double originY = 175.0)
{
    ViewTransform view;
    view.resetView();
    view.originX = originX;
    view.originY = originY;
    return view;
}

} // namespace

TEST(VectorMath, CrossProductIsWrittenIntoTheFirstVector)
{
    Vector3 u{1.0, 2.0, 3.0};
    cross(u, Vector3{4.0, 5.0, 6.0});
    EXPECT_EQ(u, (Vector3{-3.0, 6.0, -3.0}));
}

TEST(VectorMath, LengthsComponentsAndCombinations)
{
    Vector3 u{3.0, 4.0, 12.0};
    EXPECT_DOUBLE_EQ(length(u), 13.0);
    EXPECT_DOUBLE_EQ(squaredDistance(u), 169.0);
    EXPECT_DOUBLE_EQ(squaredDistance(u, Vector3{3.0, 4.0, 10.0}), 4.0);
    normalise(u);
    EXPECT_NEAR(length(u), 1.0, 1e-15);

    Vector3 w{2.0, 5.0, -1.0};
    EXPECT_EQ(componentAlong(w, Vector3{0.0, 1.0, 0.0}), (Vector3{0.0, 5.0, 0.0}));
    removeComponent(w, Vector3{0.0, 1.0, 0.0});
    EXPECT_EQ(w, (Vector3{2.0, 0.0, -1.0}));
    EXPECT_EQ(combine(Vector3{1, 0, 0}, Vector3{0, 1, 0}, 2.0, -3.0), (Vector3{2, -3, 0}));
}

TEST(ViewTransform, StartStateProjectsUnitAxesThirtyTwoPixelsOut)
{
    const ViewTransform view = startView();
    EXPECT_EQ(view.scale, 32.0);
    expectNear(view.projectToScreen({1.0, 0.0, 0.0}), {272.0, 175.0, 0.0});
    expectNear(view.projectToScreen({0.0, 0.0, 1.0}), {240.0, 175.0, 32.0});
    expectNear(view.projectToScreen({0.0, 1.0, 0.0}), {240.0, 207.0, 0.0});
}

TEST(ViewTransform, ResetViewPutsTheOriginAtZero)
{
    ViewTransform view;
    view.scale = 3.0;
    view.originX = 9.0;
    view.rotateView(0.3, 0.2, 0.1);
    view.resetView();
    EXPECT_EQ(view.scale, 32.0);
    EXPECT_EQ(view.originX, 0.0);
    EXPECT_EQ(view.originY, 0.0);
    EXPECT_EQ(view.axisX, (Vector3{1.0, 0.0, 0.0}));
    EXPECT_EQ(view.axisY, (Vector3{0.0, 1.0, 0.0}));
    EXPECT_EQ(view.axisZ, (Vector3{0.0, 0.0, 1.0}));
    EXPECT_EQ(view.upHint, (Vector3{0.0, 1.0, 0.0}));
}

TEST(ViewTransform, ZeroAnglesChangeNothing)
{
    ViewTransform view = startView();
    view.rotateView(0.4, -0.7, 1.1);
    const ViewTransform before = view;
    view.rotateView(0.0, 0.0, 0.0);
    EXPECT_EQ(view.axisX, before.axisX);
    EXPECT_EQ(view.axisY, before.axisY);
    EXPECT_EQ(view.axisZ, before.axisZ);
}

TEST(ViewTransform, QuarterTurnAboutScreenYTurnsXIntoDepth)
{
    ViewTransform view = startView();
    view.rotateView(0.0, 0.0, Pi / 2);
    expectNear(view.axisX, {0.0, 0.0, 1.0});
    expectNear(view.axisZ, {-1.0, 0.0, 0.0});
    expectNear(view.axisY, {0.0, 1.0, 0.0});
}

TEST(ViewTransform, TurnsAboutScreenXAndDepthUseTheOldRows)
{
    ViewTransform view = startView();
    view.rotateView(0.0, Pi / 2, 0.0);
    expectNear(view.axisY, {0.0, 0.0, 1.0});
    expectNear(view.axisZ, {0.0, -1.0, 0.0});
    view.resetView();
    view.rotateView(Pi / 2, 0.0, 0.0);
    expectNear(view.axisX, {0.0, -1.0, 0.0});
    expectNear(view.axisY, {1.0, 0.0, 0.0});
}

TEST(ViewTransform, ScreenToModelInvertsProjectToScreen)
{
    ViewTransform view = startView(100.0, 80.0);
    view.rotateView(0.3, -1.2, 2.5);
    view.scale = 17.25;
    for (const Vector3 &p : {Vector3{1.5, -2.0, 0.25}, Vector3{-7.0, 3.0, 11.0}, Vector3{}})
        expectNear(view.screenToModel(view.projectToScreen(p)), p, 1e-9);
}

TEST(ViewTransform, ZeroZoomNeverGivesNaN)
{
    ViewTransform view = startView();
    view.scale = 0.0;
    const Vector3 s = view.projectToScreen({5.0, 5.0, 5.0});
    expectNear(s, {240.0, 175.0, 0.0});
    const Vector3 back = view.screenToModel({10.0, 20.0, 3.0});
    EXPECT_FALSE(std::isnan(back.x) || std::isnan(back.y) || std::isnan(back.z));
}

TEST(ViewTransform, UpHintAlongTheDirectionFallsBackToScreenDown)
{
    ViewTransform view = startView();
    view.orientView(Vector3{0.0, 2.0, 0.0}, Vector3{0.0, 5.0, 0.0});
    expectNear(view.axisZ, {0.0, 1.0, 0.0});
    EXPECT_EQ(view.axisY, (Vector3{0.0, 1.0, 0.0}));
}

TEST(ViewTransform, OrientViewKeepsTheStoredRowsWhenArgumentsAreAbsent)
{
    ViewTransform view = startView();
    view.orientView(Vector3{1.0, 0.0, 0.0}, std::nullopt);
    expectNear(view.axisZ, {1.0, 0.0, 0.0});
    expectNear(view.axisY, {0.0, 1.0, 0.0});
    expectNear(view.axisX, {0.0, 0.0, -1.0});
    view.orientView(std::nullopt, Vector3{0.0, 0.0, 1.0});
    expectNear(view.axisY, {0.0, 0.0, 1.0});
    EXPECT_EQ(view.upHint, (Vector3{0.0, 0.0, 1.0}));
}

TEST(PolarAngle, CoversTheFullTurnClockwiseOnScreen)
{
    EXPECT_DOUBLE_EQ(polarAngle(0.0, 0.0), 1.5707963267948966);
    EXPECT_DOUBLE_EQ(polarAngle(-1.0, 0.0), 4.71238898038469);
    EXPECT_DOUBLE_EQ(polarAngle(-1.0, 1.0), 7.0 * Pi / 4.0);
    EXPECT_DOUBLE_EQ(polarAngle(1.0, -1.0), 3.0 * Pi / 4.0);
    EXPECT_DOUBLE_EQ(polarAngle(0.0, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(polarAngle(0.0, -1.0), Pi);
}

TEST(ViewCentre, PanMovesEveryPointByThePixelsOfTheDragInATurnedView)
{
    ViewTransform view = startView();
    view.rotateView(0.4, -0.7, 1.1);
    view.centre = {12.0, -3.0, 5.5};
    const Vector3 a{12.0, -3.0, 5.5}, b{-4.0, 8.0, 1.0};
    const Vector3 beforeA = view.projectToScreen(a), beforeB = view.projectToScreen(b);
    // the centre itself is drawn where the view centre is
    expectNear(beforeA, {240.0, 175.0, beforeA.z});
    view.panView(13.0, -7.0);
    expectNear(view.projectToScreen(a), {beforeA.x + 13.0, beforeA.y - 7.0, beforeA.z}, 1e-9);
    expectNear(view.projectToScreen(b), {beforeB.x + 13.0, beforeB.y - 7.0, beforeB.z}, 1e-9);
    expectNear(view.screenToModel(view.projectToScreen(b)), b, 1e-9);
}
