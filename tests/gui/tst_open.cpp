#include "app/application.h"
#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "dialogs/inputdlg.h"
#include "dialogs/toolsdlg.h"
#include "guitestsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

// Opening a trajectory from the menu or the command line, and what the window does after a read.
class OpenTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        windows = openRecordedWindows(sink, status);
        QVERIFY(folder.isValid());
    }
    void cleanup()
    {
        windows.reset();
        QDir::setCurrent(startFolder);
    }

    void opensTheWaterExampleWithItsNameInTheCaption();
    void lowerCasePrnExtensionSelectsTheTableLayoutAndKeepsIt();
    void extensionsChooseTheLayoutInAnyCaseOthersLeaveIt_data();
    void extensionsChooseTheLayoutInAnyCaseOthersLeaveIt();
    void openByExtensionOffLeavesTheLayout();
    void oneFrameStartsTheSlowSpinAndHidesTheAnimationControl();
    void twoFramesShowTheAnimationControlAndPlayFromFrameOne();
    void saveRangeIsClampedToTheFramesRead_data();
    void saveRangeIsClampedToTheFramesRead();
    void aRangeOverEveryFrameCoversTheNextFileWhole_data();
    void aRangeOverEveryFrameCoversTheNextFileWhole();
    void aFileThatCannotBeOpenedChangesNothing();
    void aFolderCannotBeOpenedAsATrajectory();
    void opensByThePathGivenNotByTheBareNameInTheCurrentFolder();
    void aRelativePathIsOpenedFromTheCurrentFolder();
    void aFileWithoutFramesEmptiesTheTrajectoryAndSaysSo();
    void readingShowsTheBusyTextAndItsProgress();
    void aFileCutWhileReadKeepsTheFramesBeforeTheCut();
    void escDuringAReadKeepsTheFramesReadSoFar_data();
    void escDuringAReadKeepsTheFramesReadSoFar();
    void aFifoKeepsTheWindowAnsweringUntilEscOrClose_data();
    void aFifoKeepsTheWindowAnsweringUntilEscOrClose();
    void readingForgetsPicksAndWarningsOfThePreviousFile();
    void newAfterOpeningEmptiesEverything();
    void aFrameReadOnDemandThatCannotBeReadSaysWhyWhenShown();

private:
    QString writeFile(const QString &name, int frames)
    {
        const QString path = folder.filePath(name);
        if (!writeTrajectory(path, frames))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    std::unique_ptr<TessalyWindows> windows;
    RecordingSink sink;
    RecordingStatus status;
    QTemporaryDir folder;
    QString startFolder = QDir::currentPath();
};

void OpenTest::opensTheWaterExampleWithItsNameInTheCaption()
{
    TMainForm &m = *MainForm;
    m.OpenTrajectory(QStringLiteral(TESSALY_EXAMPLES "/water.xyz"));
    QCOMPARE(m.FrameCount, 50);
    QCOMPARE(m.FileName, QStringLiteral("water.xyz"));
    QCOMPARE(m.windowTitle(), QStringLiteral("Tessaly - water.xyz"));
    QCOMPARE(m.CurrentFrame->atomCount, 3);
    QVERIFY(sink.messages.empty());
    QVERIFY(m.StatusText().startsWith(QStringLiteral("Frame 1 of 50")));
}

void OpenTest::lowerCasePrnExtensionSelectsTheTableLayoutAndKeepsIt()
{
    TMainForm &m = *MainForm;
    QCOMPARE(InputDlg->Format.kind, 0);
    QVERIFY(InputDlg->Format.openByExtension);
    m.OpenTrajectory(QStringLiteral(TESSALY_EXAMPLES "/table.prn"));
    QCOMPARE(InputDlg->Format.kind, 1);
    QVERIFY(m.FrameCount > 1);
    QVERIFY(sink.messages.empty());
    // The layout stays for the next read, even of a file whose extension names none.
    const QString other = writeFile(QStringLiteral("again.dat"), 2);
    m.OpenTrajectory(other);
    QCOMPARE(InputDlg->Format.kind, 1);
}

