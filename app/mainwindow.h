#pragma once

// The main window is one class spread over files by concern:
//   mainwindow.cpp            construction, members, caption, status line, resize and paint
//   mainwindow_menu.cpp       the menu, its check marks, the display toggles and colour commands
//   mainwindow_animation.cpp  frame stepping, play/pause/rewind/repeat, rotation, speed, the
//                             view's keys
//   mainwindow_open.cpp       the command-line start-up event and opening a trajectory
//   mainwindow_redraw.cpp     Redraw: composing ViewBitmap and presenting it in the view
//   cloudpass.cpp             the 3D electron cloud on threads of its own (render/cloudjob.h)
//   busyinput.cpp             what the window answers while long work runs on its thread
//   mainwindow_mouse.cpp      the gestures and the wheel on the view, and the release timer
//   mainwindow_view.cpp       the view centre: Centre, Reset view, panning, the file's start view
//   mainwindow_save.cpp       saving frames as text or pictures, and rotated picture series
//   mainwindow_drop.cpp       files dropped on the window
// The view widget in the centre only forwards its paint, resize, mouse and key events here.
// The one ViewTransform, the SceneSettings and the SceneScratch of the last composition are
// members (through MainFormLink, so the dialogs reach them too); the charge gradient belongs to
// the charges dialog, with a spare of the window's own while that dialog does not exist.
// Dialogs reach the window through MainFormLink (dialogs/mainformlink.h); the window reaches
// them through their program-wide instance pointers (ToolsDlg, SpeedDlg, ...), which are null
// before start-up and during shutdown.

#include "app/cloudpass.h"
#include "dialogs/mainformlink.h"
#include "model/atomtype.h"
#include "model/chargegradient.h"
#include "model/frame.h"
#include "model/inputformat.h"
#include "model/messagesink.h"
#include "model/trajectoryreader.h"
#include "render/displaystate.h"
#include "render/redraw.h"

#include <QImage>
#include <QMainWindow>
#include <QRect>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BusyInput;
class QAction;
class QColorDialog;
class QFileDialog;
class QLabel;
class QMenu;
class QPainter;
class StatusLabel;
class TMemoryDlg;
class TViewWidget;

/// The keys and buttons held at a mouse event.
struct ShiftState
{
    Qt::KeyboardModifiers keys;
    Qt::MouseButtons buttons;
    bool doubleClick = false;
};

/// The program's main window: the loaded trajectory, the view bitmap, the display switches,
/// the animation state and the menu.
class TMainForm : public QMainWindow, public DisplayState, public MainFormLink
{
    Q_OBJECT

public:
    /// Builds the window with every member at its default, the default atom-type table and an
    /// empty trajectory. It touches no other window.
    TMainForm();
    ~TMainForm() override;

    // Trajectory and files (FrameCount and the save range are in MainFormLink).
    QString FileName; ///< bare file name of the current trajectory, shown in the caption
    QString SaveFileName; ///< full path last used to save frames as text
    FrameList Frames;
    Frame *CurrentFrame = nullptr; ///< the list head when nothing is loaded
    int CurrentFrameIndex = 0; ///< 1-based; 0 exactly when CurrentFrame is the head
    AtomTypeTable AtomTypes; ///< the program's atom types
    ::ReaderWarned ReaderWarned; ///< one-shot warnings of the reader, cleared per read

    // Animation and rotation (FramesPerSecond, DialogAccepted and AnimTimer are in MainFormLink).
    bool Playing = false;
    bool RepeatPlay = true;
    bool Rotating = false;
    double RotationRateHorizontal = 0.001; ///< radians per millisecond about the screen's y axis
    double RotationRateVertical = 0.0; ///< about the screen's x axis
    double RotationRateInPlane = 0.0; ///< about the depth axis
    QTimer RotationTimer;
    QTimer MouseTimer;

    // The picture.
    QImage ViewBitmap; ///< client width x ViewHeight, RGB32
    QRect ViewRect; ///< the part of the window and of ViewBitmap that holds the picture

    // Mouse.
    int MouseX = 0;
    int MouseY = 0;
    int ReleaseX = 0;
    int ReleaseY = 0;
    ShiftState MouseShift;
    bool MouseHeld = false;
    bool MouseReleased = false;
    bool RedrawOnRelease = false;
    bool DraggedSincePress = false; ///< the held button has turned or zoomed since the press
    int PickedAtom = -1;
    int DetailsAtom = -1;

