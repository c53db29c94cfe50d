#pragma once

struct Workspace;
class Dialogs;

// Turns the raw records of a digitized sequence into the measured and TEVO electrode sets (and
// the BESA or Curry set for those conventions). Returns false, changing no data set, when
// nothing could be computed; the operator has been told why.
bool ComputeElectrodeSets(Workspace &ws, Dialogs &dialogs);
// Recomputes electrode k (0-based) from the record of the sequence point that became it, with
// the head transforms of the last full computation.
bool ComputeElectrodePoint(Workspace &ws, Dialogs &dialogs, int k);
