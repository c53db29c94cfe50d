#pragma once

#include <QByteArray>
#include <QString>

class LineReader;
struct Workspace;

// Head-shape (.hsp) files. The reader commits only a complete file; both throw FileError.
void ReadShapeFile(LineReader &in, Workspace &ws);
QByteArray shapeFileText(const Workspace &ws);
void WriteShapeFile(const QString &path, Workspace &ws);