void OpenTest::extensionsChooseTheLayoutInAnyCaseOthersLeaveIt_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::newRow("upper case XYZ") << "run.XYZ" << 0;
    QTest::newRow("mixed case Txt") << "run.Txt" << 2;
    QTest::newRow("dat") << "run.dat" << 1;
    QTest::newRow("none") << "plain" << 1;
    QTest::newRow("dot in the folder only") << "v1.0/run" << 1;
    QTest::newRow("under a compression suffix") << "run.Txt.gz" << 2;
    QTest::newRow("under a zstd suffix") << "run.xyz.ZST" << 0;
    QTest::newRow("compression suffix alone") << "run.zst" << 1;
}

void OpenTest::extensionsChooseTheLayoutInAnyCaseOthersLeaveIt()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("v1.0")));
    const QString path = writeFile(name, 1);
    InputDlg->Format.kind = 1;
    MainForm->OpenTrajectory(path);
    QCOMPARE(InputDlg->Format.kind, kind);
}

void OpenTest::openByExtensionOffLeavesTheLayout()
{
    InputDlg->Format.openByExtension = false;
    const QString path = writeFile(QStringLiteral("run.prn"), 2);
    MainForm->OpenTrajectory(path);
    QCOMPARE(InputDlg->Format.kind, 0);
    QCOMPARE(MainForm->FrameCount, 2);
}

void OpenTest::oneFrameStartsTheSlowSpinAndHidesTheAnimationControl()
{
    TMainForm &m = *MainForm;
    m.OpenTrajectory(writeFile(QStringLiteral("two.xyz"), 2));
    QVERIFY(ToolsDlg->isVisible());
    m.RotationRateHorizontal = 0.0;
    m.RotationRateVertical = 0.003;
    m.RotationRateInPlane = -0.002;

    m.OpenTrajectory(QStringLiteral(TESSALY_EXAMPLES "/single.xyz"));
    QCOMPARE(m.FrameCount, 1);
    QVERIFY(!ToolsDlg->isVisible());
    QVERIFY(!m.Playing);
    QVERIFY(!m.AnimTimer.isActive());
    QVERIFY(m.Rotating);
    QVERIFY(m.RotationTimer.isActive());
    QCOMPARE(m.RotationRateHorizontal, 0.001);
    QCOMPARE(m.RotationRateVertical, 0.0);
    QCOMPARE(m.RotationRateInPlane, 0.0);
}

void OpenTest::twoFramesShowTheAnimationControlAndPlayFromFrameOne()
{
    TMainForm &m = *MainForm;
    m.OpenTrajectory(QStringLiteral(TESSALY_EXAMPLES "/single.xyz"));
    QVERIFY(m.Rotating);
    m.OpenTrajectory(writeFile(QStringLiteral("five.xyz"), 5));
    QCOMPARE(m.FrameCount, 5);
    QVERIFY(!m.Rotating);
    QVERIFY(!m.RotationTimer.isActive());
    QVERIFY(ToolsDlg->isVisible());
    QCOMPARE(ToolsDlg->ToolsTrackBar->minimum(), 1);
    QCOMPARE(ToolsDlg->ToolsTrackBar->maximum(), 5);
    QCOMPARE(ToolsDlg->ToolsTrackBar->value(), 1);
    QVERIFY(ToolsDlg->ForwardSpeedBtn->isChecked());
    QVERIFY(m.Playing);
    QVERIFY(m.AnimTimer.isActive());
    QCOMPARE(m.CurrentFrameIndex, 1);
    QCOMPARE(m.CurrentFrame, &m.Frames.frameAt(1));
    QVERIFY(m.StatusText().startsWith(QStringLiteral("Frame 1 of 5 ")));
    // The timer then steps the frames one by one.
    m.AnimTimerTimer();
    QCOMPARE(m.CurrentFrameIndex, 2);
    QCOMPARE(ToolsDlg->ToolsTrackBar->value(), 2);
}

void OpenTest::saveRangeIsClampedToTheFramesRead_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("clampedFirst");
    QTest::addColumn<int>("clampedLast");
    QTest::newRow("beyond the frames") << 20 << 30 << 1 << 10;
    QTest::newRow("inside") << 3 << 5 << 3 << 5;
    QTest::newRow("last beyond") << 4 << 12 << 4 << 10;
    QTest::newRow("last before first") << 6 << 2 << 6 << 10;
    QTest::newRow("whole") << 1 << 10 << 1 << 10;
}

