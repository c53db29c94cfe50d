#pragma once

#include <QString>

class LineReader;
class Dialogs;
struct Workspace;

// Electrode (.elp) and probe files. Readers fill `ws` only when the whole file was read;
// they throw FileError otherwise. Writers throw FileError(Io) and change nothing on failure.
void ReadElectrodeFile(LineReader &in, Workspace &ws, Dialogs &dialogs);
QByteArray electrodeFileText(Workspace &ws);
void WriteElectrodeFile(const QString &path, Workspace &ws);
QByteArray probeFileText(const Workspace &ws);
void WriteProbeFile(const QString &path, const Workspace &ws);

// Shared by the probe, calibration and dewar files: the eight lines of one sensor.
struct SensorTables;
class TextOut;
void writeSensorBlock(TextOut &out, const SensorTables &s, int i, bool probeCoils);
void readSensorBlock(LineReader &in, SensorTables &s, int i);
// The sensor blocks a writer can write: the count, bounded by the tables that hold them.
int sensorBlockCount(const SensorTables &s, size_t coils);
// A count line's value, checked against what the file can hold.
int checkedCount(int count, const LineReader &in, int linesPerItem, const QString &what);
