#pragma once

#include <QString>

struct Session;

// Obtaining one digitizer record over the link.
namespace Records {
enum class Outcome {
    Received,   // a record arrived
    Next,       // the operator skipped the point
    Back,       // the operator went one point back
    Cancelled,  // the operator cancelled the wait
    DeviceGone, // the link reported the device gone; the operator was told
    PortFailed, // the port could not be opened; the operator was told
    Refused     // what arrived is not a reading; the operator was told
};

// Waits for the stylus button; the window stays responsive and Next, Back and Cancel end the
// wait. A record that is not a reading of the model is refused with a message.
Outcome ReadDigitizerRecord(Session &s, QString &record);
// Requests one record at once and returns it raw (no rebuild, no checks).
Outcome PollDigitizerRecord(Session &s, QString &record);
} // namespace Records
