#pragma once

#include "model/frame.h"
#include "render/cloudcontext.h"
#include "render/orbitals.h"

#include <cstdint>
#include <vector>

// The 3D model of the electron cloud, one pixel at a time: a ray per pixel integrating the
// density of the atoms' orbitals with emission and absorption, and the colour it leaves. Every
// pixel depends only on its own ray and its old colour.

/// What one ray of the 3D model gathers: the integrated density, the emitted density weighted
/// by the light that reaches the viewer, and the same weighted by relative depth.
struct RayResult
{
    double density = 0.0;
    double emission = 0.0;
    double depthTone = 0.0;
};

/// e^(−absorption × density).
double transmission(double density, double absorption);

/// The working memory of rays, kept by each thread from ray to ray so a ray allocates nothing.
struct RayWork
{
    std::vector<double> x, y, z, density; ///< the model points of the steps and their densities
    DensityWork field;
    /// The steps first ... last of a ray that pass within reach of an atom.
    struct Run
    {
        long long first, last;
        int atom;
    };
    std::vector<Run> runs;
    std::vector<int> near; ///< the atoms within reach of the steps being gathered
    long long points = 0; ///< density points evaluated, counted over every ray of this work
};

/// The rays of one frame under one view: the depth span, the nearest atom under each pixel and
/// the density field, worked out once for all the pixels. Atoms that cannot be drawn
/// (isDrawablePosition) add nothing to any ray.
class CloudRays
{
public:
    CloudRays(const Frame &frame, const CloudContext &context);
    /// The ray through pixel (x, y), from 4 units in front of the nearest atom centre to the
    /// centre of the nearest atom under the pixel, or 4 units behind the farthest one, in
    /// trapezoid steps of 0.1 unit. Densities are taken only at the steps within an atom's
    /// reach (DensityField::Atom) and are 0 elsewhere, so a ray's cost follows the atoms near
    /// it, not its length. The integrals are in model units, scaled so that they read at every
    /// zoom as the start view of 32 pixels per unit has always shown them. A ray of no finite
    /// length gathers nothing.
    RayResult rayDensity(int x, int y, RayWork &work) const;
    /// Row y of the cloud: each of the width pixels of from (RGB32, the composed frame) whose
    /// ray gathers enough density and emits something is written, mixed with the cloud's
    /// colour, to the same place of to; the others are left alone.
    void drawRow(
        int y, const std::uint32_t *from, std::uint32_t *to, int width, RayWork &work) const;

private:
    const Frame &frame;
    const CloudContext &context;
    DensityField field;
    std::vector<int> depthOrder; ///< the drawable atoms of the composition, farthest first
    std::vector<int> gathered; ///< the field's atoms a ray may pass: drawable, of some reach
    double zmin = 0.0;
    double zmax = 0.0;
};

/// The ray through pixel (x, y) of the composed frame (see CloudRays).
RayResult rayDensity(const Frame &frame, int x, int y, const CloudContext &context);
