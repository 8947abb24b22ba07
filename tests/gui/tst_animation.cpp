#include "app/application.h"
#include "app/mainwindow.h"
#include "dialogs/speeddlg.h"
#include "dialogs/toolsdlg.h"
#include "guitestsupport.h"

#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

class AnimationTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { windows = std::make_unique<TessalyWindows>(); }
    void cleanup() { windows.reset(); }

    void stepForwardMovesToTheNextFrameAndTheTrackBar();
    void repeatWrapsFromTheLastFrameToTheFirst();
    void withoutRepeatTheLastFramePausesAndShowsThePauseButtonPressed();
    void playingRunsOnTheTimerUntilTheLastFrame();
    void playingWithNothingLoadedStaysOnTheHead();
    void rewindPausesAndShowsTheFirstFrame();
    void repeatTogglesTheFlag();
    void rotateWithAllRatesZeroStartsTheDefaultSpin();
    void rotateKeepsRatesThatAreSet();
    void trackBarWalksFromSevenToThree();
    void goToFrameIgnoresIndicesOutsideTheTrajectory();
    void speedButtonsPlayAndPauseAsARadioPair();
    void speedPositionsGiveTruncatedIntervals_data();
    void speedPositionsGiveTruncatedIntervals();
    void speedDialogChangesTheIntervalLiveAndCancelUndoesIt();
    void speedDialogEscapeUndoesTheChange();
    void speedDialogOkKeepsTheNewSpeed();
    void speedDialogClosedByItsFrameKeepsThePreviousVerdict();
    void toolsWindowDocksOverThePicturesBottomRightCorner();

private:
    // Runs the main window's speed command while the dialog is driven from inside its loop.
    void runSpeedDialog(const std::function<void()> &whileOpen)
    {
        QTimer::singleShot(0, SpeedDlg, whileOpen);
        MainForm->Speed1Click();
    }
    std::unique_ptr<TessalyWindows> windows;
};

void AnimationTest::stepForwardMovesToTheNextFrameAndTheTrackBar()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 3);
    QCOMPARE(m.CurrentFrameIndex, 1);
    QCOMPARE(m.CurrentFrame, &m.Frames.frameAt(1));
    m.StepForward();
    QCOMPARE(m.CurrentFrameIndex, 2);
    QCOMPARE(m.CurrentFrame, &m.Frames.frameAt(2));
    QCOMPARE(ToolsDlg->ToolsTrackBar->value(), 2);
    QCOMPARE(m.StatusText(), QStringLiteral("Frame 2 of 3 step 2"));
}

void AnimationTest::repeatWrapsFromTheLastFrameToTheFirst()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 3);
    m.GoToFrame(3);
    m.Forward1Click();
    m.AnimTimerTimer();
    QVERIFY(m.Playing);
    QCOMPARE(m.CurrentFrameIndex, 1);
    QCOMPARE(m.CurrentFrame, &m.Frames.frameAt(1));
    QCOMPARE(ToolsDlg->ToolsTrackBar->value(), 1);
}

void AnimationTest::withoutRepeatTheLastFramePausesAndShowsThePauseButtonPressed()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 3);
    m.Repeat1Click();
    m.GoToFrame(3);
    m.Forward1Click();
    QVERIFY(ToolsDlg->ForwardSpeedBtn->isChecked());
    m.AnimTimerTimer();
    QVERIFY(!m.Playing);
    QVERIFY(!m.AnimTimer.isActive());
    QCOMPARE(m.CurrentFrameIndex, 3);
    QVERIFY(ToolsDlg->PauseSpeedBtn->isChecked());
    QVERIFY(!ToolsDlg->ForwardSpeedBtn->isChecked());
}

void AnimationTest::playingRunsOnTheTimerUntilTheLastFrame()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 3);
    m.RepeatPlay = false;
    m.AnimTimer.setInterval(10);
    m.Forward1Click();
    QTRY_VERIFY(!m.Playing);
    QCOMPARE(m.CurrentFrameIndex, 3);
}

