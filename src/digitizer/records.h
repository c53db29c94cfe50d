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
    Refused,    // what arrived is not a reading; the operator was told
    Repeated,   // the operator pressed Repeat
    Closed      // the window closed or the wait was replaced by another
};

// Waits for the stylus button, blocking the caller: a RecordWait run to its end, with the event
// pump served while it waits for input so that the flags of Next, Back and Cancel end it. A record
// that is not a reading of the model is refused with a message.
Outcome ReadDigitizerRecord(Session &s, QString &record);
// Requests one record at once and returns it raw (no rebuild, no checks), blocking the caller.
Outcome PollDigitizerRecord(Session &s, QString &record);
} // namespace Records
