#include "render/scene.h"

#include "render/pixelmath.h"
#include "render/spherepicture.h"
#include "render/stretchblit.h"
#include "render/vectormath.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <string_view>

namespace {

using DepthEntry = SceneScratch::DepthEntry;
using AtomSquare = SceneScratch::AtomSquare;

// Frames of up to this many atoms get every label, however they pile up; bigger ones only the
// labels that cover no nearer atom's label.
constexpr std::size_t LabelsAlwaysUpTo = 200;

// Maps a depth onto an unsigned key that sorts the other way round (the farthest atom gets
// the smallest key), so the sort compares integers. -0 and +0 are one depth; NaN, which no
// guarded view produces, sorts as the farthest.
std::uint64_t farFirstKey(double depth)
{
    if (depth != depth)
        return 0;
    if (depth == 0.0)
        depth = 0.0;
    const auto bits = std::bit_cast<std::uint64_t>(depth);
    const std::uint64_t rising =
        (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
    return ~rising;
}

// Stable least-significant-digit radix sort by key, in O(n). The entries come in falling
// index order, so among equal depths the higher index stays first.
void sortByKey(std::vector<DepthEntry> &entries, std::vector<DepthEntry> &spare)
{
    constexpr int DigitBits = 11;
    constexpr int Passes = (64 + DigitBits - 1) / DigitBits;
    constexpr std::size_t Buckets = std::size_t{1} << DigitBits;
    const std::size_t count = entries.size();
    if (count < 2)
        return;
    std::vector<std::uint32_t> histogram(Buckets * Passes, 0);
    for (const DepthEntry &entry : entries)
        for (int pass = 0; pass < Passes; ++pass)
            ++histogram[pass * Buckets + ((entry.key >> (pass * DigitBits)) & (Buckets - 1))];
    spare.resize(count);
    for (int pass = 0; pass < Passes; ++pass) {
        std::uint32_t *counts = histogram.data() + pass * Buckets;
        const std::uint64_t digitOfFirst =
            (entries.front().key >> (pass * DigitBits)) & (Buckets - 1);
        if (counts[digitOfFirst] == count)
            continue; // every key has the same digit here: the order stays
        std::uint32_t offset = 0;
        for (std::size_t bucket = 0; bucket < Buckets; ++bucket) {
            const std::uint32_t n = counts[bucket];
            counts[bucket] = offset;
            offset += n;
        }
        for (const DepthEntry &entry : entries)
            spare[counts[(entry.key >> (pass * DigitBits)) & (Buckets - 1)]++] = entry;
        entries.swap(spare);
    }
}

// The colour record and the square of one atom; looks up the charge level as the flags ask
// and stores the gradient's last radius as the atom's charge radius.
AtomSquare prepareAtom(const FrameAtom &atom, std::size_t index, SceneContext &context)
{
    const SceneSettings &settings = context.settings;
    SceneScratch &scratch = context.scratch;
    AtomType *record = atom.type;
    if (!settings.colourByType)
        record = &context.gradient.LevelForCharge(atom.charge, !settings.radiusByType);
    else if (!settings.radiusByType)
        context.gradient.LevelForCharge(atom.charge, true);
    // the charge radius follows every lookup, whatever the flags asked for
    scratch.chargeRadius[index] = context.gradient.LastRadius;

    const Vector3 centre = scratch.screenPos[index];
    const int r = truncToInt(atomScreenRadius(atom, scratch.chargeRadius[index], settings) + 0.5);
    return {truncToInt(centre.x - r + 0.5), truncToInt(centre.y - r + 0.5),
        truncToInt(centre.x + r + 0.5), truncToInt(centre.y + r + 0.5), record, nullptr, 0, 0,
        false};
}

void paintBall(QImage &canvas, const AtomSquare &square, StatusSink *status)
{
    AtomType *record = square.record;
    if (!record)
        return;
    if (!record->sphereImage || !record->sphereMask)
        renderSphereImages(*record, status);
    stretchMaskAndPicture(canvas,
        QRect(square.left, square.top, square.right - square.left, square.bottom - square.top),
        *record->sphereMask, *record->sphereImage);
}

// A name label depends only on the atom's type name and its index, which the slot is for:
// when the type and its name are as before, the box is too, and no text need be built. The
// number is compared as well: a type renamed from "C" to "C1" must not keep "C11" for atom 11.
bool nameLabelIsCurrent(const SceneScratch::LabelSlot &slot, const FrameAtom &atom, int index,
    int labelMode, unsigned generation)
{
    if (labelMode != 0 || !slot.box || !slot.type || slot.type != atom.type
        || slot.generation != generation)
        return false;
    const std::string &name = atom.type->name;
    char digits[16];
    const auto written = std::to_chars(digits, digits + sizeof digits, index + 1);
    const std::string_view number(digits, static_cast<std::size_t>(written.ptr - digits));
    return slot.text.size() == name.size() + number.size()
        && slot.text.compare(0, name.size(), name) == 0
        && slot.text.compare(name.size(), number.size(), number) == 0;
}

// The kept box of atom index's label, held in its slot from draw to draw; nullptr for no text,
// and for a text the full cache has no room for: later is then set, and the box is drawn
// afresh when it is painted.
const LabelCache::Box *labelBox(
    SceneScratch &scratch, const Frame &frame, int index, int labelMode, bool &later)
{
    later = false;
    SceneScratch::LabelSlot &slot = scratch.labelSlots[static_cast<std::size_t>(index)];
    const unsigned generation = scratch.labels.generation();
    const FrameAtom &atom = frame.atoms[static_cast<std::size_t>(index)];
    if (nameLabelIsCurrent(slot, atom, index, labelMode, generation))
        return slot.box;
    std::string text = atomLabel(frame, index, labelMode);
    if (text.empty())
        return nullptr;
    if (!slot.box || slot.generation != generation || slot.text != text) {
        slot.box = scratch.labels.keptBox(text);
        slot.generation = generation;
        slot.text = std::move(text);
        later = slot.box == nullptr;
    }
    slot.type = labelMode == 0 ? atom.type : nullptr;
    return slot.box;
}

void paintLabel(QImage &canvas, const Vector3 &centre, const LabelCache::Box &box)
{
    // centred by integer halves of the box
    LabelCache::paste(canvas, truncToInt(centre.x - static_cast<double>(box.width / 2)),
        truncToInt(centre.y - static_cast<double>(box.height / 2)), box);
}

} // namespace

void SceneScratch::bindTo(const Frame &boundFrame, std::size_t count)
{
    frame = &boundFrame;
    screenPos.assign(count, Vector3{});
    chargeRadius.assign(count, 0.0);
    depthList.clear();
}

void SceneScratch::forget()
{
    frame = nullptr;
    screenPos.clear();
    chargeRadius.clear();
    depthList.clear();
    labelSlots.clear();
    bonds.forget();
    sticks.clear();
}

Vector3 SceneScratch::positionOf(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= screenPos.size())
        return {};
    return screenPos[static_cast<std::size_t>(index)];
}

