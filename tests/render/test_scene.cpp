#include "render/labelcache.h"
#include "render/scene.h"
#include "render/stretchblit.h"
#include "scenetestsupport.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace {

QImage imageOf(const SpherePicture &picture)
{
    QImage image(SpherePicture::Side, SpherePicture::Side, QImage::Format_RGB32);
    for (int y = 0; y < SpherePicture::Side; ++y)
        std::memcpy(image.scanLine(y), picture.pixels.data() + y * SpherePicture::Side,
            SpherePicture::Side * 4);
    return image;
}

QImage noise(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFFu));
    return image;
}

int countColor(const QImage &image, const QRect &area, std::uint32_t color)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) == pixelOfColor(color);
    return count;
}

SceneContext contextOf(TestScene &scene)
{
    return SceneContext{scene.view, scene.settings, scene.scratch, scene.gradient, nullptr,
        rgbColor(255, 255, 0), rgbColor(0, 0, 0), QFont(), false, {}};
}

} // namespace

TEST(StretchBlit, MatchesQPaintersRasterOperationsPixelForPixel)
{
    AtomType record = createAtomType(rgbColor(250, 130, 20), "O", 8, 1.0);
    renderSphereImages(record, nullptr);
    const QImage mask = imageOf(*record.sphereMask);
    const QImage picture = imageOf(*record.sphereImage);
    const QImage background = noise(120, 90, 7);
    for (int size = 0; size <= 130; ++size) {
        for (const QPoint &at : {QPoint(10, 5), QPoint(-7, -3), QPoint(70, 40), QPoint(-200, 0)}) {
            const QRect target(at, QSize(size, size));
            QImage mine = background.copy();
            stretchMaskAndPicture(mine, target, *record.sphereMask, *record.sphereImage);
            QImage oracle = background.copy();
            QPainter painter(&oracle);
            painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            painter.drawImage(target, mask);
            painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
            painter.drawImage(target, picture);
            painter.end();
            ASSERT_EQ(mine, oracle) << "size " << size << " at " << at.x() << "," << at.y();
        }
    }
}

TEST(StretchBlit, StretchesNonSquareTargetsLikeQPainter)
{
    AtomType record = createAtomType(rgbColor(10, 200, 90), "N", 7, 1.0);
    renderSphereImages(record, nullptr);
    const QImage background = noise(200, 200, 3);
    for (const QRect &target :
        {QRect(3, 4, 17, 250), QRect(0, 0, 300, 9), QRect(50, 60, 128, 64)}) {
        QImage mine = background.copy();
        stretchMaskAndPicture(mine, target, *record.sphereMask, *record.sphereImage);
        QImage oracle = background.copy();
        QPainter painter(&oracle);
        painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter.drawImage(target, imageOf(*record.sphereMask));
        painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        painter.drawImage(target, imageOf(*record.sphereImage));
        painter.end();
        EXPECT_EQ(mine, oracle);
    }
}

TEST(LabelCache, PastedBoxesEqualDirectlyDrawnText)
{
    QImage direct = noise(160, 60, 11);
    QImage pasted = direct.copy();
    const std::uint32_t text = rgbColor(255, 255, 0), background = rgbColor(0, 0, 40);
    {
        QPainter painter(&direct);
        painter.setFont(QFont());
        drawOpaqueText(painter, 20, 10, QStringLiteral("Na10"), text, background);
        drawOpaqueText(painter, -5, 45, QStringLiteral("-1.235"), text, background);
        drawOpaqueText(painter, 140, 50, QStringLiteral("Xe77"), text, background);
        drawOpaqueText(painter, 60, -7, QStringLiteral("jy"), text, background);
    }
    LabelCache cache;
    cache.prepare(QFont(), text, background, pasted);
    LabelCache::paste(pasted, 20, 10, cache.box("Na10"));
    LabelCache::paste(pasted, -5, 45, cache.box("-1.235"));
    LabelCache::paste(pasted, 140, 50, cache.box("Xe77"));
    LabelCache::paste(pasted, 60, -7, cache.box("jy"));
    LabelCache::paste(pasted, 20, 10, cache.box("Na10"));
    EXPECT_EQ(cache.size(), 4u);
    EXPECT_EQ(pasted, direct);
    const LabelCache::Box &box = cache.box("Na10");
    EXPECT_LT(box.ink.size(), static_cast<std::size_t>(box.width * box.height))
        << "only the pixels the text touched are kept";
    EXPECT_GT(countColor(direct, QRect(20, 10, 20, 10), text), 0);
}

