#pragma once

#include <QByteArray>
#include <QString>

class LineReader;
struct Workspace;

// BESA surface point (.sfp) and label (.ela) files, and plain text tables of the same layout.
// The head fiducial a BESA label names ("FidNz", "FidT9", "FidT10" and their variants):
// 0 nasion, 1 left, 2 right preauricular point; -1 for any other label.
int besaFiducialIndex(const QString &label);
// Labels in blank-separated files are one token: inner blanks become "_", a blank label is
// written as BlankLabel and reads back blank.
inline const QString BlankLabel = QStringLiteral("_");
QString labelForFile(const QString &label);
QString labelFromFile(const QString &token);
QString besaTypeOfLabel(const QString &label);
// Fills the BESA set and copies it into the measured set; throws FileError, changing nothing.
void ReadBesaFile(LineReader &in, Workspace &ws);
// The same lines, typed in centimetres.
void ReadTableFile(LineReader &in, Workspace &ws);
QByteArray besaFileText(const Workspace &ws);
QByteArray besaLabelText(const Workspace &ws);
// The .ela beside a .sfp: the same name with the extension "ela" (added when there is none).
QString labelFileName(const QString &sfpPath);
// Writes the .sfp and the .ela beside it, both or neither, and clears the electrode dirty flag.
void WriteBesaFiles(const QString &sfpPath, Workspace &ws);
