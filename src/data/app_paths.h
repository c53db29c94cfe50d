#pragma once

#include <QString>

// Where settings, data, sounds and the temporary folder live for this run.
namespace AppPaths {
// POINTRA_HOME if set, else the program folder when writable, else a per-user data folder.
QString resolveAppPath(const QString &programFolder);
// Copies the bundled sequence templates into <appPath>/Data when they are not there yet.
void installTemplates(const QString &appPath);
// The folder of bundled read-only resources ("templates", "help"), or empty.
QString bundledFolder(const QString &name);
QString settingsFile(const QString &appPath);
QString tmpFolder(const QString &appPath);
QString soundsFolder(const QString &appPath);
QString helpFile(const QString &appPath);
} // namespace AppPaths
