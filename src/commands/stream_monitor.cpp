#include "stream_monitor.h"

#include "data/digitizer_models.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "seams/serial_link.h"
#include "seams/session.h"

namespace {
const QByteArray CtrlD("\x04", 1);
constexpr int FieldWidth = 7;
constexpr int HeaderWidth = 3;
// Characters of a station block with position and three direction-cosine triples.
constexpr int FullBlock = 89;
// Longest wait for the rest of a record after the stream was told to stop.
constexpr int LongestDrainMs = 2000;

// The values of one station block, as the device wrote them.
QStringList fieldsOf(const QByteArray &line)
{
    QStringList values;
    for (qsizetype at = HeaderWidth; at < line.size(); at += FieldWidth)
        values << QString::fromLatin1(line.mid(at, FieldWidth)).trimmed();
    return values;
}
} // namespace

StreamMonitor::StreamMonitor(Session &session, Kind kind) : m_s(session), m_kind(kind) {}

StreamMonitor::~StreamMonitor()
{
    if (m_phase == Phase::WaitingForButton || m_phase == Phase::Streaming)
        stop();
}

int StreamMonitor::lineMs(int characters) const
{
    const int baud = m_s.link.settings().section(QLatin1Char(','), 0, 0).toInt();
    return baud > 0 ? characters * 10000 / baud : 0;
}

bool StreamMonitor::start()
{
    if (m_phase != Phase::Idle)
        return false;
    Workspace &ws = m_s.ws;
    if (m_kind == Kind::FastrakTest) {
        if (ws.ReceiverCount == -1) {
            m_s.dialogs.show(QStringLiteral("Please select number of receivers"));
            return false;
        }
        if (!DigitizerSetup::ensureOpen(m_s))
            return false;
        m_s.link.write("O1,2,5,6,7,1\r");
        for (const QByteArray &c :
             traitsOf(DigitizerModel::Fastrak).stationCommands(ws.ReceiverCount))
            m_s.link.write(c);
        m_s.link.write("c");
        m_s.clock.delayMs(100);
        m_blocksPerRecord = 1 + std::clamp(ws.ReceiverCount, 0, 3);
        m_s.dialogs.show(crJoin({QStringLiteral("To start, press button once"),
                                 QStringLiteral("To stop, press button again once")}));
        m_phase = Phase::WaitingForButton;
    } else {
        if (!DigitizerSetup::ensureOpen(m_s))
            return false;
        m_s.link.write(CtrlD);
        m_s.clock.delayMs(100);
        m_s.link.write("C");
        m_blocksPerRecord = ws.ReceiverCount == 0 ? 1 : 2;
        m_phase = Phase::Streaming;
    }
    // A pause of three records on the line (half a second at least) means the stream stopped.
    m_quietMs = std::max(500, 3 * lineMs(m_blocksPerRecord * FullBlock));
    m_lastData = m_s.clock.nowMs();
    return true;
}

void StreamMonitor::poll()
{
    if (m_phase != Phase::WaitingForButton && m_phase != Phase::Streaming)
        return;
    if (m_s.link.deviceGone()) {
        finish(Ending::DeviceGone);
        return;
    }
    const qint64 now = m_s.clock.nowMs();
    if (m_phase == Phase::WaitingForButton) {
        // The first press sends one record; it stays in the input and is shown first.
        if (m_s.link.bytesPending() > 0) {
            m_s.link.write("C");
            m_phase = Phase::Streaming;
            m_lastData = now;
        }
        return;
    }
    const QByteArray bytes = m_s.link.readAll();
    if (!bytes.isEmpty()) {
        m_sawData = true;
        m_lastData = now;
        consume(bytes);
        return;
    }
    if (m_sawData && now - m_lastData > m_quietMs)
        finish(Ending::Stylus);
}

void StreamMonitor::stop()
{
    if (m_phase == Phase::WaitingForButton || m_phase == Phase::Streaming)
        finish(Ending::Stopped);
}

void StreamMonitor::drain()
{
    const qint64 until = m_s.clock.nowMs() + LongestDrainMs;
    qint64 quietSince = m_s.clock.nowMs();
    while (m_s.clock.nowMs() < until && m_s.clock.nowMs() - quietSince < 100 &&
           !m_s.link.deviceGone()) {
        m_s.clock.delayMs(20);
        const QByteArray bytes = m_s.link.readAll();
        if (!bytes.isEmpty()) {
            consume(bytes);
            quietSince = m_s.clock.nowMs();
        }
    }
}

