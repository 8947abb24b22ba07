#include "model/chargegradient.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

int levelNumber(ChargeGradient &gradient, const AtomType &record)
{
    for (int i = 1; i <= ChargeGradient::LevelCount; ++i)
        if (&gradient.level(i) == &record)
            return i;
    return 0;
}

int levelFor(ChargeGradient &gradient, double charge)
{
    return levelNumber(gradient, gradient.LevelForCharge(charge, true));
}

} // namespace

TEST(ChargeGradient, StartsWithTenEvenLevelsFromBlueToRed)
{
    ChargeGradient gradient;
    ASSERT_EQ(gradient.ChargeLevels.size(), 10u);
    const std::uint32_t colours[10] = {rgbColor(0, 0, 255), rgbColor(28, 0, 226),
        rgbColor(56, 0, 198), rgbColor(84, 0, 170), rgbColor(113, 0, 141), rgbColor(141, 0, 113),
        rgbColor(169, 0, 85), rgbColor(198, 0, 56), rgbColor(226, 0, 28), rgbColor(255, 0, 0)};
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(gradient.level(i).color, colours[i - 1]) << "level " << i;
        EXPECT_NEAR(gradient.level(i).radius, 1.0 + 0.1 * i, 1e-12) << "level " << i;
        EXPECT_NEAR(gradient.Thresholds[static_cast<std::size_t>(i)], 0.1 * i, 1e-12);
        EXPECT_EQ(gradient.level(i).protons, 1);
        EXPECT_FALSE(gradient.level(i).sphereImage);
    }
    EXPECT_EQ(gradient.level(1).name, "1. level (10%)");
    EXPECT_EQ(gradient.level(3).name, "3. level (30%)");
    EXPECT_EQ(gradient.level(10).name, "10. level (100%)");
    EXPECT_EQ(gradient.CurrentLevel, 1);
    EXPECT_EQ(gradient.LastRadius, 0.0);
}

TEST(ChargeGradient, ColourMixingTruncatesAndKeepsTheLowColoursFlagByte)
{
    ChargeGradient gradient;
    gradient.LowColor = 0x5A0000FFu;
    gradient.HighColor = 0x0000FF00u;
    EXPECT_EQ(gradient.GradualColor(1), 0x5A0000FFu);
    EXPECT_EQ(gradient.GradualColor(10), 0x5A00FF00u);
    // green 255 * 3/9 is 84.999... in extended precision
    EXPECT_EQ((gradient.GradualColor(4) >> 8) & 0xFFu, 84u);
}

TEST(ChargeGradient, ChargeBetweenThresholdsGetsAnInterpolatedRadius)
{
    ChargeGradient gradient;
    EXPECT_EQ(levelFor(gradient, 0.25), 3);
    EXPECT_NEAR(gradient.LastRadius, 1.25, 1e-12);
    EXPECT_EQ(levelFor(gradient, 0.05), 1);
    EXPECT_NEAR(gradient.LastRadius, 1.05, 1e-12);
}

TEST(ChargeGradient, ChargesOffTheScaleTakeTheEndLevelsAndEndRadii)
{
    ChargeGradient gradient;
    EXPECT_EQ(levelFor(gradient, 0.0), 1);
    EXPECT_EQ(gradient.LastRadius, 1.0);
    EXPECT_EQ(levelFor(gradient, -3.0), 1);
    EXPECT_EQ(gradient.LastRadius, 1.0);
    EXPECT_EQ(levelFor(gradient, 5.0), 10);
    EXPECT_EQ(gradient.LastRadius, 2.0);
}

TEST(ChargeGradient, ThresholdChargeStaysInTheLevelItCloses)
{
    ChargeGradient gradient;
    const double threshold = gradient.Thresholds[4];
    EXPECT_EQ(levelFor(gradient, threshold), 4);
    EXPECT_NEAR(gradient.LastRadius, gradient.level(4).radius, 1e-12);
    EXPECT_EQ(levelFor(gradient, std::nextafter(threshold, 1.0)), 5);
}

TEST(ChargeGradient, RadiusIsOnlyStoredWhenAskedFor)
{
    ChargeGradient gradient;
    gradient.LevelForCharge(0.25, true);
    EXPECT_EQ(levelNumber(gradient, gradient.LevelForCharge(0.95, false)), 10);
    EXPECT_NEAR(gradient.LastRadius, 1.25, 1e-12);
}

TEST(ChargeGradient, NewLimitsMoveThresholdsButKeepNames)
{
    ChargeGradient gradient;
    EXPECT_TRUE(gradient.SetLimits(-1.0, 1.0));
    EXPECT_EQ(gradient.MinCharge, -1.0);
    EXPECT_EQ(gradient.MaxCharge, 1.0);
    EXPECT_NEAR(gradient.Thresholds[0], -1.0, 1e-12);
    EXPECT_NEAR(gradient.Thresholds[1], -0.8, 1e-12);
    EXPECT_NEAR(gradient.Thresholds[2], -0.6, 1e-12);
    EXPECT_NEAR(gradient.Thresholds[10], 1.0, 1e-12);
    EXPECT_EQ(gradient.level(3).name, "3. level (30%)");
    EXPECT_EQ(levelFor(gradient, 0.0), 5);
}