std::size_t atomsIn(const Frame &frame)
{
    const std::size_t count = frame.atomCount > 0 ? static_cast<std::size_t>(frame.atomCount) : 0;
    return std::min(count, frame.atoms.size());
}

bool isDrawablePosition(const Vector3 &position)
{
    // written so that NaN fails every comparison
    return std::abs(position.x) <= DrawableCoordinateLimit
        && std::abs(position.y) <= DrawableCoordinateLimit
        && std::abs(position.z) <= DrawableCoordinateLimit;
}

Vector3 boundingBoxCentre(const Frame &frame)
{
    const std::size_t count = atomsIn(frame);
    bool any = false;
    Vector3 low{}, high{};
    for (std::size_t i = 0; i < count; ++i) {
        const Vector3 &p = frame.atoms[i].position;
        if (!isDrawablePosition(p))
            continue;
        if (!any) {
            low = high = p;
            any = true;
        }
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    return 0.5 * (low + high);
}

void composeFrame(const Frame &frame, QImage &canvas, SceneContext &context)
{
    SceneScratch &scratch = context.scratch;
    const SceneSettings &settings = context.settings;
    const std::size_t count = atomsIn(frame);
    scratch.bindTo(frame, count);
    if (!frame.hasAtoms())
        return;
    if (canvas.format() != QImage::Format_RGB32)
        canvas = canvas.convertToFormat(QImage::Format_RGB32);

    const bool labelled = settings.labelMode == 0 || settings.labelMode == 1;
    scratch.labelDrawn.assign(labelled ? count : 0, 0);
    if (labelled) {
        scratch.labels.prepare(context.font, context.textColor, context.textBackground, canvas);
        scratch.labelSlots.resize(count);
    }

    // Everything per atom, its label box included, is worked out in array order, which keeps
    // memory access linear; only the painting follows the depth order. The result does not
    // depend on the order of the lookups: each either stores the atom's own radius or leaves
    // the last one alone.
    scratch.squares.resize(count);
    scratch.depthEntries.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        scratch.screenPos[i] = context.view.projectToScreen(frame.atoms[i].position);
        AtomSquare &square = scratch.squares[i] = prepareAtom(frame.atoms[i], i, context);
        const bool drawable = isDrawablePosition(frame.atoms[i].position);
        if (!drawable)
            square.record = nullptr; // neither ball nor label
        if (labelled && drawable) {
            square.label = labelBox(
                scratch, frame, static_cast<int>(i), settings.labelMode, square.labelLater);
            if (square.label) {
                // centred by integer halves of the box
                square.labelLeft = truncToInt(
                    scratch.screenPos[i].x - static_cast<double>(square.label->width / 2));
                square.labelTop = truncToInt(
                    scratch.screenPos[i].y - static_cast<double>(square.label->height / 2));
            }
        }
        const std::size_t falling = count - 1 - i;
        scratch.depthEntries[falling] = {
            farFirstKey(scratch.screenPos[i].z), static_cast<std::uint32_t>(i)};
    }

    // Farthest first; at equal depth the higher index first, so the lower index is drawn
    // last and is the one a click picks.
    sortByKey(scratch.depthEntries, scratch.depthSpare);
    scratch.depthList.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        scratch.depthList[i] = static_cast<int>(scratch.depthEntries[i].index);
    // the gradient's last radius is the one of the atom drawn last, as if drawn one by one
    if (!settings.radiusByType)
        context.gradient.LevelForCharge(
            frame.atoms[static_cast<std::size_t>(scratch.depthList.back())].charge, true);

    // Each atom's half of its bonds is painted at the atom's turn in the depth order, so a
    // nearer ball hides a stick just as it hides a farther ball.
    const bool bonded = settings.showBonds && count > 1;
    if (bonded) {
        scratch.ballRadius.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            scratch.ballRadius[i] =
                atomScreenRadius(frame.atoms[i], scratch.chargeRadius[i], settings);
        layOutHalfSticks(frame, scratch.bonds.of(frame, settings.bondRule), context.view,
            scratch.screenPos, scratch.ballRadius, scratch.stickStart, scratch.sticks);
    }
    const double stickHalfWidth = settings.bondRadius * settings.atomScale;
    const auto paintSticks = [&](int index, bool inFront, CoverageMask *coverage) {
        const auto i = static_cast<std::size_t>(index);
        const AtomType *record = scratch.squares[i].record;
        if (!bonded || !record)
            return;
        for (std::uint32_t s = scratch.stickStart[i]; s < scratch.stickStart[i + 1]; ++s)
            if (scratch.sticks[s].inFront == inFront)
                paintStick(canvas, scratch.sticks[s], stickHalfWidth, record->color, coverage);
    };

    if (!labelled) {
        for (const int index : scratch.depthList) {
            paintSticks(index, false, nullptr);
            paintBall(canvas, scratch.squares[static_cast<std::size_t>(index)], context.status);
            paintSticks(index, true, nullptr);
        }
    } else {
        // Labels pile up many times over on a crowded picture, so it is painted front to
        // back: the nearest atom's label first, then its ball, then the next atom's. Each
        // pixel keeps the first paint it gets, which is the last one a painting from the back
        // would have left on it; a pixel hidden thirty times over is written once.
        scratch.coverage.reset(canvas.width(), canvas.height());
        const bool thinned = count > LabelsAlwaysUpTo;
        if (thinned)
            scratch.labelRoom.reset(canvas.width(), canvas.height());
        for (auto position = scratch.depthList.rbegin(); position != scratch.depthList.rend();
             ++position) {
            const int index = *position;
            const AtomSquare &square = scratch.squares[static_cast<std::size_t>(index)];
            const LabelCache::Box *box = square.label;
            int left = square.labelLeft, top = square.labelTop;
            if (!box && square.labelLater) {
                box = &scratch.labels.box(atomLabel(frame, index, settings.labelMode));
                const Vector3 centre = scratch.screenPos[static_cast<std::size_t>(index)];
                left = truncToInt(centre.x - static_cast<double>(box->width / 2));
                top = truncToInt(centre.y - static_cast<double>(box->height / 2));
            }
            // on a crowded frame a label that would cover a nearer one is left out
            if (box && (!thinned || scratch.labelRoom.take(left, top, box->width, box->height))) {
                LabelCache::pasteFrontToBack(canvas, left, top, *box, scratch.coverage);
                scratch.labelDrawn[static_cast<std::size_t>(index)] = 1;
            }
            paintSticks(index, true, &scratch.coverage);
            if (AtomType *record = square.record) {
                if (!record->sphereImage || !record->sphereMask)
                    renderSphereImages(*record, context.status);
                stretchBallFrontToBack(canvas,
                    QRect(square.left, square.top, square.right - square.left,
                        square.bottom - square.top),
                    *record->sphereMask, *record->sphereImage, scratch.coverage);
            }
            paintSticks(index, false, &scratch.coverage);
        }
    }

    if (context.showElectrons && context.electronCloud)
        context.electronCloud(frame, canvas);
}

