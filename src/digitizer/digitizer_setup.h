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
// Sends the model's configuration sequence. True when an ISOTRAK answered as a one-station
// device, so the caller must switch to No Receivers.
bool InitializeDigitizer(Session &s);
// Sends the rate command at the old rate, then switches the line; returns the new settings,
// or an empty text when the port could not be opened.
QString SetBaudRate(Session &s, int baud);
// Opens the port if needed; on failure tells the operator once and returns false.
bool ensureOpen(Session &s);
} // namespace DigitizerSetup
