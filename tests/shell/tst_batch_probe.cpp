#include "data/meg_files.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/record_parser.h"
#include "fixtures.h"
#include "geometry/frames.h"
#include "geometry/meg_chain.h"
#include "simdig_process.h"

#include <QTest>
#include <pty.h>
#include <unistd.h>

using Fixtures::Ini;

namespace {
// Calibration and fiducials files that match what pointra-simdig --dewar reports.
struct MegFiles
{
    MegFiles()
    {
        DigitizerEmulator emu({DigitizerModel::Fastrak, 2, 0.0, 1});
        emu.receive("u", 0);
        emu.setReceiverFixed(0, DigitizerEmulator::dewarReceiverPose());
        const auto reading = [&] {
            return *Records::parseReading(DigitizerModel::Fastrak,
                                          QString::fromLatin1(emu.record()));
        };
        Transform4 dewar = DigitizerEmulator::dewarReceiverPose();
        dewar.block<3, 1>(0, 3) += Point3(0.0, 0.0, 0.05);
        Workspace ws;
        ws.settings = {DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 1, "OFF"};
        MegChain::takeDewarPose(ws, reading());
        MegChain::computeCalibration(ws, {transformed(dewar, {0.1, 0, 0}),
                                          transformed(dewar, {0, 0.1, 0}),
                                          transformed(dewar, {0, -0.1, 0})});
        ws.ProbeName = "emudewar";
        ws.sensors.resize(2);
        ws.sensors.SensorName = {Fixed8("MEG0111"), Fixed8("MEG0121")};
        ws.sensors.SensorType = {"1", "1"};
        ws.sensors.SensorCoil[0] = {
            {{0.02, 0.01, -0.05, 0, 0, 1}, {0.02, 0.01, -0.03, 0, 0, 1}, {0, 0, 0, 0, 0, 0}}};
        ws.sensors.SensorCoil[1] = {
            {{-0.03, 0.04, -0.06, 0, 0.6, 0.8}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}}};
        coils = ws.sensors.SensorCoil;

        ws.ReceiverCount = 1;
        FidTriple subject;
        const QStringList names{"Nasion", "LPA", "RPA"};
        for (int j = 0; j < 3; ++j) {
            emu.touchSite(names[j]);
            const Reading r = reading();
            if (j == 0)
                MegChain::takeSubjectPoses(ws, r);
            subject[j] = r.stylus;
        }
        MegChain::computeSubjectTransforms(ws, subject);
        dewarToHead = ws.m.MFid1 * dewar;
        WriteCalibrationFile(home.path("cal.clb"), ws);
        WriteFiducialsFile(home.path("subj.fid"), ws);
    }

    Fixtures::Run run(const QStringList &args, const QString &device,
                      const QString &model = "FASTRAK") const
    {
        home.write("pointra.ini", Ini{.model = model}.text());
        return Fixtures::run(POINTRA_BIN, args,
                             {{"POINTRA_HOME", home.path()}, {"POINTRA_COMM1", device}});
    }

    Fixtures::Home home;
    Transform4 dewarToHead;
    std::vector<CoilData> coils;
};

} // namespace

class TestBatchProbe : public QObject
{
    Q_OBJECT
private slots:
    void probeRunAgainstSimdig();
    void refused_data();
    void refused();
};

void TestBatchProbe::probeRunAgainstSimdig()
{
    MegFiles files;
    SimdigProcess sim({"--model", "fastrak", "--dewar", "--receivers", "1", "--noise", "0"});
    QVERIFY(sim.ok());
    const QString out = files.home.path("probe out.elp");
    const Fixtures::Run r =
        files.run({files.home.path("cal.clb"), files.home.path("subj.fid"), out}, sim.device());
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QByteArray text = files.home.read("probe out.elp");
    QVERIFY(text.startsWith("3\t2\r\n//Probe file\r\n"));
    Workspace read; // a probe file has the layout of a dewar file
    LineReader in(text);
    ReadDewarFile(in, read);
    const SensorTables &got = read.sensors;
    QCOMPARE(got.NumSensors, 2);
    for (int i = 0; i < 2; ++i) {
        const auto &c = files.coils[i][0], &g = got.SensorCoil[i][0];
        const Point3 expected = transformed(files.dewarToHead, Point3(c[0], c[1], c[2]));
        // Records carry 0.01 cm, files four decimals: a few tenths of a millimetre.
        QVERIFY2((Point3(g[0], g[1], g[2]) - expected).norm() < 1e-3,
                 qPrintable(got.SensorName[i]));
        const Point3 dir = rotated(files.dewarToHead, Point3(c[3], c[4], c[5]));
        QVERIFY((Point3(g[3], g[4], g[5]) - dir).norm() < 2e-3);
    }
    // The start-up sequence, then the sequence again and two polls.
    QVERIFY(sim.hostBytes(80).endsWith("e1,1\rPP"));
}

void TestBatchProbe::refused_data()
{
    QTest::addColumn<QStringList>("names"); // @: a file in the program folder
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    const QStringList good = {"@cal.clb", "@subj.fid", "@out.elp"};
    // clang-format off
    QTest::newRow("calibration missing") << QStringList{"@absent.clb", "@subj.fid", "@out.elp"} << "FASTRAK" << 1 << "calibration file";
    QTest::newRow("fiducials cut short") << QStringList{"@cal.clb", "@bad.fid", "@out.elp"} << "FASTRAK" << 1 << "fiducials file";
    QTest::newRow("not a FASTRAK") << good << "ISOTRAK" << 1 << "Command line response works only with FASTRAK\nPlease connect FASTRAK";
    QTest::newRow("two names") << QStringList{"@cal.clb", "@subj.fid"} << "FASTRAK" << 2 << "Usage: pointra";
    QTest::newRow("silent device") << good << "FASTRAK" << 1 << "did not answer";
    // clang-format on
}

// Nothing is written when a file, the model or the device lets the run down; the line is a
// pseudo-terminal nobody answers on.
void TestBatchProbe::refused()
{
    QFETCH(QStringList, names);
    QFETCH(QString, model);
    QFETCH(QString, says);
    int master = -1, slave = -1;
    char device[256] = {0};
    QCOMPARE(::openpty(&master, &slave, device, nullptr, nullptr), 0);
    MegFiles files;
    files.home.write("bad.fid", "3\t2\r\n1\r\n%N\tT\r\n2\t1\r\n");
    for (QString &n : names)
        n = files.home.path(n.mid(1));
    const Fixtures::Run r = files.run(names, QString::fromLocal8Bit(device), model);
    ::close(slave);
    ::close(master);
    QTEST(r.status, "status");
    QVERIFY2(r.err.contains(says), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(files.home.path("out.elp")));
}

QTEST_GUILESS_MAIN(TestBatchProbe)
#include "tst_batch_probe.moc"
