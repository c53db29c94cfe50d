#include "hold_repeat.h"

HoldRepeat::HoldRepeat(ViewState &state, QObject *parent) : QObject(parent), m_state(state)
{
    connect(&m_timer, &QTimer::timeout, this, &HoldRepeat::repeat);
}

void HoldRepeat::setIntervals(int firstDelayMs, int repeatMs)
{
    m_firstDelayMs = std::max(0, firstDelayMs);
    m_repeatMs = std::max(0, repeatMs);
}

void HoldRepeat::press(int pressCode)
{
    m_state.HoldCode = pressCode;
    if (!isStepCode(pressCode) || !stepping()) {
        m_timer.stop();
        return;
    }
    ViewStep(m_state, pressCode, m_direction);
    // Started before the redraw, so a redraw that ends the hold (a message box) is final.
    m_timer.start(m_firstDelayMs);
    emit redrawRequested();
}

void HoldRepeat::release(int releaseCode)
{
    m_state.HoldCode = releaseCode;
    m_timer.stop();
}

void HoldRepeat::repeat()
{
    if (!m_timer.isActive())
        return;
    if (!isStepCode(m_state.HoldCode) || !stepping()) {
        m_timer.stop();
        return;
    }
    ViewStep(m_state, m_state.HoldCode, m_direction);
    if (m_timer.interval() != m_repeatMs)
        m_timer.start(m_repeatMs);
    emit redrawRequested();
}

void HoldRepeat::stop()
{
    m_timer.stop();
}
