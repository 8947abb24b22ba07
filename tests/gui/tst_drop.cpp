#include "app/application.h"
#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "guitestsupport.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <memory>

// Files dropped on the window from a file manager.
class DropTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        windows = openRecordedWindows(sink, status);
        MainForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    }
    void cleanup() { windows.reset(); }

    void dropOpensTheFirstLocalFileAsOpenDoes_data();
    void dropOpensTheFirstLocalFileAsOpenDoes();
    void aDragWithoutLocalFilesIsRefused();
    void aDropWhileASeriesIsSavedIsRefusedAndTheSeriesGoesOn();

private:
    // Sends a drag over the middle of the picture and a drop there to the window, as the
    // platform delivers them; returns whether the window took the drag.
    bool dragAndDrop(const QList<QUrl> &urls)
    {
        QWindow *window = MainForm->windowHandle();
        const QPointF at = MainForm->View->mapTo(MainForm, MainForm->View->rect().center());
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &move);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &drop);
        return drop.isAccepted();
    }

    std::unique_ptr<TessalyWindows> windows;
    RecordingSink sink;
    RecordingStatus status;
    QTemporaryDir folder;
};

void DropTest::dropOpensTheFirstLocalFileAsOpenDoes_data()
{
    QTest::addColumn<QStringList>("names"); // in the folder; "http:" ones are web links
    QTest::addColumn<int>("frames");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("note");
    QTest::newRow("one file") << QStringList{"two frames.xyz"} << 2 << "Tessaly - two frames.xyz"
                              << QString() << QString();
    QTest::newRow("three files, a web link left out")
        << QStringList{"http://example.org/a.xyz", "three.prn.xyz", "two frames.xyz", "one:1.xyz"}
        << 3 << "Tessaly - three.prn.xyz" << QString() << "Opened the first of 3 dropped files";
    QTest::newRow("a file that is not there")
        << QStringList{"gone.xyz"} << 0 << "Tessaly - Untitled"
        << "Can't open XYZ file gone.xyz" << QString();
}

void DropTest::dropOpensTheFirstLocalFileAsOpenDoes()
{
    QFETCH(QStringList, names);
    QFETCH(int, frames);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QString, note);
    QVERIFY(writeTrajectory(folder.filePath(QStringLiteral("two frames.xyz")), 2));
    QVERIFY(writeTrajectory(folder.filePath(QStringLiteral("three.prn.xyz")), 3));
    QVERIFY(writeTrajectory(folder.filePath(QStringLiteral("one:1.xyz")), 1));
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(name.startsWith(QLatin1String("http:"))
                ? QUrl(name)
                : QUrl::fromLocalFile(folder.filePath(name)));

    QVERIFY(dragAndDrop(urls));
    QCOMPARE(MainForm->FrameCount, frames);
    QCOMPARE(MainForm->windowTitle(), title);
    QCOMPARE(sink.messages.size(), std::size_t{message.isEmpty() ? 0u : 1u});
    if (!message.isEmpty())
        QCOMPARE(QString::fromStdString(sink.messages[0].second), message);
    QCOMPARE(MainForm->DropNote->isVisible(), !note.isEmpty());
    if (!note.isEmpty())
        QCOMPARE(MainForm->DropNote->text(), note);
    // the note stays while the frames play and the counter moves on
    QTest::qWait(250);
    QCOMPARE(MainForm->DropNote->isVisible(), !note.isEmpty());
}

void DropTest::aDragWithoutLocalFilesIsRefused()
{
    QVERIFY(!dragAndDrop({QUrl(QStringLiteral("https://example.org/water.xyz"))}));
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Tessaly - Untitled"));
    QVERIFY(sink.messages.empty());
}

void DropTest::aDropWhileASeriesIsSavedIsRefusedAndTheSeriesGoesOn()
{
    TMainForm &window = *MainForm;
    QVERIFY(writeTrajectory(folder.filePath(QStringLiteral("saved.xyz")), 4));
    QVERIFY(writeTrajectory(folder.filePath(QStringLiteral("dropped.xyz")), 2));
    window.OpenTrajectory(folder.filePath(QStringLiteral("saved.xyz")));
    window.Pause1Click();
    window.SaveAllFrames = true;
    window.ExecuteSaveDialog = [this] { return folder.filePath(QStringLiteral("p.bmp")); };
    // the drop comes while the series hands events on between its pictures
    bool taken = true;
    QTimer::singleShot(0, &window, [this, &taken] {
        taken = dragAndDrop({QUrl::fromLocalFile(folder.filePath(QStringLiteral("dropped.xyz")))});
    });
    window.Save1Click();
    QVERIFY(!taken);
    QCOMPARE(window.windowTitle(), QStringLiteral("Tessaly - saved.xyz"));
    QCOMPARE(window.FrameCount, 4);
    for (const char *name : {"p0.bmp", "p1.bmp", "p2.bmp", "p3.bmp"})
        QVERIFY2(QFile::exists(folder.filePath(QLatin1String(name))), name);
    QVERIFY(sink.messages.empty());
    // once the work is done a drop opens again
    QVERIFY(dragAndDrop({QUrl::fromLocalFile(folder.filePath(QStringLiteral("dropped.xyz")))}));
    QCOMPARE(window.FrameCount, 2);
}

QTEST_MAIN(DropTest)
#include "tst_drop.moc"
