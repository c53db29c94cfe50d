#pragma once

#include "geometry/transform4.h"

#include <QString>

struct Session;

// Obtaining one digitizer record and turning a station's block into a pose.
namespace Records {
constexpr int FastrakLength = 293;
constexpr int StationBlock = 89;

enum class Outcome {
    Received,   // a record arrived
    Next,       // the operator skipped the point
    Back,       // the operator went one point back
    Cancelled,  // the operator cancelled the wait
    DeviceGone, // the link reported the device gone; the operator was told
    PortFailed  // the port could not be opened; the operator was told
};

// Waits for the stylus button; the window stays responsive and Next, Back and Cancel end the wait.
Outcome ReadDigitizerRecord(Session &s, QString &record);
// Requests one record at once and returns it raw (no rebuild, no checks).
Outcome PollDigitizerRecord(Session &s, QString &record);

// The two 89-character ISOTRAK blocks in the FASTRAK layout of stations 1 and 2 (115 characters).
QString rebuildIsotrak(const QString &raw);
// Length check and status characters of a FASTRAK answer; the report text, empty when fine.
// A long record is cut to 293 characters.
QString checkFastrak(QString &record);

// Fills `rotation` and `position` from one station; unknown type or mode changes nothing.
// Returns false when nothing was parsed.
bool ParseDigitizerRecord(const QString &digitizerType, const QString &record, int sensor, int mode,
                          Transform4 &rotation, Transform4 &position);
// The stylus tip, station 1, in metres (the model's layout).
Point3 stylusPosition(const QString &digitizerType, const QString &record);
} // namespace Records
