#pragma once

#include <QtGlobal>

// Monotonic time and the short blocking waits the digitizer protocol needs.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() const = 0;
    virtual void delayMs(int ms) = 0;
};
