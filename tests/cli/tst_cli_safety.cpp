#include "data/electrode_file.h"
#include "data/meg_files.h"
#include "data/workspace.h"
#include "full_disk.h"
#include "simdig_process.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

namespace {
const QByteArray Elp =
    "3\t2\r\n1\r\n%N\tName\r\n0\t2\r\n%F\t0.1\t0\t0\r\n%F\t0\t0.07\t0\r\n%F\t0\t-0.07\t0\r\n"
    "%S\t400\r\n%N\tFp1\r\n0.08\t0.03\t0.04\r\n%S\t400\r\n%N\tCz\r\n0\t0\t0.1\r\n";
const QByteArray OldOutput = "the old output\r\n";

struct Run
{
    int status;
    QString err;
};

// A program folder with settings, the inputs of both programs, and a way to run them with a
// disk that is full for the output.
class Home
{
public:
    Home()
    {
        put(path("pointra.ini"), "Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\n"
                                 "Decimal Point=Period\r\nHemisphere=0,0,1\r\nnCommPort= 1\r\n");
        put(path("e.elp"), Elp);
        // Calibration and fiducials files the probe run accepts.
        Workspace ws;
        ws.settings = {DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 1, "OFF"};
        ws.m.MCalib = Transform4::Identity();
        ws.m.MFida = Transform4::Identity();
        ws.ReceiverCount = 1;
        ws.ReceiverFid.assign(1, {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)});
        ws.sensors.resize(2);
        ws.sensors.SensorName = {Fixed8("MEG0111"), Fixed8("MEG0121")};
        ws.sensors.SensorType = {"1", "1"};
        ws.sensors.SensorCoil[0][0] = {0.02, 0.01, -0.05, 0, 0, 1};
        ws.sensors.SensorCoil[1][0] = {-0.03, 0.04, -0.06, 0, 0.6, 0.8};
        WriteCalibrationFile(path("cal.clb"), ws);
        WriteFiducialsFile(path("subj.fid"), ws);
    }
    QString path(const QString &name) const { return QDir(m_dir.path()).filePath(name); }
    static void put(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    // `fileLimit` > 0: the program may write no file longer than that.
    Run run(const char *program, const QStringList &args, const QString &device = {},
            rlim_t fileLimit = 0) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("POINTRA_HOME", m_dir.path());
        if (!device.isEmpty())
            env.insert("POINTRA_COMM1", device);
        p.setProcessEnvironment(env);
        if (fileLimit > 0)
            limitFileSize(p, fileLimit);
        p.start(QString::fromLatin1(program), args);
        p.waitForFinished(20000);
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError())};
    }

private:
    QTemporaryDir m_dir;
};
} // namespace

class TestCliSafety : public QObject
{
    Q_OBJECT
private slots:
    void fullDiskKeepsOldOutput_data();
    void fullDiskKeepsOldOutput();
    void convertNamesWhatItCannotWrite_data();
    void convertNamesWhatItCannotWrite();
};

void TestCliSafety::fullDiskKeepsOldOutput_data()
{
    QTest::addColumn<bool>("probeRun");
    QTest::addColumn<bool>("realDisk");
    // clang-format off
    QTest::newRow("pointra-cli, file size limit") << false << false;
    QTest::newRow("pointra-cli, full tmpfs")      << false << true;
    QTest::newRow("probe run, file size limit")   << true  << false;
    QTest::newRow("probe run, full tmpfs")        << true  << true;
    // clang-format on
}

void TestCliSafety::fullDiskKeepsOldOutput()
{
    QFETCH(bool, probeRun);
    QFETCH(bool, realDisk);
    Home home;
    SmallDisk disk;
    QString out = home.path("out.elp");
    if (realDisk) {
        if (!disk.mounted())
            QSKIP(qPrintable(disk.why()));
        out = disk.path("out.elp");
        QVERIFY(disk.placeAndFill("out.elp", OldOutput));
    } else {
        Home::put(out, OldOutput);
    }
    // Below the size of what is written, above that of the settings file.
    const rlim_t limit = realDisk ? 0 : 200;
    Run r;
    if (probeRun) {
        SimdigProcess sim({"--model", "fastrak", "--dewar", "--receivers", "1", "--noise", "0"});
        QVERIFY(sim.ok());
        r = home.run(POINTRA_BIN, {home.path("cal.clb"), home.path("subj.fid"), out}, sim.device(),
                     limit);
    } else {
        r = home.run(POINTRA_CLI, {"roundtrip", home.path("e.elp"), out}, {}, limit);
    }
    QCOMPARE(r.status, 1);
    const QString reason = QString::fromLocal8Bit(std::strerror(realDisk ? ENOSPC : EFBIG));
    QVERIFY2(r.err.contains(reason), qPrintable(r.err));
    QVERIFY2(r.err.contains(QDir::toNativeSeparators(out)), qPrintable(r.err));
    QCOMPARE(fileBytes(out), OldOutput);
    QCOMPARE(QDir(QFileInfo(out).absolutePath()).entryList({"out*"}, QDir::Files | QDir::Hidden),
             QStringList{"out.elp"});
    if (realDisk)
        return;
    // Without the limit the same run writes the file.
    if (probeRun) {
        SimdigProcess sim({"--model", "fastrak", "--dewar", "--receivers", "1", "--noise", "0"});
        r = home.run(POINTRA_BIN, {home.path("cal.clb"), home.path("subj.fid"), out}, sim.device());
    } else {
        r = home.run(POINTRA_CLI, {"roundtrip", home.path("e.elp"), out});
    }
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY(fileBytes(out).startsWith("3\t2\r\n//Probe file\r\n"));
}

void TestCliSafety::convertNamesWhatItCannotWrite_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    // clang-format off
    QTest::newRow("Curry into .txt")   << QStringList{"--to", "curry", "@e.elp", "@c.txt"} << "needs the extension .res";
    QTest::newRow("BESA into .elp")    << QStringList{"--to", "besa", "@e.elp", "@b.elp"}  << "needs the extension .sfp";
    QTest::newRow("BESA, no extension") << QStringList{"--to", "besa", "@e.elp", "@cap"}   << "needs the extension .sfp";
    QTest::newRow("Curry, mixed case") << QStringList{"--to", "curry", "@e.elp", "@c.Res"} << "needs the extension .res";
    // clang-format on
}

void TestCliSafety::convertNamesWhatItCannotWrite()
{
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    Home home;
    QStringList full{"convert"};
    for (const QString &a : args)
        full << (a.startsWith('@') ? home.path(a.mid(1)) : a);
    const Run r = home.run(POINTRA_CLI, full);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(says), qPrintable(r.err));
    QVERIFY(r.err.contains(full.last()));
    const QStringList left = QDir(home.path(".")).entryList(QDir::Files);
    QCOMPARE(left, QStringList({"cal.clb", "e.elp", "pointra.ini", "subj.fid"}));
}

QTEST_GUILESS_MAIN(TestCliSafety)
#include "tst_cli_safety.moc"
