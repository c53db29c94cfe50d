#include "electrode_file.h"

#include "data/file_error.h"
#include "data/number_text.h"
#include "data/point_types.h"
#include "data/text_grammar.h"
#include "data/text_out.h"
#include "data/workspace.h"
#include "seams/dialogs.h"

int checkedCount(int count, const LineReader &in, int linesPerItem, const QString &what)
{
    if (count < 0)
        throw FileError(FileError::Kind::Malformed,
                        QStringLiteral("The file announces %1 %2.").arg(count).arg(what));
    if (static_cast<qint64>(count) * linesPerItem > in.linesLeftAtMost())
        throw FileError(
            FileError::Kind::PastEnd,
            QStringLiteral("The file announces %1 %2 but ends before them.").arg(count).arg(what));
    return count;
}

void ReadElectrodeFile(LineReader &in, Workspace &ws, Dialogs &dialogs)
{
    Workspace next = ws;
    next.MinorRevision = readTypeAndRevision(in);
    QString line = in.ReadDataLine();
    const QString tag = GetNameTag(line);
    if (tag == QLatin1String("flagName")) {
        next.ProbeName = QStringLiteral("Name");
    } else {
        next.ProbeName = tag;
        line = in.ReadDataLine();
    }
    int count = 0;
    SplitTwoInts(line, next.ProbeType, count, in.lineNumber());
    const int n = checkedCount(count, in, 3, QStringLiteral("electrodes"));
    next.sensors.NumSensors = n;
    next.tevo.resize(n);
    for (Point3 &f : next.tevo.Fid)
        f = readTagF3(in);
    for (int i = 0; i < n; ++i) {
        const QString which = QStringLiteral("electrode %1").arg(i + 1);
        next.tevo.Type[i] = readTagged(in, "%S", which);
        next.tevo.Name[i] = readTagged(in, "%N", which);
        const QString position = in.ReadDataLine();
        // A probe file shares the header; its sensors carry six coil numbers, not a position.
        if (tabFieldCount(position) >= 6)
            throw FileError(FileError::Kind::WrongType,
                            crJoin({QStringLiteral("This is a probe file: its sensors carry MEG "
                                                   "coil data, not electrode positions."),
                                    QStringLiteral("Nothing was read.")}));
        Point3 &p = next.tevo.Pos[i];
        ParseThree(position, p.x(), p.y(), p.z(), in.lineNumber());
    }
    dialogs.show(Str(n) + QStringLiteral(" electrodes"));
    next.tevo.FidName = {Fixed8("Nasion"), Fixed8("LPA"), Fixed8("RPA")};
    next.meas.Fid = next.tevo.Fid;
    next.meas.FidName = next.tevo.FidName;
    next.meas.unit = LengthUnit::Metres;
    next.meas.resize(n);
    next.meas.Type = next.tevo.Type;
    next.meas.Name = next.tevo.Name;
    next.meas.Pos = next.tevo.Pos;
    ws = next;
}

namespace {
// A point without a type (a BESA label that names no known fiducial) is an other named point.
QString typeForFile(const QString &type)
{
    return type.isEmpty() ? PointTypes::OtherNamed : type;
}

void writeHeader(TextOut &out, const QString &firstComment, int revision, const Workspace &ws,
                 int count)
{
    out.line(QStringLiteral("3\t2"))
        .line(firstComment)
        .line(QStringLiteral("//Minor revision number"))
        .line(QString::number(revision))
        .line(QStringLiteral("//ProbeName"))
        .line(QStringLiteral("%N\t") + ws.ProbeName.text())
        .line(QStringLiteral("//Probe type, number of sensors"))
        .line(QStringLiteral("%1\t%2").arg(ws.ProbeType).arg(count));
}

void writeFids(TextOut &out, const FidTriple &fid)
{
    for (const Point3 &f : fid)
        out.line(QStringLiteral("%F\t") + out.reals({f.x(), f.y(), f.z()}));
}
} // namespace

