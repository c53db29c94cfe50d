#include "shape_loop.h"

#include "acquisition/wizard.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/record_parser.h"
#include "geometry/electrode_sets.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "seams/serial_link.h"
#include "seams/session.h"
#include "seams/ui_state.h"

namespace {
const QByteArray CtrlD("\x04", 1);
constexpr int ReconnectEveryMs = 1000;
} // namespace

namespace ShapeRules {
bool farEnough(const Point3 &lastCm, const Point3 &pointCm, double minStepCm)
{
    return (pointCm - lastCm).norm() > minStepCm;
}

bool isOutlier(const FidTriple &shapeFid, const Point3 &p)
{
    const double n = shapeFid[0].x();
    const double l = shapeFid[1].y();
    const double r = shapeFid[2].y();
    const bool inside = -n - 0.05 <= p.x() && p.x() <= n + 0.05 && r - 0.05 <= p.y() &&
                        p.y() <= l + 0.05 && -n - 0.2 <= p.z() && p.z() <= n + 0.1;
    return !inside;
}
} // namespace ShapeRules

bool ShapeLoop::mayDiscardShape(Session &s)
{
    Workspace &ws = s.ws;
    if (ws.ShapeDirty != 1 || ws.NumShapePoints == 0)
        return true;
    if (s.dialogs.message(crJoin({QStringLiteral("The head-shape data taken before are not saved."),
                                  QStringLiteral("Digitize a new head shape and discard them?")}),
                          Dialogs::QuestionTitle, Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                          Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return false;
    ws.ShapeDirty = 0;
    return true;
}

ShapeLoop::ShapeLoop(Wizard &wizard) : m_w(wizard), m_s(wizard.session()) {}

bool ShapeLoop::start()
{
    Workspace &ws = m_s.ws;
    m_w.state.ShapeRunning = 1;
    SelectedSeq = PrevSelectedSeq = 0;
    SeqRunning = 0;
    if (!isDevice(ws.settings.Digitizer)) {
        m_w.state.ShapeRunning = 0;
        m_w.needsDigitizer();
        return false;
    }
    if (ws.ReceiverCount < 0 || ws.ReceiverCount > 3) {
        m_w.state.ShapeRunning = 0;
        m_s.dialogs.show(QStringLiteral("Please select number of receivers"));
        return false;
    }
    // A new shape data set starts.
    if (!mayDiscardShape(m_s)) {
        m_w.state.ShapeRunning = 0;
        return false;
    }
    ws.ShapePos.clear();
    ws.raw.shapePoints.clear();
    ws.NumShapePoints = 0;
    if (!m_w.initializeDigitizer() || !DigitizerSetup::ensureOpen(m_s)) {
        m_w.state.ShapeRunning = 0;
        return false;
    }
    NumShapeSeqs = 0;
    ShapeSeqStart.clear();
    m_haveLast = false;
    m_counts = {};
    m_refusedInSequence = 0;
    enterShapeMode();
    m_w.state.ShapeStop = 0;
    m_w.view().waitChanged(true);
    showSequences();
    return true;
}

// Stations by the head receivers in use, then the model's continuous output mode.
void ShapeLoop::enterShapeMode()
{
    SerialLink &link = m_s.link;
    const DigitizerModel model = m_s.ws.settings.Digitizer;
    for (const QByteArray &c : traitsOf(model).stationCommands(m_s.ws.ReceiverCount))
        link.write(c);
    const ShapeStream &stream = traitsOf(model).shapeStream;
    if (!stream.enter.isEmpty()) {
        link.write(stream.enter);
        m_s.clock.delayMs(100);
    } else if (model == DigitizerModel::Isotrak) {
        link.write("Y");
        m_s.clock.delayMs(100);
        link.write("i");
        m_s.clock.delayMs(100);
        link.write("P");
        const int before = link.bytesPending();
        m_s.clock.delayMs(200);
        // A record answered "P": the digitizer mode is not in effect yet.
        if (link.bytesPending() != before) {
            link.discardPending();
            link.write(CtrlD);
            m_s.clock.delayMs(100);
        }
        link.write("C");
    }
    m_stream.clear();
    m_phase = Phase::WaitingTap;
    showWaitingPrompt();
}

void ShapeLoop::showWaitingPrompt()
{
    QString text = crJoin({QStringLiteral("TAP the stylus button once"),
                           QStringLiteral("to start a digitization sequence,"),
                           QStringLiteral("and TAP it again to stop.")});
    if (traitsOf(m_s.ws.settings.Digitizer).shapeStream.start.isEmpty())
        text = shapeStylusInstructions(m_s.ws.settings.Digitizer);
    WizardView::Prompt p = WizardView::Prompt::fromText(text);
    // What went wrong in the last sequence stays in sight, in the warning colour, until the next.
    if (m_refusedInSequence == 1)
        p.add(QStringLiteral("One record of the last sequence was garbled and left out."), true);
    else if (m_refusedInSequence > 1)
        p.add(QStringLiteral("%1 records of the last sequence were garbled and left out.")
                  .arg(m_refusedInSequence),
              true);
    m_w.ShowPicturePrompt(p);
}

void ShapeLoop::poll()
{
    if (m_phase == Phase::Idle)
        return;
    SerialLink &link = m_s.link;
    const qint64 now = m_s.clock.nowMs();
    if (m_phase == Phase::Reconnecting) {
        if (now < m_due)
            return;
        m_due = now + ReconnectEveryMs;
        if (!link.open() || link.deviceGone()) {
            link.close();
            return;
        }
        link.close();
        // A device that was switched off has forgotten its configuration.
        if (DigitizerSetup::InitializeDigitizer(m_s) == DigitizerSetup::InitResult::PortFailed ||
            !DigitizerSetup::ensureOpen(m_s))
            return;
        enterShapeMode();
        return;
    }
    if (link.deviceGone()) {
        lost();
        return;
    }
    const QByteArray bytes = link.readAll();
    if (!bytes.isEmpty()) {
        m_lastInput = now;
        m_stream.append(bytes);
    }
    switch (m_phase) {
    case Phase::WaitingTap:
        if (bytes.isEmpty())
            return;
        beginSequence();
        break;
    case Phase::Starting:
        if (now < m_due)
            return;
        link.write(traitsOf(m_s.ws.settings.Digitizer).shapeStream.start);
        m_lastInput = now;
        m_phase = Phase::Streaming;
        break;
    case Phase::Streaming:
        read();
        if (bytes.isEmpty() && now - m_lastInput >= std::max(1, m_s.ws.PointDelay)) {
            // The line went quiet: the second tap (or the released button) ended the stream.
            takeRest();
            endSequence(true);
        }
        break;
    default:
        break;
    }
}

void ShapeLoop::beginSequence()
{
    const ShapeStream &stream = traitsOf(m_s.ws.settings.Digitizer).shapeStream;
    if (stream.start.isEmpty()) {
        m_phase = Phase::Streaming;
    } else if (stream.startDelayMs > 0) {
        m_due = m_s.clock.nowMs() + stream.startDelayMs;
        m_phase = Phase::Starting;
    } else {
        m_s.link.write(stream.start);
        m_phase = Phase::Streaming;
    }
    SeqRunning = 1;
    m_refusedInSequence = 0;
    PrevSelectedSeq = SelectedSeq;
    ++NumShapeSeqs;
    SelectedSeq = NumShapeSeqs;
    ShapeSeqStart.push_back(m_s.ws.NumShapePoints);
    m_w.ShowPicturePrompt(QStringLiteral("Digitizing..."));
    showSequences();
}

void ShapeLoop::read()
{
    const int before = m_s.ws.NumShapePoints;
    for (QString record = m_stream.next(); !record.isEmpty(); record = m_stream.next())
        take(record);
    if (m_s.ws.NumShapePoints != before)
        showSequences();
}

// What the stream left once it ended: the last record, kept when it is one.
void ShapeLoop::takeRest()
{
    const QString last = m_stream.rest();
    if (!last.trimmed().isEmpty())
        take(last);
}

void ShapeLoop::take(const QString &text)
{
    Workspace &ws = m_s.ws;
    const DigitizerModel model = ws.settings.Digitizer;
    ++m_counts.arrived;
    const QString record = model == DigitizerModel::Isotrak ? Records::rebuildIsotrak(text) : text;
    QString problem;
    const std::optional<Reading> r =
        Records::parseReading(model, record, ws.ReceiverCount, &problem);
    if (!r) {
        ++m_counts.refused;
        ++m_refusedInSequence;
        return;
    }
    const Point3 cm = 100.0 * r->stylus;
    if (m_haveLast && !ShapeRules::farEnough(m_lastCm, cm, ws.MinStepDistance))
        return;
    m_haveLast = true;
    m_lastCm = cm;
    ++m_counts.kept;
    ws.ShapePos.push_back(headPosition(ws, *r));
    ws.raw.shapePoints << record;
    ws.NumShapePoints = static_cast<int>(ws.ShapePos.size());
}

void ShapeLoop::endSequence(bool askAboutOutliers)
{
    SerialLink &link = m_s.link;
    if (!link.deviceGone()) {
        const QList<QByteArray> &stop = traitsOf(m_s.ws.settings.Digitizer).shapeStream.stop;
        for (int i = 0; i < stop.size(); ++i) {
            if (i > 0)
                m_s.clock.delayMs(50);
            link.write(stop[i]);
        }
    }
    m_phase = Phase::WaitingTap;
    m_stream.clear();
    SeqRunning = 0;
    const int seq = NumShapeSeqs;
    if (seq > 0 && pointsOf(seq) == 0) {
        // Nothing kept (a tap without a sweep): no sequence to list.
        ShapeSeqStart.pop_back();
        --NumShapeSeqs;
        SelectedSeq = PrevSelectedSeq <= NumShapeSeqs ? PrevSelectedSeq : NumShapeSeqs;
    } else if (seq > 0 && askAboutOutliers && m_w.state.ShapeStop == 0) {
        const Workspace &ws = m_s.ws;
        bool outliers = false;
        for (int i = ShapeSeqStart[seq - 1]; i < ws.NumShapePoints && !outliers; ++i)
            outliers = ShapeRules::isOutlier(ws.ShapeFid, ws.ShapePos[i]);
        if (outliers &&
            m_s.dialogs.message(
                crJoin({QStringLiteral("The digitized sequence contains outlier points:"),
                        QStringLiteral("i.e. points at a distance much greater than the "
                                       "fiducials."),
                        QString(), QStringLiteral("Do you want to keep this sequence?")}),
                Dialogs::QuestionTitle, Dialogs::Buttons::YesNo, Dialogs::Icon::None,
                Dialogs::Answer::Yes) == Dialogs::Answer::No) {
            SelectedSeq = seq;
            DeleteSequence();
        }
    }
    showSequences();
    if (m_phase == Phase::WaitingTap)
        showWaitingPrompt();
}

void ShapeLoop::stop()
{
    if (m_phase == Phase::Idle)
        return;
    SerialLink &link = m_s.link;
    if (m_phase == Phase::Starting || m_phase == Phase::Streaming) {
        if (!link.deviceGone())
            m_stream.append(link.readAll());
        read();
        takeRest();
        endSequence(false);
    }
    const QByteArray &leave = traitsOf(m_s.ws.settings.Digitizer).shapeStream.leave;
    if (!link.deviceGone() && link.isOpen() && !leave.isEmpty())
        link.write(leave);
    link.close();
    m_phase = Phase::Idle;
    SeqRunning = 0;
    m_w.view().waitChanged(false);
}

void ShapeLoop::lost()
{
    if (SeqRunning == 1) {
        read();
        takeRest();
        endSequence(false);
    }
    m_s.link.close();
    m_phase = Phase::Reconnecting;
    m_due = m_s.clock.nowMs() + ReconnectEveryMs;
    m_w.view().waitEnded(Records::Outcome::DeviceGone);
    m_w.ShowPicturePrompt(WizardView::Prompt::fromText(
        crJoin({QStringLiteral("The digitizer stopped answering: reconnect it;"),
                QStringLiteral("the sequences taken are kept and digitizing goes on by itself.")}),
        true));
}

void ShapeLoop::DeleteSequence()
{
    if (SelectedSeq == 0)
        return;
    if (NumShapeSeqs <= 1) {
        m_s.dialogs.show(QStringLiteral("Cannot delete the first sequence."));
        return;
    }
    if (SeqRunning == 1 && SelectedSeq == NumShapeSeqs) {
        m_s.dialogs.show(QStringLiteral("The sequence being digitized cannot be deleted; tap the "
                                        "stylus button to end it first."));
        return;
    }
    removeSequence(SelectedSeq);
    PrevSelectedSeq = 0;
    SelectedSeq = NumShapeSeqs;
    showSequences();
}

void ShapeLoop::removeSequence(int sequence)
{
    Workspace &ws = m_s.ws;
    const int first = ShapeSeqStart[sequence - 1];
    const int count = pointsOf(sequence);
    ws.ShapePos.erase(ws.ShapePos.begin() + first, ws.ShapePos.begin() + first + count);
    ws.raw.shapePoints.remove(first, std::min<qsizetype>(count, ws.raw.shapePoints.size() - first));
    ws.NumShapePoints = static_cast<int>(ws.ShapePos.size());
    ShapeSeqStart.erase(ShapeSeqStart.begin() + sequence - 1);
    for (int k = sequence - 1; k < int(ShapeSeqStart.size()); ++k)
        ShapeSeqStart[k] -= count;
    --NumShapeSeqs;
}

void ShapeLoop::selectSequence(int sequence)
{
    if (sequence < 1 || sequence > NumShapeSeqs)
        return;
    PrevSelectedSeq = SelectedSeq;
    SelectedSeq = sequence;
    showSequences();
}

int ShapeLoop::pointsOf(int sequence) const
{
    if (sequence < 1 || sequence > NumShapeSeqs)
        return 0;
    const int end = sequence < NumShapeSeqs ? ShapeSeqStart[sequence] : m_s.ws.NumShapePoints;
    return end - ShapeSeqStart[sequence - 1];
}

void ShapeLoop::showSequences()
{
    m_s.ui.setText(QStringLiteral("Counter"),
                   SelectedSeq == 0 ? QString()
                                    : QStringLiteral("Sequence %1: %2 points")
                                          .arg(SelectedSeq)
                                          .arg(pointsOf(SelectedSeq)));
    m_s.ui.setText(QStringLiteral("Total"),
                   QStringLiteral("Head shape: %1 points").arg(m_s.ws.NumShapePoints));
    m_w.view().showShapeSequences(ShapeSeqStart, SelectedSeq);
}
