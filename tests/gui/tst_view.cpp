#include "app/application.h"
#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "dialogs/chargedlg.h"
#include "dialogs/detailsdlg.h"
#include "dialogs/inputdlg.h"
#include "guitestsupport.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

constexpr double Pi = std::numbers::pi;

ShiftState held(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    return ShiftState{keys, buttons, false};
}

ShiftState released(Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    return ShiftState{keys, Qt::NoButton, false};
}

bool near(const Vector3 &v, double x, double y, double z)
{
    return std::abs(v.x - x) < 1e-9 && std::abs(v.y - y) < 1e-9 && std::abs(v.z - z) < 1e-9;
}

} // namespace

// The picture in the window and every mouse gesture on it.
class ViewTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        windows = openRecordedWindows(sink, status);
        cx = MainForm->ClientWidth() / 2;
        cy = MainForm->ViewHeight() / 2;
    }
    void cleanup() { windows.reset(); }

    void viewStartsUnturnedAtThirtyTwoPixelsPerAngstrom();
    void anEmptyViewIsFilledWithTheBackground();
    void aOneAtomFrameShowsItsBallAtTheViewCentre();
    void presentingShowsTheComposedPictureInTheView();
    void atomsByChargeTakeTheChargesDialogsGradient();
    void timeAndEnergyLinesFollowTheLayoutKindsSwitches();
    void rotationTimerTurnsTheViewByOneTenthRadian();
    void electronsSwitchShrinksTheAtomsToAFifthAndBack();

    void leftDragAcrossTheWholeWidthTurnsHalfATurn();
    void leftDragDownTheWholeHeightTurnsAboutTheScreenX();
    void leftDragWithCtrlOrAltTurnsNothing_data();
    void leftDragWithCtrlOrAltTurnsNothing();
    void shiftDragTwistsAboutTheViewCentre();
    void twistStartingOnTheCentreTurnsNothingUntilThePointerLeavesIt();
    void rightDragZooms_data();
    void rightDragZooms();
    void dragDrawsTheAxesAndTheReleaseDrawsThePictureWithout();
    void flickSpinsTheWayTheDragTurned();
    void verticalFlickSpinsTheWayTheDragTurned();
    void releaseWhereThePointerStopsLeavesNoSpin();
    void twistFlickAcrossTheRightRaySpinsSlowlyTheSameWay();
    void rightDragReleaseNeverSpins();
    void releaseWithCtrlOrAltArmsNoTimer_data();
    void releaseWithCtrlOrAltArmsNoTimer();
    void plainClickStopsTheSpinAndLeavesTheRatesZero();
    void middleClickShowsDetailsAndMiddleDragScalesTheArrows();
    void wheelZoomsThePictureAndCtrlWheelTheAtoms();
    void keysPlayStepAndGoToTheFirstFrame();
    void ctrlClicksOnTwoAtomsToggleTheirDistanceOnOffOn();
    void ctrlClickOnTheSameAtomOrEmptySpaceTogglesNothing();
    void ctrlClicksChainAndCtrlShiftClickStartsANewChain();
    void ctrlClickSwitchesTheDistancesOn();
    void altClickShowsTheAtomInTheDetailsWindow();
    void altClickOnEmptySpaceShowsTheFrameDetails();
    void ctrlAltClickPicksAndShowsDetails();
    void realDragThroughTheViewTurnsTheMolecule();

