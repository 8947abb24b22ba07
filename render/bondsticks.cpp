#include "render/bondsticks.h"

#include "render/vectormath.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// A digest of everything the bonds of a frame depend on, so that a frame read again into
// the same memory, or an atom type given another element, is searched afresh.
std::uint64_t bondKey(const Frame &frame)
{
    std::uint64_t hash = 1469598103934665603ull;
    const auto mix = [&hash](std::uint64_t value) {
        hash ^= value;
        hash *= 1099511628211ull;
        hash ^= hash >> 29;
    };
    const std::size_t count = std::min(
        frame.atomCount > 0 ? static_cast<std::size_t>(frame.atomCount) : 0, frame.atoms.size());
    mix(count);
    for (std::size_t i = 0; i < count; ++i) {
        const FrameAtom &atom = frame.atoms[i];
        mix(std::bit_cast<std::uint64_t>(atom.position.x));
        mix(std::bit_cast<std::uint64_t>(atom.position.y));
        mix(std::bit_cast<std::uint64_t>(atom.position.z));
        mix(atom.type ? static_cast<std::uint64_t>(atom.type->protons) : ~std::uint64_t{0});
    }
    if (frame.cell()) {
        for (std::size_t k = 0; k < 3; ++k) {
            const Vector3 &edge = frame.cell()->edges[k];
            mix(std::bit_cast<std::uint64_t>(edge.x));
            mix(std::bit_cast<std::uint64_t>(edge.y));
            mix(std::bit_cast<std::uint64_t>(edge.z));
            mix(frame.cell()->periodic[k] ? 1 : 2);
        }
    }
    return hash;
}

std::uint32_t shaded(std::uint32_t color, double s)
{
    const auto part = [s](std::uint32_t byte) {
        return static_cast<std::uint32_t>(static_cast<double>(byte) * s);
    };
    // the model's 0x00BBGGRR becomes the picture's 0xFFRRGGBB
    return 0xFF000000u | (part(color & 0xFFu) << 16) | (part((color >> 8) & 0xFFu) << 8)
        | part((color >> 16) & 0xFFu);
}

// The x range [low, high] where c0 + c1·x lies within [from, to].
void narrow(double c0, double c1, double from, double to, double &low, double &high)
{
    if (std::abs(c1) < 1e-12) {
        if (c0 < from || c0 > to) {
            low = 1.0;
            high = 0.0;
        }
        return;
    }
    double a = (from - c0) / c1, b = (to - c0) / c1;
    if (a > b)
        std::swap(a, b);
    low = std::max(low, a);
    high = std::min(high, b);
}

} // namespace

const std::vector<Bond> &BondCache::of(const Frame &shown, const BondRule &wanted)
{
    const std::uint64_t digest = bondKey(shown);
    if (frame != &shown || key != digest || !(rule == wanted)) {
        bonds = findBonds(shown, wanted);
        frame = &shown;
        key = digest;
        rule = wanted;
    }
    return bonds;
}

const std::vector<Bond> *BondCache::keptFor(const Frame &shown) const
{
    if (frame != &shown || key != bondKey(shown))
        return nullptr;
    return &bonds;
}

