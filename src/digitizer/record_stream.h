#pragma once

#include <QByteArray>
#include <QString>

// Splits a digitizer's continuous output into records. A record starts where a line starts with
// the stylus station ("01"), so a garbled or cut record costs that record only and the next one
// is found again.
class RecordStream
{
public:
    void append(const QByteArray &bytes) { m_buffer += bytes; }
    // The next complete record (one that a later record start closes); empty when none is.
    QString next();
    // What is left once the line went quiet: the last record, possibly cut.
    QString rest();
    void clear() { m_buffer.clear(); }

private:
    QByteArray m_buffer;
};
