#pragma once

#include "geometry/frames.h"
#include "recording_wizard_view.h"
#include "rig.h"

// A started run on virtual time whose line leads to the built-in emulator (exact records); the
// program's wizard shows on a recording view.
struct WizardRig : Rig
{
    // `onDewar`: the emulator's first receiver sits on an MEG dewar, the head receivers follow.
    explicit WizardRig(DigitizerModel model, int receivers = 1, const QString &system = "TEVO",
                       bool onDewar = false)
        : Rig(DigitizerEmulator::Options{model, std::max(receivers, 1) + (onDewar ? 1 : 0), 0.0, 7})
    {
        Fixtures::Ini ini;
        ini.system = system;
        start(ini);
        if (model == DigitizerModel::Dummy)
            invoke("menuDummyRun"); // the settings file never holds it
        ws.ReceiverCount = receivers;
        if (onDewar)
            emu.setReceiverFixed(0, DigitizerEmulator::dewarReceiverPose());
        wizard.setView(&view);
    }

    // Lets `ms` of virtual time pass in 10 ms steps, polling the wizard at each.
    void run(int ms)
    {
        runUntil([] { return false; }, ms);
    }
    // Runs until `done`; false when it is not done after `maxMs`.
    bool runUntil(const std::function<bool()> &done, int maxMs = 5000)
    {
        for (int t = 0; t < maxMs; t += 10) {
            if (done())
                return true;
            clock.advance(10);
            wizard.poll();
        }
        return done();
    }
    // Runs until the wizard waits for the stylus button.
    bool untilWaiting(int maxMs = 5000)
    {
        return runUntil(
            [this] {
                return wizard.waiting() &&
                       wizard.recordWait().phase() == RecordWait::Phase::Waiting;
            },
            maxMs);
    }
    bool untilIdle(int maxMs = 5000)
    {
        return runUntil([this] { return !wizard.waiting(); }, maxMs);
    }
    // Touches a site of the virtual head, or a point of its frame (metres), presses the stylus
    // button and lets the record arrive.
    bool take(const QString &site) { return untilWaiting() && (emu.touchSite(site), press()); }
    bool take(const Point3 &point) { return untilWaiting() && (emu.touchPoint(point), press()); }
    bool press()
    {
        emu.press();
        const qsizetype before = view.prompts.size();
        return runUntil(
            [&] {
                return !wizard.waiting() || view.prompts.size() != before ||
                       wizard.recordWait().phase() == RecordWait::Phase::Priming;
            },
            2000);
    }
    // A sequence in the workspace, as File > Open leaves it.
    void setSequence(const QStringList &names, const QStringList &codes,
                     const QString &title = "test")
    {
        ws.NumSeq = int(names.size());
        ws.SeqName = names;
        ws.SeqCode = codes;
        ws.SequenceTitle = title;
        ws.SequenceFile = home.path(title + ".seq");
    }
    // Where a site of the virtual head lies in the head frame built from its fiducials.
    Point3 truth(const QString &site) const
    {
        const VirtualHead &h = emu.head();
        const Frame f = BuildFrame(h.site("Nasion"), h.site("LPA"), h.site("RPA"), 0);
        return transformed(f.position, h.site(site));
    }

    DigitizerEmulator &emu = *Rig::emu;
    EmulatorLink &link = *emuLink;
    Wizard &wizard = app.wizard;
    RecordingWizardView view;
};
