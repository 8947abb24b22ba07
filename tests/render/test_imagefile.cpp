#include "render/imagefile.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

QImage testPicture()
{
    QImage image(83, 61, QImage::Format_RGB32);
    std::mt19937 random(5);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFFu));
    return image;
}

// Smooth colours, so a lossy encoding must stay close to them.
QImage gradientPicture()
{
    QImage image(120, 80, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 2, y * 3, 200 - x));
    return image;
}

std::string pathIn(const QTemporaryDir &directory, const char *name)
{
    return QDir(directory.path()).filePath(QString::fromLatin1(name)).toStdString();
}

} // namespace

TEST(SaveImage, BitmapReadsBackWithIdenticalPixels)
{
    QTemporaryDir directory;
    RecordingSink sink;
    const QImage picture = testPicture();
    const std::string path = pathIn(directory, "frame.Bmp");
    ASSERT_TRUE(SaveImage(picture, path, sink));
    EXPECT_TRUE(sink.messages.empty());
    QImageReader reader(QString::fromStdString(path));
    EXPECT_EQ(reader.format(), "bmp");
    const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(back, picture);
}

TEST(SaveImage, JpegDecodesToTheSameSizeAndCloseColours)
{
    if (!QImageReader::supportedImageFormats().contains("jpeg"))
        GTEST_SKIP() << "no independent JPEG decoder";
    QTemporaryDir directory;
    RecordingSink sink;
    const QImage picture = gradientPicture();
    const std::string path = pathIn(directory, "frame.jpg");
    ASSERT_TRUE(SaveImage(picture, path, sink));
    QImageReader reader(QString::fromStdString(path));
    const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_FALSE(back.isGrayscale());
    int worst = 0;
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x) {
            const QRgb a = picture.pixel(x, y), b = back.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                std::abs(qBlue(a) - qBlue(b))});
        }
    EXPECT_LE(worst, 12);
}

TEST(SaveImage, JpegIsBaselineColourAtQualityNinety)
{
    QTemporaryDir directory;
    RecordingSink sink;
    const std::string path = pathIn(directory, "frame.JPG");
    ASSERT_TRUE(SaveImage(gradientPicture(), path, sink));
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const qsizetype baseline = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GE(baseline, 0);
    EXPECT_LT(bytes.indexOf(QByteArray("\xFF\xC2", 2)), 0);
    EXPECT_EQ(static_cast<unsigned char>(bytes[baseline + 9]), 3u) << "three components";
    // quality 90 scales the standard luminance table by 20 %: its first entry 16 becomes 3
    const qsizetype table = bytes.indexOf(QByteArray("\xFF\xDB", 2));
    ASSERT_GE(table, 0);
    EXPECT_EQ(static_cast<unsigned char>(bytes[table + 5]), 3u);
}

TEST(SaveImage, PngIsLosslessAndJpegExtensionWritesJpeg)
{
    QTemporaryDir directory;
    RecordingSink sink;
    const QImage picture = testPicture();
    const std::string png = pathIn(directory, "frame.PnG");
    ASSERT_TRUE(SaveImage(picture, png, sink));
    QImageReader reader(QString::fromStdString(png));
    EXPECT_EQ(reader.format(), "png");
    EXPECT_EQ(reader.read().convertToFormat(QImage::Format_RGB32), picture);

    const std::string jpeg = pathIn(directory, "frame.Jpeg");
    ASSERT_TRUE(SaveImage(gradientPicture(), jpeg, sink));
    QFile file(QString::fromStdString(jpeg));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(3) == QByteArray("\xFF\xD8\xFF", 3));
    EXPECT_TRUE(sink.messages.empty());
}

TEST(SaveImage, OtherExtensionsAreRefusedWithAMessage)
{
    QTemporaryDir directory;
    for (const char *name : {"frame.gif", "frame.jpe", "frame", "bmp.d/frame"}) {
        RecordingSink sink;
        const std::string path = pathIn(directory, name);
        EXPECT_FALSE(SaveImage(testPicture(), path, sink)) << name;
        ASSERT_EQ(sink.messages.size(), 1u) << name;
        EXPECT_EQ(sink.messages[0].first, "SAVE IMAGE ERROR");
        EXPECT_EQ(sink.messages[0].second, "Unsupported image format");
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path))) << name;
    }
}

TEST(NumberText, PadsWithZerosAndNeverCuts)
{
    EXPECT_EQ(NumberText(5, 2), "05");
    EXPECT_EQ(NumberText(50, 2), "50");
    EXPECT_EQ(NumberText(123, 2), "123");
    EXPECT_EQ(NumberText(0, 3), "000");
    EXPECT_EQ(NumberText(7, 0), "7");
}

TEST(SeriesFileName, NumbersPicturesWithTheDigitsOfTheSeriesLength)
{
    EXPECT_EQ(decimalDigits(51), 2);
    EXPECT_EQ(decimalDigits(100), 3);
    EXPECT_EQ(decimalDigits(9), 1);
    EXPECT_EQ(seriesFileName("/out/run.bmp", 0, decimalDigits(51)), "/out/run00.bmp");
    EXPECT_EQ(seriesFileName("/out/run.bmp", 50, decimalDigits(51)), "/out/run50.bmp");
    EXPECT_EQ(seriesFileName("/out/run.JPG", 99, 3), "/out/run099.JPG");
    EXPECT_EQ(seriesFileName("pictures/a.b/run.bmp", 7, 1), "pictures/a.b/run7.bmp");
    EXPECT_EQ(seriesFileName("run.bmp", 3, 2), "run03.bmp");
    EXPECT_EQ(seriesFileName("/out/run", 3, 2), "/out/run03");
    // only "/" separates folders: ':' and '\\' belong to the name as typed
    EXPECT_EQ(seriesFileName("/out/t12:30.bmp", 0, 2), "/out/t12:3000.bmp");
    EXPECT_EQ(seriesFileName("a\\b.c\\run.png", 4, 1), "a\\b.c\\run4.png");
}
