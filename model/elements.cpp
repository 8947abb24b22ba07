#include "model/elements.h"

#include <array>
#include <cctype>

namespace {

struct Row
{
    std::string_view symbol;
    double radius;
    std::uint32_t red, green, blue;
};

// Radii: the covalent radii of Cordero et al., "Covalent radii revisited", Dalton Trans. 2008,
// 2832-2838 (carbon sp3, the low-spin values of Mn, Fe and Co), which cover hydrogen to curium;
// the heavier elements, of which no radius was measured, are drawn as large as curium.
// Colours: the scheme Jmol made common (the CPK colours extended to every element), as the
// field's viewers use it; it ends at meitnerium (109), after which the elements keep its colour.
constexpr Row Rows[ElementCount] = {
    {"H", 0.31, 255, 255, 255},
    {"He", 0.28, 217, 255, 255},
    {"Li", 1.28, 204, 128, 255},
    {"Be", 0.96, 194, 255, 0},
    {"B", 0.84, 255, 181, 181},
    {"C", 0.76, 144, 144, 144},
    {"N", 0.71, 48, 80, 248},
    {"O", 0.66, 255, 13, 13},
    {"F", 0.57, 144, 224, 80},
    {"Ne", 0.58, 179, 227, 245},
    {"Na", 1.66, 171, 92, 242},
    {"Mg", 1.41, 138, 255, 0},
    {"Al", 1.21, 191, 166, 166},
    {"Si", 1.11, 240, 200, 160},
    {"P", 1.07, 255, 128, 0},
    {"S", 1.05, 255, 255, 48},
    {"Cl", 1.02, 31, 240, 31},
    {"Ar", 1.06, 128, 209, 227},
    {"K", 2.03, 143, 64, 212},
    {"Ca", 1.76, 61, 255, 0},
    {"Sc", 1.70, 230, 230, 230},
    {"Ti", 1.60, 191, 194, 199},
    {"V", 1.53, 166, 166, 171},
    {"Cr", 1.39, 138, 153, 199},
    {"Mn", 1.39, 156, 122, 199},
    {"Fe", 1.32, 224, 102, 51},
    {"Co", 1.26, 240, 144, 160},
    {"Ni", 1.24, 80, 208, 80},
    {"Cu", 1.32, 200, 128, 51},
    {"Zn", 1.22, 125, 128, 176},
    {"Ga", 1.22, 194, 143, 143},
    {"Ge", 1.20, 102, 143, 143},
    {"As", 1.19, 189, 128, 227},
    {"Se", 1.20, 255, 161, 0},
    {"Br", 1.20, 166, 41, 41},
    {"Kr", 1.16, 92, 184, 209},
    {"Rb", 2.20, 112, 46, 176},
    {"Sr", 1.95, 0, 255, 0},
    {"Y", 1.90, 148, 255, 255},
    {"Zr", 1.75, 148, 224, 224},
    {"Nb", 1.64, 115, 194, 201},
    {"Mo", 1.54, 84, 181, 181},
    {"Tc", 1.47, 59, 158, 158},
    {"Ru", 1.46, 36, 143, 143},
    {"Rh", 1.42, 10, 125, 140},
    {"Pd", 1.39, 0, 105, 133},
    {"Ag", 1.45, 192, 192, 192},
    {"Cd", 1.44, 255, 217, 143},
    {"In", 1.42, 166, 117, 115},
    {"Sn", 1.39, 102, 128, 128},
    {"Sb", 1.39, 158, 99, 181},
    {"Te", 1.38, 212, 122, 0},
    {"I", 1.39, 148, 0, 148},
    {"Xe", 1.40, 66, 158, 176},
    {"Cs", 2.44, 87, 23, 143},
    {"Ba", 2.15, 0, 201, 0},
    {"La", 2.07, 112, 212, 255},
    {"Ce", 2.04, 255, 255, 199},
    {"Pr", 2.03, 217, 255, 199},
    {"Nd", 2.01, 199, 255, 199},
    {"Pm", 1.99, 163, 255, 199},
    {"Sm", 1.98, 143, 255, 199},
    {"Eu", 1.98, 97, 255, 199},
    {"Gd", 1.96, 69, 255, 199},
    {"Tb", 1.94, 48, 255, 199},
    {"Dy", 1.92, 31, 255, 199},
    {"Ho", 1.92, 0, 255, 156},
    {"Er", 1.89, 0, 230, 117},
    {"Tm", 1.90, 0, 212, 82},
    {"Yb", 1.87, 0, 191, 56},
    {"Lu", 1.87, 0, 171, 36},
    {"Hf", 1.75, 77, 194, 255},
    {"Ta", 1.70, 77, 166, 255},
    {"W", 1.62, 33, 148, 214},
    {"Re", 1.51, 38, 125, 171},
    {"Os", 1.44, 38, 102, 150},
    {"Ir", 1.41, 23, 84, 135},
    {"Pt", 1.36, 208, 208, 224},
    {"Au", 1.36, 255, 209, 35},
    {"Hg", 1.32, 184, 184, 208},
    {"Tl", 1.45, 166, 84, 77},
    {"Pb", 1.46, 87, 89, 97},
    {"Bi", 1.48, 158, 79, 181},
    {"Po", 1.40, 171, 92, 0},
    {"At", 1.50, 117, 79, 69},
    {"Rn", 1.50, 66, 130, 150},
    {"Fr", 2.60, 66, 0, 102},
    {"Ra", 2.21, 0, 125, 0},
    {"Ac", 2.15, 112, 171, 250},
    {"Th", 2.06, 0, 186, 255},
    {"Pa", 2.00, 0, 161, 255},
    {"U", 1.96, 0, 143, 255},
    {"Np", 1.90, 0, 128, 255},
    {"Pu", 1.87, 0, 107, 255},
    {"Am", 1.80, 84, 92, 242},
    {"Cm", 1.69, 120, 92, 227},
    {"Bk", 1.69, 138, 79, 227},
    {"Cf", 1.69, 161, 54, 212},
    {"Es", 1.69, 179, 31, 212},
    {"Fm", 1.69, 179, 31, 186},
    {"Md", 1.69, 179, 13, 166},
    {"No", 1.69, 189, 13, 135},
    {"Lr", 1.69, 199, 0, 102},
    {"Rf", 1.69, 204, 0, 89},
    {"Db", 1.69, 209, 0, 79},
    {"Sg", 1.69, 217, 0, 69},
    {"Bh", 1.69, 224, 0, 56},
    {"Hs", 1.69, 230, 0, 46},
    {"Mt", 1.69, 235, 0, 38},
    {"Ds", 1.69, 235, 0, 38},
    {"Rg", 1.69, 235, 0, 38},
    {"Cn", 1.69, 235, 0, 38},
    {"Nh", 1.69, 235, 0, 38},
    {"Fl", 1.69, 235, 0, 38},
    {"Mc", 1.69, 235, 0, 38},
    {"Lv", 1.69, 235, 0, 38},
    {"Ts", 1.69, 235, 0, 38},
    {"Og", 1.69, 235, 0, 38},

};

constexpr std::array<Element, ElementCount> buildElements()
{
    std::array<Element, ElementCount> elements{};
    for (int i = 0; i < ElementCount; ++i) {
        const Row &row = Rows[i];
        elements[static_cast<std::size_t>(i)] =
            Element{row.symbol, i + 1, row.radius, row.red | (row.green << 8) | (row.blue << 16)};
    }
    return elements;
}

constexpr std::array<Element, ElementCount> Elements = buildElements();

char upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool sameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

// Residue atom names of proteins (C alpha, C delta, ...) that, in capitals, spell a symbol.
bool isResidueAtomName(std::string_view twoLetters)
{
    for (const std::string_view name : {"CA", "CD", "CE", "HE", "HG", "NE", "OG", "SG"})
        if (twoLetters == name)
            return true;
    return false;
}

constexpr int LastPrefixElement = 103;

} // namespace

