#include "render/redraw.h"
#include "scenetestsupport.h"

#include <QFontMetrics>

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t Yellow = rgbColor(255, 255, 0);
constexpr std::uint32_t Black = rgbColor(0, 0, 0);

int countColor(const QImage &image, const QRect &area, std::uint32_t color)
{
    int count = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            count += image.pixel(x, y) == pixelOfColor(color);
    return count;
}

} // namespace

TEST(Redraw, EmptyViewIsAllBackground)
{
    TestScene scene;
    scene.display.BackgroundColor = rgbColor(10, 20, 30);
    scene.redraw();
    EXPECT_EQ(countColor(scene.picture, scene.picture.rect(), rgbColor(10, 20, 30)), 481 * 351);
}

TEST(Redraw, EmptyViewStillShowsTheTimeAndEnergyLines)
{
    TestScene scene;
    scene.display.ShowText = true;
    scene.redraw();
    const int h = QFontMetrics(QFont(), &scene.picture).height();
    EXPECT_GT(countColor(scene.picture, QRect(4, 4, 60, h), Yellow), 0);
    EXPECT_GT(countColor(scene.picture, QRect(5, 4 + h + 4, 80, h), Yellow), 0);
    EXPECT_EQ(countColor(scene.picture, QRect(0, 0, 4, 100), Yellow), 0);
    EXPECT_EQ(countColor(scene.picture, QRect(0, 4 + 2 * h + 4, 481, 300), Yellow), 0);

    scene.readTime = false;
    scene.readEnergy = false;
    scene.redraw();
    EXPECT_EQ(countColor(scene.picture, scene.picture.rect(), Yellow), 0);
}

TEST(Redraw, PrintingColoursGiveWhiteBackgroundAndBlackText)
{
    TestScene scene;
    AtomType &o = scene.addType("O", rgbColor(255, 0, 0), 1.0);
    scene.addFrame({{{0, 0, 0}, &o}});
    scene.display.ShowText = true;
    scene.display.ShowLabels = true;
    scene.display.PrintColors = true;
    scene.redraw();
    EXPECT_EQ(scene.colorAt(0, 0), rgbColor(255, 255, 255));
    EXPECT_EQ(scene.colorAt(480, 350), rgbColor(255, 255, 255));
    EXPECT_GT(countColor(scene.picture, QRect(4, 4, 60, 14), Black), 0);
    EXPECT_GT(countColor(scene.picture, QRect(225, 165, 30, 20), Black), 0);
    EXPECT_EQ(countColor(scene.picture, scene.picture.rect(), Yellow), 0);

    scene.display.PrintColors = false;
    scene.redraw();
    EXPECT_EQ(scene.colorAt(0, 0), Black);
    EXPECT_GT(countColor(scene.picture, QRect(4, 4, 60, 14), Yellow), 0);
}

TEST(RedrawFit, MoleculeThatFitsIsNotEnlargedWhenOnlyOverflowIsFitted)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    scene.addFrame({{{0, 0, 0}, &c}});
    scene.display.FitMode = 2;
    scene.redraw();
    EXPECT_EQ(scene.view.scale, 32.0);
    EXPECT_EQ(scene.settings.atomScale, 32.0);
}

TEST(RedrawFit, EachFrameFitEnlargesUntilTheDiscTouchesTheEdge)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    scene.addFrame({{{0, 0, 0}, &c}});
    scene.display.FitMode = 1;
    scene.redraw();
    // the disc of 32 pixels grows until it reaches the half height of 175 pixels
    EXPECT_DOUBLE_EQ(scene.settings.atomScale, 175.0);
    EXPECT_DOUBLE_EQ(scene.view.scale, 175.0);
    EXPECT_NE(scene.colorAt(240, 12), Black);
    EXPECT_EQ(scene.colorAt(240 + 180, 175), Black);
}

