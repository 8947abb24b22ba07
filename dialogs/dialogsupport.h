#pragma once

#include "model/atomtype.h"
#include "model/messagesink.h"

#include <QString>

#include <optional>

class QPushButton;

// Number text of the dialogs' edits: read and written with "." as the decimal point whatever
// the locale. A text that reads as no finite number never reaches a setting.

/// The number at the start of text (leading blanks skipped, the rest ignored); 0 when no
/// number starts there. Empty for "nan", "inf" and values beyond the double range.
std::optional<double> leadingNumber(const QString &text);
/// The whole number at the start of text (the rest ignored); 0 when none starts there.
int leadingWholeNumber(const QString &text);
/// The number text is when only a blank, a tab or the end follows it; 0 for a text of blanks
/// alone; empty otherwise, and for numbers that are not finite.
std::optional<double> blankEndedNumber(const QString &text);
/// value in general notation with at most digits significant digits ("%.4g" for 4).
QString generalText(double value, int digits);

/// Paints the type's ball picture on an image button: the glyph is the button's size less 6
/// pixels each way, the picture stretched over it from (1, 1). Builds the picture first when
/// the type has none, with its busy text on status.
void DrawTypeImage(QPushButton &button, AtomType &type, StatusSink *status);
