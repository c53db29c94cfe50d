#include "number_text.h"

#include "data/workspace.h"
#include "seams/dialogs.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace {
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Length of the number at the start of `t`, 0 if there is none.
qsizetype numberLength(QStringView t, bool decimalComma = true)
{
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(t[i])) {
        ++i;
        ++digits;
    }
    // A decimal comma reads as a decimal point: number fields are never separated by commas.
    if (i < n && (t[i] == QLatin1Char('.') || (decimalComma && t[i] == QLatin1Char(',')))) {
        ++i;
        while (i < n && isDigit(t[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < n && QStringLiteral("eEdD").contains(t[i])) {
        qsizetype j = i + 1;
        if (j < n && (t[j] == QLatin1Char('+') || t[j] == QLatin1Char('-')))
            ++j;
        qsizetype expDigits = 0;
        while (j < n && isDigit(t[j])) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            i = j;
    }
    return i;
}

QStringView skipBlanks(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}
} // namespace

namespace {
// Converts the first `len` characters of `t`; false when the value is not a finite double.
bool convert(QStringView t, qsizetype len, double &v)
{
    // Locale-independent: the period is the decimal point whatever the system says.
    char buf[MaxNumberLength];
    if (len > MaxNumberLength)
        return false;
    const qsizetype n = len;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = static_cast<char>(t[i].unicode());
        buf[i] = (c == 'd' || c == 'D') ? 'e' : c == ',' ? '.' : c;
    }
    const char *first = buf[0] == '+' ? buf + 1 : buf;
    v = 0.0;
    const auto [end, ec] = std::from_chars(first, buf + n, v);
    return ec == std::errc() && end != first && std::isfinite(v);
}
} // namespace

double readNumber(QStringView text)
{
    const QStringView t = skipBlanks(text);
    const qsizetype len = numberLength(t);
    double v = 0.0;
    if (len == 0 || !convert(t, len, v))
        return 0.0;
    return v;
}

namespace {
std::optional<double> wholeNumber(QStringView text, bool decimalComma)
{
    const QStringView t = skipBlanks(text);
    const qsizetype len = numberLength(t, decimalComma);
    if (len == 0)
        return std::nullopt;
    for (qsizetype i = len; i < t.size(); ++i)
        if (t[i] != QLatin1Char(' '))
            return std::nullopt;
    double v = 0.0;
    if (!convert(t, len, v))
        return std::nullopt;
    return v;
}
} // namespace

std::optional<double> readWholeNumber(QStringView text)
{
    return wholeNumber(text, false);
}

std::optional<double> readFieldNumber(QStringView text)
{
    return wholeNumber(text, true);
}

bool looksNumeric(QStringView text)
{
    return numberLength(skipBlanks(text)) > 0;
}

int roundToInt(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double r = std::nearbyint(value);
    if (r > 2147483647.0 || r < -2147483648.0)
        return 0;
    return static_cast<int>(r);
}

QString Str(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral(" 0");
    if (value == 0.0)
        return QStringLiteral(" 0");
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::general, 15);
    QString s = QString::fromLatin1(buf, res.ptr - buf);
    // to_chars writes exponents as e+20 / e-05, as the sign-position form does in capitals.
    s.replace(QLatin1Char('e'), QLatin1Char('E'));
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + s;
}

QString fixedDecimals(double value, int decimals)
{
    if (!std::isfinite(value))
        value = 0.0;
    // Round the 15-significant-digit decimal form, so halves are decimal halves.
    char sci[32];
    const auto res =
        std::to_chars(sci, sci + sizeof sci, std::fabs(value), std::chars_format::scientific, 14);
    const char *e = std::find(sci, res.ptr, 'e');
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+'), res.ptr, exponent);
    char digits[15];
    digits[0] = sci[0];
    std::copy(sci + 2, sci + 16, digits + 1);

    // The number as intDigits.fracDigits with at least decimals + 1 fraction digits.
    constexpr int Max = 400;
    char whole[Max];
    int len = 0;
    const int pointPos = exponent + 1; // digits before the decimal point
    const int intCount = std::max(pointPos, 1);
    const int total = intCount + decimals + 1;
    if (total > Max)
        return QString::number(value, 'f', decimals);
    for (int k = 0; k < total; ++k) {
        const int d = k - (intCount - pointPos); // index into digits
        whole[len++] = (d >= 0 && d < 15) ? digits[d] : '0';
    }
    const bool roundUp = whole[total - 1] >= '5';
    len = total - 1;
    if (roundUp) {
        int k = len - 1;
        while (k >= 0 && whole[k] == '9')
            whole[k--] = '0';
        if (k >= 0) {
            ++whole[k];
        } else {
            std::memmove(whole + 1, whole, len);
            whole[0] = '1';
            ++len;
        }
    }
    const int intLen = len - decimals;
    int start = 0;
    while (start < intLen - 1 && whole[start] == '0')
        ++start;
    const bool isZero = std::all_of(whole, whole + len, [](char c) { return c == '0'; });
    char out[Max + 3];
    int n = 0;
    if (value < 0 && !isZero)
        out[n++] = '-';
    for (int k = start; k < intLen; ++k)
        out[n++] = whole[k];
    if (decimals > 0) {
        out[n++] = '.';
        for (int k = intLen; k < len; ++k)
            out[n++] = whole[k];
    }
    return QString::fromLatin1(out, n);
}

QString myFormat(double value, const QString &pattern, const Settings &settings, Dialogs *dialogs)
{
    QString text;
    if (pattern == QLatin1String("#0.###0"))
        text = fixedDecimals(value, 4);
    else if (pattern == QLatin1String("#0.00") || pattern == QLatin1String("#0.#0"))
        text = fixedDecimals(value, 2);
    else
        text = fixedDecimals(value, 0);

    qsizetype sep = text.indexOf(QLatin1Char('.'));
    if (sep < 0)
        sep = text.indexOf(QLatin1Char(','));
    if (sep >= 0) {
        if (settings.DecimalPoint == QLatin1String("Period"))
            text[sep] = QLatin1Char('.');
        else if (settings.DecimalPoint == QLatin1String("Comma"))
            text[sep] = QLatin1Char(',');
    } else if (dialogs) {
        dialogs->show(QStringLiteral("myFormat(): something is wrong with periods and commas"));
    }
    return text;
}

QString curryPadded(const QString &text, const Settings &settings)
{
    if (settings.CoordinateSystem == QLatin1String("Curry") && text.size() < 9)
        return text.rightJustified(9, QLatin1Char(' '));
    return text;
}
