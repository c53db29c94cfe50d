#include "commands/service_dumps.h"
#include "data/number_text.h"
#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "geometry/meg_locator.h"
#include "service_rig.h"

#include <Eigen/LU>
#include <QFile>
#include <QTest>

using M = DigitizerModel;

namespace {
const QString Separator = "//=================================================";

QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(f.readAll()).split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The matrices of a Matrices.txt, by name.
QHash<QString, Transform4> readMatrices(const QStringList &lines)
{
    QHash<QString, Transform4> out;
    for (qsizetype at = 0; at + 4 < lines.size(); at += 5) {
        Transform4 m;
        for (int i = 0; i < 4; ++i) {
            const QStringList v = lines[at + 1 + i].split('\t');
            for (int j = 0; j < 4; ++j)
                m(i, j) = readNumber(v.value(j));
        }
        out.insert(lines[at].mid(2), m);
    }
    return out;
}

Transform4 turned(double degrees, const Point3 &axis, const Point3 &shift)
{
    Transform4 t = Transform4::Identity();
    t.block<3, 3>(0, 0) =
        Eigen::AngleAxisd(degrees * M_PI / 180, axis.normalized()).toRotationMatrix();
    t.block<3, 1>(0, 3) = shift;
    return t;
}

QString poll(ServiceRig &rig, const QString &site)
{
    rig.emu.touchSite(site);
    QString record;
    Records::PollDigitizerRecord(rig.s, record);
    rig.clock.advance(50);
    return record;
}

// The line after `label` starts the record's own lines.
bool followedBy(const QStringList &lines, const QString &label, const QString &record)
{
    const qsizetype at = lines.indexOf(label);
    if (at < 0)
        return false;
    QStringList own = record.split("\r\n");
    if (own.last().isEmpty())
        own.removeLast();
    return lines.mid(at + 1, own.size()) == own;
}
} // namespace

class TestServiceDumps : public QObject
{
    Q_OBJECT
private slots:
    void matricesBeforeAnyMeasurement();
    void matricesAfterAProbeComputation();
    void rawDataSections();
    void sequenceData();
    void digSeqLeavesNoFile();
    void failedDumpIsTold_data();
    void failedDumpIsTold();
};

void TestServiceDumps::matricesBeforeAnyMeasurement()
{
    ServiceRig rig(M::Fastrak);
    QVERIFY(rig.invoke("menuSaveMatrices"));
    QVERIFY(rig.dialogs.shown.isEmpty());
    const QStringList lines = fileLines(rig.path("Matrices.txt"));
    QCOMPARE(lines.size(), 19 * 5);
    const QStringList names = {"MCalib1", "MCalib2", "MCalib",  "MFid1",    "MFid2a",
                               "MFid2b",  "MFida",   "MFidb",   "MFidfa",   "MFidfb",
                               "MProbe",  "MHeada",  "MHeadb",  "MAlla",    "MAllb",
                               "MStep1",  "MStep2a", "MStep2b", "MPosition"};
    for (int k = 0; k < 19; ++k) {
        QCOMPARE(lines[5 * k], "//" + names[k]);
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(lines[5 * k + i], QStringLiteral(" 0\t 0\t 0\t 0"));
    }
}

