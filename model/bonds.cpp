#include "model/bonds.h"

#include "model/covalentradii.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

namespace {

Vector3 minus(const Vector3 &a, const Vector3 &b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double dot(const Vector3 &a, const Vector3 &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vector3 cross(const Vector3 &a, const Vector3 &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
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

struct Sorted
{
    std::vector<std::uint32_t> cellStart; ///< per cell, its first slot; one more at the end
    std::vector<Vector3> position; ///< per slot
    std::vector<double> radius; ///< per slot
    std::vector<std::uint32_t> atom; ///< per slot: the atom's index
};

template <typename Work> void onThreads(std::size_t count, int threads, Work work)
{
    const std::size_t parts = std::max<std::size_t>(
        1, std::min<std::size_t>(static_cast<std::size_t>(threads), count / AtomsPerThread));
    if (parts == 1) {
        work(std::size_t{0}, count, std::size_t{0});
        return;
    }
    std::vector<std::jthread> running;
    for (std::size_t part = 1; part < parts; ++part)
        running.emplace_back(work, count * part / parts, count * (part + 1) / parts, part);
    work(std::size_t{0}, count / parts, std::size_t{0});
}

} // namespace

MinimumImage::MinimumImage(const Frame &frame)
{
    if (!frame.cell)
        return;
    const Cell &cell = *frame.cell;
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

    // Radii looked up once per atom type rather than once per atom: frames use few types.
    std::vector<std::pair<const AtomType *, double>> known;
    const auto radiusOf = [&known](const AtomType *type) {
        for (const auto &[t, r] : known)
            if (t == type)
                return r;
        const double r = type && isElementSymbol(type->name) ? covalentRadius(type->protons) : 0.0;
        known.emplace_back(type, r);
        return r;
    };
    std::vector<double> radius(count);
    double largest = 0.0;
    const AtomType *lastType = nullptr;
    double lastRadius = radiusOf(nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        const FrameAtom &atom = frame.atoms[i];
        if (atom.type != lastType) {
            lastType = atom.type;
            lastRadius = radiusOf(atom.type);
        }
        radius[i] = withinReach(atom.position) ? lastRadius : 0.0;
        largest = std::max(largest, radius[i]);
    }
    const double reach = rule.tolerance * 2.0 * largest;
    if (!(reach > 0.0) || !std::isfinite(reach))
        return {};
    const double minimumSquared = rule.minimumDistance * rule.minimumDistance;

    const MinimumImage image(frame);
    Grid grid;
    std::vector<Vector3> gridPoint(count);
    std::array<double, 3> high{};
    for (int k = 0; k < 3; ++k) {
        grid.wraps[k] = image.repeatsAlong(k);
        grid.low[k] = grid.wraps[k] ? 0.0 : std::numeric_limits<double>::max();
        high[k] = grid.wraps[k] ? 1.0 : std::numeric_limits<double>::lowest();
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (radius[i] <= 0.0)
            continue;
        gridPoint[i] = image.fractional(frame.atoms[i].position);
        for (int k = 0; k < 3; ++k) {
            if (grid.wraps[k])
                continue;
            grid.low[k] = std::min(grid.low[k], component(gridPoint[i], k));
            high[k] = std::max(high[k], component(gridPoint[i], k));
        }
    }
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
    // neighbour loop reads them in order.
    std::vector<std::uint32_t> cellOf(count, NoCell);
    onThreads(count, threads, [&](std::size_t begin, std::size_t end, std::size_t) {
        for (std::size_t i = begin; i < end; ++i)
            if (radius[i] > 0.0)
                cellOf[i] = grid.cellOf(gridPoint[i]);
    });
    Sorted sorted;
    sorted.cellStart.assign(cellCount + 1, 0);
    for (std::size_t i = 0; i < count; ++i)
        if (cellOf[i] != NoCell)
            ++sorted.cellStart[cellOf[i] + 1];
    for (std::size_t c = 0; c < cellCount; ++c)
        sorted.cellStart[c + 1] += sorted.cellStart[c];
    const std::size_t placed = sorted.cellStart[cellCount];
    sorted.position.resize(placed);
    sorted.radius.resize(placed);
    sorted.atom.resize(placed);
    {
        std::vector<std::uint32_t> next(sorted.cellStart.begin(), sorted.cellStart.end() - 1);
        for (std::size_t i = 0; i < count; ++i) {
            if (cellOf[i] == NoCell)
                continue;
            const std::uint32_t slot = next[cellOf[i]]++;
            sorted.position[slot] = frame.atoms[i].position;
            sorted.radius[slot] = radius[i];
            sorted.atom[slot] = static_cast<std::uint32_t>(i);
        }
    }

    const std::array<std::vector<int>, 3> offsets = {
        offsetsAlong(grid, 0), offsetsAlong(grid, 1), offsetsAlong(grid, 2)};
    const int parts = static_cast<int>(std::max<std::size_t>(
        1, std::min<std::size_t>(static_cast<std::size_t>(threads), placed / AtomsPerThread)));
    std::vector<std::vector<Bond>> found(static_cast<std::size_t>(parts));
    // Each atom looks for partners of a higher index only, so every bond is found once, from
    // its first atom. The atoms are taken cell by cell, so that neighbouring atoms share the
    // cells they look into while those are at hand in the cache.
    onThreads(placed, threads, [&](std::size_t begin, std::size_t end, std::size_t part) {
        std::vector<Bond> &bonds = found[part];
        bonds.reserve((end - begin) * 2);
        for (std::size_t slot = begin; slot < end; ++slot) {
            const std::uint32_t i = sorted.atom[slot];
            const std::uint32_t cell = cellOf[i];
            const int cx = static_cast<int>(cell % static_cast<std::uint32_t>(grid.cells[0]));
            const int cy = static_cast<int>(cell / static_cast<std::uint32_t>(grid.cells[0])
                % static_cast<std::uint32_t>(grid.cells[1]));
            const int cz =
                static_cast<int>(cell / static_cast<std::uint32_t>(grid.cells[0] * grid.cells[1]));
            const Vector3 p = sorted.position[slot];
            const double r = sorted.radius[slot];
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
                    for (const int ox : offsets[0]) {
                        int x = cx + ox;
                        if (grid.wraps[0])
                            x = (x + grid.cells[0]) % grid.cells[0];
                        else if (x < 0 || x >= grid.cells[0])
                            continue;
                        const auto c =
                            static_cast<std::size_t>((z * grid.cells[1] + y) * grid.cells[0] + x);
                        for (std::uint32_t s = sorted.cellStart[c]; s < sorted.cellStart[c + 1];
                             ++s) {
                            const std::uint32_t j = sorted.atom[s];
                            if (j <= i)
                                continue;
                            Vector3 d = minus(sorted.position[s], p);
                            bool wrapped = false;
                            if (image.periodic())
                                d = image.apply(d, &wrapped);
                            const double squared = dot(d, d);
                            const double limit = rule.tolerance * (r + sorted.radius[s]);
                            if (squared < limit * limit && squared > minimumSquared)
                                bonds.push_back({i, j, wrapped});
                        }
                    }
                }
            }
        }
    });

    // In the order of their first atoms, then of their second: a counting sort by the first
    // atom, then the few bonds of each atom sorted in place.
    std::vector<std::uint32_t> groupStart(count + 1, 0);
    for (const std::vector<Bond> &part : found)
        for (const Bond &bond : part)
            ++groupStart[bond.first + 1];
    for (std::size_t i = 0; i < count; ++i)
        groupStart[i + 1] += groupStart[i];
    std::vector<Bond> bonds(groupStart[count]);
    {
        std::vector<std::uint32_t> next(groupStart.begin(), groupStart.end() - 1);
        for (const std::vector<Bond> &part : found)
            for (const Bond &bond : part)
                bonds[next[bond.first]++] = bond;
    }
    for (std::size_t i = 0; i < count; ++i)
        std::sort(bonds.begin() + groupStart[i], bonds.begin() + groupStart[i + 1],
            [](const Bond &a, const Bond &b) { return a.second < b.second; });
    return bonds;
}
