#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

class QIODevice;

// The lines of one 8-bit text file, split at CR LF, LF or lone CR.
class LineReader
{
public:
    explicit LineReader(QByteArray bytes);
    // Reads the whole device; an unreadable device raises FileError(Io).
    static LineReader fromDevice(QIODevice &device);

    bool atEnd() const { return m_pos >= m_bytes.size(); }
    // The next raw line; past the end raises FileError(PastEnd).
    QString readLine();
    // The next line that is not empty, a "//" comment or a "%O" option line.
    QString ReadDataLine();
    // Whether any data line is left, without consuming it.
    bool hasDataLine();
    int lineNumber() const { return m_lineNumber; }
    // An upper bound of the lines still to come, for checking announced counts cheaply.
    qint64 linesLeftAtMost() const;

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
    int m_lineNumber = 0;
};

bool isSkippedLine(QStringView line);

// The whole content of a file; a folder or an unreadable file raises FileError(Io) naming it.
QByteArray readFileBytes(const QString &path);

// Text from the fourth character of a "%N" line, or "flagName" for any other line.
QString GetNameTag(QStringView line);
void SplitTwoInts(QStringView line, int &a, int &b);
void ParseThree(QStringView line, double &x, double &y, double &z);
// Raises FileError(InvalidArgument) when the line is not a "%F" line.
void ParseTagF3(QStringView line, double &x, double &y, double &z);
void ParseTagF4(QStringView line, double &a, double &b, double &c, double &d);
void ParseSix(QStringView line, double v[6]);
void ParseTwoAndInt(QStringView line, double &a, double &b, int &n);

// First character reads as 3 and third as 2 ("3\t2" and "3\t200" pass).
bool isValidTypeLine(QStringView line);
// Reads the type line and the revision line; raises FileError(WrongType) on a bad type line.
int readTypeAndRevision(LineReader &reader);

// Number `index` (0-based) of a TAB-separated line; missing fields read as 0.
double tabField(QStringView line, int index);
