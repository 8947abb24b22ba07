#include "model/atomtype.h"
#include "model/elements.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct Colour
{
    std::uint32_t red, green, blue;
};

std::uint32_t packed(Colour c)
{
    return rgbColor(c.red, c.green, c.blue);
}

} // namespace

TEST(PeriodicTable, EveryElementHasATypeAfterTheProgramsOwnTwentyFour)
{
    AtomTypeTable table;
    table.buildDefaultTable();
    ASSERT_EQ(table.size(), 24 + 95);
    // the program's own stay first, in their order, with their colours and radii
    EXPECT_EQ(table.first().name, "?");
    EXPECT_EQ(table.typeAt(1)->color, packed({0, 128, 255}));
    EXPECT_EQ(table.typeAt(23)->name, "Rn");
    EXPECT_EQ(table.typeAt(24)->name, "Sc");
    EXPECT_EQ(table.typeAt(24 + 94)->name, "Og");
    for (int protons = 1; protons <= ElementCount; ++protons) {
        const Element *element = elementByProtons(protons);
        ASSERT_NE(element, nullptr) << protons;
        const AtomType *type = table.findAtomType(element->symbol);
        ASSERT_EQ(type->name, element->symbol) << protons;
        EXPECT_EQ(type->protons, protons) << element->symbol;
        EXPECT_GT(type->radius, 0.2) << element->symbol;
        EXPECT_LT(type->radius, 3.0) << element->symbol;
    }
    EXPECT_EQ(elementByProtons(0), nullptr);
    EXPECT_EQ(elementByProtons(119), nullptr);
}

// The colours chemists know (the Jmol scheme) and Cordero's covalent radii, from the sources.
TEST(PeriodicTable, ElementsHaveTheirConventionalColoursAndPublishedRadii)
{
    struct Case
    {
        const char *symbol;
        int protons;
        Colour colour;
        double radius;
    };
    const Case cases[] = {
        {"H", 1, {255, 255, 255}, 0.31},
        {"C", 6, {144, 144, 144}, 0.76},
        {"N", 7, {48, 80, 248}, 0.71},
        {"O", 8, {255, 13, 13}, 0.66},
        {"F", 9, {144, 224, 80}, 0.57},
        {"P", 15, {255, 128, 0}, 1.07},
        {"S", 16, {255, 255, 48}, 1.05},
        {"Cl", 17, {31, 240, 31}, 1.02},
        {"Fe", 26, {224, 102, 51}, 1.32},
        {"Cu", 29, {200, 128, 51}, 1.32},
        {"Zn", 30, {125, 128, 176}, 1.22},
        {"Br", 35, {166, 41, 41}, 1.20},
        {"Ag", 47, {192, 192, 192}, 1.45},
        {"I", 53, {148, 0, 148}, 1.39},
        {"Pt", 78, {208, 208, 224}, 1.36},
        {"Au", 79, {255, 209, 35}, 1.36},
        {"U", 92, {0, 143, 255}, 1.96},
    };
    for (const Case &c : cases) {
        const Element *element = elementBySymbol(c.symbol);
        ASSERT_NE(element, nullptr) << c.symbol;
        EXPECT_EQ(element->protons, c.protons) << c.symbol;
        EXPECT_EQ(element->color, packed(c.colour)) << c.symbol;
        EXPECT_DOUBLE_EQ(element->radius, c.radius) << c.symbol;
    }
}

TEST(PeriodicTable, NamesOfXyzFilesStandForElementsByTheDocumentedRule)
{
    const std::pair<const char *, const char *> cases[] = {
        // symbols in any letter case
        {"c", "C"},
        {"CL", "Cl"},
        {"cl", "Cl"},
        {"FE", "Fe"},
        {"au", "Au"},
        {"Ca", "Ca"},
        {"ca", "Ca"},
        {"NA", "Na"},
        {"Og", "Og"},
        // proton numbers
        {"7", "N"},
        {"79", "Au"},
        {"118", "Og"},
        {"0", ""},
        {"119", ""},
        {"0026", ""},
        // residue atom names in capitals are not the elements they spell
        {"CA", "C"},
        {"CD", "C"},
        {"HG", "H"},
        {"SG", "S"},
        {"OG", "O"},
        {"NE", "N"},
        {"CA1", "C"},
        {"Hg", "Hg"},
        // the longest symbol that starts the name
        {"HB1", "H"},
        {"CH3", "C"},
        {"OW", "O"},
        {"HW2", "H"},
        {"Cl1", "Cl"},
        {"CL2", "Cl"},
        {"1HH", "H"},
        {"Fe2+", "Fe"},
        {"NH1", "N"},
        {"CN", "C"},
        // no element
        {"", ""},
        {"Xx", ""},
        {"?", ""},
        {"EP", ""},
        {"LP1", ""},
    };
    for (const auto &[name, symbol] : cases) {
        const Element *element = elementForName(name);
        EXPECT_EQ(element ? element->symbol : std::string_view(), symbol) << name;
    }
}

TEST(PeriodicTable, XyzNamesFindTheirTypeAndUnknownNamesTheFallback)
{
    AtomTypeTable table;
    table.buildDefaultTable();
    EXPECT_EQ(table.findTypeForName("cl")->name, "Cl");
    EXPECT_EQ(table.findTypeForName("OW")->name, "O");
    EXPECT_EQ(table.findTypeForName("Xx"), &table.first());
    // an exact name wins over the element it would stand for, as in the program's own layouts
    AtomType &own = table.addTypeAfter(table.first());
    own.name = std::string("OW");
    EXPECT_EQ(table.findTypeForName("OW"), &own);
    // the program's own layouts still match exactly
    EXPECT_EQ(table.findAtomType("cl"), &table.first());
}

TEST(PeriodicTable, XyzColoursReplaceTheProgramsOwnUnlessTheUserChoseAColour)
{
    AtomTypeTable table;
    table.buildDefaultTable();
    AtomType &hydrogen = *table.findAtomType("H");
    AtomType &oxygen = *table.findAtomType("O");
    AtomType &iron = *table.findAtomType("Fe");
    AtomType &fallback = table.first();
    AtomType &carbon = *table.findAtomType("C");
    carbon.color = packed({1, 2, 3}); // chosen in the atoms dialog
    carbon.sphereImage = std::make_unique<SpherePicture>();
    hydrogen.sphereImage = std::make_unique<SpherePicture>();

    table.useColourScheme(AtomTypeTable::ColourScheme::Conventional);
    EXPECT_EQ(hydrogen.color, packed({255, 255, 255}));
    EXPECT_FALSE(hydrogen.sphereImage); // drawn anew in its new colour
    EXPECT_EQ(oxygen.color, packed({255, 13, 13}));
    EXPECT_EQ(iron.color, packed({224, 102, 51}));
    EXPECT_EQ(fallback.color, packed({255, 255, 255}));
    EXPECT_EQ(carbon.color, packed({1, 2, 3}));
    EXPECT_TRUE(carbon.sphereImage);

    table.useColourScheme(AtomTypeTable::ColourScheme::Program);
    EXPECT_EQ(hydrogen.color, packed({0, 128, 255}));
    EXPECT_EQ(oxygen.color, packed({255, 0, 0}));
    EXPECT_EQ(iron.color, packed({224, 102, 51}));
    EXPECT_EQ(carbon.color, packed({1, 2, 3}));
}
