#pragma once

#include "seams/event_pump.h"

#include <QCoreApplication>
#include <QThread>

// Handles pending window and port events, then yields briefly so a wait does not spin a core.
class QtEventPump final : public EventPump
{
public:
    void processEvents() override
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
};