void AnimationTest::playingWithNothingLoadedStaysOnTheHead()
{
    TMainForm &m = *MainForm;
    m.Forward1Click();
    m.AnimTimerTimer();
    QVERIFY(m.Playing);
    QCOMPARE(m.CurrentFrameIndex, 0);
    QCOMPARE(m.CurrentFrame, &m.Frames.head());
    QCOMPARE(m.StatusText(), QStringLiteral("Frame 0 of 0"));
}

void AnimationTest::rewindPausesAndShowsTheFirstFrame()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 4);
    m.GoToFrame(3);
    m.Forward1Click();
    m.Rewind1Click();
    QVERIFY(!m.Playing);
    QCOMPARE(m.CurrentFrameIndex, 1);
    QCOMPARE(ToolsDlg->ToolsTrackBar->value(), 1);
}

void AnimationTest::repeatTogglesTheFlag()
{
    QVERIFY(MainForm->RepeatPlay);
    MainForm->Repeat1->trigger();
    QVERIFY(!MainForm->RepeatPlay);
    MainForm->Repeat1->trigger();
    QVERIFY(MainForm->RepeatPlay);
}

void AnimationTest::rotateWithAllRatesZeroStartsTheDefaultSpin()
{
    TMainForm &m = *MainForm;
    m.RotationRateHorizontal = 0.0;
    m.Rotate1Click();
    QVERIFY(m.Rotating);
    QVERIFY(m.RotationTimer.isActive());
    QCOMPARE(m.RotationTimer.interval(), 100);
    QCOMPARE(m.RotationRateHorizontal, 0.001);
    QCOMPARE(m.RotationRateVertical, 0.0);
    QCOMPARE(m.RotationRateInPlane, 0.0);
    m.Rotate1Click();
    QVERIFY(!m.Rotating);
    QVERIFY(!m.RotationTimer.isActive());
}

void AnimationTest::rotateKeepsRatesThatAreSet()
{
    TMainForm &m = *MainForm;
    m.RotationRateHorizontal = 0.0;
    m.RotationRateInPlane = -0.004;
    m.Rotate1Click();
    QCOMPARE(m.RotationRateHorizontal, 0.0);
    QCOMPARE(m.RotationRateInPlane, -0.004);
}

void AnimationTest::trackBarWalksFromSevenToThree()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 10);
    QCOMPARE(ToolsDlg->ToolsTrackBar->maximum(), 10);
    ToolsDlg->ToolsTrackBar->setValue(7);
    QCOMPARE(m.CurrentFrameIndex, 7);
    ToolsDlg->ToolsTrackBar->setValue(3);
    QCOMPARE(m.CurrentFrameIndex, 3);
    QCOMPARE(m.CurrentFrame, &m.Frames.frameAt(3));
    QCOMPARE(m.CurrentFrame->time, 3.0);
    QCOMPARE(m.StatusText(), QStringLiteral("Frame 3 of 10 step 3"));
}

void AnimationTest::goToFrameIgnoresIndicesOutsideTheTrajectory()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 5);
    m.GoToFrame(4);
    m.GoToFrame(6);
    QCOMPARE(m.CurrentFrameIndex, 4);
    m.GoToFrame(-1);
    QCOMPARE(m.CurrentFrameIndex, 4);
    QCOMPARE(m.CurrentFrame, &m.Frames.frameAt(4));
}

void AnimationTest::speedButtonsPlayAndPauseAsARadioPair()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 3);
    ToolsDlg->ForwardSpeedBtn->click();
    QVERIFY(m.Playing);
    QVERIFY(m.AnimTimer.isActive());
    QVERIFY(!ToolsDlg->PauseSpeedBtn->isChecked());
    ToolsDlg->PauseSpeedBtn->click();
    QVERIFY(!m.Playing);
    QVERIFY(ToolsDlg->PauseSpeedBtn->isChecked());
    QVERIFY(!ToolsDlg->ForwardSpeedBtn->isChecked());
    // A pressed button cannot be released by clicking it again.
    ToolsDlg->PauseSpeedBtn->click();
    QVERIFY(ToolsDlg->PauseSpeedBtn->isChecked());
    QVERIFY(!m.Playing);
}

void AnimationTest::speedPositionsGiveTruncatedIntervals_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("interval");
    QTest::newRow("1") << 1 << 1000;
    QTest::newRow("3") << 3 << 333;
    QTest::newRow("7") << 7 << 142;
    QTest::newRow("25") << 25 << 40;
    QTest::newRow("30") << 30 << 33;
}