void OpenTest::saveRangeIsClampedToTheFramesRead()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, clampedFirst);
    QFETCH(int, clampedLast);
    TMainForm &m = *MainForm;
    m.SaveFirstFrame = first;
    m.SaveLastFrame = last;
    m.OpenTrajectory(writeFile(QStringLiteral("ten.xyz"), 10));
    QCOMPARE(m.FrameCount, 10);
    QCOMPARE(m.SaveFirstFrame, clampedFirst);
    QCOMPARE(m.SaveLastFrame, clampedLast);
}

void OpenTest::aRangeOverEveryFrameCoversTheNextFileWhole_data()
{
    QTest::addColumn<int>("oldFrames");
    QTest::addColumn<int>("first"); // 0: the range as the read left it
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("clampedFirst");
    QTest::addColumn<int>("clampedLast");
    QTest::newRow("one frame, then fifty") << 1 << 0 << 0 << 1 << 50;
    QTest::newRow("three frames, then fifty") << 3 << 0 << 0 << 1 << 50;
    QTest::newRow("narrowed to frames 2 to 5") << 10 << 2 << 5 << 2 << 5;
    QTest::newRow("narrowed to the first frame") << 10 << 1 << 1 << 1 << 1;
}

void OpenTest::aRangeOverEveryFrameCoversTheNextFileWhole()
{
    QFETCH(int, oldFrames);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, clampedFirst);
    QFETCH(int, clampedLast);
    TMainForm &m = *MainForm;
    m.OpenTrajectory(writeFile(QStringLiteral("old.xyz"), oldFrames));
    if (first > 0) {
        m.SaveFirstFrame = first;
        m.SaveLastFrame = last;
    }
    m.OpenTrajectory(writeFile(QStringLiteral("fifty.xyz"), 50));
    QCOMPARE(m.FrameCount, 50);
    QCOMPARE(m.SaveFirstFrame, clampedFirst);
    QCOMPARE(m.SaveLastFrame, clampedLast);
}

void OpenTest::aFileThatCannotBeOpenedChangesNothing()
{
    TMainForm &m = *MainForm;
    m.OpenTrajectory(writeFile(QStringLiteral("three.xyz"), 3));
    m.GoToFrame(2);
    m.DistancePairs.push_back(DistancePair{0, 0});
    Frame *shown = m.CurrentFrame;

    m.OpenTrajectory(folder.filePath(QStringLiteral("sub/missing.xyz")));
    QCOMPARE(sink.messages.size(), std::size_t{1});
    QCOMPARE(sink.messages[0].first, std::string());
    QCOMPARE(sink.messages[0].second, std::string("Can't open XYZ file missing.xyz"));
    QCOMPARE(m.FileName, QStringLiteral("three.xyz"));
    QCOMPARE(m.windowTitle(), QStringLiteral("Tessaly - three.xyz"));
    QCOMPARE(m.FrameCount, 3);
    QCOMPARE(m.CurrentFrameIndex, 2);
    QCOMPARE(m.CurrentFrame, shown);
    QCOMPARE(m.DistancePairs.size(), std::size_t{1});
    QVERIFY(m.Playing);
    QVERIFY(ToolsDlg->isVisible());
}

void OpenTest::aFolderCannotBeOpenedAsATrajectory()
{
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("frames.xyz")));
    MainForm->OpenTrajectory(folder.filePath(QStringLiteral("frames.xyz")));
    QCOMPARE(sink.messages.size(), std::size_t{1});
    QCOMPARE(sink.messages[0].second, std::string("Can't open XYZ file frames.xyz"));
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Tessaly - Untitled"));
    QCOMPARE(MainForm->FileName, QStringLiteral("Untitled"));
}

void OpenTest::opensByThePathGivenNotByTheBareNameInTheCurrentFolder()
{
    // The current folder holds a one-frame file of the same name as the four-frame file that
    // is opened by its full path.
    QTemporaryDir current;
    QVERIFY(writeTrajectory(current.filePath(QStringLiteral("same.xyz")), 1));
    QVERIFY(QDir::setCurrent(current.path()));
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("run")));
    const QString path = writeFile(QStringLiteral("run/same.xyz"), 4);

    MainForm->OpenTrajectory(path);
    QCOMPARE(MainForm->FrameCount, 4);
    QCOMPARE(MainForm->FileName, QStringLiteral("same.xyz"));
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Tessaly - same.xyz"));
    QVERIFY(sink.messages.empty());
}

