#include "text_grammar.h"

#include "data/file_error.h"
#include "data/number_text.h"
#include "seams/dialogs.h"

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

namespace {
QString whereLine(int lineNumber)
{
    return lineNumber > 0 ? QStringLiteral("Line %1").arg(lineNumber) : QStringLiteral("A line");
}

[[noreturn]] void invalidArgument(const QString &detail)
{
    throw FileError(FileError::Kind::InvalidArgument,
                    crJoin({QStringLiteral("Invalid procedure call or argument"), detail}));
}

QString quotedStart(QStringView line)
{
    QString start = line.left(24).toString();
    start.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return QLatin1Char('"') + start +
           (line.size() > 24 ? QStringLiteral("...\"") : QStringLiteral("\""));
}
} // namespace

double numberField(QStringView field, int index, int lineNumber)
{
    if (const std::optional<double> v = readFieldNumber(field))
        return *v;
    const QString what = field.trimmed().size() > MaxNumberLength
                             ? QStringLiteral("is too long to be a number")
                             : QStringLiteral("is not a number (%1)").arg(quotedStart(field));
    throw FileError(
        FileError::Kind::Malformed,
        QStringLiteral("%1: field %2 %3.").arg(whereLine(lineNumber)).arg(index + 1).arg(what));
}

int tabFieldCount(QStringView line)
{
    return int(line.count(QLatin1Char('\t'))) + 1;
}

double tabField(QStringView line, int index, int lineNumber)
{
    qsizetype start = 0;
    for (int i = 0; i < index; ++i) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'), start);
        if (tab < 0)
            throw FileError(FileError::Kind::Malformed,
                            QStringLiteral("%1 has %2 fields where at least %3 are needed.")
                                .arg(whereLine(lineNumber))
                                .arg(i + 1)
                                .arg(index + 1));
        start = tab + 1;
    }
    qsizetype end = line.indexOf(QLatin1Char('\t'), start);
    if (end < 0)
        end = line.size();
    return numberField(line.mid(start, end - start), index, lineNumber);
}

void SplitTwoInts(QStringView line, int &a, int &b, int lineNumber)
{
    a = roundToInt(tabField(line, 0, lineNumber));
    b = roundToInt(tabField(line, 1, lineNumber));
}

void ParseThree(QStringView line, double &x, double &y, double &z, int lineNumber)
{
    x = tabField(line, 0, lineNumber);
    y = tabField(line, 1, lineNumber);
    z = tabField(line, 2, lineNumber);
}

static void requireTagF(QStringView line, int lineNumber)
{
    if (!line.startsWith(QLatin1String("%F")))
        invalidArgument(QStringLiteral("%1 should be a %F line but reads %2.")
                            .arg(whereLine(lineNumber), quotedStart(line)));
}

void ParseTagF3(QStringView line, double &x, double &y, double &z, int lineNumber)
{
    requireTagF(line, lineNumber);
    x = tabField(line, 1, lineNumber);
    y = tabField(line, 2, lineNumber);
    z = tabField(line, 3, lineNumber);
}

void ParseTagF4(QStringView line, double &a, double &b, double &c, double &d, int lineNumber)
{
    requireTagF(line, lineNumber);
    a = tabField(line, 1, lineNumber);
    b = tabField(line, 2, lineNumber);
    c = tabField(line, 3, lineNumber);
    d = tabField(line, 4, lineNumber);
}

void ParseSix(QStringView line, double v[6], int lineNumber)
{
    for (int i = 0; i < 6; ++i)
        v[i] = tabField(line, i, lineNumber);
}

void ParseTwoAndInt(QStringView line, double &a, double &b, int &n, int lineNumber)
{
    a = tabField(line, 0, lineNumber);
    b = tabField(line, 1, lineNumber);
    n = roundToInt(tabField(line, 2, lineNumber));
}

Point3 readTagF3(LineReader &in)
{
    const QString line = in.ReadDataLine();
    Point3 p;
    ParseTagF3(line, p.x(), p.y(), p.z(), in.lineNumber());
    return p;
}

QString readTagged(LineReader &in, const char *tag, const QString &what)
{
    const QString line = in.ReadDataLine();
    if (!line.startsWith(QLatin1String(tag)))
        invalidArgument(
            QStringLiteral("%1 should be the %2 line of %3 but reads %4.")
                .arg(whereLine(in.lineNumber()), QLatin1String(tag), what, quotedStart(line)));
    return line.mid(3);
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
