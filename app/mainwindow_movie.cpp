#include "app/busyinput.h"
#include "app/mainwindow.h"
#include "render/moviewriter.h"

namespace {

const QString SavingMovieText = QStringLiteral("I'm saving movie, please wait!");

} // namespace

bool TMainForm::SaveMovie(const std::string &name, int count, const QString &caption,
    const std::function<void(int k)> &draw)
{
    // between frames the window paints and hears Esc; other input and its timers wait, so
    // nothing steps or turns what is being filmed
    BusyInput input(*this);
    int shownPercent = -1;
    const MovieOutcome outcome =
        writeMovie(name, MovieFramesPerSecond, count, ViewBitmap, [&](int k) {
            const int percent = static_cast<int>(100LL * k / count);
            if (percent != shownPercent) {
                shownPercent = percent;
                StatusLine->showBusy(
                    QStringLiteral("%1 %2%").arg(SavingMovieText).arg(percent).toStdString());
            }
            if (input.StopAsked())
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
