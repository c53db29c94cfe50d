#pragma once

#include "data/transform4.h"

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

// The line parsers below read every number field with readFieldNumber: a field that is missing,
// not a number or longer than MaxNumberLength makes the line malformed (FileError(Malformed)).
// `lineNumber` (1-based, 0 unknown) names the line in the message.
void SplitTwoInts(QStringView line, int &a, int &b, int lineNumber = 0);
void ParseThree(QStringView line, double &x, double &y, double &z, int lineNumber = 0);
// Raises FileError(InvalidArgument) when the line is not a "%F" line.
void ParseTagF3(QStringView line, double &x, double &y, double &z, int lineNumber = 0);
void ParseTagF4(QStringView line, double &a, double &b, double &c, double &d, int lineNumber = 0);
void ParseSix(QStringView line, double v[6], int lineNumber = 0);
void ParseTwoAndInt(QStringView line, double &a, double &b, int &n, int lineNumber = 0);

// First character reads as 3 and third as 2 ("3\t2" and "3\t200" pass).
bool isValidTypeLine(QStringView line);
// Reads the type line and the revision line; raises FileError(WrongType) on a bad type line.
int readTypeAndRevision(LineReader &reader);

// Number `index` (0-based) of a TAB-separated line.
double tabField(QStringView line, int index, int lineNumber = 0);
// The number of one field; `index` 0-based, for the message.
double numberField(QStringView field, int index, int lineNumber);
// How many TAB-separated fields the line has.
int tabFieldCount(QStringView line);

// The next data line read as a "%F" line of three numbers.
Point3 readTagF3(LineReader &in);
// The next data line, which must start with `tag` ("%S", "%N"); its text from the fourth
// character on. Another line raises FileError(InvalidArgument) saying what was expected.
QString readTagged(LineReader &in, const char *tag, const QString &what);