TEST(SceneDepthOrder, FarthestFirstAndHigherIndexFirstAmongEqualDepths)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 0.5);
    const Frame &frame = scene.addFrame({{{0, 0, 0.0}, &c}, {{1, 0, 3.0}, &c}, {{2, 0, 0.0}, &c},
        {{3, 0, -2.0}, &c}, {{4, 0, 3.0}, &c}});
    SceneContext context = contextOf(scene);
    composeFrame(frame, scene.picture, context);
    const std::vector<int> expected{4, 1, 2, 0, 3};
    EXPECT_EQ(scene.scratch.depthList, expected);
    EXPECT_EQ(scene.scratch.frame, &frame);
    EXPECT_DOUBLE_EQ(scene.scratch.screenPos[1].z, 96.0);
}

TEST(SceneDepthOrder, NearerAtomIsDrawnOnTopAndPicked)
{
    TestScene scene;
    AtomType &red = scene.addType("R", rgbColor(255, 0, 0), 1.0);
    AtomType &blue = scene.addType("B", rgbColor(0, 0, 255), 1.0);
    // the blue atom is nearer (smaller depth) although it comes first
    const Frame &frame = scene.addFrame({{{0.5, 0, -1.0}, &blue}, {{0, 0, 1.0}, &red}});
    scene.redraw();
    const int overlapX = 240 + 8, y = 175;
    EXPECT_EQ(scene.colorAt(240 + 16, y) & 0xFFu, 0u);
    EXPECT_GT((scene.colorAt(overlapX, y) >> 16) & 0xFFu, 200u);
    EXPECT_EQ(pickAtom(frame, scene.scratch, scene.settings, overlapX, y), 0);
    EXPECT_EQ(pickAtom(frame, scene.scratch, scene.settings, 240 - 25, y), 1);
    EXPECT_EQ(pickAtom(frame, scene.scratch, scene.settings, 5, 5), -1);
}

TEST(SceneDepthOrder, AtEqualDepthTheLowerIndexIsOnTopAndPicked)
{
    TestScene scene;
    AtomType &red = scene.addType("R", rgbColor(255, 0, 0), 1.0);
    AtomType &green = scene.addType("G", rgbColor(0, 255, 0), 1.0);
    const Frame &frame = scene.addFrame({{{0, 0, 0}, &green}, {{0, 0, 0}, &red}});
    scene.redraw();
    EXPECT_EQ(scene.colorAt(240, 175), rgbColor(0, 255, 0));
    EXPECT_EQ(pickAtom(frame, scene.scratch, scene.settings, 240, 175), 0);
}

TEST(ScenePicking, NeedsTheCompositionOfThatFrame)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    const Frame &first = scene.addFrame({{{0, 0, 0}, &c}});
    const Frame &second = scene.addFrame({{{0, 0, 0}, &c}});
    scene.redraw(&first);
    EXPECT_EQ(pickAtom(first, scene.scratch, scene.settings, 240, 175), 0);
    EXPECT_EQ(pickAtom(second, scene.scratch, scene.settings, 240, 175), -1);
}

TEST(ScenePicking, ForgottenCompositionPicksNothing)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    const Frame &frame = scene.addFrame({{{0, 0, 0}, &c}});
    scene.redraw();
    scene.scratch.forget();
    EXPECT_EQ(pickAtom(frame, scene.scratch, scene.settings, 240, 175), -1);
    EXPECT_TRUE(scene.scratch.depthList.empty());
}

