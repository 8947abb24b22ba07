#include "model/atomtype.h"
#include "model/chargegradient.h"
#include "model/frame.h"
#include "render/legend.h"
#include "render/spherepicture.h"

#include <QImage>

#include <gtest/gtest.h>

TEST(Legend, ListsEachTypePresentOnceInTheOrderItFirstAppears)
{
    AtomTypeTable table;
    table.buildDefaultTable();
    ChargeGradient gradient;
    Frame frame;
    for (const char *name : {"Fe", "O", "Fe", "H", "O", "Au"})
        frame.atoms.push_back(FrameAtom{{}, {}, 0.0, table.findAtomType(name)});
    const std::vector<LegendEntry> entries = legendEntries(frame, true, gradient);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].caption, "Fe");
    EXPECT_EQ(entries[0].color, table.findAtomType("Fe")->color);
    EXPECT_EQ(entries[1].caption, "O");
    EXPECT_EQ(entries[2].caption, "H");
    EXPECT_EQ(entries[3].caption, "Au");

    // a frame of many kinds lists the first ones and counts the rest
    Frame many;
    for (int protons = 1; protons <= 20; ++protons)
        many.atoms.push_back(FrameAtom{{}, {}, 0.0, table.typeAt(protons)});
    const std::vector<LegendEntry> cut = legendEntries(many, true, gradient);
    ASSERT_EQ(cut.size(), LegendMaxTypes + 1);
    EXPECT_EQ(cut.back().caption, "+8 more");
}

TEST(Legend, ByChargeShowsTheLevelsFromTheHighestWithTheScalesLimits)
{
    ChargeGradient gradient;
    gradient.SetLimits(-1.0, 1.0);
    const std::vector<LegendEntry> entries = legendEntries(Frame{}, false, gradient);
    ASSERT_EQ(entries.size(), std::size_t{ChargeGradient::LevelCount + 1});
    EXPECT_EQ(entries.front().caption, "\u2264 1");
    EXPECT_EQ(entries[1].caption, "\u2265 0.8");
    EXPECT_EQ(entries[1].color, gradient.level(ChargeGradient::LevelCount).color);
    EXPECT_EQ(entries.back().caption, "\u2265 -1");
    EXPECT_EQ(entries.back().color, gradient.level(1).color);
}

TEST(Legend, IsDrawnInTheTopRightCornerWithItsSwatchColours)
{
    QImage canvas(300, 200, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    DisplayState display;
    drawLegend(canvas, {{rgbColor(224, 102, 51), "Fe"}}, display);
    // the swatch sits left of its caption, right of the middle, near the top
    int found = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 150; x < 300; ++x)
            found += canvas.pixel(x, y) == pixelOfColor(rgbColor(224, 102, 51)) ? 1 : 0;
    EXPECT_GT(found, 16);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 150; ++x)
            ASSERT_EQ(canvas.pixel(x, y), 0xFF000000u) << x << "," << y;
}
