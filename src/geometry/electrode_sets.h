#pragma once

#include "data/reading.h"

#include <vector>

struct Workspace;
class Dialogs;

// Turns the readings of a digitized sequence (one per sequence point, in order) into the
// measured and TEVO electrode sets (and the BESA or Curry set for those conventions). Returns
// false, changing no data set, when nothing could be computed; the operator has been told why.
bool ComputeElectrodeSets(Workspace &ws, const std::vector<Reading> &readings, Dialogs &dialogs);
// Recomputes electrode k (0-based) from the reading of the sequence point that became it, with
// the head transforms of the last full computation.
bool ComputeElectrodePoint(Workspace &ws, const std::vector<Reading> &readings, Dialogs &dialogs,
                           int k);
// The stylus of a reading in the head frame, averaged over the references in use (MRef).
Point3 headPosition(const Workspace &ws, const Reading &reading);
// The stylus of a reading relative to reference 0 (transmitter) or head receiver r (1..3).
Point3 referredStylus(const Reading &reading, int receiver);
