#include "model/atomtype.h"

#include "model/elements.h"
#include "model/frame.h"

#include <algorithm>
#include <iterator>
#include <utility>

OrbitalTerm newTerm(int n, int l, double coefficient, bool letterForm, int m)
{
    return OrbitalTerm{letterForm, n, l, m, coefficient};
}

void copyTerm(OrbitalTerm &destination, const OrbitalTerm &source)
{
    destination = source;
}

OrbitalTerm cloneTerm(const OrbitalTerm &source)
{
    return source;
}

void clearTerms(OrbitalList &list)
{
    if (list.empty())
        list.emplace_back();
    list.resize(1);
}

bool termsEqual(const OrbitalTerm &a, const OrbitalTerm &b)
{
    return a.n == b.n && a.l == b.l && a.m == b.m && a.letterForm == b.letterForm;
}

std::string termLabel(const OrbitalTerm &term)
{
    std::string label = std::to_string(term.n) + ",";
    if (!term.letterForm)
        return label + std::to_string(term.l) + "," + std::to_string(term.m);
    static constexpr const char *pNames[] = {"x", "y", "z"};
    static constexpr const char *dNames[] = {"xy", "xz", "yz", "x2-y2", "z2"};
    switch (term.l) {
    case 0:
        return label + "s";
    case 1:
        label += "p,";
        if (term.m >= -1 && term.m <= 1)
            label += pNames[term.m + 1];
        return label;
    case 2:
        label += "d,";
        if (term.m >= -2 && term.m <= 2)
            label += dNames[term.m + 2];
        return label;
    default:
        return label;
    }
}

namespace {

struct ShellDefault
{
    int n, l, m;
};

ShellDefault defaultFirstTerm(int protons)
{
    if (protons == 1 || protons == 2)
        return {1, 0, 0};
    if (protons == 3 || protons == 4)
        return {2, 0, 0};
    if (protons >= 5 && protons <= 10)
        return {2, 1, 0};
    if (protons == 11 || protons == 12)
        return {3, 0, 0};
    if (protons >= 13 && protons <= 17)
        return {3, 1, 0};
    if (protons == 18)
        return {3, 1, -1};
    if (protons == 19 || protons == 20)
        return {4, 0, 0};
    if (protons == 36)
        return {4, 1, 0};
    if (protons == 54)
        return {5, 1, 0};
    if (protons == 86)
        return {6, 1, 0};
    return {1, 0, 0};
}

} // namespace

void resetOrbitals(AtomType &type, bool letterForm)
{
    clearTerms(type.orbitals);
    OrbitalTerm &first = type.orbitals.front();
    first.coefficient = 1.0;
    first.letterForm = letterForm;
    type.orbitalFamily = 0;
    const ShellDefault shell = defaultFirstTerm(type.protons);
    first.n = shell.n;
    first.l = shell.l;
    first.m = shell.m;
    // argon fills the whole 3p shell: all three p functions
    if (type.protons == 18) {
        type.orbitals.push_back(newTerm(3, 1, 1.0, letterForm, 0));
        type.orbitals.push_back(newTerm(3, 1, 1.0, letterForm, 1));
    }
}

AtomType createAtomType(std::uint32_t color, std::string_view name, int protons, double radius)
{
    AtomType type;
    type.color = color;
    type.radius = radius;
    type.name = std::string(name.substr(0, 31));
    type.protons = protons;
    resetOrbitals(type, true);
    return type;
}

const AtomType *AtomTypeTable::findAtomType(std::string_view name) const
{
    if (types.empty())
        return nullptr;
    for (const AtomType &type : types)
        if (type.name == name)
            return &type;
    return &types.front();
}

AtomType *AtomTypeTable::findAtomType(std::string_view name)
{
    return const_cast<AtomType *>(std::as_const(*this).findAtomType(name));
}

AtomTypeTable::Types::iterator AtomTypeTable::find(const AtomType &type)
{
    return std::find_if(types.begin(), types.end(), [&](const AtomType &t) { return &t == &type; });
}

AtomType *AtomTypeTable::predecessorOf(const AtomType &type)
{
    auto it = find(type);
    if (it == types.begin() || it == types.end())
        return nullptr;
    return &*std::prev(it);
}

