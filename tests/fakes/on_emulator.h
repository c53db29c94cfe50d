#pragma once

#include "rig.h"

// A started run whose line leads to the built-in emulator (exact records) on virtual time;
// what start-up sent is forgotten.
struct OnEmulator : Rig
{
    explicit OnEmulator(DigitizerModel model, int receivers = 1)
        : Rig(DigitizerEmulator::Options{model, receivers, 0.0, 5})
    {
        start();
        clock.advance(200);
        emuLink->clearHostBytes();
    }
};