void StreamMonitor::finish(Ending ending)
{
    m_ending = ending;
    const bool gone = ending == Ending::DeviceGone;
    if (m_kind == Kind::FastrakTest) {
        // Stopped from the window: end the stream first so every record sent is counted.
        if (ending == Ending::Stopped && m_phase == Phase::Streaming) {
            m_s.link.write("c");
            drain();
        }
        m_s.link.write("O1,2,1\r");
        const ModelTraits &fastrak = traitsOf(DigitizerModel::Fastrak);
        for (const QByteArray &c : fastrak.stationCommands(fastrak.stations - 1))
            m_s.link.write(c);
        if (!gone)
            consume(m_s.link.readAll());
        flushPartial();
        m_phase = Phase::Finished;
        if (gone)
            m_s.dialogs.show(
                crJoin({QStringLiteral("The digitizer stopped answering."), m_s.link.errorText()}));
        m_s.dialogs.show(QStringLiteral("Digitizing Stopped - Total points %1").arg(m_records));
        m_s.link.write("c");
        m_s.clock.delayMs(100);
        m_s.link.write("e1,0\r");
        m_s.clock.delayMs(100);
        m_s.link.write("e1,1\r");
        m_s.clock.delayMs(100);
    } else {
        m_s.link.write(CtrlD);
        m_s.clock.delayMs(100);
        m_s.link.write("c");
        if (!gone)
            drain();
        flushPartial();
        m_phase = Phase::Finished;
        if (gone)
            m_s.dialogs.show(
                crJoin({QStringLiteral("The digitizer stopped answering."), m_s.link.errorText()}));
    }
    m_s.link.close();
}

void StreamMonitor::consume(const QByteArray &bytes)
{
    m_buffer += bytes;
    qsizetype end;
    while ((end = m_buffer.indexOf("\r\n")) >= 0) {
        const QByteArray line = m_buffer.left(end);
        m_buffer.remove(0, end + 2);
        handleLine(line);
    }
}

void StreamMonitor::handleLine(const QByteArray &line)
{
    if (line.isEmpty())
        return;
    const bool block =
        line.size() > HeaderWidth && line[0] == '0' && line[1] >= '1' && line[1] <= '4';
    if (!block) {
        m_current << QStringLiteral("? ") + QString::fromLatin1(line);
        return;
    }
    const int station = line[1] - '0';
    const QString values = fieldsOf(line).join(QStringLiteral("  "));
    if (station == 1) {
        flushRecord();
        m_current << QStringLiteral("Stylus: ") + values;
        ++m_records;
    } else {
        m_current << QStringLiteral("Receiver %1: ").arg(station - 1) + values;
    }
    if (m_current.size() >= m_blocksPerRecord)
        flushRecord();
}

void StreamMonitor::flushPartial()
{
    // A block cut off by the end of the line is shown as it came, not counted.
    if (!m_buffer.isEmpty())
        m_current << QStringLiteral("? ") + QString::fromLatin1(m_buffer);
    m_buffer.clear();
    flushRecord();
}

void StreamMonitor::flushRecord()
{
    if (m_current.isEmpty())
        return;
    m_shown << crJoin(m_current);
    m_current.clear();
}

QStringList StreamMonitor::takeShown()
{
    QStringList out = m_shown;
    m_shown.clear();
    return out;
}

QString StreamMonitor::status() const
{
    switch (m_phase) {
    case Phase::Idle:
        return QStringLiteral("Not started");
    case Phase::WaitingForButton:
        return QStringLiteral("Waiting for the stylus button");
    case Phase::Streaming:
        return QStringLiteral("Receiving: %1 records").arg(m_records);
    case Phase::Finished:
        break;
    }
    switch (m_ending) {
    case Ending::Stylus:
        return QStringLiteral("Stopped by the stylus: %1 records").arg(m_records);
    case Ending::Stopped:
        return QStringLiteral("Stopped: %1 records").arg(m_records);
    case Ending::DeviceGone:
        return QStringLiteral("The digitizer stopped answering: %1 records").arg(m_records);
    case Ending::None:
        break;
    }
    return QStringLiteral("Finished: %1 records").arg(m_records);
}