    // The view centre.
    Vector3 FileViewCentre{}; ///< where the open put the view centre: Reset view returns there
    bool FileViewCentred = false; ///< the open centred and fitted the file's first frame
    /// The user panned or zoomed at the pointer: no fit moves the view away until Centre,
    /// Reset view or the next file.
    bool ViewHeld = false;
    void ReleaseHeldView() override { ViewHeld = false; }

    /// The user switched bonds by hand: a file opened later keeps the switch as it is rather
    /// than taking its layout's default.
    bool BondsChosen = false;
    static constexpr double MinBondRadius = 0.01;
    static constexpr double MaxBondRadius = 2.0;
    /// Asks for a stick radius preset with the current one; empty when cancelled. Tests put a
    /// stand-in here, as the dialog is modal; unset, an input dialog asks.
    std::function<std::optional<double>(double)> ChooseBondRadius;

    // The electrons switch remembers what it changed.
    bool ElectronsSwitched = false;
    bool SavedShowLabels = false;
    int SavedAtomColorMode = 0;

    /// The program's arguments, the program's own first; read by the start-up event.
    QStringList CommandLineArguments;
    /// Where message boxes go; tests put a recorder here.
    MessageSink *Messages = nullptr;
    /// Where busy texts go during long work.
    StatusSink *StatusLine = nullptr;
    /// The program's charge gradient: the charges dialog's, or the window's own when that
    /// dialog does not exist.
    ChargeGradient &Gradient();
    /// The program's input format: the input options dialog's, or the window's own when that
    /// dialog does not exist.
    InputFormat &Format();
    /// Runs ColorDialog1 preset with a 0x00BBGGRR colour; empty when cancelled. Tests put a
    /// stand-in here, as the dialog is modal.
    std::function<std::optional<std::uint32_t>(std::uint32_t)> ChooseColor;

    /// The one colour chooser of the four colour commands.
    QColorDialog *ColorDialog1 = nullptr;

    /// Width of the client area in pixels.
    int ClientWidth() const;
    /// Height of the client area less the menu and the status bar, in pixels.
    int ViewHeight() const;
    /// The central widget that shows ViewBitmap.
    TViewWidget *View = nullptr;

    /// Sets FileName and the caption "Tessaly - " + the file-name part of name.
    void SetFileName(const QString &name);
    /// Shows "Frame i of n" in the status line, followed by a blank and the frame's text when
    /// the current frame has one (frameCounterText).
    void ShowStatus();
    /// Shows a busy text in the status line over the counter, until the counter is shown again.
    void ShowStatus(const QString &text);
    /// The text the status line shows: the busy text, or else the counter.
    QString StatusText() const;
    /// Paints the status line at once, for work that handles no events meanwhile, unless a
    /// paint, a resize or a close of the window is being handled: then it is painted with the
    /// next paint.
    void RefreshStatusLine();
    /// The frame counter, the status line's standing text, cut to the width of the line.
    StatusLabel *FrameCounter = nullptr;
    /// Deletes every frame and the distance pairs, forgets the picked atoms, resets the save
    /// range to 1..0 and shows the counter.
    void ClearTrajectory();

    /// Sets the view centre from the client size.
    void FormCreate();
    /// Follows a new client size: ViewRect, ViewBitmap, the view centre, the docked windows.
    void FormResize();
    /// Paints the view: the same as Redraw(nullptr, true).
    void FormPaint();

    // MainFormLink.
    QWidget *Window() override { return this; }
    QRect PictureScreenRect() const override;
    void Redraw(Frame *frame, bool present) override;
    void GoToFrame(int index) override;
    void Pause1Click() override;
    void Forward1Click() override;
    void Details1Click() override;
    bool IsPlaying() const override { return Playing; }
    bool IsRotating() const override { return Rotating; }
    DisplayState &Display() override { return *this; }
    const Frame &ShownFrame() const override { return *CurrentFrame; }
    int ShownFrameIndex() const override { return CurrentFrameIndex; }
    int ShownDetailsAtom() const override { return DetailsAtom; }
    AtomTypeTable &TypeTable() override { return AtomTypes; }
    FrameList &LoadedFrames() override { return Frames; }
    Frame &ShownFrame() override { return *CurrentFrame; }
    MessageSink &MessageBoxes() override { return *Messages; }
    StatusSink *BusyLine() override { return StatusLine; }
    std::optional<std::uint32_t> PickColor(std::uint32_t preset) override
    {
        return ChooseColor(preset);
    }

