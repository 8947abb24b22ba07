#include "render/movieencoder.h"

#include "render/gifpalette.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <list>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// FFmpeg's own lines (x264's settings, notes) are not the program's output; the last error
// line is kept, as it often says why an encoder refused.
std::mutex lastLogLineMutex;
std::string lastLogLine;

void keepErrorLines(void *context, int level, const char *format, va_list arguments)
{
    if (level > AV_LOG_ERROR)
        return;
    std::array<char, 512> line{};
    int printPrefix = 0;
    av_log_format_line2(context, level, format, arguments, line.data(),
        static_cast<int>(line.size()), &printPrefix);
    std::string text = line.data();
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    const std::lock_guard lock(lastLogLineMutex);
    lastLogLine = text;
}

std::string takeLastLogLine()
{
    const std::lock_guard lock(lastLogLineMutex);
    return std::exchange(lastLogLine, std::string());
}

std::string errorText(int code)
{
    std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
    av_strerror(code, text.data(), text.size());
    return text.data();
}

// One view of the file: its own position, so the faststart pass can read the file while it
// writes it.
struct FileView
{
    int descriptor = -1;
    std::int64_t position = 0;
    bool seekable = true;
    bool dropped = false; ///< the movie is given up: nothing more reaches the file
};

#if LIBAVFORMAT_VERSION_MAJOR >= 61
using WrittenBytes = const std::uint8_t *;
#else
using WrittenBytes = std::uint8_t *;
#endif

int writeBytes(void *opaque, WrittenBytes bytes, int size)
{
    auto &view = *static_cast<FileView *>(opaque);
    if (view.dropped)
        return AVERROR(ECANCELED);
    int done = 0;
    while (done < size) {
        const auto left = static_cast<std::size_t>(size - done);
        const ssize_t written = view.seekable
            ? pwrite(view.descriptor, bytes + done, left, view.position)
            : write(view.descriptor, bytes + done, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return AVERROR(written < 0 ? errno : EIO);
        done += static_cast<int>(written);
        view.position += written;
    }
    return size;
}

int readBytes(void *opaque, std::uint8_t *bytes, int size)
{
    auto &view = *static_cast<FileView *>(opaque);
    ssize_t got = 0;
    do
        got = pread(view.descriptor, bytes, static_cast<std::size_t>(size), view.position);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return AVERROR(errno);
    if (got == 0)
        return AVERROR_EOF;
    view.position += got;
    return static_cast<int>(got);
}

std::int64_t seekBytes(void *opaque, std::int64_t offset, int whence)
{
    auto &view = *static_cast<FileView *>(opaque);
    if (!view.seekable)
        return AVERROR(ESPIPE);
    struct stat status
    {
    };
    if ((whence & AVSEEK_SIZE) || (whence & ~AVSEEK_FORCE) == SEEK_END) {
        if (fstat(view.descriptor, &status) != 0)
            return AVERROR(errno);
        if (whence & AVSEEK_SIZE)
            return status.st_size;
        view.position = status.st_size + offset;
        return view.position;
    }
    if ((whence & ~AVSEEK_FORCE) == SEEK_CUR)
        view.position += offset;
    else
        view.position = offset;
    return view.position;
}

constexpr int IoBufferSize = 1 << 16;

AVIOContext *makeIo(FileView &view, bool writing)
{
    auto *buffer = static_cast<unsigned char *>(av_malloc(IoBufferSize));
    if (!buffer)
        return nullptr;
    AVIOContext *io = avio_alloc_context(buffer, IoBufferSize, writing ? 1 : 0, &view,
        writing ? nullptr : readBytes, writing ? writeBytes : nullptr, seekBytes);
    if (!io) {
        av_free(buffer);
        return nullptr;
    }
    io->seekable = view.seekable ? AVIO_SEEKABLE_NORMAL : 0;
    return io;
}

void freeIo(AVIOContext *&io)
{
    if (!io)
        return;
    av_freep(&io->buffer);
    avio_context_free(&io);
}

struct Codec
{
    const char *encoder;
    const char *description;
    const char *muxer;
    AVPixelFormat pixels;
};

Codec codecOf(MovieFormat format)
{
    switch (format) {
    case MovieFormat::Mp4:
        return {"libx264", "H.264", "mp4", AV_PIX_FMT_YUV420P};
    case MovieFormat::WebM:
        return {"libvpx-vp9", "VP9", "webm", AV_PIX_FMT_YUV420P};
    case MovieFormat::Gif:
        return {"gif", "GIF", "gif", AV_PIX_FMT_PAL8};
    case MovieFormat::None:
        break;
    }
    return {"", "", "", AV_PIX_FMT_NONE};
}

} // namespace

