#pragma once

#include "acquisition/wizard.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/emulator/emulator_link.h"
#include "fake_clock.h"
#include "fake_dialogs.h"
#include "geometry/frames.h"
#include "recording_audio.h"
#include "recording_wizard_view.h"
#include "seams/session.h"
#include "seams/ui_state.h"

#include <QTemporaryDir>

// A wizard on virtual time whose line leads to an emulated digitizer, configured as at start-up,
// in a fresh program folder.
struct WizardRig
{
    // `onDewar`: the emulator's first receiver sits on an MEG dewar, the head receivers follow.
    explicit WizardRig(DigitizerModel model, int receivers = 1, const QString &system = "TEVO",
                       bool onDewar = false)
        : emu({model, std::max(receivers, 1) + (onDewar ? 1 : 0), 0.0, 7}), link(emu, clock)
    {
        ws.settings.Digitizer = model;
        ws.settings.CoordinateSystem = system;
        ws.settings.DecimalPoint = QStringLiteral("Period");
        ws.settings.Hemisphere = QStringLiteral("0,0,1");
        ws.settings.CommPort = 1;
        ws.settings.SoundSetting = QStringLiteral("OFF");
        ws.AppPath = home.path();
        ws.ReceiverCount = receivers;
        DigitizerSetup::ApplySerialSettings(s);
        DigitizerSetup::InitializeDigitizer(s);
        if (onDewar)
            emu.setReceiverFixed(0, DigitizerEmulator::dewarReceiverPose());
        wizard.setView(&view);
    }

    // Lets `ms` of virtual time pass in 10 ms steps, polling the wizard at each.
    void run(int ms)
    {
        for (int t = 0; t < ms; t += 10) {
            clock.advance(10);
            wizard.poll();
        }
    }
    // Runs until the wizard waits for the stylus button; false after `maxMs`.
    bool untilWaiting(int maxMs = 5000)
    {
        for (int t = 0; t <= maxMs; t += 10) {
            if (wizard.waiting() && wizard.recordWait().phase() == RecordWait::Phase::Waiting)
                return true;
            clock.advance(10);
            wizard.poll();
        }
        return false;
    }
    // Runs until no wait is running; false after `maxMs`.
    bool untilIdle(int maxMs = 5000)
    {
        for (int t = 0; t <= maxMs; t += 10) {
            if (!wizard.waiting())
                return true;
            clock.advance(10);
            wizard.poll();
        }
        return false;
    }
    // Touches a site of the virtual head, presses the stylus button and lets the record arrive.
    bool take(const QString &site)
    {
        if (!untilWaiting())
            return false;
        emu.touchSite(site);
        return press();
    }
    // The same at a point of the virtual head's frame (metres).
    bool take(const Point3 &point)
    {
        if (!untilWaiting())
            return false;
        emu.touchPoint(point);
        return press();
    }
    bool press()
    {
        emu.press();
        const int before = view.prompts.size();
        for (int t = 0; t < 2000; t += 10) {
            clock.advance(10);
            wizard.poll();
            if (!wizard.waiting() || view.prompts.size() != before ||
                wizard.recordWait().phase() == RecordWait::Phase::Priming)
                return true;
        }
        return false;
    }
    // A sequence in the workspace, as File > Open leaves it.
    void setSequence(const QStringList &names, const QStringList &codes,
                     const QString &title = "test")
    {
        ws.NumSeq = int(names.size());
        ws.SeqName = names;
        ws.SeqCode = codes;
        ws.SequenceTitle = title;
        ws.SequenceFile = home.filePath(title + ".seq");
    }
    // Where a site of the virtual head lies in the head frame built from its fiducials.
    Point3 truth(const QString &site) const
    {
        const VirtualHead &h = emu.head();
        const Frame f = BuildFrame(h.site("Nasion"), h.site("LPA"), h.site("RPA"), 0);
        return transformed(f.position, h.site(site));
    }

    QTemporaryDir home;
    Workspace ws;
    UiState ui;
    FakeDialogs dialogs;
    FakeClock clock;
    FakePump pump{clock};
    RecordingAudio audio;
    DigitizerEmulator emu;
    EmulatorLink link;
    Session s{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
    RecordingWizardView view;
    Wizard wizard{s};
};