TEST(ChargeGradient, EqualOrUnchangedLimitsAreRefused)
{
    ChargeGradient gradient;
    EXPECT_FALSE(gradient.SetLimits(0.5, 0.5));
    EXPECT_FALSE(gradient.SetLimits(0.0, 1.0));
    EXPECT_FALSE(gradient.SetLimits(std::nan(""), 1.0));
    EXPECT_FALSE(gradient.SetLimits(0.0, HUGE_VAL));
    EXPECT_FALSE(gradient.SetLimits(-1.5e308, 1.5e308));
    EXPECT_EQ(gradient.MinCharge, 0.0);
    EXPECT_EQ(gradient.MaxCharge, 1.0);
    EXPECT_NEAR(gradient.Thresholds[5], 0.5, 1e-12);
}

TEST(ChargeGradient, MinimumAboveMaximumMakesTheScaleFall)
{
    ChargeGradient gradient;
    ASSERT_TRUE(gradient.SetLimits(2.0, 0.0));
    EXPECT_EQ(levelFor(gradient, 1.9), 1);
    EXPECT_EQ(levelFor(gradient, 2.5), 1);
    EXPECT_EQ(gradient.LastRadius, gradient.LowRadius);
    EXPECT_EQ(levelFor(gradient, -1.0), 10);
    EXPECT_EQ(gradient.LastRadius, gradient.HighRadius);
    // 1.5 lies in the third band of the falling scale: 1.6 > 1.5 >= 1.4
    EXPECT_EQ(levelFor(gradient, 1.5), 3);
    EXPECT_NEAR(gradient.LastRadius, 1.25, 1e-12);
}

TEST(ChargeGradient, LevelThresholdAtTheMinimumEmptiesLevelOne)
{
    ChargeGradient gradient;
    gradient.SetLevelThreshold(1, 0.0);
    EXPECT_EQ(gradient.Thresholds[1], 0.0);
    EXPECT_EQ(gradient.level(1).name, "1. level (0%)");
    EXPECT_EQ(levelFor(gradient, 0.0), 1);
    EXPECT_EQ(levelFor(gradient, 1e-9), 2);
}

TEST(ChargeGradient, ThresholdsMayLeaveTheirOrder)
{
    ChargeGradient gradient;
    gradient.SetLevelThreshold(2, 75.0);
    EXPECT_NEAR(gradient.Thresholds[2], 0.75, 1e-12);
    EXPECT_EQ(gradient.level(2).name, "2. level (75%)");
    EXPECT_NEAR(gradient.Thresholds[3], 0.3, 1e-12);
    EXPECT_EQ(levelFor(gradient, 0.5), 2);
    gradient.SetLevelThreshold(0, 50.0);
    gradient.SetLevelThreshold(11, 50.0);
    EXPECT_EQ(gradient.Thresholds[0], 0.0);
}

TEST(ChargeGradient, SpreadColorsRecoloursFromTheEndLevels)
{
    ChargeGradient gradient;
    gradient.level(1).color = rgbColor(0, 0, 0);
    gradient.level(10).color = rgbColor(90, 180, 255);
    gradient.level(5).sphereImage = std::make_unique<SpherePicture>();
    int rebuilt = 0;
    gradient.SpreadColors([&](AtomType &) { ++rebuilt; });
    EXPECT_EQ(rebuilt, 10);
    EXPECT_EQ(gradient.LowColor, rgbColor(0, 0, 0));
    EXPECT_EQ(gradient.HighColor, rgbColor(90, 180, 255));
    // 1/9 as a double lies just below 1/9: 90/9 and 180/9 truncate to 9 and 19
    EXPECT_EQ(gradient.level(2).color, rgbColor(9, 19, 28));
    EXPECT_TRUE(gradient.level(5).sphereImage);

    gradient.SpreadColors();
    EXPECT_FALSE(gradient.level(5).sphereImage);
}

TEST(ChargeGradient, SpreadRadiiKeepsTheEndsWhenEvenlySpaced)
{
    ChargeGradient gradient;
    gradient.level(1).radius = 0.7;
    gradient.level(10).radius = 2.5;
    gradient.SpreadRadii();
    EXPECT_EQ(gradient.HighRadius, 2.5);
    EXPECT_NEAR(gradient.LowRadius, 0.5, 1e-12);
    EXPECT_NEAR(gradient.level(1).radius, 0.7, 1e-12);
    EXPECT_NEAR(gradient.level(4).radius, 1.3, 1e-12);
    EXPECT_NEAR(gradient.level(10).radius, 2.5, 1e-12);
}

TEST(ChargeGradient, SpreadRadiiHoldsTheLowRadiusAtOneHundredth)
{
    ChargeGradient gradient;
    gradient.level(1).radius = 0.5;
    gradient.level(10).radius = 5.0;
    gradient.SpreadRadii();
    EXPECT_EQ(gradient.LowRadius, 0.01);
    EXPECT_NEAR(gradient.level(1).radius, 0.01 + 4.99 * 0.1, 1e-12);
}
