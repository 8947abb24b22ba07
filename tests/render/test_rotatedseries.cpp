#include "render/rotatedseries.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct SavedPicture
{
    std::string name;
    ViewTransform view;
};

// Runs a series on the start view and keeps each name with the view it was saved with.
std::vector<SavedPicture> runSeries(
    int count, int angle, bool vertical, ViewTransform &view, int &redraws, int stopAfter = -1)
{
    view.resetView();
    std::vector<SavedPicture> saved;
    saveRotatedSeries(
        "/out/turn.png", count, angle, vertical, view,
        [&](const std::string &name) {
            if (static_cast<int>(saved.size()) == stopAfter)
                return false;
            saved.push_back({name, view});
            return true;
        },
        [&] { ++redraws; });
    return saved;
}

void expectNear(const Vector3 &actual, const Vector3 &expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-8);
    EXPECT_NEAR(actual.y, expected.y, 1e-8);
    EXPECT_NEAR(actual.z, expected.z, 1e-8);
}

} // namespace

TEST(RotatedSeries, StepUsesTheSeriesPi)
{
    // 36 degrees, with pi taken as 3.141592654
    EXPECT_DOUBLE_EQ(rotationStep(360, 10), 0.6283185308);
    EXPECT_DOUBLE_EQ(rotationStep(90, 1), 1.570796327);
    EXPECT_DOUBLE_EQ(rotationStep(3600, 1000), 0.06283185308);
}

TEST(RotatedSeries, TenHorizontalPicturesTurnAFullCircleStartingUnturned)
{
    ViewTransform view;
    int redraws = 0;
    const std::vector<SavedPicture> saved = runSeries(10, 360, false, view, redraws);
    ASSERT_EQ(saved.size(), 10u);
    EXPECT_EQ(saved[0].name, "/out/turn00.png");
    EXPECT_EQ(saved[9].name, "/out/turn09.png");
    EXPECT_EQ(redraws, 10);
    const ViewTransform start = saved[0].view;
    EXPECT_EQ(start.axisX, (Vector3{1.0, 0.0, 0.0}));
    // half way round the screen's vertical axis: right and left swap, up stays
    expectNear(saved[5].view.axisX, Vector3{-1.0, 0.0, 0.0});
    expectNear(saved[5].view.axisY, start.axisY);
    // after the last picture the view is back where it started
    expectNear(view.axisX, start.axisX);
    expectNear(view.axisZ, start.axisZ);
}

TEST(RotatedSeries, VerticalSeriesTurnsAboutTheHorizontalAxis)
{
    ViewTransform view;
    int redraws = 0;
    const std::vector<SavedPicture> saved = runSeries(4, 360, true, view, redraws);
    ASSERT_EQ(saved.size(), 4u);
    EXPECT_EQ(saved[3].name, "/out/turn3.png");
    expectNear(saved[2].view.axisY, Vector3{0.0, -1.0, 0.0});
    expectNear(saved[2].view.axisX, Vector3{1.0, 0.0, 0.0});
}

TEST(RotatedSeries, HundredPicturesHaveThreeDigitsAndAFailedSaveStopsTheSeries)
{
    ViewTransform view;
    int redraws = 0;
    std::vector<SavedPicture> saved = runSeries(100, 360, false, view, redraws);
    ASSERT_EQ(saved.size(), 100u);
    EXPECT_EQ(saved.front().name, "/out/turn000.png");
    EXPECT_EQ(saved.back().name, "/out/turn099.png");

    redraws = 0;
    saved = runSeries(100, 360, false, view, redraws, 3);
    EXPECT_EQ(saved.size(), 3u);
    EXPECT_EQ(redraws, 3);
}

TEST(RotatedSeries, AQuarterTurnMovesTheNearSideAsADragUpOrToTheLeftDoes)
{
    // A horizontal series turns as a drag to the left does: the near side goes left and the far
    // side comes round on the right; a vertical series as a drag upwards does.
    struct Case
    {
        bool vertical;
        Vector3 farSideSeenAt; ///< screen x, y and depth of the model point (0, 0, 1)
        Vector3 nearSideSeenAt; ///< the same of (0, 0, -1)
    };
    const Case cases[] = {
        {false, {32.0, 0.0, 0.0}, {-32.0, 0.0, 0.0}},
        {true, {0.0, 32.0, 0.0}, {0.0, -32.0, 0.0}},
    };
    for (const Case &c : cases) {
        ViewTransform view;
        int redraws = 0;
        const std::vector<SavedPicture> saved = runSeries(4, 360, c.vertical, view, redraws);
        ASSERT_EQ(saved.size(), 4u);
        SCOPED_TRACE(c.vertical ? "vertical" : "horizontal");
        expectNear(saved[1].view.projectToScreen({0.0, 0.0, 1.0}), c.farSideSeenAt);
        expectNear(saved[1].view.projectToScreen({0.0, 0.0, -1.0}), c.nearSideSeenAt);
    }
}
