#include "probe_step.h"

#include "acquisition/wizard.h"
#include "data/number_text.h"
#include "data/workspace.h"
#include "geometry/frames.h"
#include "geometry/meg_locator.h"
#include "seams/dialogs.h"
#include "seams/session.h"

namespace {
// The head receiver in the frame of the dewar's receiver: what must not move during a recording.
Point3 headOnDewar(const Reading &r)
{
    return transformed(r.receiver(1).transform(0), 0.01 * r.receiver(2).positionCm);
}
} // namespace

ProbeStep::ProbeStep(Wizard &wizard) : m_w(wizard), m_s(wizard.session()) {}

int ProbeStep::receiverBlocks() const
{
    return std::min(3, std::max(1, m_s.ws.ReceiverCount) + 1);
}

bool ProbeStep::complete() const
{
    return m_atEnd && m_first && m_second;
}

void ProbeStep::dispatch(int subStep)
{
    m_atEnd = false;
    m_w.SetButtons(0, 0, 1, 0, 1, 1);
    m_w.view().setStepTitle(QStringLiteral("Magnetic field measurements"));
    m_w.initializeDigitizer();
    switch (subStep) {
    case 1:
        m_first.reset();
        m_second.reset();
        m_w.ShowPrompt(
            crJoin({QStringLiteral("Place the probe"), QStringLiteral("in the recording position."),
                    QStringLiteral("When ready, hit >>.")}));
        break;
    case 2:
        take(1);
        break;
    case 3:
        take(2);
        break;
    case 4:
        m_w.state.RepeatJump = 1;
        m_w.state.RepeatTarget = 1;
        m_w.ShowPrompt(WizardView::Prompt());
        m_atEnd = true;
        m_w.SetButtons(0, 1, 0, complete() ? 1 : 0, 1, 1);
        break;
    default:
        break;
    }
}

void ProbeStep::take(int record)
{
    if (!isDevice(m_s.ws.settings.Digitizer)) {
        m_w.needsDigitizer();
        return;
    }
    if (record == 2 && !m_first) {
        m_w.state.RepeatJump = 1;
        m_w.state.RepeatTarget = 1;
        m_w.SetButtons(0, 1, 0, 0, 1, 1);
        m_w.ShowPrompt(crJoin({QStringLiteral("The probe was not read before the recording."),
                               QStringLiteral("Repeat starts the probe step again.")}));
        return;
    }
    m_w.SetButtons(0, 0, 0, 0, 1, 1);
    m_w.ShowPrompt(record == 1 ? QStringLiteral("Reading the probe position ...")
                               : QStringLiteral("Reading the probe position again ..."));
    m_w.startWait(RecordWait::Kind::Poll, receiverBlocks(),
                  [this, record](const RecordWait &w) { taken(w, record); });
}

void ProbeStep::taken(const RecordWait &wait, int record)
{
    if (wait.outcome() != RecordWait::Outcome::Received)
        return;
    if (!wait.reading()) {
        m_s.dialogs.show(
            crJoin({wait.problem(), QString(), QStringLiteral("Please repeat the measurement")}));
        m_w.SetButtons(0, 1, 0, 0, 1, 1);
        m_w.ShowPrompt(crJoin({QStringLiteral("The probe record was refused."),
                               QStringLiteral("Repeat reads it again.")}));
        return;
    }
    Workspace &ws = m_s.ws;
    ws.raw.probe[record - 1] = wait.record();
    (record == 1 ? m_first : m_second) = *wait.reading();
    m_w.acknowledge();
    m_w.SetButtons(0, 0, 1, 0, 1, 1);
    if (record == 1) {
        m_w.ShowPrompt(
            crJoin({QStringLiteral("Start"), QStringLiteral("the magnetic field"),
                    QStringLiteral("data recording"), QStringLiteral("When finished, hit >>.")}));
        return;
    }
    const double delta = 100.0 * (headOnDewar(*m_second) - headOnDewar(*m_first)).norm();
    m_w.ShowPrompt(QStringLiteral("Delta: ") +
                   myFormat(delta, QStringLiteral("#0.00"), ws.settings, &m_s.dialogs) +
                   QStringLiteral(" cm"));
}

bool ProbeStep::accept()
{
    if (!complete())
        return false;
    Workspace &ws = m_s.ws;
    if (ws.m.MCalib.isZero()) {
        m_s.dialogs.show(crJoin({QStringLiteral("The probe position needs a calibration."),
                                 QStringLiteral("Open a calibration file or run Setup > "
                                                "Calibration first.")}));
        return false;
    }
    if (!LocateProbe(ws, m_s.dialogs, *m_first))
        return false;
    m_w.ShowPrompt(crJoin({QStringLiteral("The sensor positions are computed."),
                           QStringLiteral("File > Save > Probe File keeps them.")}));
    return true;
}
