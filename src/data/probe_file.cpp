#include "probe_file.h"

#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/text_grammar.h"
#include "data/workspace.h"

#include <QRegularExpression>

namespace {
struct Header
{
    int revision = 0;
    QString name;
    int type = 0;
    int count = 0;
    FidTriple fid = zeroFids();
};

Header readHeader(LineReader &in)
{
    Header h;
    h.revision = readTypeAndRevision(in);
    QString line = in.ReadDataLine();
    const QString tag = GetNameTag(line);
    if (tag == QLatin1String("flagName")) {
        h.name = QStringLiteral("Name");
    } else {
        h.name = tag;
        line = in.ReadDataLine();
    }
    SplitTwoInts(line, h.type, h.count);
    for (Point3 &f : h.fid)
        ParseTagF3(in.ReadDataLine(), f.x(), f.y(), f.z());
    return h;
}
} // namespace

bool isProbeFileText(const QByteArray &bytes)
{
    try {
        LineReader in(bytes);
        const Header h = readHeader(in);
        if (h.count < 1)
            return false;
        in.ReadDataLine(); // type
        in.ReadDataLine(); // name
        static const QRegularExpression blanks(QStringLiteral("[\\t ]+"));
        return in.ReadDataLine().split(blanks, Qt::SkipEmptyParts).size() >= 6;
    } catch (const FileError &) {
        return false;
    }
}

void ReadProbeFile(LineReader &in, Workspace &ws)
{
    Workspace next = ws;
    const Header h = readHeader(in);
    next.MinorRevision = h.revision;
    next.ProbeName = h.name;
    next.ProbeType = h.type;
    next.ProbeFid = h.fid;
    const int n = checkedCount(h.count, in, 8, QStringLiteral("sensors"));
    next.sensors.resize(n);
    for (int i = 0; i < n; ++i) {
        readSensorBlock(in, next.sensors, i);
        next.sensors.ProbeCoil[i] = next.sensors.SensorCoil[i];
    }
    ws = next;
}
