#include "wizard.h"

#include "acquisition/electrode_step.h"
#include "acquisition/fiducial_step.h"
#include "acquisition/probe_step.h"
#include "data/workspace.h"
#include "seams/clock.h"
#include "seams/controls.h"
#include "seams/serial_link.h"
#include "seams/session.h"
#include "seams/ui_state.h"

namespace {
const QByteArray CtrlD("\x04", 1);
} // namespace

bool Wizard::press(Button button)
{
    switch (button) {
    case Button::Accept:
        if (!m_buttons.accept)
            return false;
        Accept();
        return true;
    case Button::Back:
        if (!m_buttons.back)
            return false;
        Back();
        return true;
    case Button::Repeat:
        if (!m_buttons.repeat)
            return false;
        Repeat();
        return true;
    case Button::Next:
        if (!m_buttons.next)
            return false;
        Next();
        return true;
    case Button::Cancel:
        if (!m_buttons.cancel)
            return false;
        Cancel();
        return true;
    }
    return false;
}

void Wizard::Next()
{
    if (state.Step == Steps::Electrodes && state.SubStep == 3) {
        state.NextRequested = 1;
        if (state.PointCounter == state.PointLimit - 1) {
            setButton(Button::Next, false);
            state.AtLastPoint = 1;
        }
        m_electrodes->next();
        return;
    }
    ++state.SubStep;
    DispatchStep();
}

void Wizard::Back()
{
    if (state.Step == Steps::Electrodes && state.SubStep == 3) {
        state.BackRequested = 1;
        if (state.AtLastPoint == 1) {
            state.AtLastPoint = 0;
            state.PointLimit = state.PointCounter;
        }
        if (state.PointCounter == 1)
            setButton(Button::Back, false);
        setButton(Button::Next, true);
        m_electrodes->back();
        return;
    }
    --state.SubStep;
    DispatchStep();
}

void Wizard::Repeat()
{
    state.SubStep = (1 - state.RepeatJump) * state.SubStep + state.RepeatTarget * state.RepeatJump;
    DispatchStep();
}

bool Wizard::Accept()
{
    dropWait();
    state.RepeatJump = 0;
    ClearPrompt();
    switch (state.Step) {
    case Steps::Dewar:
        return m_dewar->accept();
    case Steps::Subject:
        return m_subject->accept();
    case Steps::Probe:
        return m_probe->accept();
    case Steps::Shape:
        if (state.SubStep == 3) {
            m_shape->acceptFiducials();
            // The operator was told why; the two passes stay for Accept or Repeat.
            if (!m_shape->fiducialsAccepted())
                return false;
            state.SubStep = 4;
            DispatchStep();
            return true;
        }
        if (state.SubStep == 4) {
            state.ShapeStop = 1;
            state.ShapeRunning = 0;
            // Stopping keeps the sequence being streamed, so the points are counted after it.
            m_shape->stop();
            m_s.ws.ShapeDirty = 1;
            ClearPrompt();
            isotrakStop(false);
            clearDigitizingDisplay();
            return true;
        }
        return false;
    case Steps::Electrodes:
        return m_electrodes->accept();
    default:
        return false;
    }
}

void Wizard::Cancel()
{
    state.ShapeRunning = 0;
    m_view->clearDisplay();
    ClearPrompt();
    SetButtons(0, 0, 0, 0, 0, 0);
    m_s.ws.CurrentView = QStringLiteral("Clear View");
    m_s.ui.setText(Controls::DataListing, QString());
    m_s.ui.setText(Controls::IniStrings, QString());
    state.CancelRequested = 1;
    endWait(RecordWait::Outcome::Cancelled);
    if (state.Step == Steps::Shape) {
        state.ShapeStop = 1;
        state.ShapeRunning = 0;
        ClearPrompt();
        m_shape->stop();
        isotrakStop(true);
        clearDigitizingDisplay();
    }
    if (state.Step == Steps::Electrodes) {
        ClearPrompt();
        clearDigitizingDisplay();
        m_electrodes->cancel();
    }
}

// Stops an ISOTRAK's continuous output after head-shape streaming.
void Wizard::isotrakStop(bool cancelling)
{
    if (m_s.ws.settings.Digitizer != DigitizerModel::Isotrak)
        return;
    SerialLink &link = m_s.link;
    if (!link.isOpen() && !link.open())
        return;
    link.write("c");
    m_s.clock.delayMs(100);
    if (cancelling) {
        link.write("T");
        m_s.clock.delayMs(100);
        link.discardPending();
    }
    link.discardPending();
    link.write("P");
    const int before = link.bytesPending();
    m_s.clock.delayMs(50);
    if (link.bytesPending() == before) {
        link.discardPending();
        link.write(CtrlD);
        m_s.clock.delayMs(100);
    }
    if (!cancelling)
        link.write("T");
    link.close();
}
