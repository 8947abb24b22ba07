#include "model/messagesink.h"
#include "render/imagefile.h"
#include "render/moviewriter.h"
#include "scenetestsupport.h"

#include <QDir>
#include <QTemporaryDir>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace {

// What libavformat and libavcodec read back from a movie file, each picture as RGB32.
struct DecodedMovie
{
    std::string codec;
    std::vector<QImage> pictures;
    std::vector<double> seconds; ///< presentation time of each picture
};

DecodedMovie decodeMovie(const std::string &path)
{
    DecodedMovie movie;
    AVFormatContext *container = nullptr;
    if (avformat_open_input(&container, path.c_str(), nullptr, nullptr) < 0)
        return movie;
    avformat_find_stream_info(container, nullptr);
    const AVCodec *codec = nullptr;
    const int index = av_find_best_stream(container, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index >= 0) {
        const AVStream *stream = container->streams[index];
        movie.codec = avcodec_get_name(stream->codecpar->codec_id);
        AVCodecContext *decoder = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(decoder, stream->codecpar);
        avcodec_open2(decoder, codec, nullptr);
        AVPacket *packet = av_packet_alloc();
        AVFrame *frame = av_frame_alloc();
        const auto receive = [&] {
            while (avcodec_receive_frame(decoder, frame) >= 0) {
                QImage picture(frame->width, frame->height, QImage::Format_RGB32);
                // accurate rounding and full chroma keep libswscale off its fast paths, which
                // round off by a level or two and leave the last columns of some widths black
                SwsContext *converter = sws_getContext(frame->width, frame->height,
                    static_cast<AVPixelFormat>(frame->format), frame->width, frame->height,
                    AV_PIX_FMT_RGB32, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                    nullptr, nullptr);
                // read the colours as the file says they were written
                const int space =
                    frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
                sws_setColorspaceDetails(converter, sws_getCoefficients(space),
                    frame->color_range == AVCOL_RANGE_JPEG, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                    0, 1 << 16, 1 << 16);
                std::uint8_t *planes[] = {picture.bits()};
                const int strides[] = {static_cast<int>(picture.bytesPerLine())};
                sws_scale(
                    converter, frame->data, frame->linesize, 0, frame->height, planes, strides);
                sws_freeContext(converter);
                movie.pictures.push_back(picture);
                movie.seconds.push_back(
                    static_cast<double>(frame->best_effort_timestamp) * av_q2d(stream->time_base));
            }
        };
        while (av_read_frame(container, packet) >= 0) {
            if (packet->stream_index == index && avcodec_send_packet(decoder, packet) >= 0)
                receive();
            av_packet_unref(packet);
        }
        avcodec_send_packet(decoder, nullptr);
        receive();
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&decoder);
    }
    avformat_close_input(&container);
    return movie;
}

int squaredDistance(QRgb a, QRgb b)
{
    const int r = qRed(a) - qRed(b);
    const int g = qGreen(a) - qGreen(b);
    const int bl = qBlue(a) - qBlue(b);
    return r * r + g * g + bl * bl;
}

// Peak signal-to-noise ratio in dB over the area of expected, the channels taken together.
double psnr(const QImage &expected, const QImage &actual)
{
    double sum = 0.0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            sum += squaredDistance(expected.pixel(x, y), actual.pixel(x, y));
    const double mean = sum / (3.0 * expected.width() * expected.height());
    return mean == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mean);
}

// Pixels whose colour moved by more than coding noise does.
int changedPixels(const QImage &a, const QImage &b)
{
    int changed = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            changed += squaredDistance(a.pixel(x, y), b.pixel(x, y)) > 3 * 40 * 40;
    return changed;
}

