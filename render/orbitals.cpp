#include "render/orbitals.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// The factors 1/π, 1/(2π), 1/(3π) and 1/(6π) as the orbital table has always used them,
// which differ from the exact reciprocals in the eleventh digit.
constexpr double InversePi = 0.318309886142228;
constexpr double InverseTwoPi = 0.159154943071114;
constexpr double InverseThreePi = 0.106103295380743;
constexpr double InverseSixPi = 0.0530516476903713;
constexpr double OneOver81 = 0.012345679012345678;
constexpr double TwoOver81 = 0.024691358024691357;
// e^(-ρ/n) is taken as e^(-ρ·decay[n])
constexpr double Decay[4] = {0.0, 1.0, 0.5, 1.0 / 3.0};

enum Shape {
    None,
    S1,
    S2,
    P2x,
    P2y,
    P2z,
    S3,
    P3x,
    P3y,
    P3z,
    D3xy,
    D3xz,
    D3yz,
    D3x2y2,
    D3z2,
};

Shape shapeOf(const OrbitalTerm &term)
{
    if (term.n == 1)
        return S1;
    if (term.n == 2) {
        if (term.l == 0)
            return S2;
        if (term.l == 1 && term.m >= -1 && term.m <= 1)
            return static_cast<Shape>(P2x + term.m + 1);
    } else if (term.n == 3) {
        if (term.l == 0)
            return S3;
        if (term.l == 1 && term.m >= -1 && term.m <= 1)
            return static_cast<Shape>(P3x + term.m + 1);
        if (term.l == 2 && term.m >= -2 && term.m <= 2)
            return static_cast<Shape>(D3xy + term.m + 2);
    }
    return None;
}

// The factors that stand before the first point-dependent one in the shape's row, multiplied
// in the row's order so that hoisting them changes no bit.
double leadingFactors(Shape shape, double Z)
{
    const double cube = Z * Z * Z;
    switch (shape) {
    case S1:
        return std::sqrt(cube * InversePi);
    case S2:
        return 0.25 * std::sqrt(cube * InverseTwoPi);
    case P2x:
    case P2y:
    case P2z:
        return 0.25 * std::sqrt(cube * InverseTwoPi) * Z;
    case S3:
        return OneOver81 * std::sqrt(cube * InverseThreePi);
    case P3x:
    case P3y:
    case P3z:
        return TwoOver81 * std::sqrt(cube * InverseTwoPi);
    case D3xy:
    case D3xz:
    case D3yz:
        return TwoOver81 * std::sqrt(cube * InverseTwoPi) * (Z * Z);
    case D3x2y2:
        return OneOver81 * std::sqrt(cube * InverseTwoPi) * (Z * Z);
    case D3z2:
        return OneOver81 * std::sqrt(cube * InverseSixPi);
    case None:
        break;
    }
    return 0.0;
}

constexpr int shellOf(Shape shape)
{
    return shape == S1 ? 1 : shape <= P2z ? 2 : 3;
}

// The row's value from its leading factors k, the scaled distance rho and the exponential e.
[[gnu::always_inline]] inline double shapeValue(
    Shape shape, double k, double Z, double rho, double dx, double dy, double dz, double e)
{
    switch (shape) {
    case S1:
        return k * e;
    case S2:
        return k * (2.0 - rho) * e;
    case P2x:
        return k * dx * e;
    case P2y:
        return k * dy * e;
    case P2z:
        return k * dz * e;
    case S3:
        return k * (27.0 - 18.0 * rho + 2.0 * rho * rho) * e;
    case P3x:
        return k * (6.0 - rho) * Z * dx * e;
    case P3y:
        return k * (6.0 - rho) * Z * dy * e;
    case P3z:
        return k * (6.0 - rho) * Z * dz * e;
    case D3xy:
        return k * dx * dy * e;
    case D3xz:
        return k * dx * dz * e;
    case D3yz:
        return k * dy * dz * e;
    case D3x2y2:
        return k * (dx * dx - dy * dy) * e;
    case D3z2:
        return k * (3.0 * (Z * Z) * (dz * dz) - rho * rho) * e;
    case None:
        break;
    }
    return 0.0;
}

// A bound of |shapeValue| over every direction at the distance r (ρ = Z·r), from its leading
// factors k: each product of offsets is at most the matching power of r.
double shapeBound(Shape shape, double k, double Z, double r, double e)
{
    const double rho = Z * r;
    switch (shape) {
    case S1:
        return k * e;
    case S2:
        return k * (2.0 + rho) * e;
    case P2x:
    case P2y:
    case P2z:
        return k * r * e;
    case S3:
        return k * (27.0 + 18.0 * rho + 2.0 * rho * rho) * e;
    case P3x:
    case P3y:
    case P3z:
        return k * (6.0 + rho) * rho * e;
    case D3xy:
    case D3xz:
    case D3yz:
    case D3x2y2:
        return k * r * r * e;
    case D3z2:
        return k * 2.0 * rho * rho * e;
    case None:
        break;
    }
    return 0.0;
}

