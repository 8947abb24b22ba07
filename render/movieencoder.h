#pragma once

#include <QImage>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

/// The movie formats a file name can ask for.
enum class MovieFormat { None, Mp4, WebM, Gif };

/// The format the extension of path's file-name part names, ignoring case: ".MP4" H.264 in an
/// MP4 file, ".WEBM" VP9 in a WebM file, ".GIF" an animated GIF; None for anything else.
MovieFormat movieFormatOf(std::string_view path);

/// The most frames a second a GIF can show: its delays are whole hundredths of a second, and
/// players stretch a delay below two hundredths to ten.
constexpr int MaxGifFramesPerSecond = 50;

/// Encodes pictures of one size into a movie file through FFmpeg's libraries:
/// - MP4: H.264 (libx264), yuv420p, the size padded to even numbers by repeating the last
///   column and row (never stretched), the index moved to the front (+faststart);
/// - WebM: VP9 (libvpx-vp9), yuv420p;
/// - GIF: each frame with a palette made for it (reduceToPalette), looping for ever.
/// Video is tagged and converted as BT.709, limited range, as players assume for it.
class MovieEncoder
{
public:
    MovieEncoder();
    ~MovieEncoder();
    MovieEncoder(const MovieEncoder &) = delete;
    MovieEncoder &operator=(const MovieEncoder &) = delete;

    /// Starts a movie of width x height pixels, framesPerSecond pictures a second, written to
    /// file from its current position (only through its descriptor: nothing passes through its
    /// buffer). MP4 rewrites its start at the end, so it needs a file that can seek. Returns
    /// false, with error() naming the cause, when the encoder is missing from the installed
    /// libraries, refuses the size, or the start cannot be written.
    bool open(std::FILE *file, MovieFormat format, int width, int height, int framesPerSecond);
    /// Encodes the next picture, which must have the size given to open; false on failure.
    /// May run on another thread than open, one call at a time.
    bool addFrame(const QImage &picture);
    /// Encodes what the encoder still holds and ends the file; false on failure.
    bool finish();
    /// The size of the pictures given to open.
    int width() const { return width_; }
    int height() const { return height_; }
    /// One line telling what went wrong last.
    const std::string &error() const { return error_; }

private:
    /// Sets error_ for a failure of the encoder (encoding) or of the writing, with code's text
    /// unless FFmpeg logged a reason.
    void failed(int code, bool encoding);
    struct Encoding;
    std::unique_ptr<Encoding> encoding_;
    std::string error_;
    int width_ = 0;
    int height_ = 0;
};
