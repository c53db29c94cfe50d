#include "meg_files.h"

#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/text_grammar.h"
#include "data/text_out.h"
#include "data/workspace.h"

namespace {
// Header and sensor tables of a calibration or dewar file; `middle` reads what lies between.
template <typename Middle> void readSensorFile(LineReader &in, Workspace &ws, Middle middle)
{
    Workspace next = ws;
    next.MinorRevision = readTypeAndRevision(in);
    next.ProbeName = GetNameTag(in.ReadDataLine());
    int count = 0;
    const QString countLine = in.ReadDataLine();
    SplitTwoInts(countLine, next.ProbeType, count, in.lineNumber());
    const int n = checkedCount(count, in, 8, QStringLiteral("sensors"));
    next.sensors.resize(n);
    middle(next);
    for (int i = 0; i < n; ++i)
        readSensorBlock(in, next.sensors, i);
    ws = next;
}

void readMatrix(LineReader &in, Transform4 &m)
{
    for (int r = 0; r < 4; ++r) {
        const QString line = in.ReadDataLine();
        ParseTagF4(line, m(r, 0), m(r, 1), m(r, 2), m(r, 3), in.lineNumber());
    }
}

void writeMatrix(TextOut &out, const Transform4 &m)
{
    for (int r = 0; r < 4; ++r)
        out.line(QStringLiteral("%F\t") + out.reals({m(r, 0), m(r, 1), m(r, 2), m(r, 3)}));
}

void writeFid(TextOut &out, const Point3 &f)
{
    out.line(QStringLiteral("%F\t") + out.reals({f.x(), f.y(), f.z()}));
}
} // namespace

void ReadCalibrationFile(LineReader &in, Workspace &ws)
{
    readSensorFile(in, ws, [&](Workspace &next) { readMatrix(in, next.m.MCalib); });
}

void ReadDewarFile(LineReader &in, Workspace &ws)
{
    readSensorFile(in, ws, [&](Workspace &next) {
        for (Point3 &f : next.DewarFid)
            f = readTagF3(in);
    });
}

void ReadFiducialsFile(LineReader &in, Workspace &ws)
{
    Workspace next = ws;
    next.MinorRevision = readTypeAndRevision(in);
    next.SessionName = GetNameTag(in.ReadDataLine());
    int location = 0, count = 0;
    const QString countLine = in.ReadDataLine();
    SplitTwoInts(countLine, location, count, in.lineNumber());
    const int r = checkedCount(count, in, 3, QStringLiteral("receivers"));
    next.ReceiverCount = r;
    next.ReceiverFid.assign(r, zeroFids());
    for (FidTriple &rf : next.ReceiverFid)
        for (Point3 &f : rf)
            f = readTagF3(in);
    readMatrix(in, next.m.MFida);
    readMatrix(in, next.m.MFidb);
    ws = next;
}

QByteArray calibrationFileText(const Workspace &ws)
{
    if (ws.m.MCalib.isZero())
        throw FileError(FileError::Kind::Refused,
                        QStringLiteral("There is no calibration to save (the calibration matrix "
                                       "has not been measured); no file was written."));
    // The count says how many sensor blocks follow, so a reader finds each of them.
    const int n = sensorBlockCount(ws.sensors, ws.sensors.SensorCoil.size());
    TextOut out(ws.settings);
    out.line(QStringLiteral("3\t2"))
        .line(QStringLiteral("//Calibration file"))
        .line(QStringLiteral("//Minor revision number"))
        .line(QString::number(ws.MinorRevision))
        .line(QStringLiteral("//ProbeName"))
        .line(QStringLiteral("%N\t") + ws.ProbeName.text())
        .line(QStringLiteral("//Probe type, number of sensors"))
        .line(QStringLiteral("%1\t%2").arg(ws.ProbeType).arg(n))
        .line(QStringLiteral("//Calibration matrix"));
    writeMatrix(out, ws.m.MCalib);
    for (int i = 0; i < n; ++i)
        writeSensorBlock(out, ws.sensors, i, false);
    return out.bytes();
}

void WriteCalibrationFile(const QString &path, const Workspace &ws)
{
    saveText(path, calibrationFileText(ws));
}

QByteArray fiducialsFileText(Workspace &ws)
{
    if (ws.ReceiverCount < 0 || ws.m.MFida.isZero())
        throw FileError(FileError::Kind::Refused,
                        QStringLiteral("There are no fiducials data to save (the subject "
                                       "fiducials have not been measured); no file was "
                                       "written."));
    ws.SessionName = QStringLiteral("Test");
    TextOut out(ws.settings);
    out.line(QStringLiteral("3\t2"))
        .line(QStringLiteral("//Fiducials file"))
        .line(QStringLiteral("//Minor revision number"))
        .line(QString::number(ws.MinorRevision))
        .line(QStringLiteral("//SessionName"))
        .line(QStringLiteral("%N\t") + ws.SessionName.text())
        .line(QStringLiteral("//Transmitter location, number of receivers"))
        .line(QStringLiteral("%1\t%2").arg(ws.TransmitterLocation).arg(ws.ReceiverCount));
    for (int r = 0; r < ws.ReceiverCount; ++r) {
        out.line(
            QStringLiteral("//Position of subject fiducials X+, Y+, Y- in the receiver #%1 frame")
                .arg(r + 1));
        const FidTriple f = r < int(ws.ReceiverFid.size()) ? ws.ReceiverFid[r] : zeroFids();
        for (const Point3 &p : f)
            writeFid(out, p);
    }
    out.line(QStringLiteral("//MFida"));
    writeMatrix(out, ws.m.MFida);
    out.line(QStringLiteral("//MFidb"));
    writeMatrix(out, ws.m.MFidb);
    return out.bytes();
}

void WriteFiducialsFile(const QString &path, Workspace &ws)
{
    Workspace next = ws;
    saveText(path, fiducialsFileText(next));
    ws = next;
}
