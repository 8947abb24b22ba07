#include "app/mainwindow.h"

#include "app/messagesinks.h"
#include "app/statuslabel.h"
#include "app/viewwidget.h"
#include "dialogs/chargedlg.h"
#include "dialogs/detailsdlg.h"
#include "dialogs/inputdlg.h"
#include "dialogs/toolsdlg.h"
#include "model/inputformat.h"
#include "render/cloudjob.h"
#include "render/spherepicture.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMoveEvent>
#include <QScreen>
#include <QStatusBar>

#include <cstdlib>
#include <string>

TMainForm *MainForm = nullptr;

namespace {

const QString ApplicationTitle = QStringLiteral("Tessaly");

std::optional<std::uint32_t> runColorDialog(QColorDialog &dialog, std::uint32_t preset)
{
    dialog.setCurrentColor(QColor(static_cast<int>(preset & 0xFFu),
        static_cast<int>((preset >> 8) & 0xFFu), static_cast<int>((preset >> 16) & 0xFFu)));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QColor chosen = dialog.selectedColor();
    return rgbColor(static_cast<std::uint32_t>(chosen.red()),
        static_cast<std::uint32_t>(chosen.green()), static_cast<std::uint32_t>(chosen.blue()));
}

} // namespace

TMainForm::TMainForm()
{
    // The view is in its start state before anything of the window is built.
    ViewTransform.resetView();
    MainForm = this;
    setObjectName(QStringLiteral("MainForm"));
    OwnMessages = std::make_unique<MessageBoxSink>(this);
    Messages = OwnMessages.get();
    OwnStatusLine = std::make_unique<StatusLineSink>(*this);
    StatusLine = OwnStatusLine.get();
    ColorDialog1 = new QColorDialog(this);
    ColorDialog1->setObjectName(QStringLiteral("ColorDialog1"));
    ChooseColor = [this](std::uint32_t preset) { return runColorDialog(*ColorDialog1, preset); };
    CommandLineArguments = QCoreApplication::arguments();

    View = new TViewWidget(*this);
    setCentralWidget(View);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(true);
    // A standing widget rather than a message: hovering a menu item clears messages.
    FrameCounter = new StatusLabel;
    FrameCounter->setObjectName(QStringLiteral("FrameCounter"));
    statusBar()->addWidget(FrameCounter, 1);
    SetUpDropping();
    BuildMenu();

    SetFileName(QStringLiteral("Untitled"));

    CurrentFrame = &Frames.head();
    FramesPerSecond = 10;
    AnimTimer.setInterval(1000 / FramesPerSecond);
    RotationTimer.setInterval(100);
    connect(&AnimTimer, &QTimer::timeout, this, &TMainForm::AnimTimerTimer);
    connect(&RotationTimer, &QTimer::timeout, this, &TMainForm::RotationTimerTimer);
    connect(&MouseTimer, &QTimer::timeout, this, &TMainForm::MouseTimerTimer);

    setMinimumSize(100, 100);
    resize(481, 394);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // Lay the window out now, so the picture area has its size before the window is shown.
    if (layout())
        layout()->activate();
    ViewRect = QRect(0, 0, ClientWidth(), ViewHeight());
    SizeViewBitmap();
    if (!ViewRect.isEmpty() && ViewBitmap.isNull())
        std::exit(1);

    AtomTypes.buildDefaultTable();
    ClearTrajectory();
    FormCreate();
}

TMainForm::~TMainForm()
{
    const NoForcedPaint going(*this);
    // no cloud thread outlives the window it reports to
    EndCloudPasses();
    // nor a thread reading frames ahead the atom types it reads them with
    Frames.clearFrames();
    if (MainForm == this)
        MainForm = nullptr;
}

int TMainForm::ClientWidth() const
{
    return View->width();
}

int TMainForm::ViewHeight() const
{
    return View->height();
}

QRect TMainForm::PictureScreenRect() const
{
    return QRect(View->mapToGlobal(QPoint(0, 0)), QSize(ClientWidth(), ViewHeight()));
}

ChargeGradient &TMainForm::Gradient()
{
    return ChargeDlg ? ChargeDlg->Gradient : OwnGradient;
}

