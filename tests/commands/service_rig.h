#pragma once

#include "commands/command_set.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/emulator/emulator_link.h"
#include "fake_clock.h"
#include "fake_dialogs.h"
#include "seams/command_table.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"

#include <QDir>
#include <QTemporaryDir>

// The menu commands of one run on virtual time, their line leading to the in-process emulator,
// the device configured as at start-up and AppPath in a fresh folder.
struct ServiceRig
{
    explicit ServiceRig(DigitizerModel model, int receivers = 1)
        : emu({model, receivers, 0.0, 5}), link(emu, clock)
    {
        ws.settings = {model, "TEVO", "Period", "0,0,1", 1, "OFF"};
        ws.AppPath = home.path();
        menus.registerAll(commands);
        DigitizerSetup::ApplySerialSettings(s);
        DigitizerSetup::InitializeDigitizer(s);
        clock.advance(200);
        link.clearHostBytes();
    }
    bool invoke(const QString &control) { return commands.invoke(control); }
    QString path(const QString &name) const { return QDir(home.path()).filePath(name); }

    QTemporaryDir home;
    Workspace ws;
    UiState ui;
    FakeDialogs dialogs;
    FakeClock clock;
    FakePump pump{clock};
    SilentAudio audio;
    DigitizerEmulator emu;
    EmulatorLink link;
    Session s{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
    CommandSet menus{s};
    CommandTable commands;
};