QByteArray electrodeFileText(Workspace &ws)
{
    if (ws.sensors.NumSensors <= 0)
        throw FileError(FileError::Kind::Refused,
                        QStringLiteral("There are no electrodes to save; no file was written."));
    ws.ProbeName = QStringLiteral("Name");
    TextOut out(ws.settings);
    writeHeader(out, QStringLiteral("//Probe file"), 1, ws, ws.sensors.NumSensors);
    out.line(QStringLiteral("//Position of fiducials X+, Y+, Y- on the subject"));
    writeFids(out, ws.tevo.Fid);
    const int n = ws.sensors.NumSensors;
    for (int i = 0; i < n; ++i) {
        const Point3 p = i < int(ws.tevo.Pos.size()) ? ws.tevo.Pos[i] : Point3::Zero();
        out.line(QStringLiteral("//Sensor type"))
            .line(QStringLiteral("%S\t") + typeForFile(ws.meas.Type.value(i)))
            .line(QStringLiteral("//Sensor name and data for sensor #") + Str(i + 1))
            .line(QStringLiteral("%N\t") +
                  (i < int(ws.tevo.Name.size()) ? ws.tevo.Name[i].text() : Fixed8().text()))
            .line(out.reals({p.x(), p.y(), p.z()}));
    }
    return out.bytes();
}

void WriteElectrodeFile(const QString &path, Workspace &ws)
{
    Workspace next = ws;
    saveText(path, electrodeFileText(next));
    next.ElectrodesDirty = 0;
    ws = next;
}

void writeSensorBlock(TextOut &out, const SensorTables &s, int i, bool probeCoils)
{
    const CoilData &coils = probeCoils ? s.ProbeCoil[i] : s.SensorCoil[i];
    auto six = [&](int c) {
        const auto &v = coils[c];
        return out.reals({v[0], v[1], v[2], v[3], v[4], v[5]});
    };
    auto pars = [&](double a, double b, int code) {
        return out.reals({a, b}) + QStringLiteral("\t") + QString::number(code);
    };
    // Sensor types are integers, written with "#0" (halves away from zero).
    const QString type = fixedDecimals(readNumber(s.SensorType.value(i)), 0);
    if (type.size() > MaxNumberLength)
        throw FileError(FileError::Kind::Refused,
                        QStringLiteral("The sensor type %1 is too large to be saved; no file was "
                                       "written.")
                            .arg(s.SensorType.value(i)));
    out.line(QStringLiteral("//Sensor type"))
        .line(QStringLiteral("%S\t") + type)
        .line(QStringLiteral("//Sensor name and data for sensor #") + Str(i + 1))
        .line(QStringLiteral("%N\t") + s.SensorName[i].text())
        .line(six(0))
        .line(pars(s.CoilPar1[i][0], s.CoilPar1[i][1], s.CoilCode1[i]))
        .line(six(1))
        .line(pars(s.CoilPar23[i][0][0], s.CoilPar23[i][0][1], s.CoilCode23[i][0]))
        .line(six(2))
        .line(pars(s.CoilPar23[i][1][0], s.CoilPar23[i][1][1], s.CoilCode23[i][1]));
}

void readSensorBlock(LineReader &in, SensorTables &s, int i)
{
    const QString which = QStringLiteral("sensor %1").arg(i + 1);
    s.SensorType[i] = readTagged(in, "%S", which);
    s.SensorName[i] = readTagged(in, "%N", which);
    double v[6];
    for (int c = 0; c < 3; ++c) {
        const QString six = in.ReadDataLine();
        ParseSix(six, v, in.lineNumber());
        std::copy(v, v + 6, s.SensorCoil[i][c].begin());
        double a, b;
        int code;
        const QString pars = in.ReadDataLine();
        ParseTwoAndInt(pars, a, b, code, in.lineNumber());
        if (c == 0) {
            s.CoilPar1[i] = {a, b};
            s.CoilCode1[i] = code;
        } else {
            s.CoilPar23[i][c - 1] = {a, b};
            s.CoilCode23[i][c - 1] = code;
        }
    }
}

int sensorBlockCount(const SensorTables &s, size_t coils)
{
    return std::max(
        0, std::min({s.NumSensors, int(coils), int(s.SensorName.size()), int(s.CoilPar1.size()),
                     int(s.CoilPar23.size()), int(s.CoilCode1.size()), int(s.CoilCode23.size())}));
}

QByteArray probeFileText(const Workspace &ws)
{
    TextOut out(ws.settings);
    // The count says how many sensor blocks follow, so a reader finds each of them.
    const int n = sensorBlockCount(ws.sensors, ws.sensors.ProbeCoil.size());
    writeHeader(out, QStringLiteral("//Probe file"), ws.MinorRevision, ws, n);
    out.line(QStringLiteral("//Position of fiducials X+, Y+, Y- on the subject"));
    writeFids(out, ws.ProbeFid);
    for (int i = 0; i < n; ++i)
        writeSensorBlock(out, ws.sensors, i, true);
    return out.bytes();
}

void WriteProbeFile(const QString &path, const Workspace &ws)
{
    saveText(path, probeFileText(ws));
}
