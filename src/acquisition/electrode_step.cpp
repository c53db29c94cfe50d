#include "electrode_step.h"

#include "acquisition/live_checks.h"
#include "acquisition/wizard.h"
#include "data/point_types.h"
#include "data/workspace.h"
#include "digitizer/record_parser.h"
#include "geometry/electrode_sets.h"
#include "seams/controls.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"

ElectrodeStep::ElectrodeStep(Wizard &wizard)
    : m_w(wizard), m_s(wizard.session()), m_st(wizard.state)
{}

bool ElectrodeStep::device() const
{
    return isDevice(m_s.ws.settings.Digitizer);
}

int ElectrodeStep::receiverBlocks() const
{
    return std::max(0, m_s.ws.ReceiverCount);
}

QString ElectrodeStep::pointName(int point) const
{
    const QString code = m_s.ws.SeqCode.value(point);
    if (code == PointTypes::Nasion)
        return QStringLiteral("Nasion");
    if (code == PointTypes::LeftPreauricular)
        return QStringLiteral("Left Preauricular");
    if (code == PointTypes::RightPreauricular)
        return QStringLiteral("Right Preauricular");
    return m_s.ws.SeqName.value(point);
}

int ElectrodeStep::sequenceIndexOf(int electrode) const
{
    int k = -1;
    for (int i = 0; i < m_s.ws.NumSeq; ++i)
        if (!PointTypes::isFiducial(m_s.ws.SeqCode.value(i)) && ++k == electrode)
            return i;
    return -1;
}

QStringList ElectrodeStep::unreadElectrodes() const
{
    QStringList out;
    for (int i = 0; i < m_s.ws.NumSeq && i < int(m_readings.size()); ++i)
        if (!m_readings[i] && !PointTypes::isFiducial(m_s.ws.SeqCode.value(i)))
            out << m_s.ws.SeqName.value(i);
    return out;
}

std::vector<Reading> ElectrodeStep::readings() const
{
    std::vector<Reading> out(m_s.ws.NumSeq);
    for (int i = 0; i < m_s.ws.NumSeq && i < int(m_readings.size()); ++i)
        if (m_readings[i])
            out[i] = *m_readings[i];
    return out;
}

void ElectrodeStep::dispatch(int subStep)
{
    switch (subStep) {
    case 1:
        m_mode = Mode::Idle;
        m_w.SetButtons(0, 0, 1, 0, 0, 1);
        if (m_s.ws.ReceiverCount != 0) {
            m_w.SetButtons(0, 0, 1, 0, 1, 1);
            m_w.ShowPrompt(
                crJoin({m_s.ws.ReceiverCount == 1 ? QStringLiteral("Mount the receiver")
                                                  : QStringLiteral("Mount the receivers"),
                        QStringLiteral("on the subject.")}));
            return;
        }
        m_w.SetButtons(0, 0, 1, 0, 1, 1);
        m_st.SubStep = 2;
        [[fallthrough]];
    case 2:
        m_mode = Mode::Idle;
        m_w.initializeDigitizer();
        // Cancel stays: a digitizer that cannot be reached must not leave Next as the only way.
        m_w.SetButtons(0, 0, 1, 0, 1, 1);
        m_w.ShowPrompt(
            crJoin({QStringLiteral("Place the transmitter"), QStringLiteral("near the subject.")}));
        return;
    case 3:
        startLoop();
        return;
    default:
        return;
    }
}

void ElectrodeStep::startLoop()
{
    Workspace &ws = m_s.ws;
    ws.SeqRaw = QStringList();
    ws.SeqRaw.resize(ws.NumSeq);
    m_readings.assign(ws.NumSeq, std::nullopt);
    m_converted = false;
    m_journalTold = false;
    if (device()) {
        Journal &journal = m_w.journal();
        if (journal.path().isEmpty())
            journal.setPath(Journal::defaultPath(ws.AppPath));
        QString error;
        if (!journal.begin(ws, &error)) {
            m_journalTold = true;
            m_s.dialogs.show(
                crJoin({QStringLiteral("The measurement journal cannot be written:"), error,
                        QStringLiteral("The measurement goes on, but a crash would "
                                       "lose the points taken.")}));
        }
    }
    enterLoop(1);
}