inline double scaledDistance(double Z, double dx, double dy, double dz)
{
    return Z * std::sqrt(dx * dx + dy * dy + dz * dz);
}

[[gnu::always_inline]] inline double exponential(double rho, int shell)
{
    return std::exp(-rho * Decay[shell]);
}

// The charge-weighted value of one atom, and the density's running total.
inline double weighted(double value, bool isWeighted, double charge)
{
    return isWeighted ? value * charge : value;
}

inline void accumulate(double &total, double f, int model)
{
    if (model == 0)
        total += f * f;
    else
        total += f;
}

inline double finish(double total, int model)
{
    return model == 0 ? total : total * total;
}

} // namespace

double orbitalValue(const OrbitalTerm &term, double Z, double dx, double dy, double dz)
{
    const Shape shape = shapeOf(term);
    if (shape == None)
        return 0.0;
    const double rho = scaledDistance(Z, dx, dy, dz);
    return shapeValue(
        shape, leadingFactors(shape, Z), Z, rho, dx, dy, dz, exponential(rho, shellOf(shape)));
}

double atomWaveValue(const Frame &frame, const FrameAtom &atom, const Vector3 &point)
{
    // Slater- and Gauss-type expansions add nothing; without a type there is no Z
    if (frame.activeOrbitalFamily(atom) != 0 || !atom.type)
        return 0.0;
    const double Z = atom.type->protons;
    const double dx = point.x - atom.position.x;
    const double dy = point.y - atom.position.y;
    const double dz = point.z - atom.position.z;
    double sum = 0.0;
    for (const OrbitalTerm &term : frame.activeOrbitals(atom)) {
        if (term.coefficient == 0.0)
            continue;
        sum += term.coefficient * orbitalValue(term, Z, dx, dy, dz);
    }
    return sum;
}

double densityAt(const Frame &frame, const Vector3 &point, const DensitySettings &settings)
{
    const std::size_t count =
        std::min(frame.atoms.size(), static_cast<std::size_t>(std::max(frame.atomCount, 0)));
    double total = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const FrameAtom &atom = frame.atoms[i];
        accumulate(total,
            weighted(atomWaveValue(frame, atom, point), settings.ChargeWeighted, atom.charge),
            settings.ComputingModel);
    }
    return finish(total, settings.ComputingModel);
}

namespace {

// The ρ beyond which shapeBound falls monotonically.
double fallsFrom(Shape shape)
{
    switch (shape) {
    case P2x:
    case P2y:
    case P2z:
        return 2.0;
    case S3:
        return 2.5; // 27 - 6ρ - 2ρ² < 0
    case P3x:
    case P3y:
    case P3z:
        return 4.25; // 18 - ρ² < 0
    case D3xy:
    case D3xz:
    case D3yz:
    case D3x2y2:
    case D3z2:
        return 6.0;
    default:
        return 0.0;
    }
}

// The distance beyond which the atom's value stays below NegligibleValue, found by halving an
// interval where the bound of every row falls.
double reachOf(const DensityField::Atom &atom, const std::vector<DensityField::Term> &terms)
{
    const auto bound = [&](double r) {
        double sum = 0.0;
        for (int t = atom.firstTerm; t < atom.endTerm; ++t) {
            const DensityField::Term &term = terms[static_cast<std::size_t>(t)];
            const int shell = term.shape == None ? 1 : shellOf(static_cast<Shape>(term.shape));
            sum += std::fabs(term.coefficient)
                * shapeBound(static_cast<Shape>(term.shape), std::fabs(term.constant), atom.Z, r,
                    exponential(atom.Z * r, shell));
        }
        return atom.weighted ? sum * std::fabs(atom.weight) : sum;
    };
    constexpr double Negligible = DensityField::NegligibleValue;
    constexpr double Infinite = std::numeric_limits<double>::infinity();
    // the sum of the terms' sizes: 0 when nothing is added anywhere, not finite when the
    // values are not numbers
    double size = 0.0;
    for (int t = atom.firstTerm; t < atom.endTerm; ++t) {
        const DensityField::Term &term = terms[static_cast<std::size_t>(t)];
        size += std::fabs(term.coefficient) * std::fabs(term.constant);
    }
    if (atom.weighted)
        size *= std::fabs(atom.weight);
    if (size == 0.0)
        return 0.0;
    if (!std::isfinite(size) || !(atom.Z > 0.0) || !std::isfinite(atom.Z))
        return Infinite;
    // the bound of every row falls from the ρ at which it is largest
    double largestAt = 0.0;
    for (int t = atom.firstTerm; t < atom.endTerm; ++t)
        largestAt = std::max(
            largestAt, fallsFrom(static_cast<Shape>(terms[static_cast<std::size_t>(t)].shape)));
    double near = largestAt / atom.Z;
    double far = std::max(near, 1.0 / atom.Z);
    for (int doubling = 0; !(bound(far) <= Negligible); ++doubling) {
        if (doubling == 64)
            return Infinite;
        near = far;
        far *= 2.0;
    }
    for (int halving = 0; halving < 40; ++halving) {
        const double middle = 0.5 * (near + far);
        (bound(middle) <= Negligible ? far : near) = middle;
    }
    return far;
}

} // namespace

