#include "record_wait.h"

#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "seams/serial_link.h"
#include "seams/session.h"

namespace {
const QByteArray CtrlD("\x04", 1);
constexpr int ReconnectEveryMs = 1000;
// Answers to the "P" of waits ended early can still be on the line when the next wait starts.
constexpr int QuietMs = 30;

DigitizerModel modelOf(const Session &s)
{
    return s.ws.settings.Digitizer;
}
} // namespace

RecordWait::~RecordWait()
{
    if (running())
        end(Outcome::Closed);
}

bool RecordWait::start(Kind kind, int receiverBlocks)
{
    reset(kind, receiverBlocks);
    if (!DigitizerSetup::ensureOpen(m_s)) {
        m_outcome = Outcome::PortFailed;
        return false;
    }
    begin();
    return true;
}

void RecordWait::startReconnecting(Kind kind, int receiverBlocks)
{
    reset(kind, receiverBlocks);
    m_s.link.close();
    enter(Phase::Reconnecting, ReconnectEveryMs);
}

void RecordWait::reset(Kind kind, int receiverBlocks)
{
    if (running())
        end(Outcome::Closed);
    m_kind = kind;
    m_blocks = receiverBlocks;
    m_record.clear();
    m_reading.reset();
    m_problem.clear();
    m_isotrakHeld = false;
}

void RecordWait::begin()
{
    m_s.link.discardPending();
    m_s.link.write("P");
    if (m_kind == Kind::Poll)
        enter(Phase::Collecting, 350);
    else
        enter(Phase::Priming, 400);
}

void RecordWait::enter(Phase phase, int delayMs)
{
    m_phase = phase;
    m_due = m_s.clock.nowMs() + delayMs;
}

qint64 RecordWait::msUntilDue() const
{
    if (m_phase == Phase::Idle || m_phase == Phase::Waiting)
        return 0;
    return std::max<qint64>(0, m_due - m_s.clock.nowMs());
}

bool RecordWait::poll()
{
    if (running())
        step();
    return !running();
}

bool RecordWait::lost()
{
    if (!m_s.link.deviceGone())
        return false;
    m_s.link.close();
    stop(Outcome::DeviceGone);
    m_s.dialogs.show(
        crJoin({QStringLiteral("The digitizer stopped answering."), m_s.link.errorText(),
                QStringLiteral("Check the cable and the power of the digitizer.")}));
    return true;
}

void RecordWait::step()
{
    const bool isotrak = modelOf(m_s) == DigitizerModel::Isotrak;
    SerialLink &link = m_s.link;
    while (running()) {
        const bool due = m_s.clock.nowMs() >= m_due;
        switch (m_phase) {
        case Phase::Idle:
            return;
        case Phase::Reconnecting:
            if (!due)
                return;
            // Quietly: the operator was told when the device went away.
            if (!link.open() || link.deviceGone()) {
                link.close();
                enter(Phase::Reconnecting, ReconnectEveryMs);
                return;
            }
            link.close();
            // A device that was switched off has forgotten its configuration.
            if (DigitizerSetup::InitializeDigitizer(m_s) ==
                    DigitizerSetup::InitResult::PortFailed ||
                !DigitizerSetup::ensureOpen(m_s)) {
                enter(Phase::Reconnecting, ReconnectEveryMs);
                return;
            }
            begin();
            break;
        case Phase::Priming:
            if (lost() || !due)
                return;
            m_record = QString::fromLatin1(link.readAll());
            if (isotrak) {
                link.write("Y");
                m_isotrakHeld = true;
                enter(Phase::IsotrakMode, 100);
            } else {
                link.discardPending();
                enter(Phase::Settling, QuietMs);
            }
            break;
        case Phase::IsotrakMode:
            if (lost() || !due)
                return;
            link.write("E");
            link.write(CtrlD);
            enter(Phase::IsotrakArm, 100);
            break;
        case Phase::IsotrakArm:
            if (lost() || !due)
                return;
            m_record = QString::fromLatin1(link.readAll());
            link.write("P");
            link.discardPending();
            enter(Phase::Settling, QuietMs);
            break;
        case Phase::Settling:
            if (lost())
                return;
            if (link.bytesPending() > 0) {
                link.discardPending();
                enter(Phase::Settling, QuietMs);
                return;
            }
            if (!due)
                return;
            enter(Phase::Waiting, 0);
            break;
        case Phase::Waiting:
            if (link.bytesPending() == 0) {
                lost();
                return;
            }
            enter(Phase::Collecting, 300);
            break;
        case Phase::Collecting:
            if (!due)
                return;
            m_record = QString::fromLatin1(link.readAll());
            if (m_kind == Kind::Poll) {
                finishPoll();
            } else if (m_isotrakHeld) {
                link.write(CtrlD);
                enter(Phase::Releasing, 100);
            } else {
                finishStylus();
            }
            break;
        case Phase::Releasing:
            if (!due)
                return;
            link.write("T");
            m_isotrakHeld = false;
            finishStylus();
            break;
        }
    }
}

void RecordWait::finishStylus()
{
    const DigitizerModel model = modelOf(m_s);
    const bool gone = m_s.link.deviceGone();
    m_s.link.close();
    if (model == DigitizerModel::Isotrak)
        m_record = Records::rebuildIsotrak(m_record);
    const int length = traitsOf(model).layout.length;
    if (model == DigitizerModel::Fastrak && m_record.size() > length)
        m_record.truncate(length);
    QString checked = m_record;
    m_problem = Records::recordProblem(model, checked, m_blocks);
    if (!m_problem.isEmpty()) {
        stop(gone ? Outcome::DeviceGone : Outcome::Refused);
        m_s.dialogs.show(
            gone ? crJoin({m_problem, QStringLiteral("The digitizer stopped answering."),
                           m_s.link.errorText()})
                 : crJoin({m_problem, QString(), QStringLiteral("Please repeat the measurement")}));
        return;
    }
    m_reading = Records::parseReading(model, m_record, m_blocks);
    stop(Outcome::Received);
}

void RecordWait::finishPoll()
{
    const DigitizerModel model = modelOf(m_s);
    const bool gone = m_s.link.deviceGone();
    m_s.link.close();
    const QString layout =
        model == DigitizerModel::Isotrak ? Records::rebuildIsotrak(m_record) : m_record;
    m_reading = Records::parseReading(model, layout, m_blocks, &m_problem);
    stop(gone ? Outcome::DeviceGone : Outcome::Received);
}

void RecordWait::release()
{
    if (!m_isotrakHeld)
        return;
    m_s.link.write(CtrlD);
    m_s.clock.delayMs(100);
    m_s.link.write("T");
    m_isotrakHeld = false;
}

void RecordWait::end(Outcome reason)
{
    if (!running())
        return;
    if (m_phase != Phase::Reconnecting) {
        release();
        m_s.link.close();
    }
    stop(reason);
}

void RecordWait::stop(Outcome outcome)
{
    m_phase = Phase::Idle;
    m_outcome = outcome;
}