const Element *elementByProtons(int protons)
{
    if (protons < 1 || protons > ElementCount)
        return nullptr;
    return &Elements[static_cast<std::size_t>(protons - 1)];
}

const Element *elementBySymbol(std::string_view symbol)
{
    if (symbol.empty() || symbol.size() > 2)
        return nullptr;
    for (const Element &element : Elements)
        if (sameLetters(element.symbol, symbol))
            return &element;
    return nullptr;
}

const Element *elementForName(std::string_view name)
{
    if (name.empty())
        return nullptr;
    std::size_t digits = 0;
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9')
        ++digits;
    if (digits == name.size()) {
        if (digits > 3)
            return nullptr;
        int protons = 0;
        for (const char c : name)
            protons = protons * 10 + (c - '0');
        return elementByProtons(protons);
    }
    const std::string_view rest = name.substr(digits);
    const bool residueAtom = rest.size() >= 2 && isResidueAtomName(rest.substr(0, 2));
    if (digits == 0 && rest.size() <= 2 && !residueAtom)
        if (const Element *element = elementBySymbol(rest);
            element && (element->symbol == rest || element->protons <= LastPrefixElement))
            return element;
    // the elements made a few atoms at a time (above lawrencium) are no prefix of a name:
    // NH1 is the nitrogen of arginine, CN a nitrile carbon
    if (rest.size() >= 2 && !residueAtom)
        if (const Element *element = elementBySymbol(rest.substr(0, 2));
            element && element->protons <= LastPrefixElement)
            return element;
    return elementBySymbol(rest.substr(0, 1));
}
