#include "app/statuslabel.h"

#include <QFontMetrics>
#include <QRegularExpression>

#include <algorithm>

namespace {

// A double tells 15 significant digits apart for certain; digits past them are the noise of
// a binary sum, not something the file's writer meant.
constexpr int MeantDigits = 15;

int significantDigits(QStringView number)
{
    int digits = 0;
    bool leading = true;
    for (const QChar c : number) {
        if (c == QLatin1Char('e') || c == QLatin1Char('E'))
            break;
        if (!c.isDigit())
            continue;
        if (leading && c == QLatin1Char('0'))
            continue;
        leading = false;
        ++digits;
    }
    return digits;
}

QString tidyNumbers(const QString &text)
{
    // a decimal fraction or an exponent, not inside a word or a longer number
    static const QRegularExpression number(QStringLiteral(
        R"((?<![\w.])[-+]?(?:\d+\.\d*|\.\d+|\d+(?=[eE]))(?:[eE][-+]?\d+)?(?![\w.]))"));
    QString tidy;
    qsizetype from = 0;
    QRegularExpressionMatchIterator matches = number.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const QString found = match.captured();
        if (significantDigits(found) <= MeantDigits)
            continue;
        bool ok = false;
        const double value = found.toDouble(&ok);
        if (!ok)
            continue;
        tidy += QStringView(text).mid(from, match.capturedStart() - from);
        // QString::number writes "." whatever the locale
        tidy += QString::number(value, 'g', MeantDigits);
        from = match.capturedEnd();
    }
    tidy += QStringView(text).mid(from);
    return tidy;
}

} // namespace

QString frameCounterText(
    int index, int count, std::optional<std::string_view> text, qsizetype maxCharacters)
{
    QString line = QStringLiteral("Frame %1 of %2").arg(index).arg(count);
    if (!text)
        return line;
    std::string_view rest = *text;
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r'))
        rest.remove_suffix(1);
    // Only the start of the text is converted: a comment line of megabytes costs no more than
    // what fits. A cut never splits a character of UTF-8 (no more than 4 bytes each).
    const auto keep = static_cast<std::size_t>(std::max<qsizetype>(0, maxCharacters)) * 4;
    if (rest.size() > keep) {
        rest = rest.substr(0, keep);
        while (!rest.empty() && (static_cast<unsigned char>(rest.back()) & 0xC0) == 0x80)
            rest.remove_suffix(1);
        if (!rest.empty() && static_cast<unsigned char>(rest.back()) >= 0xC0)
            rest.remove_suffix(1);
    }
    QString words = QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size()));
    words.truncate(maxCharacters);
    // a line end inside the text would start a second line in a one-line bar
    for (QChar &c : words)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return line + QLatin1Char(' ') + tidyNumbers(words);
}

StatusLabel::StatusLabel()
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void StatusLabel::SetWholeText(const QString &text)
{
    Whole = text;
    Elide();
}

QSize StatusLabel::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * 4, QLabel::minimumSizeHint().height()};
}

QSize StatusLabel::sizeHint() const
{
    return minimumSizeHint();
}

void StatusLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    Elide();
}

void StatusLabel::Elide()
{
    const int room = contentsRect().width() - 2 * margin() - 2 * std::max(0, indent());
    setText(fontMetrics().elidedText(Whole, Qt::ElideRight, std::max(0, room)));
}
