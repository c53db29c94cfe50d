#pragma once

// The measurement wizard's state, numbered as labs and older documents know it.
//
// Glossary: NextRequested, BackRequested and CancelRequested are set by the buttons while a
// point waits for the stylus; PointCounter is the sequence point (1..NumSeq) being digitized,
// PointLimit one more than the highest point Next may reach, AtLastPoint 1 once Next reached the
// last point; ShapeStop and ShapeRunning belong to the head-shape step's streaming.
struct WizardState
{
    int Step = 0;
    int SubStep = 0;
    int RepeatJump = 0;
    int RepeatTarget = 0;
    int NextRequested = 0;
    int BackRequested = 0;
    int CancelRequested = 0;
    int PointCounter = 0;
    int PointLimit = 0;
    int AtLastPoint = 0;
    int ShapeStop = 0;
    int ShapeRunning = 0;
};

// The values of WizardState::Step.
namespace Steps {
constexpr int None = 1;
constexpr int Dewar = 2;
constexpr int Subject = 3;
constexpr int Probe = 4;
constexpr int Shape = 5;
constexpr int Electrodes = 6;
} // namespace Steps
