#include "render/moviewriter.h"

#include "model/safefile.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// Encodes on a thread of its own, so that drawing the next frame overlaps converting and
// encoding this one. The pictures queued share their pixels with the caller's picture until
// it is drawn again (QImage copies on write).
class EncodingThread
{
public:
    explicit EncodingThread(MovieEncoder &encoder)
        : Encoder(encoder)
        , Worker([this] { run(); })
    {
    }
    ~EncodingThread() { stop(true); }
    EncodingThread(const EncodingThread &) = delete;
    EncodingThread &operator=(const EncodingThread &) = delete;

    /// Queues a picture; false once the encoder has failed.
    bool add(const QImage &picture)
    {
        std::unique_lock lock(Mutex);
        // two pictures waiting are enough to keep the encoder busy
        Changed.wait(lock, [this] { return Pending.size() < 2 || Failed; });
        if (Failed)
            return false;
        Pending.push_back(picture);
        Changed.notify_all();
        return true;
    }
    /// Waits until every queued picture is encoded (abandon: dropped); false when one failed.
    bool stop(bool abandon)
    {
        {
            const std::lock_guard lock(Mutex);
            if (abandon)
                Pending.clear();
            Closing = true;
        }
        Changed.notify_all();
        if (Worker.joinable())
            Worker.join();
        return !Failed;
    }

private:
    void run()
    {
        std::unique_lock lock(Mutex);
        for (;;) {
            Changed.wait(lock, [this] { return !Pending.empty() || Closing; });
            if (Pending.empty())
                return;
            const QImage picture = Pending.front();
            Pending.pop_front();
            lock.unlock();
            const bool encoded = Encoder.addFrame(picture);
            lock.lock();
            if (!encoded) {
                Failed = true;
                Pending.clear();
            }
            Changed.notify_all();
        }
    }

    MovieEncoder &Encoder;
    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<QImage> Pending;
    bool Closing = false;
    bool Failed = false;
    std::thread Worker; ///< last, so it starts once the rest exists
};

} // namespace

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
    if (format == MovieFormat::Gif && framesPerSecond > MaxGifFramesPerSecond) {
        outcome.error =
            "a GIF shows at most " + std::to_string(MaxGifFramesPerSecond) + " frames a second";
        return outcome;
    }
    bool cancelled = false;
    const SafeWriteResult written = writeFileSafely(path, [&](std::FILE *file) {
        if (!draw(0)) {
            cancelled = true;
            return false;
        }
        MovieEncoder encoder;
        if (!encoder.open(file, format, picture.width(), picture.height(), framesPerSecond)) {
            outcome.error = encoder.error();
            return false;
        }
        EncodingThread encoding(encoder);
        bool queued = encoding.add(picture);
        for (int k = 1; k < frameCount && queued; ++k) {
            if (!draw(k)) {
                cancelled = true;
                encoding.stop(true);
                return false;
            }
            if (picture.size() != QSize(encoder.width(), encoder.height())) {
                encoding.stop(true);
                outcome.error = "a picture of the movie changed its size";
                return false;
            }
            queued = encoding.add(picture);
        }
        if (!encoding.stop(false) || !encoder.finish()) {
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
    case SafeWriteResult::LeftIncomplete:
        outcome.error = "cannot write " + path
            + " (disk full?): it is incomplete, its old contents could not be put back";
        break;
    case SafeWriteResult::CannotReplace:
        outcome.error = "cannot replace " + path;
        break;
    }
    return outcome;
}
