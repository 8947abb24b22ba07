#include "app/cli/commands.h"
#include "app/cli/trajectoryoptions.h"
#include "model/chargegradient.h"
#include "model/saveframeoptions.h"
#include "render/displaystate.h"
#include "render/imagefile.h"
#include "render/moviewriter.h"
#include "render/redraw.h"
#include "render/rotatedseries.h"
#include "render/scene.h"
#include "render/viewtransform.h"

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const char *const RenderHelp =
    "usage: tessaly-cli render FILE -o PICTURE|MOVIE [options] [input options]\n"
    "\n"
    "Reads FILE as the program's Open does and draws a frame the way the main window does,\n"
    "through the same redraw, into PICTURE: a .bmp, .jpg, .jpeg or .png file (any letter\n"
    "case). No display is needed. The view is the window's start view, centred in the\n"
    "drawing area; an XYZ file is centred on its first frame and fitted, as the window\n"
    "opens it.\n"
    "A MOVIE (.mp4: H.264; .webm: VP9; .gif: a palette for each frame, looping) gets the\n"
    "frames --all or --first/--last/--step select (all frames when none is given), or with\n"
    "--rotate the turning frame, one picture after the other; it replaces MOVIE only once\n"
    "complete, and Ctrl-C leaves the old file as it was.\n"
    "\n"
    "options:\n"
    "  -o, --output PICTURE      the picture or movie to write (may also follow FILE\n"
    "                            directly)\n"
    "  --frame N                 the frame to draw, counted from 1 (default 1)\n"
    "  --first N, --last N       a range of frames, counted from 1: a movie of them, or a\n"
    "                            numbered picture series as --all writes (default: all)\n"
    "  --step N                  every Nth frame of the range, its first included (default 1)\n"
    "  --fps N                   frames a second of a movie, 1 to 100, a GIF at most 50\n"
    "                            (its delays are whole hundredths of a second, and\n"
    "                            players show shorter ones slowly) (default 25)\n"
    "  --all                     every frame, as the numbered series Save writes: PICTURE's\n"
    "                            name followed by 0, 1, ... padded to the digits of the count;\n"
    "                            shows its progress on the error stream when that is a\n"
    "                            terminal and ends with one line of what was written\n"
    "  --rotate N                N pictures of the frame turned step by step, as Save Frame's\n"
    "                            rotated images: named like --all, the first the unturned\n"
    "                            view (N from 1 to 1000); to a MOVIE, its N frames\n"
    "  --angle DEG               whole degrees turned over --rotate's series, 90 to 3600\n"
    "                            (default 360)\n"
    "  --vertical                turn --rotate's series about the screen's horizontal axis\n"
    "                            (default: about its vertical axis)\n"
    "  --size WxH                drawing area in pixels (default 481x351, the window's start\n"
    "                            drawing area: its client area less the status line)\n"
    "  --labels on|off           atom labels (default on)\n"
    "  --legend                  the elements present (or, coloured by charge, the charge\n"
    "                            levels and their limits) in the top right corner\n"
    "  --color-by type|charge    ball colours by atom type or by charge level (default type)\n"
    "  --radius-by type|charge   ball radii by atom type or by charge (default type)\n"
    "  --fit 0..3                fit in window: 0 first frame, 1 each frame, 2 overflowing\n"
    "                            frames (default), 3 none\n"
    "  --electrons off|quick|3d  the electron cloud and its drawing model (default off); on,\n"
    "                            labels are hidden and atoms drawn at a fifth of their size,\n"
    "                            as the window's electrons switch does. --threads N (below)\n"
    "                            also sets the threads of the 3D cloud (0: every core); the\n"
    "                            picture is the same for any number of threads\n"
    "  --bonds, --no-bonds       sticks between bonded atoms: atoms closer than 1.2 times\n"
    "                            the sum of their covalent radii (default: on for XYZ files,\n"
    "                            off for the program's own layouts)\n"
    "  --bond-radius R           the sticks' radius in Angstrom, 0.01 to 2 (default 0.15)\n"
    "Exit status 0 when every picture was written; 1 when the file could not be read or a\n"
    "picture or the movie not written; 2 for a wrong command line or an unknown extension.\n"
    "\n"
    "input options:\n";

