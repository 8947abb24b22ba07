#include "app/application.h"
#include "app/mainwindow.h"
#include "dialogs/inputdlg.h"
#include "dialogs/outputdlg.h"
#include "dialogs/saveframedlg.h"
#include "guitestsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <csignal>
#include <functional>
#include <memory>
#include <sys/resource.h>

using Messages = std::vector<std::pair<std::string, std::string>>;

namespace {

// Makes every write of this process past the given size fail, as a full disk would; being
// root does not lift it.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, previous.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit previous{};
};

// The frames of a movie as ffprobe decodes them; -1 when it cannot read it.
int decodedFrames(const QString &path)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
            "stream=nb_read_frames", "-of", "csv=p=0", path});
    if (!probe.waitForFinished(60000) || probe.exitCode() != 0)
        return -1;
    bool number = false;
    const int frames = probe.readAllStandardOutput().trimmed().toInt(&number);
    return number ? frames : -1;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void setEdit(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

} // namespace

// Saving frames and pictures from the window, and the two dialogs that set how.
class SaveTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        windows = openRecordedWindows(sink, status);
        QVERIFY(folder.isValid());
        titles.clear();
        chosen.clear();
        MainForm->ExecuteSaveDialog = [this] {
            titles << MainForm->SaveDialog1->windowTitle();
            filters = MainForm->SaveDialog1->nameFilters();
            return chosen;
        };
    }
    void cleanup() { windows.reset(); }

    void eachFailureHasItsMessage_data();
    void eachFailureHasItsMessage();
    void savesTheSelectedFramesAsATrajectoryThatOpensAgain();
    void saveKindFollowsTheExtensionOnlyWithOpenByExtension_data();
    void saveKindFollowsTheExtensionOnlyWithOpenByExtension();
    void extxyzNameWritesExtendedXyzOnlyWithOpenByExtension();
    void aFailedWriteSaysDiskFullAndKeepsTheOldFile();
    void ctrlVOpensTheSaveFrameOptionsWithItsControls();
    void saveFrameOptionsAreClampedOnClosingAndCancelSavesNothing();
    void saveFrameWritesTextOnePictureOrATurnedSeries();
    void saveFramesOptionsFillTheirControlsAndRefuseFramesOutsideTheTrajectory();
    void savesTheSelectedFramesOrTheTurningFrameAsAMovie();
    void escapeCancelsAMovieAndKeepsTheOldFile();
    void aMovieOntoAFullDiskSaysWhyAndKeepsTheOldFile_data();
    void aMovieOntoAFullDiskSaysWhyAndKeepsTheOldFile();

private:
    // Loads count frames of a three-atom molecule from a file and stops playing and spinning.
    void openFrames(int count)
    {
        const QString path = folder.filePath(QStringLiteral("loaded.xyz"));
        QVERIFY(writeTrajectory(path, count,
            {"O 0 0 0 -0.8 0 0 0 1", "H 1.5 0.5 0 0.4 0 0 0 1", "H -0.3 1.2 0.4 0.4 0 0 0 1"}));
        MainForm->OpenTrajectory(path);
        MainForm->Pause1Click();
        if (MainForm->Rotating)
            MainForm->Rotate1Click();
        QCOMPARE(MainForm->FrameCount, count);
        sink.messages.clear();
        status = RecordingStatus{};
    }
    // Runs "Sa&ve Frame..." with the options dialog answered by answer, then OK or Cancel.
    void saveFrame(const std::function<void(TSaveFrameDlg &)> &answer, bool ok = true)
    {
        QTimer::singleShot(0, SaveFrameDlg, [answer, ok] {
            if (!SaveFrameDlg->isVisible())
                return;
            answer(*SaveFrameDlg);
            (ok ? SaveFrameDlg->OKBtn : SaveFrameDlg->CancelBtn)->click();
        });
        MainForm->SaveFrame1Click();
    }

    std::unique_ptr<TessalyWindows> windows;
    RecordingSink sink;
    RecordingStatus status;
    QTemporaryDir folder;
    QStringList titles;
    QStringList filters;
    QString chosen;
};

