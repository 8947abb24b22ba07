#include "render/pickchain.h"
#include "scenetestsupport.h"

#include <gtest/gtest.h>

namespace {

// O and H 0.96 Angstrom apart along x from the view centre (240, 175), drawn at 96 pixels per
// Angstrom with small balls, and a ball of no element (never bonded) in front of or behind the
// middle of their bond, at x = 286.
struct BondScene : TestScene
{
    AtomType &oxygen = addType("O", rgbColor(255, 0, 0), 0.2);
    AtomType &hydrogen = addType("H", rgbColor(0, 0, 255), 0.2);
    AtomType &marker = addType("M", rgbColor(0, 255, 0), 0.5);

    explicit BondScene(double markerDepth)
    {
        oxygen.protons = 8;
        hydrogen.protons = 1;
        marker.protons = 0;
        display.FitMode = 3;
        display.ShowBonds = true;
        view.scale = 96.0;
        addFrame({{{0.0, 0.0, 0.0}, &oxygen}, {{0.96, 0.0, 0.0}, &hydrogen},
            {{0.48, 0.0, markerDepth}, &marker}});
    }
};

bool greenOnly(std::uint32_t color)
{
    return (color & 0xFF00FFu) == 0 && ((color >> 8) & 0xFFu) > 50;
}

} // namespace

// Each half of the stick has its atom's colour on its axis; a nearer ball hides the stick and
// a farther one is hidden by it, with labels (painted front to back) or without.
TEST(BondSticks, HalvesInTheirAtomsColoursInDepthOrder)
{
    for (const bool labels : {false, true}) {
        SCOPED_TRACE(labels ? "labels" : "no labels");
        BondScene behind(2.0);
        behind.display.ShowLabels = labels;
        behind.redraw();
        EXPECT_EQ(behind.colorAt(260, 175), rgbColor(255, 0, 0)); // O's half
        EXPECT_EQ(behind.colorAt(312, 175), rgbColor(0, 0, 255)); // H's half
        EXPECT_EQ(behind.colorAt(299, 175), rgbColor(0, 0, 255)); // over the marker behind
        // across the stick the shade falls off as on a ball
        const std::uint32_t edge = behind.colorAt(260, 179);
        EXPECT_GT(edge & 0xFFu, 0u);
        EXPECT_LT(edge & 0xFFu, 255u);
        EXPECT_EQ(edge & 0xFFFF00u, 0u);

        BondScene front(-2.0);
        front.display.ShowLabels = labels;
        front.redraw();
        EXPECT_TRUE(greenOnly(front.colorAt(299, 175))); // the nearer marker hides the stick
        EXPECT_EQ(front.colorAt(260, 175), rgbColor(255, 0, 0));
    }
}

TEST(BondSticks, SwitchedOffOrTooFarNoStick)
{
    BondScene off(2.0);
    off.display.ShowBonds = false;
    off.redraw();
    EXPECT_EQ(off.colorAt(260, 175), rgbColor(0, 0, 0));

    BondScene apart(2.0);
    apart.current->atoms[1].position = {1.5, 0.0, 0.0}; // beyond 1.2 x (0.66 + 0.31)
    apart.redraw();
    EXPECT_EQ(apart.colorAt(260, 175), rgbColor(0, 0, 0));
}

// Across the cell's face each half runs from its own atom toward the bond's middle on its side.
TEST(BondSticks, AcrossTheCellEachHalfStaysOnItsSide)
{
    BondScene scene(2.0);
    scene.view.scale = 32.0;
    Frame &frame = *scene.current;
    frame.atomCount = 2;
    frame.atoms[0].position = {-4.6, 0.0, 0.0};
    frame.atoms[1].position = {4.8, 0.0, 0.0}; // 0.6 apart through the faces at x = -5 and 5
    frame.editExtras().cell = Cell{{Vector3{10, 0, 0}, Vector3{0, 10, 0}, Vector3{0, 0, 10}}};
    scene.display.ShowCell = false;
    scene.redraw();
    const int oxygenX = 240 - static_cast<int>(4.6 * 32);
    const int hydrogenX = 240 + static_cast<int>(4.8 * 32);
    EXPECT_EQ(scene.colorAt(oxygenX - 8, 175), rgbColor(255, 0, 0)); // toward the left face
    EXPECT_EQ(scene.colorAt(oxygenX + 8, 175), rgbColor(0, 0, 0));
    EXPECT_EQ(scene.colorAt(hydrogenX + 8, 175), rgbColor(0, 0, 255)); // toward the right face
    EXPECT_EQ(scene.colorAt(0, 175), rgbColor(0, 0, 0)); // nothing runs across the picture
    EXPECT_EQ(scene.colorAt(240, 175), rgbColor(0, 0, 0));
}

// The chain of Ctrl-picked atoms whose angle (three) and dihedral (four) are shown.
TEST(PickChain, GrowsToFourAndRestartsOnARepeatOrANewChain)
{
    struct Step
    {
        int picked;
        bool newChain;
        std::vector<int> chain;
        bool changed;
    };
    const Step steps[] = {{0, false, {0}, true}, {0, false, {0}, false}, {1, false, {0, 1}, true},
        {2, false, {0, 1, 2}, true}, {3, false, {0, 1, 2, 3}, true}, {4, false, {1, 2, 3, 4}, true},
        {2, false, {2}, true}, {5, true, {5}, true}, {6, false, {5, 6}, true},
        {-1, false, {}, true}, {-1, false, {}, false}};
    std::vector<int> chain;
    int number = 0;
    for (const Step &step : steps) {
        ++number;
        EXPECT_EQ(pickIntoChain(chain, step.picked, step.newChain), step.changed) << number;
        EXPECT_EQ(chain, step.chain) << number;
    }
}