constexpr int DefaultWidth = 481;
constexpr int DefaultHeight = 351;

struct RenderOptions
{
    std::vector<std::string> files;
    std::string output;
    int frame = 1;
    bool all = false;
    int width = DefaultWidth;
    int height = DefaultHeight;
    bool labels = true;
    bool legend = false;
    bool colourByCharge = false;
    bool radiusByCharge = false;
    int fitMode = 2;
    int rotate = 0; ///< pictures of a rotated series; 0 for none
    std::optional<int> angle;
    bool vertical = false;
    int electrons = -1; ///< -1 off, else the drawing model: 0 quick, 1 3D
    std::optional<int> first; ///< the range of a series or movie, from 1
    std::optional<int> last;
    int step = 1;
    std::optional<int> framesPerSecond;
    bool frameGiven = false;
    bool movie = false; ///< the output names a movie
    std::optional<bool> bonds; ///< unset: as the layout has it
    double bondRadius = 0.15;
};

constexpr int DefaultFramesPerSecond = 25;
constexpr int MaxFramesPerSecond = 100; // a GIF counts its delays in hundredths of a second

// Message boxes of a command-line run go to the error stream, caption first.
struct ErrorStreamSink : MessageSink
{
    int shown = 0;
    void show(std::string_view caption, std::string_view text) override
    {
        ++shown;
        if (caption.empty())
            std::cerr << text << "\n";
        else
            std::cerr << caption << ": " << text << "\n";
    }
};