namespace {

struct ProgramRow
{
    const char *name;
    int protons;
    double radius;
    std::uint32_t red, green, blue;
};

// The program's own table: its layouts and every picture made of them rely on these.
constexpr ProgramRow ProgramRows[] = {
    {"?", 1, 1.0, 255, 255, 255},
    {"H", 1, 0.25, 0, 128, 255},
    {"He", 2, 0.31, 128, 255, 0},
    {"Li", 3, 1.45, 0, 128, 0},
    {"Be", 4, 1.05, 128, 0, 0},
    {"B", 5, 0.85, 0, 128, 128},
    {"C", 6, 0.7, 128, 128, 128},
    {"N", 7, 0.65, 0, 0, 255},
    {"O", 8, 0.6, 255, 0, 0},
    {"F", 9, 0.5, 128, 0, 255},
    {"Ne", 10, 0.38, 0, 255, 128},
    {"Na", 11, 1.8, 128, 255, 128},
    {"Mg", 12, 1.5, 128, 0, 128},
    {"Al", 13, 1.25, 255, 128, 0},
    {"Si", 14, 1.1, 128, 128, 255},
    {"P", 15, 1.0, 255, 0, 255},
    {"S", 16, 1.0, 255, 255, 0},
    {"Cl", 17, 1.0, 255, 128, 255},
    {"Ar", 18, 0.71, 0, 255, 255},
    {"K", 19, 2.2, 128, 255, 128},
    {"Ca", 20, 1.8, 255, 128, 128},
    {"Kr", 36, 0.88, 255, 128, 0},
    {"Xe", 54, 1.08, 128, 255, 0},
    {"Rn", 86, 1.2, 0, 128, 128},
};

const ProgramRow *programRow(std::string_view name)
{
    for (const ProgramRow &row : ProgramRows)
        if (name == row.name)
            return &row;
    return nullptr;
}

} // namespace

AtomType *AtomTypeTable::findTypeForName(std::string_view name)
{
    if (types.empty())
        return nullptr;
    for (AtomType &type : types)
        if (type.name == name)
            return &type;
    if (const Element *element = elementForName(name))
        for (AtomType &type : types)
            if (type.name == element->symbol)
                return &type;
    return &types.front();
}

void AtomTypeTable::buildDefaultTable()
{
    types.clear();
    for (const ProgramRow &row : ProgramRows)
        types.push_back(createAtomType(
            rgbColor(row.red, row.green, row.blue), row.name, row.protons, row.radius));
    for (int protons = 1; protons <= ElementCount; ++protons) {
        const Element &element = *elementByProtons(protons);
        if (!programRow(element.symbol))
            types.push_back(createAtomType(element.color, element.symbol, protons, element.radius));
    }
}

void AtomTypeTable::useColourScheme(ColourScheme scheme)
{
    for (AtomType &type : types) {
        const ProgramRow *row = programRow(type.name);
        const Element *element = elementBySymbol(type.name);
        if (!row || !element || element->symbol != type.name)
            continue;
        const std::uint32_t program = rgbColor(row->red, row->green, row->blue);
        const bool conventional = scheme == ColourScheme::Conventional;
        const std::uint32_t from = conventional ? program : element->color;
        const std::uint32_t to = conventional ? element->color : program;
        if (type.color != from || from == to)
            continue;
        type.color = to;
        // the pictures show the old colour; the next drawing makes them anew
        type.sphereImage.reset();
        type.sphereMask.reset();
    }
}

AtomType &AtomTypeTable::addTypeAfter(const AtomType &type)
{
    auto it = find(type);
    if (it != types.end())
        ++it;
    return *types.insert(it, createAtomType(rgbColor(255, 255, 255), "Atom", 1, 1.0));
}

AtomTypeTable::RemoveRefusal AtomTypeTable::canRemove(
    const AtomType &type, const FrameList &frames) const
{
    // A drawn type is the old sign of use; atoms of frames never drawn, or drawn coloured by
    // charge, refer to types that have no picture, so the atoms themselves are asked too.
    if (!frames.empty() && type.sphereImage)
        return RemoveRefusal::MayBeInUse;
    // The frames of a file read on demand are not at hand: reading them all to ask would take
    // as long as reading the file, so any type may be in use.
    if (frames.onDemand())
        return RemoveRefusal::MayBeInUse;
    for (const Frame &frame : frames)
        for (const FrameAtom &atom : frame.atoms)
            if (atom.type == &type)
                return RemoveRefusal::MayBeInUse;
    if (types.size() <= 1)
        return RemoveRefusal::OnlyType;
    return RemoveRefusal::None;
}

AtomTypeTable::RemoveRefusal AtomTypeTable::removeUnusedType(
    const AtomType &type, const FrameList &frames)
{
    const RemoveRefusal refusal = canRemove(type, frames);
    if (refusal == RemoveRefusal::None)
        removeType(type);
    return refusal;
}

void AtomTypeTable::removeType(const AtomType &type)
{
    auto it = find(type);
    if (it != types.end())
        types.erase(it);
}

AtomType *AtomTypeTable::typeAt(int index)
{
    if (index < 0 || index >= size())
        return nullptr;
    return &*std::next(types.begin(), index);
}

int AtomTypeTable::indexOf(const AtomType &type) const
{
    int index = 0;
    for (const AtomType &t : types) {
        if (&t == &type)
            return index;
        ++index;
    }
    return -1;
}
