#pragma once

#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/emulator/emulator_link.h"
#include "fake_clock.h"
#include "fake_dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"

// A session on virtual time whose line leads to an emulated digitizer, configured as at start-up.
struct EmulatorRig
{
    explicit EmulatorRig(DigitizerEmulator::Model model, int receivers = 1, double noiseCm = 0.0,
                         const QString &hemisphere = "0,0,1", const QString &system = "TEVO")
        : emu({model, receivers, noiseCm, 7}), link(emu, clock)
    {
        ws.settings = {DigitizerEmulator::modelName(model), system, "Period", hemisphere, 1, "OFF"};
    }
    // Line settings and the model's configuration sequence.
    void configure()
    {
        DigitizerSetup::ApplySerialSettings(s);
        DigitizerSetup::InitializeDigitizer(s);
    }

    Workspace ws;
    UiState ui;
    FakeDialogs dialogs;
    FakeClock clock;
    FakePump pump{clock};
    SilentAudio audio;
    DigitizerEmulator emu;
    EmulatorLink link;
    Session s{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
};
