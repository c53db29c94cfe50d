#include "text_out.h"

#include "data/file_error.h"
#include "data/number_text.h"

#include <cmath>

TextOut &TextOut::line(const QString &text)
{
    // A name that would break the line or not survive 8-bit text is never written.
    for (const QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            throw FileError(FileError::Kind::Refused,
                            QStringLiteral("A name holds a line break; no file was written."));
        if (c.unicode() > 0xff)
            throw FileError(FileError::Kind::Refused,
                            QStringLiteral("The character %1 cannot be written in an 8-bit text "
                                           "file; no file was written.")
                                .arg(c));
    }
    m_bytes += text.toLatin1();
    m_bytes += m_lineEnd;
    return *this;
}

TextOut &TextOut::verbatim(const QString &text)
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
