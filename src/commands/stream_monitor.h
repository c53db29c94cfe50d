#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct Session;

// The live records of the FASTRAK continuous-output test and the ISOTRAK P-loop. Whoever shows
// it calls poll() every few tens of milliseconds (the window on a timer, a headless run between
// event-pump passes); nothing in here waits for the operator. The test ends when the stylus
// stops the stream, on stop() (Stop button, window closed) or when the device goes away, and
// its last step puts the device back in its normal output format and stations.
class StreamMonitor
{
public:
    enum class Kind { FastrakTest, IsotrakLoop };
    enum class Phase { Idle, WaitingForButton, Streaming, Finished };
    enum class Ending { None, Stylus, Stopped, DeviceGone };

    StreamMonitor(Session &session, Kind kind);
    // A monitor dropped while running is stopped, so the device is restored.
    ~StreamMonitor();
    StreamMonitor(const StreamMonitor &) = delete;
    StreamMonitor &operator=(const StreamMonitor &) = delete;

    // Sends the opening commands. False, with the operator told, when the test cannot run.
    bool start();
    // Reads what arrived and moves on.
    void poll();
    // Ends the test now and restores the device.
    void stop();

    Kind kind() const { return m_kind; }
    Phase phase() const { return m_phase; }
    bool finished() const { return m_phase == Phase::Finished; }
    Ending ending() const { return m_ending; }
    // Records shown so far.
    int records() const { return m_records; }
    // The display text of each record completed since the last call (lines joined by CR).
    QStringList takeShown();
    // What the test is doing, for the window's status line.
    QString status() const;
    // How long the stream may pause before it counts as stopped by the stylus.
    int quietMs() const { return m_quietMs; }

private:
    void finish(Ending ending);
    void consume(const QByteArray &bytes);
    void handleLine(const QByteArray &line);
    void flushRecord();
    void flushPartial();
    void drain();
    int lineMs(int characters) const;

    Session &m_s;
    Kind m_kind;
    Phase m_phase = Phase::Idle;
    Ending m_ending = Ending::None;
    QByteArray m_buffer;
    QStringList m_current; // lines of the record being assembled
    QStringList m_shown;
    int m_records = 0;
    int m_blocksPerRecord = 1;
    int m_quietMs = 500;
    bool m_sawData = false;
    qint64 m_lastData = 0;
};
