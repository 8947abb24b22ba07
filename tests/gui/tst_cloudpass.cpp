#include "app/application.h"
#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "dialogs/toolsdlg.h"
#include "guitestsupport.h"
#include "render/redraw.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Generous for the sanitizer build; every wait ends as soon as its condition holds.
constexpr int PassTimeoutMs = 120000;

// Keeps a copy of the picture the view shows at each of its paints. The copy is taken as the
// paint ends: by the time a test polls, a newer pass may already have replaced the bitmap.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(TMainForm &window)
        : Window(window)
    {
        Window.View->installEventFilter(this);
    }
    std::vector<QImage> shown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || delivering)
            return false;
        // deliver the paint here, inside the painting Qt set up, then copy what it painted
        delivering = true;
        watched->event(event);
        delivering = false;
        shown.push_back(Window.ViewBitmap.copy());
        return true;
    }

private:
    TMainForm &Window;
    bool delivering = false;
};

} // namespace

// The 3D electron cloud in the window runs beside the event loop: newer redraws make a pass
// stale, only whole pictures are shown, and the window and its threads end together.
class CloudPassTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        windows = openRecordedWindows(sink, status);
        TMainForm &window = *MainForm;
        window.OpenTrajectory(QStringLiteral(TESSALY_EXAMPLES "/water.xyz"));
        window.Pause1Click();
        window.ShowElectrons = true;
        window.DrawingModel = 1;
        // a fixed zoom: every frame's picture depends on that frame alone
        window.FitMode = 3;
        // a small view keeps each pass short, under the sanitizer too
        window.resize(240, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY_WITH_TIMEOUT(!window.CloudPassRunning(), PassTimeoutMs);
    }
    void cleanup() { windows.reset(); }

    void aNewerRedrawCancelsTheStalePassAndShowsOnlyTheUninterruptedPicture();
    void playingShowsEachFrameWholeBeforeStepping();
    void escDuringASeriesStopsItAfterTheCurrentPicture();
    void escInTheAnimationControlGivesUpTheCloudForTheQuickModel();
    void closingDuringAPassEndsItsThreads();
    void aWaitThatAClosingEndsHasNoPicture();

private:
    // The frame's picture as one uninterrupted redraw on the calling thread draws it.
    QImage wholePicture(int index)
    {
        TMainForm &window = *MainForm;
        QImage picture(window.ViewBitmap.size(), QImage::Format_RGB32);
        const LayoutSettings &layout = window.Format().current();
        RedrawInputs inputs{.Frames = window.Frames,
            .CurrentFrame = *window.CurrentFrame,
            .FrameCount = window.FrameCount,
            .display = window,
            .view = window.ViewTransform,
            .settings = window.SceneSettings,
            .scratch = window.SceneScratch,
            .gradient = window.Gradient(),
            .readTime = layout.readTime,
            .readEnergy = layout.readEnergy};
        redrawFrame(picture, &window.Frames.frameAt(index), inputs);
        return picture;
    }

    RecordingSink sink;
    RecordingStatus status;
    std::unique_ptr<TessalyWindows> windows;
};

void CloudPassTest::aNewerRedrawCancelsTheStalePassAndShowsOnlyTheUninterruptedPicture()
{
    TMainForm &window = *MainForm;
    const QImage second = wholePicture(2);
    const QImage third = wholePicture(3);
    QVERIFY(second != third);
    PaintRecorder recorder(window);
    status = RecordingStatus{};

    window.GoToFrame(2);
    QVERIFY(window.CloudPassRunning());
    const QImage before = window.ViewBitmap.copy();
    // the window answers: the last picture stays and repaints while the pass runs
    window.View->repaint();
    QCOMPARE(window.ViewBitmap, before);

    window.GoToFrame(3);
    QVERIFY(window.CloudPassRunning());
    // the busy text carries the percentage on each tick of the progress timer
    QVERIFY(window.CloudProgressTimer.isActive());
    window.ShowCloudProgress();
    const std::string progress = status.busyTexts.back();
    QVERIFY(progress.starts_with("I'm rendering electrons cloud, please wait! "));
    QVERIFY(progress.ends_with('%'));
    QTRY_VERIFY_WITH_TIMEOUT(!window.CloudPassRunning(), PassTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.shown.empty() && recorder.shown.back() == third, 5000);
    QCOMPARE(window.ViewBitmap, third);
    for (const QImage &shown : recorder.shown)
        QVERIFY(shown != second);
    QCOMPARE(status.busyTexts.front(), std::string("I'm rendering electrons cloud, please wait!"));
    // the counter is back
    QVERIFY(status.counterShown > 0);
    QVERIFY(!window.CloudProgressTimer.isActive());
}

