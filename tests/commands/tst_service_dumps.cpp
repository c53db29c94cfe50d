#include "data/number_text.h"
#include "digitizer/records.h"
#include "on_emulator.h"

#include <Eigen/Geometry>
#include <QTest>

using M = DigitizerModel;

namespace {
QStringList fileLines(const Rig &rig, const QString &name)
{
    QStringList lines = QString::fromLatin1(rig.home.read(name)).split("\r\n");
    if (lines.last().isEmpty()) // after the last line end
        lines.removeLast();
    return lines;
}

// The matrices of a Matrices.txt, by name.
QHash<QString, Transform4> readMatrices(const QStringList &lines)
{
    QHash<QString, Transform4> out;
    for (qsizetype at = 0; at + 4 < lines.size(); at += 5) {
        Transform4 m;
        for (int i = 0; i < 16; ++i)
            m(i / 4, i % 4) = readNumber(lines[at + 1 + i / 4].split('\t').value(i % 4));
        out.insert(lines[at].mid(2), m);
    }
    return out;
}

Transform4 turned(double degrees, const Point3 &axis, const Point3 &shift)
{
    Transform4 t = Transform4::Identity();
    t.block<3, 3>(0, 0) = Eigen::AngleAxisd(degrees * M_PI / 180, axis.normalized()).matrix();
    t.block<3, 1>(0, 3) = shift;
    return t;
}

// The record the emulator sends with the stylus on `site`.
QString poll(Rig &rig, const QString &site)
{
    rig.emu->touchSite(site);
    QString record;
    Records::PollDigitizerRecord(rig.s, record);
    rig.clock.advance(50);
    return record;
}

// The lines after `label` (searched from `from`) are the record's own lines.
bool followedBy(const QStringList &lines, const QString &label, const QString &record,
                const QString &from = {})
{
    const qsizetype at = lines.indexOf(label, from.isEmpty() ? 0 : lines.indexOf(from));
    QStringList own = record.split("\r\n");
    if (own.last().isEmpty())
        own.removeLast();
    return at >= 0 && lines.mid(at + 1, own.size()) == own;
}
} // namespace

class TestServiceDumps : public QObject
{
    Q_OBJECT
private slots:
    void matrices();
    void rawDataSections();
    void sequenceData();
    void failedDumpIsTold_data();
    void failedDumpIsTold();
};

// Each matrix under its own name, whole; those never computed are zero.
void TestServiceDumps::matrices()
{
    OnEmulator rig(M::Fastrak);
    const QHash<QString, Transform4> set = {{"MCalib", turned(20, {0, 0, 1}, {0.01, -0.02, 0.03})},
                                            {"MFida", turned(-35, {1, 1, 0}, {0.0, 0.05, -0.04})},
                                            {"MHeadb", turned(70, {0, 1, 1}, {-0.1, 0, 0.2})}};
    rig.ws.m.MCalib = set["MCalib"];
    rig.ws.m.MFida = set["MFida"];
    rig.ws.m.MHeadb = set["MHeadb"];
    QVERIFY(rig.invoke("menuSaveMatrices"));
    const QHash<QString, Transform4> saved = readMatrices(fileLines(rig, "Matrices.txt"));
    QCOMPARE(saved.size(), 19);
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        QVERIFY2(Fixtures::near(it.value(), set.value(it.key(), Transform4::Zero()), 1e-12),
                 qPrintable(it.key()));
}

