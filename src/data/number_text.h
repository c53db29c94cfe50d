#pragma once

#include <QString>
#include <QStringView>
#include <optional>

class Dialogs;
struct Settings;

// The longest number text a file field may hold; writers never write a longer one.
constexpr int MaxNumberLength = 64;

// Reads a decimal number the way every file, record and input box is read: "." or "," as the
// decimal point whatever the setting, an exponent if any, leading blanks skipped, stops at the
// first character that cannot continue it, 0 if none (or longer than MaxNumberLength).
double readNumber(QStringView text);
// Rounds to the nearest integer, halves to the even neighbour.
int roundToInt(double value);
// The number when `text` is one number and blanks around it, nothing else ("." only).
std::optional<double> readWholeNumber(QStringView text);
// The same for a number field of a file, which may also carry a decimal comma; files read
// every number with it, so a field that is not a number is never a silent zero.
std::optional<double> readFieldNumber(QStringView text);
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
