#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class DigitizerEmulator;

// One stylus or head command of pointra-simdig ("touch Cz", "press", "wait 200", ...).
struct StylusCommand
{
    enum class Kind { Touch, TouchPoint, Press, Hold, Release, MoveHead, Wait, Quit };
    Kind kind;
    QString site;
    double v[6] = {0, 0, 0, 0, 0, 0};
    int waitMs = 0;
};

// Parses one line; blank lines and lines starting with '#' give no command and no error.
// Returns false with `error` set for a line it cannot read.
bool parseStylusCommand(const QString &line, std::optional<StylusCommand> &out, QString &error);
// Applies a command other than Wait and Quit; returns false with `error` for an unknown site.
bool applyStylusCommand(const StylusCommand &command, DigitizerEmulator &emulator, QString &error);
QString stylusCommandHelp();
