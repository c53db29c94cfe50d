#pragma once

#include <QByteArray>
#include <QString>

class Dialogs;
class LineReader;
struct Workspace;

// Calibration (.clb), dewar (.dwr) and fiducials (.fid) files. Readers commit only a complete
// file and throw FileError otherwise.
void ReadCalibrationFile(LineReader &in, Workspace &ws);
void ReadDewarFile(LineReader &in, Workspace &ws);
void ReadFiducialsFile(LineReader &in, Workspace &ws);
QByteArray calibrationFileText(const Workspace &ws);
void WriteCalibrationFile(const QString &path, const Workspace &ws);
QByteArray fiducialsFileText(Workspace &ws);
void WriteFiducialsFile(const QString &path, Workspace &ws);