void ElectrodeStep::resume(int pointCounter)
{
    Workspace &ws = m_s.ws;
    m_readings.assign(ws.NumSeq, std::nullopt);
    for (int i = 0; i < ws.NumSeq; ++i) {
        if (!ws.SeqRaw.value(i).isEmpty())
            m_readings[i] =
                Records::parseReading(ws.settings.Digitizer, ws.SeqRaw[i], receiverBlocks());
    }
    m_converted = false;
    m_journalTold = false;
    enterLoop(pointCounter);
}

void ElectrodeStep::enterLoop(int pointCounter)
{
    Workspace &ws = m_s.ws;
    m_st.RepeatJump = 1;
    m_st.RepeatTarget = 1;
    m_w.SetButtons(1, 0, 0, 0, 1, 1);
    m_st.PointLimit = ws.NumSeq + 1;
    m_st.AtLastPoint = 0;
    m_st.NextRequested = 0;
    m_st.BackRequested = 0;
    m_names = ws.SeqName;
    m_codes = ws.SeqCode;
    m_pressedTwice.clear();
    m_fixingFiducial = false;
    m_mode = Mode::Loop;
    m_st.PointCounter = std::max(1, pointCounter);
    promptPoint();
}

void ElectrodeStep::promptPoint()
{
    Workspace &ws = m_s.ws;
    while (m_mode == Mode::Loop && m_st.PointCounter <= ws.NumSeq) {
        const int i = m_st.PointCounter - 1;
        const QString name = pointName(i);
        const QString text = QStringLiteral("Digitize  ") + name;
        m_w.playPrompt(i);
        WizardView::Prompt p;
        p.add(text);
        if (!m_pressedTwice.isEmpty())
            p.add(m_pressedTwice, true);
        m_pressedTwice.clear();
        m_w.ShowPrompt(p);
        m_w.view().setPointProgress(m_st.PointCounter, ws.NumSeq, name);
        if (!device()) {
            ws.SeqRaw[i] = text;
            ++m_st.PointCounter;
            continue;
        }
        m_w.startWait(RecordWait::Kind::Stylus, receiverBlocks(),
                      [this](const RecordWait &w) { pointEnded(w); });
        return;
    }
    if (m_mode == Mode::Loop)
        finishLoop();
}

void ElectrodeStep::store(int point, const QString &record, const std::optional<Reading> &reading)
{
    m_s.ws.SeqRaw[point] = record;
    m_readings[point] = reading;
    Journal &journal = m_w.journal();
    if (!journal.isOpen())
        return;
    QString error;
    if (!journal.append(point, m_s.ws.SeqName.value(point), record, &error) && !m_journalTold) {
        m_journalTold = true;
        m_s.dialogs.show(
            crJoin({QStringLiteral("The measurement journal cannot be written:"), error,
                    QStringLiteral("The measurement goes on, but a crash would lose "
                                   "the points taken from now on.")}));
    }
}

void ElectrodeStep::pointEnded(const RecordWait &wait)
{
    switch (wait.outcome()) {
    case RecordWait::Outcome::Received: {
        const int i = m_st.PointCounter - 1;
        store(i, wait.record(), wait.reading());
        if (i > 0 && m_readings[i - 1] && m_readings[i] &&
            LiveChecks::pressedTwice(*m_readings[i - 1], *m_readings[i], m_s.ws.ReceiverCount))
            m_pressedTwice = LiveChecks::pressedTwiceLine(pointName(i), pointName(i - 1));
        m_w.acknowledge();
        advance();
        break;
    }
    case RecordWait::Outcome::Next:
        m_st.NextRequested = 0;
        advance();
        break;
    case RecordWait::Outcome::Cancelled:
        m_mode = Mode::Idle;
        break;
    default:
        break;
    }
}

