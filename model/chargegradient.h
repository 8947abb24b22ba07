#pragma once

#include "model/atomtype.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

/// The mapping from an atom's charge to the colour and radius it is drawn with when atoms are
/// coloured or sized by charge. The scale from MinCharge to MaxCharge is cut into LevelCount
/// levels; each level is a full AtomType (colour, radius, ball pictures) so the scene draws a
/// charged atom exactly like an atom of a named type. Colours are stepwise per level, radii
/// run piecewise linearly between neighbouring levels. Levels are numbered from 1.
class ChargeGradient
{
public:
    static constexpr int LevelCount = 10;

    /// Sets the start values and builds the levels, so the gradient is usable at once.
    ChargeGradient();

    int CurrentLevel = 1; ///< level shown in the charges dialog
    double MinCharge = 0.0;
    double MaxCharge = 1.0;
    std::uint32_t LowColor = rgbColor(0, 0, 255); ///< 0x00BBGGRR, colour of level 1
    std::uint32_t HighColor = rgbColor(255, 0, 0); ///< 0x00BBGGRR, colour of the last level
    double LowRadius = 1.0; ///< radius at MinCharge and below the scale
    double HighRadius = 2.0; ///< radius beyond the last level's threshold
    /// Thresholds[i] is the upper charge bound of level i; Thresholds[0] the lower bound of
    /// level 1.
    std::array<double, LevelCount + 1> Thresholds{};
    double LastRadius = 0.0; ///< radius of the last LevelForCharge call that asked for one
    /// The levels in order; never resized after construction, so references stay valid.
    std::vector<AtomType> ChargeLevels;

    /// Rebuilds the evenly spaced thresholds and the levels (colour, name, radius) from the
    /// current limits, colours and radii; the levels' ball pictures are dropped.
    void BuildLevels();
    /// The level an atom of this charge is drawn with. With wantRadius set, LastRadius becomes
    /// the radius interpolated for the charge. Below the scale it is level 1 (radius LowRadius),
    /// beyond the last threshold the last level (radius HighRadius); a charge equal to a
    /// threshold belongs to the level that the threshold closes.
    AtomType &LevelForCharge(double charge, bool wantRadius);
    /// The colour of level i spread evenly from LowColor (level 1) to HighColor (last level),
    /// each channel truncated toward zero; the flag byte comes from LowColor.
    std::uint32_t GradualColor(int level) const;
    /// LowRadius plus the level's share of the scale times (HighRadius - LowRadius).
    double GradualRadius(int level) const;
    /// The level's threshold as a percentage of the scale, rounded half up.
    int LevelPercent(int level) const;
    /// The level's name: "3. level (30%)".
    std::string LevelCaption(int level) const;
    /// Moves level i's threshold to percent p of the scale and renames the level; the other
    /// thresholds stay, even when they end up out of order. Levels outside 1..LevelCount are
    /// ignored.
    void SetLevelThreshold(int level, double percent);
    /// Maps every threshold onto the new limits, keeping its relative place; names, colours and
    /// radii stay. Equal limits, the limits already in force, and limits that are not finite or
    /// whose span overflows change nothing. A minimum above the maximum reverses the scale.
    /// Returns whether anything changed.
    bool SetLimits(double newMinimum, double newMaximum);
    /// Takes level 1's and the last level's colours as the end colours and spreads the others
    /// evenly between them. Each recoloured level's pictures are rebuilt by rebuildPictures when
    /// given; without it they are dropped, to be rebuilt on first use.
    void SpreadColors(const std::function<void(AtomType &)> &rebuildPictures = {});
    /// Takes the last level's radius as HighRadius, extrapolates LowRadius (at least 0.01) from
    /// level 1's and spreads the radii of all levels evenly between them.
    void SpreadRadii();

    /// Level i (1-based) of ChargeLevels.
    AtomType &level(int i) { return ChargeLevels[static_cast<std::size_t>(i - 1)]; }
    const AtomType &level(int i) const { return ChargeLevels[static_cast<std::size_t>(i - 1)]; }
};
