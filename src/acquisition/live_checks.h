#pragma once

#include "data/reading.h"

#include <QString>
#include <optional>

// Checks on readings as they arrive that catch common mistakes without stopping the operator.
namespace LiveChecks {
constexpr double PressedTwiceMetres = 0.002;
constexpr double DeltaWarningCm = 0.5;
constexpr double ReceiverMovedCm = 1.0;

// The stylus relative to the first head receiver (the transmitter with no receiver), so that
// head movement between two readings does not count.
Point3 onHead(const Reading &reading, int headReceivers);
// True when `current` lies within 2 mm of `previous` on the head: the button was pressed twice.
bool pressedTwice(const Reading &previous, const Reading &current, int headReceivers);
QString pressedTwiceLine(const QString &name, const QString &previousName);
// The "Delta - F1: ..." line of a fiducial; `warn` is set above 0.5 cm.
QString deltaLine(int fiducial, double deltaCm, const QString &formatted, bool &warn);
// How far receiver `receiver` (1-based, of the record) moved relative to the transmitter between
// two readings, in centimetres.
double receiverMovedCm(const Reading &first, const Reading &later, int receiver);
QString receiverMovedLine(const QString &who, const QString &formattedCm);
} // namespace LiveChecks
