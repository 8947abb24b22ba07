#pragma once

#include "model/chargegradient.h"
#include "model/frame.h"
#include "model/messagesink.h"
#include "model/vector3.h"
#include "render/bondsticks.h"
#include "render/coverage.h"
#include "render/labelcache.h"
#include "render/labelroom.h"
#include "render/viewtransform.h"

#include <QFont>
#include <QImage>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

/// The drawing settings every composition reads. The owner (the main window, or the
/// command-line renderer) holds one instance for its whole run; a redraw derives labelMode,
/// colourByType and radiusByType from the display switches before each composition.
struct SceneSettings
{
    double atomScale = 32.0; ///< pixels per Angstrom for atom radii
    int labelMode = 0; ///< -1 no labels, 0 type name and 1-based index, 1 charge
    bool colourByType = true; ///< false: the colour of the atom's charge level
    bool radiusByType = true; ///< false: the radius the charge gradient gives the charge
    bool toneBrightness = true; ///< electron clouds: shift deep emission toward the tone colour
    bool showBonds = false; ///< sticks between bonded atoms
    double bondRadius = 0.15; ///< Angstrom, drawn at atomScale like the balls
    BondRule bondRule{};
};

/// The per-atom drawing values of the last composition, kept beside the view rather than in
/// the frames: screen positions, the depth order and the charge radii of one frame. Picking
/// and the electron cloud read them, so they are valid for `frame` only.
struct SceneScratch
{
    const Frame *frame = nullptr; ///< the frame the values below belong to
    std::vector<Vector3> screenPos; ///< per atom: screen x, y and depth
    std::vector<int> depthList; ///< atom indices, farthest first, then nearer
    std::vector<double> chargeRadius; ///< per atom: radius from the charge gradient
    LabelCache labels; ///< label boxes kept from draw to draw
    /// Per atom: 1 when the last composition drew its label. Empty without labels.
    std::vector<unsigned char> labelDrawn;

    /// Work arrays of the composition, kept to spare allocations from draw to draw.
    struct AtomSquare
    {
        int left, top, right, bottom;
        AtomType *record;
        const LabelCache::Box *label; ///< resolved ahead of the painting, or nullptr
        int labelLeft, labelTop;
        bool labelLater; ///< a label the full cache has no room for: drawn when painted
    };
    struct LabelSlot
    {
        std::string text;
        const LabelCache::Box *box = nullptr;
        unsigned generation = 0;
        const AtomType *type = nullptr; ///< the type a name label was made for
    };
    struct DepthEntry
    {
        std::uint64_t key;
        std::uint32_t index;
    };
    std::vector<AtomSquare> squares;
    std::vector<LabelSlot> labelSlots;
    std::vector<DepthEntry> depthEntries, depthSpare;
    CoverageMask coverage;
    LabelRoom labelRoom;
    BondCache bonds; ///< the bonds of the frame last drawn with bonds
    std::vector<std::uint32_t> stickStart; ///< per atom, its first half stick; one more at the end
    std::vector<HalfStick> sticks;
    std::vector<double> ballRadius; ///< per atom: its ball's screen radius (pixels)

    /// Forgets the values (not the label boxes), binding the scratch to frame with count atoms.
    void bindTo(const Frame &frame, std::size_t count);
    /// Forgets everything about the last composition (not the label boxes); for when the
    /// frames it was made for are destroyed, so no later frame at the same address is mistaken
    /// for it.
    void forget();
    /// The screen position of atom index, or the origin when it has none.
    Vector3 positionOf(int index) const;
};

/// Draws the electron cloud of a composed frame over the picture.
using ElectronCloudPainter = std::function<void(const Frame &, QImage &)>;

/// Everything a composition reads or updates besides the frame and the picture.
struct SceneContext
{
    const ViewTransform &view;
    const SceneSettings &settings;
    SceneScratch &scratch;
    ChargeGradient &gradient;
    StatusSink *status = nullptr; ///< busy text while ball pictures are built
    std::uint32_t textColor = 0; ///< 0x00BBGGRR, the labels' colour
    std::uint32_t textBackground = 0; ///< 0x00BBGGRR, the labels' opaque box
    QFont font{}; ///< the labels' font
    bool showElectrons = false;
    ElectronCloudPainter electronCloud{}; ///< run after the atoms when showElectrons is on
};

/// The atoms of frame that may be read: its atom array, bounded by its atomCount.
std::size_t atomsIn(const Frame &frame);

/// Coordinates beyond this many Angstrom (or not finite) cannot be drawn: their squares, and
/// the view's sums of products, would overflow to infinity or NaN.
constexpr double DrawableCoordinateLimit = 1e150;

/// Whether position can be drawn: every coordinate finite and within DrawableCoordinateLimit.
/// An atom elsewhere is left out of the picture, the fit and the centre.
bool isDrawablePosition(const Vector3 &position);

/// The middle of the axis-aligned box around the drawable atom positions of frame (Angstrom);
/// the origin for a frame without any.
Vector3 boundingBoxCentre(const Frame &frame);

/// Projects every atom of frame, orders the atoms by depth (farthest first; at equal depth the
/// higher index first) and draws each as its ball with its label, nearest last, into canvas
/// (Format_RGB32); then the electron cloud when switched on. With showBonds each atom's half
/// of its bonds is drawn with it in the same order: a half leading away from the viewer before
/// the ball, one leading toward the viewer after it. A frame without atoms draws
/// nothing and leaves the depth list empty.
void composeFrame(const Frame &frame, QImage &canvas, SceneContext &context);

/// Draws atom index of frame: its colour record's ball stretched over the square of its screen
/// radius, then label centred on its screen position (nothing for an empty label). Stores the
/// charge gradient's last radius as the atom's charge radius.
void drawAtom(
    const Frame &frame, int index, QImage &canvas, const std::string &label, SceneContext &context);

/// The label of atom index under labelMode: "" (-1), type name and 1-based index (0, "O4"),
/// or the charge with 4 significant digits (1, "-1.235").
std::string atomLabel(const Frame &frame, int index, int labelMode);

/// atomScale times the atom type's radius, or times the atom's charge radius when radii
/// follow the charge (pixels).
double atomScreenRadius(const FrameAtom &atom, double chargeRadius, const SceneSettings &settings);

/// True when (x, y) lies within the disc of the type's radius around screenPos.
bool hitsAtom(const FrameAtom &atom, const Vector3 &screenPos, double x, double y,
    const SceneSettings &settings);

/// The 0-based index of the nearest atom of frame whose disc holds (x, y), or -1. Uses the
/// last composition of that frame; -1 when the scratch belongs to another frame.
int pickAtom(const Frame &frame, const SceneScratch &scratch, const SceneSettings &settings,
    double x, double y);