TEST(RedrawFit, OverflowingMoleculeShrinksAboutTheWindowCentre)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 0.0);
    scene.addFrame({{{10, 0, 0}, &c}, {{-2, 0, 0}, &c}});
    scene.display.FitMode = 2;
    scene.redraw();
    // the far atom sits at 320 pixels right of the centre; the half width is 240
    EXPECT_DOUBLE_EQ(scene.view.scale, 32.0 * 240.0 / 320.0);
    EXPECT_DOUBLE_EQ(scene.scratch.screenPos[0].x, 480.0);
}

TEST(RedrawFit, FirstFrameModeFitsOnlyTheFirstFrame)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    scene.addFrame({{{0, 0, 0}, &c}});
    const Frame &second = scene.addFrame({{{0, 0, 0}, &c}});
    scene.display.FitMode = 0;
    scene.redraw(&second);
    EXPECT_EQ(scene.view.scale, 32.0);
    scene.redraw();
    EXPECT_DOUBLE_EQ(scene.view.scale, 175.0);
}

TEST(RedrawFit, NoFitModeLeavesTheZoom)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    scene.addFrame({{{100, 0, 0}, &c}});
    scene.display.FitMode = 3;
    scene.redraw();
    EXPECT_EQ(scene.view.scale, 32.0);
}

TEST(RedrawFit, ZoomOfZeroNeverBecomesNaN)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    scene.addFrame({{{1, 2, 3}, &c}, {{-1, 0, 0}, &c}});
    scene.display.FitMode = 1;
    scene.display.ShowImpulses = true;
    scene.display.ShowLabels = true;
    scene.view.scale = 0.0;
    scene.settings.atomScale = 0.0;
    scene.redraw();
    EXPECT_EQ(scene.view.scale, 0.0);
    EXPECT_EQ(scene.settings.atomScale, 0.0);
    for (const Vector3 &s : scene.scratch.screenPos)
        EXPECT_FALSE(std::isnan(s.x) || std::isnan(s.y) || std::isnan(s.z));
}

TEST(RedrawFit, AnAtomThatCannotBeDrawnIsLeftOutOfTheFitTheCentreAndThePicture)
{
    // one bad coordinate used to turn the zoom and the centre into NaN for every frame
    const double bad[] = {std::nan(""), INFINITY, -INFINITY, 1e300, -1e151};
    for (const double value : bad) {
        TestScene scene;
        AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
        const Frame &frame = scene.addFrame({{{0, 0, 0}, &c}, {{value, 1, 0}, &c}});
        scene.display.FitMode = 1;
        scene.display.ShowLabels = true;
        scene.redraw();
        EXPECT_DOUBLE_EQ(scene.view.scale, 175.0) << value;
        EXPECT_NE(scene.colorAt(240, 60), Black) << value;
        const Vector3 centre = boundingBoxCentre(frame);
        EXPECT_EQ(centre.x, 0.0) << value;
        EXPECT_EQ(centre.y, 0.0) << value;
    }
}

