#pragma once

#include <QByteArray>
#include <QString>

class Dialogs;
class LineReader;
struct Workspace;

// Sequence (.seq) files: a point name and its type code per line.
// Long names and unsupported codes are reported point by point; a point line without a TAB
// ends the read with FileError and changes nothing.
void ReadSequenceFile(LineReader &in, Workspace &ws, Dialogs &dialogs);
QByteArray sequenceFileText(const Workspace &ws);
void WriteSequenceFile(const QString &path, Workspace &ws);
