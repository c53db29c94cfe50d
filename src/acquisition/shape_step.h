#pragma once

#include "seams/dialogs.h"

// The head-shape step (step 5) lives with the 3-D view; the wizard hands over to it through
// this interface and keeps the buttons, prompts and the ISOTRAK stop sequences itself.
class ShapeStep
{
public:
    virtual ~ShapeStep() = default;
    // DispatchStep at step 5 with this sub-step (1 mount, 2 transmitter, 3 fiducials,
    // 4 streaming).
    virtual void dispatch(int subStep) = 0;
    // Accept at sub-step 3: head transforms and averaged fiducials of the shape data (ShapeFid).
    virtual void acceptFiducials() = 0;
    // Accept at sub-step 4 or Cancel: the streaming must end.
    virtual void stop() = 0;
};

// Stands in until the head-shape step exists: says so and keeps every data set as it is.
class NoShapeStep final : public ShapeStep
{
public:
    explicit NoShapeStep(Dialogs &dialogs) : m_dialogs(dialogs) {}
    void dispatch(int) override
    {
        m_dialogs.show(crJoin(
            {QStringLiteral("Head-shape digitizing is not available in this version of Pointra."),
             QStringLiteral("The electrode data are kept; save them with File > Save As.")}));
    }
    void acceptFiducials() override {}
    void stop() override {}

private:
    Dialogs &m_dialogs;
};