DensityField::DensityField(const Frame &frame, const DensitySettings &settings)
    : model(settings.ComputingModel == 0 ? 0 : 1)
{
    const std::size_t count =
        std::min(frame.atoms.size(), static_cast<std::size_t>(std::max(frame.atomCount, 0)));
    atoms.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const FrameAtom &atom = frame.atoms[i];
        Atom flat{atom.position, 0.0, atom.charge, settings.ChargeWeighted,
            static_cast<int>(terms.size()), static_cast<int>(terms.size()), 0, 0.0};
        if (frame.activeOrbitalFamily(atom) == 0 && atom.type) {
            flat.Z = atom.type->protons;
            for (const OrbitalTerm &term : frame.activeOrbitals(atom)) {
                if (term.coefficient == 0.0)
                    continue;
                const Shape shape = shapeOf(term);
                // a term outside the table adds coefficient × 0, which is the same as nothing
                // unless the coefficient is not finite
                if (shape == None && std::isfinite(term.coefficient))
                    continue;
                terms.push_back({leadingFactors(shape, flat.Z), shape, term.coefficient});
                const int shell = shape == None ? 0 : shellOf(shape);
                if (shell != 0)
                    flat.shell = flat.shell == 0 || flat.shell == shell ? shell : MixedShells;
            }
            flat.endTerm = static_cast<int>(terms.size());
        }
        flat.reach = reachOf(flat, terms);
        atoms.push_back(flat);
    }
}

namespace {

// One term added at every point: the row is fixed, so the loop carries no dispatch.
template <int Row>
void addTerm(const DensityField::Term &term, double Z, DensityWork &work, std::size_t count)
{
    constexpr auto shape = static_cast<Shape>(Row);
    const double *e = work.e[shape == None ? 0 : shellOf(shape)].data();
    double *sum = work.sum.data();
    for (std::size_t s = 0; s < count; ++s) {
        const double value = shape == None ? 0.0
                                           : shapeValue(shape, term.constant, Z, work.rho[s],
                                               work.dx[s], work.dy[s], work.dz[s], e[s]);
        sum[s] += term.coefficient * value;
    }
}

// An atom of one term straight into the densities, its exponential taken on the way: the
// atom's value is 0 + coefficient × value, which is exactly coefficient × value here, since a
// density total is never -0.
template <int Row>
void addOnlyTerm(const DensityField::Term &term, const DensityField::Atom &atom, int model,
    DensityWork &work, double *__restrict densities, std::size_t count)
{
    constexpr auto shape = static_cast<Shape>(Row);
    constexpr int shell = shape == None ? 0 : shellOf(shape);
    for (std::size_t s = 0; s < count; ++s) {
        const double rho = work.rho[s];
        const double value = shape == None
            ? 0.0
            : shapeValue(shape, term.constant, atom.Z, rho, work.dx[s], work.dy[s], work.dz[s],
                exponential(rho, shell));
        accumulate(
            densities[s], weighted(term.coefficient * value, atom.weighted, atom.weight), model);
    }
}

using TermAdder = void (*)(const DensityField::Term &, double, DensityWork &, std::size_t);
using OnlyTermAdder = void (*)(const DensityField::Term &, const DensityField::Atom &, int,
    DensityWork &, double *, std::size_t);
template <std::size_t... Rows>
constexpr std::array<TermAdder, sizeof...(Rows)> makeAdders(std::index_sequence<Rows...>)
{
    return {addTerm<static_cast<int>(Rows)>...};
}
template <std::size_t... Rows>
constexpr std::array<OnlyTermAdder, sizeof...(Rows)> makeOnlyAdders(std::index_sequence<Rows...>)
{
    return {addOnlyTerm<static_cast<int>(Rows)>...};
}
constexpr auto TermAdders = makeAdders(std::make_index_sequence<D3z2 + 1>());
constexpr auto OnlyTermAdders = makeOnlyAdders(std::make_index_sequence<D3z2 + 1>());

} // namespace

