#pragma once

#include "seams/clock.h"

#include <QElapsedTimer>
#include <QThread>

// Wall-clock waits on the monotonic timer; DelayMs blocks the caller as the protocol expects.
class SteadyClock final : public Clock
{
public:
    SteadyClock() { m_timer.start(); }
    qint64 nowMs() const override { return m_timer.elapsed(); }
    void delayMs(int ms) override
    {
        const qint64 end = m_timer.elapsed() + ms;
        while (m_timer.elapsed() <= end)
            QThread::msleep(1);
    }

private:
    QElapsedTimer m_timer;
};
