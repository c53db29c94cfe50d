#pragma once

#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/emulator/emulator_link.h"
#include "platform/qserial_link.h"
#include "seams/serial_link.h"

#include <functional>
#include <memory>

class Clock;
struct Settings;

// What the status bar says about the digitizer line.
struct LineStatus
{
    QString text;
    bool emulated = false; // the built-in emulator stands in for a device
};

// The port when a device is configured for it, else the built-in emulator of the chosen model.
// A device is configured when POINTRA_COMM<n> is set or the default device file exists;
// POINTRA_EMULATOR=0 turns the emulator off so a missing device is reported instead.
class AutoLink final : public SerialLink
{
public:
    AutoLink(const Clock &clock, std::function<DigitizerModel()> digitizer);
    // Unattended runs must not measure the emulator by mistake.
    void allowEmulator(bool allow) { m_allowEmulator = allow; }

    // What the last open reached: "the device ..." or "the built-in ... emulator".
    QString target() const;
    bool usingEmulator() const { return m_active == m_emuLink.get() && m_emuLink; }
    // Whether the next open will reach the built-in emulator instead of a device.
    bool willEmulate() const;
    // The device file or name of the current Comm port.
    QString deviceName() const;
    // Model, Comm port, device, line settings and who answers, for the permanent status field.
    LineStatus status(const Settings &settings) const;

    void setCommPort(int port) override;
    int commPort() const override { return m_port; }
    void setSettings(const QString &settings) override;
    QString settings() const override { return m_settings; }
    bool open() override;
    void close() override { m_active->close(); }
    bool isOpen() const override { return m_active->isOpen(); }
    QString errorText() const override { return m_active->errorText(); }
    bool deviceGone() const override { return m_active->deviceGone(); }
    void write(const QByteArray &bytes) override { m_active->write(bytes); }
    QByteArray readAll() override { return m_active->readAll(); }
    int bytesPending() override { return m_active->bytesPending(); }
    void discardPending() override { m_active->discardPending(); }

private:
    bool deviceConfigured() const;
    const Clock &m_clock;
    std::function<DigitizerModel()> m_model;
    QSerialLink m_serial;
    std::unique_ptr<DigitizerEmulator> m_emu;
    std::unique_ptr<EmulatorLink> m_emuLink;
    SerialLink *m_active = &m_serial;
    int m_port = 0;
    bool m_allowEmulator = true;
    QString m_settings = QStringLiteral("19200,n,8,1");
};