private:
    // Loads one frame of oxygen atoms at the given model positions, without fitting, and
    // composes it, so picking sees it.
    void loadAtoms(const std::vector<Vector3> &positions)
    {
        TMainForm &m = *MainForm;
        m.ClearTrajectory();
        Frame frame;
        const int count = static_cast<int>(positions.size());
        frame.atomCount = count;
        QVERIFY(allocateAtoms(frame, count));
        for (int i = 0; i < count; ++i) {
            frame.atoms[static_cast<std::size_t>(i)].position =
                positions[static_cast<std::size_t>(i)];
            frame.atoms[static_cast<std::size_t>(i)].type = m.AtomTypes.findAtomType("O");
        }
        m.Frames.appendFrame(std::move(frame));
        m.FrameCount = 1;
        m.FitMode = 3;
        m.GoToFirstFrame();
    }
    // Three oxygens: A left of the centre, B right of it, C below it, 96 pixels away each.
    void loadThreeAtoms() { loadAtoms({{-3.0, 0.0, 0.0}, {3.0, 0.0, 0.0}, {0.0, 3.0, 0.0}}); }
    QPoint atomA() const { return {cx - 96, cy}; }
    QPoint atomB() const { return {cx + 96, cy}; }
    QPoint atomC() const { return {cx, cy + 96}; }

    // Real input through the window, in the order an X server delivers it: moves carry the
    // buttons held, a release comes where the last move was, and moves after it carry none.
    void showWindow()
    {
        MainForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(MainForm));
        cx = MainForm->ClientWidth() / 2;
        cy = MainForm->ViewHeight() / 2;
    }
    static QPoint inWindow(QPoint at) { return MainForm->View->mapTo(MainForm, at); }
    static void press(QPoint at, Qt::MouseButton button = Qt::LeftButton,
        Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTest::mousePress(MainForm->windowHandle(), button, keys, inWindow(at));
    }
    static void release(QPoint at, Qt::MouseButton button = Qt::LeftButton,
        Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTest::mouseRelease(MainForm->windowHandle(), button, keys, inWindow(at));
    }
    static void moveTo(QPoint at, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTest::mouseEvent(
            QTest::MouseMove, MainForm->windowHandle(), Qt::NoButton, keys, inWindow(at));
    }

    void ctrlClick(QPoint at, Qt::KeyboardModifiers more = Qt::NoModifier)
    {
        const Qt::KeyboardModifiers keys = Qt::ControlModifier | more;
        MainForm->FormMouseDown(Qt::LeftButton, held(Qt::LeftButton, keys), at.x(), at.y());
        MainForm->FormMouseUp(Qt::LeftButton, released(keys), at.x(), at.y());
    }

    std::unique_ptr<TessalyWindows> windows;
    RecordingSink sink;
    RecordingStatus status;
    int cx = 0;
    int cy = 0;
};

void ViewTest::viewStartsUnturnedAtThirtyTwoPixelsPerAngstrom()
{
    const ViewTransform &view = MainForm->ViewTransform;
    QCOMPARE(view.scale, 32.0);
    QCOMPARE(MainForm->SceneSettings.atomScale, 32.0);
    QVERIFY(near(view.axisX, 1, 0, 0));
    QVERIFY(near(view.axisY, 0, 1, 0));
    QVERIFY(near(view.axisZ, 0, 0, 1));
    QCOMPARE(view.originX, static_cast<double>(cx));
    QCOMPARE(view.originY, static_cast<double>(cy));
    const Vector3 p = view.projectToScreen({1.0, 0.0, 0.0});
    QCOMPARE(p.x, 32.0 + cx);
    QCOMPARE(p.y, static_cast<double>(cy));
}

void ViewTest::anEmptyViewIsFilledWithTheBackground()
{
    TMainForm &m = *MainForm;
    m.BackgroundColor = rgbColor(0, 0, 255);
    m.Redraw(nullptr, true);
    const QRgb blue = qRgb(0, 0, 255);
    QCOMPARE(m.ViewBitmap.pixel(0, m.ViewHeight() - 1), blue);
    QCOMPARE(m.ViewBitmap.pixel(m.ClientWidth() - 1, m.ViewHeight() - 1), blue);
    QCOMPARE(m.ViewBitmap.pixel(cx, cy), blue);
}

void ViewTest::aOneAtomFrameShowsItsBallAtTheViewCentre()
{
    TMainForm &m = *MainForm;
    m.ShowLabels = false;
    loadAtoms({{0.0, 0.0, 0.0}});
    // Oxygen is red; its ball has 0.6 x 32 = 19 pixels of radius about the centre.
    const QRgb centre = m.ViewBitmap.pixel(cx, cy);
    QVERIFY2(qRed(centre) > 200 && qGreen(centre) < 60 && qBlue(centre) < 60,
        qPrintable(QString::number(centre, 16)));
    QCOMPARE(m.ViewBitmap.pixel(cx + 25, cy), qRgb(0, 0, 0));
    QCOMPARE(m.ViewBitmap.pixel(cx, cy - 25), qRgb(0, 0, 0));
    QVERIFY(m.ViewBitmap.pixel(cx + 15, cy) != qRgb(0, 0, 0));
    // The composition is left for picking.
    QCOMPARE(m.SceneScratch.frame, m.CurrentFrame);
}