TEST(ScenePicking, HitTestUsesTheTypesRadiusEvenWhenRadiiFollowCharge)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    const Frame &frame = scene.addFrame({{{0, 0, 0}, &c, 5.0}});
    scene.display.AtomRadiusMode = 1;
    scene.redraw();
    EXPECT_DOUBLE_EQ(scene.scratch.chargeRadius[0], 2.0);
    EXPECT_EQ(pickAtom(frame, scene.scratch, scene.settings, 240 + 32, 175), 0);
    EXPECT_EQ(pickAtom(frame, scene.scratch, scene.settings, 240 + 40, 175), -1);
}

TEST(SceneColours, BallCentresShowTheTypeOrTheChargeLevel)
{
    TestScene scene;
    AtomType &grey = scene.addType("X", rgbColor(100, 150, 200), 0.5);
    scene.addFrame({{{-2, 0, 0}, &grey, 0.25}, {{2, 0, 0}, &grey, 5.0}});
    scene.redraw();
    EXPECT_EQ(scene.colorAt(240 - 64, 175), rgbColor(100, 150, 200));
    EXPECT_EQ(scene.colorAt(240 + 64, 175), rgbColor(100, 150, 200));
    EXPECT_EQ(scene.colorAt(240, 175), rgbColor(0, 0, 0));

    scene.display.AtomColorMode = 1;
    scene.redraw();
    EXPECT_EQ(scene.colorAt(240 - 64, 175), rgbColor(56, 0, 198));
    EXPECT_EQ(scene.colorAt(240 + 64, 175), rgbColor(255, 0, 0));
}

TEST(SceneRadii, ChargeRadiiSizeTheBalls)
{
    TestScene scene;
    AtomType &grey = scene.addType("X", rgbColor(100, 150, 200), 0.5);
    scene.addFrame({{{0, 0, 0}, &grey, 0.25}});
    scene.redraw();
    EXPECT_EQ(scene.colorAt(240 + 24, 175), rgbColor(0, 0, 0));
    scene.display.AtomRadiusMode = 1;
    scene.redraw();
    // radius 1.25 Angstrom = 40 pixels
    EXPECT_NE(scene.colorAt(240 + 24, 175), rgbColor(0, 0, 0));
    EXPECT_NE(scene.colorAt(240 + 38, 175), rgbColor(0, 0, 0));
    EXPECT_EQ(scene.colorAt(240 + 42, 175), rgbColor(0, 0, 0));
}

TEST(SceneLabels, TextFollowsTheLabelMode)
{
    TestScene scene;
    AtomType &na = scene.addType("Na", rgbColor(0, 0, 255), 1.0);
    std::vector<TestAtom> atoms(10, TestAtom{{0, 0, 0}, &na});
    atoms[0].charge = -1.23456;
    atoms[1].charge = 2.0;
    atoms[2].charge = 0.5;
    const Frame &frame = scene.addFrame(atoms);
    EXPECT_EQ(atomLabel(frame, 9, 0), "Na10");
    EXPECT_EQ(atomLabel(frame, 0, 1), "-1.235");
    EXPECT_EQ(atomLabel(frame, 1, 1), "2");
    EXPECT_EQ(atomLabel(frame, 2, 1), "0.5");
    EXPECT_EQ(atomLabel(frame, 2, -1), "");
}

// The kept label boxes of a renamed type: "C" becoming "C1" must turn atom 11's "C11" into
// "C111", though the old text starts with the new name and a digit follows.
TEST(SceneLabels, RenamedTypeGetsNewLabelsEvenWhenTheOldTextStartsWithTheNewName)
{
    TestScene scene;
    AtomType &carbon = scene.addType("C", rgbColor(128, 128, 128), 0.1);
    std::vector<TestAtom> atoms;
    for (int i = 0; i < 11; ++i)
        atoms.push_back({{i * 0.5 - 2.5, 0, 0}, &carbon});
    const Frame &frame = scene.addFrame(atoms);
    scene.settings.labelMode = 0;
    SceneContext context = contextOf(scene);
    composeFrame(frame, scene.picture, context);
    carbon.name = "C1";
    composeFrame(frame, scene.picture, context);
    QImage reference(scene.picture.size(), QImage::Format_RGB32);
    reference.fill(0);
    QImage composed = reference.copy();
    composeFrame(frame, composed, context);
    for (const int index : scene.scratch.depthList)
        drawAtom(frame, index, reference, atomLabel(frame, index, 0), context);
    EXPECT_EQ(composed, reference);
}

