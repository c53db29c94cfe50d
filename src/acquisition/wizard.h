#pragma once

#include "acquisition/journal.h"
#include "acquisition/shape_step.h"
#include "acquisition/wizard_state.h"
#include "acquisition/wizard_view.h"
#include "digitizer/record_wait.h"

#include <QString>
#include <functional>
#include <memory>

struct Session;
class CommandTable;
class ElectrodeStep;
class FiducialStep;
class ProbeStep;

// The measurement wizard: the Digitize menu entries and the five buttons drive the steps
// (dewar fiducials, subject fiducials, probe, head shape, electrodes) through their sub-steps.
// It is a state machine: a step that needs a record starts the one RecordWait and returns; the
// record's arrival (seen by poll()), a button, a menu entry, a lost device or the window closing
// moves it on. Nothing here blocks waiting for the operator.
class Wizard
{
public:
    enum class Button { Accept, Back, Repeat, Next, Cancel };
    using Then = std::function<void(const RecordWait &)>;

    explicit Wizard(Session &session);
    ~Wizard();
    Wizard(const Wizard &) = delete;
    Wizard &operator=(const Wizard &) = delete;

    void setView(WizardView *view);
    // Stands another head-shape step in; nullptr restores the program's own.
    void setShapeStep(ShapeStep *step);
    void registerCommands(CommandTable &table);

    // Called whenever data the menus depend on changed (receivers, subject transforms).
    std::function<void()> updateMenus;

    // Digitize menu entries.
    void menuCalibration();
    void menuFiducials();
    void menuProbe();
    void menuEProbes();
    void menuShape();
    void menuMeasureFid();

    // A button as the operator presses it; false, doing nothing, when it is disabled.
    bool press(Button button);
    // The button handlers themselves.
    void Next();
    void Back();
    void Repeat();
    // True when the step's result was computed (or kept).
    bool Accept();
    void Cancel();
    // A click on an electrode's name (0-based electrode index).
    void RedigitizePoint(int electrode);
    // SeqDelete and a click on SequenceList (1-based) during head-shape digitizing.
    void DeleteSequence() { m_shape->deleteSequence(); }
    void selectSequence(int sequence) { m_shape->selectSequence(sequence); }
    // Edit_Button: the electrode selected in the name list.
    void EditPoint(int electrode);
    void selectPoint(int electrode) { m_selected = electrode; }
    int selectedPoint() const { return m_selected; }

    void SetButtons(int back, int repeat, int next, int accept, int cancel, int colour);
    void setButton(Button button, bool enabled);
    void ClearPrompt();
    void ShowPrompt(const QString &text);
    void ShowPrompt(const WizardView::Prompt &prompt);
    // The short prompt over the display area (PictureLabel), shown in the prompt area too.
    void ShowPicturePrompt(const QString &text);
    void ShowPicturePrompt(const WizardView::Prompt &prompt);
    void DispatchStep();

    // Moves a running wait on; the window's timer and pointra-cli's loop call it.
    void poll();
    // A wait for the stylus or the head-shape streaming runs: poll() has work.
    bool waiting() const { return m_wait.running() || m_shape->running(); }
    const RecordWait &recordWait() const { return m_wait; }
    // The window closes: a running wait ends, the journal of a saved or discarded measurement goes.
    void windowClosing();
    // After every menu or button handler: a measurement that was saved or discarded since leaves
    // no journal.
    void afterCommand();

    // At start: offers the measurement a crash left behind; true when it was recovered.
    bool offerRecovery();
    // Recovers the measurement of a journal without asking (pointra-cli --resume).
    bool recoverFrom(const QString &journalPath);
    Journal &journal() { return m_journal; }

    // The step's readings are complete and Accept would compute or keep them.
    bool resultReady() const;

    WizardState state;
    const WizardView::Buttons &buttons() const { return m_buttons; }
    const WizardView::Prompt &prompt() const { return m_prompt; }

    // For the steps.
    Session &session() { return m_s; }
    WizardView &view() { return *m_view; }
    // Starts the wait; `then` runs when it ends with the record or by Cancel (Next, Back and
    // Repeat go through their handlers). A lost or refused reading waits again by itself.
    void startWait(RecordWait::Kind kind, int receiverBlocks, Then then);
    // Ends a running wait without running its continuation.
    void dropWait();
    // Ends a running wait and runs its continuation with `reason`.
    void endWait(RecordWait::Outcome reason);
    // Configures the digitizer as the steps do on entry; false when the port failed (told).
    bool initializeDigitizer();
    // The stored prompt of sequence point `point` (0-based), when sound is on and it exists.
    void playPrompt(int point);
    void acknowledge();
    // The 3-D view's "digitizing display" cleared, with every button off.
    void clearDigitizingDisplay();
    // Tells the operator that positions need a digitizer.
    void needsDigitizer();
    // The program's own head-shape step (streaming counts for pointra-cli).
    const HeadShapeStep &headShape() const { return *m_headShape; }

private:
    void finishWait();
    void showWaitTrouble(const QString &line);
    void enter(int step);
    void isotrakStop(bool cancelling);

    Session &m_s;
    NoWizardView m_noView;
    WizardView *m_view = &m_noView;
    std::unique_ptr<HeadShapeStep> m_headShape;
    ShapeStep *m_shape = nullptr;
    RecordWait m_wait;
    Then m_then;
    int m_waitBlocks = Records::AllBlocks;
    bool m_inPoll = false;
    WizardView::Buttons m_buttons;
    bool m_buttonsSet = false;
    WizardView::Prompt m_prompt;
    WizardView::Prompt m_basePrompt; // without the line about a lost device
    Journal m_journal;
    int m_selected = -1;
    std::unique_ptr<ElectrodeStep> m_electrodes;
    std::unique_ptr<FiducialStep> m_dewar;
    std::unique_ptr<FiducialStep> m_subject;
    std::unique_ptr<ProbeStep> m_probe;
};
