#pragma once

#include "render/scene.h"
#include "render/viewtransform.h"

#include <QEvent>
#include <QRect>
#include <QTimer>

#include <cstdint>
#include <optional>

class AtomTypeTable;
class FrameList;
class MessageSink;
class StatusSink;
class QWidget;
struct DisplayState;
struct Frame;

/// The private start-up event that opens a file named on the command line: the user base
/// plus 400, posted by the animation control window while it is built.
inline constexpr QEvent::Type OpenCommandLineEvent = static_cast<QEvent::Type>(QEvent::User + 400);

/// What the dialogs reach of the main window. Dialogs never include the application layer,
/// so the main window derives from this and hands itself to the windows that need it.
/// The animation speed lives here because the speed dialog changes it while it moves.
class MainFormLink
{
public:
    MainFormLink() = default;
    MainFormLink(const MainFormLink &) = delete;
    MainFormLink &operator=(const MainFormLink &) = delete;
    virtual ~MainFormLink() = default;

    int FramesPerSecond = 10;
    /// Set true by OK and false by Cancel of the speed dialog; closing by the frame leaves it.
    bool DialogAccepted = false;
    /// Steps the animation; its interval is 1000 / FramesPerSecond milliseconds.
    QTimer AnimTimer;
    /// The one view of the program: turned by the mouse and the spin, zoomed by the mouse, the
    /// zoom dialog and the fit step. It keeps its state from one trajectory to the next.
    ::ViewTransform ViewTransform;
    /// The drawing settings of every composition (atomScale and the label and colour modes).
    ::SceneSettings SceneSettings;
    /// Screen positions and depth order of the last composed frame, which picking reads.
    ::SceneScratch SceneScratch;

    /// How many frames are loaded.
    int FrameCount = 0;
    // The frames "&Save..." writes, numbered from 1; the save-frames options dialog edits them.
    int SaveFrameCount = 51; ///< how many frames of the range are saved
    int SaveFirstFrame = 1;
    int SaveLastFrame = 0;
    bool SaveAllFrames = false; ///< every frame of the range, whatever SaveFrameCount says

    /// The main window itself, the parent of the dialogs and the target of posted events.
    virtual QWidget *Window() = 0;
    /// The picture area (the client area less the menu and the status bar) in screen pixels.
    virtual QRect PictureScreenRect() const = 0;
    /// Composes frame (the current one when null) and, when present, shows it.
    virtual void Redraw(Frame *frame, bool present) = 0;
    /// Makes the frame at the 1-based index current and shows it.
    virtual void GoToFrame(int index) = 0;
    /// Stops the animation.
    virtual void Pause1Click() = 0;
    /// Starts the animation.
    virtual void Forward1Click() = 0;
    /// Switches the details window on or off.
    virtual void Details1Click() = 0;
    /// Switches the spin on or off.
    virtual void Rotate1Click() = 0;
    /// Gives up on a 3D cloud being drawn, for the quick model; false when none was.
    virtual bool AbandonCloudPass() = 0;
    /// Lets the fit move the view again after the user panned or zoomed at the pointer.
    virtual void ReleaseHeldView() = 0;
    /// Whether the animation plays; whether the view spins.
    virtual bool IsPlaying() const = 0;
    virtual bool IsRotating() const = 0;
    /// The display switches, colours, fit mode and impulse zoom.
    virtual DisplayState &Display() = 0;
    /// The frame shown (the empty list head when nothing is loaded) and its 1-based index.
    virtual const Frame &ShownFrame() const = 0;
    virtual int ShownFrameIndex() const = 0;
    /// The atom picked for the details window (an index into the frame's atoms), -1 none.
    virtual int ShownDetailsAtom() const = 0;

    // What the atoms, charges and orbitals dialogs read and change.
    /// The program's atom types.
    virtual AtomTypeTable &TypeTable() = 0;
    /// The loaded frames (none when nothing is loaded).
    virtual FrameList &LoadedFrames() = 0;
    /// The frame shown, for editing its atoms' own orbitals.
    virtual Frame &ShownFrame() = 0;
    /// Where message boxes go.
    virtual MessageSink &MessageBoxes() = 0;
    /// Where busy texts go while ball pictures are built; may be null.
    virtual StatusSink *BusyLine() = 0;
    /// Runs the colour dialog preset with a colour 0x00BBGGRR; empty when cancelled.
    virtual std::optional<std::uint32_t> PickColor(std::uint32_t preset) = 0;
};