std::optional<int> parseInt(std::string_view text)
{
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool parseSize(std::string_view text, int &width, int &height)
{
    const std::size_t cross = text.find_first_of("xX");
    if (cross == std::string_view::npos)
        return false;
    const auto w = parseInt(text.substr(0, cross));
    const auto h = parseInt(text.substr(cross + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > 20000 || *h > 20000)
        return false;
    width = *w;
    height = *h;
    return true;
}

// Reads the options after FILE; returns an error text, empty when all were understood.
std::string parseOptions(const std::vector<std::string> &args, RenderOptions &options)
{
    bool secondName = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const CommandOption option = splitOption(args[i]);
        const std::string &name = option.name;
        const std::optional<std::string> &value = option.value;
        const auto take = [&] { return optionValue(option, args, i); };
        if (name == "-o" || name == "--output") {
            const auto v = take();
            if (!v || v->empty())
                return name + " needs a picture file name";
            options.output = *v;
        } else if (name == "--frame") {
            const auto v = take();
            const auto n = v ? parseInt(*v) : std::nullopt;
            if (!n || *n < 1)
                return "--frame needs a frame number from 1";
            options.frame = *n;
            options.frameGiven = true;
        } else if (name == "--first" || name == "--last" || name == "--step" || name == "--fps") {
            const auto v = take();
            const int n = v ? parseInt(*v).value_or(0) : 0;
            const int high = name == "--fps" ? MaxFramesPerSecond : 1000000000;
            if (n < 1 || n > high)
                return name + " needs a whole number from 1"
                    + (name == "--fps" ? " to " + std::to_string(high) : std::string());
            if (name == "--first")
                options.first = n;
            else if (name == "--last")
                options.last = n;
            else if (name == "--step")
                options.step = n;
            else
                options.framesPerSecond = n;
        } else if (name == "--all") {
            if (value)
                return "--all takes no value";
            options.all = true;
        } else if (name == "--rotate" || name == "--angle") {
            const bool count = name == "--rotate";
            const auto v = take();
            const int low =
                count ? SaveFrameOptions::MinImageCount : SaveFrameOptions::MinRotationAngle;
            const int high =
                count ? SaveFrameOptions::MaxImageCount : SaveFrameOptions::MaxRotationAngle;
            const int n = v ? parseInt(*v).value_or(low - 1) : low - 1;
            if (n < low || n > high)
                return name + " needs a whole number from " + std::to_string(low) + " to "
                    + std::to_string(high);
            if (count)
                options.rotate = n;
            else
                options.angle = n;
        } else if (name == "--vertical") {
            if (value)
                return "--vertical takes no value";
            options.vertical = true;
        } else if (name == "--size") {
            const auto v = take();
            if (!v || !parseSize(*v, options.width, options.height))
                return "--size needs WIDTHxHEIGHT in pixels, for example 481x351";
        } else if (name == "--legend") {
            if (value)
                return "--legend takes no value";
            options.legend = true;
        } else if (name == "--labels") {
            const auto v = take();
            if (!v || (*v != "on" && *v != "off"))
                return "--labels needs on or off";
            options.labels = *v == "on";
        } else if (name == "--color-by" || name == "--radius-by") {
            const auto v = take();
            if (!v || (*v != "type" && *v != "charge"))
                return name + " needs type or charge";
            (name == "--color-by" ? options.colourByCharge : options.radiusByCharge) =
                *v == "charge";
        } else if (name == "--fit") {
            const auto v = take();
            const auto n = v ? parseInt(*v) : std::nullopt;
            if (!n || *n < 0 || *n > 3)
                return "--fit needs a mode from 0 to 3";
            options.fitMode = *n;
        } else if (name == "--bonds" || name == "--no-bonds") {
            if (value)
                return name + " takes no value";
            options.bonds = name == "--bonds";
        } else if (name == "--bond-radius") {
            const auto v = take();
            double radius = 0.0;
            const char *end = v ? v->data() + v->size() : nullptr;
            if (!v || std::from_chars(v->data(), end, radius).ptr != end || !(radius >= 0.01)
                || !(radius <= 2.0))
                return "--bond-radius needs a radius in Angstrom from 0.01 to 2";
            options.bondRadius = radius;
        } else if (name == "--electrons") {
            const auto v = take();
            if (!v || (*v != "off" && *v != "quick" && *v != "3d"))
                return "--electrons needs off, quick or 3d";
            options.electrons = *v == "off" ? -1 : *v == "quick" ? 0 : 1;
        } else if (name.size() > 1 && name[0] == '-') {
            return "unknown option " + args[i];
        } else if (options.files.size() == 1 && !secondName) {
            // the picture may follow FILE directly; as with -o given twice, the later one wins
            secondName = true;
            options.output = args[i];
        } else {
            options.files.push_back(args[i]);
        }
    }
    if (options.files.size() != 1)
        return "give exactly one FILE";
    if (options.output.empty())
        return "give the picture to write with -o PICTURE";
    options.movie = movieFormatOf(options.output) != MovieFormat::None;
    const bool range = options.first || options.last || options.step != 1;
    if (!options.movie && pictureFormatOf(options.output) == PictureFormat::None)
        return "unknown extension of " + options.output
            + ": pictures are .bmp, .jpg, .jpeg or .png, movies .mp4, .webm or .gif";
    if (options.framesPerSecond && !options.movie)
        return "--fps belongs to a movie (.mp4, .webm or .gif)";
    if (options.framesPerSecond.value_or(0) > MaxGifFramesPerSecond
        && movieFormatOf(options.output) == MovieFormat::Gif)
        return "a GIF shows at most " + std::to_string(MaxGifFramesPerSecond)
            + " frames a second: give --fps " + std::to_string(MaxGifFramesPerSecond)
            + " or less, or write .mp4 or .webm";
    if (options.first && options.last && *options.first > *options.last)
        return "--first must not come after --last";
    if (options.rotate > 0 && range)
        return "--rotate turns one frame: it cannot go with --first, --last or --step";
    if (options.movie && options.frameGiven && options.rotate == 0)
        return "--frame draws one picture: a movie takes --all, --first, --last, --step or "
               "--rotate";
    if (options.rotate == 0 && (options.angle || options.vertical))
        return "--angle and --vertical belong to --rotate";
    if (options.rotate > 0 && options.all)
        return "--rotate turns one frame: it cannot go with --all";
    return {};
}

// Qt's own notes ("QStandardPaths: XDG_RUNTIME_DIR not set" on every run without a desktop
// session, font notes) are not the tool's output; only its hard errors are worth a line.
void qtMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << "tessaly-cli render: " << message.toStdString() << "\n";
}

