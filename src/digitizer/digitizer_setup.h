#pragma once

#include <QString>
#include <QStringList>

struct Session;

// Line settings, the per-model configuration sequences and the Baude Rate menu.
namespace DigitizerSetup {
inline const QStringList BaudItems = {QStringLiteral("menu96"), QStringLiteral("menu192"),
                                      QStringLiteral("menu384"), QStringLiteral("menu576"),
                                      QStringLiteral("menu1152")};

QString defaultLineSettings(const QString &digitizerType);
void ApplySerialSettings(Session &s);
void InitializeDigitizer(Session &s);
// Sends the rate command at the old rate, then switches the line to the new one.
void SetBaudRate(Session &s, int baud);
// Opens the port if needed; on failure tells the operator once and returns false.
bool ensureOpen(Session &s);
// The exact bytes of a model's sequence, for the emulator's and the tests' reference.
QList<QByteArray> configurationCommands(const QString &digitizerType, const QString &hemisphere);
} // namespace DigitizerSetup
