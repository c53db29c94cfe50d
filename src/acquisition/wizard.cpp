#include "wizard.h"

#include "acquisition/electrode_step.h"
#include "acquisition/fiducial_step.h"
#include "acquisition/probe_step.h"
#include "data/app_paths.h"
#include "data/point_types.h"
#include "data/sound_prompts.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "seams/clock.h"
#include "seams/command_table.h"
#include "seams/controls.h"
#include "seams/dialogs.h"
#include "seams/serial_link.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"

#include <QDir>
#include <QFileInfo>

Wizard::Wizard(Session &session)
    : m_s(session), m_headShape(std::make_unique<HeadShapeStep>(*this)),
      m_shape(m_headShape.get()), m_wait(session),
      m_electrodes(std::make_unique<ElectrodeStep>(*this)),
      m_dewar(std::make_unique<FiducialStep>(*this, FiducialStep::Kind::Dewar)),
      m_subject(std::make_unique<FiducialStep>(*this, FiducialStep::Kind::Subject)),
      m_probe(std::make_unique<ProbeStep>(*this))
{
    // The prompt says in red that the device went away; the wait goes on by itself.
    m_wait.setReportsLoss(false);
}

Wizard::~Wizard()
{
    m_then = nullptr;
    m_wait.end(RecordWait::Outcome::Closed);
    m_journal.close();
}

void Wizard::setView(WizardView *view)
{
    m_view = view ? view : &m_noView;
    if (m_buttonsSet)
        m_view->setButtons(m_buttons);
    m_view->showPrompt(m_prompt);
    m_view->waitChanged(m_wait.running());
}

void Wizard::setShapeStep(ShapeStep *step)
{
    m_shape = step ? step : m_headShape.get();
}

void Wizard::registerCommands(CommandTable &t)
{
    t.add(QStringLiteral("menuCalibration"), [this] { menuCalibration(); });
    t.add(QStringLiteral("menuFiducials"), [this] { menuFiducials(); });
    t.add(QStringLiteral("menuProbe"), [this] { menuProbe(); });
    t.add(QStringLiteral("menuEProbes"), [this] { menuEProbes(); });
    t.add(QStringLiteral("menuMeasureFid"), [this] { menuMeasureFid(); });
    t.add(QStringLiteral("menuShape"), [this] { menuShape(); });
    t.add(QStringLiteral("SeqDelete"), [this] { DeleteSequence(); });
    t.add(QStringLiteral("AcceptButton"), [this] { press(Button::Accept); });
    t.add(QStringLiteral("BackButton"), [this] { press(Button::Back); });
    t.add(QStringLiteral("RepeatButton"), [this] { press(Button::Repeat); });
    t.add(QStringLiteral("NextButton"), [this] { press(Button::Next); });
    t.add(QStringLiteral("CancelButton"), [this] { press(Button::Cancel); });
    t.add(QStringLiteral("Edit_Button"), [this] {
        if (m_selected < 0)
            m_s.dialogs.show(QStringLiteral("Select an electrode in the list of names first."));
        else
            EditPoint(m_selected);
    });
}

void Wizard::enter(int step)
{
    dropWait();
    m_electrodes->leave();
    state.CancelRequested = 0;
    state.Step = step;
    state.SubStep = 1;
}

void Wizard::menuCalibration()
{
    enter(Steps::Dewar);
    m_s.ui.setText(Controls::IniStrings, QString());
    DispatchStep();
}

void Wizard::menuFiducials()
{
    enter(Steps::Subject);
    DispatchStep();
}

void Wizard::menuProbe()
{
    enter(Steps::Probe);
    DispatchStep();
}

void Wizard::menuShape()
{
    if (!ShapeLoop::mayDiscardShape(m_s))
        return;
    m_view->clearDisplay();
    m_s.ws.CurrentView = QStringLiteral("Clear View");
    m_s.ui.setText(Controls::DataListing, QString());
    for (const char *label : {"Label03", "Counter", "Total"})
        m_s.ui.setText(QString::fromLatin1(label), QString());
    enter(Steps::Shape);
    m_view->shapeMode(true);
    DispatchStep();
}