void ElectrodeStep::advance()
{
    ++m_st.PointCounter;
    if (m_fixingFiducial)
        m_st.PointCounter = m_s.ws.NumSeq + 1;
    // Back at the first point switched Back off; past it, Back works again.
    if (m_st.PointCounter > 1 && !m_w.buttons().back)
        m_w.setButton(Wizard::Button::Back, true);
    promptPoint();
}

void ElectrodeStep::next()
{
    if (m_mode == Mode::Loop) {
        if (m_w.waiting()) {
            m_w.endWait(RecordWait::Outcome::Next);
        } else {
            m_st.NextRequested = 0;
            advance();
        }
    } else if (m_mode == Mode::Single) {
        m_st.NextRequested = 0;
        leaveSingle();
    }
}

// Next or Back while one electrode is taken again: that electrode keeps its reading.
void ElectrodeStep::leaveSingle()
{
    m_w.dropWait();
    m_mode = Mode::Idle;
    finish({});
}

void ElectrodeStep::back()
{
    if (m_mode == Mode::Loop) {
        m_w.dropWait();
        m_st.BackRequested = 0;
        m_fixingFiducial = false;
        m_st.PointCounter = std::max(1, m_st.PointCounter - 1);
        promptPoint();
    } else if (m_mode == Mode::Single) {
        m_st.BackRequested = 0;
        leaveSingle();
    }
}

void ElectrodeStep::finishLoop()
{
    Workspace &ws = m_s.ws;
    m_w.view().setPointProgress(0, 0, QString());
    if (!device()) {
        m_mode = Mode::Idle;
        m_w.SetButtons(0, 1, 0, 0, 1, 1);
        m_w.needsDigitizer();
        return;
    }
    // The head frame needs every fiducial: a skipped one is asked for again.
    for (int i = 0; i < ws.NumSeq; ++i) {
        if (PointTypes::isFiducial(ws.SeqCode.value(i)) && !m_readings[i]) {
            m_s.dialogs.show(crJoin(
                {QStringLiteral("%1 (point %2) has no reading.").arg(pointName(i)).arg(i + 1),
                 QStringLiteral("The fiducials are needed to convert the "
                                "points: please digitize it.")}));
            m_fixingFiducial = true;
            m_st.PointCounter = i + 1;
            promptPoint();
            return;
        }
    }
    m_mode = Mode::Idle;
    if (!ComputeElectrodeSets(ws, readings(), m_s.dialogs)) {
        m_w.SetButtons(0, 1, 0, 0, 1, 1);
        m_w.ShowPrompt(crJoin({QStringLiteral("The points could not be converted."),
                               QStringLiteral("Repeat digitizes the sequence again.")}));
        return;
    }
    m_converted = true;
    m_electrodes = ws.sensors.NumSensors;
    QStringList notes;
    const QStringList skipped = unreadElectrodes();
    ws.UnreadElectrodes = skipped;
    if (!skipped.isEmpty())
        notes << QStringLiteral("Not digitized (skipped with Next): %1. Click a name to "
                                "digitize it.")
                     .arg(skipped.join(QStringLiteral(", ")));
    if (!m_pressedTwice.isEmpty())
        notes << QString(m_pressedTwice)
                     .replace(QStringLiteral("Back retakes it"),
                              QStringLiteral("click its name to retake it"));
    m_pressedTwice.clear();
    finish(notes);
}

