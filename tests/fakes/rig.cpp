#include "rig.h"

namespace {
std::unique_ptr<QSerialLink> portTo(const QString &device)
{
    if (device.isEmpty())
        return nullptr;
    qputenv("POINTRA_COMM1", device.toLocal8Bit());
    return std::make_unique<QSerialLink>();
}
} // namespace

Rig::Rig(ShellView *window, std::unique_ptr<DigitizerEmulator> emulator, const QString &device)
    : emu(std::move(emulator)),
      emuLink(emu ? std::make_unique<EmulatorLink>(*emu, clock) : nullptr), m_port(portTo(device)),
      app({dialogs, window ? *window : view, m_port ? static_cast<Clock &>(m_wallClock) : clock,
           m_port ? static_cast<EventPump &>(m_qtPump) : pump, line(), audio})
{
    audio.input = audio.output = false;
}

SerialLink &Rig::line()
{
    return m_port    ? static_cast<SerialLink &>(*m_port)
           : emuLink ? static_cast<SerialLink &>(*emuLink)
                     : fakeLink;
}

void Rig::startUp(const QByteArray &ini)
{
    if (!ini.isNull())
        home.write(QStringLiteral("pointra.ini"), ini);
    app.shell.startUp(home.path());
}

void Rig::start(Fixtures::Ini ini)
{
    if (emu)
        ini.model = traitsOf(emu->model()).name;
    startUp(ini.text());
    app.shell.startInteractive();
    dialogs.clear();
    fakeLink.written.clear();
    fakeLink.writtenAtSettings.clear();
    view.shown = 0;
}

void Rig::pressAfter(qint64 afterMs)
{
    emu->schedule(clock.nowMs() + afterMs, [this] { emu->press(); });
}