void OpenTest::aRelativePathIsOpenedFromTheCurrentFolder()
{
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("run")));
    writeFile(QStringLiteral("run/rel.xyz"), 3);
    QVERIFY(QDir::setCurrent(folder.path()));
    MainForm->OpenTrajectory(QStringLiteral("run/rel.xyz"));
    QCOMPARE(MainForm->FrameCount, 3);
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Tessaly - rel.xyz"));
}

void OpenTest::aFileWithoutFramesEmptiesTheTrajectoryAndSaysSo()
{
    TMainForm &m = *MainForm;
    m.OpenTrajectory(writeFile(QStringLiteral("three.xyz"), 3));
    const QString empty = writeFile(QStringLiteral("empty.xyz"), 0);
    m.OpenTrajectory(empty);
    QCOMPARE(sink.messages.size(), std::size_t{1});
    QCOMPARE(sink.messages[0].first, std::string());
    QCOMPARE(sink.messages[0].second, std::string("No frames read from file empty.xyz"));
    QCOMPARE(m.FrameCount, 0);
    QCOMPARE(m.CurrentFrameIndex, 0);
    QCOMPARE(m.CurrentFrame, &m.Frames.head());
    QCOMPARE(m.windowTitle(), QStringLiteral("Tessaly - empty.xyz"));
    QCOMPARE(m.StatusText(), QStringLiteral("Frame 0 of 0"));
    QVERIFY(!m.Playing);
    QVERIFY(!m.Rotating);
    QVERIFY(!ToolsDlg->isVisible());
}

void OpenTest::readingShowsTheBusyTextAndItsProgress()
{
    MainForm->OpenTrajectory(writeFile(QStringLiteral("three.xyz"), 3));
    QVERIFY(status.busyTexts.size() >= 2);
    QCOMPARE(status.busyTexts.front(), std::string("I'm reading frames, please wait!"));
    QCOMPARE(status.busyTexts[1], std::string("I'm reading frames, please wait! 100%"));
    // Afterwards the status line is the counter again.
    // The frame's text follows the counter after a blank, without its line end.
    QCOMPARE(MainForm->StatusText(), QStringLiteral("Frame 1 of 3  step 1"));
}

void OpenTest::aFileCutWhileReadKeepsTheFramesBeforeTheCut()
{
    const QString path = writeFile(QStringLiteral("long.xyz"), 1000);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    file.close();
    const qsizetype cut = text.size() / 2;
    // every frame has three lines: those wholly before the cut are the frames to keep
    const int framesBefore = static_cast<int>(text.left(cut).count('\n') / 3);

    // The file is cut in half once the window has opened it and starts reading.
    struct CuttingStatus : RecordingStatus
    {
        void showBusy(std::string_view text) override
        {
            if (!path.empty() && truncate(path.c_str(), size) == 0)
                path.clear();
            RecordingStatus::showBusy(text);
        }
        std::string path;
        off_t size = 0;
    } cutting;
    cutting.path = QFile::encodeName(path).toStdString();
    cutting.size = static_cast<off_t>(cut);
    MainForm->StatusLine = &cutting;
    MainForm->OpenTrajectory(path);
    MainForm->StatusLine = &status;
    QVERIFY(cutting.path.empty());
    QCOMPARE(sink.messages,
        (std::vector<std::pair<std::string, std::string>>{
            {"READING FILE ERROR", "The file changed while it was being read"}}));
    QCOMPARE(MainForm->FrameCount, framesBefore);
    QCOMPARE(MainForm->Frames.frameAt(framesBefore).time, static_cast<double>(framesBefore));
    QVERIFY(MainForm->StatusText().startsWith(QStringLiteral("Frame 1 of %1").arg(framesBefore)));
}

void OpenTest::escDuringAReadKeepsTheFramesReadSoFar_data()
{
    QTest::addColumn<int>("memoryMegabytes"); // 0: the default, which holds the frames whole
    QTest::newRow("whole") << 0;
    QTest::newRow("indexed to be read on demand") << 32;
}