void ViewTest::presentingShowsTheComposedPictureInTheView()
{
    TMainForm &m = *MainForm;
    m.ShowLabels = false;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    cx = m.ClientWidth() / 2;
    cy = m.ViewHeight() / 2;
    loadAtoms({{0.0, 0.0, 0.0}});
    const QImage shown = m.View->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), m.ViewBitmap.size());
    QCOMPARE(shown.pixel(cx, cy), m.ViewBitmap.pixel(cx, cy));
    QCOMPARE(shown.pixel(cx + 25, cy), qRgb(0, 0, 0));
}

void ViewTest::atomsByChargeTakeTheChargesDialogsGradient()
{
    TMainForm &m = *MainForm;
    QCOMPARE(&m.Gradient(), &ChargeDlg->Gradient);
    ChargeDlg->Gradient.LowColor = rgbColor(0, 255, 0);
    ChargeDlg->Gradient.BuildLevels();
    m.ShowLabels = false;
    m.AtomColorMode = 1;
    // A charge below the scale (0 to 1) takes the first level: green now.
    loadAtoms({{0.0, 0.0, 0.0}});
    m.Frames.frameAt(1).atoms[0].charge = -0.5;
    m.Redraw(nullptr, false);
    const QRgb centre = m.ViewBitmap.pixel(cx, cy);
    QVERIFY2(qGreen(centre) > 200 && qRed(centre) < 60 && qBlue(centre) < 60,
        qPrintable(QString::number(centre, 16)));
}

void ViewTest::timeAndEnergyLinesFollowTheLayoutKindsSwitches()
{
    TMainForm &m = *MainForm;
    // The lines sit at the top left, 4 pixels in; count the pixels that are not background.
    const auto inked = [&m] {
        int count = 0;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 120; ++x)
                count += m.ViewBitmap.pixel(x, y) != qRgb(0, 0, 0);
        return count;
    };
    m.Redraw(nullptr, false);
    const int both = inked();
    QVERIFY(both > 0);
    InputDlg->Format.current().readEnergy = false;
    m.Redraw(nullptr, false);
    const int timeOnly = inked();
    QVERIFY(timeOnly > 0 && timeOnly < both);
    InputDlg->Format.current().readTime = false;
    m.Redraw(nullptr, false);
    QCOMPARE(inked(), 0);
    // Another kind has its own switches.
    InputDlg->Format.kind = 1;
    m.Redraw(nullptr, false);
    QVERIFY(inked() > 0);
}

void ViewTest::rotationTimerTurnsTheViewByOneTenthRadian()
{
    TMainForm &m = *MainForm;
    m.Rotate1Click();
    m.RotationTimerTimer();
    const ViewTransform &view = m.ViewTransform;
    QVERIFY(near(view.axisX, std::cos(0.1), 0, std::sin(0.1)));
    QVERIFY(near(view.axisZ, -std::sin(0.1), 0, std::cos(0.1)));
}

void ViewTest::electronsSwitchShrinksTheAtomsToAFifthAndBack()
{
    TMainForm &m = *MainForm;
    m.Electrons1Click();
    QCOMPARE(m.SceneSettings.atomScale, 32.0 * 0.2);
    QCOMPARE(m.ViewTransform.scale, 32.0);
    m.Electrons1Click();
    QVERIFY(std::abs(m.SceneSettings.atomScale - 32.0) < 1e-12);
}

void ViewTest::leftDragAcrossTheWholeWidthTurnsHalfATurn()
{
    TMainForm &m = *MainForm;
    const int width = m.ClientWidth();
    m.FormMouseDown(Qt::LeftButton, held(Qt::LeftButton), 0, 40);
    m.FormMouseMove(held(Qt::LeftButton), width, 40);
    // Dragging to the right turns the front to the left: half a turn about the screen y axis.
    QVERIFY(near(m.ViewTransform.axisX, -1, 0, std::sin(-Pi)));
    QVERIFY(near(m.ViewTransform.axisY, 0, 1, 0));
    QVERIFY(std::abs(m.ViewTransform.axisZ.z + 1.0) < 1e-12);
    QCOMPARE(m.MouseX, width);
}