void AnimationTest::speedPositionsGiveTruncatedIntervals()
{
    QFETCH(int, position);
    QFETCH(int, interval);
    SpeedDlg->SpeedTrackBar->setValue(position);
    QCOMPARE(MainForm->FramesPerSecond, position);
    QCOMPARE(MainForm->AnimTimer.interval(), interval);
}

void AnimationTest::speedDialogChangesTheIntervalLiveAndCancelUndoesIt()
{
    TMainForm &m = *MainForm;
    QCOMPARE(SpeedDlg->SpeedTrackBar->minimum(), 1);
    QCOMPARE(SpeedDlg->SpeedTrackBar->maximum(), 30);
    int liveInterval = 0;
    int liveSpeed = 0;
    runSpeedDialog([&] {
        QCOMPARE(SpeedDlg->SpeedTrackBar->value(), 10);
        SpeedDlg->SpeedTrackBar->setValue(25);
        liveInterval = m.AnimTimer.interval();
        liveSpeed = m.FramesPerSecond;
        SpeedDlg->CancelBtn->click();
    });
    QCOMPARE(liveInterval, 40);
    QCOMPARE(liveSpeed, 25);
    QVERIFY(!m.DialogAccepted);
    QCOMPARE(m.FramesPerSecond, 10);
    QCOMPARE(m.AnimTimer.interval(), 100);
}

void AnimationTest::speedDialogEscapeUndoesTheChange()
{
    TMainForm &m = *MainForm;
    m.DialogAccepted = true;
    runSpeedDialog([] {
        SpeedDlg->SpeedTrackBar->setValue(25);
        QTest::keyClick(SpeedDlg, Qt::Key_Escape);
    });
    QVERIFY(!m.DialogAccepted);
    QCOMPARE(m.FramesPerSecond, 10);
    QCOMPARE(m.AnimTimer.interval(), 100);
}

void AnimationTest::speedDialogOkKeepsTheNewSpeed()
{
    TMainForm &m = *MainForm;
    runSpeedDialog([] {
        SpeedDlg->SpeedTrackBar->setValue(7);
        SpeedDlg->OKBtn->click();
    });
    QVERIFY(m.DialogAccepted);
    QCOMPARE(m.FramesPerSecond, 7);
    QCOMPARE(m.AnimTimer.interval(), 142);
    // The next opening starts at the speed kept.
    int shown = 0;
    runSpeedDialog([&shown] {
        shown = SpeedDlg->SpeedTrackBar->value();
        SpeedDlg->CancelBtn->click();
    });
    QCOMPARE(shown, 7);
    QCOMPARE(m.AnimTimer.interval(), 142);
}

void AnimationTest::speedDialogClosedByItsFrameKeepsThePreviousVerdict()
{
    TMainForm &m = *MainForm;
    m.DialogAccepted = false;
    runSpeedDialog([] {
        SpeedDlg->SpeedTrackBar->setValue(20);
        SpeedDlg->close();
    });
    QCOMPARE(m.FramesPerSecond, 10);
    QCOMPARE(m.AnimTimer.interval(), 100);
    m.DialogAccepted = true;
    runSpeedDialog([] {
        SpeedDlg->SpeedTrackBar->setValue(20);
        SpeedDlg->close();
    });
    QCOMPARE(m.FramesPerSecond, 20);
    QCOMPARE(m.AnimTimer.interval(), 50);
}

void AnimationTest::toolsWindowDocksOverThePicturesBottomRightCorner()
{
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    ToolsDlg->show();
    const auto docked = [&m] {
        const QRect picture = m.PictureScreenRect();
        const QRect tools = ToolsDlg->frameGeometry();
        return tools.right() == picture.right() && tools.bottom() == picture.bottom();
    };
    m.resize(640, 480);
    QTRY_VERIFY(docked());
    m.move(m.pos() + QPoint(30, 20));
    QTRY_VERIFY(docked());
    QCOMPARE(ToolsDlg->size(), QSize(178, 25));
}

QTEST_MAIN(AnimationTest)
#include "tst_animation.moc"
