#include "render/electroncloud.h"
#include "render/vectormath.h"
#include "scenetestsupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr std::uint32_t Black = rgbColor(0, 0, 0);

std::uint32_t grey(std::uint32_t level)
{
    return rgbColor(level, level, level);
}

// A scene of atoms with orbitals in a small picture, electrons on.
struct CloudScene : TestScene
{
    CloudScene(int width = 481, int height = 351)
    {
        picture = QImage(width, height, QImage::Format_RGB32);
        view.originX = width / 2;
        view.originY = height / 2;
        display.ShowElectrons = true;
        display.ShowDistances = false;
    }
    AtomType &addOrbitalType(int protons, OrbitalList orbitals, double radius = 0.1)
    {
        AtomType &type = addType("X", rgbColor(255, 0, 0), radius);
        type.protons = protons;
        type.orbitals = std::move(orbitals);
        return type;
    }
    CloudContext context(int threads = 1)
    {
        return CloudContext{view, settings, scratch, display, nullptr, threads};
    }
    // The picture composed with the atoms only.
    QImage atomsOnly()
    {
        const bool shown = display.ShowElectrons;
        display.ShowElectrons = false;
        redraw();
        display.ShowElectrons = shown;
        return picture;
    }
};

OrbitalTerm term(int n, int l, int m, double coefficient)
{
    return newTerm(n, l, coefficient, true, m);
}

// What a ray gathers, step by step as the drawing model defines it, through the view's own
// screenToModel and densityAt: the reference for the batched rays.
RayResult literalRay(const Frame &frame, int x, int y, const CloudScene &scene)
{
    const double k = scene.view.scale;
    double zmin = 0.0, zmax = 0.0;
    const FrameAtom *hit = nullptr;
    double hitDepth = 0.0;
    for (std::size_t position = 0; position < scene.scratch.depthList.size(); ++position) {
        const int index = scene.scratch.depthList[position];
        const Vector3 s = scene.scratch.screenPos[static_cast<std::size_t>(index)];
        if (position == 0)
            zmax = zmin = s.z;
        zmin = std::min(zmin, s.z);
        if (hitsAtom(frame.atoms[static_cast<std::size_t>(index)], s, x, y, scene.settings)) {
            hit = &frame.atoms[static_cast<std::size_t>(index)];
            hitDepth = s.z;
        }
    }
    const double zstart = zmin - 4 * k, zend = hit ? hitDepth : zmax + 4 * k, h = 0.1 * k;
    const auto count = static_cast<long long>((zend - zstart) / h + 0.5);
    const DensitySettings settings{scene.display.ComputingModel, scene.display.ChargeWeighted};
    double rhoA =
        densityAt(frame, scene.view.screenToModel({double(x), double(y), zstart}), settings);
    double sum = 0, E = 0, G = 0;
    const double V = k * 32 * 32; // in model units, weighed as the start view weighs them
    for (long long i = 1; i <= count; ++i) {
        const double z = zstart + static_cast<double>(i) * h;
        const double rhoB =
            densityAt(frame, scene.view.screenToModel({double(x), double(y), z}), settings);
        const double r = h * (rhoA + rhoB) / 2;
        sum += r;
        const double a = std::exp(-scene.display.Absorption * (sum / V));
        E += r * a;
        G += r * a * (z - zstart) / (zend - zstart);
        rhoA = rhoB;
    }
    return {sum / V, E / V, G / V};
}

} // namespace

TEST(ElectronShade, MixesTheElectronColourIntoTheBackgroundByBrightness)
{
    DisplayState display;
    EXPECT_EQ(electronShade(1.0, display), grey(127)); // t = 1: half way
    EXPECT_EQ(electronShade(0.5, display), grey(118)); // t = 0.5 lifted to 0.866
    EXPECT_EQ(electronShade(4.0, display), grey(204)); // t = 4 is not lifted
    display.BackgroundColor = rgbColor(0, 0, 100);
    EXPECT_EQ(electronShade(1.0, display), rgbColor(127, 127, 177));
    display.Brightness = 0.0;
    EXPECT_EQ(electronShade(1.0, display), rgbColor(0, 0, 100));
    display.Brightness = 5000.0;
    display.PrintColors = true; // black electrons on white
    EXPECT_EQ(electronShade(1.0, display), grey(127));

    EXPECT_EQ(quickSizeFactor(0.0), 0.0);
    EXPECT_NEAR(quickSizeFactor(0.5), 0.96440, 1e-5);
    EXPECT_NEAR(quickSizeFactor(1.0), 3.23037, 1e-5);
}

