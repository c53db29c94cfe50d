#pragma once

#include <QString>
#include <QStringView>
#include <optional>

class Dialogs;
struct Settings;

// Reads a decimal number the way every file, record and input box is read: "." always,
// leading blanks skipped, stops at the first character that cannot continue it, 0 if none.
double readNumber(QStringView text);
// Rounds to the nearest integer, halves to the even neighbour.
int roundToInt(double value);
// The number when `text` is one number and blanks around it, nothing else.
std::optional<double> readWholeNumber(QStringView text);
// True when `text` starts (after blanks) with something readNumber takes as a number.
bool looksNumeric(QStringView text);

// The sign-position number text: " 2", "-.5", " .5"; at most 15 significant digits.
QString Str(double value);

// |value| with `decimals` places, halves away from zero, no minus sign on a zero result.
QString fixedDecimals(double value, int decimals);

// Formats a real for a file or listing with "#0.###0", "#0.00" or "#0.#0", then applies the
// decimal point setting. An unknown pattern is reported.
QString myFormat(double value, const QString &pattern, const Settings &settings, Dialogs *dialogs);
// Curry files and listings right-align numbers in nine characters while Curry is in force.
QString curryPadded(const QString &text, const Settings &settings);
