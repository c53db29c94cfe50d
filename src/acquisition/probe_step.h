#pragma once

#include "data/reading.h"

#include <optional>

class Wizard;
class RecordWait;
struct Session;

// Step 4: the probe read once before and once after the magnetic field recording; the
// displacement between them is shown and Accept places the sensor coils in the head frame.
class ProbeStep
{
public:
    explicit ProbeStep(Wizard &wizard);

    void dispatch(int subStep);
    bool accept();
    // Both records were taken and the step reached its end.
    bool complete() const;

private:
    void take(int record);
    void taken(const RecordWait &wait, int record);
    int receiverBlocks() const;

    Wizard &m_w;
    Session &m_s;
    std::optional<Reading> m_first;
    std::optional<Reading> m_second;
    bool m_atEnd = false;
};
