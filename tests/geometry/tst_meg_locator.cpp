#include "data/workspace.h"
#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/records.h"
#include "exact_poses.h"
#include "fake_dialogs.h"
#include "geometry/frames.h"
#include "geometry/meg_locator.h"

#include <QTest>

using namespace ExactPoses;

namespace {
QString identityRecord()
{
    QString r = QStringLiteral("01   0.00   0.00   0.00\r\n");
    for (int st = 2; st <= 4; ++st)
        r += QStringLiteral("0%1    0.00   0.00   0.00 1.0000 0.0000 0.0000 0.0000 1.0000 0.0000 "
                            "0.0000 0.0000 1.0000\r\n")
                 .arg(st);
    return r;
}

Workspace identityWorkspace(int receivers)
{
    Workspace ws;
    ws.settings.DigitizerType = "FASTRAK";
    ws.ReceiverCount = receivers;
    ws.m.MCalib = ws.m.MFida = ws.m.MFidb = Transform4::Identity();
    ws.sensors.resize(2);
    ws.sensors.SensorCoil[0][0] = {0.01, 0.02, 0.03, 0, 0, 1};
    ws.sensors.SensorCoil[1][2] = {-0.05, 0.04, 0.12, 0.6, 0, 0.8};
    ws.ReceiverFid.assign(2, {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)});
    return ws;
}

using Coil = std::array<double, 6>;
Point3 coilPos(const Coil &c)
{
    return Point3(c[0], c[1], c[2]);
}
Point3 coilDir(const Coil &c)
{
    return Point3(c[3], c[4], c[5]);
}
} // namespace

class TestMegLocator : public QObject
{
    Q_OBJECT
private slots:
    void identityChain();
    void translationMovesPositionsOnly();
    void twoEqualReceiversGiveOneReceiverResult();
    void receiverCountChecked_data();
    void receiverCountChecked();
    void overflowChangesNothing();
    void probeChainOnTheEmulator_data();
    void probeChainOnTheEmulator();
};

void TestMegLocator::identityChain()
{
    Workspace ws = identityWorkspace(1);
    FakeDialogs d;
    QVERIFY(LocateProbe(ws, d, identityRecord()));
    for (int i = 0; i < 2; ++i)
        for (int c = 0; c < 3; ++c)
            QCOMPARE(ws.sensors.ProbeCoil[i][c], ws.sensors.SensorCoil[i][c]);
    QCOMPARE(ws.ProbeFid, ws.ReceiverFid[0]);
}

void TestMegLocator::translationMovesPositionsOnly()
{
    Workspace ws = identityWorkspace(1);
    ws.m.MFida(0, 3) = 0.05;
    FakeDialogs d;
    QVERIFY(LocateProbe(ws, d, identityRecord()));
    const Coil &in = ws.sensors.SensorCoil[1][2], &out = ws.sensors.ProbeCoil[1][2];
    QVERIFY((coilPos(out) - coilPos(in) - Point3(0.05, 0, 0)).norm() < 1e-15);
    QCOMPARE(coilDir(out), coilDir(in));
}

void TestMegLocator::twoEqualReceiversGiveOneReceiverResult()
{
    Workspace one = identityWorkspace(1), two = identityWorkspace(2);
    Transform4 turned = turn(2, 1, 0.01, 0.02, 0.03);
    one.m.MFida = two.m.MFida = two.m.MFidb = turned;
    FakeDialogs d;
    QVERIFY(LocateProbe(one, d, identityRecord()));
    QVERIFY(LocateProbe(two, d, identityRecord()));
    for (int c = 0; c < 3; ++c)
        QVERIFY(
            (coilPos(one.sensors.ProbeCoil[1][c]) - coilPos(two.sensors.ProbeCoil[1][c])).norm() <
            1e-15);
    QVERIFY((one.ProbeFid[1] - two.ProbeFid[1]).norm() < 1e-15);
    QVERIFY(two.m.MAllb.isApprox(two.m.MAlla));
}

void TestMegLocator::receiverCountChecked_data()
{
    QTest::addColumn<int>("receivers");
    QTest::newRow("none chosen") << -1;
    QTest::newRow("zero") << 0;
    QTest::newRow("three") << 3;
}

void TestMegLocator::receiverCountChecked()
{
    QFETCH(int, receivers);
    Workspace ws = identityWorkspace(receivers);
    FakeDialogs d;
    QVERIFY(!LocateProbe(ws, d, identityRecord()));
    QCOMPARE(d.shown.size(), 1);
    QVERIFY(d.texts()[0].startsWith("The probe position needs one or two receivers"));
    QVERIFY(ws.m.MAlla.isZero());
    QVERIFY(ws.sensors.ProbeCoil[0][0][0] == 0.0);
}

void TestMegLocator::overflowChangesNothing()
{
    Workspace ws = identityWorkspace(1);
    ws.m.MCalib(0, 0) = std::numeric_limits<double>::infinity();
    FakeDialogs d;
    QVERIFY(!LocateProbe(ws, d, identityRecord()));
    QVERIFY(d.texts().value(0).contains("overflowed"));
    QVERIFY(ws.m.MProbe.isZero());
    QVERIFY(ws.sensors.ProbeCoil[0][0][0] == 0.0);
}

