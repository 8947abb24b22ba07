#include "dialogs/editexit.h"

#include "model/numberparse.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QString>

#include <string>
#include <utility>

namespace {

class ExitFilter : public QObject
{
public:
    ExitFilter(QLineEdit *edit, std::function<void()> handler)
        : QObject(edit)
        , Handler(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut
            && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            Handler();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> Handler;
};

} // namespace

void onEditExit(QLineEdit *edit, std::function<void()> handler)
{
    edit->installEventFilter(new ExitFilter(edit, std::move(handler)));
}

int editInteger(const QString &text)
{
    const std::string digits = text.toStdString();
    int value = 0;
    if (!parseInt(digits.data(), digits.data() + digits.size(), value))
        return 0;
    return value;
}