// Rendering needs fonts, and fonts need a GUI application: the offscreen platform serves
// where there is no display.
std::unique_ptr<QGuiApplication> makeApplication()
{
    if (QGuiApplication::instance())
        return nullptr;
    qInstallMessageHandler(qtMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tessaly-cli";
    static char *argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

// "picture K of N" (or "frame K of N" of a movie) on the error stream while a series is
// drawn, when that stream is a terminal (a log or a pipe gets only the closing line), at most
// ten times a second.
class SeriesProgress
{
public:
    explicit SeriesProgress(int count, std::string noun = "picture")
        : count(count)
        , noun(std::move(noun))
        , onTerminal(isatty(STDERR_FILENO) == 1)
    {
    }
    void show(long long k)
    {
        if (!onTerminal)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (shown && now - last < std::chrono::milliseconds(100))
            return;
        last = now;
        std::string line =
            "\r" + noun + " " + std::to_string(k + 1) + " of " + std::to_string(count);
        width = std::max(width, line.size());
        std::cerr << line << std::flush;
        shown = true;
    }
    /// Blanks the progress line, so the closing line stands alone.
    void clear()
    {
        if (shown)
            std::cerr << "\r" << std::string(width, ' ') << "\r" << std::flush;
    }

private:
    int count;
    std::string noun;
    bool onTerminal;
    bool shown = false;
    std::size_t width = 0;
    std::chrono::steady_clock::time_point last;
};

// Writes the movie of the selected frames, or of the turning frame with --rotate: redraw
// draws a frame (0: the current one) into picture with the view as it stands.
int writeMovieOf(const RenderOptions &options, const std::vector<int> &selected, QImage &picture,
    const std::function<void(int)> &redraw, ViewTransform &view)
{
    const int framesPerSecond = options.framesPerSecond.value_or(DefaultFramesPerSecond);
    const bool turning = options.rotate > 0;
    const int count = turning ? options.rotate : static_cast<int>(selected.size());
    const double step = turning ? rotationStep(options.angle.value_or(360), count) : 0.0;
    SeriesProgress progress(count, "frame");
    const MovieOutcome outcome =
        writeMovie(options.output, framesPerSecond, count, picture, [&](int k) {
            progress.show(k);
            if (turning && k > 0)
                turnSeriesStep(view, step, options.vertical);
            redraw(turning ? 0 : selected[static_cast<std::size_t>(k)]);
            return true;
        });
    progress.clear();
    if (outcome.result != MovieResult::Written) {
        std::cerr << "tessaly-cli render: " << outcome.error << "\n";
        return 1;
    }
    std::cout << "wrote " << count << " frames, " << framesPerSecond << " a second, to "
              << options.output << "\n";
    return 0;
}

} // namespace

int renderCommand(const std::vector<std::string> &arguments)
{
    std::vector<std::string> args = arguments;
    TrajectoryOptions trajectoryOptions;
    if (const std::optional<int> status =
            startTrajectoryCommand("render", RenderHelp, args, trajectoryOptions))
        return *status;
    RenderOptions options;
    if (const std::string error = parseOptions(args, options); !error.empty()) {
        std::cerr << "tessaly-cli render: " << error << " (see tessaly-cli render --help)\n";
        return 2;
    }

    AtomTypeTable types;
    types.buildDefaultTable();
    FrameList frames;
    const LoadedTrajectory loaded =
        loadTrajectory(options.files[0], trajectoryOptions, types, frames);
    for (const auto &[caption, text] : loaded.messages)
        std::cerr << caption << (caption.empty() ? "" : ": ") << text << "\n";
    if (!loaded.error.empty()) {
        std::cerr << loaded.error << "\n";
        return 1;
    }
    // a movie without a choice of frames shows them all
    const bool series = options.all || options.first || options.last || options.step != 1
        || (options.movie && options.rotate == 0);
    const int missing =
        !series ? options.frame : std::max(options.first.value_or(1), options.last.value_or(1));
    if (missing > frames.count()) {
        std::cerr << "tessaly-cli render: there is no frame " << missing << " (the file has "
                  << frames.count() << ")\n";
        return 2;
    }
    // Frames are taken by number as they are drawn: a file read on demand keeps only a few.
    std::vector<int> selected;
    if (series) {
        const int first = options.first.value_or(1);
        const int last = options.last.value_or(frames.count());
        for (int number = first; number <= last; number += options.step)
            selected.push_back(number);
    }

    const auto application = makeApplication();

    DisplayState display;
    display.FitMode = options.fitMode;
    display.ShowLabels = options.labels;
    display.ShowLegend = options.legend;
    display.AtomColorMode = options.colourByCharge ? 1 : 0;
    display.AtomRadiusMode = options.radiusByCharge ? 1 : 0;
    const auto layout = static_cast<LayoutKind>(InputFormat::clampKind(loaded.format.kind));
    display.ShowBonds = options.bonds.value_or(bondsShownFor(layout));
    display.BondRadius = options.bondRadius;
    ViewTransform view;
    view.resetView();
    // the view centre sits at the integer halves of the drawing area, as in the window
    view.originX = static_cast<double>(options.width / 2);
    view.originY = static_cast<double>(options.height / 2);
    SceneSettings settings;
    if (options.electrons >= 0) {
        display.ShowElectrons = true;
        display.DrawingModel = options.electrons;
        display.ShowLabels = false;
        settings.atomScale *= 0.2;
    }
    SceneScratch scratch;
    ChargeGradient gradient;
    QImage picture(options.width, options.height, QImage::Format_RGB32);

    // The shown frame stays the chosen one (the first for a series), as in the window,
    // where saving a series leaves the current frame alone.
    const Frame &current = frames.frameAt(series ? 1 : options.frame);
    if (toldUnreadFrame("render", frames))
        return 1;
    RedrawInputs inputs{frames, current, frames.count(), display, view, settings, scratch, gradient,
        loaded.format.current().readTime, loaded.format.current().readEnergy};
    inputs.cloudThreads = trajectoryOptions.threads;
    // as the window opens it: a layout not written about the origin is centred and fitted
    if (centresViewOnOpen(layout) && frames.count() > 0) {
        view.centre = boundingBoxCentre(*frames.begin());
        FitToWindow(options.width, options.height, &*frames.begin(), false, inputs);
    }
    ErrorStreamSink sink;
    const auto save = [&](const std::string &path) {
        SafeWriteResult outcome = SafeWriteResult::Written;
        if (SaveImage(picture, path, sink, &outcome))
            return true;
        if (outcome == SafeWriteResult::LeftIncomplete)
            std::cerr << "tessaly-cli render: cannot write " << path
                      << ": it is incomplete, its old contents could not be put back\n";
        else if (sink.shown == 0)
            std::cerr << "tessaly-cli render: cannot write " << path << "\n";
        sink.shown = 0;
        return false;
    };

    if (options.movie) {
        const int status = writeMovieOf(
            options, selected, picture,
            [&](int number) {
                redrawFrame(picture, number ? &frames.frameAt(number) : &current, inputs);
            },
            view);
        return toldUnreadFrame("render", frames) ? 1 : status;
    }
    if (options.rotate > 0) {
        redrawFrame(picture, &current, inputs);
        const bool complete =
            saveRotatedSeries(options.output, options.rotate, options.angle.value_or(360),
                options.vertical, view, save, [&] { redrawFrame(picture, &current, inputs); });
        return complete ? 0 : 1;
    }
    if (!options.all) {
        redrawFrame(picture, &current, inputs);
        return save(options.output) ? 0 : 1;
    }
    const int count = static_cast<int>(selected.size());
    const int digits = decimalDigits(count);
    SeriesProgress progress(count);
    int written = 0;
    long long k = 0;
    for (const int number : selected) {
        progress.show(k);
        redrawFrame(picture, &frames.frameAt(number), inputs);
        if (toldUnreadFrame("render", frames))
            return 1;
        written += save(seriesFileName(options.output, k, digits)) ? 1 : 0;
        ++k;
    }
    progress.clear();
    std::cout << "wrote " << written << " of " << count << " pictures, "
              << seriesFileName(options.output, 0, digits) << " to "
              << seriesFileName(options.output, k - 1, digits) << "\n";
    return written == count ? 0 : 1;
}