namespace {

constexpr int SaveCommand = -1; // "&Save..."; 0 to 2 run "Sa&ve Frame..." saving as that kind

// %1 stands for the test folder.
struct FailureCase
{
    const char *row;
    int frames;
    int command;
    int count;
    const char *name;
    const char *caption;
    const char *text;
};
const FailureCase Failures[] = {
    {"save with nothing loaded", 0, SaveCommand, 51, "", "SAVE FRAME ERROR", "No frames to save!"},
    {"save frame with nothing loaded", 0, 0, 51, "", "SAVE FRAME ERROR", "No frame to save!"},
    {"no frame in the range", 3, SaveCommand, 0, "%1/a.xyz", "SAVE FRAMES ERROR",
        "Invalid options for saving"},
    {"text file cannot be made", 3, SaveCommand, 51, "%1/no/such/out.xyz", "",
        "Can't save XYZ file %1/no/such/out.xyz"},
    {"disk full while saving", 3, SaveCommand, 51, "/dev/full", "SAVE ERROR", "Disk full?"},
    {"disk full while saving a frame", 1, 0, 51, "/dev/full", "SAVE FRAME ERROR", "Disk full?"},
    {"four-letter jpe extension", 1, 1, 51, "%1/a.jpe", "SAVE IMAGE ERROR",
        "Unsupported image format"},
    {"picture cannot be made", 1, 1, 51, "%1/no/such/out.bmp", "",
        "Can't save image file %1/no/such/out.bmp"},
    {"rotated series of an unsupported kind", 1, 2, 51, "%1/turn.tif", "SAVE IMAGE ERROR",
        "Unsupported image format"},
};

} // namespace

void SaveTest::eachFailureHasItsMessage_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < static_cast<int>(std::size(Failures)); ++i)
        QTest::newRow(Failures[i].row) << i;
}

void SaveTest::eachFailureHasItsMessage()
{
    QFETCH(int, index);
    const FailureCase &failure = Failures[index];
    if (failure.frames > 0)
        openFrames(failure.frames);
    // names and texts may hold the test folder as %1; those without it are taken as they are
    const auto inFolder = [this](const char *text) {
        const QString pattern = QString::fromLatin1(text);
        return (pattern.contains(QLatin1String("%1")) ? pattern.arg(folder.path()) : pattern)
            .toStdString();
    };
    chosen = QString::fromStdString(inFolder(failure.name));
    MainForm->SaveFrameCount = failure.count;
    if (failure.command == SaveCommand) {
        MainForm->Save1Click();
    } else {
        const int saveAs = failure.command;
        saveFrame([saveAs](TSaveFrameDlg &d) { d.SaveAsButtons[saveAs]->click(); });
    }
    QCOMPARE(sink.messages, (Messages{{failure.caption, inFolder(failure.text)}}));
    QCOMPARE(titles.size(), failure.frames > 0 ? 1 : 0);
    // nothing beside the loaded file, not even a hidden temporary
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
        failure.frames > 0 ? QStringList{QStringLiteral("loaded.xyz")} : QStringList{});
}

