#include "model/inputformat.h"

#include <gtest/gtest.h>

namespace {

TEST(InputFormat, StartsOnCommonWithOpeningByExtension)
{
    const InputFormat format;
    EXPECT_EQ(format.kind, 0);
    EXPECT_TRUE(format.openByExtension);
    EXPECT_EQ(format.layouts[0], defaultLayout(0));
    EXPECT_EQ(format.layouts[1], defaultLayout(1));
    EXPECT_EQ(format.layouts[2], defaultLayout(2));
}

TEST(InputFormat, CommonDefaultsDescribeAnXyzFrame)
{
    const LayoutSettings s = defaultLayout(0);
    EXPECT_EQ(s.firstAtomLine, 3);
    EXPECT_EQ(s.skipLines, 0);
    EXPECT_EQ(s.xyzPosition, 2);
    EXPECT_EQ(s.chargePosition, 5);
    EXPECT_EQ(s.impulsePosition, 6);
    EXPECT_EQ(s.orbitalPosition, 9);
    EXPECT_EQ(s.fixedAtomCount, 3);
    EXPECT_EQ(s.atomCountPosition, 1);
    EXPECT_EQ(s.timePosition, 2);
    EXPECT_EQ(s.energyPosition, 2);
    EXPECT_FALSE(s.useFixedCount);
    EXPECT_TRUE(s.readTime);
    EXPECT_TRUE(s.readEnergy);
    EXPECT_FALSE(s.convertUnits);
    EXPECT_TRUE(s.readNames);
    EXPECT_TRUE(s.readCharge);
    EXPECT_TRUE(s.readImpulses);
    EXPECT_TRUE(s.readOrbitals);
}

TEST(InputFormat, TableDefaultsPutImpulsesOnTheCoordinateColumn)
{
    const LayoutSettings s = defaultLayout(1);
    EXPECT_EQ(s.firstAtomLine, 1);
    EXPECT_EQ(s.skipLines, 2);
    EXPECT_EQ(s.xyzPosition, 10);
    EXPECT_EQ(s.chargePosition, 7);
    EXPECT_EQ(s.impulsePosition, 10);
    EXPECT_EQ(s.orbitalPosition, 13);
    EXPECT_EQ(s.fixedAtomCount, 3);
    EXPECT_EQ(s.atomCountPosition, 1);
    EXPECT_EQ(s.timePosition, 2);
    EXPECT_EQ(s.energyPosition, 3);
    EXPECT_TRUE(s.useFixedCount);
    EXPECT_TRUE(s.readTime);
    EXPECT_TRUE(s.readEnergy);
    EXPECT_TRUE(s.convertUnits);
    EXPECT_FALSE(s.readNames);
    EXPECT_TRUE(s.readCharge);
    EXPECT_TRUE(s.readImpulses);
    EXPECT_TRUE(s.readOrbitals);
}

TEST(InputFormat, CustomDefaultsReadNoTime)
{
    const LayoutSettings s = defaultLayout(2);
    EXPECT_EQ(s.firstAtomLine, 7);
    EXPECT_EQ(s.skipLines, 0);
    EXPECT_EQ(s.xyzPosition, 1);
    EXPECT_EQ(s.chargePosition, 7);
    EXPECT_EQ(s.impulsePosition, 10);
    EXPECT_EQ(s.orbitalPosition, 13);
    EXPECT_EQ(s.fixedAtomCount, 3);
    EXPECT_EQ(s.atomCountPosition, 1);
    EXPECT_EQ(s.timePosition, 1);
    EXPECT_EQ(s.energyPosition, 3);
    EXPECT_TRUE(s.useFixedCount);
    EXPECT_FALSE(s.readTime);
    EXPECT_TRUE(s.readEnergy);
    EXPECT_TRUE(s.convertUnits);
    EXPECT_FALSE(s.readNames);
    EXPECT_TRUE(s.readCharge);
    EXPECT_TRUE(s.readImpulses);
    EXPECT_TRUE(s.readOrbitals);
}

TEST(InputFormat, SetDefaultRestoresOnlyTheNamedKind)
{
    InputFormat format;
    for (LayoutSettings &layout : format.layouts)
        layout.skipLines = 9;
    format.setDefault(2);
    EXPECT_EQ(format.layouts[2], defaultLayout(2));
    EXPECT_EQ(format.layouts[0].skipLines, 9);
    EXPECT_EQ(format.layouts[1].skipLines, 9);
}

TEST(InputFormat, CurrentFollowsTheKind)
{
    InputFormat format;
    format.kind = 1;
    EXPECT_EQ(format.current().xyzPosition, 10);
    format.current().xyzPosition = 4;
    EXPECT_EQ(format.layouts[1].xyzPosition, 4);
    EXPECT_EQ(format.layouts[0].xyzPosition, 2);
}

TEST(InputFormat, ExtensionsSelectTheirKindInAnyLetterCase)
{
    EXPECT_EQ(kindForExtension(".XYZ"), 0);
    EXPECT_EQ(kindForExtension(".xyz"), 0);
    EXPECT_EQ(kindForExtension(".prn"), 1);
    EXPECT_EQ(kindForExtension(".Prn"), 1);
    EXPECT_EQ(kindForExtension(".TXT"), 2);
    EXPECT_EQ(kindForExtension(".txt"), 2);
}

TEST(InputFormat, OtherExtensionsSelectNoKind)
{
    EXPECT_EQ(kindForExtension(".jpeg"), -1);
    EXPECT_EQ(kindForExtension(".xy"), -1);
    EXPECT_EQ(kindForExtension(".xyzz"), -1);
    EXPECT_EQ(kindForExtension("xyz"), -1);
    EXPECT_EQ(kindForExtension(""), -1);
}

TEST(InputFormat, ExtensionIsTakenFromTheLastDotOfTheFileNamePart)
{
    EXPECT_EQ(fileExtension("water.prn"), ".prn");
    EXPECT_EQ(fileExtension("/runs/water.backup.xyz"), ".xyz");
    EXPECT_EQ(fileExtension("/runs.old/water"), "");
    EXPECT_EQ(fileExtension("C:\\runs.v2\\water"), "");
    EXPECT_EQ(fileExtension("disk.a:water"), "");
    EXPECT_EQ(fileExtension("water."), ".");
}

TEST(InputFormat, FileNamePartFollowsTheLastSeparator)
{
    EXPECT_EQ(fileNamePart("water.xyz"), "water.xyz");
    EXPECT_EQ(fileNamePart("/home/user/water.xyz"), "water.xyz");
    EXPECT_EQ(fileNamePart("C:\\runs\\water.xyz"), "water.xyz");
    EXPECT_EQ(fileNamePart("disk:water.xyz"), "water.xyz");
    EXPECT_EQ(fileNamePart("C:\\runs/mixed:water.xyz"), "water.xyz");
    EXPECT_EQ(fileNamePart("/runs/"), "");
}

} // namespace