TEST(SceneLabels, LabelIsCentredOnItsAtomOverAnOpaqueBox)
{
    TestScene scene;
    AtomType &o = scene.addType("O", rgbColor(255, 0, 0), 1.0);
    scene.addFrame({{{0, 0, 0}, &o}});
    scene.display.ShowLabels = true;
    scene.redraw();
    const QFontMetrics metrics(QFont(), &scene.picture);
    const int w = metrics.horizontalAdvance(QStringLiteral("O1"));
    const int h = metrics.height();
    const QRect box(240 - w / 2, 175 - h / 2, w, h);
    const std::uint32_t yellow = rgbColor(255, 255, 0);
    EXPECT_GT(countColor(scene.picture, box, yellow), 0);
    EXPECT_EQ(countColor(scene.picture, box.adjusted(-3, -3, 3, 3), yellow),
        countColor(scene.picture, box, yellow));
    // the box hides the ball: its corner is background, just outside it the ball shows
    EXPECT_EQ(scene.colorAt(box.left(), box.top()), rgbColor(0, 0, 0));
    EXPECT_EQ(scene.colorAt(box.left() - 1, 175) & 0xFFu, scene.colorAt(box.left() - 1, 175));
    EXPECT_GT(scene.colorAt(box.left() - 1, 175), 100u);
}

TEST(SceneLabels, AtomOfZeroRadiusStillShowsItsLabel)
{
    TestScene scene;
    AtomType &dot = scene.addType("Q", rgbColor(255, 0, 0), 0.0);
    scene.addFrame({{{0, 0, 0}, &dot}});
    scene.display.ShowLabels = true;
    scene.redraw();
    EXPECT_GT(countColor(scene.picture, QRect(200, 150, 80, 50), rgbColor(255, 255, 0)), 0);
    EXPECT_EQ(countColor(scene.picture, QRect(200, 150, 80, 50), rgbColor(255, 0, 0)), 0);
}

TEST(SceneComposition, FrameWithoutAtomsDrawsNothing)
{
    TestScene scene;
    const Frame &frame = scene.addFrame({});
    bool cloudDrawn = false;
    SceneContext context = contextOf(scene);
    context.showElectrons = true;
    context.electronCloud = [&](const Frame &, QImage &) { cloudDrawn = true; };
    scene.picture.fill(0xFF102030u);
    composeFrame(frame, scene.picture, context);
    EXPECT_TRUE(scene.scratch.depthList.empty());
    EXPECT_FALSE(cloudDrawn);
    EXPECT_EQ(scene.picture.pixel(240, 175), 0xFF102030u);
}

TEST(SceneComposition, CloudIsDrawnAfterTheAtomsWhenSwitchedOn)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    const Frame &frame = scene.addFrame({{{0, 0, 0}, &c}});
    int calls = 0;
    SceneContext context = contextOf(scene);
    context.electronCloud = [&](const Frame &drawn, QImage &) {
        EXPECT_EQ(&drawn, &frame);
        ++calls;
    };
    composeFrame(frame, scene.picture, context);
    EXPECT_EQ(calls, 0);
    context.showElectrons = true;
    composeFrame(frame, scene.picture, context);
    EXPECT_EQ(calls, 1);
}

TEST(SceneComposition, ChargeRadiusCopiesWhateverTheLastLookupLeft)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 1.0);
    const Frame &frame = scene.addFrame({{{0, 0, 0}, &c, 0.25}});
    scene.gradient.LastRadius = 7.5;
    SceneContext context = contextOf(scene);
    composeFrame(frame, scene.picture, context);
    EXPECT_EQ(scene.scratch.chargeRadius[0], 7.5);
    EXPECT_TRUE(c.sphereImage);
}

