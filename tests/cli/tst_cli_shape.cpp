#include "data/shape_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "simdig_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <QThread>
#include <memory>

// pointra-simdig sweeping the virtual scalp on a pseudo-terminal and pointra-cli digitize
// --step shape reading it through the real serial port: the sweeps become an .hsp on the scalp,
// points more than the stepping distance apart; a digitizer killed mid-sweep writes nothing.
class TestCliShape : public QObject
{
    Q_OBJECT
private slots:
    void sweepsAndALostDigitizer();
};

namespace {
const QByteArray Ini = "Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
                       "Hemisphere=0,0,1\r\nnCommPort= 1\r\nSound=OFF\r\n";

struct Run
{
    Run(const QString &device, const QString &out)
    {
        QFile ini(home.filePath("pointra.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(Ini);
        ini.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("POINTRA_HOME", home.path());
        env.insert("POINTRA_COMM1", device);
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(POINTRA_CLI),
                  {"digitize", "--step", "shape", "--receivers", "1", "--out", out});
        cli.waitForStarted(5000);
    }
    ~Run()
    {
        cli.kill();
        cli.waitForFinished(3000);
    }
    // Reads prompt lines until one contains `text`; false after `ms`.
    bool until(const QString &text, int ms = 15000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            // Lets what the test wrote to pointra-simdig's input reach it too.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (!cli.canReadLine() && !cli.waitForReadyRead(20)) {
                if (cli.state() == QProcess::NotRunning)
                    return false;
                continue;
            }
            while (cli.canReadLine()) {
                const QString line = QString::fromLocal8Bit(cli.readLine()).trimmed();
                lines << line;
                if (line.contains(text))
                    return true;
            }
        }
        return false;
    }
    void key(const char *k)
    {
        cli.write(k);
        cli.write("\n");
        cli.waitForBytesWritten(1000);
    }
    int finish()
    {
        cli.waitForFinished(20000);
        err = QString::fromLocal8Bit(cli.readAllStandardError());
        return cli.state() == QProcess::NotRunning ? cli.exitCode() : -1;
    }

    QTemporaryDir home;
    QProcess cli;
    QStringList lines;
    QString err;
};

// The two passes over the fiducials, then Accept: the loop waits for the first tap.
bool toStreaming(Run &run, SimdigProcess &sim)
{
    if (!run.until("Mount the receiver"))
        return false;
    run.key("n");
    if (!run.until("Place the transmitter"))
        return false;
    run.key("n");
    // A press while the wait still opens the line is not a reading: press once it listens.
    if (!run.until("press the stylus button"))
        return false;
    for (int pass = 0; pass < 2; ++pass) {
        for (const char *site : {"Nasion", "LPA", "RPA"}) {
            sim.send(QByteArray("wait 600\ntouch ") + site + "\npress\n");
            const char *next = pass == 1 && site[0] == 'R' ? "Delta - F3" : "press the stylus button";
            bool taken = run.until(next, 3000);
            for (int tries = 0; !taken && tries < 3; ++tries) {
                sim.send("press\n");
                taken = run.until(next, 3000);
            }
            if (!taken)
                return false;
        }
    }
    run.key("a");
    return run.until("TAP the stylus button once");
}

// The scalp of --list-sites: centre and semi-axes, centimetres, head frame.
bool scalp(Point3 &centre, Point3 &axes)
{
    QProcess p;
    p.start(QStringLiteral(POINTRA_SIMDIG), {"--list-sites"});
    p.waitForFinished(5000);
    const QList<QByteArray> w = p.readAllStandardOutput().split('\n').value(0).simplified().split(' ');
    if (w.size() != 8 || w[1] != "ellipsoid")
        return false;
    centre = Point3(w[2].toDouble(), w[3].toDouble(), w[4].toDouble());
    axes = Point3(w[5].toDouble(), w[6].toDouble(), w[7].toDouble());
    return true;
}
} // namespace

