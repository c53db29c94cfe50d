#pragma once

#include <QByteArray>

class LineReader;
struct Workspace;

// Probe (.elp) files carry the header and fiducials of an electrode file, then eight lines per
// sensor with its three coils in the head frame. Only the first sensor's coil line (six numbers
// instead of three) tells them from electrode files.
bool isProbeFileText(const QByteArray &bytes);
// Fills the probe fiducials and the sensor tables (coils into ProbeCoil); throws FileError and
// changes nothing on failure.
void ReadProbeFile(LineReader &in, Workspace &ws);