TEST(RedrawOverlay, AnAtomThatCannotBeDrawnChangesNoCloudArrowOrDistance)
{
    // One such atom used to blank the whole 3D cloud, scatter quick discs and arrows into the
    // corner and print "nan" between a picked pair. The picture of a frame with it must be the
    // picture of the frame without it (where the pair naming it does not exist).
    struct Path
    {
        const char *name;
        void (*show)(DisplayState &);
    };
    const Path paths[] = {
        {"quick cloud", [](DisplayState &d) { d.ShowElectrons = true, d.DrawingModel = 0; }},
        {"3D cloud", [](DisplayState &d) { d.ShowElectrons = true, d.DrawingModel = 1; }},
        {"impulse arrows", [](DisplayState &d) { d.ShowImpulses = true; }},
        {"distance lines",
            [](DisplayState &d) {
                d.DistancePairs = {{0, 1}, {2, 0}};
            }},
    };
    const auto draw = [](const Path *path, double bad, bool withBad) {
        TestScene scene;
        scene.picture = QImage(120, 90, QImage::Format_RGB32);
        scene.view.originX = 60;
        scene.view.originY = 45;
        scene.view.scale = 40.0;
        scene.display.FitMode = 3;
        AtomType &o = scene.addType("O", rgbColor(255, 0, 0), 0.3);
        o.protons = 8;
        o.orbitals = {newTerm(2, 1, 1.0, true, 0), newTerm(2, 0, 0.5, true, 0)};
        AtomType &h = scene.addType("H", rgbColor(255, 255, 255), 0.2);
        h.orbitals = {newTerm(1, 0, 1.0, true, 0)};
        std::vector<TestAtom> atoms = {
            {{0, 0, 0}, &o, 0.0, {0.02, 0.01, 0}}, {{0.8, 0.5, 0.1}, &h, 0.0, {-0.01, 0.02, 0}}};
        if (withBad)
            atoms.push_back({{0.3, -0.4, bad}, &h, 0.0, {0.01, 0, 0}});
        scene.addFrame(atoms);
        if (path)
            path->show(scene.display);
        scene.redraw();
        return scene.picture;
    };
    const double bads[] = {std::nan(""), INFINITY, -1e300};
    const QImage plain = draw(nullptr, 0.0, false);
    for (const Path &path : paths) {
        const QImage clean = draw(&path, 0.0, false);
        EXPECT_NE(clean, plain) << path.name << " draws nothing";
        for (const double bad : bads)
            EXPECT_EQ(draw(&path, bad, true), clean) << path.name << " at " << bad;
    }
}

TEST(RedrawFit, ViewOfZeroSizeLeavesTheZoom)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    scene.addFrame({{{0, 0, 0}, &c}});
    scene.display.FitMode = 1;
    scene.picture = QImage(1, 1, QImage::Format_RGB32);
    scene.redraw();
    EXPECT_EQ(scene.view.scale, 32.0);
}

TEST(RedrawOverlay, ImpulseInTheScreenPlaneGetsAnArrowHead)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 0.25);
    scene.addFrame({{{0, 0, 0}, &c, 0.0, {1, 0, 0}}});
    scene.display.ShowImpulses = true;
    scene.display.ImpulseZoom = 3.0;
    scene.display.ForegroundColor = rgbColor(0, 255, 0);
    scene.redraw();
    // the tip lies 96 pixels right of the atom; the head is 10 pixels long and 5 wide
    EXPECT_EQ(scene.colorAt(240 + 93, 175), rgbColor(0, 255, 0));
    EXPECT_EQ(scene.colorAt(240 + 89, 175 + 1), rgbColor(0, 255, 0));
    EXPECT_EQ(scene.colorAt(240 + 89, 175 - 1), rgbColor(0, 255, 0));
    EXPECT_EQ(scene.colorAt(240 + 89, 175 + 5), Black);
    EXPECT_EQ(scene.colorAt(240 + 100, 175), Black);
    EXPECT_GT(countColor(scene.picture, QRect(240 + 10, 175, 70, 1), rgbColor(0, 255, 0)), 10);
}

TEST(RedrawOverlay, ImpulsesIntoAndOutOfTheScreenGetCircles)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 0.5);
    scene.addFrame({{{-3, 0, 0}, &c, 0.0, {0, 0, 1}}, {{3, 0, 0}, &c, 0.0, {0, 0, -1}}});
    scene.display.ShowImpulses = true;
    scene.display.ImpulseZoom = 2.0;
    scene.display.ForegroundColor = rgbColor(0, 255, 0);
    scene.redraw();
    const std::uint32_t green = rgbColor(0, 255, 0);
    const int away = 240 - 96, toward = 240 + 96;
    // away from the viewer: radius 3.75; toward it: radius 1.25
    EXPECT_EQ(scene.colorAt(away, 175), green);
    EXPECT_EQ(scene.colorAt(away + 2, 175), green);
    EXPECT_EQ(scene.colorAt(toward, 175), green);
    EXPECT_NE(scene.colorAt(toward + 3, 175), green);
    EXPECT_NE(scene.colorAt(away + 6, 175), green);
    EXPECT_GT(countColor(scene.picture, QRect(away - 6, 169, 13, 13), green),
        3 * countColor(scene.picture, QRect(toward - 6, 169, 13, 13), green));
}

