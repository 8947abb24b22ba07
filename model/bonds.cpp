#include "model/bonds.h"

#include "model/covalentradii.h"
#include "model/vectorops.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

namespace {

using namespace vectorops;

double component(const Vector3 &v, int k)
{
    return k == 0 ? v.x : (k == 1 ? v.y : v.z);
}
// Positions beyond this (or not finite) are left out of the grid: one atom at 1e300 would
// stretch the grid until every other atom shared a cell and the search became quadratic.
constexpr double FarthestPosition = 1e150;
bool withinReach(const Vector3 &v)
{
    return std::abs(v.x) <= FarthestPosition && std::abs(v.y) <= FarthestPosition
        && std::abs(v.z) <= FarthestPosition;
}

constexpr std::uint32_t NoCell = std::numeric_limits<std::uint32_t>::max();
// Small frames are done on one thread: starting threads would cost more than the search.
constexpr std::size_t AtomsPerThread = 20000;

// The uniform grid the atoms are sorted into. Along a repeating edge its coordinate is the
// fractional one, wrapped into [0, 1); along the others the fractional or, without a cell,
// the Cartesian coordinate from its lowest value. Every cell is at least one longest bond
// wide, so the partners of an atom lie in its own cell or the 26 around it.
struct Grid
{
    std::array<int, 3> cells{1, 1, 1};
    std::array<double, 3> low{};
    std::array<double, 3> perCell{}; ///< cells per unit of the coordinate
    std::array<bool, 3> wraps{};

    std::uint32_t cellOf(const Vector3 &q) const
    {
        std::array<int, 3> c{};
        for (int k = 0; k < 3; ++k) {
            double v = component(q, k);
            if (wraps[k])
                v -= std::floor(v);
            const double at = std::floor((v - low[k]) * perCell[k]);
            c[k] = static_cast<int>(std::clamp(at, 0.0, double(cells[k] - 1)));
        }
        return static_cast<std::uint32_t>((c[2] * cells[1] + c[1]) * cells[0] + c[0]);
    }
};

// The cell offsets to visit along one axis: each neighbouring cell once, also where a
// repeating axis has fewer than three cells and -1 and +1 name the same one.
std::vector<int> offsetsAlong(const Grid &grid, int k)
{
    if (grid.wraps[k] && grid.cells[k] == 1)
        return {0};
    if (grid.wraps[k] && grid.cells[k] == 2)
        return {0, 1};
    return {-1, 0, 1};
}

// What one part of the atoms gathers on its thread.
struct PartScratch
{
    double largest = 0.0; ///< the largest radius among the part's atoms
    std::array<double, 3> low{}, high{}; ///< the range of their grid coordinates
    std::vector<std::uint32_t> counts; ///< per cell: atoms counted, then their next slot
    std::vector<Bond> bonds; ///< found from the part's atoms, in slot order
};

// The working arrays of one search. They are kept for the next frame on the same thread, so a
// playing trajectory does not ask the system for fresh memory (and take its page faults) on
// every frame.
struct Scratch
{
    std::vector<double> radius; ///< per atom; 0 for an atom that is left out
    std::vector<Vector3> gridPoint; ///< per atom
    std::vector<std::uint32_t> cellOf; ///< per atom
    std::vector<std::uint32_t> bondCount; ///< per atom: its bonds, then where they go
    std::vector<std::uint32_t> cellStart; ///< per cell, its first slot; one more at the end
    std::vector<Vector3> position; ///< per slot
    std::vector<double> slotRadius; ///< per slot
    std::vector<std::uint32_t> atom; ///< per slot: the atom's index
    std::vector<PartScratch> parts;
};
thread_local Scratch scratch;

// Runs work(part) for every part, the first on the calling thread.
template <typename Work> void onThreads(std::size_t parts, Work work)
{
    std::vector<std::jthread> running;
    for (std::size_t part = 1; part < parts; ++part)
        running.emplace_back(work, part);
    work(std::size_t{0});
}

} // namespace

