#pragma once

#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/emulator/emulator_link.h"
#include "fakes.h"
#include "fixtures.h"
#include "platform/qserial_link.h"
#include "platform/qt_event_pump.h"
#include "platform/steady_clock.h"
#include "shell/app_core.h"

#include <memory>

// Where a site of the emulator's head lies in the transmitter frame (metres).
inline Point3 siteInTransmitter(const DigitizerEmulator &emu, const QString &site)
{
    const Transform4 &h = emu.headPose();
    return h.block<3, 3>(0, 0) * emu.head().site(site) + h.block<3, 1>(0, 3);
}

// One run of the program on test seams: a fresh program folder, dialogs that record every text
// and answer from queues, and a digitizer line that is a recording fake, the built-in emulator on
// virtual time, or a real port on the wall clock. Workspace, commands and shell are the program's.
class Rig
{
public:
    // The recording fake line; `window` stands in for the shell's view when given.
    explicit Rig(ShellView *window = nullptr) : Rig(window, nullptr, {}) {}
    // The built-in emulator on virtual time.
    explicit Rig(const DigitizerEmulator::Options &emulator)
        : Rig(nullptr, std::make_unique<DigitizerEmulator>(emulator), {})
    {}
    // QSerialLink on the wall clock; comm port 1 names `device`.
    explicit Rig(const QString &device) : Rig(nullptr, nullptr, device) {}

    // Writes pointra.ini (no file when `ini` is null) and runs start-up.
    void startUp(const QByteArray &ini);
    // Start-up and interactive start with `ini` (the emulator's model on that line), then
    // forgets what the fakes recorded.
    void start(Fixtures::Ini ini = {});
    bool invoke(const QString &control) { return app.commands.invoke(control); }
    // Presses the stylus button `afterMs` of virtual time from now.
    void pressAfter(qint64 afterMs);

    Fixtures::Home home;
    FakeDialogs dialogs;
    FakeClock clock;
    FakePump pump{clock};
    FakeShellView view;
    FakeSerialLink fakeLink;
    FakeWaveAudio audio; // no sound device, as SilentAudio; remembers what was played
    std::unique_ptr<DigitizerEmulator> emu;
    std::unique_ptr<EmulatorLink> emuLink;

private:
    Rig(ShellView *window, std::unique_ptr<DigitizerEmulator> emulator, const QString &device);
    SerialLink &line();
    SteadyClock m_wallClock;
    QtEventPump m_qtPump;
    std::unique_ptr<QSerialLink> m_port;

public:
    AppCore app;
    Workspace &ws = app.ws;
    UiState &ui = app.ui;
    Session &s = app.session;
    SerialLink &link = app.session.link;
};
