#pragma once

#include "model/bonds.h"
#include "model/frame.h"
#include "render/coverage.h"
#include "render/viewtransform.h"

#include <QImage>

#include <cstdint>
#include <vector>

/// The bonds found for the frame last shown, kept until a frame with other atoms, positions,
/// element numbers or cell is shown: turning or zooming a frame does not search again.
struct BondCache
{
    const Frame *frame = nullptr;
    std::uint64_t key = 0;
    BondRule rule{};
    std::vector<Bond> bonds;

    /// The bonds of frame under rule, found now or kept from the last call for the same frame.
    const std::vector<Bond> &of(const Frame &frame, const BondRule &rule);
    /// The kept bonds when they were found for frame as it stands, else nullptr.
    const std::vector<Bond> *keptFor(const Frame &frame) const;
    void forget()
    {
        frame = nullptr;
        bonds.clear();
    }
};

/// Half of a bond drawn as a stick from its atom toward the middle of the bond (screen pixels
/// with depth), in its atom's colour record.
struct HalfStick
{
    Vector3 from;
    Vector3 to;
    bool inFront = false; ///< points toward the viewer: drawn over its own ball
};

/// The half sticks of every atom of frame, grouped by atom: those of atom i are
/// sticks[start[i]] .. sticks[start[i + 1] - 1]. A half that points toward the viewer starts
/// where the bond leaves the ball of screen radius ballRadius[i]; a half hidden in its ball is
/// left out. Across a cell face each half runs from its atom to the middle of the bond's
/// minimum image, on its atom's side of the cell.
void layOutHalfSticks(const Frame &frame, const std::vector<Bond> &bonds, const ViewTransform &view,
    const std::vector<Vector3> &screenPos, const std::vector<double> &ballRadius,
    std::vector<std::uint32_t> &start, std::vector<HalfStick> &sticks);

/// Paints a stick of halfWidth pixels along from..to in color (0x00BBGGRR), shaded across its
/// width as the balls are (full colour on its axis, darker toward its edges), with flat ends.
/// With a coverage mask only unclaimed pixels are painted, and then claimed.
void paintStick(QImage &canvas, const HalfStick &stick, double halfWidth, std::uint32_t color,
    CoverageMask *coverage);
