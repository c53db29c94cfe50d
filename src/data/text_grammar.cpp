#include "text_grammar.h"

#include "data/file_error.h"
#include "data/number_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>

LineReader::LineReader(QByteArray bytes) : m_bytes(std::move(bytes)) {}

LineReader LineReader::fromDevice(QIODevice &device)
{
    if (!device.isOpen() && !device.open(QIODevice::ReadOnly))
        throw FileError(FileError::Kind::Io, device.errorString());
    QByteArray all = device.readAll();
    return LineReader(std::move(all));
}

QString LineReader::readLine()
{
    if (atEnd())
        throw FileError(FileError::Kind::PastEnd, QStringLiteral("Input past end of file"));
    const char *data = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    qsizetype end = m_pos;
    while (end < n && data[end] != '\r' && data[end] != '\n')
        ++end;
    QString line = QString::fromLatin1(data + m_pos, end - m_pos);
    m_pos = end;
    if (m_pos < n && data[m_pos] == '\r')
        ++m_pos;
    if (m_pos < n && data[m_pos] == '\n')
        ++m_pos;
    ++m_lineNumber;
    return line;
}

qint64 LineReader::linesLeftAtMost() const
{
    const qsizetype rest = m_bytes.size() - m_pos;
    if (rest <= 0)
        return 0;
    const char *begin = m_bytes.constData() + m_pos;
    qint64 breaks = std::count(begin, begin + rest, '\n') + std::count(begin, begin + rest, '\r');
    return breaks + 1;
}

QByteArray readFileBytes(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (QFileInfo(path).isDir())
        throw FileError(FileError::Kind::Io, shown + QStringLiteral(" is a folder."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(FileError::Kind::Io, QStringLiteral("Cannot open ") + shown +
                                                 QStringLiteral(": ") + file.errorString());
    return file.readAll();
}

bool isSkippedLine(QStringView line)
{
    return line.isEmpty() || line.startsWith(QLatin1String("//")) ||
           line.startsWith(QLatin1String("%O"));
}

QString LineReader::ReadDataLine()
{
    for (;;) {
        QString line = readLine();
        if (!isSkippedLine(line))
            return line;
    }
}

bool LineReader::hasDataLine()
{
    const qsizetype pos = m_pos;
    const int number = m_lineNumber;
    bool found = false;
    while (!atEnd()) {
        if (!isSkippedLine(readLine())) {
            found = true;
            break;
        }
    }
    m_pos = pos;
    m_lineNumber = number;
    return found;
}

QString GetNameTag(QStringView line)
{
    if (!line.startsWith(QLatin1String("%N")))
        return QStringLiteral("flagName");
    return line.size() > 3 ? line.mid(3).toString() : QString();
}

double tabField(QStringView line, int index)
{
    qsizetype start = 0;
    for (int i = 0; i < index; ++i) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'), start);
        if (tab < 0)
            return 0.0;
        start = tab + 1;
    }
    qsizetype end = line.indexOf(QLatin1Char('\t'), start);
    if (end < 0)
        end = line.size();
    return readNumber(line.mid(start, end - start));
}

void SplitTwoInts(QStringView line, int &a, int &b)
{
    a = roundToInt(tabField(line, 0));
    b = roundToInt(tabField(line, 1));
}

void ParseThree(QStringView line, double &x, double &y, double &z)
{
    x = tabField(line, 0);
    y = tabField(line, 1);
    z = tabField(line, 2);
}

static void requireTagF(QStringView line)
{
    if (!line.startsWith(QLatin1String("%F")))
        throw FileError(FileError::Kind::InvalidArgument,
                        QStringLiteral("Invalid procedure call or argument"));
}

void ParseTagF3(QStringView line, double &x, double &y, double &z)
{
    requireTagF(line);
    x = tabField(line, 1);
    y = tabField(line, 2);
    z = tabField(line, 3);
}

void ParseTagF4(QStringView line, double &a, double &b, double &c, double &d)
{
    requireTagF(line);
    a = tabField(line, 1);
    b = tabField(line, 2);
    c = tabField(line, 3);
    d = tabField(line, 4);
}

void ParseSix(QStringView line, double v[6])
{
    for (int i = 0; i < 6; ++i)
        v[i] = tabField(line, i);
}

void ParseTwoAndInt(QStringView line, double &a, double &b, int &n)
{
    a = tabField(line, 0);
    b = tabField(line, 1);
    n = roundToInt(tabField(line, 2));
}

bool isValidTypeLine(QStringView line)
{
    return line.size() >= 3 && readNumber(line.mid(0, 1)) == 3.0 &&
           readNumber(line.mid(2, 1)) == 2.0;
}

int readTypeAndRevision(LineReader &reader)
{
    if (reader.atEnd() || !isValidTypeLine(reader.readLine()))
        throw FileError(FileError::Kind::WrongType, QStringLiteral("wrong file type"));
    const QString revision = reader.ReadDataLine();
    return roundToInt(readNumber(QStringView(revision).left(1)));
}