namespace {
// What one pointra-cli run ended with: exit code and standard error, or why it went wrong.
struct Ending
{
    QString failure;
    int exitCode = -1;
    QString err;
};

// Runs one scenario on its own simdig and pseudo-terminal; `afterFiducials` works the stylus
// and the keys once the loop waits for the first tap.
Ending scenario(const QString &out, const std::function<bool(Run &, SimdigProcess &)> &afterFiducials)
{
    SimdigProcess sim({"--model", "fastrak", "--receivers", "1", "--noise", "0"});
    if (!sim.ok())
        return {QStringLiteral("pointra-simdig did not start")};
    Run run(sim.device(), out);
    if (!toStreaming(run, sim) || !afterFiducials(run, sim))
        return {run.lines.join('\n')};
    const int code = run.finish();
    return {{}, code, run.err};
}
} // namespace

// Both runs at once: each spends most of its time waiting for the virtual stylus.
void TestCliShape::sweepsAndALostDigitizer()
{
    QTemporaryDir out;
    const QString hsp = out.filePath("head.hsp");
    const QString lost = out.filePath("lost.hsp");
    Ending e, k;
    std::unique_ptr<QThread> sweeps(QThread::create([&] {
        e = scenario(hsp, [](Run &run, SimdigProcess &sim) {
            sim.send("sweep Fz Cz Pz speed 8\n");
            if (!run.until("TAP the stylus button once"))
                return false;
            sim.send("sweep C3 Cz C4 speed 8\n");
            if (!run.until("TAP the stylus button once"))
                return false;
            run.key("a");
            return true;
        });
    }));
    std::unique_ptr<QThread> killed(QThread::create([&] {
        k = scenario(lost, [](Run &run, SimdigProcess &sim) {
            sim.send("sweep F7 F8 speed 5\n");
            if (!run.until("Digitizing..."))
                return false;
            sim.stop();
            return true;
        });
    }));
    sweeps->start();
    killed->start();
    QVERIFY(sweeps->wait(60000) && killed->wait(60000));
    QVERIFY2(k.failure.isEmpty(), qPrintable(k.failure));
    QCOMPARE(k.exitCode, 1);
    QVERIFY2(k.err.contains("the digitizer was lost; nothing was written."), qPrintable(k.err));
    QVERIFY(!QFile::exists(lost));

    QVERIFY2(e.failure.isEmpty(), qPrintable(e.failure));
    QCOMPARE(e.exitCode, 0);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("(\\d+) readings arrived, (\\d+) kept, 0 not readings"))
            .match(e.err);
    QVERIFY2(m.hasMatch(), qPrintable(e.err));
    // Records closer than the stepping distance arrived and were dropped.
    QVERIFY(m.captured(1).toInt() > m.captured(2).toInt());

    QFile f(hsp);
    QVERIFY(f.open(QIODevice::ReadOnly));
    Workspace ws;
    LineReader reader(f.readAll());
    ReadShapeFile(reader, ws);
    QCOMPARE(ws.NumShapePoints, m.captured(2).toInt());
    QVERIFY(ws.NumShapePoints > 15);

    Point3 centre, axes;
    QVERIFY(scalp(centre, axes));
    for (int i = 0; i < ws.NumShapePoints; ++i) {
        const Point3 p = ws.ShapePos[i] * 100.0;
        const Point3 d = p - centre;
        const double off = d.norm() * (1.0 - 1.0 / d.cwiseQuotient(axes).norm());
        QVERIFY2(std::abs(off) < 0.05, qPrintable(QStringLiteral("point %1 lies %2 cm off the scalp")
                                                      .arg(i)
                                                      .arg(off)));
        if (i > 0) {
            const double step = (ws.ShapePos[i] - ws.ShapePos[i - 1]).norm() * 100.0;
            QVERIFY2(step > 0.5 - 0.01, qPrintable(QString::number(step)));
        }
    }
}

QTEST_GUILESS_MAIN(TestCliShape)
#include "tst_cli_shape.moc"