TEST(SceneDepthOrder, ManyAtomsWithTiesFollowTheDefinedOrder)
{
    TestScene scene;
    AtomType &c = scene.addType("C", rgbColor(128, 128, 128), 0.1);
    std::mt19937 random(99);
    std::vector<TestAtom> atoms;
    const double depths[] = {-0.0, 0.0, 1e-300, -1e-300, 2.5, -2.5, 1e30, -1e30, 0.1, 0.3};
    for (int i = 0; i < 3000; ++i) {
        const double z = i % 3 == 0 ? depths[random() % 10] : (int(random() % 2001) - 1000) / 7.0;
        atoms.push_back({{0, 0, z}, &c});
    }
    const Frame &frame = scene.addFrame(atoms);
    SceneContext context = contextOf(scene);
    composeFrame(frame, scene.picture, context);

    std::vector<int> expected(atoms.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        expected[i] = static_cast<int>(i);
    std::sort(expected.begin(), expected.end(), [&](int a, int b) {
        const double za = scene.scratch.screenPos[static_cast<std::size_t>(a)].z;
        const double zb = scene.scratch.screenPos[static_cast<std::size_t>(b)].z;
        return za != zb ? za > zb : a > b;
    });
    EXPECT_EQ(scene.scratch.depthList, expected);
}

namespace {

// The label atom index shows in the last composition: a big frame leaves some out.
std::string shownLabel(const TestScene &scene, const Frame &frame, int index, int labelMode)
{
    const auto &drawn = scene.scratch.labelDrawn;
    const auto i = static_cast<std::size_t>(index);
    return i < drawn.size() && drawn[i] ? atomLabel(frame, index, labelMode) : std::string();
}

} // namespace

TEST(SceneComposition, FrontToBackPaintingEqualsDrawingEachAtomFromTheBack)
{
    for (const int labelMode : {-1, 0, 1}) {
        for (const bool byType : {true, false}) {
            TestScene scene;
            AtomType *types[3] = {&scene.addType("O", rgbColor(255, 0, 0), 0.6),
                &scene.addType("H", rgbColor(0, 128, 255), 0.25),
                &scene.addType("Na", rgbColor(128, 255, 128), 1.8)};
            std::mt19937 random(static_cast<unsigned>(labelMode + 7 * byType));
            std::uniform_real_distribution<double> place(-9.0, 9.0);
            std::vector<TestAtom> atoms;
            for (int i = 0; i < 1500; ++i)
                atoms.push_back({{place(random), place(random), std::round(place(random))},
                    types[random() % 3], place(random) / 9.0});
            const Frame &frame = scene.addFrame(atoms);
            scene.settings.labelMode = labelMode;
            scene.settings.colourByType = byType;
            scene.settings.radiusByType = byType;
            scene.settings.atomScale = 12.0;
            scene.view.scale = 20.0;

            const QImage background = noise(scene.picture.width(), scene.picture.height(), 5);
            QImage composed = background.copy();
            SceneContext context = contextOf(scene);
            composeFrame(frame, composed, context);

            QImage reference = background.copy();
            for (const int index : scene.scratch.depthList)
                drawAtom(
                    frame, index, reference, shownLabel(scene, frame, index, labelMode), context);
            EXPECT_EQ(composed, reference) << "labels " << labelMode << " by type " << byType;
        }
    }
}

TEST(SceneComposition, LabelCacheFillingUpDuringACompositionChangesNoPixel)
{
    TestScene scene;
    AtomType &o = scene.addType("O", rgbColor(255, 0, 0), 0.3);
    std::mt19937 random(4);
    std::uniform_real_distribution<double> place(-6.0, 6.0);
    std::vector<TestAtom> atoms;
    for (int i = 0; i < 300; ++i)
        atoms.push_back({{place(random), place(random), place(random)}, &o});
    const Frame &frame = scene.addFrame(atoms);
    scene.settings.labelMode = 0;
    scene.scratch.labels.setCapacity(40);
    SceneContext context = contextOf(scene);
    QImage first = noise(scene.picture.width(), scene.picture.height(), 8);
    QImage second = first.copy();
    QImage reference = first.copy();
    composeFrame(frame, first, context);
    const std::size_t drawnFirst = scene.scratch.labels.drawnCount();
    composeFrame(frame, second, context);
    // past its capacity the cache keeps what it holds and draws only the rest again
    EXPECT_EQ(scene.scratch.labels.size(), 40u);
    EXPECT_EQ(scene.scratch.labels.drawnCount() - drawnFirst, 300u - 40u);
    for (const int index : scene.scratch.depthList)
        drawAtom(frame, index, reference, shownLabel(scene, frame, index, 0), context);
    EXPECT_EQ(first, reference);
    EXPECT_EQ(second, reference);
}

namespace {

// The box of atom i's name label as drawn: its text's extent in the picture's font, centred on
// the atom by integer halves, clipped to the picture.
QRect nameLabelBox(const TestScene &scene, const Frame &frame, int i)
{
    const QFontMetrics metrics(QFont(), &scene.picture);
    const QString text = QString::fromStdString(
        frame.atoms[static_cast<std::size_t>(i)].type->name + std::to_string(i + 1));
    const int w = metrics.horizontalAdvance(text), h = metrics.height();
    const Vector3 p = scene.view.projectToScreen(frame.atoms[static_cast<std::size_t>(i)].position);
    return QRect(static_cast<int>(p.x - w / 2), static_cast<int>(p.y - h / 2), w, h)
        & scene.picture.rect();
}

} // namespace

TEST(SceneLabels, BigFrameDrawsOnlyLabelsThatCoverNoNearerOne)
{
    TestScene scene;
    scene.display.ShowLabels = true;
    scene.display.FitMode = 3;
    AtomType &carbon = scene.addType("C", rgbColor(128, 128, 128), 0.3);
    std::mt19937 random(19);
    std::uniform_real_distribution<double> across(-7.0, 7.0), down(-5.0, 5.0), deep(-5.0, 5.0);
    std::vector<TestAtom> atoms;
    for (int i = 0; i < 1000; ++i)
        atoms.push_back({{across(random), down(random), deep(random)}, &carbon});
    const Frame &frame = scene.addFrame(atoms);
    scene.redraw();

    std::vector<int> drawn, left;
    for (int i = 0; i < 1000; ++i)
        (scene.scratch.labelDrawn.at(static_cast<std::size_t>(i)) ? drawn : left).push_back(i);
    EXPECT_GT(drawn.size(), 50u);
    EXPECT_GT(left.size(), 100u);
    int overlapping = 0, leftWithoutCause = 0;
    for (std::size_t a = 0; a < drawn.size(); ++a)
        for (std::size_t b = a + 1; b < drawn.size(); ++b)
            overlapping += nameLabelBox(scene, frame, drawn[a])
                               .intersects(nameLabelBox(scene, frame, drawn[b]))
                ? 1
                : 0;
    // a label left out covers the drawn label of a nearer atom
    for (const int i : left) {
        const double depth = frame.atoms[static_cast<std::size_t>(i)].position.z;
        const bool covers = std::any_of(drawn.begin(), drawn.end(), [&](int j) {
            return frame.atoms[static_cast<std::size_t>(j)].position.z < depth
                && nameLabelBox(scene, frame, j).intersects(nameLabelBox(scene, frame, i));
        });
        leftWithoutCause += covers ? 0 : 1;
    }
    EXPECT_EQ(overlapping, 0);
    EXPECT_EQ(leftWithoutCause, 0);
}

TEST(SceneLabels, FramesOfUpTo200AtomsKeepEveryLabelAndBiggerOnesTheNearestOfAPile)
{
    for (const int count : {200, 201}) {
        TestScene scene;
        scene.display.ShowLabels = true;
        scene.display.FitMode = 3;
        AtomType &oxygen = scene.addType("O", rgbColor(255, 0, 0), 0.6);
        // a pile of atoms one behind the other: every label on the same spot, the first nearest
        std::vector<TestAtom> atoms;
        for (int i = 0; i < count; ++i)
            atoms.push_back({{0.0, 0.0, 0.01 * i}, &oxygen});
        scene.addFrame(atoms);
        scene.redraw();
        const auto &shown = scene.scratch.labelDrawn;
        ASSERT_EQ(shown.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(std::count(shown.begin(), shown.end(), 1), count == 200 ? 200 : 1) << count;
        EXPECT_EQ(shown[0], 1) << count;
    }
}
