#pragma once

#include "model/frame.h"
#include "render/cloudcontext.h"

#include <QImage>

#include <memory>

// The 3D pass of the electron cloud over a whole picture: its rows shared out among threads,
// the busy text with its percentage, and abandoning the pass. Each pixel is its own ray, so
// any number of threads gives the same picture byte for byte.

/// The 3D pass of frame's cloud over bitmap (Format_RGB32, the composed frame) on the threads
/// context asks for; false, with bitmap untouched, when it was abandoned or bitmap was
/// replaced meanwhile.
bool drawThreeDCloud(const Frame &frame, QImage &bitmap, const CloudContext &context);

/// The rows of one 3D pass over a composed picture, taken one at a time by any number of
/// threads calling work(). The frame, the context and what it refers to must stay unchanged
/// until every caller of work() has returned.
class ThreeDRows
{
public:
    /// A pass of frame's cloud over atoms (Format_RGB32, the composed frame); the pixels are
    /// read from atoms and written to a copy of it.
    ThreeDRows(const Frame &frame, const QImage &atoms, const CloudContext &context);
    ~ThreeDRows();
    ThreeDRows(const ThreeDRows &) = delete;
    ThreeDRows &operator=(const ThreeDRows &) = delete;
    /// Draws rows not yet taken until none are left or stop() was called.
    void work();
    /// Makes every work() return after the row it is drawing.
    void stop();
    bool stopped() const;
    /// Rows drawn so far, of rows().
    int rowsDone() const;
    int rows() const;
    /// The threads the context asks for, at least 1 and no more than the rows.
    int threads() const;
    /// The picture with the cloud; whole once rowsDone() == rows().
    QImage &picture();

private:
    struct Rows;
    std::unique_ptr<Rows> state;
};
