#pragma once

#include "data/transform4.h"

#include <array>

// Builds the head transform of every reference in use from the fiducials measured relative to
// it, and returns the fiducials in the head frame averaged over those references.
// nReceivers 0 uses the transmitter frame (reference 0); 1..3 use receivers 1..3.
// Throws GeometryError; `mref` is only written when every frame could be built.
FidTriple computeHeadFrames(const std::array<FidTriple, 4> &refFid, int nReceivers,
                            std::array<Transform4, 4> &mref);
