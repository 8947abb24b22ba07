#include "app/application.h"
#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "guitestsupport.h"

#include <QApplication>
#include <QTest>

#include <memory>

// On a screen of double density the view is drawn with the screen's own pixels.
class HighDensityTest : public QObject
{
    Q_OBJECT

private slots:
    void viewIsDrawnAtTheScreensResolutionAndClicksFindTheirAtoms();
};

void HighDensityTest::viewIsDrawnAtTheScreensResolutionAndClicksFindTheirAtoms()
{
    RecordingSink sink;
    RecordingStatus status;
    const auto windows = openRecordedWindows(sink, status);
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QCOMPARE(m.View->devicePixelRatioF(), 2.0);
    m.ShowLabels = false;
    m.ClearTrajectory();
    Frame frame;
    frame.atomCount = 1;
    QVERIFY(allocateAtoms(frame, 1));
    frame.atoms[0].position = {3.0, 0.0, 0.0};
    frame.atoms[0].type = m.AtomTypes.findAtomType("O");
    m.Frames.appendFrame(std::move(frame));
    m.FrameCount = 1;
    m.FitMode = 3;
    m.GoToFirstFrame();

    QCOMPARE(m.ViewBitmap.size(), m.View->size() * 2);
    // 96 view pixels right of the centre, a ball of 0.6 x 32 = 19 view pixels: 38 of the picture
    const int cx = m.ClientWidth() / 2, cy = m.ViewHeight() / 2;
    const QPoint ball(2 * (cx + 96), 2 * cy);
    for (const int dx : {0, 28, -28})
        QVERIFY(qRed(m.ViewBitmap.pixel(ball + QPoint(dx, 0))) > 60);
    QCOMPARE(m.ViewBitmap.pixel(ball + QPoint(44, 0)), qRgb(0, 0, 0));
    // the window shows the picture pixel for pixel
    const QImage shown = m.View->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), m.ViewBitmap.size());
    QVERIFY(shown == m.ViewBitmap);

    const QPoint atom = m.View->mapTo(&m, QPoint(cx + 96 + 15, cy));
    QTest::mouseClick(m.windowHandle(), Qt::LeftButton, Qt::ControlModifier, atom);
    QCOMPARE(m.PickedAtom, 0);
}

int main(int argc, char **argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    HighDensityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_highdensity.moc"
