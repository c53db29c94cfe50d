#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class DigitizerEmulator;

// One stylus or head command of pointra-simdig ("touch Cz", "press", "wait 200", ...).
struct StylusCommand
{
    enum class Kind { Touch, TouchPoint, Press, Hold, Release, MoveHead, Sweep, Wait, Quit };
    static constexpr double DefaultSweepSpeed = 5.0; // cm/s, an unhurried hand
    Kind kind = Kind::Press;
    QString site;
    QStringList sites; // a sweep's sites in order
    double speed = DefaultSweepSpeed;
    double v[6] = {0, 0, 0, 0, 0, 0};
    int waitMs = 0;
};

// Parses one line; blank lines and lines starting with '#' give no command and no error.
// Returns false with `error` set for a line it cannot read.
bool parseStylusCommand(const QString &line, std::optional<StylusCommand> &out, QString &error);
// Applies a command other than Wait and Quit; returns false with `error` for an unknown site.
// `busyUntil`, when given, gets the virtual time at which the command's motion ends (a sweep).
bool applyStylusCommand(const StylusCommand &command, DigitizerEmulator &emulator, QString &error,
                        qint64 *busyUntil = nullptr);
QString stylusCommandHelp();
