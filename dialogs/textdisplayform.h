#pragma once

#include <QStringList>
#include <QWidget>

class QTextEdit;

/// The "Info" window with the help text on the mouse commands and the view's keys, the one
/// place that text is kept. The user may type into it; nothing typed is kept beyond the run.
class TTextDisplayForm : public QWidget
{
    Q_OBJECT

public:
    /// Builds the window hidden with its help text; it lives until the program ends.
    explicit TTextDisplayForm(QWidget *parent = nullptr);
    ~TTextDisplayForm() override;

    /// The help text, one entry per row.
    static QStringList helpRows();

    QTextEdit *RichEdit1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    /// The first time, widens the window to its longest line and centres it on its owner;
    /// every time, keeps it within the screen's free area.
    void placeOnScreen();

    bool Placed = false;
};

/// The program's help text window, or null before start-up and after it is destroyed.
extern TTextDisplayForm *TextDisplayForm;
