#include "auto_link.h"

#include "data/workspace.h"
#include "seams/clock.h"

#include <QDir>
#include <QFileInfo>

AutoLink::AutoLink(const Clock &clock, std::function<DigitizerModel()> digitizer)
    : m_clock(clock), m_model(std::move(digitizer))
{}

bool AutoLink::deviceConfigured() const
{
    if (qEnvironmentVariable("POINTRA_EMULATOR") == QLatin1String("0"))
        return true;
    if (qEnvironmentVariableIsSet(qPrintable(QStringLiteral("POINTRA_COMM%1").arg(m_port))))
        return true;
    return QFileInfo::exists(QSerialLink::deviceForPort(m_port));
}

void AutoLink::setCommPort(int port)
{
    if (m_active->isOpen())
        return;
    m_port = port;
    m_serial.setCommPort(port);
    if (m_emuLink)
        m_emuLink->setCommPort(port);
}

void AutoLink::setSettings(const QString &settings)
{
    if (m_active->isOpen())
        return;
    m_settings = settings;
    m_serial.setSettings(settings);
    if (m_emuLink)
        m_emuLink->setSettings(settings);
}

bool AutoLink::open()
{
    if (m_active->isOpen())
        return true;
    const DigitizerModel model = m_model();
    if (!m_allowEmulator || deviceConfigured() || !isDevice(model)) {
        m_active = &m_serial;
        return m_serial.open();
    }
    if (!m_emu || m_emu->model() != model) {
        m_emuLink.reset();
        m_emu = std::make_unique<DigitizerEmulator>(DigitizerEmulator::Options{model, 1, 0.08, 1});
        m_emu->advanceTo(m_clock.nowMs());
        m_emuLink = std::make_unique<EmulatorLink>(*m_emu, m_clock);
    }
    // The emulated device keeps its own rate; the line follows the program's settings.
    m_emuLink->setCommPort(m_port);
    m_emuLink->setSettings(m_settings);
    m_active = m_emuLink.get();
    return m_emuLink->open();
}

bool AutoLink::willEmulate() const
{
    return m_allowEmulator && !deviceConfigured() && isDevice(m_model());
}

QString AutoLink::deviceName() const
{
    return QSerialLink::deviceForPort(m_port);
}

LineStatus AutoLink::status(const Settings &settings) const
{
    const ModelTraits &model = traitsOf(settings.Digitizer);
    if (!model.isDevice)
        return {QStringLiteral("Digitizer: %1").arg(model.name), false};
    const bool emulated = willEmulate();
    // An adapter pulled out (or an emulator that ended) leaves no device behind its name.
    const QString who = emulated ? QStringLiteral("EMULATOR: no device answers on this port")
                        : QFileInfo::exists(deviceName())
                            ? QStringLiteral("device")
                            : QStringLiteral("device not found: check the cable");
    return {QStringLiteral("%1 on Comm port %2 (%3), %4 - %5")
                .arg(model.name)
                .arg(settings.CommPort)
                .arg(QDir::toNativeSeparators(deviceName()), m_settings, who),
            emulated};
}

QString AutoLink::target() const
{
    if (m_active == m_emuLink.get() && m_emu)
        return QStringLiteral("the built-in %1 emulator (no device on Comm port %2)")
            .arg(traitsOf(m_emu->model()).name)
            .arg(m_port);
    return QStringLiteral("the device %1 on Comm port %2")
        .arg(QSerialLink::deviceForPort(m_port))
        .arg(m_port);
}
