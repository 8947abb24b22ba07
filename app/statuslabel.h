#pragma once

#include <QLabel>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

/// The frame counter of the status line: "Frame i of n", then a blank and the frame's text
/// when it has one, its line ends taken off. Numbers with more significant digits than a
/// double holds (350.00000000000006, the noise of a program that printed a sum) are shown
/// with 15 digits (350); every other character stays as the file has it. Only the start of a
/// long text is kept: a line never shows more than maxCharacters of it.
QString frameCounterText(
    int index, int count, std::optional<std::string_view> text, qsizetype maxCharacters = 2000);

/// A one-line label that shows as much of its text as fits, cut with an ellipsis, and asks
/// for no more width than a few characters, so a long text neither widens the window nor is
/// laid out whole. The text is plain, never rich text.
class StatusLabel : public QLabel
{
public:
    StatusLabel();
    /// Sets the whole text; what is shown is cut to the label's width.
    void SetWholeText(const QString &text);
    /// The whole text, as set.
    const QString &WholeText() const { return Whole; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Elide();
    QString Whole;
};