void ViewTest::leftDragDownTheWholeHeightTurnsAboutTheScreenX()
{
    TMainForm &m = *MainForm;
    const int height = m.ViewHeight();
    m.FormMouseDown(Qt::LeftButton, held(Qt::LeftButton), 30, 0);
    m.FormMouseMove(held(Qt::LeftButton), 30, height / 2);
    m.FormMouseMove(held(Qt::LeftButton), 30, height);
    QVERIFY(near(m.ViewTransform.axisX, 1, 0, 0));
    QVERIFY(std::abs(m.ViewTransform.axisY.y + 1.0) < 1e-9);
    QVERIFY(std::abs(m.ViewTransform.axisZ.z + 1.0) < 1e-9);
}

void ViewTest::leftDragWithCtrlOrAltTurnsNothing_data()
{
    QTest::addColumn<int>("pressKeys");
    QTest::addColumn<int>("moveKeys");
    QTest::newRow("ctrl held throughout") << int(Qt::ControlModifier) << int(Qt::ControlModifier);
    QTest::newRow("alt held throughout") << int(Qt::AltModifier) << int(Qt::AltModifier);
    QTest::newRow("ctrl let go while moving") << int(Qt::ControlModifier) << int(Qt::NoModifier);
    QTest::newRow("alt pressed while moving") << int(Qt::NoModifier) << int(Qt::AltModifier);
}

void ViewTest::leftDragWithCtrlOrAltTurnsNothing()
{
    QFETCH(int, pressKeys);
    QFETCH(int, moveKeys);
    TMainForm &m = *MainForm;
    m.FormMouseDown(
        Qt::LeftButton, held(Qt::LeftButton, Qt::KeyboardModifiers::fromInt(pressKeys)), 10, 10);
    m.FormMouseMove(held(Qt::LeftButton, Qt::KeyboardModifiers::fromInt(moveKeys)), 90, 70);
    QVERIFY(near(m.ViewTransform.axisX, 1, 0, 0));
    QVERIFY(near(m.ViewTransform.axisY, 0, 1, 0));
    QVERIFY(!m.RedrawOnRelease);
}

void ViewTest::shiftDragTwistsAboutTheViewCentre()
{
    TMainForm &m = *MainForm;
    const ShiftState shiftLeft = held(Qt::LeftButton, Qt::ShiftModifier);
    // From right of the centre to below it: a quarter turn clockwise on screen.
    m.FormMouseDown(Qt::LeftButton, shiftLeft, cx + 100, cy);
    m.FormMouseMove(shiftLeft, cx, cy + 100);
    QVERIFY(near(m.ViewTransform.axisX, 0, -1, 0));
    QVERIFY(near(m.ViewTransform.axisY, 1, 0, 0));
    QVERIFY(near(m.ViewTransform.axisZ, 0, 0, 1));
}

void ViewTest::twistStartingOnTheCentreTurnsNothingUntilThePointerLeavesIt()
{
    TMainForm &m = *MainForm;
    const ShiftState shiftLeft = held(Qt::LeftButton, Qt::ShiftModifier);
    m.FormMouseDown(Qt::LeftButton, shiftLeft, cx, cy);
    m.FormMouseMove(shiftLeft, cx + 50, cy);
    QVERIFY(near(m.ViewTransform.axisX, 1, 0, 0));
    QVERIFY(near(m.ViewTransform.axisY, 0, 1, 0));
    // Once off the centre the pointer's angle about it turns the view.
    m.FormMouseMove(shiftLeft, cx, cy + 50);
    QVERIFY(near(m.ViewTransform.axisX, 0, -1, 0));
    // Passing over the centre again turns nothing either way.
    m.FormMouseMove(shiftLeft, cx, cy);
    m.FormMouseMove(shiftLeft, cx - 50, cy);
    QVERIFY(near(m.ViewTransform.axisX, 0, -1, 0));
}

void ViewTest::rightDragZooms_data()
{
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("dy");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("atomScale");
    QTest::addColumn<double>("impulseZoom");
    const double e = std::exp(1.0);
    QTest::newRow("down zooms in") << int(Qt::NoModifier) << 40 << 32.0 * e << 32.0 * e << 20.0;
    QTest::newRow("up zooms out") << int(Qt::NoModifier) << -40 << 32.0 / e << 32.0 / e << 20.0;
    QTest::newRow("ctrl: the atoms only")
        << int(Qt::ControlModifier) << 40 << 32.0 << 32.0 * e << 20.0;
    QTest::newRow("alt: the impulse arrows only")
        << int(Qt::AltModifier) << 40 << 32.0 << 32.0 << 20.0 * e;
    QTest::newRow("ctrl and alt: the arrows")
        << int(Qt::ControlModifier | Qt::AltModifier) << -40 << 32.0 << 32.0 << 20.0 / e;
}

