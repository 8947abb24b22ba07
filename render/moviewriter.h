#pragma once

#include "render/movieencoder.h"

#include <QImage>

#include <functional>
#include <string>

/// How a movie save ended.
enum class MovieResult {
    Written, ///< the whole movie is in place
    Cancelled, ///< draw asked to stop; the path holds what it held before
    Failed, ///< error tells why; the path holds what it held before
};

/// What writeMovie did.
struct MovieOutcome
{
    MovieResult result = MovieResult::Failed;
    std::string error; ///< one line naming the cause of a failure
};

/// Writes a movie of frameCount pictures, framesPerSecond a second, to path in the format its
/// extension names (movieFormatOf). draw(k) draws picture k (k from 0) into picture and
/// returns false to cancel; every picture must keep the size of the first. The movie goes to
/// a temporary file beside path that is renamed over it once complete (writeFileSafely), so a
/// failure or a cancel leaves the old file as it was and no temporary behind. An unknown
/// extension fails before anything is drawn.
MovieOutcome writeMovie(const std::string &path, int framesPerSecond, int frameCount,
    QImage &picture, const std::function<bool(int k)> &draw);
