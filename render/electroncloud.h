#pragma once

#include "model/frame.h"
#include "model/messagesink.h"
#include "render/displaystate.h"
#include "render/orbitals.h"
#include "render/scene.h"
#include "render/viewtransform.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The electron cloud laid over a composed frame, in one of two drawing models: "Quick", a disc
// or a pair of lobes per orbital term, and "3D", a ray per pixel integrating the density of the
// atoms' orbitals with emission and absorption. The 3D pass works rows on several threads;
// every pixel depends only on its own ray and its old colour, so any number of threads gives
// the same picture byte for byte.

/// The busy text of the 3D pass; a percentage follows it while the pass runs.
inline constexpr const char *CloudBusyText = "I'm rendering electrons cloud, please wait!";

/// Everything the cloud reads besides the frame and the picture.
struct CloudContext
{
    const ViewTransform &view;
    const SceneSettings &settings; ///< atomScale of the atom discs, toneBrightness
    const SceneScratch &scratch; ///< screen positions and depth order of the composition
    const DisplayState &display; ///< drawing and computing models, levels, colours, QuickDraw
    StatusSink *status = nullptr; ///< the busy text with its percentage
    int threads = 1; ///< threads of the 3D pass; 0 every core
    /// Asked on the calling thread now and then while the 3D pass runs, after the busy text
    /// has been updated; false abandons the pass, which leaves the picture as it was.
    std::function<bool()> carryOn{};
};

/// What one ray of the 3D model gathers: the integrated density, the emitted density weighted
/// by the light that reaches the viewer, and the same weighted by relative depth.
struct RayResult
{
    double density = 0.0;
    double emission = 0.0;
    double depthTone = 0.0;
};

/// Which model drew the cloud.
enum class CloudDrawn {
    Nothing, ///< switched off, no atoms, or a view without a usable scale
    Quick,
    ThreeD,
    Abandoned, ///< the 3D pass was abandoned; the quick model was drawn instead
};

/// e^(−absorption × density).
double transmission(double density, double absorption);

/// The colour (0x00BBGGRR) of a quick disc for the coefficient magnitude q: the effective
/// electron colour mixed into the effective background by Brightness, weak values lifted.
std::uint32_t electronShade(double q, const DisplayState &display);

/// The quick model's size factor P for the probability limit L (0 at 0, about 0.9644 at 0.5).
double quickSizeFactor(double L);

/// The quick model for atom index of frame: an s-like disc for each term with l other than 1,
/// and two lobes for each group of p terms of one shell, ORed into canvas.
void drawQuickElectrons(const Frame &frame, int index, QImage &canvas, const CloudContext &context);

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
/// the density field, worked out once for all the pixels.
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

private:
    const Frame &frame;
    const CloudContext &context;
    DensityField field;
    double zmin = 0.0;
    double zmax = 0.0;
};

/// The ray through pixel (x, y) of the composed frame (see CloudRays).
RayResult rayDensity(const Frame &frame, int x, int y, const CloudContext &context);

/// The cloud of the composed frame over bitmap (Format_RGB32): the quick model when
/// DrawingModel is 0 or QuickDraw is set, otherwise the 3D pass with its busy text. Draws
/// nothing for a frame the scratch was not composed for, or when the view's scale is not a
/// positive finite number.
CloudDrawn drawElectronCloud(const Frame &frame, QImage &bitmap, const CloudContext &context);

/// The rows of one 3D pass over a composed picture, taken one at a time by any number of
/// threads calling work(). The frame, the context and what it refers to must stay unchanged
/// until every caller of work() has returned.
class ThreeDRows
{
public:
    /// A pass of frame's cloud over atoms (Format_RGB32, the composed frame); the pixels are
    /// read from atoms and written to a copy of it.
    ThreeDRows(const Frame &frame, const QImage &atoms, const CloudContext &context);
    ~ThreeDRows();
    ThreeDRows(const ThreeDRows &) = delete;
    ThreeDRows &operator=(const ThreeDRows &) = delete;
    /// Draws rows not yet taken until none are left or stop() was called.
    void work();
    /// Makes every work() return after the row it is drawing.
    void stop();
    bool stopped() const;
    /// Rows drawn so far, of rows().
    int rowsDone() const;
    int rows() const;
    /// The threads the context asks for, at least 1 and no more than the rows.
    int threads() const;
    /// The picture with the cloud; whole once rowsDone() == rows().
    QImage &picture();

private:
    struct Rows;
    std::unique_ptr<Rows> state;
};
