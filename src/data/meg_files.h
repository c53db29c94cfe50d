#pragma once

#include <QByteArray>
#include <QString>

class Dialogs;
class LineReader;
class UiState;
struct Workspace;

// Calibration (.clb), dewar (.dwr) and fiducials (.fid) files. Readers commit only a complete
// file and throw FileError otherwise.
void ReadCalibrationFile(LineReader &in, Workspace &ws);
void ReadDewarFile(LineReader &in, Workspace &ws);
// Also shows the receiver count in the receiver menu and enables the later steps.
void ReadFiducialsFile(LineReader &in, Workspace &ws, UiState *ui);
QByteArray calibrationFileText(const Workspace &ws);
void WriteCalibrationFile(const QString &path, const Workspace &ws);
QByteArray fiducialsFileText(Workspace &ws);
void WriteFiducialsFile(const QString &path, Workspace &ws);
