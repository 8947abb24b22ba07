#pragma once

#include "model/atomtype.h"
#include "model/messagesink.h"

#include <QRect>
#include <QString>

#include <functional>
#include <initializer_list>
#include <optional>

class MainFormLink;
class QButtonGroup;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
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

// Number text of the dialogs' edits: read and written with "." as the decimal point whatever
// the locale. A text that reads as no finite number never reaches a setting.

/// The number at the start of text (leading blanks skipped, the rest ignored); 0 when no
/// number starts there. Empty for "nan", "inf" and values beyond the double range.
std::optional<double> leadingNumber(const QString &text);
/// The number text is when only a blank, a tab or the end follows it; 0 for a text of blanks
/// alone; empty otherwise, and for numbers that are not finite.
std::optional<double> blankEndedNumber(const QString &text);
/// value in general notation with at most digits significant digits ("%.4g" for 4).
QString generalText(double value, int digits);

/// Limits typing into edit to length characters, while text the program puts there (a number
/// written whole, a name read from a file) is shown uncut. The user may shorten such a longer
/// text but never make it longer than length or than it already is.
void limitTyping(QLineEdit &edit, int length);

/// Whether the user typed into the edit since its text was last set or taken; takes it. An
/// edit merely passed through keeps the value it shows only rounded.
bool takeTypedText(QLineEdit &edit);
/// The radius typed into edit when it is a new one of 0.01 to 100 Angstrom. Other text puts
/// current back (with digits significant digits); untouched text and the same radius give
/// nothing.
std::optional<double> typedRadius(QLineEdit &edit, double current, int digits);
/// Runs the colour dialog preset with the type's colour. On OK a new colour is stored, the
/// type's pictures are rebuilt and shown on button; returns whether OK was chosen.
bool pickTypeColor(MainFormLink &main, QPushButton &button, AtomType &type);

/// Paints the type's ball picture on an image button: the glyph is the button's size less 6
/// pixels each way, the picture stretched over it from (1, 1). Builds the picture first when
/// the type has none, with its busy text on status.
void DrawTypeImage(QPushButton &button, AtomType &type, StatusSink *status);

/// Takes the focus from the dialog's controls, so an edit is left while the dialog is still
/// whole, and cuts every connection from them to the dialog. Called first in its destructor:
/// otherwise the controls report leaving and changes while they are destroyed, when the
/// dialog's own part is already gone.
void detachControls(QWidget &dialog);

/// The width control needs to show its caption uncut in the current font and style: its size
/// hint, or for a push button its text and icon within the style's margins (a push button's
/// hint has a minimum width of its own).
int captionWidth(const QWidget &control);
/// Widens control to captionWidth when its caption does not fit, keeping its left edge;
/// returns the right end of the control (its x plus its width).
int widenToCaption(QWidget &control);

// Controls placed at fixed positions, named as the tests find them.
QFrame *addBevel(QWidget *parent, const char *name, QRect where);
QLabel *addLabel(QWidget *parent, const char *name, const QString &text, QRect where);
/// An edit whose typing is limited to typedLength characters (limitTyping).
QLineEdit *addEdit(QWidget *parent, const char *name, int typedLength, QRect where);
QPushButton *addButton(QWidget *parent, const char *name, const QString &text, QRect where);
QListWidget *addListBox(QWidget *parent, const char *name, QRect where);