MinimumImage::MinimumImage(const Frame &frame)
{
    if (!frame.cell())
        return;
    const Cell &cell = *frame.cell();
    const Vector3 &a = cell.edges[0], &b = cell.edges[1], &c = cell.edges[2];
    const double volume = dot(a, cross(b, c));
    if (!std::isfinite(volume) || std::abs(volume) < 1e-9)
        return;
    // the rows of the inverse of the matrix whose columns are the edges
    inverseRows = {cross(b, c), cross(c, a), cross(a, b)};
    for (int k = 0; k < 3; ++k) {
        Vector3 &row = inverseRows[static_cast<std::size_t>(k)];
        const double length = std::sqrt(dot(row, row));
        heights[static_cast<std::size_t>(k)] = std::abs(volume) / length;
        row = {row.x / volume, row.y / volume, row.z / volume};
        along[static_cast<std::size_t>(k)] = cell.periodic[static_cast<std::size_t>(k)];
        repeats = repeats || along[static_cast<std::size_t>(k)];
    }
    edges = cell.edges;
}

Vector3 MinimumImage::fractional(const Vector3 &p) const
{
    if (!repeats)
        return p;
    return {dot(inverseRows[0], p), dot(inverseRows[1], p), dot(inverseRows[2], p)};
}

Vector3 MinimumImage::apply(const Vector3 &d, bool *wrapped) const
{
    if (wrapped)
        *wrapped = false;
    if (!repeats)
        return d;
    Vector3 result = d;
    for (std::size_t k = 0; k < 3; ++k) {
        if (!along[k])
            continue;
        const double shift = std::nearbyint(dot(inverseRows[k], d));
        if (shift != 0.0) {
            result = {result.x - shift * edges[k].x, result.y - shift * edges[k].y,
                result.z - shift * edges[k].z};
            if (wrapped)
                *wrapped = true;
        }
    }
    return result;
}

Vector3 bondVector(const Frame &frame, const MinimumImage &image, const Bond &bond)
{
    const Vector3 d = minus(frame.atoms[bond.second].position, frame.atoms[bond.first].position);
    return bond.acrossCell ? image.apply(d) : d;
}

