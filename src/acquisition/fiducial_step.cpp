#include "fiducial_step.h"

#include "acquisition/live_checks.h"
#include "acquisition/wizard.h"
#include "data/number_text.h"
#include "data/workspace.h"
#include "geometry/electrode_sets.h"
#include "geometry/geometry_error.h"
#include "geometry/head_frames.h"
#include "geometry/meg_chain.h"
#include "seams/dialogs.h"
#include "seams/session.h"

namespace {
const char *const Axes[] = {"X+", "Y+", "Y-"};
} // namespace

FiducialStep::FiducialStep(Wizard &wizard, Kind kind)
    : m_w(wizard), m_s(wizard.session()), m_kind(kind)
{}

int FiducialStep::measuringSubStep() const
{
    return m_kind == Kind::Dewar ? 2 : 3;
}

int FiducialStep::firstReference() const
{
    return m_s.ws.ReceiverCount == 0 ? 0 : 1;
}

int FiducialStep::lastReference() const
{
    return std::max(0, m_s.ws.ReceiverCount);
}

int FiducialStep::receiverBlocks() const
{
    // The dewar's receiver is the first block; the head receivers follow it.
    if (m_kind == Kind::Dewar)
        return 1;
    if (m_kind == Kind::Shape)
        return std::clamp(m_s.ws.ReceiverCount, 0, 3);
    return std::min(3, std::max(1, m_s.ws.ReceiverCount) + 1);
}

QString FiducialStep::fiducialText(int fiducial) const
{
    return (m_kind == Kind::Dewar ? QStringLiteral("at dewar fiducial ")
                                  : QStringLiteral("at subject fiducial ")) +
           QLatin1String(Axes[fiducial - 1]);
}

static QString titleOf(FiducialStep::Kind kind)
{
    switch (kind) {
    case FiducialStep::Kind::Dewar:
        return QStringLiteral("Measurement of dewar fiducials");
    case FiducialStep::Kind::Subject:
        return QStringLiteral("Measurement of subject fiducials");
    default:
        return QStringLiteral("Head shape");
    }
}

void FiducialStep::dispatch(int subStep)
{
    m_complete = false;
    m_w.SetButtons(0, 0, 1, 0, 1, 1);
    m_w.view().setStepTitle(titleOf(m_kind));
    m_w.view().setPointProgress(0, 0, QString());
    m_w.initializeDigitizer();
    if (m_kind == Kind::Dewar) {
        if (subStep == 1)
            m_w.ShowPrompt(crJoin(
                {QStringLiteral("Place the transmitter"), QStringLiteral("near the dewar.")}));
        else if (subStep == 2)
            measure();
        return;
    }
    switch (subStep) {
    case 1:
        // Without a head receiver there is nothing to mount.
        if (m_kind == Kind::Shape && m_s.ws.ReceiverCount == 0) {
            m_w.state.SubStep = 2;
            dispatch(2);
            return;
        }
        m_w.SetButtons(0, 0, 1, 0, 1, 1);
        m_w.ShowPrompt(crJoin({m_s.ws.ReceiverCount == 1 ? QStringLiteral("Mount the receiver")
                                                         : QStringLiteral("Mount the receivers"),
                               QStringLiteral("on the subject.")}));
        break;
    case 2:
        m_w.SetButtons(1, 0, 1, 0, 1, 1);
        m_w.ShowPrompt(
            crJoin({QStringLiteral("Place the transmitter"), QStringLiteral("near the subject.")}));
        break;
    case 3:
        measure();
        break;
    default:
        break;
    }
}

void FiducialStep::measure()
{
    m_w.state.RepeatTarget = measuringSubStep();
    m_w.SetButtons(1, 1, 0, 0, 1, 1);
    m_taken.clear();
    m_pass = 1;
    m_fiducial = 1;
    if (!isDevice(m_s.ws.settings.Digitizer)) {
        m_w.needsDigitizer();
        return;
    }
    if (m_kind == Kind::Shape && (m_s.ws.ReceiverCount < 0 || m_s.ws.ReceiverCount > 3)) {
        m_s.dialogs.show(QStringLiteral("Please select number of receivers"));
        return;
    }
    if (m_kind == Kind::Subject && (m_s.ws.ReceiverCount < 1 || m_s.ws.ReceiverCount > 2)) {
        m_s.dialogs.show(crJoin(
            {QStringLiteral("The subject fiducials need one or two receivers on the subject's "
                            "head."),
             QStringLiteral("Choose Digitize > Receivers On Subject first.")}));
        return;
    }
    promptFiducial();
}

void FiducialStep::promptFiducial()
{
    m_w.ShowPrompt(
        crJoin({QStringLiteral("Place the stylus"), fiducialText(m_fiducial) + QStringLiteral("."),
                QStringLiteral("When ready,"), QStringLiteral("press the stylus button.")}));
    // The head's fiducials by name as well: X+ is the nasion, Y+ the left ear, Y- the right.
    static const char *const HeadNames[] = {"Nasion", "Left preauricular", "Right preauricular"};
    const QString axis = QLatin1String(Axes[m_fiducial - 1]);
    const QString name = m_kind == Kind::Dewar
                             ? axis
                             : QStringLiteral("%1 (%2)").arg(QLatin1String(HeadNames[m_fiducial - 1]), axis);
    m_w.view().setPointProgress((m_pass - 1) * 3 + m_fiducial, 6,
                                QStringLiteral("%1, pass %2").arg(name).arg(m_pass));
    m_w.startWait(RecordWait::Kind::Stylus, receiverBlocks(),
                  [this](const RecordWait &w) { readingEnded(w); });
}