MovieFormat movieFormatOf(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return MovieFormat::None;
    std::string extension(name.substr(dot + 1));
    for (char &c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "mp4")
        return MovieFormat::Mp4;
    if (extension == "webm")
        return MovieFormat::WebM;
    if (extension == "gif")
        return MovieFormat::Gif;
    return MovieFormat::None;
}

struct MovieEncoder::Encoding
{
    Codec codec{};
    MovieFormat format = MovieFormat::None;
    int width = 0; ///< of the pictures
    int height = 0;
    FileView output;
    std::list<FileView> readers; ///< views the faststart pass opened
    AVIOContext *io = nullptr;
    AVFormatContext *container = nullptr;
    AVCodecContext *encoder = nullptr;
    AVStream *stream = nullptr;
    SwsContext *converter = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    QImage padded; ///< the picture grown to the encoder's even size
    std::int64_t nextPts = 0;
    bool headerWritten = false;

    ~Encoding()
    {
        // A muxer may free what it holds only when it ends the file (the GIF muxer keeps the
        // last picture back until the next one comes): a movie given up after its start is
        // ended too, with the file taking no more writes.
        if (headerWritten) {
            output.dropped = true;
            av_write_trailer(container);
        }
        av_packet_free(&packet);
        av_frame_free(&frame);
        sws_freeContext(converter);
        avcodec_free_context(&encoder);
        avformat_free_context(container);
        freeIo(io);
    }

    // The faststart pass opens the file a second time to read what it moves.
    static int openAgain(
        AVFormatContext *container, AVIOContext **io, const char *, int flags, AVDictionary **)
    {
        auto &self = *static_cast<Encoding *>(container->opaque);
        if ((flags & AVIO_FLAG_WRITE) || !self.output.seekable || self.output.dropped)
            return AVERROR(ENOSYS);
        FileView &view = self.readers.emplace_back(FileView{self.output.descriptor, 0, true});
        *io = makeIo(view, false);
        return *io ? 0 : AVERROR(ENOMEM);
    }
    static int closeAgain(AVFormatContext *, AVIOContext *io)
    {
        freeIo(io);
        return 0;
    }
};

MovieEncoder::MovieEncoder() = default;
MovieEncoder::~MovieEncoder() = default;

