#pragma once

#include <QString>

#include <functional>
#include <initializer_list>

class QButtonGroup;
class QDialog;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

/// Calls handler whenever edit loses the keyboard focus (to another control, by a click
/// elsewhere, or because its window closes), as dialogs validate their edits on leaving them.
/// A context menu of the edit itself does not count as leaving it.
void onEditExit(QLineEdit *edit, std::function<void()> handler);

/// The text of an edit read as a decimal integer the way "%d" reads it: leading blanks and a
/// sign allowed, what follows the digits ignored; a text that is no number counts as 0.
int editInteger(const QString &text);

/// A group box titled title, named name, holding one radio button per item, named name +
/// "Item" + its number, stacked; group numbers them from 0. buttons receives each button and
/// must have room for them all.
QGroupBox *makeRadioGroup(QWidget *parent, const QString &name, const QString &title,
    std::initializer_list<QString> items, QRadioButton **buttons, QButtonGroup *&group);

/// The "OK" (the default button, accepting the dialog) and "Cancel" (rejecting it) buttons,
/// named OKBtn and CancelBtn.
void makeOkCancel(QDialog *dialog, QPushButton *&ok, QPushButton *&cancel);
