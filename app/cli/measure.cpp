#include "app/cli/commands.h"
#include "app/cli/trajectoryoptions.h"
#include "model/bonds.h"
#include "model/geometry.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char *const MeasureHelp =
    "usage: tessaly-cli measure FILE [--distance I,J] [--angle I,J,K] [--dihedral I,J,K,L]\n"
    "                           [-o CSV] [input options]\n"
    "\n"
    "Reads FILE as the program's Open does and writes, for every frame, the distances, angles\n"
    "and dihedrals asked for as CSV (to standard output, or to CSV with -o): a header line,\n"
    "then one row per frame with its number (from 1), time and energy (empty when the file\n"
    "gives none) and the values in the order the options were given. Atoms are counted from\n"
    "1, as the details window counts them. Distances are in Angstrom, angles and dihedrals in\n"
    "degrees (angles 0 to 180, dihedrals 0 to 360, clockwise seen along J->K positive). A\n"
    "frame with a periodic cell is measured by the minimum image, so a molecule cut by the\n"
    "cell's faces measures whole. Each option may be given more than once.\n"
    "Exit status 0 when the table was written; 1 when the file could not be read or the table\n"
    "not written; 2 for a wrong command line or an atom a frame does not have.\n"
    "\n"
    "input options:\n";

struct Measure
{
    std::string name; ///< "distance", "angle" or "dihedral"
    std::vector<int> atoms; ///< 1-based, as given
};

// "I,J[,K[,L]]": exactly count whole numbers from 1.
std::optional<std::vector<int>> parseAtoms(const std::string &text, std::size_t count)
{
    std::vector<int> atoms;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        int value = 0;
        const char *first = text.data() + at;
        const char *last = text.data() + comma;
        const auto result = std::from_chars(first, last, value);
        if (first == last || result.ec != std::errc() || result.ptr != last || value < 1)
            return std::nullopt;
        atoms.push_back(value);
        at = comma + 1;
    }
    if (atoms.size() != count)
        return std::nullopt;
    return atoms;
}

std::string number(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

double measureFrame(const Frame &frame, const MinimumImage &image, const Measure &measure)
{
    const auto at = [&frame, &measure](std::size_t k) {
        return frame.atoms[static_cast<std::size_t>(measure.atoms[k] - 1)].position;
    };
    const auto minus = [](const Vector3 &a, const Vector3 &b) {
        return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
    };
    const auto plus = [](const Vector3 &a, const Vector3 &b) {
        return Vector3{a.x + b.x, a.y + b.y, a.z + b.z};
    };
    // each atom is taken at its image nearest to the atom before it in the chain
    std::vector<Vector3> points{at(0)};
    for (std::size_t k = 1; k < measure.atoms.size(); ++k)
        points.push_back(plus(points.back(), image.apply(minus(at(k), at(k - 1)))));
    if (points.size() == 2) {
        const Vector3 d = minus(points[1], points[0]);
        return std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    }
    if (points.size() == 3)
        return bondAngle(points[0], points[1], points[2]);
    return dihedralAngle(points[0], points[1], points[2], points[3]);
}

} // namespace

int measureCommand(const std::vector<std::string> &arguments)
{
    std::vector<std::string> args = arguments;
    TrajectoryOptions options;
    if (const std::optional<int> status =
            startTrajectoryCommand("measure", MeasureHelp, args, options))
        return *status;
    const auto fail = [](const std::string &error) {
        std::cerr << "tessaly-cli measure: " << error << " (see tessaly-cli measure --help)\n";
        return 2;
    };
    std::vector<Measure> measures;
    std::vector<std::string> files;
    std::string output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const CommandOption option = splitOption(args[i]);
        const std::string &name = option.name;
        const auto take = [&] { return optionValue(option, args, i); };
        if (name == "--distance" || name == "--angle" || name == "--dihedral") {
            const std::size_t count = name == "--distance" ? 2 : name == "--angle" ? 3 : 4;
            const auto v = take();
            const auto atoms = v ? parseAtoms(*v, count) : std::nullopt;
            if (!atoms)
                return fail(name + " needs " + std::to_string(count)
                    + " atom numbers from 1, separated by commas");
            measures.push_back({name.substr(2), *atoms});
        } else if (name == "-o" || name == "--output") {
            const auto v = take();
            if (!v || v->empty())
                return fail(name + " needs a file name");
            output = *v;
        } else if (name.size() > 1 && name[0] == '-') {
            return fail("unknown option " + args[i]);
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 1)
        return fail("give exactly one FILE");
    if (measures.empty())
        return fail("give at least one --distance, --angle or --dihedral");

    AtomTypeTable types;
    types.buildDefaultTable();
    FrameList frames;
    const LoadedTrajectory loaded = loadTrajectory(files[0], options, types, frames);
    for (const auto &[caption, text] : loaded.messages)
        std::cerr << caption << (caption.empty() ? "" : ": ") << text << "\n";
    if (!loaded.error.empty()) {
        std::cerr << loaded.error << "\n";
        return 1;
    }
    // every atom named must be in every frame, before a line is written
    // (from the index of a file read on demand, without reading the frames)
    for (int number = 1; number <= frames.count(); ++number) {
        const int count = frames.summaryAt(number).atomCount;
        for (const Measure &measure : measures)
            for (const int atom : measure.atoms)
                if (atom > count) {
                    std::cerr << "tessaly-cli measure: there is no atom " << atom << " in frame "
                              << number << " (it has " << count << " atoms)\n";
                    return 2;
                }
    }

    std::ostringstream table;
    table << "frame,time,energy";
    for (const Measure &measure : measures) {
        table << "," << measure.name;
        for (const int atom : measure.atoms)
            table << "_" << atom;
    }
    table << "\n";
    int number = 0;
    std::string row;
    for (const Frame &frame : frames) {
        ++number;
        if (&frame == &frames.head() && toldUnreadFrame("measure", frames))
            return 1;
        const MinimumImage image(frame);
        row = std::to_string(number) + "," + (frame.hasTime ? ::number(frame.time) : "") + ","
            + (frame.hasEnergy ? ::number(frame.energy) : "");
        for (const Measure &measure : measures)
            row += "," + ::number(measureFrame(frame, image, measure));
        table << row << "\n";
    }

    if (output.empty()) {
        std::cout << table.str();
        return 0;
    }
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    file << table.str();
    file.close();
    if (!file) {
        std::cerr << "tessaly-cli measure: cannot write " << output << "\n";
        return 1;
    }
    return 0;
}