    // Animation.
    /// Makes the first frame current (the head when none), index 1 (or 0), and shows it.
    void GoToFirstFrame();
    /// Steps to the next frame, wrapping to the first after the last.
    void StepForward();
    void Rewind1Click();
    void Repeat1Click();
    /// Toggles the spin; switching it on with all rates 0 starts the default spin.
    void Rotate1Click() override;
    void Animation1Click();
    void AnimTimerTimer();
    void RotationTimerTimer();
    /// Runs the speed dialog; keeps the new speed on OK, restores the old one otherwise.
    void Speed1Click();

    // The view centre (mainwindow_view.cpp).
    /// Centres the view on the current frame's bounding box and fits the frame to the window,
    /// keeping the rotation.
    void Centre1Click();
    /// The file's start view: unturned, at the start zoom, the view centre where the open put
    /// it, fitted as the open fits.
    void ResetView1Click();
    /// Moves the picture by (dx, dy) pixels of the view and holds it there.
    void PanView(double dx, double dy);
    /// Sets the view centre of a file just read: its first frame's bounding-box centre when its
    /// layout asks for that, else the model origin; fits it when centred.
    void StartViewOfFile(LayoutKind kind);
    /// Pixels of ViewBitmap per pixel of the view: 2 on a screen of double density.
    double PixelRatio() const;

    // Opening.
    /// Handles the start-up event: opens the file named on the command line, if any.
    void OpenFromCommandLine();
    /// Opens the trajectory at path (as given: relative to the current folder or absolute)
    /// and reads it. A file that cannot be opened changes nothing but shows "Can't open XYZ
    /// file NAME"; the caption and the messages name the file-name part of path.
    void OpenTrajectory(const QString &path);
    /// Replaces the trajectory by the frames of an open file: stops playing and spinning, reads
    /// every frame with the current layout kind, shows the first, then plays two frames or more
    /// or spins a single one, and clamps the save range to the frames read.
    void ReadFrames(TrajectoryFile &file);
    /// Makes the frame at index (0: none) the current one; a frame that cannot be read from
    /// its file shows why and stops the play.
    void ShowFrameAt(int index);
    /// Shows why a frame of a file read on demand could not be read, once, stopping the play.
    void TellUnreadFrame();
    /// The most memory a trajectory may take, in bytes (the text of a pipe or compressed file
    /// and the frames decoded): set by "--memory"; 0 for a quarter of the machine's memory.
    std::size_t MemoryLimit = 0;
    /// MemoryLimit, with 0 made the quarter of the machine's memory.
    std::size_t TrajectoryMemoryLimit() const;
    /// The memory limit dialog, made at its first use.
    TMemoryDlg *MemoryDlg1 = nullptr;

    // Saving (mainwindow_save.cpp).
    /// The save-file dialog, made at its first use. Its title and filters are set before each
    /// use; it asks before an existing file is replaced, and a name typed without an extension
    /// gets ".bmp".
    QFileDialog *SaveDialog1 = nullptr;
    /// Runs SaveDialog1 and returns the chosen path, empty when cancelled; when unset the
    /// dialog itself runs. Tests put a stand-in here so that no modal dialog waits.
    std::function<QString()> ExecuteSaveDialog;

    // Menu commands.
    void New1Click();
    void Open1Click();
    void OpenSetup1Click();
    void Save1Click();
    void SaveSetup1Click();
    void SaveFrame1Click();
    void Exit1Click();
    void Zoom1Click();
    void Options2Click();
    void Atoms2Click();
    void Charges1Click();
    void Electrons2Click();
    void Forprinting1Click();
    void Foreground2Click();
    void Background2Click();
    void Electrons3Click();
    void ToneClick();
    void Electrons1Click();
    void Labels1Click();
    void Distances1Click();
    void Impulses1Click();
    void Text1Click();
    void Cell1Click();
    /// Shows or hides the legend of the elements present (or of the charge scale).
    void Legend1Click();
    /// Switches the bonds' sticks on or off; from then on opening a file keeps the choice.
    void Bonds1Click();
    /// Asks for the sticks' radius (MinBondRadius to MaxBondRadius Angstrom) and redraws.
    void BondRadius1Click();
    /// Asks for the memory limit (as "--memory" takes it), kept for the files opened next.
    void MemoryLimit1Click();
    void Mousefunctions1Click();
    void About1Click();

    // Mouse gestures on the view.
    void FormMouseDown(Qt::MouseButton button, ShiftState shift, int x, int y);
    void FormMouseMove(ShiftState shift, int x, int y);
    void FormMouseUp(Qt::MouseButton button, ShiftState shift, int x, int y);
    void MouseTimerTimer();
    /// Zooms the whole picture about the point (x, y) of the view, which stays where it is
    /// (with Ctrl the atoms only), by a fixed factor per notch of the wheel (120 units of
    /// angleDelta), in when turned away from the user.
    void FormMouseWheel(int angleDelta, Qt::KeyboardModifiers keys, int x, int y);
    /// Keys in the view: Space plays or pauses, Left and Right pause and step one frame back or
    /// forward, Home goes to the first frame, Shift with an arrow moves the picture that way,
    /// C centres and R resets the view. Returns whether the key was one of them.
    bool FormKeyDown(int key, Qt::KeyboardModifiers keys);

