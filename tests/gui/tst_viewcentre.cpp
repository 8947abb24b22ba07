#include "app/application.h"
#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "dialogs/textdisplayform.h"
#include "dialogs/zoomdlg.h"
#include "guitestsupport.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

// Panning, centring, resetting and zooming at the pointer, each checked by where a known atom
// lands on the screen, with real input events.
class ViewCentreTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        windows = openRecordedWindows(sink, status);
        MainForm->show();
        QVERIFY(QTest::qWaitForWindowActive(MainForm));
        cx = MainForm->ClientWidth() / 2;
        cy = MainForm->ViewHeight() / 2;
    }
    void cleanup() { windows.reset(); }

    void shiftRightDragPansThePictureAndNoFitPullsItBackUntilOneIsChosen();
    void shiftArrowsMoveThePictureATenthOfTheViewAPress();
    void wheelZoomsAboutThePointerAndCtrlWheelGrowsTheAtomsOnly();
    void centreBringsAnOffOriginMoleculeIntoTheMiddleKeepingTheTurn();
    void resetViewGivesTheStartViewBack();
    void mouseFunctionsNameTheNewGesturesAndKeys();
    void offOriginXyzFileOpensCentredWithEveryAtomInView();

private:
    // One frame of oxygens at the given model positions, shown with the overflow fit.
    void loadAtoms(const std::vector<Vector3> &positions)
    {
        TMainForm &m = *MainForm;
        m.ClearTrajectory();
        Frame frame;
        frame.atomCount = static_cast<int>(positions.size());
        QVERIFY(allocateAtoms(frame, frame.atomCount));
        for (std::size_t i = 0; i < positions.size(); ++i) {
            frame.atoms[i].position = positions[i];
            frame.atoms[i].type = m.AtomTypes.findAtomType("O");
        }
        m.Frames.appendFrame(std::move(frame));
        m.FrameCount = 1;
        m.FitMode = 2;
        m.ShowLabels = false; // a label would hide the ball's colour at its centre
        m.GoToFirstFrame();
    }
    // A 3 Angstrom left of the origin, B 3 right: 96 pixels either side of the view centre.
    void loadTwoAtoms() { loadAtoms({{-3.0, 0.0, 0.0}, {3.0, 0.0, 0.0}}); }
    static QPointF drawnAt(int index)
    {
        const Frame &frame = *MainForm->CurrentFrame;
        const Vector3 p = MainForm->ViewTransform.projectToScreen(
            frame.atoms[static_cast<std::size_t>(index)].position);
        return {p.x, p.y};
    }
    static bool isRed(QPointF at)
    {
        const QRgb pixel = MainForm->ViewBitmap.pixel(at.toPoint());
        return qRed(pixel) > 150 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
    }
    static QPoint inWindow(QPoint at) { return MainForm->View->mapTo(MainForm, at); }
    static void mouse(
        QTest::MouseAction action, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers keys)
    {
        QTest::mouseEvent(action, MainForm->windowHandle(), button, keys, inWindow(at));
    }
    static void turnWheel(QPoint at, int delta, Qt::KeyboardModifiers keys)
    {
        QWheelEvent wheel(QPointF(at), MainForm->View->mapToGlobal(QPointF(at)), QPoint(),
            QPoint(0, delta), Qt::NoButton, keys, Qt::NoScrollPhase, false);
        QApplication::sendEvent(MainForm->View, &wheel);
    }

    std::unique_ptr<TessalyWindows> windows;
    RecordingSink sink;
    RecordingStatus status;
    int cx = 0;
    int cy = 0;
};