void ElectrodeStep::finish(const QStringList &notes)
{
    Workspace &ws = m_s.ws;
    UiState &ui = m_s.ui;
    m_w.SetButtons(0, 0, 0, 1, 1, 1);
    ui.setText(Controls::IniStrings, QString());
    ws.ElectrodesDirty = 1;
    m_w.ClearPrompt();
    m_w.SetButtons(0, 0, 0, 1, 1, 0);
    const int n = ws.sensors.NumSensors;
    ui.setText(QStringLiteral("Label02"), QStringLiteral("Electrodes"));
    const QString &system = ws.settings.CoordinateSystem;
    if (system == QLatin1String("BESA"))
        copyToMeasured(ws, ws.besa, n);
    else if (system == QLatin1String("Curry"))
        copyToMeasured(ws, ws.curry, n);
    if (system == QLatin1String("BESA") || system == QLatin1String("Curry")) {
        ui.setText(QStringLiteral("XAxis"), QStringLiteral("x-axis (RPA)"));
        ui.setText(QStringLiteral("YAxis"), QStringLiteral("y-axis (Nz)"));
    }
    QStringList names;
    for (int k = 0; k < n && k < int(ws.meas.Name.size()); ++k)
        names << ws.meas.Name[k].trimmed();
    m_w.view().setPointNames(names);
    m_w.view().showElectrodeSet();
    if (!notes.isEmpty()) {
        WizardView::Prompt p;
        for (const QString &line : notes)
            p.add(line, true);
        m_w.ShowPrompt(p);
    }
}

