#include "app/busyinput.h"
#include "app/mainwindow.h"
#include "app/viewwidget.h"
#include "dialogs/saveframedlg.h"
#include "model/safefile.h"
#include "model/trajectorywriter.h"
#include "render/imagefile.h"
#include "render/moviewriter.h"
#include "render/rotatedseries.h"

#include <QFile>
#include <QFileDialog>

#include <vector>

namespace {

const QString SavingFramesText = QStringLiteral("I'm saving frames, please wait!");
const QString SavingImagesText = QStringLiteral("I'm saving images, please wait!");

const QString TextFilter = QStringLiteral("XYZ files (*.xyz)");
const QString PictureFilters[] = {QStringLiteral("BMP files (*.bmp)"),
    QStringLiteral("JPG files (*.jpg *.jpeg)"), QStringLiteral("PNG files (*.png)")};
const QString MovieFilters[] = {QStringLiteral("MP4 movies (*.mp4)"),
    QStringLiteral("WebM movies (*.webm)"), QStringLiteral("GIF movies (*.gif)")};
const QString AllFilesFilter = QStringLiteral("All files (*)");

// Calls visit for each frame whose number (from 1, in list order) is in selected, which rises;
// stops when visit returns false, or at a frame of a file read on demand that cannot be read,
// and returns whether every call went through. Only the frames selected are read.
bool forEachSelected(
    FrameList &frames, const std::vector<int> &selected, const std::function<bool(Frame &)> &visit)
{
    for (const int number : selected) {
        if (number < 1 || number > frames.count())
            break;
        Frame &frame = frames.frameAt(number);
        if (&frame == &frames.head() || !visit(frame))
            return false;
    }
    return true;
}

std::string fileSystemName(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// A file rewritten in place whose old bytes could not be put back after a failed write.
QString IncompleteText(const QString &path)
{
    return QStringLiteral("Disk full? %1 is incomplete: its old contents could not be put back")
        .arg(path);
}

} // namespace

QString TMainForm::RunSaveDialog(const QString &title, const QStringList &filters)
{
    if (!SaveDialog1) {
        SaveDialog1 = new QFileDialog(this);
        SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
        SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
        SaveDialog1->setFileMode(QFileDialog::AnyFile);
        SaveDialog1->setDefaultSuffix(QStringLiteral("bmp"));
        SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite, false);
    }
    SaveDialog1->setWindowTitle(title);
    SaveDialog1->setNameFilters(filters);
    if (ExecuteSaveDialog)
        return ExecuteSaveDialog();
    if (SaveDialog1->exec() != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty())
        return QString();
    return SaveDialog1->selectedFiles().constFirst();
}

void TMainForm::SaveText(const QString &path, const QString &caption, const QString &busyText,
    const std::function<bool(std::FILE *)> &write)
{
    SaveFileName = path;
    bool busy = false;
    const SafeWriteResult result = writeFileSafely(fileSystemName(path), [&](std::FILE *file) {
        if (!busyText.isEmpty()) {
            StatusLine->showBusy(busyText.toStdString());
            busy = true;
        }
        return write(file);
    });
    // A failed write never reaches the file chosen: what it held before stays (or is put
    // back), and the half-written copy beside it is gone.
    if (result == SafeWriteResult::WriteFailed)
        ShowMessage(caption, QStringLiteral("Disk full?"));
    else if (result == SafeWriteResult::LeftIncomplete)
        ShowMessage(caption, IncompleteText(path));
    else if (result != SafeWriteResult::Written)
        ShowMessage(QString(), QStringLiteral("Can't save XYZ file %1").arg(path));
    if (busy)
        StatusLine->showCounter();
}

bool TMainForm::SaveViewBitmap(const std::string &name, const QString &caption)
{
    // SaveImage leaves the result alone for an extension it refuses, after saying so itself
    SafeWriteResult result = SafeWriteResult::Written;
    if (SaveImage(ViewBitmap, name, *Messages, &result) || result == SafeWriteResult::Written)
        return true;
    if (result == SafeWriteResult::WriteFailed)
        ShowMessage(caption, QStringLiteral("Disk full?"));
    else if (result == SafeWriteResult::LeftIncomplete)
        ShowMessage(caption, IncompleteText(QFile::decodeName(name.c_str())));
    else
        ShowMessage(QString(),
            QStringLiteral("Can't save image file %1").arg(QFile::decodeName(name.c_str())));
    return false;
}

