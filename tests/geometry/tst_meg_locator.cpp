#include "data/workspace.h"
#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/record_parser.h"
#include "exact_poses.h"
#include "fakes.h"
#include "fixtures.h"
#include "geometry/frames.h"
#include "geometry/geometry_error.h"
#include "geometry/meg_chain.h"
#include "geometry/meg_locator.h"

#include <QTest>

using namespace ExactPoses;
using Fixtures::near;

namespace {
// Every receiver at the transmitter's origin, axes aligned.
Reading identityReading()
{
    Reading r;
    r.receivers.assign(3, {Point3::Zero(), Eigen::Matrix3d::Identity()});
    return r;
}

Workspace identityWorkspace(int receivers)
{
    Workspace ws;
    ws.ReceiverCount = receivers;
    ws.m.MCalib = ws.m.MFida = ws.m.MFidb = Transform4::Identity();
    ws.sensors.resize(2);
    ws.sensors.SensorCoil[0][0] = {0.01, 0.02, 0.03, 0, 0, 1};
    ws.sensors.SensorCoil[1][2] = {-0.05, 0.04, 0.12, 0.6, 0, 0.8};
    ws.ReceiverFid.assign(2, {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)});
    return ws;
}

Reading readingOf(DigitizerEmulator &emu)
{
    return *Records::parseReading(DigitizerModel::Fastrak, QString::fromLatin1(emu.record()));
}

using Coil = std::array<double, 6>;
Point3 at(const Coil &c, int from)
{
    return Point3(c[from], c[from + 1], c[from + 2]);
}
} // namespace

class TestMegLocator : public QObject
{
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void chainRefusesFiducialsSpanningNoPlane();
    void probeChainOnTheEmulator_data();
    void probeChainOnTheEmulator();
};

void TestMegLocator::refused_data()
{
    QTest::addColumn<int>("receivers");
    QTest::addColumn<double>("calibration"); // the first element of MCalib
    QTest::addColumn<QString>("told");
    // clang-format off
    QTest::newRow("no receivers chosen") << -1 << 1.0 << "The probe position needs one or two receivers";
    QTest::newRow("zero receivers") << 0 << 1.0 << "The probe position needs";
    QTest::newRow("three receivers") << 3 << 1.0 << "The probe position needs";
    QTest::newRow("the chain overflows") << 1 << double(INFINITY) << "The computation of the probe transforms overflowed";
    // clang-format on
}

// Told once, and nothing changes.
void TestMegLocator::refused()
{
    QFETCH(int, receivers);
    QFETCH(double, calibration);
    QFETCH(QString, told);
    Workspace ws = identityWorkspace(receivers);
    ws.m.MCalib(0, 0) = calibration;
    FakeDialogs d;
    QVERIFY(!LocateProbe(ws, d, identityReading()));
    QCOMPARE(d.shown.size(), 1);
    QVERIFY2(d.texts()[0].startsWith(told), qPrintable(d.texts()[0]));
    QVERIFY(ws.m.MAlla.isZero() && ws.m.MProbe.isZero());
    QVERIFY(ws.sensors.ProbeCoil[0][0][0] == 0.0);
}

void TestMegLocator::chainRefusesFiducialsSpanningNoPlane()
{
    Workspace ws = identityWorkspace(1);
    const Workspace before = ws;
    const FidTriple flat = {Point3(0.1, 0, 0), Point3(0, 0.1, 0), Point3(0, 0.1, 0)};
    try {
        MegChain::computeCalibration(ws, flat);
        QFAIL("a calibration from coinciding fiducials");
    } catch (const GeometryError &e) {
        QVERIFY2(e.message().contains("Y+ and Y- coincide"), qPrintable(e.message()));
    }
    QVERIFY_THROWS_EXCEPTION(GeometryError, MegChain::computeSubjectTransforms(ws, flat));
    QCOMPARE(ws.m.MCalib, before.m.MCalib);
    QCOMPARE(ws.m.MFida, before.m.MFida);
    QVERIFY(ws.m.MCalib2.isZero() && ws.m.MFid1.isZero());
    QCOMPARE(ws.ReceiverFid, before.ReceiverFid);
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
    DigitizerEmulator emu({DigitizerModel::Fastrak, 3, 0.0, 5});
    emu.receive("u", 0);
    const Transform4 dewar = turn(0, -1, {0.10, 0.05, 0.50}); // dewar frame in the transmitter
    emu.setReceiverFixed(0, dewar * quarter(2, {0.05, 0.0, 0.0225}));
    emu.setReceiverOnHead(1, quarter(0, {-0.03, 0.07, -0.03}));
    emu.setReceiverOnHead(2, quarter(2, {-0.0325, -0.07, -0.0275}));
    Workspace ws;
    ws.ReceiverCount = receivers;
    ws.sensors.resize(2);
    ws.sensors.SensorCoil[0] = {
        {{0.01, 0.0, 0.02, 0, 0, 1}, {0.0, 0.0, 0.05, 0, 0, 1}, {0.0025, 0.0, 0.0, 1, 0, 0}}};
    ws.sensors.SensorCoil[1] = {
        {{-0.02, 0.03, 0.01, 0, 1, 0}, {0, 0, 0, 0.6, 0, 0.8}, {0.1, 0.1, 0.1, 0, 0, -1}}};

    // Calibration: the dewar fiducials X+, Y+, Y- span the dewar frame itself.
    MegChain::takeDewarPose(ws, readingOf(emu));
    MegChain::computeCalibration(ws,
                                 {transformed(dewar, {0.1, 0, 0}), transformed(dewar, {0, 0.1, 0}),
                                  transformed(dewar, {0, -0.1, 0})});
    // Subject fiducials with the head at one pose.
    emu.setHeadPose(headPoses()[1]);
    const VirtualHead &head = emu.head();
    const QStringList names{"Nasion", "LPA", "RPA"};
    FidTriple subject;
    for (int j = 0; j < 3; ++j) {
        emu.touchPoint(gridSite(head, names[j]));
        const Reading r = readingOf(emu);
        if (j == 0)
            MegChain::takeSubjectPoses(ws, r);
        subject[j] = r.stylus;
    }
    MegChain::computeSubjectTransforms(ws, subject);
    QCOMPARE(int(ws.ReceiverFid.size()), receivers);

    // The probe reading after the head moved (about 23 degrees and 5 cm).
    emu.setHeadPose(headPoses()[3]);
    FakeDialogs d;
    QVERIFY(LocateProbe(ws, d, readingOf(emu)));

    const Transform4 headFrame =
        BuildFrame(gridSite(head, "Nasion"), gridSite(head, "LPA"), gridSite(head, "RPA"), 0)
            .position;
    const Transform4 dewarToHead = headFrame * headPoses()[3].inverse() * dewar;
    for (int i = 0; i < 2; ++i) {
        for (int c = 0; c < 3; ++c) {
            const Coil &in = ws.sensors.SensorCoil[i][c], &out = ws.sensors.ProbeCoil[i][c];
            QVERIFY(near(at(out, 0), transformed(dewarToHead, at(in, 0)), 1e-9));
            QVERIFY(near(at(out, 3), rotated(dewarToHead, at(in, 3)), 1e-9));
        }
    }
    for (int j = 0; j < 3; ++j)
        QVERIFY(near(ws.ProbeFid[j], transformed(headFrame, gridSite(head, names[j])), 1e-9));
}

QTEST_APPLESS_MAIN(TestMegLocator)
#include "tst_meg_locator.moc"
