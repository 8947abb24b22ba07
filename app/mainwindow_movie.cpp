#include "app/mainwindow.h"
#include "render/moviewriter.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {

const QString SavingMovieText = QStringLiteral("I'm saving movie, please wait!");

// While a movie is written the event loop turns between frames only to paint and to hear Esc:
// other input waits, and the window's timers do not step or turn what is being filmed.
class MovieSaveInput : public QObject
{
public:
    explicit MovieSaveInput(const TMainForm &window)
        : Window(window)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~MovieSaveInput() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool Cancelled = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                Cancelled = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close:
            return true;
        case QEvent::Timer:
            return watched == &Window.AnimTimer || watched == &Window.RotationTimer
                || watched == &Window.MouseTimer;
        default:
            return false;
        }
    }

private:
    const TMainForm &Window;
};

} // namespace

bool TMainForm::SaveMovie(const std::string &name, int count, const QString &caption,
    const std::function<void(int k)> &draw)
{
    MovieSaveInput input(*this);
    int shownPercent = -1;
    const MovieOutcome outcome =
        writeMovie(name, MovieFramesPerSecond, count, ViewBitmap, [&](int k) {
            const int percent = static_cast<int>(100LL * k / count);
            if (percent != shownPercent) {
                shownPercent = percent;
                StatusLine->showBusy(
                    QStringLiteral("%1 %2%").arg(SavingMovieText).arg(percent).toStdString());
            }
            QCoreApplication::processEvents();
            if (input.Cancelled)
                return false;
            draw(k);
            return true;
        });
    StatusLine->showCounter();
    // a cancelled movie needs no message: the old file is simply still there
    if (outcome.result == MovieResult::Failed)
        ShowMessage(caption, QString::fromStdString(outcome.error));
    return outcome.result == MovieResult::Written;
}