std::vector<Bond> findBonds(const Frame &frame, const BondRule &rule, int threads)
{
    const std::size_t count = std::min(
        frame.atomCount > 0 ? static_cast<std::size_t>(frame.atomCount) : 0, frame.atoms.size());
    if (count < 2 || count >= NoCell || !(rule.tolerance > 0.0) || !std::isfinite(rule.tolerance))
        return {};
    if (threads <= 0)
        threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const std::size_t parts = std::max<std::size_t>(
        1, std::min<std::size_t>(static_cast<std::size_t>(threads), count / AtomsPerThread));
    // Every pass below is split into the same parts of the atoms, each on its own thread.
    const auto begins = [&](std::size_t part) { return count * part / parts; };

    Scratch &s = scratch;
    s.radius.resize(count);
    s.gridPoint.resize(count);
    s.cellOf.resize(count);
    s.bondCount.resize(count + 1);
    s.parts.resize(parts);

    // Radii, looked up once per atom type rather than once per atom (frames use few types),
    // and the range of the grid coordinates.
    const MinimumImage image(frame);
    Grid grid;
    for (int k = 0; k < 3; ++k)
        grid.wraps[k] = image.repeatsAlong(k);
    onThreads(parts, [&](std::size_t part) {
        PartScratch &mine = s.parts[part];
        mine.largest = 0.0;
        for (int k = 0; k < 3; ++k) {
            mine.low[k] = std::numeric_limits<double>::max();
            mine.high[k] = std::numeric_limits<double>::lowest();
        }
        std::vector<std::pair<const AtomType *, double>> known;
        const auto radiusOf = [&known](const AtomType *type) {
            for (const auto &[t, r] : known)
                if (t == type)
                    return r;
            const double r =
                type && isElementSymbol(type->name) ? covalentRadius(type->protons) : 0.0;
            known.emplace_back(type, r);
            return r;
        };
        for (std::size_t i = begins(part); i < begins(part + 1); ++i) {
            const FrameAtom &atom = frame.atoms[i];
            const double r = withinReach(atom.position) ? radiusOf(atom.type) : 0.0;
            s.radius[i] = r;
            s.bondCount[i] = 0;
            if (r <= 0.0)
                continue;
            mine.largest = std::max(mine.largest, r);
            const Vector3 q = image.fractional(atom.position);
            s.gridPoint[i] = q;
            for (int k = 0; k < 3; ++k) {
                mine.low[k] = std::min(mine.low[k], component(q, k));
                mine.high[k] = std::max(mine.high[k], component(q, k));
            }
        }
    });
    double largest = 0.0;
    std::array<double, 3> high{};
    for (int k = 0; k < 3; ++k) {
        grid.low[k] = grid.wraps[k] ? 0.0 : std::numeric_limits<double>::max();
        high[k] = grid.wraps[k] ? 1.0 : std::numeric_limits<double>::lowest();
    }
    for (const PartScratch &part : s.parts) {
        largest = std::max(largest, part.largest);
        for (int k = 0; k < 3; ++k) {
            if (grid.wraps[k])
                continue;
            grid.low[k] = std::min(grid.low[k], part.low[k]);
            high[k] = std::max(high[k], part.high[k]);
        }
    }
    const double reach = rule.tolerance * 2.0 * largest;
    if (!(reach > 0.0) || !std::isfinite(reach))
        return {};
    const double minimumSquared = rule.minimumDistance * rule.minimumDistance;

    // A grid of about as many cells as atoms at most: a sparse frame gets wider cells.
    const double cellLimit = std::max(8.0, 2.0 * double(count));
    std::array<double, 3> wanted{};
    for (int k = 0; k < 3; ++k) {
        // a unit of a fractional coordinate spans the cell's height across that edge
        const double unit = image.periodic() ? image.height(k) : 1.0;
        const double extent = std::max(0.0, high[k] - grid.low[k]) * unit;
        wanted[k] = std::clamp(std::floor(extent / reach), 1.0, 1048576.0);
        if (!std::isfinite(extent))
            wanted[k] = 1.0;
    }
    while (wanted[0] * wanted[1] * wanted[2] > cellLimit) {
        const double shrink = std::cbrt(cellLimit / (wanted[0] * wanted[1] * wanted[2]));
        for (double &w : wanted)
            w = std::max(1.0, std::floor(w * shrink));
    }
    for (int k = 0; k < 3; ++k) {
        grid.cells[k] = static_cast<int>(wanted[k]);
        const double span = high[k] - grid.low[k];
        grid.perCell[k] = span > 0.0 && std::isfinite(span) ? grid.cells[k] / span : 0.0;
    }
    const std::size_t cellCount =
        static_cast<std::size_t>(grid.cells[0]) * grid.cells[1] * grid.cells[2];

    // Counting sort of the atoms by cell, positions and radii copied along so that the
    // neighbour loop reads them in order. Each part counts its own atoms per cell; the sums
    // give every part its own run of slots in each cell, so the parts place their atoms side
    // by side, in the order of their indices as one thread would.
    onThreads(parts, [&](std::size_t part) {
        std::vector<std::uint32_t> &counts = s.parts[part].counts;
        counts.assign(cellCount, 0);
        for (std::size_t i = begins(part); i < begins(part + 1); ++i) {
            if (s.radius[i] <= 0.0) {
                s.cellOf[i] = NoCell;
                continue;
            }
            const std::uint32_t cell = grid.cellOf(s.gridPoint[i]);
            s.cellOf[i] = cell;
            ++counts[cell];
        }
    });
    s.cellStart.resize(cellCount + 1);
    std::uint32_t placed = 0;
    for (std::size_t c = 0; c < cellCount; ++c) {
        s.cellStart[c] = placed;
        for (PartScratch &part : s.parts) {
            const std::uint32_t n = part.counts[c];
            part.counts[c] = placed;
            placed += n;
        }
    }
    s.cellStart[cellCount] = placed;
    s.position.resize(placed);
    s.slotRadius.resize(placed);
    s.atom.resize(placed);
    onThreads(parts, [&](std::size_t part) {
        std::vector<std::uint32_t> &next = s.parts[part].counts;
        for (std::size_t i = begins(part); i < begins(part + 1); ++i) {
            if (s.cellOf[i] == NoCell)
                continue;
            const std::uint32_t slot = next[s.cellOf[i]]++;
            s.position[slot] = frame.atoms[i].position;
            s.slotRadius[slot] = s.radius[i];
            s.atom[slot] = static_cast<std::uint32_t>(i);
        }
    });

    const std::array<std::vector<int>, 3> offsets = {
        offsetsAlong(grid, 0), offsetsAlong(grid, 1), offsetsAlong(grid, 2)};
    // Each atom looks for partners of a higher index only, so every bond is found once, from
    // its first atom, by the one part that holds that atom. The atoms are taken cell by cell,
    // so that neighbouring atoms share the cells they look into while those are in the cache.
    onThreads(parts, [&](std::size_t part) {
        std::vector<Bond> &bonds = s.parts[part].bonds;
        bonds.clear();
        const std::size_t end = placed * (part + 1) / parts;
        for (std::size_t slot = placed * part / parts; slot < end; ++slot) {
            const std::uint32_t i = s.atom[slot];
            const std::uint32_t cell = s.cellOf[i];
            const int cx = static_cast<int>(cell % static_cast<std::uint32_t>(grid.cells[0]));
            const int cy = static_cast<int>(cell / static_cast<std::uint32_t>(grid.cells[0])
                % static_cast<std::uint32_t>(grid.cells[1]));
            const int cz =
                static_cast<int>(cell / static_cast<std::uint32_t>(grid.cells[0] * grid.cells[1]));
            const Vector3 p = s.position[slot];
            const double r = s.slotRadius[slot];
            const std::size_t before = bonds.size();
            const auto visit = [&](std::uint32_t from, std::uint32_t to) {
                for (std::uint32_t t = from; t < to; ++t) {
                    const std::uint32_t j = s.atom[t];
                    if (j <= i)
                        continue;
                    Vector3 d = minus(s.position[t], p);
                    bool wrapped = false;
                    if (image.periodic())
                        d = image.apply(d, &wrapped);
                    const double squared = dot(d, d);
                    const double limit = rule.tolerance * (r + s.slotRadius[t]);
                    if (squared < limit * limit && squared > minimumSquared)
                        bonds.push_back({i, j, wrapped});
                }
            };
            for (const int oz : offsets[2]) {
                int z = cz + oz;
                if (grid.wraps[2])
                    z = (z + grid.cells[2]) % grid.cells[2];
                else if (z < 0 || z >= grid.cells[2])
                    continue;
                for (const int oy : offsets[1]) {
                    int y = cy + oy;
                    if (grid.wraps[1])
                        y = (y + grid.cells[1]) % grid.cells[1];
                    else if (y < 0 || y >= grid.cells[1])
                        continue;
                    const std::size_t row =
                        static_cast<std::size_t>(z * grid.cells[1] + y) * grid.cells[0];
                    // The cells of a row lie side by side in slot order: unless the row
                    // wraps around here, its three cells are one run of slots.
                    if (!grid.wraps[0] || (cx > 0 && cx + 1 < grid.cells[0])) {
                        const std::size_t from =
                            row + static_cast<std::size_t>(std::max(cx - 1, 0));
                        const std::size_t to =
                            row + static_cast<std::size_t>(std::min(cx + 1, grid.cells[0] - 1));
                        visit(s.cellStart[from], s.cellStart[to + 1]);
                        continue;
                    }
                    for (const int ox : offsets[0]) {
                        const int x = (cx + ox + grid.cells[0]) % grid.cells[0];
                        const std::size_t c = row + static_cast<std::size_t>(x);
                        visit(s.cellStart[c], s.cellStart[c + 1]);
                    }
                }
            }
            s.bondCount[i] = static_cast<std::uint32_t>(bonds.size() - before);
        }
    });

    // In the order of their first atoms, then of their second. The bonds of one atom were
    // found together, so each part copies its runs to where the counts put them and sorts
    // the few bonds of each run in place.
    std::uint32_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t n = s.bondCount[i];
        s.bondCount[i] = total;
        total += n;
    }
    std::vector<Bond> result(total);
    onThreads(parts, [&](std::size_t part) {
        const std::vector<Bond> &bonds = s.parts[part].bonds;
        for (std::size_t run = 0; run < bonds.size();) {
            std::size_t end = run + 1;
            while (end < bonds.size() && bonds[end].first == bonds[run].first)
                ++end;
            const auto to = result.begin() + s.bondCount[bonds[run].first];
            std::copy(bonds.begin() + static_cast<std::ptrdiff_t>(run),
                bonds.begin() + static_cast<std::ptrdiff_t>(end), to);
            std::sort(to, to + static_cast<std::ptrdiff_t>(end - run),
                [](const Bond &a, const Bond &b) { return a.second < b.second; });
            run = end;
        }
    });
    return result;
}
