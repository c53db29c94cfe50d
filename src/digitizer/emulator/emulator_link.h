#pragma once

#include "digitizer/emulator/digitizer_emulator.h"
#include "seams/serial_link.h"

class Clock;

// The line to the built-in emulator on the program's clock: no port, same bytes.
class EmulatorLink final : public SoftSerialLink
{
public:
    EmulatorLink(DigitizerEmulator &emulator, const Clock &clock) : m_emu(emulator), m_clock(clock)
    {}

    bool open() override;
    QString errorText() const override { return m_error; }
    bool deviceGone() const override { return m_unplugged && m_open; }
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    int bytesPending() override;
    void discardPending() override;

    // Pulls the cable: opens fail and an open line reports the device gone.
    void unplug(bool gone) { m_unplugged = gone; }
    QByteArray hostBytes() const { return m_hostBytes; }
    void clearHostBytes() { m_hostBytes.clear(); }

private:
    bool ratesMatch() const;
    void pull();
    DigitizerEmulator &m_emu;
    const Clock &m_clock;
    bool m_unplugged = false;
    QString m_error;
    QByteArray m_in;
    QByteArray m_hostBytes;
};
