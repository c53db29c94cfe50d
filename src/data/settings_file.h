#pragma once

#include <QByteArray>
#include <QString>

struct Settings;

// The six-line key=value settings file.
namespace SettingsFile {
// Reads matching keys into `settings`; a missing or unreadable file changes nothing.
void read(const QString &path, Settings &settings);
// The same for the file's text.
void readText(const QByteArray &bytes, Settings &settings);
// The exact file text: six lines, CR LF.
QByteArray text(const Settings &settings);
// Rewrites the file; on failure returns false and fills `error`.
bool write(const QString &path, const Settings &settings, QString &error);
} // namespace SettingsFile