void ViewTest::rightDragZooms()
{
    QFETCH(int, keys);
    QFETCH(int, dy);
    QFETCH(double, scale);
    QFETCH(double, atomScale);
    QFETCH(double, impulseZoom);
    TMainForm &m = *MainForm;
    const ShiftState right = held(Qt::RightButton, Qt::KeyboardModifiers::fromInt(keys));
    m.FormMouseDown(Qt::RightButton, right, 100, 100);
    // Two steps that add up to dy: the factors multiply.
    m.FormMouseMove(right, 130, 100 + dy / 4);
    m.FormMouseMove(right, 100, 100 + dy);
    QVERIFY(std::abs(m.ViewTransform.scale - scale) < 1e-9);
    QVERIFY(std::abs(m.SceneSettings.atomScale - atomScale) < 1e-9);
    QVERIFY(std::abs(m.ImpulseZoom - impulseZoom) < 1e-9);
    // A right drag turns nothing.
    QVERIFY(near(m.ViewTransform.axisX, 1, 0, 0));
}

void ViewTest::dragDrawsTheAxesAndTheReleaseDrawsThePictureWithout()
{
    TMainForm &m = *MainForm;
    m.ShowLabels = false;
    loadAtoms({{0.0, 3.0, 0.0}});
    // The x axis runs through the centre from -5 to +5 Angstrom, 160 pixels to each side.
    const QPoint onAxis(cx + 140, cy);
    QCOMPARE(m.ViewBitmap.pixel(onAxis), qRgb(0, 0, 0));
    const ShiftState right = held(Qt::RightButton);
    m.FormMouseDown(Qt::RightButton, right, 50, 50);
    m.FormMouseMove(right, 80, 50); // sideways: zooms by e^0, but redraws
    QCOMPARE(m.ViewBitmap.pixel(onAxis), qRgb(255, 255, 0));
    QVERIFY(!m.ShowAxes);
    QVERIFY(!m.QuickDraw);
    QVERIFY(m.RedrawOnRelease);
    m.FormMouseUp(Qt::RightButton, released(), 80, 50);
    QVERIFY(!m.RedrawOnRelease);
    QCOMPARE(m.ViewBitmap.pixel(onAxis), qRgb(0, 0, 0));
}

void ViewTest::flickSpinsTheWayTheDragTurned()
{
    TMainForm &m = *MainForm;
    showWindow();
    press({100, 60});
    moveTo({110, 60});
    moveTo({120, 60});
    release({120, 60});
    const double dragged = std::atan2(m.ViewTransform.axisX.z, m.ViewTransform.axisX.x);
    QVERIFY(dragged < 0.0);
    // The pointer goes on to the right after the release: the molecule keeps turning that way.
    moveTo({126, 60});
    QVERIFY(!m.Rotating);
    QTRY_VERIFY_WITH_TIMEOUT(m.Rotating, 1000);
    QVERIFY(std::abs(m.RotationRateHorizontal - (120 - 126) * 0.0002) < 1e-15);
    QCOMPARE(m.RotationRateVertical, 0.0);
    QCOMPARE(m.RotationRateInPlane, 0.0);
    QVERIFY(!m.MouseTimer.isActive());
    QVERIFY(!m.MouseReleased);
    m.RotationTimer.stop();
    const double before = std::atan2(m.ViewTransform.axisX.z, m.ViewTransform.axisX.x);
    m.RotationTimerTimer();
    const double after = std::atan2(m.ViewTransform.axisX.z, m.ViewTransform.axisX.x);
    QVERIFY(std::abs(after - before + 0.12) < 1e-9);
}

void ViewTest::verticalFlickSpinsTheWayTheDragTurned()
{
    TMainForm &m = *MainForm;
    showWindow();
    // How far the model's y axis has tipped toward the viewer, about the screen's x axis.
    const auto tipped = [&m] {
        return std::atan2(m.ViewTransform.axisY.z, m.ViewTransform.axisY.y);
    };
    const double start = tipped();
    press({100, 60});
    moveTo({100, 70});
    moveTo({100, 80});
    release({100, 80});
    const double dragged = tipped() - start;
    QVERIFY(std::abs(dragged) > 0.01);
    // The pointer goes on downwards after the release: the molecule keeps turning that way.
    moveTo({100, 86});
    QTRY_VERIFY_WITH_TIMEOUT(m.Rotating, 1000);
    QCOMPARE(m.RotationRateHorizontal, 0.0);
    m.RotationTimer.stop();
    const double before = tipped();
    m.RotationTimerTimer();
    const double spun = tipped() - before;
    QVERIFY2(spun * dragged > 0.0,
        qPrintable(QStringLiteral("drag %1, spin %2").arg(dragged).arg(spun)));
}

