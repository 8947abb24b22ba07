#include "app/application.h"
#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "guitestsupport.h"

#include <QTest>
#include <QTimer>

#include <new>
#include <stdexcept>

namespace {

// Stands for a handler that fails: a mouse press runs out of memory, a key press throws
// anything else.
class FailingHandler : public QObject
{
protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            throw std::bad_alloc();
        if (event->type() == QEvent::KeyPress)
            throw std::runtime_error("bad input");
        return false;
    }
};

} // namespace

class ApplicationTest : public QObject
{
    Q_OBJECT

private slots:
    void exceptionsOfEventHandlersAreReportedAndTheWindowStays();
    void startUpFailuresEndWithStatusOne();
};

void ApplicationTest::exceptionsOfEventHandlersAreReportedAndTheWindowStays()
{
    RecordingSink sink;
    RecordingStatus status;
    const auto windows = openRecordedWindows(sink, status);
    loadFrames(*MainForm, 3);
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    FailingHandler failing;
    MainForm->View->installEventFilter(&failing);

    QTest::mouseClick(MainForm->View, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::keyClick(MainForm->View, Qt::Key_A);
    MainForm->View->removeEventFilter(&failing);

    QCOMPARE(sink.messages.size(), std::size_t{2});
    QCOMPARE(sink.messages[0].second, "Not enough memory: the last command was stopped.");
    QCOMPARE(sink.messages[1].second, "bad input: the last command was stopped.");
    QVERIFY(MainForm->isVisible());
    QCOMPARE(MainForm->FrameCount, 3);
    bool loopRuns = false;
    QTimer::singleShot(0, [&loopRuns] { loopRuns = true; });
    QTRY_VERIFY(loopRuns);
}

void ApplicationTest::startUpFailuresEndWithStatusOne()
{
    // building the windows and the default tables runs inside runGuarded
    QCOMPARE(runGuarded([]() -> int { throw std::bad_alloc(); }), 1);
    QCOMPARE(runGuarded([] { return 0; }), 0);
}

// The application object is the program's own, so events pass through its notify.
int main(int argc, char **argv)
{
    TessalyApplication application(argc, argv);
    ApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