void OpenTest::escDuringAReadKeepsTheFramesReadSoFar()
{
    QFETCH(int, memoryMegabytes);
    TMainForm &m = *MainForm;
    m.MemoryLimit = std::size_t(memoryMegabytes) << 20;
    const int written = 400000; // some 16 MB: more than a batch read ahead or indexed
    const QString path = writeFile(QStringLiteral("long.xyz"), written);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    int paintsDuringRead = 0;
    // pressed at the first moment the reading lets the window answer, as a repaint is asked
    QTimer::singleShot(0, &m, [&m, &paintsDuringRead] {
        m.View->repaint();
        ++paintsDuringRead;
        QTest::keyClick(&m, Qt::Key_Escape);
    });
    m.OpenTrajectory(path);
    QCOMPARE(paintsDuringRead, 1);
    QVERIFY(m.FrameCount > 1);
    QVERIFY(m.FrameCount < written);
    QCOMPARE(m.Frames.frameAt(m.FrameCount).time, double(m.FrameCount));
    QVERIFY(sink.messages.empty());
    QVERIFY(m.Playing);
    QVERIFY(m.StatusText().startsWith(QStringLiteral("Frame 1 of %1").arg(m.FrameCount)));
    QCOMPARE(m.Frames.onDemand(), memoryMegabytes > 0);
    // stepping shows each frame as read from the file
    for (int step = 0; step < 3; ++step)
        QTest::keyClick(m.View, Qt::Key_Right);
    QCOMPARE(m.CurrentFrameIndex, 4);
    QCOMPARE(m.CurrentFrame->time, 4.0);
    QCOMPARE(m.CurrentFrame, &m.Frames.frameAt(4));
    m.MemoryLimit = 0;
}

void OpenTest::aFifoKeepsTheWindowAnsweringUntilEscOrClose_data()
{
    QTest::addColumn<int>("framesWritten"); // -1: no writer ever comes; 0: a compressed file
    QTest::addColumn<bool>("close");
    QTest::newRow("no writer, Esc") << -1 << false;
    QTest::newRow("slow writer, Esc") << 5 << false;
    QTest::newRow("no writer, closing") << -1 << true;
    QTest::newRow("decompressing, Esc") << 0 << false;
}