TEST(RedrawOverlay, ZeroImpulseDrawsNoArrow)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 0.5);
    scene.addFrame({{{0.3, 0.7, 0.1}, &c}});
    scene.display.ShowImpulses = true;
    scene.display.ForegroundColor = rgbColor(0, 255, 0);
    scene.redraw();
    EXPECT_EQ(countColor(scene.picture, scene.picture.rect(), rgbColor(0, 255, 0)), 0);
}

TEST(RedrawOverlay, DistanceLineRunsBetweenTheDiscsWithTheTextCentred)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 0.5);
    scene.addFrame({{{-4, 0, 0}, &c}, {{4, 0, 0}, &c}});
    scene.display.DistancePairs = {{0, 1}};
    scene.redraw();
    const QFontMetrics metrics(QFont(), &scene.picture);
    const int w = metrics.horizontalAdvance(QStringLiteral("8")), h = metrics.height();
    const QRect text((240 - 128 + 240 + 128 - w) / 2, (175 + 175 - h) / 2, w, h);
    EXPECT_GT(countColor(scene.picture, text, Yellow), 0);
    EXPECT_EQ(scene.colorAt(240 - 128 + 20, 175), Yellow);
    EXPECT_EQ(scene.colorAt(240 + 128 - 20, 175), Yellow);
    EXPECT_NE(scene.colorAt(240 - 128 + 10, 175), Yellow);
}

TEST(RedrawOverlay, TouchingDiscsGetOnlyTheDistanceText)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 1.0);
    scene.addFrame({{{-0.75, 0, 0}, &c}, {{0.75, 0, 0}, &c}});
    scene.display.DistancePairs = {{1, 0}};
    scene.redraw();
    const QFontMetrics metrics(QFont(), &scene.picture);
    const int w = metrics.horizontalAdvance(QStringLiteral("1.5")), h = metrics.height();
    const QRect text(240 - w / 2 - 1, 175 - h / 2 - 1, w + 2, h + 2);
    EXPECT_GT(countColor(scene.picture, text, Yellow), 0);
    EXPECT_EQ(countColor(scene.picture, scene.picture.rect(), Yellow),
        countColor(scene.picture, text, Yellow));
}

TEST(RedrawOverlay, PairNamingAMissingAtomIsSkipped)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 0.5);
    scene.addFrame({{{-4, 0, 0}, &c}, {{4, 0, 0}, &c}});
    scene.display.DistancePairs = {{0, 2}, {7, 1}, {-1, 0}};
    scene.redraw();
    EXPECT_EQ(countColor(scene.picture, scene.picture.rect(), Yellow), 0);
}

TEST(RedrawOverlay, AxesAreLabelledAtTheirPositiveEnds)
{
    TestScene scene;
    scene.display.ShowAxes = true;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 0.1);
    scene.addFrame({{{0, 0, 0}, &c}});
    scene.redraw();
    EXPECT_EQ(scene.colorAt(240 + 100, 175), Yellow);
    EXPECT_EQ(scene.colorAt(240 - 100, 175), Yellow);
    EXPECT_EQ(scene.colorAt(240, 175 + 100), Yellow);
    EXPECT_GT(countColor(scene.picture, QRect(240 + 160, 175, 12, 16), Yellow), 0);
}

TEST(RedrawOverlay, HugeImpulseIsClippedToTheView)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 0.1);
    scene.addFrame({{{0, 0, 0}, &c, 0.0, {1e12, 3e11, 0}}});
    scene.display.ShowImpulses = true;
    scene.display.ForegroundColor = rgbColor(0, 255, 0);
    scene.display.FitMode = 3;
    scene.redraw();
    // the dotted line runs from the atom to the right edge of the view
    EXPECT_GT(countColor(scene.picture, QRect(250, 0, 231, 351), rgbColor(0, 255, 0)), 50);
}

