#pragma once

struct Workspace;

// The conventions derived from the TEVO set. Each throws GeometryError, changing nothing,
// when the fiducials make the rotation undefined.

// BESA set from the TEVO set: x to the right preauricular point, y to the nasion (metres).
void TevoToBesa(Workspace &ws);
// Curry set from the BESA and TEVO sets, millimetres.
void BesaToCurry(Workspace &ws);
// TEVO set from an old-form Curry set: the nasion turned onto the x axis, metres.
void CurryOldToTevo(Workspace &ws);
