#include "text_out.h"

#include "data/file_error.h"
#include "data/number_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

TextOut &TextOut::line(const QString &text)
{
    m_bytes += text.toLatin1();
    m_bytes += m_lineEnd;
    return *this;
}

QString TextOut::real(double value, const char *pattern) const
{
    return myFormat(value, QString::fromLatin1(pattern), m_settings, nullptr);
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

void saveText(const QString &path, const QByteArray &bytes)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (info.isDir())
        throw FileError(FileError::Kind::Io, shown + QStringLiteral(" is a folder, not a file."));
    // A file marked read-only stays untouched, whoever runs the program.
    const auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (info.exists() && !(info.permissions() & writeBits))
        throw FileError(FileError::Kind::Io,
                        shown + QStringLiteral(" is read-only; nothing was written."));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(FileError::Kind::Io, QStringLiteral("Cannot write ") + shown +
                                                 QStringLiteral(": ") + file.errorString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw FileError(FileError::Kind::Io, QStringLiteral("Cannot write ") + shown +
                                                 QStringLiteral(": ") + file.errorString());
}
