#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What every fuzz target checks beyond the sanitizers, shared by the libFuzzer entry points and
// the corpus replay that runs in CTest.
namespace FuzzChecks {
// The targets, named as their corpus folders: the file kinds of the File menu, the table
// import, the settings file and record parsing.
QStringList targets();
// Runs one input through `target`; an empty text when every check holds, else what failed:
// an exception other than FileError escaped, a refused input changed data, or what the writer
// wrote from an accepted input was refused or read back differently.
QString check(const QString &target, const QByteArray &input);
} // namespace FuzzChecks
