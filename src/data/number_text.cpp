#include "number_text.h"

#include "data/workspace.h"
#include "seams/dialogs.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {
bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Length of the number at the start of `t`, 0 if there is none.
qsizetype numberLength(QStringView t)
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
    if (i < n && t[i] == QLatin1Char('.')) {
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

double readNumber(QStringView text)
{
    const QStringView t = skipBlanks(text);
    const qsizetype len = numberLength(t);
    if (len == 0)
        return 0.0;
    QString s = t.left(len).toString();
    s.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    bool ok = false;
    const double v = s.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return 0.0;
    return v;
}

bool looksNumeric(QStringView text) { return numberLength(skipBlanks(text)) > 0; }

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
    std::snprintf(buf, sizeof buf, "%.15g", std::fabs(value));
    QString s = QString::fromLatin1(buf);
    s.replace(QLatin1Char('e'), QLatin1Char('E'));
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + s;
}

QString fixedDecimals(double value, int decimals)
{
    if (!std::isfinite(value))
        value = 0.0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    const std::string repr(buf);
    const auto ePos = repr.find('e');
    std::string digits = repr.substr(0, 1) + repr.substr(2, ePos - 2);
    const int exponent = std::stoi(repr.substr(ePos + 1));
    const int pointPos = exponent + 1;

    std::string intPart, fracPart;
    const int nd = static_cast<int>(digits.size());
    if (pointPos <= 0) {
        intPart = "0";
        fracPart = std::string(-pointPos, '0') + digits;
    } else if (pointPos >= nd) {
        intPart = digits + std::string(pointPos - nd, '0');
    } else {
        intPart = digits.substr(0, pointPos);
        fracPart = digits.substr(pointPos);
    }
    if (static_cast<int>(fracPart.size()) < decimals + 1)
        fracPart.append(decimals + 1 - fracPart.size(), '0');
    const bool roundUp = fracPart[decimals] >= '5';
    std::string kept = intPart + fracPart.substr(0, decimals);
    if (roundUp) {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0 && kept[i] == '9') {
            kept[i] = '0';
            --i;
        }
        if (i >= 0)
            ++kept[i];
        else
            kept.insert(kept.begin(), '1');
    }
    std::string whole = kept.substr(0, kept.size() - decimals);
    const std::string frac = kept.substr(kept.size() - decimals);
    const auto firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
    const bool isZero = kept.find_first_not_of('0') == std::string::npos;
    std::string out = (value < 0 && !isZero ? "-" : "") + whole;
    if (decimals > 0)
        out += "." + frac;
    return QString::fromStdString(out);
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
    if (settings.CoordinateSystem == QLatin1String("Curry") && text.size() < 9)
        text = text.rightJustified(9, QLatin1Char(' '));
    return text;
}
