#include "shape_step.h"

#include "acquisition/wizard.h"
#include "data/workspace.h"
#include "seams/dialogs.h"
#include "seams/session.h"

HeadShapeStep::HeadShapeStep(Wizard &wizard)
    : m_w(wizard), m_fiducials(wizard, FiducialStep::Kind::Shape), m_loop(wizard)
{}

void HeadShapeStep::dispatch(int subStep)
{
    if (subStep >= 1 && subStep <= 3) {
        m_accepted = false;
        m_fiducials.dispatch(subStep);
        return;
    }
    if (subStep != 4)
        return;
    m_w.SetButtons(0, 0, 0, 1, 1, 1);
    m_w.view().setStepTitle(QStringLiteral("Head shape"));
    m_w.view().shapeMode(true);
    if (!m_loop.start())
        m_w.SetButtons(0, 0, 0, 0, 1, 1);
}

void HeadShapeStep::acceptFiducials()
{
    m_accepted = m_fiducials.accept();
}

void HeadShapeStep::stop()
{
    m_loop.stop();
    m_w.view().shapeMode(false);
}

void HeadShapeStep::deleteSequence()
{
    const ShapeLoop &l = m_loop;
    // The sequences of a head shape taken before are no longer listed: they stay as they are.
    if (!l.running() || l.SelectedSeq == 0)
        return;
    if (l.NumShapeSeqs > 1 && !(l.sequenceRunning() && l.SelectedSeq == l.NumShapeSeqs) &&
        m_w.session().dialogs.message(QStringLiteral("Delete sequence %1 (%2 points)?")
                                          .arg(l.SelectedSeq)
                                          .arg(l.pointsOf(l.SelectedSeq)),
                                      Dialogs::QuestionTitle, Dialogs::Buttons::YesNo,
                                      Dialogs::Icon::Question,
                                      Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return;
    m_loop.DeleteSequence();
}

bool HeadShapeStep::hasPoints() const
{
    return m_w.session().ws.NumShapePoints > 0 && !m_loop.sequenceRunning();
}