void TMainForm::Save1Click()
{
    if (FrameCount == 0) {
        ShowMessage(QStringLiteral("SAVE FRAME ERROR"), QStringLiteral("No frames to save!"));
        return;
    }
    const QString path = RunSaveDialog(QStringLiteral("Save frames"),
        {QStringLiteral("XYZ file (*.xyz)"), PictureFilters[0], PictureFilters[1],
            PictureFilters[2], MovieFilters[0], MovieFilters[1], MovieFilters[2], AllFilesFilter});
    if (path.isEmpty())
        return;
    const std::string name = fileSystemName(path);
    // Only opening by extension lets the name ask for pictures; otherwise any name, run.jpg
    // included, gets the frames as text.
    const bool pictures = Format().openByExtension && pictureFormatOf(name) != PictureFormat::None;
    const bool movie = Format().openByExtension && movieFormatOf(name) != MovieFormat::None;
    const std::vector<int> selected =
        selectFramesToSave(SaveFirstFrame, SaveLastFrame, SaveFrameCount, SaveAllFrames);
    if (selected.empty()) {
        ShowMessage(
            QStringLiteral("SAVE FRAMES ERROR"), QStringLiteral("Invalid options for saving"));
        return;
    }
    const QString caption = QStringLiteral("SAVE ERROR");

    if (movie) {
        // frames are taken by number as they are filmed: a file read on demand keeps a few
        std::vector<int> chosen;
        for (const int number : selected)
            if (number >= 1 && number <= FrameCount)
                chosen.push_back(number);
        SaveMovie(name, static_cast<int>(chosen.size()), caption,
            [&](int k) { Redraw(&Frames.frameAt(chosen[static_cast<std::size_t>(k)]), false); });
        TellUnreadFrame();
        // The bitmap holds the last frame filmed: the next paint composes the current one.
        BitmapFresh = false;
        View->update();
        return;
    }
    if (!pictures) {
        // likewise only then does ".extxyz" ask for extended XYZ
        const WriteLayout layout = Format().openByExtension
            ? writeLayoutForExtension(fileExtension(name))
            : WriteLayout::Common;
        SaveText(path, caption, SavingFramesText, [&](std::FILE *file) {
            return forEachSelected(Frames, selected,
                [file, layout](Frame &frame) { return writeFrame(frame, file, layout) == 0; });
        });
        TellUnreadFrame();
        return;
    }
    StatusLine->showBusy(SavingImagesText.toStdString());
    const int digits = decimalDigits(static_cast<long long>(selected.size()));
    long long k = 0;
    // Esc stops the series after the picture being made; what was written stays.
    BusyInput input(*this);
    forEachSelected(Frames, selected, [&](Frame &frame) {
        Redraw(&frame, false);
        return SaveViewBitmap(seriesFileName(name, k++, digits), caption) && !input.StopAsked();
    });
    TellUnreadFrame();
    // The bitmap holds the last saved frame: the next paint composes the current one again.
    BitmapFresh = false;
    View->update();
    StatusLine->showCounter();
}

void TMainForm::SaveFrame1Click()
{
    if (FrameCount == 0) {
        ShowMessage(QStringLiteral("SAVE FRAME ERROR"), QStringLiteral("No frame to save!"));
        return;
    }
    if (!SaveFrameDlg)
        return;
    SaveFrameDlg->exec();
    const SaveFrameOptions &options = SaveFrameDlg->Options;
    if (!options.accepted)
        return;
    const QString caption = QStringLiteral("SAVE FRAME ERROR");

    if (options.saveAs == 0) {
        const QString path =
            RunSaveDialog(QStringLiteral("Save frame as text"), {TextFilter, AllFilesFilter});
        if (path.isEmpty())
            return;
        SaveText(path, caption, QString(),
            [this](std::FILE *file) { return writeFrame(*CurrentFrame, file) == 0; });
        return;
    }
    QStringList filters{PictureFilters[0], PictureFilters[1], PictureFilters[2]};
    if (options.saveAs == 2)
        filters << MovieFilters[0] << MovieFilters[1] << MovieFilters[2];
    filters << AllFilesFilter;
    const QString path =
        RunSaveDialog(options.saveAs == 1 ? QStringLiteral("Save frame as image")
                                          : QStringLiteral("Save frame as rotated images"),
            filters);
    if (path.isEmpty())
        return;
    // the picture saved is the frame's whole one, its cloud included
    if (!WaitForCloudPass(true))
        return;
    const std::string name = fileSystemName(path);
    if (options.saveAs == 1) {
        SaveViewBitmap(name, caption);
        return;
    }
    const bool vertical = options.rotationDirection == 1;
    if (movieFormatOf(name) != MovieFormat::None) {
        // frame k shows the view turned by k steps; after a whole movie the view has turned
        // by the whole angle, as after the series of pictures
        const double step = rotationStep(options.rotationAngle, options.imageCount);
        const auto turnAndRedraw = [&] {
            turnSeriesStep(ViewTransform, step, vertical);
            Redraw(nullptr, true);
        };
        const bool written = SaveMovie(name, options.imageCount, caption, [&](int k) {
            if (k == 0)
                Redraw(nullptr, false);
            else
                turnAndRedraw();
        });
        if (written)
            turnAndRedraw();
        return;
    }
    // Every picture of the series has the one extension: refused once, before anything turns.
    if (pictureFormatOf(name) == PictureFormat::None) {
        ShowMessage(QStringLiteral("SAVE IMAGE ERROR"), QStringLiteral("Unsupported image format"));
        return;
    }
    StatusLine->showBusy(SavingImagesText.toStdString());
    BusyInput input(*this);
    saveRotatedSeries(
        name, options.imageCount, options.rotationAngle, vertical, ViewTransform,
        [&](const std::string &file) {
            return SaveViewBitmap(file, caption) && !input.StopAsked();
        },
        [this] { Redraw(nullptr, true); });
    StatusLine->showCounter();
}