void TestMegLocator::probeChainOnTheEmulator_data()
{
    QTest::addColumn<int>("receivers");
    QTest::newRow("one head receiver") << 1;
    QTest::newRow("two head receivers") << 2;
}

void TestMegLocator::probeChainOnTheEmulator()
{
    QFETCH(int, receivers);
    // Station 2 sits on the dewar, stations 3 and 4 on the head.
    DigitizerEmulator emu({DigitizerEmulator::Model::Fastrak, 3, 0.0, 5});
    emu.receive("u", 0);
    const Transform4 dewar = turn(0, -1, 0.10, 0.05, 0.50); // dewar frame in the transmitter
    const Transform4 onDewar =
        placed(quarterAboutZ(), {0.05, 0.0, 0.0225}); // its receiver on the dewar
    emu.setReceiverFixed(0, dewar * onDewar);
    emu.setReceiverOnHead(1, placed(quarterAboutX(), {-0.03, 0.07, -0.03}));
    emu.setReceiverOnHead(2, placed(quarterAboutZ(), {-0.0325, -0.07, -0.0275}));

    Workspace ws;
    ws.settings.DigitizerType = "FASTRAK";
    ws.ReceiverCount = receivers;
    Transform4 rot, pose;
    // Calibration: the dewar fiducials X+, Y+, Y- span the dewar frame itself.
    Records::ParseDigitizerRecord("FASTRAK", QString::fromLatin1(emu.record()), 1, 0, rot,
                                  ws.m.MCalib1);
    const Point3 xp = transformed(dewar, {0.1, 0, 0}), yp = transformed(dewar, {0, 0.1, 0}),
                 ym = transformed(dewar, {0, -0.1, 0});
    ws.m.MCalib2 = BuildFrame(xp, yp, ym, 1).position;
    ws.m.MCalib = ws.m.MCalib1 * ws.m.MCalib2;
    ws.sensors.resize(2);
    ws.sensors.SensorCoil[0] = {
        {{0.01, 0.0, 0.02, 0, 0, 1}, {0.0, 0.0, 0.05, 0, 0, 1}, {0.0025, 0.0, 0.0, 1, 0, 0}}};
    ws.sensors.SensorCoil[1] = {
        {{-0.02, 0.03, 0.01, 0, 1, 0}, {0, 0, 0, 0.6, 0, 0.8}, {0.1, 0.1, 0.1, 0, 0, -1}}};

    // Subject fiducials with the head at one pose.
    emu.setHeadPose(headPoses()[1]);
    const VirtualHead &head = emu.head();
    const QStringList names{"Nasion", "LPA", "RPA"};
    FidTriple inTransmitter;
    ws.ReceiverFid.assign(2, zeroFids());
    QString firstReading;
    for (int j = 0; j < 3; ++j) {
        emu.touchPoint(gridSite(head, names[j]));
        const QString rec = QString::fromLatin1(emu.record());
        if (j == 0)
            firstReading = rec;
        inTransmitter[j] = Records::stylusPosition("FASTRAK", rec);
        for (int r = 0; r < 2; ++r) {
            Records::ParseDigitizerRecord("FASTRAK", rec, r + 2, 0, rot, pose);
            ws.ReceiverFid[r][j] = transformed(pose, inTransmitter[j]);
        }
    }
    ws.m.MFid1 = BuildFrame(inTransmitter[0], inTransmitter[1], inTransmitter[2], 0).position;
    Records::ParseDigitizerRecord("FASTRAK", firstReading, 2, 1, rot, ws.m.MFid2a);
    Records::ParseDigitizerRecord("FASTRAK", firstReading, 3, 1, rot, ws.m.MFid2b);
    ws.m.MFida = ws.m.MFid1 * ws.m.MFid2a;
    ws.m.MFidb = ws.m.MFid1 * ws.m.MFid2b;

    // The probe reading after the head moved (about 23 degrees and 5 cm).
    emu.setHeadPose(headPoses()[3]);
    FakeDialogs d;
    QVERIFY(LocateProbe(ws, d, QString::fromLatin1(emu.record())));

    const Transform4 headFrame =
        BuildFrame(gridSite(head, "Nasion"), gridSite(head, "LPA"), gridSite(head, "RPA"), 0)
            .position;
    const Transform4 dewarToHead = headFrame * headPoses()[3].inverse() * dewar;
    for (int i = 0; i < 2; ++i) {
        for (int c = 0; c < 3; ++c) {
            const Coil &in = ws.sensors.SensorCoil[i][c], &out = ws.sensors.ProbeCoil[i][c];
            QVERIFY((coilPos(out) - transformed(dewarToHead, coilPos(in))).norm() < 1e-9);
            QVERIFY((coilDir(out) - rotated(dewarToHead, coilDir(in))).norm() < 1e-9);
        }
    }
    for (int j = 0; j < 3; ++j)
        QVERIFY((ws.ProbeFid[j] - transformed(headFrame, gridSite(head, names[j]))).norm() < 1e-9);
}

QTEST_APPLESS_MAIN(TestMegLocator)
#include "tst_meg_locator.moc"
