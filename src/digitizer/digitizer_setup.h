#pragma once

#include "data/digitizer_models.h"

#include <QList>
#include <QString>

struct Session;

// Line settings and the per-model configuration sequences. Nothing here touches a menu: each
// operation returns what it found and the caller shows it.
namespace DigitizerSetup {
// Comm port and the model's line settings on the link; returns the settings now in force.
QString ApplySerialSettings(Session &s);
enum class InitResult {
    Configured,
    OneStationIsotrak, // the caller must switch to No Receivers
    NotADevice,        // "No Digitizer" or "dummy": the port is not touched
    PortFailed         // the operator was told
};
// Sends the model's configuration sequence.
InitResult InitializeDigitizer(Session &s);
// Sends the rate command at the old rate, then switches the line; returns the new settings,
// or an empty text when the port could not be opened.
QString SetBaudRate(Session &s, int baud);
// Opens the port if needed; on failure tells the operator once and returns false.
bool ensureOpen(Session &s);
} // namespace DigitizerSetup
