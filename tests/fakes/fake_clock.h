#pragma once

#include "seams/clock.h"
#include "seams/event_pump.h"

#include <functional>

// Virtual time: DelayMs advances it at once and lets an attached device catch up.
class FakeClock final : public Clock
{
public:
    qint64 nowMs() const override { return m_now; }
    void delayMs(int ms) override { advance(ms); }
    void advance(qint64 ms)
    {
        m_now += ms;
        if (onAdvance)
            onAdvance(m_now);
    }
    std::function<void(qint64)> onAdvance;

private:
    qint64 m_now = 0;
};

// Each pass of a cooperative wait advances virtual time and runs an optional hook.
class FakePump final : public EventPump
{
public:
    explicit FakePump(FakeClock &clock, int stepMs = 10) : m_clock(clock), m_step(stepMs) {}
    void processEvents() override
    {
        ++passes;
        if (onPass)
            onPass(passes);
        m_clock.advance(m_step);
    }
    int passes = 0;
    std::function<void(int)> onPass;

private:
    FakeClock &m_clock;
    int m_step;
};