void TestServiceDumps::matricesAfterAProbeComputation()
{
    // Receiver 1 sits on the dewar, receiver 2 on the head, as in the probe measurement.
    ServiceRig rig(M::Fastrak, 2);
    rig.emu.setReceiverFixed(0, DigitizerEmulator::dewarReceiverPose());
    Workspace &ws = rig.ws;
    ws.ReceiverCount = 1;
    ws.m.MCalib = turned(20, {0, 0, 1}, {0.01, -0.02, 0.03});
    ws.m.MFida = turned(-35, {1, 1, 0}, {0.0, 0.05, -0.04});
    ws.ReceiverFid = {{Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)}};
    const Transform4 calib = ws.m.MCalib;
    const Transform4 fida = ws.m.MFida;

    QVERIFY(rig.invoke("menuSaveMatrices"));
    QHash<QString, Transform4> before = readMatrices(fileLines(rig.path("Matrices.txt")));
    QVERIFY((before["MCalib"] - calib).cwiseAbs().maxCoeff() < 1e-12);
    QVERIFY(before["MProbe"].isZero(0));

    const QString record = poll(rig, "Cz");
    const std::optional<Reading> reading = Records::parseReading(M::Fastrak, record);
    QVERIFY(reading);
    QVERIFY(LocateProbe(ws, rig.dialogs, *reading));
    QVERIFY(rig.invoke("menuSaveMatrices"));
    QHash<QString, Transform4> after = readMatrices(fileLines(rig.path("Matrices.txt")));
    QCOMPARE(after.size(), 19);

    // The chain from the emulator's own poses, to the records' 0.01 cm and 1e-4 resolution.
    const Transform4 probe = rig.emu.receiverPose(0);
    const Transform4 head = rig.emu.receiverPose(1).inverse();
    const Transform4 step1 = probe * calib;
    const QHash<QString, Transform4> expected = {{"MProbe", probe},
                                                 {"MHeada", head},
                                                 {"MStep1", step1},
                                                 {"MStep2a", head * step1},
                                                 {"MAlla", fida * head * step1},
                                                 {"MCalib", calib},
                                                 {"MFida", fida}};
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QVERIFY2((after[it.key()] - it.value()).cwiseAbs().maxCoeff() < 1e-3, qPrintable(it.key()));
    // With one head receiver the second chain and the other steps stay empty.
    for (const char *name : {"MHeadb", "MAllb", "MStep2b", "MCalib1", "MFid1", "MPosition"})
        QVERIFY2(after[name].isZero(0), name);
}

void TestServiceDumps::rawDataSections()
{
    ServiceRig rig(M::Fastrak, 1);
    Workspace &ws = rig.ws;
    const QStringList sites = {"Nasion", "LPA", "RPA", "Cz", "Fz", "Pz"};
    for (int i = 0; i < 6; ++i) {
        ws.raw.calibration[i] = poll(rig, sites[i]);
        ws.raw.fiducials[i] = "fid " + QString::number(i + 1) + "\r\n";
        ws.raw.shapeFiducials[i] = "shape fid " + QString::number(i + 1);
    }
    ws.raw.probe = {poll(rig, "Oz"), "second probe record"};
    ws.raw.shapePoints = {"p1", "p2", "p3"};
    ws.NumSeq = 4;
    ws.SeqName = {"Nasion", "Fz", "LPA", "Cz"};
    ws.SeqCode = {"1", "400", "2", "400"};
    ws.SeqRaw = {poll(rig, "Nasion"), poll(rig, "Fz"), poll(rig, "LPA"), poll(rig, "Cz")};
    ws.sensors.NumSensors = 2;
    ws.meas.resize(2);
    ws.meas.Pos = {Point3(0.5, -0.25, 0.125), Point3(-0.1, 0.2, 0)};
    ws.meas.Fid = {Point3(0.1, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};

    QVERIFY(rig.invoke("menuSaveRawData"));
    const QStringList lines = fileLines(rig.path("RawData.txt"));
    QStringList titles;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] != Separator)
            continue;
        titles << lines.value(i + 1);
        // An empty line closes the section before.
        if (i > 0)
            QCOMPARE(lines[i - 1], QString());
    }
    QCOMPARE(titles, (QStringList{"//Baud Rate", "//Calibration Data", "//Fiducials Data",
                                  "//Probe Data", "//Shape data", "//Electrode Data"}));
    QCOMPARE(lines.last(), QString());
    QCOMPARE(lines[2], QStringLiteral("19200,n,8,1"));

    const qsizetype calibration = lines.indexOf("//Calibration Data");
    const qsizetype fiducials = lines.indexOf("//Fiducials Data");
    for (int pass = 1; pass <= 2; ++pass) {
        for (int f = 1; f <= 3; ++f) {
            const QString label = QStringLiteral("//Pass %1, Fiducial # %2").arg(pass).arg(f);
            QVERIFY(followedBy(lines.mid(calibration), label,
                               ws.raw.calibration[(pass - 1) * 3 + f - 1]));
            QVERIFY(
                followedBy(lines.mid(fiducials), label, ws.raw.fiducials[(pass - 1) * 3 + f - 1]));
        }
    }
    QVERIFY(followedBy(lines, "//Measurement #1", ws.raw.probe[0]));
    QVERIFY(followedBy(lines, "//Measurement #2", ws.raw.probe[1]));
    const qsizetype shape = lines.indexOf("//Shape data");
    QCOMPARE(lines[shape + 1], QStringLiteral("//Shape fiducials"));
    QVERIFY(followedBy(lines.mid(shape), "//Pass 2, Fiducial # 3", "shape fid 6"));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(
            followedBy(lines, QStringLiteral("//Point # %1").arg(i), QStringLiteral("p%1").arg(i)));
    // Fiducials and electrodes of the sequence apart, each numbered in its own kind.
    QVERIFY(followedBy(lines, "//Fiducial # 1", ws.SeqRaw[0]));
    QVERIFY(followedBy(lines, "//Fiducial # 2", ws.SeqRaw[2]));
    QVERIFY(followedBy(lines, "//Electrode # 1", ws.SeqRaw[1]));
    QVERIFY(followedBy(lines, "//Electrode # 2", ws.SeqRaw[3]));
    QVERIFY(!lines.contains("//Electrode # 3"));
    const qsizetype fe = lines.indexOf("//Fiducials, fE(i)");
    QCOMPARE(lines.mid(fe + 1, 3), (QStringList{" .1\t 0\t 0", " 0\t .075\t 0", " 0\t-.075\t 0"}));
    const qsizetype locations = lines.indexOf("//Electrode locations");
    QCOMPARE(lines.mid(locations + 1, 3), (QStringList{" .5\t-.25\t .125", "-.1\t .2\t 0", ""}));
}