void layOutHalfSticks(const Frame &frame, const std::vector<Bond> &bonds, const ViewTransform &view,
    const std::vector<Vector3> &screenPos, const std::vector<double> &ballRadius,
    std::vector<std::uint32_t> &start, std::vector<HalfStick> &sticks)
{
    const std::size_t count = screenPos.size();
    start.assign(count + 1, 0);
    for (const Bond &bond : bonds) {
        if (bond.first < count && bond.second < count) {
            ++start[bond.first + 1];
            ++start[bond.second + 1];
        }
    }
    for (std::size_t i = 0; i < count; ++i)
        start[i + 1] += start[i];
    sticks.assign(start[count], HalfStick{});
    std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
    const MinimumImage image(frame);

    // A half that points away from the viewer starts at its atom's centre, and its ball,
    // painted over it, hides what lies inside. One that points toward the viewer is painted
    // over its ball, so it starts where its axis leaves the ball.
    const auto place = [&](std::uint32_t atom, const Vector3 &middle) {
        const Vector3 centre = screenPos[atom];
        HalfStick stick{centre, middle, middle.z < centre.z};
        if (stick.inFront) {
            const Vector3 along = middle - centre;
            const double length3 = length(along);
            const double leave = length3 > 0.0 ? ballRadius[atom] / length3 : 1.0;
            if (leave >= 1.0)
                return; // the whole half lies within the ball
            stick.from = centre + leave * along;
        }
        sticks[next[atom]++] = stick;
    };
    for (const Bond &bond : bonds) {
        if (bond.first >= count || bond.second >= count)
            continue;
        const Vector3 &a = frame.atoms[bond.first].position;
        const Vector3 &b = frame.atoms[bond.second].position;
        if (!bond.acrossCell) {
            const Vector3 middle = view.projectToScreen(0.5 * (a + b));
            place(bond.first, middle);
            place(bond.second, middle);
        } else {
            const Vector3 half = 0.5 * image.apply(b - a);
            place(bond.first, view.projectToScreen(a + half));
            place(bond.second, view.projectToScreen(b - half));
        }
    }
    // halves left out leave empty slots at the ends of their groups: close the gaps
    std::size_t kept = 0;
    std::uint32_t groupStart = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t end = next[i];
        const std::uint32_t newStart = static_cast<std::uint32_t>(kept);
        for (std::uint32_t s = groupStart; s < end; ++s)
            sticks[kept++] = sticks[s];
        groupStart = start[i + 1];
        start[i] = newStart;
    }
    start[count] = static_cast<std::uint32_t>(kept);
    sticks.resize(kept);
}

void paintStick(QImage &canvas, const HalfStick &stick, double halfWidth, std::uint32_t color,
    CoverageMask *coverage)
{
    const double dx = stick.to.x - stick.from.x, dy = stick.to.y - stick.from.y;
    const double length2 = std::sqrt(dx * dx + dy * dy);
    if (!(length2 > 0.0) || !(halfWidth > 0.0) || !std::isfinite(length2)
        || !std::isfinite(halfWidth))
        return;
    const double ux = dx / length2, uy = dy / length2;
    // sample at whole pixel coordinates, as the balls are centred
    const double top = std::min(stick.from.y, stick.to.y) - halfWidth;
    const double bottom = std::max(stick.from.y, stick.to.y) + halfWidth;
    const double left = std::min(stick.from.x, stick.to.x) - halfWidth;
    const double right = std::max(stick.from.x, stick.to.x) + halfWidth;
    const int y0 = std::max(0, static_cast<int>(std::ceil(std::max(top, -1.0))));
    const int y1 =
        std::min(canvas.height() - 1, static_cast<int>(std::floor(std::min(bottom, 1e9))));
    uchar *bits = canvas.bits();
    const qsizetype bytesPerLine = canvas.bytesPerLine();
    for (int y = y0; y <= y1; ++y) {
        const double ry = y - stick.from.y;
        // along = (x - from.x)·ux + ry·uy in [0, length2]; across = -(x - from.x)·uy + ry·ux
        // in [-halfWidth, halfWidth]
        double low = std::max(left, 0.0), high = std::min(right, double(canvas.width() - 1));
        narrow(ry * uy - stick.from.x * ux, ux, 0.0, length2, low, high);
        narrow(ry * ux + stick.from.x * uy, -uy, -halfWidth, halfWidth, low, high);
        if (low > high)
            continue;
        const int x0 = static_cast<int>(std::ceil(low));
        const int x1 = static_cast<int>(std::floor(high));
        if (x0 > x1)
            continue;
        auto *line = reinterpret_cast<std::uint32_t *>(bits + y * bytesPerLine);
        const auto pixelAt = [&](int x) {
            const double across = (ry * ux - (x - stick.from.x) * uy) / halfWidth;
            return shaded(color, std::sqrt(std::max(0.0, 1.0 - across * across)));
        };
        if (coverage)
            coverage->claim(
                y, x0, x1 + 1, [](int) { return true; }, [&](int x) { line[x] = pixelAt(x); });
        else
            for (int x = x0; x <= x1; ++x)
                line[x] = pixelAt(x);
    }
}