bool MovieEncoder::open(
    std::FILE *file, MovieFormat format, int width, int height, int framesPerSecond)
{
    static std::once_flag logging;
    std::call_once(logging, [] { av_log_set_callback(keepErrorLines); });
    takeLastLogLine();

    encoding_ = std::make_unique<Encoding>();
    Encoding &e = *encoding_;
    width_ = width;
    height_ = height;
    e.codec = codecOf(format);
    e.format = format;
    e.width = width;
    e.height = height;
    if (format == MovieFormat::None) {
        error_ = "not a movie file name: the extension must be .mp4, .webm or .gif";
        return false;
    }
    const AVCodec *codec = avcodec_find_encoder_by_name(e.codec.encoder);
    if (!codec) {
        error_ = std::string("the installed FFmpeg libraries have no ") + e.codec.encoder
            + " encoder for " + e.codec.description;
        return false;
    }

    std::fflush(file);
    e.output.descriptor = fileno(file);
    e.output.position = lseek(e.output.descriptor, 0, SEEK_CUR);
    e.output.seekable = e.output.position >= 0;
    if (!e.output.seekable)
        e.output.position = 0;
    e.io = makeIo(e.output, true);
    if (!e.io
        || avformat_alloc_output_context2(&e.container, nullptr, e.codec.muxer, nullptr) < 0) {
        error_ = "out of memory starting the movie";
        return false;
    }
    e.container->pb = e.io;
    e.container->flags |= AVFMT_FLAG_CUSTOM_IO;
    e.container->opaque = &e;
    e.container->io_open = Encoding::openAgain;
    e.container->io_close2 = Encoding::closeAgain;

    e.encoder = avcodec_alloc_context3(codec);
    e.stream = avformat_new_stream(e.container, nullptr);
    e.frame = av_frame_alloc();
    e.packet = av_packet_alloc();
    if (!e.encoder || !e.stream || !e.frame || !e.packet) {
        error_ = "out of memory starting the movie";
        return false;
    }
    // H.264's 4:2:0 pictures come in whole pairs of pixels
    const bool even = format == MovieFormat::Mp4;
    e.encoder->width = even ? width + width % 2 : width;
    e.encoder->height = even ? height + height % 2 : height;
    e.encoder->pix_fmt = e.codec.pixels;
    e.encoder->time_base = AVRational{1, framesPerSecond};
    e.encoder->framerate = AVRational{framesPerSecond, 1};
    e.stream->time_base = e.encoder->time_base;
    if (format != MovieFormat::Gif) {
        e.encoder->gop_size = 2 * framesPerSecond; // a key frame every 2 s lets players seek
        e.encoder->color_range = AVCOL_RANGE_MPEG;
        e.encoder->colorspace = AVCOL_SPC_BT709;
        e.encoder->color_primaries = AVCOL_PRI_BT709;
        e.encoder->color_trc = AVCOL_TRC_BT709;
        e.encoder->thread_count = 0;
    }
    if (e.container->oformat->flags & AVFMT_GLOBALHEADER)
        e.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary *codecOptions = nullptr;
    switch (format) {
    case MovieFormat::Mp4:
        // ultrafast keeps pace with the drawing of large frames on two cores (veryfast needs
        // one and a half times the processor time of drawing and writing BMP pictures), and a
        // constant quality of 18 leaves the edges of balls and labels clean; the price is a
        // larger file, played everywhere all the same (no B-frames, no CABAC)
        av_dict_set(&codecOptions, "preset", "ultrafast", 0);
        av_dict_set(&codecOptions, "crf", "18", 0);
        break;
    case MovieFormat::WebM:
        av_dict_set(&codecOptions, "deadline", "realtime", 0);
        av_dict_set(&codecOptions, "cpu-used", "8", 0);
        av_dict_set(&codecOptions, "crf", "20", 0);
        av_dict_set(&codecOptions, "b", "0", 0);
        av_dict_set(&codecOptions, "row-mt", "1", 0);
        break;
    case MovieFormat::Gif:
        // each frame whole with its own palette: cropping to the changed part compares
        // palette indices, which mean other colours in the next frame's palette
        av_dict_set(&codecOptions, "gifflags", "0", 0);
        break;
    case MovieFormat::None:
        break;
    }
    const int opened = avcodec_open2(e.encoder, codec, &codecOptions);
    av_dict_free(&codecOptions);
    if (opened < 0) {
        const std::string reason = takeLastLogLine();
        error_ = std::string("the ") + e.codec.encoder + " encoder (" + e.codec.description
            + ") refuses a picture of " + std::to_string(width) + "x" + std::to_string(height)
            + " pixels: " + (reason.empty() ? errorText(opened) : reason);
        return false;
    }
    if (avcodec_parameters_from_context(e.stream->codecpar, e.encoder) < 0) {
        error_ = "out of memory starting the movie";
        return false;
    }

    e.frame->format = e.encoder->pix_fmt;
    e.frame->width = e.encoder->width;
    e.frame->height = e.encoder->height;
    if (av_frame_get_buffer(e.frame, 0) < 0) {
        error_ = "out of memory for a picture of the movie";
        return false;
    }
    if (format != MovieFormat::Gif) {
        e.converter =
            sws_getContext(e.encoder->width, e.encoder->height, AV_PIX_FMT_RGB32, e.encoder->width,
                e.encoder->height, e.encoder->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!e.converter) {
            error_ = "the installed libswscale cannot convert pictures to yuv420p";
            return false;
        }
        const int *bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(e.converter, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }

    AVDictionary *containerOptions = nullptr;
    if (format == MovieFormat::Mp4)
        av_dict_set(&containerOptions, "movflags", "+faststart", 0);
    if (format == MovieFormat::Gif)
        av_dict_set(&containerOptions, "loop", "0", 0); // 0: for ever
    const int header = avformat_write_header(e.container, &containerOptions);
    av_dict_free(&containerOptions);
    if (header < 0) {
        error_ = "cannot write the start of the movie: " + errorText(header);
        return false;
    }
    e.headerWritten = true;
    return true;
}

namespace {

// Sends frame (nullptr: the end) to the encoder and writes every packet it gives back; a
// failure sets encoding when the encoder failed rather than the writing.
int encodeAndWrite(AVCodecContext *encoder, AVFrame *frame, AVPacket *packet,
    AVFormatContext *container, AVStream *stream, bool &encoding)
{
    encoding = true;
    int result = avcodec_send_frame(encoder, frame);
    while (result >= 0) {
        encoding = true;
        result = avcodec_receive_packet(encoder, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            break;
        encoding = false;
        // every picture lasts one frame; the MP4 muxer takes the movie's length from the last
        // packet's duration, which the encoders leave at 0
        if (packet->duration == 0)
            packet->duration = 1;
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(container, packet);
    }
    return result;
}

} // namespace

bool MovieEncoder::addFrame(const QImage &picture)
{
    if (!encoding_ || !encoding_->headerWritten)
        return false;
    Encoding &e = *encoding_;
    if (picture.width() != e.width || picture.height() != e.height) {
        error_ = "a picture of the movie changed its size";
        return false;
    }
    if (av_frame_make_writable(e.frame) < 0) {
        error_ = "out of memory for a picture of the movie";
        return false;
    }
    const QImage image = picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);

    if (e.format == MovieFormat::Gif) {
        const PalettePicture reduced = reduceToPalette(image);
        for (int y = 0; y < e.height; ++y)
            std::memcpy(e.frame->data[0] + static_cast<std::ptrdiff_t>(y) * e.frame->linesize[0],
                reduced.indices.data() + static_cast<std::size_t>(y) * e.width,
                static_cast<std::size_t>(e.width));
        std::memcpy(e.frame->data[1], reduced.palette.data(), AVPALETTE_SIZE);
    } else {
        const QImage *source = &image;
        if (e.encoder->width != e.width || e.encoder->height != e.height) {
            if (e.padded.isNull())
                e.padded = QImage(e.encoder->width, e.encoder->height, QImage::Format_RGB32);
            const auto rowBytes = static_cast<std::size_t>(e.width) * 4;
            for (int y = 0; y < e.encoder->height; ++y) {
                auto *row = reinterpret_cast<std::uint32_t *>(e.padded.scanLine(y));
                std::memcpy(row, image.constScanLine(std::min(y, e.height - 1)), rowBytes);
                if (e.encoder->width != e.width)
                    row[e.width] = row[e.width - 1];
            }
            source = &e.padded;
        }
        const std::uint8_t *planes[] = {source->constBits()};
        const int strides[] = {static_cast<int>(source->bytesPerLine())};
        sws_scale(
            e.converter, planes, strides, 0, e.encoder->height, e.frame->data, e.frame->linesize);
    }
    e.frame->pts = e.nextPts++;
    bool encoding = false;
    const int result =
        encodeAndWrite(e.encoder, e.frame, e.packet, e.container, e.stream, encoding);
    if (result < 0) {
        failed(result, encoding);
        return false;
    }
    return true;
}

void MovieEncoder::failed(int code, bool encoding)
{
    const Encoding &e = *encoding_;
    const std::string reason = takeLastLogLine();
    const std::string cause = reason.empty() ? errorText(code) : reason;
    if (encoding)
        error_ = std::string("the ") + e.codec.encoder + " encoder (" + e.codec.description
            + ") failed on a picture of " + std::to_string(e.width) + "x" + std::to_string(e.height)
            + " pixels: " + cause;
    else
        error_ = "cannot write the movie: " + cause;
}

bool MovieEncoder::finish()
{
    if (!encoding_ || !encoding_->headerWritten)
        return false;
    Encoding &e = *encoding_;
    bool encoding = false;
    int result = encodeAndWrite(e.encoder, nullptr, e.packet, e.container, e.stream, encoding);
    if (result < 0) {
        failed(result, encoding);
        return false;
    }
    result = av_write_trailer(e.container);
    e.headerWritten = false;
    if (result >= 0) {
        avio_flush(e.io);
        result = e.io->error;
    }
    if (result < 0) {
        failed(result, false);
        return false;
    }
    return true;
}