void SaveTest::savesTheSelectedFramesAsATrajectoryThatOpensAgain()
{
    TMainForm &m = *MainForm;
    openFrames(10);
    QCOMPARE(m.SaveLastFrame, 10);
    m.SaveFrameCount = 4;
    chosen = folder.filePath(QStringLiteral("four.xyz"));
    m.Save1Click();
    QVERIFY(sink.messages.empty());
    QCOMPARE(status.busyTexts, std::vector<std::string>{"I'm saving frames, please wait!"});
    QCOMPARE(status.counterShown, 1);
    QCOMPARE(m.SaveFileName, chosen);
    QCOMPARE(m.CurrentFrameIndex, 1);
    // the file dialog asks before an existing file is replaced and offers every format
    QCOMPARE(titles, QStringList{QStringLiteral("Save frames")});
    QCOMPARE(filters,
        QStringList({"XYZ file (*.xyz)", "BMP files (*.bmp)", "JPG files (*.jpg *.jpeg)",
            "PNG files (*.png)", "MP4 movies (*.mp4)", "WebM movies (*.webm)", "GIF movies (*.gif)",
            "All files (*)"}));
    QCOMPARE(m.SaveDialog1->acceptMode(), QFileDialog::AcceptSave);
    QVERIFY(!m.SaveDialog1->testOption(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(m.SaveDialog1->defaultSuffix(), QStringLiteral("bmp"));

    m.OpenTrajectory(chosen);
    QCOMPARE(m.FrameCount, 4);
    // the writer has no orbital coefficient column, which the Common layout reads by default
    QCOMPARE(sink.messages,
        (Messages{{"INPUT FILE FORMAT ERROR", "Orbital coeficient invalid or not found"}}));
    const double times[] = {1, 4, 7, 10};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(m.Frames.frameAt(i + 1).time, times[i]);
        QCOMPARE(m.Frames.frameAt(i + 1).atomCount, 3);
    }
    QCOMPARE(m.Frames.frameAt(2).atoms[1].position.x, 1.5);
}

void SaveTest::saveKindFollowsTheExtensionOnlyWithOpenByExtension_data()
{
    QTest::addColumn<bool>("byExtension");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format"); // empty: one text file
    QTest::newRow("jpg without open by extension") << false << "run.jpg" << QByteArray();
    QTest::newRow("xyz") << true << "run.xyz" << QByteArray();
    QTest::newRow("prn") << true << "run.prn" << QByteArray();
    QTest::newRow("no extension") << true << "run" << QByteArray();
    QTest::newRow("bmp") << true << "run.bmp" << QByteArray("bmp");
    QTest::newRow("upper case JPG") << true << "run.JPG" << QByteArray("jpeg");
    QTest::newRow("jpeg") << true << "run.jpeg" << QByteArray("jpeg");
    QTest::newRow("png") << true << "run.Png" << QByteArray("png");
}

void SaveTest::saveKindFollowsTheExtensionOnlyWithOpenByExtension()
{
    QFETCH(bool, byExtension);
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    if (format == "jpeg" && !QImageReader::supportedImageFormats().contains("jpeg"))
        QSKIP("no JPEG decoder to check the pictures with");
    TMainForm &m = *MainForm;
    openFrames(3);
    InputDlg->Format.openByExtension = byExtension;
    chosen = folder.filePath(name);
    m.Save1Click();
    QVERIFY(sink.messages.empty());
    if (format.isEmpty()) {
        QCOMPARE(status.busyTexts, std::vector<std::string>{"I'm saving frames, please wait!"});
        // whatever its name, the file holds the frames in the one layout the writer knows
        InputDlg->Format.openByExtension = false;
        m.OpenTrajectory(chosen);
        QCOMPARE(m.FrameCount, 3);
        return;
    }
    QCOMPARE(status.busyTexts, std::vector<std::string>{"I'm saving images, please wait!"});
    QVERIFY(!QFile::exists(chosen));
    const QString base = chosen.left(chosen.lastIndexOf(QLatin1Char('.')));
    const QString extension = chosen.mid(chosen.lastIndexOf(QLatin1Char('.')));
    for (int k = 0; k < 3; ++k) {
        QImageReader reader(base + QString::number(k) + extension);
        QCOMPARE(reader.format(), format);
        QCOMPARE(reader.read().size(), m.ViewBitmap.size());
    }
    QCOMPARE(status.counterShown, 1);
}

void SaveTest::extxyzNameWritesExtendedXyzOnlyWithOpenByExtension()
{
    TMainForm &m = *MainForm;
    openFrames(3);
    InputDlg->Format.openByExtension = false;
    chosen = folder.filePath(QStringLiteral("own.extxyz"));
    m.Save1Click();
    QVERIFY(contents(chosen).split('\n').value(1).endsWith("//time and energy"));

    InputDlg->Format.openByExtension = true;
    chosen = folder.filePath(QStringLiteral("run.extxyz"));
    m.Save1Click();
    QVERIFY(sink.messages.empty());
    QVERIFY(contents(chosen).split('\n').value(1).startsWith("Properties=species:S:1:pos:R:3"));
    m.OpenTrajectory(chosen);
    QVERIFY(sink.messages.empty());
    QCOMPARE(m.FrameCount, 3);
    QCOMPARE(m.Frames.frameAt(3).time, 3.0);
    QCOMPARE(m.Frames.frameAt(2).atoms[1].position.x, 1.5);
}

void SaveTest::aFailedWriteSaysDiskFullAndKeepsTheOldFile()
{
    TMainForm &m = *MainForm;
    openFrames(10);
    const QByteArray old("the trajectory saved yesterday\n");
    const QStringList names{QStringLiteral("kept.xyz"), QStringLiteral("kept.bmp")};
    for (const QString &name : names) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    chosen = folder.filePath(names[0]);
    {
        FileSizeLimit limit(256);
        m.Save1Click();
    }
    QCOMPARE(sink.messages, (Messages{{"SAVE ERROR", "Disk full?"}}));
    QCOMPARE(contents(chosen), old);

    sink.messages.clear();
    chosen = folder.filePath(names[1]);
    m.Redraw(nullptr, true);
    {
        FileSizeLimit limit(256);
        saveFrame([](TSaveFrameDlg &d) { d.SaveAsButtons[1]->click(); });
    }
    QCOMPARE(sink.messages, (Messages{{"SAVE FRAME ERROR", "Disk full?"}}));
    QCOMPARE(contents(chosen), old);
    // no half-written copy is left beside them
    QCOMPARE(QDir(folder.path()).entryList({"kept*", ".*"}, QDir::Files | QDir::Hidden, QDir::Name),
        QStringList({"kept.bmp", "kept.xyz"}));
}

void SaveTest::ctrlVOpensTheSaveFrameOptionsWithItsControls()
{
    TMainForm &m = *MainForm;
    openFrames(2);
    m.show();
    QVERIFY(QTest::qWaitForWindowActive(&m));
    bool seen = false;
    QTimer::singleShot(0, SaveFrameDlg, [&seen] {
        TSaveFrameDlg &d = *SaveFrameDlg;
        QCOMPARE(QApplication::activeModalWidget(), &d);
        const std::pair<QString, const char *> captions[] = {
            {d.windowTitle(), "Save frame options"}, {d.SaveAsRG->title(), "Save as"},
            {d.SaveAsButtons[0]->text(), "text"}, {d.SaveAsButtons[1]->text(), "image"},
            {d.SaveAsButtons[2]->text(), "rotated images"},
            {d.NumberImagesLab->text(), "Number of images"},
            {d.RotationAngleLab->text(), "Rotation angle"}, {d.NumberImagesEdit->text(), "25"},
            {d.RotationAngleEdit->text(), "360"},
            {d.RotationDirButtons[0]->text(), "rotate horizontaly"},
            {d.RotationDirButtons[1]->text(), "rotate verticaly"}, {d.OKBtn->text(), "OK"},
            {d.CancelBtn->text(), "Cancel"}};
        for (const auto &[shown, expected] : captions)
            QCOMPARE(shown, QString::fromLatin1(expected));
        QVERIFY(d.SaveAsButtons[0]->isChecked() && d.RotationDirButtons[0]->isChecked());
        QVERIFY(d.OKBtn->isDefault());
        // (typing into the two edits stops at 4 characters: tst_dialogs types it)
        // the rotation controls only serve a rotated series
        QVERIFY(!d.NumberImagesEdit->isEnabled() && !d.RotationDirRG->isEnabled());
        QTest::mouseClick(d.SaveAsButtons[2], Qt::LeftButton);
        QVERIFY(d.NumberImagesEdit->isEnabled() && d.RotationAngleEdit->isEnabled()
            && d.RotationDirRG->isEnabled());
        QTest::mouseClick(d.SaveAsButtons[1], Qt::LeftButton);
        QVERIFY(!d.RotationAngleEdit->isEnabled());
        seen = true;
        d.CancelBtn->click();
    });
    QTest::keyClick(&m, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(seen);
    QVERIFY(!SaveFrameDlg->isVisible());
    QVERIFY(titles.isEmpty());
}

void SaveTest::saveFrameOptionsAreClampedOnClosingAndCancelSavesNothing()
{
    openFrames(1);
    const auto type = [](const char *images, const char *angle) {
        return [images, angle](TSaveFrameDlg &d) {
            d.SaveAsButtons[2]->click();
            d.RotationDirButtons[1]->click();
            setEdit(d.NumberImagesEdit, QString::fromLatin1(images));
            setEdit(d.RotationAngleEdit, QString::fromLatin1(angle));
        };
    };
    const SaveFrameOptions &options = SaveFrameDlg->Options;
    saveFrame(type("0", "45"));
    QCOMPARE(options.imageCount, 1);
    QCOMPARE(options.rotationAngle, 90);
    QVERIFY(options.accepted);
    QCOMPARE(titles, QStringList{QStringLiteral("Save frame as rotated images")});

    // Cancel keeps what was typed, clamped, but saves nothing
    saveFrame(type("5000", "3601"), false);
    QCOMPARE(options.imageCount, 1000);
    QCOMPARE(options.rotationAngle, 3600);
    QCOMPARE(options.saveAs, 2);
    QCOMPARE(options.rotationDirection, 1);
    QVERIFY(!options.accepted);
    QCOMPARE(titles.size(), 1);
    QCOMPARE(SaveFrameDlg->NumberImagesEdit->text(), QStringLiteral("1000"));
}

void SaveTest::saveFrameWritesTextOnePictureOrATurnedSeries()
{
    TMainForm &m = *MainForm;
    openFrames(3);
    m.GoToFrame(2);
    chosen = folder.filePath(QStringLiteral("frame.xyz"));
    saveFrame([](TSaveFrameDlg &d) { d.SaveAsButtons[0]->click(); });
    QCOMPARE(m.SaveFileName, chosen);

    m.Redraw(nullptr, true);
    const QImage shown = m.ViewBitmap.copy();
    chosen = folder.filePath(QStringLiteral("frame.png"));
    saveFrame([](TSaveFrameDlg &d) { d.SaveAsButtons[1]->click(); });
    QCOMPARE(QImage(chosen).convertToFormat(QImage::Format_RGB32), shown);

    chosen = folder.filePath(QStringLiteral("turn.png"));
    saveFrame([](TSaveFrameDlg &d) {
        d.SaveAsButtons[2]->click();
        setEdit(d.NumberImagesEdit, QStringLiteral("10"));
        setEdit(d.RotationAngleEdit, QStringLiteral("360"));
        d.RotationDirButtons[0]->click();
    });
    QCOMPARE(titles,
        QStringList({"Save frame as text", "Save frame as image", "Save frame as rotated images"}));
    QCOMPARE(filters,
        QStringList({"BMP files (*.bmp)", "JPG files (*.jpg *.jpeg)", "PNG files (*.png)",
            "MP4 movies (*.mp4)", "WebM movies (*.webm)", "GIF movies (*.gif)", "All files (*)"}));
    QVERIFY(sink.messages.empty());
    QCOMPARE(status.busyTexts, std::vector<std::string>{"I'm saving images, please wait!"});
    // picture 00 is the view as it was, 05 the view turned half round
    QCOMPARE(
        QImage(folder.filePath(QStringLiteral("turn00.png"))).convertToFormat(QImage::Format_RGB32),
        shown);
    const QImage half(folder.filePath(QStringLiteral("turn05.png")));
    QCOMPARE(half.size(), shown.size());
    QVERIFY(half.convertToFormat(QImage::Format_RGB32) != shown);
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("turn09.png"))));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("turn10.png"))));

    m.OpenTrajectory(folder.filePath(QStringLiteral("frame.xyz")));
    QCOMPARE(m.FrameCount, 1);
    QCOMPARE(m.CurrentFrame->time, 2.0);
}

