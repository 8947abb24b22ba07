#pragma once

#include <QImage>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <vector>

class CloudJob;
class TMainForm;
struct CloudContext;
struct Frame;

/// The main window's 3D electron cloud. A redraw starts a pass on threads of its own and
/// returns; the picture shown stays until the pass's picture is whole, and a newer redraw makes
/// it stale. A redraw that is not presented, or one made during long work, waits for it while
/// the window goes on answering. Stale passes end after their rows on their own; EndAll waits
/// for them.
class CloudPass
{
public:
    explicit CloudPass(TMainForm &window);
    ~CloudPass();
    CloudPass(const CloudPass &) = delete;
    CloudPass &operator=(const CloudPass &) = delete;

    /// True while a pass draws the cloud of the latest redraw.
    bool Running() const { return Job != nullptr; }
    /// Counts a 3D redraw: the generation its pass carries.
    std::uint64_t NextGeneration() { return ++Generation; }
    /// Starts the pass of generation over atoms, composed from frame; its picture reaches the
    /// window's ViewBitmap, with the overlay, when it ends still current.
    void Start(const Frame &frame, const QImage &atoms, const CloudContext &context,
        std::uint64_t generation);
    /// Keeps standIn, the frame with the quick model, for when the running pass is given up,
    /// and shows the busy text; present: the pass's picture is shown when whole.
    void KeepStandIn(const QImage &standIn, bool present);
    /// Waits for the running pass while the window answers; true once its picture is in
    /// ViewBitmap (at once when none runs). Closing the window, or Esc when escAbandons, gives
    /// up on it for the quick model and returns false.
    bool Wait(bool escAbandons);
    /// Gives up on the running pass and shows the stand-in; false when none was running.
    bool Abandon();
    /// Makes the running pass stale: its threads stop after their rows.
    void Stop();
    /// Stops every pass and waits for their threads.
    void EndAll();
    /// Shows the running pass's percentage in the status line.
    void ShowProgress();
    /// Updates the status line with the percentage while a pass runs.
    QTimer ProgressTimer;

private:
    /// Shows the pass's picture, with the overlay, when the pass that ended is still current.
    void Finished(std::uint64_t generation);

    TMainForm &Window;
    std::unique_ptr<CloudJob> Job; ///< the cloud of the latest redraw, while it runs
    std::vector<std::unique_ptr<CloudJob>> Stopped; ///< stale, ending their rows
    std::uint64_t Generation = 0; ///< counts the 3D redraws; a pass knows its own
    std::uint64_t ShownGeneration = 0; ///< the last pass whose picture reached ViewBitmap
    QImage StandInPicture; ///< the frame with the quick model, while the pass runs
    bool Present = false; ///< the running pass's picture is to be shown when whole
};