InputFormat &TMainForm::Format()
{
    return InputDlg ? InputDlg->Format : OwnFormat;
}

void TMainForm::SetFileName(const QString &name)
{
    const std::string whole = name.toStdString();
    const QString shown = QString::fromStdString(std::string(fileNamePart(whole)));
    setWindowTitle(QStringLiteral("%1 - %2").arg(ApplicationTitle, shown));
    FileName = name;
}

void TMainForm::ShowStatus()
{
    // The counter is the bar's standing text; a busy text covers it until it is cleared.
    FrameCounter->SetWholeText(frameCounterText(CurrentFrameIndex, FrameCount,
        CurrentFrame ? CurrentFrame->text() : std::optional<std::string_view>()));
    statusBar()->clearMessage();
}

void TMainForm::ShowStatus(const QString &text)
{
    statusBar()->showMessage(text);
}

void TMainForm::RefreshStatusLine()
{
    if (ForcedPaintBlocks == 0 && !View->paintingActive() && isVisible())
        statusBar()->repaint();
    else
        statusBar()->update();
}

QString TMainForm::StatusText() const
{
    const QString busy = statusBar()->currentMessage();
    return busy.isEmpty() ? FrameCounter->WholeText() : busy;
}

void TMainForm::ClearTrajectory()
{
    Frames.clearFrames();
    // a frame read later may land where a cleared one was: its scratch must not pass for its own
    SceneScratch.forget();
    FrameCount = 0;
    CurrentFrameIndex = 0;
    CurrentFrame = &Frames.head();
    DistancePairs.clear();
    PickChain.clear();
    DetailsAtom = -1;
    PickedAtom = -1;
    SaveFirstFrame = 1;
    SaveLastFrame = 0;
    ShowStatus();
}

void TMainForm::FormCreate()
{
    SetViewCentre();
}

void TMainForm::SetViewCentre()
{
    // Integer halves: an odd width of 481 puts the centre on pixel 240.
    const int halfWidth = ClientWidth() / 2;
    const int halfHeight = ViewHeight() / 2;
    ViewTransform.originX = halfWidth;
    ViewTransform.originY = halfHeight;
}

void TMainForm::FormResize()
{
    const NoForcedPaint resizing(*this);
    ViewRect = QRect(0, 0, ClientWidth(), ViewHeight());
    // A cloud drawn for the old size is stale, unless long work waits for it (a picture of a
    // series is drawn at the size it began with).
    if (!Busy)
        Cloud.Stop();
    if (SizeViewBitmap()) {
        ViewBitmap.fill(pixelOfColor(effectiveBackground()));
        BitmapStale = true;
    }
    SetViewCentre();
    if (ToolsDlg)
        ToolsDlg->Dock();
    if (DetailsDlg)
        DetailsDlg->placeDetails();
    BitmapFresh = false;
    View->update();
}

bool TMainForm::SizeViewBitmap()
{
    // On a screen of double density the picture has twice the pixels of the view each way,
    // and its text twice the dots per metre, so that it is drawn sharp rather than enlarged.
    const double ratio = PixelRatio();
    const QSize size = (QSizeF(ViewRect.size()) * ratio).toSize();
    if (ViewBitmap.size() == size)
        return false;
    ViewBitmap = QImage(size, QImage::Format_RGB32);
    if (ratio != 1.0 && !ViewBitmap.isNull()) {
        ViewBitmap.setDotsPerMeterX(qRound(ViewBitmap.dotsPerMeterX() * ratio));
        ViewBitmap.setDotsPerMeterY(qRound(ViewBitmap.dotsPerMeterY() * ratio));
    }
    return true;
}

void TMainForm::FormPaint()
{
    Redraw(nullptr, true);
}

void TMainForm::ShowMessage(const QString &caption, const QString &text)
{
    Messages->show(caption.toStdString(), text.toStdString());
}

void TMainForm::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (ToolsDlg)
        ToolsDlg->Dock();
    if (DetailsDlg)
        DetailsDlg->placeDetails();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    const NoForcedPaint closing(*this);
    // a cloud being drawn ends with its rows; the threads are waited for when the window goes
    Cloud.Stop();
    QMainWindow::closeEvent(event);
    emit Closed();
}