std::string contentsOf(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

struct RecordingSink : MessageSink
{
    void show(std::string_view, std::string_view) override { ++shown; }
    int shown = 0;
};

// Six frames of three shaded, labelled atoms moving apart, one frame from the next.
struct MovingAtoms : TestScene
{
    MovingAtoms()
    {
        AtomType &oxygen = addType("O", 0x000000FFu, 0.73);
        AtomType &hydrogen = addType("H", 0x00FFFFFFu, 0.5);
        AtomType &carbon = addType("C", 0x0000C000u, 0.77);
        for (int k = 0; k < 6; ++k) {
            const double d = 0.3 * k;
            addFrame({{{-1.0 - d, 0.2 * k, 0.0}, &oxygen}, {{1.0 + d, 0.0, 0.5}, &hydrogen},
                {{0.0, 1.0 + d, -0.5}, &carbon}});
        }
        display.FitMode = 3;
        display.ShowLabels = true;
        // a saturated background shows a colour matrix that is not the one tagged
        display.BackgroundColor = rgbColor(0, 160, 60);
    }
    std::vector<const Frame *> frameList() const
    {
        std::vector<const Frame *> list;
        for (const Frame &frame : frames)
            list.push_back(&frame);
        return list;
    }
};

class MovieFormats : public ::testing::TestWithParam<const char *>
{
};

TEST_P(MovieFormats, DecodeToTheFramesDrawnAtTheRateAsked)
{
    QTemporaryDir folder;
    MovingAtoms scene;
    const auto frames = scene.frameList();
    const std::string path = folder.filePath(QStringLiteral("run.")).toStdString() + GetParam();
    const MovieOutcome outcome = writeMovie(path, 20, 6, scene.picture, [&](int k) {
        scene.redraw(frames[static_cast<std::size_t>(k)]);
        return true;
    });
    ASSERT_EQ(outcome.result, MovieResult::Written) << outcome.error;

    // the reference: the picture of the first frame as a BMP file, read back
    scene.redraw(frames[0]);
    RecordingSink sink;
    const std::string bmp = folder.filePath(QStringLiteral("first.bmp")).toStdString();
    ASSERT_TRUE(SaveImage(scene.picture, bmp, sink));
    const QImage first = QImage(QString::fromStdString(bmp)).convertToFormat(QImage::Format_RGB32);

    const DecodedMovie movie = decodeMovie(path);
    ASSERT_EQ(movie.pictures.size(), 6u);
    for (std::size_t k = 1; k < movie.seconds.size(); ++k)
        EXPECT_NEAR(movie.seconds[k] - movie.seconds[k - 1], 1.0 / 20.0, 1e-3) << "frame " << k;
    // the atoms move in every frame: no picture may repeat the one before
    for (std::size_t k = 1; k < movie.pictures.size(); ++k)
        EXPECT_GT(changedPixels(movie.pictures[k - 1], movie.pictures[k]), 200) << "frame " << k;

    const QImage &decoded = movie.pictures[0];
    ASSERT_GE(decoded.width(), first.width());
    ASSERT_GE(decoded.height(), first.height());
    if (movie.codec == "gif") {
        // every pixel is the colour of the frame's palette nearest to what was drawn
        std::set<QRgb> palette;
        for (int y = 0; y < decoded.height(); ++y)
            for (int x = 0; x < decoded.width(); ++x)
                palette.insert(decoded.pixel(x, y));
        ASSERT_LE(palette.size(), 256u);
        int wrong = 0;
        for (int y = 0; y < first.height(); ++y)
            for (int x = 0; x < first.width(); ++x) {
                int nearest = 1 << 30;
                for (const QRgb colour : palette)
                    nearest = std::min(nearest, squaredDistance(first.pixel(x, y), colour));
                wrong += squaredDistance(first.pixel(x, y), decoded.pixel(x, y)) > nearest;
            }
        EXPECT_EQ(wrong, 0);
        EXPECT_GE(psnr(first, decoded), 35.0);
    } else {
        EXPECT_GE(psnr(first, decoded), 35.0);
        // MP4 pads to even sizes; the padding repeats the picture's edge
        EXPECT_EQ(decoded.width() - first.width(), movie.codec == "h264" ? 1 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(MovieWriter, MovieFormats, ::testing::Values("mp4", "webm", "gif"));

TEST(MovieWriter, PadsAnOddSizeForH264WithoutStretching)
{
    // grey stripes two pixels wide: a picture stretched by one pixel drifts by half a stripe
    // towards its right edge
    QImage picture(101, 51, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, (x / 2) % 2 ? qRgb(40, 40, 40) : qRgb(220, 220, 220));
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("stripes.mp4")).toStdString();
    ASSERT_EQ(
        writeMovie(path, 25, 1, picture, [](int) { return true; }).result, MovieResult::Written);
    const DecodedMovie movie = decodeMovie(path);
    ASSERT_EQ(movie.pictures.size(), 1u);
    const QImage &decoded = movie.pictures[0];
    EXPECT_EQ(decoded.size(), QSize(102, 52));
    const QRect right(76, 0, 25, 51);
    EXPECT_GE(psnr(picture.copy(right), decoded.copy(right)), 30.0);
}

TEST(MovieWriter, KeepsTheOldFileWhenCancelledOrFailing)
{
    struct Case
    {
        const char *name;
        MovieResult result;
    };
    for (const Case &c :
        {Case{"cancel", MovieResult::Cancelled}, Case{"fail", MovieResult::Failed}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const std::string path = folder.filePath(QStringLiteral("old.mp4")).toStdString();
        std::ofstream(path) << "the old movie";
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        const MovieOutcome outcome = writeMovie(path, 25, 10, picture, [&](int k) {
            if (k == 4 && c.result == MovieResult::Cancelled)
                return false;
            if (k == 4)
                picture = QImage(80, 48, QImage::Format_RGB32); // the encoder refuses it
            return true;
        });
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.error.empty(), c.result == MovieResult::Cancelled) << outcome.error;
        EXPECT_EQ(contentsOf(path), "the old movie");
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

TEST(MovieWriter, NamesTheFormatByTheExtensionInAnyCase)
{
    EXPECT_EQ(movieFormatOf("/out/run.MP4"), MovieFormat::Mp4);
    EXPECT_EQ(movieFormatOf("run.WebM"), MovieFormat::WebM);
    EXPECT_EQ(movieFormatOf("a.b/run.gif"), MovieFormat::Gif);
    EXPECT_EQ(movieFormatOf("run.gif.bmp"), MovieFormat::None);
    EXPECT_EQ(movieFormatOf("mp4.d/run"), MovieFormat::None);
    QImage picture(8, 8, QImage::Format_RGB32);
    const MovieOutcome outcome = writeMovie("run.avi", 25, 1, picture, [](int) { return true; });
    EXPECT_EQ(outcome.result, MovieResult::Failed);
    EXPECT_NE(outcome.error.find(".mp4, .webm or .gif"), std::string::npos) << outcome.error;
}

} // namespace