    /// The status-line note after several files were dropped at once; hidden otherwise.
    QLabel *DropNote = nullptr;

    /// Shows a message box (OK only) through Messages.
    void ShowMessage(const QString &caption, const QString &text);
    /// Paints ViewBitmap into the view; composes it first unless a redraw has just done so, a
    /// 3D cloud is being drawn or long work is running.
    void PaintView(QPainter &painter);

    /// The 3D electron cloud of the latest redraw (cloudpass.h).
    CloudPass Cloud{*this};
    /// True while a 3D cloud is being drawn for the latest redraw.
    bool CloudPassRunning() const { return Cloud.Running(); }
    /// Gives up on the running 3D cloud and shows the frame with the quick model instead;
    /// false when none was running.
    bool AbandonCloudPass() override { return Cloud.Abandon(); }
    /// Waits for the running 3D cloud while the window answers; true once its picture is in
    /// ViewBitmap (at once when none runs). Closing the window, or Esc when escAbandons, gives
    /// up on it for the quick model and returns false.
    bool WaitForCloudPass(bool escAbandons) { return Cloud.Wait(escAbandons); }
    /// Stops every 3D cloud and waits for their threads.
    void EndCloudPasses() { Cloud.EndAll(); }
    /// Shows the running cloud's percentage in the status line.
    void ShowCloudProgress() { Cloud.ShowProgress(); }
    /// Updates the status line with the cloud's percentage while one runs.
    QTimer &CloudProgressTimer = Cloud.ProgressTimer;
    /// The long work running on the window's thread, or null (see BusyInput).
    BusyInput *Busy = nullptr;