static bool near(QPointF a, QPointF b, double tolerance = 1e-6)
{
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

void ViewCentreTest::shiftRightDragPansThePictureAndNoFitPullsItBackUntilOneIsChosen()
{
    loadTwoAtoms();
    QVERIFY(near(drawnAt(0), QPointF(cx - 96, cy)));
    // 200 pixels to the right puts B past the window's edge, which the overflow fit would
    // shrink back toward the centre
    const QPoint from(cx - 96, cy), to(cx + 104, cy + 25);
    mouse(QTest::MousePress, from, Qt::RightButton, Qt::ShiftModifier);
    mouse(QTest::MouseMove, QPoint(cx, cy + 10), Qt::NoButton, Qt::ShiftModifier);
    mouse(QTest::MouseMove, to, Qt::NoButton, Qt::ShiftModifier);
    mouse(QTest::MouseRelease, to, Qt::RightButton, Qt::ShiftModifier);
    QVERIFY2(near(drawnAt(0), QPointF(to)),
        qPrintable(QStringLiteral("A at %1, %2").arg(drawnAt(0).x()).arg(drawnAt(0).y())));
    QCOMPARE(MainForm->ViewTransform.scale, 32.0);
    QVERIFY(isRed(QPointF(to)));
    QVERIFY(!isRed(QPointF(from)));
    QVERIFY(!MainForm->MouseTimer.isActive());

    // choosing the overflow fit in the zoom dialog brings B back inside the view
    QTimer::singleShot(0, ZoomDlg, [] {
        QVERIFY(QTest::qWaitForWindowActive(ZoomDlg));
        for (QRadioButton *item : ZoomDlg->FittingRadioGroup->findChildren<QRadioButton *>()) {
            if (item->text() == QStringLiteral("Overflowing frames"))
                QTest::mouseClick(item, Qt::LeftButton);
        }
        QTest::mouseClick(ZoomDlg->OKBtn, Qt::LeftButton);
    });
    MainForm->Zoom1Click();
    const double radius =
        MainForm->SceneSettings.atomScale * MainForm->CurrentFrame->atoms[1].type->radius;
    QVERIFY2(drawnAt(1).x() + radius <= 2 * cx + 1e-9, qPrintable(QString::number(drawnAt(1).x())));
    QVERIFY(MainForm->ViewTransform.scale < 32.0);
}

void ViewCentreTest::shiftArrowsMoveThePictureATenthOfTheViewAPress()
{
    loadTwoAtoms();
    const int step = std::min(MainForm->ClientWidth(), MainForm->ViewHeight()) / 10;
    QTest::keyClick(MainForm->View, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(MainForm->View, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(MainForm->View, Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(near(drawnAt(1), QPointF(cx + 96 - step, cy + 2 * step)));
    QVERIFY(isRed(drawnAt(1)));
    // Shift with an arrow pans; it steps no frame
    QCOMPARE(MainForm->CurrentFrameIndex, 1);
}

void ViewCentreTest::wheelZoomsAboutThePointerAndCtrlWheelGrowsTheAtomsOnly()
{
    loadTwoAtoms();
    const QPoint pointer(cx + 102, cy - 4); // just beside B
    // three notches in, each 22 % (e to the 0.2), with the overflow fit on
    for (int notch = 0; notch < 3; ++notch)
        turnWheel(pointer, 120, Qt::NoModifier);
    const double grown = std::exp(0.6);
    for (const int index : {0, 1}) {
        const QPointF before(index == 0 ? cx - 96 : cx + 96, cy);
        const QPointF expected = QPointF(pointer) + (before - QPointF(pointer)) * grown;
        QVERIFY2(near(drawnAt(index), expected, 1e-6),
            qPrintable(QStringLiteral("atom %1 at %2, %3")
                           .arg(index)
                           .arg(drawnAt(index).x())
                           .arg(drawnAt(index).y())));
    }
    QVERIFY(isRed(drawnAt(1)));
    const QPointF b = drawnAt(1);
    const double atoms = MainForm->SceneSettings.atomScale;
    turnWheel(QPoint(10, 10), 120, Qt::ControlModifier);
    QVERIFY(near(drawnAt(1), b));
    QVERIFY(std::abs(MainForm->SceneSettings.atomScale - atoms * std::exp(0.2)) < 1e-9);
}

void ViewCentreTest::centreBringsAnOffOriginMoleculeIntoTheMiddleKeepingTheTurn()
{
    TMainForm &m = *MainForm;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("offorigin.xyz"));
    // a molecule 20 Angstrom from the origin, its box running from (17, -16, 6) to (23, -12, 10)
    QVERIFY(writeTrajectory(path, 1,
        {"O 17 -14 8 0 0 0 0 1", "O 23 -14 8 0 0 0 0 1", "H 20 -16 6 0 0 0 0 1",
            "H 20 -12 10 0 0 0 0 1"}));
    m.OpenTrajectory(path);
    if (m.Rotating)
        m.Rotate1Click();
    mouse(QTest::MousePress, QPoint(100, 100), Qt::LeftButton, Qt::NoModifier);
    mouse(QTest::MouseMove, QPoint(130, 110), Qt::NoButton, Qt::NoModifier);
    mouse(QTest::MouseRelease, QPoint(130, 110), Qt::LeftButton, Qt::NoModifier);
    QTRY_VERIFY(!m.MouseTimer.isActive()); // the release's timer decides the spin
    if (m.Rotating)
        m.Rotate1Click();
    const Vector3 turned = m.ViewTransform.axisX;

    QTest::keyClick(m.View, Qt::Key_C);

    const Vector3 middle = m.ViewTransform.projectToScreen({20.0, -14.0, 8.0});
    QVERIFY(near(QPointF(middle.x, middle.y), QPointF(cx, cy)));
    QVERIFY(m.ViewTransform.axisX == turned);
    // every ball inside the view, and the farthest reaching its edge
    double reach = 0.0;
    for (int i = 0; i < 4; ++i) {
        const FrameAtom &atom = m.CurrentFrame->atoms[static_cast<std::size_t>(i)];
        const Vector3 p = m.ViewTransform.projectToScreen(atom.position);
        const double r = m.SceneSettings.atomScale * atom.type->radius;
        reach = std::max({reach, (std::abs(p.x - cx) + r) / cx, (std::abs(p.y - cy) + r) / cy});
    }
    QVERIFY2(reach > 0.98 && reach <= 1.0 + 1e-9, qPrintable(QString::number(reach)));
}

void ViewCentreTest::resetViewGivesTheStartViewBack()
{
    TMainForm &m = *MainForm;
    loadTwoAtoms();
    mouse(QTest::MousePress, QPoint(100, 100), Qt::LeftButton, Qt::NoModifier);
    mouse(QTest::MouseMove, QPoint(160, 90), Qt::NoButton, Qt::NoModifier);
    mouse(QTest::MouseRelease, QPoint(160, 90), Qt::LeftButton, Qt::NoModifier);
    QTRY_VERIFY(!m.MouseTimer.isActive());
    if (m.Rotating)
        m.Rotate1Click();
    QTest::keyClick(m.View, Qt::Key_Right, Qt::ShiftModifier);
    turnWheel(QPoint(40, 40), -240, Qt::NoModifier);
    QVERIFY(!near(drawnAt(1), QPointF(cx + 96, cy), 1.0));

    QTest::keyClick(m.View, Qt::Key_R);
    QVERIFY(near(drawnAt(0), QPointF(cx - 96, cy), 1e-9));
    QVERIFY(near(drawnAt(1), QPointF(cx + 96, cy), 1e-9));
    QCOMPARE(m.SceneSettings.atomScale, 32.0);
    QVERIFY(isRed(QPointF(cx + 96, cy)));

    // the menu item does the same
    QTest::keyClick(m.View, Qt::Key_Left, Qt::ShiftModifier);
    m.ResetView1->trigger();
    QVERIFY(near(drawnAt(1), QPointF(cx + 96, cy), 1e-9));
}

void ViewCentreTest::mouseFunctionsNameTheNewGesturesAndKeys()
{
    const QString text = TTextDisplayForm::helpRows().join(QLatin1Char('\n'));
    for (const char *line :
        {"Right button + Shift: Moves the image.", "Shift + arrow keys: Move the image.",
            "Wheel: Zoom of the image about the mouse", "Wheel + Ctrl: Zoom of the atoms only.",
            "C: Centres the view", "R: Resets the view", "Middle button:"})
        QVERIFY2(text.contains(QLatin1String(line)), line);
}

void ViewCentreTest::offOriginXyzFileOpensCentredWithEveryAtomInView()
{
    TMainForm &m = *MainForm;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("box.xyz"));
    // a plain XYZ file as CP2K writes a water box: coordinates from 0 to 10 Angstrom
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("6\n i =        0, time =        0.000, E =       -34.4\n"
               "O 8.0 9.0 7.5\nH 8.8 9.5 7.5\nH 7.2 9.5 7.5\n"
               "O 3.0 1.0 2.0\nH 3.8 1.5 2.0\nH 2.2 1.5 2.5\n");
    file.close();
    m.OpenTrajectory(path);
    if (m.Rotating)
        m.Rotate1Click();
    QCOMPARE(m.FrameCount, 1);
    QCOMPARE(m.Format().kind, static_cast<int>(LayoutKind::XYZ));

    const double width = m.ClientWidth(), height = m.ViewHeight();
    double left = width, right = 0.0, top = height, bottom = 0.0;
    for (int i = 0; i < 6; ++i) {
        const FrameAtom &atom = m.CurrentFrame->atoms[static_cast<std::size_t>(i)];
        const Vector3 p = m.ViewTransform.projectToScreen(atom.position);
        const double r = m.SceneSettings.atomScale * atom.type->radius;
        // the fit makes the farthest disc touch an edge: rounding may reach past it by a hair
        QVERIFY(p.x - r >= -1e-6 && p.x + r <= width + 1e-6);
        QVERIFY(p.y - r >= -1e-6 && p.y + r <= height + 1e-6);
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    QVERIFY(std::abs((left + right) / 2 - width / 2) <= 0.05 * width);
    QVERIFY(std::abs((top + bottom) / 2 - height / 2) <= 0.05 * height);
    // the molecule fills the view rather than sitting in a corner of it
    QVERIFY(right - left > 0.5 * width || bottom - top > 0.5 * height);
}

QTEST_MAIN(ViewCentreTest)
#include "tst_viewcentre.moc"