void ViewTest::releaseWhereThePointerStopsLeavesNoSpin()
{
    TMainForm &m = *MainForm;
    showWindow();
    press({100, 100});
    moveTo({140, 130});
    release({140, 130});
    QVERIFY(m.MouseTimer.isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!m.MouseTimer.isActive(), 1000);
    QVERIFY(!m.Rotating);
    QCOMPARE(m.RotationRateHorizontal, 0.0);
    QCOMPARE(m.RotationRateVertical, 0.0);
}

void ViewTest::twistFlickAcrossTheRightRaySpinsSlowlyTheSameWay()
{
    TMainForm &m = *MainForm;
    showWindow();
    // Just above the ray to the right of the centre, down across it: a small turn each step.
    press({cx + 100, cy - 10}, Qt::LeftButton, Qt::ShiftModifier);
    moveTo({cx + 100, cy - 3}, Qt::ShiftModifier);
    release({cx + 100, cy - 3}, Qt::LeftButton, Qt::ShiftModifier);
    const double dragged = std::atan(-0.03) - std::atan(-0.1);
    QVERIFY(near(m.ViewTransform.axisX, std::cos(dragged), -std::sin(dragged), 0));
    moveTo({cx + 100, cy + 3}, Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(m.Rotating, 1000);
    QCOMPARE(m.RotationRateHorizontal, 0.0);
    QCOMPARE(m.RotationRateVertical, 0.0);
    QVERIFY(std::abs(m.RotationRateInPlane - 2.0 * std::atan(0.03) * 0.005) < 1e-15);
}

void ViewTest::rightDragReleaseNeverSpins()
{
    TMainForm &m = *MainForm;
    showWindow();
    press({100, 100}, Qt::RightButton);
    moveTo({130, 110});
    release({130, 110}, Qt::RightButton);
    moveTo({160, 150});
    QVERIFY(!m.MouseTimer.isActive());
    QTest::qWait(120);
    QVERIFY(!m.Rotating);
}

void ViewTest::releaseWithCtrlOrAltArmsNoTimer_data()
{
    QTest::addColumn<int>("keys");
    QTest::newRow("ctrl") << int(Qt::ControlModifier);
    QTest::newRow("alt") << int(Qt::AltModifier);
}

void ViewTest::releaseWithCtrlOrAltArmsNoTimer()
{
    QFETCH(int, keys);
    TMainForm &m = *MainForm;
    showWindow();
    const auto modifiers = Qt::KeyboardModifiers::fromInt(keys);
    press({100, 100});
    moveTo({110, 100});
    release({110, 100}, Qt::LeftButton, modifiers);
    moveTo({140, 100}, modifiers);
    QVERIFY(!m.MouseTimer.isActive());
    QVERIFY(!m.Rotating);
}

void ViewTest::plainClickStopsTheSpinAndLeavesTheRatesZero()
{
    TMainForm &m = *MainForm;
    showWindow();
    m.RotationRateVertical = 0.002;
    m.Rotate1Click();
    QVERIFY(m.Rotating);
    press({70, 80});
    QVERIFY(!m.Rotating);
    QVERIFY(!m.RotationTimer.isActive());
    release({70, 80});
    // A click is no flick, however the pointer moves on.
    moveTo({100, 80});
    QTRY_VERIFY_WITH_TIMEOUT(!m.MouseTimer.isActive(), 1000);
    QVERIFY(!m.Rotating);
    QCOMPARE(m.RotationRateHorizontal, 0.0);
    QCOMPARE(m.RotationRateVertical, 0.0);
    QCOMPARE(m.RotationRateInPlane, 0.0);
    // So "Rotate" then starts the default spin.
    m.Rotate1Click();
    QCOMPARE(m.RotationRateHorizontal, 0.001);
}

void ViewTest::middleClickShowsDetailsAndMiddleDragScalesTheArrows()
{
    TMainForm &m = *MainForm;
    showWindow();
    loadThreeAtoms();
    press(atomB(), Qt::MiddleButton);
    release(atomB(), Qt::MiddleButton);
    QCOMPARE(m.DetailsAtom, 1);
    QVERIFY(m.ShowDetails);
    QVERIFY(DetailsDlg->isVisible());
    // A drag scales the arrows only and picks nothing.
    press(atomC(), Qt::MiddleButton);
    moveTo(atomC() + QPoint(0, 40));
    release(atomC() + QPoint(0, 40), Qt::MiddleButton);
    moveTo(atomC() + QPoint(0, 70));
    QVERIFY(std::abs(m.ImpulseZoom - 20.0 * std::exp(1.0)) < 1e-9);
    QCOMPARE(m.ViewTransform.scale, 32.0);
    QCOMPARE(m.DetailsAtom, 1);
    QVERIFY(!m.MouseTimer.isActive());
}

void ViewTest::wheelZoomsThePictureAndCtrlWheelTheAtoms()
{
    TMainForm &m = *MainForm;
    const auto turnWheel = [&m](int delta, Qt::KeyboardModifiers keys) {
        const QPointF at(30, 30);
        QWheelEvent wheel(at, m.View->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
            keys, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m.View, &wheel);
    };
    const double notch = std::exp(0.2);
    turnWheel(120, Qt::NoModifier);
    QVERIFY(std::abs(m.ViewTransform.scale - 32.0 * notch) < 1e-9);
    QVERIFY(std::abs(m.SceneSettings.atomScale - 32.0 * notch) < 1e-9);
    turnWheel(-240, Qt::ControlModifier);
    QVERIFY(std::abs(m.ViewTransform.scale - 32.0 * notch) < 1e-9);
    QVERIFY(std::abs(m.SceneSettings.atomScale - 32.0 / notch) < 1e-9);
}

void ViewTest::keysPlayStepAndGoToTheFirstFrame()
{
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowActive(&m));
    // The view has the keys from the start.
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.View));
    loadFrames(m, 3);
    m.Forward1Click();
    QTest::keyClick(m.View, Qt::Key_Right);
    QVERIFY(!m.Playing);
    QCOMPARE(m.CurrentFrameIndex, 2);
    QTest::keyClick(m.View, Qt::Key_Right);
    QTest::keyClick(m.View, Qt::Key_Right);
    QCOMPARE(m.CurrentFrameIndex, 3);
    QCOMPARE(m.StatusText(), QStringLiteral("Frame 3 of 3 step 3"));
    QTest::keyClick(m.View, Qt::Key_Left);
    QCOMPARE(m.CurrentFrameIndex, 2);
    QTest::keyClick(m.View, Qt::Key_Home);
    QCOMPARE(m.CurrentFrameIndex, 1);
    QTest::keyClick(m.View, Qt::Key_Left);
    QCOMPARE(m.CurrentFrameIndex, 1);
    QTest::keyClick(m.View, Qt::Key_Space);
    QVERIFY(m.Playing);
    QTest::keyClick(m.View, Qt::Key_Space);
    QVERIFY(!m.Playing);
}