    // The menu: submenus, items and separators by their names.
    QMenu *File1 = nullptr;
    QAction *New1 = nullptr;
    QAction *Open1 = nullptr;
    QAction *OpenSetup1 = nullptr;
    QAction *Save1 = nullptr;
    QAction *SaveSetup1 = nullptr;
    QAction *N6 = nullptr;
    QAction *SaveFrame1 = nullptr;
    QAction *N1 = nullptr;
    QAction *Print1 = nullptr;
    QAction *PrintSetup1 = nullptr;
    QAction *N2 = nullptr;
    QAction *Exit1 = nullptr;
    QMenu *Animation1 = nullptr;
    QAction *Forward1 = nullptr;
    QAction *Pause1 = nullptr;
    QAction *Rewind1 = nullptr;
    QAction *N7 = nullptr;
    QAction *Repeat1 = nullptr;
    QAction *Rotate1 = nullptr;
    QAction *N3 = nullptr;
    QAction *Speed1 = nullptr;
    QAction *Zoom1 = nullptr;
    QAction *N12 = nullptr;
    QAction *Centre1 = nullptr;
    QAction *ResetView1 = nullptr;
    QMenu *Options2 = nullptr;
    QAction *Atoms2 = nullptr;
    QAction *Charges1 = nullptr;
    QAction *Electrons2 = nullptr;
    QAction *N5 = nullptr;
    QMenu *Colors2 = nullptr;
    QAction *Forprinting1 = nullptr;
    QAction *N11 = nullptr;
    QAction *Foreground2 = nullptr;
    QAction *Background2 = nullptr;
    QAction *Electrons3 = nullptr;
    QAction *Tone = nullptr;
    QAction *N10 = nullptr;
    QAction *Electrons1 = nullptr;
    QAction *Labels1 = nullptr;
    QAction *Distances1 = nullptr;
    QAction *Impulses1 = nullptr;
    QAction *Text1 = nullptr;
    QAction *Cell1 = nullptr;
    QAction *Legend1 = nullptr;
    QAction *Bonds1 = nullptr;
    QAction *BondRadius1 = nullptr;
    QAction *Details1 = nullptr;
    QAction *N13 = nullptr;
    QAction *MemoryLimit1 = nullptr;
    QMenu *Help1 = nullptr;
    QAction *Mousefunctions1 = nullptr;
    QAction *About1 = nullptr;

signals:
    /// Emitted when the window has closed; start-up ends the event loop on it.
    void Closed();

protected:
    void customEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    /// A drag that carries local files is taken; dropping them opens the first as "&Open..."
    /// does, and with more than one a note in the status line says the others were left.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    friend class CloudPass; // shows its picture in ViewBitmap with the window's overlay
    enum class InputOpening {
        Opened,
        Failed, ///< the file cannot be opened
        Abandoned, ///< Esc before any byte came, or the window closed
    };
    /// Opens path into file on a thread of its own while the window answers: a FIFO waiting
    /// for its writer, an endless device or a long decompression. Esc stops the receiving,
    /// keeping what came.
    InputOpening OpenInput(TrajectoryFile &file, const std::string &path);
    void BuildMenu();
    /// Lets files be dropped on the window and builds DropNote (mainwindow_drop.cpp).
    void SetUpDropping();
    /// Whether a drop would be opened now: not while long work runs or a modal window waits.
    bool DropsTaken() const;
    /// Makes ViewBitmap the size of ViewRect in the screen's own pixels, when it is not; true
    /// when it made a new one.
    bool SizeViewBitmap();
    /// Puts the view centre at the integer halves of the client width and ViewHeight.
    void SetViewCentre();
    /// Turns the view by alpha about the depth axis, beta about the screen x axis and gamma
    /// about the screen y axis, in radians.
    void RotateView(double alpha, double beta, double gamma);
    /// Multiplies the drawing scale of the atom radii.
    void ScaleAtoms(double factor);
    /// Zooms so that frame reaches the edges of the view, measured about the view centre.
    void FitViewToWindow(Frame &frame);
    void RunColorCommand(std::uint32_t &member, bool redrawAlways);
    /// The index of the nearest atom drawn under the point (x, y) of the view, or -1.
    int AtomAt(int x, int y) const;
    /// Shows the atom under the point (or the frame, when none is there) in the details window.
    void ShowDetailsOf(int x, int y);
    /// Turns a display switch over and draws the frame again with it.
    void ToggleAndRedraw(bool &shown);
    /// Sets SaveDialog1's title and filters and runs it: the chosen path, empty when cancelled.
    QString RunSaveDialog(const QString &title, const QStringList &filters);
    /// Writes text through write into path, replacing an existing file only once all of it is
    /// written; reports a file that cannot be made and a failed write (under caption).
    void SaveText(const QString &path, const QString &caption, const QString &busyText,
        const std::function<bool(std::FILE *)> &write);
    /// Writes ViewBitmap to the file name (encoded for the file system). Returns false, after
    /// saying so, when the file could not be made or written: a series stops there. An
    /// unsupported extension is reported by SaveImage and lets a series go on.
    bool SaveViewBitmap(const std::string &name, const QString &caption);
    /// Writes a movie of count frames to the file name (encoded for the file system), its
    /// format by the extension, draw(k) putting frame k into ViewBitmap. Shows the busy text
    /// with a percentage; Esc cancels and leaves the old file. A failure is reported under
    /// caption. Returns whether the movie was written.
    bool SaveMovie(const std::string &name, int count, const QString &caption,
        const std::function<void(int k)> &draw);
    /// Frames a second of the movies the window saves.
    static constexpr int MovieFramesPerSecond = 25;

    ChargeGradient OwnGradient;
    InputFormat OwnFormat;
    std::unique_ptr<MessageSink> OwnMessages;
    std::unique_ptr<StatusSink> OwnStatusLine;
    /// Counts the paints, resizes and closes being handled, inside which nothing may be painted
    /// at once (it would paint inside Qt's own painting of the window).
    int ForcedPaintBlocks = 0;
    /// Holds ForcedPaintBlocks up while it lives.
    class NoForcedPaint
    {
    public:
        explicit NoForcedPaint(TMainForm &window)
            : Window(window)
        {
            ++Window.ForcedPaintBlocks;
        }
        ~NoForcedPaint() { --Window.ForcedPaintBlocks; }
        NoForcedPaint(const NoForcedPaint &) = delete;
        NoForcedPaint &operator=(const NoForcedPaint &) = delete;

    private:
        TMainForm &Window;
    };
    bool BitmapFresh = false; ///< ViewBitmap was composed for presenting and not yet painted
    bool Painting = false; ///< a paint event is composing the bitmap itself
    QTimer DropNoteTimer; ///< hides DropNote a while after it was shown
    bool BitmapStale = true; ///< ViewBitmap holds no finished picture of its size
    RedrawInputs InputsOfRedraw();
    /// Asks the view to paint ViewBitmap (unless a paint is composing it) and refreshes the
    /// details window.
    void PresentBitmap();
};

/// The program's main window, or null before start-up and after it is destroyed.
extern TMainForm *MainForm;
