#include "app/cli/commands.h"
#include "app/cli/trajectoryoptions.h"
#include "model/chargegradient.h"
#include "model/saveframeoptions.h"
#include "render/displaystate.h"
#include "render/imagefile.h"
#include "render/redraw.h"
#include "render/rotatedseries.h"
#include "render/scene.h"
#include "render/viewtransform.h"

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char *const RenderHelp =
    "usage: tessaly-cli render FILE -o PICTURE [options] [input options]\n"
    "\n"
    "Reads FILE as the program's Open does and draws a frame the way the main window does,\n"
    "through the same redraw, into PICTURE: a .bmp, .jpg, .jpeg or .png file (any letter\n"
    "case). No display is needed. The view is the window's start view, centred in the\n"
    "drawing area; an XYZ file is centred on its first frame and fitted, as the window\n"
    "opens it.\n"
    "\n"
    "options:\n"
    "  -o, --output PICTURE      the picture to write (may also follow FILE directly)\n"
    "  --frame N                 the frame to draw, counted from 1 (default 1)\n"
    "  --all                     every frame, as the numbered series Save writes: PICTURE's\n"
    "                            name followed by 0, 1, ... padded to the digits of the count;\n"
    "                            shows its progress on the error stream when that is a\n"
    "                            terminal and ends with one line of what was written\n"
    "  --rotate N                N pictures of the frame turned step by step, as Save Frame's\n"
    "                            rotated images: named like --all, the first the unturned\n"
    "                            view (N from 1 to 1000)\n"
    "  --angle DEG               whole degrees turned over --rotate's series, 90 to 3600\n"
    "                            (default 360)\n"
    "  --vertical                turn --rotate's series about the screen's horizontal axis\n"
    "                            (default: about its vertical axis)\n"
    "  --size WxH                drawing area in pixels (default 481x351, the window's start\n"
    "                            drawing area: its client area less the status line)\n"
    "  --labels on|off           atom labels (default on)\n"
    "  --color-by type|charge    ball colours by atom type or by charge level (default type)\n"
    "  --radius-by type|charge   ball radii by atom type or by charge (default type)\n"
    "  --fit 0..3                fit in window: 0 first frame, 1 each frame, 2 overflowing\n"
    "                            frames (default), 3 none\n"
    "  --electrons off|quick|3d  the electron cloud and its drawing model (default off); on,\n"
    "                            labels are hidden and atoms drawn at a fifth of their size,\n"
    "                            as the window's electrons switch does. --threads N (below)\n"
    "                            also sets the threads of the 3D cloud (0: every core); the\n"
    "                            picture is the same for any number of threads\n"
    "Exit status 0 when every picture was written; 1 when the file could not be read or a\n"
    "picture not written; 2 for a wrong command line.\n"
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
    bool colourByCharge = false;
    bool radiusByCharge = false;
    int fitMode = 2;
    int rotate = 0; ///< pictures of a rotated series; 0 for none
    std::optional<int> angle;
    bool vertical = false;
    int electrons = -1; ///< -1 off, else the drawing model: 0 quick, 1 3D
};

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
        std::string name = args[i];
        std::optional<std::string> value;
        if (name.rfind("--", 0) == 0) {
            if (const std::size_t equals = name.find('='); equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
            }
        }
        const auto take = [&]() -> std::optional<std::string> {
            if (value)
                return value;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
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

// "picture K of N" on the error stream while a series is drawn, when that stream is a
// terminal (a log or a pipe gets only the closing line), at most ten times a second.
class SeriesProgress
{
public:
    explicit SeriesProgress(int count)
        : count(count)
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
        std::string line = "\rpicture " + std::to_string(k + 1) + " of " + std::to_string(count);
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
    bool onTerminal;
    bool shown = false;
    std::size_t width = 0;
    std::chrono::steady_clock::time_point last;
};

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
    if (!options.all && options.frame > frames.count()) {
        std::cerr << "tessaly-cli render: there is no frame " << options.frame << " (the file has "
                  << frames.count() << ")\n";
        return 2;
    }

    const auto application = makeApplication();

    DisplayState display;
    display.FitMode = options.fitMode;
    display.ShowLabels = options.labels;
    display.AtomColorMode = options.colourByCharge ? 1 : 0;
    display.AtomRadiusMode = options.radiusByCharge ? 1 : 0;
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
    const Frame &current = frames.frameAt(options.all ? 1 : options.frame);
    RedrawInputs inputs{frames, current, frames.count(), display, view, settings, scratch, gradient,
        loaded.format.current().readTime, loaded.format.current().readEnergy};
    inputs.cloudThreads = trajectoryOptions.threads;
    // as the window opens it: a layout not written about the origin is centred and fitted
    if (centresViewOnOpen(static_cast<LayoutKind>(InputFormat::clampKind(loaded.format.kind)))
        && frames.count() > 0) {
        view.centre = boundingBoxCentre(*frames.begin());
        FitToWindow(options.width, options.height, &*frames.begin(), false, inputs);
    }
    ErrorStreamSink sink;
    const auto save = [&](const std::string &path) {
        if (SaveImage(picture, path, sink))
            return true;
        if (sink.shown == 0)
            std::cerr << "tessaly-cli render: cannot write " << path << "\n";
        sink.shown = 0;
        return false;
    };

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
    const int digits = decimalDigits(frames.count());
    SeriesProgress progress(frames.count());
    int written = 0;
    long long k = 0;
    for (const Frame &frame : frames) {
        progress.show(k);
        redrawFrame(picture, &frame, inputs);
        written += save(seriesFileName(options.output, k, digits)) ? 1 : 0;
        ++k;
    }
    progress.clear();
    std::cout << "wrote " << written << " of " << frames.count() << " pictures, "
              << seriesFileName(options.output, 0, digits) << " to "
              << seriesFileName(options.output, k - 1, digits) << "\n";
    return written == frames.count() ? 0 : 1;
}