namespace {

// dx, dy, dz and ρ of every point from the atom, two points at a time where the processor has
// paired arithmetic, which rounds exactly as the single operations do, in the same order.
void distances(const DensityField::Atom &atom, const double *__restrict x,
    const double *__restrict y, const double *__restrict z, std::size_t count, DensityWork &work)
{
    double *__restrict dx = work.dx.data();
    double *__restrict dy = work.dy.data();
    double *__restrict dz = work.dz.data();
    double *__restrict rho = work.rho.data();
    std::size_t s = 0;
#ifdef __SSE2__
    const __m128d ax = _mm_set1_pd(atom.position.x);
    const __m128d ay = _mm_set1_pd(atom.position.y);
    const __m128d az = _mm_set1_pd(atom.position.z);
    const __m128d Z = _mm_set1_pd(atom.Z);
    for (; s + 2 <= count; s += 2) {
        const __m128d px = _mm_sub_pd(_mm_loadu_pd(x + s), ax);
        const __m128d py = _mm_sub_pd(_mm_loadu_pd(y + s), ay);
        const __m128d pz = _mm_sub_pd(_mm_loadu_pd(z + s), az);
        _mm_storeu_pd(dx + s, px);
        _mm_storeu_pd(dy + s, py);
        _mm_storeu_pd(dz + s, pz);
        const __m128d squared =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(px, px), _mm_mul_pd(py, py)), _mm_mul_pd(pz, pz));
        _mm_storeu_pd(rho + s, _mm_mul_pd(Z, _mm_sqrt_pd(squared)));
    }
#endif
    for (; s < count; ++s) {
        dx[s] = x[s] - atom.position.x;
        dy[s] = y[s] - atom.position.y;
        dz[s] = z[s] - atom.position.z;
        rho[s] = scaledDistance(atom.Z, dx[s], dy[s], dz[s]);
    }
}

} // namespace

void DensityWork::resize(std::size_t count)
{
    if (sum.size() >= count)
        return;
    for (std::vector<double> *part : {&dx, &dy, &dz, &rho, &sum, &e[0], &e[1], &e[2], &e[3]})
        part->resize(count);
}

void DensityField::atPoints(const double *x, const double *y, const double *z, std::size_t count,
    double *densities, DensityWork &work) const
{
    work.resize(count);
    std::fill(densities, densities + count, 0.0);
    for (const Atom &atom : atoms)
        addAtom(atom, x, y, z, count, densities, work);
    for (std::size_t s = 0; s < count; ++s)
        densities[s] = finish(densities[s], model);
}

void DensityField::atPoints(const double *x, const double *y, const double *z, std::size_t count,
    double *densities, DensityWork &work, std::span<const int> only) const
{
    work.resize(count);
    std::fill(densities, densities + count, 0.0);
    for (const int index : only)
        addAtom(atoms[static_cast<std::size_t>(index)], x, y, z, count, densities, work);
    for (std::size_t s = 0; s < count; ++s)
        densities[s] = finish(densities[s], model);
}

void DensityField::addAtom(const Atom &atom, const double *x, const double *y, const double *z,
    std::size_t count, double *densities, DensityWork &work) const
{
    if (atom.endTerm - atom.firstTerm == 1) {
        distances(atom, x, y, z, count, work);
        const Term &term = terms[static_cast<std::size_t>(atom.firstTerm)];
        OnlyTermAdders[static_cast<std::size_t>(term.shape)](
            term, atom, model, work, densities, count);
        return;
    }
    std::fill(work.sum.begin(), work.sum.begin() + static_cast<std::ptrdiff_t>(count), 0.0);
    if (atom.firstTerm != atom.endTerm) {
        distances(atom, x, y, z, count, work);
        // each shell's exponential once per point, for the shells the atom's terms use
        for (int shell = 1; shell <= 3; ++shell) {
            if (atom.shell != shell && atom.shell != MixedShells)
                continue;
            double *e = work.e[static_cast<std::size_t>(shell)].data();
            for (std::size_t s = 0; s < count; ++s)
                e[s] = exponential(work.rho[s], shell);
        }
        for (int t = atom.firstTerm; t < atom.endTerm; ++t) {
            const Term &term = terms[static_cast<std::size_t>(t)];
            TermAdders[static_cast<std::size_t>(term.shape)](term, atom.Z, work, count);
        }
    }
    for (std::size_t s = 0; s < count; ++s)
        accumulate(densities[s], weighted(work.sum[s], atom.weighted, atom.weight), model);
}
