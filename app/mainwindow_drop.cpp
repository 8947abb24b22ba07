#include "app/mainwindow.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

namespace {

// The local files a drag carries, in the order the file manager gave them.
QStringList droppedFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    return files;
}

// Long enough to be read after the first frames have been drawn.
constexpr int DropNoteMilliseconds = 10000;

} // namespace

void TMainForm::SetUpDropping()
{
    // The view takes no drops of its own, so a drop anywhere on the window arrives here.
    setAcceptDrops(true);
    DropNote = new QLabel;
    DropNote->setObjectName(QStringLiteral("DropNote"));
    DropNote->hide();
    // On the right of the bar: the frame counter keeps its place, and the note outlives the
    // counter's updates while the frames play.
    statusBar()->addPermanentWidget(DropNote);
    DropNoteTimer.setSingleShot(true);
    DropNoteTimer.setInterval(DropNoteMilliseconds);
    connect(&DropNoteTimer, &QTimer::timeout, DropNote, &QLabel::hide);
}

bool TMainForm::DropsTaken() const
{
    // While long work runs (a read, a save walking the frames), or a box it raised waits, a
    // drop is refused as other input waits: opening now would free the frames under the work
    // or mix two files.
    return !Busy && !QApplication::activeModalWidget();
}

void TMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (!DropsTaken() || droppedFiles(event->mimeData()).isEmpty())
        return;
    event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent *event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (!DropsTaken() || files.isEmpty())
        return;
    event->acceptProposedAction();
    DropNote->hide();
    DropNoteTimer.stop();
    OpenTrajectory(files.front());
    if (files.size() > 1) {
        DropNote->setText(QStringLiteral("Opened the first of %1 dropped files").arg(files.size()));
        DropNote->show();
        DropNoteTimer.start();
    }
}
