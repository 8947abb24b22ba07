#pragma once

#include "model/atomtype.h"
#include "model/frame.h"
#include "render/displaystate.h"
#include "render/electroncloud.h"
#include "render/scene.h"
#include "render/viewtransform.h"

#include <QImage>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

/// What a 3D cloud pass and the overlay drawn after it read, copied when the pass starts: the
/// frame with its own copies of its atom types, the view, the drawing settings, the screen
/// positions and depth order of the composition, and the display settings. The window may
/// change or delete its own while the pass runs.
struct CloudScene
{
    /// Copies frame and what context refers to; the scratch must be frame's composition.
    CloudScene(const Frame &frame, const CloudContext &context);
    CloudScene(const CloudScene &) = delete;
    CloudScene &operator=(const CloudScene &) = delete;

    std::deque<AtomType> types; ///< the types the frame's atoms use
    Frame frame; ///< its atoms point into types
    ViewTransform view;
    SceneSettings settings;
    SceneScratch scratch; ///< bound to frame
    DisplayState display;
    CloudContext context; ///< over the copies above
};

/// One 3D cloud pass on threads of its own. The threads start at once; finished is called on
/// one of them when the last row is drawn, or when they stop early. The destructor stops the
/// pass and waits for its threads.
class CloudJob
{
public:
    /// Starts the pass of frame's cloud over atoms (the composed frame, Format_RGB32) with the
    /// threads context asks for.
    CloudJob(const Frame &frame, const QImage &atoms, const CloudContext &context,
        std::function<void()> finished);
    ~CloudJob();
    CloudJob(const CloudJob &) = delete;
    CloudJob &operator=(const CloudJob &) = delete;

    /// Asks the threads to stop after their rows; returns at once.
    void stop();
    /// Every thread has returned (all rows drawn, or stopped).
    bool ended() const { return running.load() == 0; }
    /// Whole percent of the rows drawn.
    int percent() const;
    /// Waits for the threads; the frame's picture with its cloud, or a null picture when the
    /// pass was stopped before its end.
    QImage picture();
    /// The copies the pass read; the overlay is drawn from them.
    CloudScene &scene() { return *copies; }

private:
    void join();
    void release();

    std::unique_ptr<CloudScene> copies;
    ThreeDRows rows;
    std::function<void()> finished;
    std::atomic<int> running{0};
    std::vector<std::thread> threads;
};
