#include "render/spherepicture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct RecordingStatus : StatusSink
{
    std::vector<std::string> events;
    void showBusy(std::string_view text) override { events.emplace_back(text); }
    void showCounter() override { events.emplace_back("counter"); }
};

std::uint32_t at(const SpherePicture &picture, int x, int y)
{
    return picture.pixels[static_cast<std::size_t>(y * SpherePicture::Side + x)];
}

constexpr std::uint32_t Black = 0xFF000000u;
constexpr std::uint32_t White = 0xFFFFFFFFu;

int insideCount(const SpherePicture &mask, bool row, int which)
{
    int count = 0;
    for (int i = 0; i < SpherePicture::Side; ++i)
        count += (row ? at(mask, i, which) : at(mask, which, i)) == Black;
    return count;
}

} // namespace

TEST(SpherePicture, PixelsConvertBetweenColourValuesAndImagePixels)
{
    EXPECT_EQ(pixelOfColor(rgbColor(0x12, 0x34, 0x56)), 0xFF123456u);
    EXPECT_EQ(colorOfPixel(0xFF123456u), rgbColor(0x12, 0x34, 0x56));
    EXPECT_EQ(pixelOfColor(0x7F000000u), Black);
}

TEST(SpherePicture, CentreHasTheRecordsColourAndTheRimIsBlackInside)
{
    AtomType record = createAtomType(rgbColor(200, 100, 50), "O", 8, 1.0);
    renderSphereImages(record, nullptr);
    ASSERT_TRUE(record.sphereImage && record.sphereMask);
    EXPECT_EQ(at(*record.sphereImage, 32, 32), 0xFFC86432u);
    EXPECT_EQ(at(*record.sphereMask, 32, 32), Black);
    for (const auto &[x, y] : {std::pair{0, 32}, std::pair{32, 0}}) {
        EXPECT_EQ(at(*record.sphereImage, x, y), Black) << x << "," << y;
        EXPECT_EQ(at(*record.sphereMask, x, y), Black) << x << "," << y;
    }
}

TEST(SpherePicture, CornersAreOutsideTheBall)
{
    AtomType record = createAtomType(rgbColor(255, 255, 255), "H", 1, 1.0);
    renderSphereImages(record, nullptr);
    for (const auto &[x, y] :
        {std::pair{0, 0}, std::pair{63, 0}, std::pair{0, 63}, std::pair{63, 63}}) {
        EXPECT_EQ(at(*record.sphereImage, x, y), Black);
        EXPECT_EQ(at(*record.sphereMask, x, y), White);
    }
}

TEST(SpherePicture, DiscIsCentredOnPixel32NotOnTheSquaresMiddle)
{
    AtomType record = createAtomType(rgbColor(255, 0, 0), "X", 1, 1.0);
    renderSphereImages(record, nullptr);
    EXPECT_EQ(insideCount(*record.sphereMask, true, 0), 1);
    EXPECT_EQ(insideCount(*record.sphereMask, false, 0), 1);
    EXPECT_EQ(insideCount(*record.sphereMask, true, 63), 15);
    EXPECT_EQ(insideCount(*record.sphereMask, false, 63), 15);
}

TEST(SpherePicture, WhiteShadesToGreyByTheCosineAndTruncates)
{
    AtomType record = createAtomType(rgbColor(255, 255, 255), "H", 1, 1.0);
    renderSphereImages(record, nullptr);
    // d = 1024 - 16^2 = 768, s = sqrt(768)/32 = 0.866..., 255 s = 220.8 -> 220
    EXPECT_EQ(at(*record.sphereImage, 48, 32), 0xFFDCDCDCu);
    // d = 1024 - 31^2 = 63, s = 0.248..., 255 s = 63.2 -> 63
    EXPECT_EQ(at(*record.sphereImage, 1, 32), 0xFF3F3F3Fu);
}

TEST(SpherePicture, BlackRecordStillMasksItsDisc)
{
    AtomType record = createAtomType(rgbColor(0, 0, 0), "C", 6, 1.0);
    renderSphereImages(record, nullptr);
    EXPECT_EQ(at(*record.sphereImage, 32, 32), Black);
    EXPECT_EQ(at(*record.sphereMask, 32, 32), Black);
    EXPECT_EQ(at(*record.sphereMask, 0, 0), White);
}

TEST(SpherePicture, RebuildsInPlaceAndShowsTheBusyText)
{
    AtomType record = createAtomType(rgbColor(255, 0, 0), "Na", 11, 1.0);
    RecordingStatus status;
    renderSphereImages(record, &status);
    const SpherePicture *image = record.sphereImage.get();
    record.color = rgbColor(0, 255, 0);
    renderSphereImages(record, &status);
    EXPECT_EQ(record.sphereImage.get(), image);
    EXPECT_EQ(at(*record.sphereImage, 32, 32), 0xFF00FF00u);
    const std::vector<std::string> expected{"I'm rendering atom Na, please wait!", "counter",
        "I'm rendering atom Na, please wait!", "counter"};
    EXPECT_EQ(status.events, expected);
}