void TestServiceDumps::rawDataSections()
{
    OnEmulator rig(M::Fastrak);
    Workspace &ws = rig.ws;
    for (int i = 0; i < 6; ++i) {
        ws.raw.calibration[i] = poll(rig, "Cz");
        ws.raw.fiducials[i] = "fid " + QString::number(i + 1) + "\r\n";
        ws.raw.shapeFiducials[i] = "shape fid " + QString::number(i + 1);
    }
    ws.raw.probe = {"first probe record", "second probe record"};
    ws.raw.shapePoints = {"p1", "p2", "p3"};
    ws.NumSeq = 4;
    ws.SeqName = {"Nasion", "Fz", "LPA", "Cz"};
    ws.SeqCode = {"1", "400", "2", "400"};
    ws.SeqRaw = {"nasion record", "Fz record", "LPA record", "Cz record"};
    ws.sensors.NumSensors = 2;
    ws.meas.resize(2);
    ws.meas.Pos = {Point3(0.5, -0.25, 0.125), Point3(-0.1, 0.2, 0)};
    ws.meas.Fid = {Point3(0.1, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};

    QVERIFY(rig.invoke("menuSaveRawData"));
    const QStringList lines = fileLines(rig, "RawData.txt");
    QStringList titles;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i - 1] != "//=================================================")
            continue;
        titles << lines[i];
        QVERIFY(i == 1 || lines[i - 2].isEmpty()); // an empty line closes the section before
    }
    QCOMPARE(titles, (QStringList{"//Baud Rate", "//Calibration Data", "//Fiducials Data",
                                  "//Probe Data", "//Shape data", "//Electrode Data"}));
    QCOMPARE(lines[2], QStringLiteral("19200,n,8,1"));
    QVERIFY(
        followedBy(lines, "//Pass 2, Fiducial # 3", ws.raw.calibration[5], "//Calibration Data"));
    QVERIFY(followedBy(lines, "//Pass 2, Fiducial # 1", "fid 4", "//Fiducials Data"));
    QVERIFY(followedBy(lines, "//Pass 1, Fiducial # 2", "shape fid 2", "//Shape fiducials"));
    QVERIFY(followedBy(lines, "//Measurement #2", ws.raw.probe[1]));
    QVERIFY(followedBy(lines, "//Point # 3", "p3"));
    // Fiducials and electrodes of the sequence apart, each numbered in its own kind.
    QVERIFY(followedBy(lines, "//Fiducial # 2", "LPA record"));
    QVERIFY(followedBy(lines, "//Electrode # 2", "Cz record"));
    QVERIFY(!lines.contains("//Electrode # 3"));
    QVERIFY(
        followedBy(lines, "//Fiducials, fE(i)", " .1\t 0\t 0\r\n 0\t .075\t 0\r\n 0\t-.075\t 0"));
    QVERIFY(followedBy(lines, "//Electrode locations", " .5\t-.25\t .125\r\n-.1\t .2\t 0\r\n"));
}

void TestServiceDumps::sequenceData()
{
    OnEmulator rig(M::Fastrak);
    rig.ws.NumSeq = 3;
    rig.ws.SeqName = {"Nasion", "Fp1", "LPA"};
    rig.ws.SeqCode = {"1", "400", "2"};
    rig.ws.SeqRaw = {poll(rig, "Nasion"), QString(), poll(rig, "LPA")};
    QVERIFY(rig.invoke("menuSaveSeqData"));
    const QStringList lines = fileLines(rig, "Pe_seq.dat");
    // One header line per point, then its record (four lines) or an empty line.
    QCOMPARE(lines.size(), 3 + 4 + 1 + 4);
    QVERIFY(followedBy(lines, "# 1  Nasion  1", rig.ws.SeqRaw[0]));
    QCOMPARE(lines.mid(5, 2), (QStringList{"# 2  Fp1  400", ""}));
    QVERIFY(followedBy(lines, "# 3  LPA  2", rig.ws.SeqRaw[2]));
    // DigSeq.dat is named but never written.
    QVERIFY(rig.invoke("menuSaveDigSeq"));
    QCOMPARE(rig.app.menus.service.saveDigSeqData(), rig.home.path("DigSeq.dat"));
    QVERIFY(!QFile::exists(rig.home.path("DigSeq.dat")) && rig.dialogs.shown.isEmpty());
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
    OnEmulator rig(M::Fastrak);
    if (folder)
        QVERIFY(QDir().mkpath(rig.home.path(file)));
    else
        QVERIFY(QFile::setPermissions(rig.home.write(file, "kept"), QFile::ReadOwner));
    QVERIFY(rig.invoke(control));
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].contains(file));
    QCOMPARE(rig.home.read(file), folder ? QByteArray() : QByteArray("kept"));
}

QTEST_GUILESS_MAIN(TestServiceDumps)
#include "tst_service_dumps.moc"