void CloudPassTest::playingShowsEachFrameWholeBeforeStepping()
{
    TMainForm &window = *MainForm;
    std::vector<QImage> whole;
    for (int index = 1; index <= 3; ++index)
        whole.push_back(wholePicture(index));
    window.GoToFrame(1);
    QTRY_VERIFY_WITH_TIMEOUT(!window.CloudPassRunning(), PassTimeoutMs);
    PaintRecorder recorder(window);
    // ticks far faster than a pass: each must wait for its frame's cloud
    window.AnimTimer.setInterval(1);
    connect(&window.AnimTimer, &QTimer::timeout, &window, [&window] {
        if (window.CurrentFrameIndex == 3)
            window.Pause1Click();
    });
    window.Forward1Click();
    QTRY_VERIFY_WITH_TIMEOUT(!window.Playing && !window.CloudPassRunning(), PassTimeoutMs);
    QCOMPARE(window.CurrentFrameIndex, 3);
    window.Pause1Click();
    QVERIFY(!recorder.shown.empty());
    for (const QImage &shown : recorder.shown)
        QVERIFY(std::find(whole.begin(), whole.end(), shown) != whole.end());
    // frames 2 and 3 were each shown whole on the way
    QVERIFY(
        std::find(recorder.shown.begin(), recorder.shown.end(), whole[1]) != recorder.shown.end());
    QVERIFY(
        std::find(recorder.shown.begin(), recorder.shown.end(), whole[2]) != recorder.shown.end());
}

void CloudPassTest::escDuringASeriesStopsItAfterTheCurrentPicture()
{
    TMainForm &window = *MainForm;
    const QImage first = wholePicture(1);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    window.ExecuteSaveDialog = [&folder] { return folder.filePath(QStringLiteral("s.bmp")); };
    window.SaveAllFrames = true;
    // pressed once the series is under way, while its first cloud is drawn
    QTimer::singleShot(0, &window, [&window] { QTest::keyClick(&window, Qt::Key_Escape); });
    window.Save1Click();
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("s00.bmp")});
    QCOMPARE(
        QImage(folder.filePath(QStringLiteral("s00.bmp"))).convertToFormat(QImage::Format_RGB32),
        first);
    QVERIFY(sink.messages.empty());
}

void CloudPassTest::escInTheAnimationControlGivesUpTheCloudForTheQuickModel()
{
    TMainForm &window = *MainForm;
    window.QuickDraw = true;
    const QImage quick = wholePicture(2);
    window.QuickDraw = false;
    // the pause button clicked: the keyboard is now the animation control's (a tool window
    // counts as active already while its main window is, so it is asked for directly)
    ToolsDlg->windowHandle()->requestActivate();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(ToolsDlg));
    QTest::mouseClick(ToolsDlg->PauseSpeedBtn, Qt::LeftButton);
    window.GoToFrame(2);
    QVERIFY(window.CloudPassRunning());
    QTest::keyClick(ToolsDlg, Qt::Key_Escape);
    QVERIFY(!window.CloudPassRunning());
    QCOMPARE(window.ViewBitmap, quick);
}

void CloudPassTest::closingDuringAPassEndsItsThreads()
{
    TMainForm &window = *MainForm;
    window.GoToFrame(5);
    QVERIFY(window.CloudPassRunning());
    window.close();
    QVERIFY(!window.CloudPassRunning());
    // the window goes with threads that may still be drawing: they are stopped and joined
    windows.reset();
    QVERIFY(MainForm == nullptr);
}

void CloudPassTest::aWaitThatAClosingEndsHasNoPicture()
{
    // Save Frame waits for the frame's whole picture: a close meanwhile must not pass for it
    TMainForm &window = *MainForm;
    window.GoToFrame(5);
    QVERIFY(window.CloudPassRunning());
    QTimer::singleShot(0, &window, [&window] { window.close(); });
    QVERIFY(!window.WaitForCloudPass(false));
    QVERIFY(!window.CloudPassRunning());
}

QTEST_MAIN(CloudPassTest)
#include "tst_cloudpass.moc"