void Wizard::menuEProbes()
{
    Workspace &ws = m_s.ws;
    state.CancelRequested = 0;
    m_s.ui.setText(QStringLiteral("Label03"), QStringLiteral("Labels"));
    if (ws.NumSeq == 0) {
        m_s.dialogs.show(crJoin({QStringLiteral("Before executing this selection,"),
                                 QStringLiteral("please open or edit a sequence file.")}));
        return;
    }
    QStringList firstCodes;
    for (int i = 0; i < 3; ++i)
        firstCodes << ws.SeqCode.value(i);
    for (const QString &code : PointTypes::fiducialCodes()) {
        if (firstCodes.count(code) != 1) {
            m_s.dialogs.show(QStringLiteral("The sequence must start with the three fiducials.") +
                             QChar(13));
            return;
        }
    }
    dropWait();
    m_view->clearDisplay();
    m_view->setPointNames({});
    ws.CurrentView = QStringLiteral("Clear View");
    m_s.ui.setText(Controls::DataListing, QString());
    enter(Steps::Electrodes);
    DispatchStep();
}

void Wizard::menuMeasureFid()
{
    enter(Steps::None);
    if (!isDevice(m_s.ws.settings.Digitizer)) {
        needsDigitizer();
        return;
    }
    SetButtons(0, 0, 0, 0, 1, 1);
    ShowPrompt(
        crJoin({QStringLiteral("Press the stylus button"), QStringLiteral("to show one record.")}));
    startWait(RecordWait::Kind::Stylus, Records::AllBlocks, [this](const RecordWait &w) {
        ClearPrompt();
        SetButtons(0, 0, 0, 0, 0, 0);
        if (w.outcome() == RecordWait::Outcome::Received)
            m_s.dialogs.message(w.record(), QStringLiteral("Measure Fiducial"),
                                Dialogs::Buttons::Ok, Dialogs::Icon::None, Dialogs::Answer::Ok);
    });
}

void Wizard::RedigitizePoint(int electrode)
{
    m_electrodes->redigitize(electrode);
}

void Wizard::EditPoint(int electrode)
{
    m_electrodes->edit(electrode);
}

void Wizard::SetButtons(int back, int repeat, int next, int accept, int cancel, int colour)
{
    m_buttons = {back != 0, repeat != 0, next != 0, accept != 0, cancel != 0, colour == 1};
    m_buttonsSet = true;
    m_view->setButtons(m_buttons);
}

void Wizard::setButton(Button button, bool enabled)
{
    switch (button) {
    case Button::Accept:
        m_buttons.accept = enabled;
        break;
    case Button::Back:
        m_buttons.back = enabled;
        break;
    case Button::Repeat:
        m_buttons.repeat = enabled;
        break;
    case Button::Next:
        m_buttons.next = enabled;
        break;
    case Button::Cancel:
        m_buttons.cancel = enabled;
        break;
    }
    m_view->setButtons(m_buttons);
}

void Wizard::ClearPrompt()
{
    m_prompt = {};
    m_view->showPrompt(m_prompt);
    m_view->setStepTitle(QString());
    m_view->setPointProgress(0, 0, QString());
    m_s.ui.setText(Controls::IniStrings, QString());
    m_s.ui.setText(Controls::DataListing, QString());
    m_s.ui.setText(QStringLiteral("PictureLabel"), QString());
    m_s.ui.setVisible(QStringLiteral("PictureLabel"), false);
}

void Wizard::ShowPrompt(const QString &text)
{
    ShowPrompt(WizardView::Prompt::fromText(text));
}

void Wizard::ShowPicturePrompt(const QString &text)
{
    ShowPicturePrompt(WizardView::Prompt::fromText(text));
}

void Wizard::ShowPicturePrompt(const WizardView::Prompt &prompt)
{
    m_s.ui.setText(QStringLiteral("PictureLabel"), prompt.text());
    m_s.ui.setVisible(QStringLiteral("PictureLabel"), true);
    ShowPrompt(prompt);
}

void Wizard::ShowPrompt(const WizardView::Prompt &prompt)
{
    m_prompt = prompt;
    m_view->showPrompt(m_prompt);
}

