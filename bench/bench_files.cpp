// Reads and writes a 1,000,000-point shape file and a 10,000-electrode electrode file:
// seconds and MB/s for each direction, through the same readers and writers as File > Open.
#include "data/electrode_file.h"
#include "data/shape_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "platform/console_dialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

namespace {
void report(const char *what, qint64 bytes, qint64 ns)
{
    const double s = ns / 1e9;
    std::printf("%-34s %8.3f s  %8.1f MB/s  (%.1f MB)\n", what, s, bytes / 1e6 / s, bytes / 1e6);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-0.12, 0.12);
    QElapsedTimer t;

    Workspace shape;
    shape.settings = {DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 1, "OFF"};
    shape.NumShapePoints = 1000000;
    shape.ShapePos.resize(shape.NumShapePoints);
    for (Point3 &p : shape.ShapePos)
        p = Point3(u(rng), u(rng), u(rng));
    const QString hsp = dir.filePath("big.hsp");
    t.start();
    WriteShapeFile(hsp, shape);
    report("write .hsp, 1,000,000 points", QFile(hsp).size(), t.nsecsElapsed());
    t.start();
    Workspace back;
    LineReader in(readAll(hsp));
    ReadShapeFile(in, back);
    report("read .hsp, 1,000,000 points", QFile(hsp).size(), t.nsecsElapsed());
    if (back.NumShapePoints != shape.NumShapePoints)
        return 1;

    Workspace el = shape;
    const int n = 10000;
    el.sensors.NumSensors = n;
    el.tevo.resize(n);
    el.meas.resize(n);
    for (int i = 0; i < n; ++i) {
        el.tevo.Name[i] = QStringLiteral("E%1").arg(i);
        el.tevo.Pos[i] = Point3(u(rng), u(rng), u(rng));
        el.meas.Type[i] = QStringLiteral("400");
    }
    const QString elp = dir.filePath("big.elp");
    t.start();
    WriteElectrodeFile(elp, el);
    report("write .elp, 10,000 electrodes", QFile(elp).size(), t.nsecsElapsed());
    ConsoleDialogs quiet;
    t.start();
    Workspace elBack;
    LineReader in2(readAll(elp));
    ReadElectrodeFile(in2, elBack, quiet);
    report("read .elp, 10,000 electrodes", QFile(elp).size(), t.nsecsElapsed());
    return elBack.sensors.NumSensors == n ? 0 : 1;
}