void FiducialStep::readingEnded(const RecordWait &wait)
{
    WizardState &st = m_w.state;
    if (wait.outcome() == RecordWait::Outcome::Cancelled ||
        (wait.outcome() == RecordWait::Outcome::Received && st.CancelRequested == 1)) {
        st.CancelRequested = 0;
        m_w.ClearPrompt();
        return;
    }
    if (wait.outcome() != RecordWait::Outcome::Received || !wait.reading())
        return;
    const Reading &r = *wait.reading();
    Workspace &ws = m_s.ws;
    if (m_taken.empty()) {
        if (m_kind == Kind::Dewar)
            MegChain::takeDewarPose(ws, r);
        else if (m_kind == Kind::Subject)
            MegChain::takeSubjectPoses(ws, r);
    }
    auto &raw = m_kind == Kind::Dewar     ? ws.raw.calibration
                : m_kind == Kind::Subject ? ws.raw.fiducials
                                          : ws.raw.shapeFiducials;
    raw[(m_pass - 1) * 3 + m_fiducial - 1] = wait.record();
    m_taken.push_back(r);
    m_w.acknowledge();
    if (++m_fiducial > 3) {
        m_fiducial = 1;
        ++m_pass;
    }
    if (m_pass > 2)
        showResults();
    else
        promptFiducial();
}

void FiducialStep::showResults()
{
    Workspace &ws = m_s.ws;
    m_w.state.CancelRequested = 0;
    m_w.ClearPrompt();
    m_w.view().setStepTitle(titleOf(m_kind));
    auto cm = [&](double v) {
        return myFormat(v, QStringLiteral("#0.00"), ws.settings, &m_s.dialogs);
    };
    WizardView::Prompt p;
    // Shape fiducials are compared relative to the head, so a head that moved does not count.
    const int ref = m_kind == Kind::Shape ? firstReference() : -1;
    auto position = [&](const Reading &r) {
        return ref < 0 ? r.stylus : referredStylus(r, ref);
    };
    for (int k = 0; k < 3; ++k) {
        const Point3 a = position(m_taken[k]);
        const Point3 b = position(m_taken[3 + k]);
        const double delta = 100.0 * (b - a).norm();
        bool warn = false;
        const QString line = LiveChecks::deltaLine(k + 1, delta, cm(delta), warn);
        p.add(line, warn);
        m_means[k] = (a + b) / 2.0;
    }
    if (m_kind == Kind::Shape) {
        for (int rf = firstReference(); rf <= lastReference(); ++rf)
            for (int k = 0; k < 3; ++k)
                m_refMeans[rf][k] =
                    (referredStylus(m_taken[k], rf) + referredStylus(m_taken[3 + k], rf)) / 2.0;
    }
    const int first = m_kind == Kind::Subject ? 2 : 1;
    const int last = m_kind == Kind::Dewar ? 1 : receiverBlocks();
    for (int r = first; r <= last; ++r) {
        double moved = 0;
        for (const Reading &later : m_taken)
            moved = std::max(moved, LiveChecks::receiverMovedCm(m_taken.front(), later, r));
        if (moved > LiveChecks::ReceiverMovedCm) {
            const QString who = m_kind == Kind::Dewar ? QStringLiteral("The dewar receiver")
                                : QStringLiteral("Head receiver %1").arg(r - first + 1);
            p.add(LiveChecks::receiverMovedLine(who, cm(moved)), true);
        }
    }
    m_w.ShowPrompt(p);
    m_w.SetButtons(1, 1, 0, 1, 1, 1);
    m_complete = true;
}

bool FiducialStep::accept()
{
    if (!m_complete)
        return false;
    Workspace &ws = m_s.ws;
    try {
        if (m_kind == Kind::Dewar) {
            MegChain::computeCalibration(ws, m_means);
        } else if (m_kind == Kind::Subject) {
            MegChain::computeSubjectTransforms(ws, m_means);
        } else {
            std::array<FidTriple, 4> refFid = ws.RefFid;
            for (int rf = firstReference(); rf <= lastReference(); ++rf)
                refFid[rf] = m_refMeans[rf];
            std::array<Transform4, 4> mref = ws.MRef;
            ws.ShapeFid = computeHeadFrames(refFid, ws.ReceiverCount, mref);
            ws.RefFid = refFid;
            ws.MRef = mref;
            return true;
        }
    } catch (const GeometryError &e) {
        m_s.dialogs.show(e.message());
        return false;
    }
    m_w.ShowPrompt(m_kind == Kind::Dewar
                       ? crJoin({QStringLiteral("The calibration is computed."),
                                 QStringLiteral("File > Save > Calibration File keeps it.")})
                       : crJoin({QStringLiteral("The subject transforms are computed."),
                                 QStringLiteral("File > Save > Fiducials File keeps them.")}));
    if (m_w.updateMenus)
        m_w.updateMenus();
    return true;
}