void ViewTest::ctrlClicksOnTwoAtomsToggleTheirDistanceOnOffOn()
{
    TMainForm &m = *MainForm;
    loadThreeAtoms();
    ctrlClick(atomA());
    QCOMPARE(m.PickedAtom, 0);
    QVERIFY(m.DistancePairs.empty());
    ctrlClick(atomB());
    QCOMPARE(m.DistancePairs, (std::vector<DistancePair>{{0, 1}}));
    ctrlClick(atomA());
    QVERIFY(m.DistancePairs.empty());
    ctrlClick(atomB());
    QCOMPARE(m.DistancePairs, (std::vector<DistancePair>{{0, 1}}));
    QCOMPARE(m.PickedAtom, 1);
    QVERIFY(!m.MouseTimer.isActive());
}

void ViewTest::ctrlClickOnTheSameAtomOrEmptySpaceTogglesNothing()
{
    TMainForm &m = *MainForm;
    loadThreeAtoms();
    ctrlClick(atomA());
    ctrlClick(atomA() + QPoint(5, 5));
    QVERIFY(m.DistancePairs.empty());
    QCOMPARE(m.PickedAtom, 0);
    ctrlClick(QPoint(cx, cy - 60));
    QCOMPARE(m.PickedAtom, -1);
    ctrlClick(atomB());
    QVERIFY(m.DistancePairs.empty());
    QCOMPARE(m.PickedAtom, 1);
}

