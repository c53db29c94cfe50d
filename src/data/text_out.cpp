#include "text_out.h"

#include "data/file_error.h"
#include "data/number_text.h"

#include <cmath>

TextOut &TextOut::line(const QString &text)
{
    m_bytes += text.toLatin1();
    m_bytes += m_lineEnd;
    return *this;
}

QString TextOut::real(double value, const char *pattern) const
{
    // A value the reader would refuse or misread is never written.
    if (!std::isfinite(value))
        throw FileError(
            FileError::Kind::Refused,
            QStringLiteral("A value to be saved is not a number; no file was written."));
    const QString text = myFormat(value, QString::fromLatin1(pattern), m_settings, nullptr);
    if (text.size() > MaxNumberLength)
        throw FileError(
            FileError::Kind::Refused,
            QStringLiteral("The value %1 is too large to be saved; no file was written.")
                .arg(Str(value)));
    return text;
}

QString TextOut::reals(std::initializer_list<double> values) const
{
    QString out;
    for (double v : values) {
        if (!out.isEmpty())
            out += QLatin1Char('\t');
        out += real(v);
    }
    return out;
}
