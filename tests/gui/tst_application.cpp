#include "app/application.h"
#include "app/mainwindow.h"
#include "guitestsupport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>
#include <QTimer>

#include <new>
#include <stdexcept>

namespace {

// Stands for a handler that fails: the first event it gets runs out of memory, the later ones
// throw anything else. The events come through the event loop, as every handler's do.
class FailingHandler : public QObject
{
public:
    static constexpr QEvent::Type Failing = QEvent::User;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() != Failing)
            return QObject::event(event);
        if (++received == 1)
            throw std::bad_alloc();
        throw std::runtime_error("bad input");
    }

private:
    int received = 0;
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
    for (int i = 0; i < 3; ++i)
        QCoreApplication::postEvent(&failing, new QEvent(FailingHandler::Failing));
    QTest::qWait(50);

    // the same failure again at once goes to the error stream, not into another box
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
