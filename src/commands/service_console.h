#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct Session;

// Diagnostics > Console: a technician types one command at a time for the digitizer in use and
// sees its answer as text and as bytes with the time each piece arrived; the transcript can be
// saved for a support request. The window polls it while an answer is being collected.
class ServiceConsole
{
public:
    // How a typed command ends on the line: Auto adds a carriage return to anything but a
    // one-letter command (^Z takes one), as the program's own commands are framed.
    enum class Ending { Auto, Cr, None };

    explicit ServiceConsole(Session &session);

    // The bytes of a typed command: "^A".."^Z" and "^[" become control characters, "\r",
    // "\n", "\xHH" and "\\" escapes are understood, everything else is sent as typed.
    static QByteArray bytesOf(const QString &typed, Ending ending);
    // A byte string made readable: control characters as ^X or <CR>, <LF>, others as <HH>.
    static QString readable(const QByteArray &bytes);
    // Commands worth trying on the model in use: the queries and its configuration sequence.
    QStringList suggestions() const;

    // Sends one command and starts collecting its answer. False, with the operator told,
    // when the port cannot be opened or the command is empty.
    bool send(const QString &typed, Ending ending = Ending::Auto);
    // Collects what arrived; the answer ends after `quietMs` without a byte or `collectMs`
    // in all, and the port is closed again.
    void poll();
    bool collecting() const { return m_collecting; }
    // Ends a collection at once (the window closes).
    void finish();

    // Everything so far: a header naming the model and line, then each exchange.
    QString transcript() const;
    // Transcript lines added since the last call.
    QStringList takeNewLines();
    // Writes the transcript through the safe save path; false (operator told) on failure.
    bool save(const QString &path);
    // Asks for a file name and saves there; false when cancelled or not written.
    bool saveAs();

    int quietMs = 300;
    int collectMs = 2000;

private:
    struct Chunk
    {
        qint64 atMs;
        QByteArray bytes;
    };
    void add(const QString &line);
    void endExchange();

    Session &m_s;
    QStringList m_lines;
    int m_taken = 0;
    bool m_collecting = false;
    qint64 m_sentAt = 0;
    qint64 m_lastByteAt = 0;
    QList<Chunk> m_chunks;
};
