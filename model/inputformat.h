#pragma once

#include <array>
#include <string_view>

/// The three trajectory text layouts.
enum class LayoutKind { Common = 0, Table = 1, Custom = 2 };

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

/// The built-in settings of a layout kind (0 Common, 1 Table, 2 Custom).
LayoutSettings defaultLayout(int kind);

/// The input-file options: one settings record per layout kind, the kind used for the next
/// file, and whether opening a file chooses the kind from its extension.
struct InputFormat
{
    int kind = 0;
    bool openByExtension = true;
    std::array<LayoutSettings, 3> layouts{defaultLayout(0), defaultLayout(1), defaultLayout(2)};

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

    static int clampKind(int k) { return k < 0 ? 0 : (k > 2 ? 2 : k); }
};

/// The text after the last "." of the file-name part of path (dot included), or empty.
/// The file-name part starts after the last "/", "\" or ":".
std::string_view fileExtension(std::string_view path);
/// The extension that tells a trajectory's layout: fileExtension, or for a compressed file
/// (".gz", ".zst", any letter case) the extension under that suffix ("run.PRN.gz": ".PRN").
std::string_view layoutExtension(std::string_view path);
/// The file-name part of path: everything after the last "/", "\" or ":".
std::string_view fileNamePart(std::string_view path);
/// The layout kind a file extension selects (".XYZ" 0, ".PRN" 1, ".TXT" 2, any letter case),
/// or -1 for any other extension.
int kindForExtension(std::string_view extension);