void Wizard::DispatchStep()
{
    dropWait();
    switch (state.Step) {
    case Steps::Dewar:
        m_dewar->dispatch(state.SubStep);
        break;
    case Steps::Subject:
        m_subject->dispatch(state.SubStep);
        break;
    case Steps::Probe:
        m_probe->dispatch(state.SubStep);
        break;
    case Steps::Shape:
        m_shape->dispatch(state.SubStep);
        break;
    case Steps::Electrodes:
        m_electrodes->dispatch(state.SubStep);
        break;
    default:
        break;
    }
}

void Wizard::startWait(RecordWait::Kind kind, int receiverBlocks, Then then)
{
    dropWait();
    m_then = std::move(then);
    m_waitBlocks = receiverBlocks;
    m_basePrompt = m_prompt;
    if (!m_wait.start(kind, receiverBlocks)) {
        m_view->waitEnded(RecordWait::Outcome::PortFailed);
        m_wait.startReconnecting(kind, receiverBlocks);
        showWaitTrouble(QStringLiteral("The digitizer port could not be opened: check the cable; "
                                       "the wait goes on by itself."));
    }
    m_view->waitChanged(true);
}

void Wizard::dropWait()
{
    if (!m_wait.running())
        return;
    m_then = nullptr;
    m_wait.end(RecordWait::Outcome::Closed);
    m_view->waitChanged(false);
}

void Wizard::endWait(RecordWait::Outcome reason)
{
    if (!m_wait.running())
        return;
    m_wait.end(reason);
    finishWait();
}

void Wizard::poll()
{
    if (m_inPoll)
        return;
    if (!m_wait.running()) {
        if (m_shape->running()) {
            m_inPoll = true;
            m_shape->poll();
            m_inPoll = false;
        }
        return;
    }
    m_inPoll = true;
    const bool reconnecting = m_wait.phase() == RecordWait::Phase::Reconnecting;
    if (m_wait.poll())
        finishWait();
    else if (reconnecting && m_wait.phase() != RecordWait::Phase::Reconnecting)
        ShowPrompt(m_basePrompt);
    m_inPoll = false;
}

void Wizard::finishWait()
{
    using Outcome = RecordWait::Outcome;
    const Outcome outcome = m_wait.outcome();
    m_view->waitChanged(false);
    m_view->waitEnded(outcome);
    Then then = std::move(m_then);
    m_then = nullptr;
    if (outcome == Outcome::DeviceGone) {
        // The same wait goes on once the device is back; Cancel, Back and Next still end it.
        m_then = std::move(then);
        m_wait.startReconnecting(m_wait.kind(), m_waitBlocks);
        showWaitTrouble(QStringLiteral(
            "The digitizer stopped answering: reconnect it; the wait goes on by itself."));
        m_view->waitChanged(true);
        return;
    }
    if (outcome == Outcome::Refused) {
        // The operator was told to repeat the measurement: wait for the next press.
        ShowPrompt(m_basePrompt);
        startWait(m_wait.kind(), m_waitBlocks, std::move(then));
        return;
    }
    if (then)
        then(m_wait);
}

void Wizard::showWaitTrouble(const QString &line)
{
    WizardView::Prompt p = m_basePrompt;
    p.add(line, true);
    m_prompt = p;
    m_view->showPrompt(p);
}

bool Wizard::initializeDigitizer()
{
    BusyScope busy(m_s.ui);
    const DigitizerSetup::InitResult r = DigitizerSetup::InitializeDigitizer(m_s);
    if (r == DigitizerSetup::InitResult::OneStationIsotrak && m_s.ws.ReceiverCount != 0)
        m_s.dialogs.show(
            crJoin({QStringLiteral("The ISOTRAK answers with the stylus only."),
                    QStringLiteral("Choose Digitize > Receivers On Subject > No Receivers.")}));
    return r != DigitizerSetup::InitResult::PortFailed;
}

void Wizard::playPrompt(int point)
{
    SoundPrompts::playStoredPrompt(m_s.ws, m_s.audio, point);
}

