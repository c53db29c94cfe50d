#include "record_stream.h"

namespace {
// Where the next record starts: "01" at the start of a line.
qsizetype nextStart(const QByteArray &buffer)
{
    const qsizetype at = buffer.indexOf("\n01");
    return at < 0 ? -1 : at + 1;
}
} // namespace

QString RecordStream::next()
{
    // Whatever precedes the first record start is the tail of a record that was cut.
    if (!m_buffer.startsWith("01")) {
        const qsizetype start = nextStart(m_buffer);
        if (start < 0)
            return {};
        QString garbled = QString::fromLatin1(m_buffer.left(start));
        m_buffer.remove(0, start);
        return garbled;
    }
    const qsizetype end = nextStart(m_buffer);
    if (end < 0)
        return {};
    const QString record = QString::fromLatin1(m_buffer.left(end));
    m_buffer.remove(0, end);
    return record;
}

QString RecordStream::rest()
{
    const QString record = QString::fromLatin1(m_buffer);
    m_buffer.clear();
    return record;
}
