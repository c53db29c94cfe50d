#pragma once

#include "data/reading.h"

struct Workspace;
class Dialogs;

// Places every sensor coil and the subject fiducials in the head frame from one probe record,
// the calibration (MCalib) and the subject-fiducial data (MFida, MFidb, ReceiverFid).
// Runs only with one or two head receivers; otherwise, or when the chain gives no finite
// result, the operator is told, nothing changes and the result is false.
bool LocateProbe(Workspace &ws, Dialogs &dialogs, const Reading &probe);
