#pragma once

#include <functional>

class QLineEdit;
class QString;

/// Calls handler whenever edit loses the keyboard focus (to another control, by a click
/// elsewhere, or because its window closes), as dialogs validate their edits on leaving them.
/// A context menu of the edit itself does not count as leaving it.
void onEditExit(QLineEdit *edit, std::function<void()> handler);

/// The text of an edit read as a decimal integer the way "%d" reads it: leading blanks and a
/// sign allowed, what follows the digits ignored; a text that is no number counts as 0.
int editInteger(const QString &text);
