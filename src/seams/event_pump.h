#pragma once

// Lets the window handle pending events during a cooperative wait.
class EventPump
{
public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
};