// Electrodes skipped with Next have no position: they are never kept with a made-up one.
bool ElectrodeStep::leaveOutUnread()
{
    Workspace &ws = m_s.ws;
    const QStringList missing = unreadElectrodes();
    QStringList names, codes;
    std::vector<Reading> taken;
    for (int i = 0; i < ws.NumSeq && i < int(m_readings.size()); ++i) {
        if (!m_readings[i] && !PointTypes::isFiducial(ws.SeqCode.value(i)))
            continue;
        names << ws.SeqName.value(i);
        codes << ws.SeqCode.value(i);
        taken.push_back(m_readings[i].value_or(Reading()));
    }
    if (missing.isEmpty() || !m_converted || !device()) {
        ws.UnreadElectrodes.clear();
        return true;
    }
    if (m_s.dialogs.message(
            crJoin({QStringLiteral("These points have no reading: %1.")
                        .arg(missing.join(QStringLiteral(", "))),
                    QStringLiteral("Yes leaves them out of the electrode data; No goes back, so "
                                   "that a click on a name digitizes it."),
                    QString(), QStringLiteral("Leave them out?")}),
            Dialogs::QuestionTitle, Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
            Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return false;
    // The electrode sets are computed from the points that were taken; the sequence stays whole.
    const int numSeq = ws.NumSeq;
    const QStringList allNames = ws.SeqName, allCodes = ws.SeqCode;
    ws.NumSeq = int(names.size());
    ws.SeqName = names;
    ws.SeqCode = codes;
    const bool computed = ComputeElectrodeSets(ws, taken, m_s.dialogs);
    ws.NumSeq = numSeq;
    ws.SeqName = allNames;
    ws.SeqCode = allCodes;
    if (computed)
        ws.UnreadElectrodes.clear();
    return computed;
}

bool ElectrodeStep::accept()
{
    if (!leaveOutUnread())
        return false;
    m_mode = Mode::Idle;
    Workspace &ws = m_s.ws;
    ws.ElectrodesDirty = 1;
    if (ws.settings.CoordinateSystem == QLatin1String("TEVO") &&
        m_s.dialogs.message(QStringLiteral("Do you want to continue with shape digitization ?"),
                            Dialogs::QuestionTitle, Dialogs::Buttons::YesNo,
                            Dialogs::Icon::Question, Dialogs::Answer::No) == Dialogs::Answer::Yes) {
        m_w.view().clearDisplay();
        ws.ShapeFid = ws.meas.Fid;
        m_st.Step = Steps::Shape;
        m_st.SubStep = 4;
        m_w.DispatchStep();
        return true;
    }
    m_w.clearDigitizingDisplay();
    return true;
}

void ElectrodeStep::cancel()
{
    if (!m_converted)
        m_w.journal().discard();
    m_mode = Mode::Idle;
}

void ElectrodeStep::checkSequence()
{
    const Workspace &ws = m_s.ws;
    if (m_mode == Mode::Idle && !m_converted)
        return;
    if (ws.SeqName == m_names && ws.SeqCode == m_codes && ws.NumSeq == m_names.size() &&
        (!m_converted || ws.sensors.NumSensors == m_electrodes))
        return;
    const bool measuring = m_mode != Mode::Idle;
    m_w.dropWait();
    m_mode = Mode::Idle;
    m_converted = false;
    m_w.view().setPointNames({});
    m_w.journal().discard();
    if (measuring) {
        m_w.ClearPrompt();
        m_w.SetButtons(0, 0, 0, 0, 0, 0);
        m_s.dialogs.show(QStringLiteral(
            "The sequence changed while it was being digitized; the measurement was stopped."));
    }
}

// The sequence point of a converted electrode that can be taken again; -1 when there is none.
int ElectrodeStep::retakablePoint(int electrode) const
{
    if (!m_converted || electrode < 0 || electrode >= m_s.ws.sensors.NumSensors)
        return -1;
    return sequenceIndexOf(electrode);
}

void ElectrodeStep::redigitize(int electrode)
{
    Workspace &ws = m_s.ws;
    const int point = retakablePoint(electrode);
    if (point < 0)
        return;
    const QString name = ws.meas.Name[electrode].trimmed();
    // A point never taken has nothing to lose: taking it needs no question.
    const bool taken = point < int(m_readings.size()) && m_readings[point].has_value();
    if (taken && m_s.dialogs.message(QStringLiteral("Do you want to re-digitize ") + name +
                                         QStringLiteral("?"),
                            QStringLiteral("Edit Points"), Dialogs::Buttons::YesNo,
                            Dialogs::Icon::Question, Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
        return;
    m_st.PointLimit = 0;
    m_st.AtLastPoint = 0;
    m_w.ClearPrompt();
    m_st.PointCounter = point + 1;
    m_w.SetButtons(0, 0, 0, 0, 1, 1);
    startSingle(electrode, point, QStringLiteral("Digitize  ") + name);
}

void ElectrodeStep::edit(int electrode)
{
    Workspace &ws = m_s.ws;
    const int point = retakablePoint(electrode);
    if (point < 0)
        return;
    m_st.RepeatJump = 1;
    m_st.RepeatTarget = 1;
    m_w.SetButtons(1, 0, 0, 0, 1, 1);
    m_st.PointLimit = 1;
    m_st.AtLastPoint = 1;
    m_st.PointCounter = point + 1;
    startSingle(electrode, point,
                crJoin({QStringLiteral("Re-Digitize"), ws.meas.Name[electrode].trimmed()}));
}

void ElectrodeStep::startSingle(int electrode, int point, const QString &prompt)
{
    if (!device()) {
        m_w.needsDigitizer();
        finish({});
        return;
    }
    m_mode = Mode::Single;
    m_w.playPrompt(point);
    m_w.ShowPrompt(prompt);
    m_w.view().setPointProgress(point + 1, m_s.ws.NumSeq, pointName(point));
    m_w.startWait(
        RecordWait::Kind::Stylus, receiverBlocks(),
        [this, electrode, point](const RecordWait &w) { singleEnded(w, electrode, point); });
}

void ElectrodeStep::singleEnded(const RecordWait &wait, int electrode, int point)
{
    if (wait.outcome() == RecordWait::Outcome::Cancelled) {
        m_mode = Mode::Idle;
        return;
    }
    if (wait.outcome() != RecordWait::Outcome::Received)
        return;
    m_mode = Mode::Idle;
    store(point, wait.record(), wait.reading());
    m_w.acknowledge();
    convertOne(electrode);
    finish({});
}

bool ElectrodeStep::convertOne(int electrode)
{
    Workspace &ws = m_s.ws;
    ws.UnreadElectrodes = unreadElectrodes();
    // The BESA and Curry sets follow from the whole TEVO set; only TEVO is updated in place.
    if (ws.settings.CoordinateSystem != QLatin1String("TEVO"))
        return ComputeElectrodeSets(ws, readings(), m_s.dialogs);
    if (!ComputeElectrodePoint(ws, readings(), m_s.dialogs, electrode))
        return false;
    if (electrode < int(ws.tevo.Pos.size()))
        ws.tevo.Pos[electrode] = ws.meas.Pos[electrode];
    return true;
}