TEST(QuickElectrons, GroupsPTermsOfOneShellAcrossSTermsUntilAnotherShellComes)
{
    CloudScene scene;
    scene.display.ElectronQuickMinimum = 0.1; // lobes 0.9658 (shell 2) and 2.3270 (shell 3) apart
    scene.display.Brightness = 1000.0;
    // 2p x and 2p y around a faint 2s form one group of direction (0.6, 0.8) and strength 1
    AtomType &grouped =
        scene.addOrbitalType(1, {term(2, 1, -1, 0.6), term(2, 0, 0, 1e-6), term(2, 1, 0, 0.8)});
    scene.addFrame({{{0, 0, 0}, &grouped}});
    scene.redraw();
    EXPECT_EQ(scene.colorAt(258, 199), grey(95));
    EXPECT_EQ(scene.colorAt(221, 150), grey(95));

    // a 3p term closes the 2p group: a lobe pair along x of strength 0.6, one along y of 0.8
    grouped.orbitals = {term(2, 1, -1, 0.6), term(3, 1, 0, 0.8)};
    scene.redraw();
    EXPECT_EQ(scene.colorAt(271, 175), grey(82));
    EXPECT_EQ(scene.colorAt(209, 175), grey(82));
    EXPECT_EQ(scene.colorAt(240, 249), grey(89));
    EXPECT_EQ(scene.colorAt(240, 101), grey(89));
}

TEST(QuickElectrons, DrawsNothingWithoutWeightOrDirection)
{
    CloudScene scene;
    // only a p term outside -1 ... 1 carries weight: the group has no direction
    AtomType &undirected = scene.addOrbitalType(1, {term(2, 1, 3, 1.0)});
    scene.addFrame({{{0, 0, 0}, &undirected, 0.0}});
    const QImage atoms = scene.atomsOnly();
    scene.redraw();
    EXPECT_EQ(scene.picture, atoms);

    // a charge of 0 under weighting takes the atom's cloud away
    undirected.orbitals = {term(1, 0, 0, 1.0), term(2, 1, 0, 1.0)};
    scene.display.ChargeWeighted = true;
    scene.redraw();
    EXPECT_EQ(scene.picture, atoms);
    scene.display.ChargeWeighted = false;
    scene.redraw();
    EXPECT_NE(scene.picture, atoms);
}

TEST(CloudRays, GatherWhatTheStepByStepIntegralGathers)
{
    CloudScene scene(40, 30);
    AtomType &oxygen = scene.addOrbitalType(8, {term(2, 1, 0, 1.0), term(1, 0, 0, 0.2)}, 0.2);
    AtomType &hydrogen = scene.addOrbitalType(1, {term(1, 0, 0, 1.0)}, 0.2);
    scene.addFrame({{{0, 0, 0}, &oxygen, -0.8}, {{0.3, 0.2, 0.6}, &hydrogen, 0.4}});
    scene.view.scale = 20.0;
    scene.view.rotateView(0.3, -0.4, 0.5);
    scene.display.ChargeWeighted = true;
    scene.atomsOnly();
    const Frame &frame = *scene.current;
    const Vector3 near = scene.scratch.screenPos[1];
    for (const auto &[x, y] : {std::pair{2, 3}, std::pair{int(near.x), int(near.y)}}) {
        for (const int model : {0, 1}) {
            scene.display.ComputingModel = model;
            const RayResult ray = rayDensity(frame, x, y, scene.context());
            const RayResult expected = literalRay(frame, x, y, scene);
            EXPECT_GT(ray.density, 0.0);
            EXPECT_EQ(ray.density, expected.density) << x << "," << y << " model " << model;
            EXPECT_EQ(ray.emission, expected.emission) << x << "," << y;
            EXPECT_EQ(ray.depthTone, expected.depthTone) << x << "," << y;
        }
    }
}

