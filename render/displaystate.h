#pragma once

#include "model/atomtype.h"

#include <cstdint>
#include <vector>

/// Two atoms (0-based indices into a frame's atoms, first picked first) whose distance is shown.
struct DistancePair
{
    int first = 0;
    int second = 0;
    friend bool operator==(const DistancePair &, const DistancePair &) = default;
};

/// The main window's display switches, colours and electron-cloud settings: everything a
/// redraw reads besides the frame and the view. The main window holds one; the command-line
/// renderer holds its own. Colours are 0x00BBGGRR values.
struct DisplayState
{
    std::uint32_t ForegroundColor = rgbColor(255, 255, 0);
    std::uint32_t BackgroundColor = rgbColor(0, 0, 0);
    std::uint32_t ElectronColor = rgbColor(255, 255, 255);
    std::uint32_t ToneColor = rgbColor(0, 128, 0);
    bool PrintColors = false;

    int FitMode = 2; ///< 0 first frame, 1 each frame, 2 overflowing frames, 3 none

    bool ShowElectrons = false;
    bool ShowLabels = true;
    int LabelKind = 0; ///< 0 names, 1 charges
    int AtomColorMode = 0; ///< 0 by name, 1 by charge
    int AtomRadiusMode = 0; ///< 0 by name, 1 by charge

    double Electron3DMinimum = 0.0;
    double ElectronQuickMinimum = 0.5;
    double ToneLevel = 5000.0;
    double Brightness = 5000.0;
    double Absorption = 5000.0;
    bool ChargeWeighted = false;
    int ComputingModel = 1; ///< 0 sum of densities, 1 sum of wave functions
    int DrawingModel = 0; ///< 0 quick, 1 3D

    bool ShowDistances = true;
    bool ShowImpulses = true;
    bool ShowAxes = false;
    bool ShowText = true;
    bool ShowBonds = false; ///< sticks between bonded atoms
    double BondRadius = 0.15; ///< Angstrom, the sticks' radius
    bool ShowCell = true; ///< the 12 edges of the frame's periodic cell, when it has one
    bool ShowLegend = false; ///< the elements present, or the charge scale, in a corner
    bool ShowDetails = false;
    bool QuickDraw = false; ///< set only while a drag redraws

    std::vector<DistancePair> DistancePairs;
    /// The atoms picked one after the other (0-based, at most four, the latest last): three
    /// show their angle, four also their dihedral.
    std::vector<int> PickChain;
    double ImpulseZoom = 20.0; ///< model length of an arrow per unit of impulse

    std::uint32_t effectiveBackground() const
    {
        return PrintColors ? rgbColor(255, 255, 255) : BackgroundColor;
    }
    std::uint32_t effectiveForeground() const { return PrintColors ? 0u : ForegroundColor; }
    std::uint32_t effectiveElectronColor() const { return PrintColors ? 0u : ElectronColor; }
};
