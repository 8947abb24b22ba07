#include "dialogs/dialogparts.h"

#include "model/numberparse.h"

#include <QButtonGroup>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

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

QGroupBox *makeRadioGroup(QWidget *parent, const QString &name, const QString &title,
    std::initializer_list<QString> items, QRadioButton **buttons, QButtonGroup *&group)
{
    auto *box = new QGroupBox(title, parent);
    box->setObjectName(name);
    auto *layout = new QVBoxLayout(box);
    group = new QButtonGroup(parent);
    int item = 0;
    for (const QString &caption : items) {
        buttons[item] = new QRadioButton(caption, box);
        buttons[item]->setObjectName(QStringLiteral("%1Item%2").arg(name).arg(item));
        group->addButton(buttons[item], item);
        layout->addWidget(buttons[item]);
        ++item;
    }
    return box;
}

void makeOkCancel(QDialog *dialog, QPushButton *&ok, QPushButton *&cancel)
{
    ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}