TEST(RedrawCharges, LastRadiusIsTheOneOfTheAtomDrawnLast)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 0.1);
    // the second atom is the nearer one, so it is drawn last
    scene.addFrame({{{0, 0, 1}, &c, 0.95}, {{1, 0, -1}, &c, 0.25}});
    scene.display.AtomRadiusMode = 1;
    scene.redraw();
    EXPECT_NEAR(scene.gradient.LastRadius, 1.25, 1e-12);
    EXPECT_NEAR(scene.scratch.chargeRadius[0], 1.95, 1e-12);
    EXPECT_NEAR(scene.scratch.chargeRadius[1], 1.25, 1e-12);
}

TEST(Redraw, PictureOfAnotherFormatIsConvertedAndANullOneLeftAlone)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 1.0);
    scene.addFrame({{{0, 0, 0}, &c}});
    scene.display.ShowText = true;
    scene.display.ShowLabels = true;
    scene.picture = QImage(100, 80, QImage::Format_ARGB32_Premultiplied);
    scene.redraw();
    EXPECT_EQ(scene.picture.format(), QImage::Format_RGB32);
    scene.picture = QImage();
    scene.redraw();
    EXPECT_TRUE(scene.picture.isNull());
}

TEST(RedrawOverlay, ArrowHeadsKeepTheForegroundColourWhenPrinting)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 0.25);
    scene.addFrame({{{0, 0, 0}, &c, 0.0, {1, 0, 0}}});
    scene.display.ShowImpulses = true;
    scene.display.ImpulseZoom = 3.0;
    scene.display.ForegroundColor = rgbColor(0, 255, 0);
    scene.display.PrintColors = true;
    scene.redraw();
    EXPECT_EQ(scene.colorAt(240 + 90, 175), rgbColor(0, 255, 0));
    // the dotted shaft and the head's outline use the printing foreground, black
    EXPECT_EQ(scene.colorAt(240 + 96, 175), Black);
    EXPECT_GT(countColor(scene.picture, QRect(240 + 10, 175, 70, 1), Black), 10);
    EXPECT_EQ(scene.colorAt(240 + 40, 175 + 20), rgbColor(255, 255, 255));
}

TEST(RedrawOverlay, CellEdgesFollowEachFramesLatticeInTheForegroundColour)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(0, 0, 255), 0.1);
    Frame &first = scene.addFrame({{{-3, -3, 0}, &c}});
    first.editExtras().cell = Cell{{Vector3{4, 0, 0}, Vector3{0, 3, 0}, Vector3{1, 1, 2}}};
    Frame &second = scene.addFrame({{{-3, -3, 0}, &c}});
    second.editExtras().cell = Cell{{Vector3{6, 0, 0}, Vector3{0, 3, 0}, Vector3{1, 1, 2}}};
    scene.display.FitMode = 3;
    scene.redraw(&first);
    // 32 pixels per Angstrom from the origin at (240, 175); c shifts the far face by (32, 32)
    EXPECT_EQ(scene.colorAt(300, 175), Yellow); // a from the origin
    EXPECT_EQ(scene.colorAt(240, 200), Yellow); // b from the origin
    EXPECT_EQ(scene.colorAt(256, 191), Yellow); // c from the origin
    EXPECT_EQ(scene.colorAt(330, 207), Yellow); // a on the far face
    EXPECT_EQ(scene.colorAt(400, 250), Yellow); // b from a + c
    EXPECT_EQ(scene.colorAt(300, 190), Black); // inside
    EXPECT_EQ(scene.colorAt(420, 175), Black); // beyond the first frame's a

    scene.redraw(&second);
    EXPECT_EQ(scene.colorAt(420, 175), Yellow);

    scene.display.ShowCell = false;
    scene.redraw(&second);
    EXPECT_EQ(countColor(scene.picture, scene.picture.rect(), Yellow), 0);
}
