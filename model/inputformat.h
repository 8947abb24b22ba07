#pragma once

#include <array>
#include <string_view>

/// The trajectory text layouts: the program's own three, and standard and extended XYZ.
enum class LayoutKind { Common = 0, Table = 1, Custom = 2, XYZ = 3 };

/// Whether opening a file of this layout centres the view on the middle of its first frame's
/// bounding box. The program's own layouts are written about the origin, which stays the view
/// centre, so their pictures are those of every earlier version; XYZ files from other programs
/// are often written in a box from 0, or about any point.
constexpr bool centresViewOnOpen(LayoutKind kind)
{
    switch (kind) {
    case LayoutKind::Common:
    case LayoutKind::Table:
    case LayoutKind::Custom:
        return false;
    case LayoutKind::XYZ:
        return true;
    }
    return false;
}

/// Whether a file of this layout shows its bonds until the user says otherwise: XYZ files
/// from other programs are molecules drawn as ball and stick; the program's own layouts keep
/// the picture of bare balls they always had.
constexpr bool bondsShownFor(LayoutKind kind)
{
    return kind == LayoutKind::XYZ;
}

/// Where each quantity stands in one layout. In Common and Custom files positions count lines
/// within a frame and tokens within a line; in Table files they count columns of the row.
struct LayoutSettings
{
    int firstAtomLine = 3;
    int skipLines = 0;
    int xyzPosition = 2;
    int chargePosition = 5;
    int impulsePosition = 6;
    int orbitalPosition = 9;
    int fixedAtomCount = 3;
    int atomCountPosition = 1;
    int timePosition = 2;
    int energyPosition = 2;
    bool useFixedCount = false;
    bool readTime = true;
    bool readEnergy = true;
    bool convertUnits = false; ///< Bohr to Angstrom, positions only
    bool readNames = true;
    bool readCharge = true;
    bool readImpulses = true;
    bool readOrbitals = true;

    friend bool operator==(const LayoutSettings &, const LayoutSettings &) = default;
};

/// Angstrom per Bohr, applied to positions read with convertUnits.
inline constexpr double BohrToAngstrom = 0.52917706;

/// The built-in settings of a layout kind (0 Common, 1 Table, 2 Custom, 3 XYZ). XYZ files find
/// their count, comment and atoms by their own rules; of these settings they use skipLines,
/// convertUnits and the readCharge, readImpulses and readOrbitals switches.
LayoutSettings defaultLayout(int kind);

/// The input-file options: one settings record per layout kind, the kind used for the next
/// file, and whether opening a file chooses the kind from its extension.
struct InputFormat
{
    int kind = 0;
    bool openByExtension = true;
    std::array<LayoutSettings, 4> layouts{
        defaultLayout(0), defaultLayout(1), defaultLayout(2), defaultLayout(3)};

    LayoutSettings &current() { return layouts[static_cast<std::size_t>(clampKind(kind))]; }
    const LayoutSettings &current() const
    {
        return layouts[static_cast<std::size_t>(clampKind(kind))];
    }
    /// Restores the defaults of one kind; the other kinds keep their settings.
    void setDefault(int which)
    {
        layouts[static_cast<std::size_t>(clampKind(which))] = defaultLayout(which);
    }

    static int clampKind(int k) { return k < 0 ? 0 : (k > 3 ? 3 : k); }
};

/// The text after the last "." of the file-name part of path (dot included), or empty.
/// The file-name part starts after the last "/", "\" or ":".
std::string_view fileExtension(std::string_view path);
/// The extension that tells a trajectory's layout: fileExtension, or for a compressed file
/// (".gz", ".zst", any letter case) the extension under that suffix ("run.PRN.gz": ".PRN").
std::string_view layoutExtension(std::string_view path);
/// The file-name part of path: everything after the last "/", "\" or ":".
std::string_view fileNamePart(std::string_view path);
/// The layout kind a file extension selects (".XYZ" 0, ".PRN" 1, ".TXT" 2, ".EXTXYZ" 3, any
/// letter case), or -1 for any other extension.
int kindForExtension(std::string_view extension);
/// The layout kind "Open by extension" chooses for a file of that extension whose text begins
/// with bytes: as kindForExtension, except that an ".XYZ" file is standard XYZ (3) unless its
/// first frame is in the program's own layout, whose second line (after the Common layout's
/// skipLines) begins with two numbers, the time and the energy. A name that gives no layout
/// (standard input, ".log", ".trj", no extension) is chosen for by its text the same way while
/// currentKind, the kind otherwise used, is the default Common; with another kind, -1.
int kindForFile(std::string_view extension, std::string_view bytes, int commonSkipLines = 0,
    int currentKind = static_cast<int>(LayoutKind::Common));