void SaveTest::saveFramesOptionsFillTheirControlsAndRefuseFramesOutsideTheTrajectory()
{
    TMainForm &m = *MainForm;
    openFrames(10);
    m.SaveFirstFrame = 3;
    m.SaveLastFrame = 8;
    TOutputDlg &d = *OutputDlg;
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    const std::pair<QString, const char *> captions[] = {{d.windowTitle(), "Save frames options"},
        {d.NumFramesCheckBox->text(), "Number of frames to be saved 51"},
        {d.FirstFrameLab->text(), "First frame"}, {d.LastFrameLab->text(), "Last frame"},
        {d.FirstFrameEdit->text(), "3"}, {d.LastFrameEdit->text(), "8"}};
    for (const auto &[shown, expected] : captions)
        QCOMPARE(shown, QString::fromLatin1(expected));
    QVERIFY(d.NumFramesCheckBox->isChecked());
    QCOMPARE(d.NumFramesUpDown->value(), 51);
    QCOMPARE(d.NumFramesUpDown->maximum(), 1001);

    // each edit is taken when it is left, here by the Tab key
    const auto leave = [&d](QLineEdit *edit, const char *text) {
        edit->setFocus();
        setEdit(edit, QString::fromLatin1(text));
        QTest::keyClick(edit, Qt::Key_Tab);
        return edit->text();
    };
    QCOMPARE(leave(d.FirstFrameEdit, "20"), QStringLiteral("3"));
    QCOMPARE(leave(d.FirstFrameEdit, "0"), QStringLiteral("1"));
    QCOMPARE(m.SaveFirstFrame, 3);
    QCOMPARE(leave(d.FirstFrameEdit, "4"), QStringLiteral("4"));
    QCOMPARE(m.SaveFirstFrame, 4);
    QCOMPARE(leave(d.LastFrameEdit, "20"), QStringLiteral("10"));
    QCOMPARE(leave(d.LastFrameEdit, "x"), QStringLiteral("8"));
    QCOMPARE(m.SaveLastFrame, 8);
    QCOMPARE(leave(d.LastFrameEdit, "9"), QStringLiteral("9"));
    QCOMPARE(m.SaveLastFrame, 9);

    d.NumFramesUpDown->stepBy(-1);
    QCOMPARE(m.SaveFrameCount, 50);
    QCOMPARE(d.NumFramesCheckBox->text(), QStringLiteral("Number of frames to be saved 50"));
    d.NumFramesCheckBox->click();
    QVERIFY(m.SaveAllFrames);
    d.NumFramesCheckBox->click();
    QVERIFY(!m.SaveAllFrames);
    d.OKBtn->click();
    QVERIFY(!d.isVisible());
}

