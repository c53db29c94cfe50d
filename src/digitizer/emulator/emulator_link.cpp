#include "emulator_link.h"

#include "seams/clock.h"

bool EmulatorLink::open()
{
    if (m_unplugged) {
        m_error = QStringLiteral("Comm port %1 (built-in %2 emulator): the device is not connected")
                      .arg(m_port)
                      .arg(traitsOf(m_emu.model()).name);
        return false;
    }
    // Whatever crossed the line while the port was closed is lost, as with a real port.
    m_emu.advanceTo(m_clock.nowMs());
    m_emu.takeDelivered();
    m_open = true;
    return true;
}

bool EmulatorLink::ratesMatch() const
{
    return m_settings.section(QLatin1Char(','), 0, 0).toInt() == m_emu.baud();
}

void EmulatorLink::pull()
{
    m_emu.advanceTo(m_clock.nowMs());
    QByteArray bytes = m_emu.takeDelivered();
    if (!m_open)
        return;
    // At the wrong rate the host sees framing garbage, one byte per character sent.
    if (!ratesMatch())
        bytes.fill('\xff');
    m_in += bytes;
}

void EmulatorLink::write(const QByteArray &bytes)
{
    if (!m_open || m_unplugged)
        return;
    m_hostBytes += bytes;
    if (ratesMatch())
        m_emu.receive(bytes, m_clock.nowMs());
}

QByteArray EmulatorLink::readAll()
{
    pull();
    QByteArray out = m_in;
    m_in.clear();
    return out;
}

int EmulatorLink::bytesPending()
{
    pull();
    return static_cast<int>(m_in.size());
}

void EmulatorLink::discardPending()
{
    pull();
    m_in.clear();
}