void drawAtom(
    const Frame &frame, int index, QImage &canvas, const std::string &label, SceneContext &context)
{
    const auto i = static_cast<std::size_t>(index);
    SceneScratch &scratch = context.scratch;
    if (scratch.frame != &frame || i >= scratch.screenPos.size())
        return;
    paintBall(canvas, prepareAtom(frame.atoms[i], i, context), context.status);
    if (label.empty())
        return;
    scratch.labels.prepare(context.font, context.textColor, context.textBackground, canvas);
    paintLabel(canvas, scratch.screenPos[i], scratch.labels.box(label));
}

std::string atomLabel(const Frame &frame, int index, int labelMode)
{
    const FrameAtom &atom = frame.atoms[static_cast<std::size_t>(index)];
    switch (labelMode) {
    case 0:
        return (atom.type ? atom.type->name : std::string()) + std::to_string(index + 1);
    case 1:
        return formatGeneral(atom.charge, 4);
    default:
        return {};
    }
}

double atomScreenRadius(const FrameAtom &atom, double chargeRadius, const SceneSettings &settings)
{
    if (!settings.radiusByType)
        return settings.atomScale * chargeRadius;
    return atom.type ? settings.atomScale * atom.type->radius : 0.0;
}

bool hitsAtom(const FrameAtom &atom, const Vector3 &screenPos, double x, double y,
    const SceneSettings &settings)
{
    const double radius = atom.type ? settings.atomScale * atom.type->radius : 0.0;
    const double dx = x - screenPos.x;
    const double dy = y - screenPos.y;
    return std::sqrt(dx * dx + dy * dy) <= radius;
}

int pickAtom(const Frame &frame, const SceneScratch &scratch, const SceneSettings &settings,
    double x, double y)
{
    if (scratch.frame != &frame)
        return -1;
    const std::size_t count = std::min(atomsIn(frame), scratch.screenPos.size());
    int picked = -1;
    for (const int index : scratch.depthList) {
        const auto i = static_cast<std::size_t>(index);
        if (i < count && hitsAtom(frame.atoms[i], scratch.screenPos[i], x, y, settings))
            picked = index;
    }
    return picked;
}
