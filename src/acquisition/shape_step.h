#pragma once

#include "acquisition/fiducial_step.h"
#include "acquisition/shape_loop.h"

// Step 5 as the wizard sees it; tests may stand in their own.
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
    // Whether the last acceptFiducials() built the head transforms.
    virtual bool fiducialsAccepted() const { return true; }
    // Moves the streaming on; the wizard's poll calls it while running().
    virtual void poll() {}
    virtual bool running() const { return false; }
    // Points were kept and no sequence is being streamed: Accept would keep them all.
    virtual bool hasPoints() const { return false; }
    // SeqDelete and a click on SequenceList (1-based).
    virtual void deleteSequence() {}
    virtual void selectSequence(int sequence) { Q_UNUSED(sequence); }
};

// Head-shape digitizing: the fiducials of the shape data in two passes, then the streaming loop.
class HeadShapeStep final : public ShapeStep
{
public:
    explicit HeadShapeStep(Wizard &wizard);

    void dispatch(int subStep) override;
    void acceptFiducials() override;
    void stop() override;
    bool fiducialsAccepted() const override { return m_accepted; }
    void poll() override { m_loop.poll(); }
    bool running() const override { return m_loop.running(); }
    bool hasPoints() const override;
    // SeqDelete asks first: the points of a sweep cannot be taken back.
    void deleteSequence() override;
    void selectSequence(int sequence) override
    {
        if (m_loop.running())
            m_loop.selectSequence(sequence);
    }

    const ShapeLoop &loop() const { return m_loop; }
    bool fiducialsComplete() const { return m_fiducials.complete(); }

private:
    Wizard &m_w;
    FiducialStep m_fiducials;
    ShapeLoop m_loop;
    bool m_accepted = false;
};