void ViewTest::ctrlClicksChainAndCtrlShiftClickStartsANewChain()
{
    TMainForm &m = *MainForm;
    loadThreeAtoms();
    ctrlClick(atomA());
    ctrlClick(atomB());
    ctrlClick(atomC());
    QCOMPARE(m.DistancePairs, (std::vector<DistancePair>{{0, 1}, {1, 2}}));
    // Ctrl+Shift picks A without a distance from C; the next Ctrl-click measures from A.
    ctrlClick(atomA(), Qt::ShiftModifier);
    QCOMPARE(m.PickedAtom, 0);
    QCOMPARE(m.DistancePairs.size(), std::size_t{2});
    ctrlClick(atomC());
    QCOMPARE(m.DistancePairs, (std::vector<DistancePair>{{0, 1}, {1, 2}, {0, 2}}));
    // The pair C-B, picked in the other order, switches B-C off.
    ctrlClick(atomB());
    QCOMPARE(m.DistancePairs, (std::vector<DistancePair>{{0, 1}, {0, 2}}));
}

void ViewTest::ctrlClickSwitchesTheDistancesOn()
{
    TMainForm &m = *MainForm;
    loadThreeAtoms();
    m.ShowDistances = false;
    ctrlClick(QPoint(3, 3));
    QVERIFY(m.ShowDistances);
}

void ViewTest::altClickShowsTheAtomInTheDetailsWindow()
{
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    cx = m.ClientWidth() / 2;
    cy = m.ViewHeight() / 2;
    loadThreeAtoms();
    QVERIFY(!DetailsDlg->isVisible());
    // Through the view's own mouse events: the modifiers come with them.
    QTest::mouseClick(m.View, Qt::LeftButton, Qt::AltModifier, atomB());
    QCOMPARE(m.DetailsAtom, 1);
    QVERIFY(m.ShowDetails);
    QVERIFY(DetailsDlg->isVisible());
    QCOMPARE(m.PickedAtom, -1);
    QVERIFY(!m.MouseTimer.isActive());
    // A second Alt-click keeps the window shown and follows the pick.
    QTest::mouseClick(m.View, Qt::LeftButton, Qt::AltModifier, atomC());
    QCOMPARE(m.DetailsAtom, 2);
    QVERIFY(m.ShowDetails);
    QVERIFY(DetailsDlg->isVisible());
}

void ViewTest::altClickOnEmptySpaceShowsTheFrameDetails()
{
    TMainForm &m = *MainForm;
    loadThreeAtoms();
    m.DetailsAtom = 2;
    m.FormMouseDown(Qt::LeftButton, held(Qt::LeftButton, Qt::AltModifier), 2, 2);
    QCOMPARE(m.DetailsAtom, -1);
    QVERIFY(m.ShowDetails);
    QVERIFY(DetailsDlg->isVisible());
}

void ViewTest::ctrlAltClickPicksAndShowsDetails()
{
    TMainForm &m = *MainForm;
    loadThreeAtoms();
    m.Rotate1Click();
    const Qt::KeyboardModifiers keys = Qt::ControlModifier | Qt::AltModifier;
    m.FormMouseDown(Qt::LeftButton, held(Qt::LeftButton, keys), atomA().x(), atomA().y());
    QCOMPARE(m.PickedAtom, 0);
    QCOMPARE(m.DetailsAtom, 0);
    QVERIFY(m.ShowDetails);
    // A press with Ctrl or Alt leaves the spin running.
    QVERIFY(m.Rotating);
}

void ViewTest::realDragThroughTheViewTurnsTheMolecule()
{
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QTest::mousePress(m.View, Qt::LeftButton, Qt::NoModifier, QPoint(100, 60));
    QTest::mouseMove(m.View, QPoint(120, 60));
    QTest::mouseRelease(m.View, Qt::LeftButton, Qt::NoModifier, QPoint(120, 60));
    const double gamma = -20 * Pi / m.ClientWidth();
    QVERIFY(near(m.ViewTransform.axisX, std::cos(gamma), 0, std::sin(gamma)));
    QVERIFY(!m.MouseHeld);
}

QTEST_MAIN(ViewTest)
#include "tst_view.moc"