void TestServiceDumps::sequenceData()
{
    ServiceRig rig(M::Fastrak);
    Workspace &ws = rig.ws;
    ws.NumSeq = 3;
    ws.SeqName = {"Nasion", "Fp1", "LPA"};
    ws.SeqCode = {"1", "400", "2"};
    ws.SeqRaw = {poll(rig, "Nasion"), QString(), poll(rig, "LPA")};
    QVERIFY(rig.invoke("menuSaveSeqData"));
    const QStringList lines = fileLines(rig.path("Pe_seq.dat"));
    // One header line per point, then its record (four lines) or an empty line.
    QCOMPARE(lines.size(), 3 + 4 + 1 + 4);
    QCOMPARE(lines[0], QStringLiteral("# 1  Nasion  1"));
    QVERIFY(followedBy(lines, "# 1  Nasion  1", ws.SeqRaw[0]));
    QCOMPARE(lines[5], QStringLiteral("# 2  Fp1  400"));
    QCOMPARE(lines[6], QString());
    QVERIFY(followedBy(lines, "# 3  LPA  2", ws.SeqRaw[2]));
}

void TestServiceDumps::digSeqLeavesNoFile()
{
    ServiceRig rig(M::Fastrak);
    rig.ws.NumSeq = 1;
    rig.ws.SeqName = {"Nasion"};
    rig.ws.SeqCode = {"1"};
    rig.ws.SeqRaw = {poll(rig, "Nasion")};
    QVERIFY(rig.invoke("menuSaveDigSeq"));
    QCOMPARE(rig.menus.service.saveDigSeqData(), rig.path("DigSeq.dat"));
    QVERIFY(!QFile::exists(rig.path("DigSeq.dat")));
    QVERIFY(QDir(rig.home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestServiceDumps::failedDumpIsTold_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("folder"); // a folder stands where the file goes; else read-only
    // clang-format off
    QTest::newRow("matrices over a folder") << "menuSaveMatrices" << "Matrices.txt" << true;
    QTest::newRow("raw data read-only") << "menuSaveRawData" << "RawData.txt" << false;
    QTest::newRow("sequence data read-only") << "menuSaveSeqData" << "Pe_seq.dat" << false;
    // clang-format on
}

void TestServiceDumps::failedDumpIsTold()
{
    QFETCH(QString, control);
    QFETCH(QString, file);
    QFETCH(bool, folder);
    ServiceRig rig(M::Fastrak);
    const QString path = rig.path(file);
    if (folder) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("kept");
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner));
    }
    QVERIFY(rig.invoke(control));
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].contains(file));
    if (!folder) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("kept"));
    }
}

QTEST_GUILESS_MAIN(TestServiceDumps)
#include "tst_service_dumps.moc"