void SaveTest::savesTheSelectedFramesOrTheTurningFrameAsAMovie()
{
    TMainForm &m = *MainForm;
    openFrames(10);
    InputDlg->Format.openByExtension = true;
    m.SaveFirstFrame = 1;
    m.SaveLastFrame = 10;
    m.SaveFrameCount = 4;
    m.SaveAllFrames = false;
    chosen = folder.filePath(QStringLiteral("run.gif"));
    m.Save1Click();
    QVERIFY(sink.messages.empty());
    QCOMPARE(decodedFrames(chosen), 4);
    QCOMPARE(status.busyTexts,
        std::vector<std::string>(
            {"I'm saving movie, please wait! 0%", "I'm saving movie, please wait! 25%",
                "I'm saving movie, please wait! 50%", "I'm saving movie, please wait! 75%"}));
    QCOMPARE(status.counterShown, 1);
    QCOMPARE(m.CurrentFrameIndex, 1);

    const ViewTransform before = m.ViewTransform;
    chosen = folder.filePath(QStringLiteral("turn.WebM"));
    saveFrame([](TSaveFrameDlg &d) {
        d.SaveAsButtons[2]->click();
        setEdit(d.NumberImagesEdit, QStringLiteral("6"));
        setEdit(d.RotationAngleEdit, QStringLiteral("360"));
    });
    QVERIFY(sink.messages.empty());
    QCOMPARE(decodedFrames(chosen), 6);
    // a whole turn brings the view back to where it was
    QVERIFY(std::abs(m.ViewTransform.axisX.x - before.axisX.x) < 1e-6);
    QVERIFY(std::abs(m.ViewTransform.axisX.z - before.axisX.z) < 1e-6);
}

