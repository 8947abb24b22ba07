#include "render/moviewriter.h"

#include "model/safefile.h"

MovieOutcome writeMovie(const std::string &path, int framesPerSecond, int frameCount,
    QImage &picture, const std::function<bool(int k)> &draw)
{
    MovieOutcome outcome;
    const MovieFormat format = movieFormatOf(path);
    if (format == MovieFormat::None) {
        outcome.error = "unknown movie extension of " + path + ": use .mp4, .webm or .gif";
        return outcome;
    }
    if (frameCount < 1 || framesPerSecond < 1) {
        outcome.error = "a movie needs at least one frame and one frame a second";
        return outcome;
    }
    bool cancelled = false;
    const SafeWriteResult written = writeFileSafely(path, [&](std::FILE *file) {
        if (!draw(0)) {
            cancelled = true;
            return false;
        }
        MovieEncoder encoder;
        if (!encoder.open(file, format, picture.width(), picture.height(), framesPerSecond)
            || !encoder.addFrame(picture)) {
            outcome.error = encoder.error();
            return false;
        }
        for (int k = 1; k < frameCount; ++k) {
            if (!draw(k)) {
                cancelled = true;
                return false;
            }
            if (!encoder.addFrame(picture)) {
                outcome.error = encoder.error();
                return false;
            }
        }
        if (!encoder.finish()) {
            outcome.error = encoder.error();
            return false;
        }
        return true;
    });
    switch (written) {
    case SafeWriteResult::Written:
        outcome.result = MovieResult::Written;
        break;
    case SafeWriteResult::CannotCreate:
        outcome.error = "cannot create " + path;
        break;
    case SafeWriteResult::WriteFailed:
        if (cancelled)
            outcome.result = MovieResult::Cancelled;
        else if (outcome.error.empty())
            outcome.error = "cannot write " + path + " (disk full?)";
        break;
    case SafeWriteResult::CannotReplace:
        outcome.error = "cannot replace " + path;
        break;
    }
    return outcome;
}