void Wizard::acknowledge()
{
    if (m_s.ws.SoundEnabled != 1)
        return;
    const QString file =
        QDir(AppPaths::soundsFolder(m_s.ws.AppPath)).filePath(QStringLiteral("acknowledge.wav"));
    m_s.audio.playIfExists(file);
}

void Wizard::clearDigitizingDisplay()
{
    m_view->setPointNames({});
    m_view->clearDisplay();
    SetButtons(0, 0, 0, 0, 0, 0);
    m_prompt = {};
    m_view->showPrompt(m_prompt);
}

void Wizard::needsDigitizer()
{
    m_s.dialogs.show(
        crJoin({QStringLiteral("Positions need a digitizer: choose ISOTRAK, FASTRAK or PATRIOT in "
                               "Setup > Digitizer Type."),
                QStringLiteral("With \"%1\" no position is measured.")
                    .arg(traitsOf(m_s.ws.settings.Digitizer).name)}));
}

void Wizard::windowClosing()
{
    dropWait();
    if (m_shape->running())
        m_shape->stop();
    afterCommand();
    m_journal.close();
}

void Wizard::afterCommand()
{
    m_electrodes->checkSequence();
    if (m_electrodes->converted() && m_s.ws.ElectrodesDirty == 0)
        m_journal.discard();
}

bool Wizard::offerRecovery()
{
    const QString path = Journal::defaultPath(m_s.ws.AppPath);
    if (!QFileInfo::exists(path))
        return false;
    QString error;
    const std::optional<Journal::Contents> c = Journal::read(path, &error);
    if (!c) {
        const QString aside = path + QStringLiteral(".unreadable");
        QFile::remove(aside);
        QFile::rename(path, aside);
        m_s.dialogs.show(crJoin({QStringLiteral("The journal of an unfinished measurement could "
                                                "not be read and was set aside as"),
                                 QDir::toNativeSeparators(aside) + QStringLiteral(":"), error}));
        return false;
    }
    const QString question =
        QStringLiteral("An unfinished measurement of %1, %2 of %3 points, was found. Recover it?")
            .arg(c->started.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
            .arg(c->taken())
            .arg(c->names.size());
    if (m_s.dialogs.message(question, Dialogs::QuestionTitle, Dialogs::Buttons::YesNo,
                            Dialogs::Icon::Question,
                            Dialogs::Answer::Yes) != Dialogs::Answer::Yes) {
        QFile::remove(path);
        return false;
    }
    return recoverFrom(path);
}

bool Wizard::recoverFrom(const QString &journalPath)
{
    QString error;
    const std::optional<Journal::Contents> c = Journal::read(journalPath, &error);
    if (!c) {
        m_s.dialogs.show(error);
        return false;
    }
    Workspace &ws = m_s.ws;
    if (c->model != ws.settings.Digitizer) {
        m_s.dialogs.show(
            QStringLiteral("The unfinished measurement was taken with a %1; choose %1 in Setup > "
                           "Digitizer Type to recover it.")
                .arg(traitsOf(c->model).name));
        return false;
    }
    enter(Steps::Electrodes);
    m_journal.setPath(journalPath);
    if (!m_journal.resume(&error))
        m_s.dialogs.show(crJoin({QStringLiteral("The journal cannot be continued:"), error,
                                 QStringLiteral("The measurement goes on without it.")}));
    ws.NumSeq = static_cast<int>(c->names.size());
    ws.SeqName = c->names;
    ws.SeqCode = c->codes;
    ws.SeqRaw = c->records();
    ws.SequenceFile = c->sequenceFile;
    ws.SequenceTitle = c->sequenceTitle;
    ws.ReceiverCount = c->receivers;
    if (updateMenus)
        updateMenus();
    state.SubStep = 3;
    m_electrodes->resume(c->lastPoint() + 2);
    return true;
}

bool Wizard::resultReady() const
{
    switch (state.Step) {
    case Steps::Dewar:
        return m_dewar->complete();
    case Steps::Subject:
        return m_subject->complete();
    case Steps::Probe:
        return m_probe->complete();
    case Steps::Electrodes:
        return m_electrodes->converted() && !m_wait.running();
    case Steps::Shape:
        return state.SubStep == 4 && m_shape->hasPoints();
    default:
        return false;
    }
}