void SaveTest::escapeCancelsAMovieAndKeepsTheOldFile()
{
    TMainForm &m = *MainForm;
    openFrames(60);
    InputDlg->Format.openByExtension = true;
    m.SaveFirstFrame = 1;
    m.SaveLastFrame = 60;
    m.SaveAllFrames = true;
    chosen = folder.filePath(QStringLiteral("old.mp4"));
    QFile old(chosen);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old movie") == 9);
    old.close();
    QTimer::singleShot(0, &m, [&m] { QTest::keyClick(&m, Qt::Key_Escape); });
    m.Save1Click();
    QVERIFY(sink.messages.empty());
    QCOMPARE(contents(chosen), QByteArray("old movie"));
    QVERIFY(QDir(folder.path()).entryList({".old.mp4*"}, QDir::Files | QDir::Hidden).isEmpty());
    QCOMPARE(status.counterShown, 1);
}

void SaveTest::aMovieOntoAFullDiskSaysWhyAndKeepsTheOldFile_data()
{
    // The GIF muxer holds one picture back until the next: a write that fails while it holds
    // one must not leak it (the sanitizer build fails the test on a leak).
    QTest::addColumn<QString>("name");
    QTest::newRow("MP4") << QStringLiteral("old.mp4");
    QTest::newRow("GIF") << QStringLiteral("old.gif");
}

void SaveTest::aMovieOntoAFullDiskSaysWhyAndKeepsTheOldFile()
{
    QFETCH(QString, name);
    TMainForm &m = *MainForm;
    openFrames(30);
    InputDlg->Format.openByExtension = true;
    m.SaveFirstFrame = 1;
    m.SaveLastFrame = 30;
    m.SaveAllFrames = true;
    chosen = folder.filePath(name);
    QFile old(chosen);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old movie") == 9);
    old.close();
    {
        const FileSizeLimit full(4096);
        m.Save1Click();
    }
    QCOMPARE(sink.messages.size(), std::size_t{1});
    QCOMPARE(sink.messages[0].first, std::string("SAVE ERROR"));
    QVERIFY(sink.messages[0].second.find("cannot write") != std::string::npos);
    QCOMPARE(contents(chosen), QByteArray("old movie"));
    QVERIFY(
        QDir(folder.path()).entryList({"." + name + "*"}, QDir::Files | QDir::Hidden).isEmpty());
}

QTEST_MAIN(SaveTest)
#include "tst_save.moc"
