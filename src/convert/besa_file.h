#pragma once

#include <QByteArray>
#include <QString>

class LineReader;
struct Workspace;

// BESA surface point (.sfp) and label (.ela) files, and plain text tables of the same layout.
// The head fiducial a BESA label names ("FidNz", "FidT9", "FidT10" and their variants):
// 0 nasion, 1 left, 2 right preauricular point; -1 for any other label.
int besaFiducialIndex(const QString &label);
QString besaTypeOfLabel(const QString &label);
// Fills the BESA set and copies it into the measured set; throws FileError, changing nothing.
void ReadBesaFile(LineReader &in, Workspace &ws);
inline void ReadTableFile(LineReader &in, Workspace &ws)
{
    ReadBesaFile(in, ws);
}
QByteArray besaFileText(const Workspace &ws);
QByteArray besaLabelText(const Workspace &ws);
QString labelFileName(const QString &sfpPath);
// Writes the .sfp and the .ela beside it and clears the electrode dirty flag.
void WriteBesaFiles(const QString &sfpPath, Workspace &ws);