TEST(ThreeDCloud, PaintsThroughTheDensityAndLeavesPixelsWithoutEmission)
{
    CloudScene scene(64, 48);
    AtomType &hydrogen = scene.addOrbitalType(1, {term(1, 0, 0, 1.0)});
    scene.addFrame({{{0, 0, 0}, &hydrogen}, {{0.5, 0.2, 0.3}, &hydrogen}});
    scene.display.DrawingModel = 1;
    const QImage atoms = scene.atomsOnly();
    EXPECT_EQ(
        drawElectronCloud(*scene.current, scene.picture, scene.context()), CloudDrawn::ThreeD);
    EXPECT_NE(scene.colorAt(5, 5), Black);

    scene.picture = atoms;
    scene.display.Brightness = 0.0;
    drawElectronCloud(*scene.current, scene.picture, scene.context());
    EXPECT_EQ(scene.picture, atoms);

    scene.display.Brightness = 5000.0;
    scene.display.Electron3DMinimum = 1e9;
    drawElectronCloud(*scene.current, scene.picture, scene.context());
    EXPECT_EQ(scene.picture, atoms);
}

TEST(ThreeDCloud, IsTheSamePictureOnAnyNumberOfThreads)
{
    CloudScene scene(96, 72);
    AtomType &oxygen = scene.addOrbitalType(8, {term(2, 1, 0, 1.0), term(2, 0, 0, 0.5)}, 0.3);
    AtomType &hydrogen = scene.addOrbitalType(1, {term(1, 0, 0, 1.0)}, 0.2);
    scene.addFrame({{{0, -0.07, 0}, &oxygen}, {{0.76, 0.52, 0.1}, &hydrogen},
        {{-0.76, 0.52, -0.1}, &hydrogen}});
    scene.view.rotateView(0.2, 0.4, 0.1);
    scene.display.DrawingModel = 1;
    const QImage atoms = scene.atomsOnly();
    drawElectronCloud(*scene.current, scene.picture, scene.context(1));
    const QImage single = scene.picture;
    EXPECT_NE(single, atoms);
    for (const int threads : {0, 2, 5}) {
        scene.picture = atoms;
        drawElectronCloud(*scene.current, scene.picture, scene.context(threads));
        EXPECT_EQ(scene.picture, single) << threads << " threads";
    }
}

TEST(ThreeDCloud, DrawsNothingForAViewOfUnusableNumbers)
{
    CloudScene scene(32, 24);
    AtomType &hydrogen = scene.addOrbitalType(1, {term(1, 0, 0, 1.0)});
    Frame &frame = scene.addFrame({{{0, 0, 0}, &hydrogen}, {{0, 0, 1e12}, &hydrogen}});
    scene.display.FitMode = 3;
    for (const double scale : {0.0, -1.0, std::numeric_limits<double>::infinity()}) {
        for (const int model : {0, 1}) {
            scene.view.scale = scale;
            scene.display.DrawingModel = model;
            const QImage atoms = scene.atomsOnly();
            EXPECT_EQ(drawElectronCloud(frame, scene.picture, scene.context()), CloudDrawn::Nothing)
                << scale;
            EXPECT_EQ(scene.picture, atoms);
        }
    }
}

TEST(ThreeDCloud, BlendsThePixelAsWorkedOutByHand)
{
    CloudScene scene(5, 3);
    AtomType &hydrogen = scene.addOrbitalType(1, {term(1, 0, 0, 1.0)}, 0.01);
    scene.addFrame({{{0, 0, 0}, &hydrogen}});
    scene.display.DrawingModel = 1;
    scene.display.BackgroundColor = rgbColor(10, 200, 60);
    const QImage atoms = scene.atomsOnly();
    const CloudContext context = scene.context();
    // Settings that make the corner's transmission T = e^-1.2, its emission B = 0.9 and its
    // depth tone f = 2.5. Then the emitted colour is white shifted towards the tone green
    // (0, 128, 0): trunc((255 + tone × 2.5) / 3.5) = (72, 164, 72); mixed into the background
    // (10, 200, 60): trunc((old × 0.30119 + emitted × 0.9) / 1.20119) = (56, 173, 68).
    // Without the tone the emitted colour stays white: (193, 241, 206).
    scene.display.Absorption = 1.2 / rayDensity(*scene.current, 0, 0, context).density;
    const RayResult ray = rayDensity(*scene.current, 0, 0, context);
    scene.display.Brightness = 0.9 / ray.emission;
    scene.display.ToneLevel = 2.5 / ray.depthTone;
    for (const bool tone : {true, false}) {
        scene.settings.toneBrightness = tone;
        scene.picture = atoms;
        drawElectronCloud(*scene.current, scene.picture, context);
        EXPECT_EQ(scene.colorAt(0, 0), tone ? rgbColor(56, 173, 68) : rgbColor(193, 241, 206));
    }
}

