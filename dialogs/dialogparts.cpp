#include "dialogs/dialogparts.h"

#include "dialogs/mainformlink.h"
#include "model/numberparse.h"
#include "render/pixelmath.h"
#include "render/spherepicture.h"

#include <QButtonGroup>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>
#include <cmath>
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

namespace {

// The number and where it ends, or no number (after is then the text's start).
struct ParsedNumber
{
    bool found = false;
    double value = 0.0;
    std::string::size_type after = 0;
};

ParsedNumber parseLeading(const std::string &text)
{
    ParsedNumber parsed;
    const char *begin = text.data();
    const char *after = parseReal(begin, begin + text.size(), parsed.value);
    if (after) {
        parsed.found = true;
        parsed.after = static_cast<std::string::size_type>(after - begin);
    }
    return parsed;
}

} // namespace

std::optional<double> leadingNumber(const QString &text)
{
    const ParsedNumber parsed = parseLeading(text.toStdString());
    if (!parsed.found)
        return 0.0;
    if (!std::isfinite(parsed.value))
        return std::nullopt;
    return parsed.value;
}

std::optional<double> blankEndedNumber(const QString &text)
{
    const std::string bytes = text.toStdString();
    const ParsedNumber parsed = parseLeading(bytes);
    const auto blankOrEnd = [&bytes](std::string::size_type at) {
        return at >= bytes.size() || bytes[at] == ' ' || bytes[at] == '\t';
    };
    if (!parsed.found) {
        // nothing that reads as a number: only blanks count as an empty number
        if (bytes.find_first_not_of(" \t") == std::string::npos)
            return 0.0;
        return std::nullopt;
    }
    if (!blankOrEnd(parsed.after) || !std::isfinite(parsed.value))
        return std::nullopt;
    return parsed.value;
}

QString generalText(double value, int digits)
{
    return QString::fromStdString(formatGeneral(value, digits));
}

namespace {

// A length limit on typing only. Setting the text clears the edit's undo history, while every
// change the user makes adds to it: a change with no history behind it is the program's.
class TypingLimit : public QValidator
{
public:
    TypingLimit(QLineEdit &edit, int length)
        : QValidator(&edit)
        , Edit(edit)
        , Length(length)
        , ShownLength(edit.text().size())
    {
        connect(&edit, &QLineEdit::textChanged, this,
            [this](const QString &text) { ShownLength = text.size(); });
    }

    State validate(QString &input, int &) const override
    {
        if (!Edit.isUndoAvailable() || input.size() <= std::max<qsizetype>(Length, ShownLength))
            return Acceptable;
        return Invalid;
    }

private:
    QLineEdit &Edit;
    qsizetype Length;
    qsizetype ShownLength; ///< of the text before the change being checked
};

} // namespace

void limitTyping(QLineEdit &edit, int length)
{
    edit.setValidator(new TypingLimit(edit, length));
}

bool takeTypedText(QLineEdit &edit)
{
    if (!edit.isModified())
        return false;
    edit.setModified(false);
    return true;
}

std::optional<double> typedRadius(QLineEdit &edit, double current, int digits)
{
    if (!takeTypedText(edit))
        return std::nullopt;
    const std::optional<double> radius = leadingNumber(edit.text());
    if (!radius || *radius < 0.01 || *radius > 100.0) {
        edit.setText(generalText(current, digits));
        return std::nullopt;
    }
    if (*radius == current)
        return std::nullopt;
    return radius;
}

bool pickTypeColor(MainFormLink &main, QPushButton &button, AtomType &type)
{
    const std::optional<std::uint32_t> chosen = main.PickColor(type.color);
    if (!chosen)
        return false;
    if (*chosen != type.color) {
        type.color = *chosen;
        renderSphereImages(type, main.BusyLine());
        DrawTypeImage(button, type, main.BusyLine());
    }
    return true;
}

void detachControls(QWidget &dialog)
{
    if (QWidget *focused = dialog.focusWidget())
        focused->clearFocus();
    for (QObject *control : dialog.findChildren<QObject *>())
        control->disconnect(&dialog);
}

int captionWidth(const QWidget &control)
{
    if (const auto *button = qobject_cast<const QPushButton *>(&control)) {
        const QStyle *style = button->style();
        int width = button->fontMetrics().horizontalAdvance(button->text())
            + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
            + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        if (!button->icon().isNull())
            width += button->iconSize().width() + 4;
        return width;
    }
    return std::max(control.sizeHint().width(), control.minimumSizeHint().width());
}

int widenToCaption(QWidget &control)
{
    const int needed = captionWidth(control);
    if (needed > control.width())
        control.resize(needed, control.height());
    return control.x() + control.width();
}

QFrame *addBevel(QWidget *parent, const char *name, QRect where)
{
    auto *bevel = new QFrame(parent);
    bevel->setObjectName(QString::fromLatin1(name));
    bevel->setFrameShape(QFrame::Box);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(where);
    return bevel;
}

QLabel *addLabel(QWidget *parent, const char *name, const QString &text, QRect where)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(where);
    return label;
}

QLineEdit *addEdit(QWidget *parent, const char *name, int typedLength, QRect where)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    limitTyping(*edit, typedLength);
    edit->setGeometry(where);
    return edit;
}

QPushButton *addButton(QWidget *parent, const char *name, const QString &text, QRect where)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(where);
    return button;
}

QListWidget *addListBox(QWidget *parent, const char *name, QRect where)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(where);
    return list;
}

void DrawTypeImage(QPushButton &button, AtomType &type, StatusSink *status)
{
    const int right = button.width() - 6;
    const int bottom = button.height() - 6;
    if (right <= 1 || bottom <= 1)
        return;
    QImage glyph(right, bottom, QImage::Format_RGB32);
    glyph.fill(Qt::black);
    if (!type.sphereImage || !type.sphereMask)
        renderSphereImages(type, status);
    const QImage picture(reinterpret_cast<const uchar *>(type.sphereImage->pixels.data()),
        SpherePicture::Side, SpherePicture::Side, SpherePicture::Side * 4, QImage::Format_RGB32);
    QPainter painter(&glyph);
    painter.drawImage(QRect(1, 1, right - 1, bottom - 1), picture);
    painter.end();
    button.setIconSize(glyph.size());
    button.setIcon(QPixmap::fromImage(glyph));
}