namespace {

// A gzip file of a gigabyte of zeros in 64 members of 16 MB: it takes seconds to decompress.
QByteArray gzipBomb()
{
    const QByteArray zeros(16 << 20, '\0');
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray member(static_cast<qsizetype>(deflateBound(&stream, zeros.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
    stream.avail_in = static_cast<uInt>(zeros.size());
    stream.next_out = reinterpret_cast<Bytef *>(member.data());
    stream.avail_out = static_cast<uInt>(member.size());
    deflate(&stream, Z_FINISH);
    member.resize(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return member.repeated(64);
}

} // namespace

// A FIFO waits for its writer and then for the rest of its bytes: meanwhile the window paints
// and answers, Esc keeps what came (or, when nothing came, leaves the old file) and closing
// gives the open up, each within 100 ms.
void OpenTest::aFifoKeepsTheWindowAnsweringUntilEscOrClose()
{
    QFETCH(int, framesWritten);
    QFETCH(bool, close);
    TMainForm &m = *MainForm;
    m.OpenTrajectory(writeFile(QStringLiteral("three.xyz"), 3));
    const QString fifo = folder.filePath(QStringLiteral("fifo.xyz"));
    QFile::remove(fifo);
    if (framesWritten == 0) {
        QFile bomb(fifo);
        QVERIFY(bomb.open(QIODevice::WriteOnly));
        bomb.write(gzipBomb());
        m.MemoryLimit = std::size_t{4} << 30;
    } else {
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    }
    const QString written = writeFile(QStringLiteral("written.xyz"), std::max(framesWritten, 1));
    std::thread writer;
    std::FILE *out = nullptr;
    if (framesWritten > 0) {
        writer = std::thread([&] {
            out = std::fopen(QFile::encodeName(fifo).constData(), "w");
            QFile frames(written);
            if (out && frames.open(QIODevice::ReadOnly)) {
                const QByteArray bytes = frames.readAll();
                std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out);
                std::fflush(out); // and the writer stays, as a running simulation does
            }
        });
    }
    // The window has answered once the receiving or decompressing ended: at the reading of what
    // came, or at the end of the open when nothing is read.
    struct AnswerStatus : RecordingStatus
    {
        void showBusy(std::string_view text) override
        {
            if (asked && asked->isValid() && answeredMs < 0 && !text.ends_with(" MB"))
                answeredMs = asked->elapsed();
            RecordingStatus::showBusy(text);
        }
        const QElapsedTimer *asked = nullptr;
        qint64 answeredMs = -1;
    } answering;
    QElapsedTimer sinceAsked;
    answering.asked = &sinceAsked;
    m.StatusLine = &answering;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    int paintsWhileOpening = 0;
    QTimer::singleShot(300, &m, [&] {
        m.View->repaint();
        ++paintsWhileOpening;
        sinceAsked.start();
        if (close)
            m.close();
        else
            QTest::keyClick(&m, Qt::Key_Escape);
    });
    m.OpenTrajectory(fifo);
    m.StatusLine = &status;
    const qint64 answeredMs = answering.answeredMs >= 0 ? answering.answeredMs
        : sinceAsked.isValid()                          ? sinceAsked.elapsed()
                                                        : -1;
    if (writer.joinable())
        writer.join();
    if (out)
        std::fclose(out);
    QCOMPARE(paintsWhileOpening, 1);
    QVERIFY2(answeredMs >= 0 && answeredMs <= 100, qPrintable(QString::number(answeredMs)));
    if (framesWritten == 0) {
        // the zeros received until Esc hold no frame
        QCOMPARE(sink.messages,
            (std::vector<std::pair<std::string, std::string>>{
                {"", "No frames read from file fifo.xyz"}}));
        return;
    }
    QVERIFY(sink.messages.empty());
    if (framesWritten > 0) {
        QCOMPARE(m.FrameCount, framesWritten);
        QCOMPARE(m.windowTitle(), QStringLiteral("Tessaly - fifo.xyz"));
    } else if (!close) {
        QCOMPARE(m.FrameCount, 3);
        QCOMPARE(m.windowTitle(), QStringLiteral("Tessaly - three.xyz"));
        QVERIFY(m.StatusText().startsWith(QStringLiteral("Frame ")));
    }
}

void OpenTest::readingForgetsPicksAndWarningsOfThePreviousFile()
{
    TMainForm &m = *MainForm;
    m.OpenTrajectory(writeFile(QStringLiteral("three.xyz"), 3));
    m.DistancePairs.push_back(DistancePair{0, 0});
    m.PickedAtom = 0;
    m.DetailsAtom = 0;
    m.ReaderWarned.charge = true;
    m.ReaderWarned.orbital = true;
    m.OpenTrajectory(writeFile(QStringLiteral("four.xyz"), 4));
    QVERIFY(m.DistancePairs.empty());
    QCOMPARE(m.PickedAtom, -1);
    QCOMPARE(m.DetailsAtom, -1);
    QVERIFY(m.ReaderWarned == ::ReaderWarned{});
    QCOMPARE(m.FrameCount, 4);
}

void OpenTest::newAfterOpeningEmptiesEverything()
{
    TMainForm &m = *MainForm;
    m.OpenTrajectory(writeFile(QStringLiteral("three.xyz"), 3));
    m.New1Click();
    QCOMPARE(m.FrameCount, 0);
    QCOMPARE(m.windowTitle(), QStringLiteral("Tessaly - Untitled"));
    QVERIFY(!m.Playing);
    QVERIFY(!ToolsDlg->isVisible());
}

// A value that cannot be read is met only when its frame is read from the file: stepping onto
// it says why, once, with the reader's own message, and the next frames show as ever.
void OpenTest::aFrameReadOnDemandThatCannotBeReadSaysWhyWhenShown()
{
    TMainForm &m = *MainForm;
    m.MemoryLimit = std::size_t{1} << 20;
    QFile file(folder.filePath(QStringLiteral("broken.xyz")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (int i = 1; i <= 20000; ++i)
        file.write(QStringLiteral("2\ntime=%1\nH 0 %2 0\nO 1 1 1\n")
                       .arg(i)
                       .arg(i == 3 ? QStringLiteral("zero") : QStringLiteral("0"))
                       .toLatin1());
    file.close();
    m.OpenTrajectory(file.fileName());
    m.MemoryLimit = 0;
    QVERIFY(m.Frames.onDemand());
    QCOMPARE(m.FrameCount, 20000);
    QVERIFY(sink.messages.empty());
    for (int step = 0; step < 3; ++step)
        QTest::keyClick(m.View, Qt::Key_Right);
    QCOMPARE(m.CurrentFrameIndex, 4);
    QCOMPARE(m.CurrentFrame->time, 4.0);
    QCOMPARE(sink.messages.size(), std::size_t{1});
    QCOMPARE(sink.messages[0],
        std::make_pair(
            std::string("INPUT FILE FORMAT ERROR"), std::string("Invalid atom XYZ coordinate")));
    QVERIFY(!m.Playing);
}

QTEST_MAIN(OpenTest)
#include "tst_open.moc"