TEST(ThreeDCloud, LooksTheSameAtEveryZoom)
{
    // The same model seen at 20 and at 40 pixels per unit: pixel (x, y) of the one and (2x, 2y)
    // of the other look along the same line and gather the same.
    RayResult rays[2];
    for (const int zoom : {1, 2}) {
        CloudScene scene(40 * zoom, 30 * zoom);
        AtomType &oxygen = scene.addOrbitalType(8, {term(2, 1, 0, 1.0), term(2, 0, 0, 0.5)});
        AtomType &hydrogen = scene.addOrbitalType(1, {term(1, 0, 0, 1.0)});
        scene.addFrame({{{0, 0, 0}, &oxygen}, {{0.3, 0.2, 0.6}, &hydrogen}});
        scene.view.scale = 20.0 * zoom;
        scene.view.rotateView(0.3, -0.4, 0.5);
        scene.atomsOnly();
        rays[zoom - 1] = rayDensity(*scene.current, 12 * zoom, 10 * zoom, scene.context());
    }
    EXPECT_GT(rays[0].density, 0.0);
    EXPECT_NEAR(rays[1].density, rays[0].density, 1e-12 * rays[0].density);
    EXPECT_NEAR(rays[1].emission, rays[0].emission, 1e-12 * rays[0].emission);
    EXPECT_NEAR(rays[1].depthTone, rays[0].depthTone, 1e-12 * rays[0].depthTone);
}

TEST(CloudRays, GatherOnlyNearTheAtomsSoAFarPairCostsWhatANearOneDoes)
{
    CloudScene scene(24, 16);
    AtomType &hydrogen = scene.addOrbitalType(1, {term(1, 0, 0, 1.0)});
    Frame &frame = scene.addFrame({{{0, 0, 0}, &hydrogen}, {{0, 0, 50}, &hydrogen}});
    scene.display.DrawingModel = 1;
    const CloudContext context = scene.context();
    // the points a small picture takes, and what the ray of its corner gathers
    const auto gather = [&](double depth, RayResult &corner) {
        frame.atoms[1].position.z = depth;
        scene.atomsOnly();
        const CloudRays rays(frame, context);
        RayWork work;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x) {
                const RayResult ray = rays.rayDensity(x, y, work);
                if (x == 0 && y == 0)
                    corner = ray;
            }
        return work.points;
    };
    RayResult near, far, farthest;
    const long long nearPoints = gather(50.0, near);
    EXPECT_GT(nearPoints, 0);
    // stepping through 50,000 units would take 500,000 points a ray; two atoms whose clouds
    // reach 20 units at the most take 400
    EXPECT_LE(gather(5e4, far), nearPoints);
    EXPECT_LE(gather(1e12, farthest), nearPoints);
    EXPECT_LE(nearPoints, 24 * 16 * 400);
    // and the far pair's clouds are gathered in full
    EXPECT_GT(near.density, 0.0);
    EXPECT_NEAR(far.density, near.density, 1e-9 * near.density);
    EXPECT_NEAR(farthest.density, near.density, 1e-3 * near.density);
}

TEST(QuickElectrons, SDiscRadiusFollowsTheShellAndTheProtons)
{
    // radii in units at the probability limit 0.5 (size factor 0.96440)
    struct Case
    {
        int n;
        int protons;
        double radius;
    };
    const Case cases[] = {{1, 1, 1.24683}, {2, 4, 1.40469}, {3, 9, 1.45839}};
    for (const Case &c : cases) {
        CloudScene scene(960, 960);
        scene.view.scale = 300.0;
        AtomType &type = scene.addOrbitalType(c.protons, {term(c.n, 0, 0, 1.0)}, 0.001);
        scene.addFrame({{{0, 0, 0}, &type}});
        scene.redraw();
        int lit = 0;
        for (int x = 0; x < 960; ++x)
            lit += scene.colorAt(x, 480) != Black;
        EXPECT_NEAR(lit, 2 * c.radius * 300.0, 1.5) << "shell " << c.n;
    }
}
