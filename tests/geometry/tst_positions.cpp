#include "data/workspace.h"
#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "exact_poses.h"
#include "fakes.h"
#include "fixtures.h"
#include "geometry/electrode_sets.h"
#include "geometry/frames.h"
#include "geometry/geometry_error.h"
#include "geometry/head_frames.h"
#include "geometry/meg_chain.h"
#include "geometry/meg_locator.h"
#include "rig.h"

#include <QTest>
using Model = DigitizerModel;
using Fixtures::near;
Q_DECLARE_METATYPE(Point3)

namespace {
using namespace ExactPoses;

// Receivers at exact poses on the head, readings taken through the emulator as a measurement.
struct Scenario
{
    Scenario(Model model, int receivers, const QString &system = "TEVO")
        : rig(DigitizerEmulator::Options{model, receivers, 0.0, 7}), emu(*rig.emu), ws(rig.ws)
    {
        emu.setReceiverOnHead(0, turn(2, 0, {0.085, 0.0, 0.045}));
        emu.setReceiverOnHead(1, quarter(2, {-0.03, 0.07, -0.03}));
        emu.setReceiverOnHead(2, quarter(0, {-0.0325, -0.07, -0.0275}));
        emu.setHeadPose(headPoses()[0]);
        rig.start({.system = system});
        ws.ReceiverCount = receivers;
    }

    // Digitizes the named sites in order, the head moving between readings when `move`.
    void digitize(const QStringList &names, const QStringList &codes, bool move)
    {
        ws.NumSeq = names.size();
        ws.SeqName = names;
        ws.SeqCode = codes;
        readings.clear();
        for (int i = 0; i < names.size(); ++i) {
            if (move)
                emu.setHeadPose(headPoses()[i % headPoses().size()]);
            emu.touchPoint(gridSite(emu.head(), names[i]));
            rig.pressAfter(1500);
            QString record;
            QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Records::Outcome::Received);
            readings.push_back(*Records::parseReading(emu.model(), record));
        }
    }
    bool compute() { return ComputeElectrodeSets(ws, readings, rig.dialogs); }

    // Where a site lies in the head frame of the virtual head's own fiducials.
    Point3 expected(const QString &name) const
    {
        const VirtualHead &h = emu.head();
        const Transform4 frame =
            BuildFrame(gridSite(h, "Nasion"), gridSite(h, "LPA"), gridSite(h, "RPA"), 0).position;
        return transformed(frame, gridSite(h, name));
    }

    Rig rig;
    DigitizerEmulator &emu;
    Workspace &ws;
    std::vector<Reading> readings;
};

const QStringList Names = {"Nasion", "LPA", "RPA", "Fp1", "Cz", "O2", "T7", "P4", "Nasion"};
const QStringList Codes = {"1", "2", "4", "400", "400", "400", "400", "1C00", "1"};

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

// Frames from three points, head frames over the references, and electrode and probe
// positions from readings the emulator gives.
class TestPositions : public QObject
{
    Q_OBJECT
private slots:
    void exactOnTheEmulator_data();
    void exactOnTheEmulator();
    void refusals_data();
    void refusals();
    void failedFramesChangeNothing();
    void probeChainOnTheEmulator_data();
    void probeChainOnTheEmulator();
    void frames_data();
    void frames();
    void headFramesAverage_data();
    void headFramesAverage();
};

void TestPositions::exactOnTheEmulator_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<int>("receivers");
    QTest::addColumn<bool>("move");
    QTest::addColumn<QString>("system");
    // clang-format off
    QTest::newRow("fastrak, no receiver, still head") << Model::Fastrak << 0 << false << "TEVO";
    QTest::newRow("fastrak, one receiver, moving head") << Model::Fastrak << 1 << true << "TEVO";
    QTest::newRow("fastrak, two receivers, moving head") << Model::Fastrak << 2 << true << "TEVO";
    QTest::newRow("fastrak, three receivers, moving head") << Model::Fastrak << 3 << true << "TEVO";
    QTest::newRow("isotrak, one receiver, moving head") << Model::Isotrak << 1 << true << "TEVO";
    QTest::newRow("patriot, one receiver, moving head") << Model::Patriot << 1 << true << "TEVO";
    QTest::newRow("fastrak, BESA") << Model::Fastrak << 1 << true << "BESA";
    QTest::newRow("fastrak, Curry") << Model::Fastrak << 1 << true << "Curry";
    // clang-format on
}

void TestPositions::exactOnTheEmulator()
{
    QFETCH(Model, model);
    QFETCH(int, receivers);
    QFETCH(bool, move);
    QFETCH(QString, system);
    Scenario sc(model, receivers, system);
    sc.digitize(Names, Codes, move);
    QVERIFY(sc.compute());
    QVERIFY2(sc.rig.dialogs.shown.isEmpty(), qPrintable(sc.rig.dialogs.texts().join('|')));
    QCOMPARE(sc.ws.sensors.NumSensors, 5);
    const QStringList fids = {"Nasion", "LPA", "RPA"};
    for (int f = 0; f < 3; ++f)
        QVERIFY2(near(sc.ws.tevo.Fid[f], sc.expected(fids[f]), 1e-9), qPrintable(fids[f]));
    for (int k = 0; k < 5; ++k) {
        const QString name = Names[k + 3];
        QCOMPARE(sc.ws.tevo.Name[k].trimmed(), name);
        QCOMPARE(sc.ws.tevo.Type[k], Codes[k + 3]);
        QVERIFY2(near(sc.ws.tevo.Pos[k], sc.expected(name), 1e-9), qPrintable(name));
    }
    QCOMPARE(sc.ws.meas.FidName[0].trimmed(), "Nasion");
    QCOMPARE(sc.ws.tevo.FidName[2].trimmed(), "RPA");
    if (system == "TEVO") {
        QCOMPARE(sc.ws.meas.Pos, sc.ws.tevo.Pos);
        return;
    }
    // BESA: the nasion on +y, RPA towards +x; Curry: millimetres, x and y turned half round.
    const auto &besa = sc.ws.besa;
    QCOMPARE(besa.FidName, (std::array<QString, 3>{"LPA", "Nasion", "RPA"}));
    QCOMPARE(besa.Type, sc.ws.tevo.Type);
    QVERIFY(std::abs(besa.Fid[1].x()) < 1e-12 && besa.Fid[1].y() > 0 && besa.Fid[2].x() > 0);
    if (system == "Curry") {
        const auto &curry = sc.ws.curry;
        QCOMPARE(curry.FidName, (std::array<QString, 3>{"RPA", "LPA", "Nasion"}));
        QVERIFY(near(curry.Pos[1],
                     Point3(-besa.Pos[1].x(), -besa.Pos[1].y(), sc.ws.tevo.Pos[1].z()) * 1000,
                     1e-9));
    }
}

void TestPositions::refusals_data()
{
    QTest::addColumn<bool>("probe");
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QStringList>("codes");  // of the sequence, for the electrodes
    QTest::addColumn<double>("calibration"); // the first element of MCalib, for the probe
    QTest::addColumn<QString>("told");
    const QString choose = "Choose Digitize > Receivers On Subject before computing electrodes.";
    const QString missing = "The sequence has no %1; no electrode positions were computed.";
    const QString needs = "The probe position needs one or two receivers";
    // clang-format off
    QTest::newRow("electrodes, receivers not chosen") << false << -1 << Codes << 1.0 << choose;
    QTest::newRow("electrodes, four receivers") << false << 4 << Codes << 1.0 << choose;
    QTest::newRow("no left preauricular point") << false << 1 << QStringList{"1", "4", "4", "400", "400", "400", "400", "1C00", "1"} << 1.0 << missing.arg("left preauricular point (code 2)");
    QTest::newRow("no nasion") << false << 2 << QStringList{"400", "2", "4", "400", "400", "400", "400", "1C00", "400"} << 1.0 << missing.arg("nasion (code 1)");
    QTest::newRow("probe, receivers not chosen") << true << -1 << QStringList() << 1.0 << needs;
    QTest::newRow("probe, no receivers") << true << 0 << QStringList() << 1.0 << needs;
    QTest::newRow("probe, three receivers") << true << 3 << QStringList() << 1.0 << needs;
    QTest::newRow("the probe chain overflows") << true << 1 << QStringList() << double(INFINITY) << "The computation of the probe transforms overflowed";
    // clang-format on
}

// Told once, and nothing changes.
void TestPositions::refusals()
{
    QFETCH(bool, probe);
    QFETCH(int, receivers);
    QFETCH(QStringList, codes);
    QFETCH(double, calibration);
    QFETCH(QString, told);
    Workspace ws = identityWorkspace(receivers);
    ws.m.MCalib(0, 0) = calibration;
    ws.NumSeq = int(codes.size());
    ws.SeqName = ws.SeqCode = codes;
    ws.meas.resize(2);
    const std::vector<Reading> readings(codes.size(), identityReading());
    FakeDialogs d;
    QVERIFY(probe ? !LocateProbe(ws, d, identityReading())
                  : !ComputeElectrodeSets(ws, readings, d));
    QCOMPARE(d.shown.size(), 1);
    QVERIFY2(d.texts()[0].startsWith(told), qPrintable(d.texts()[0]));
    QCOMPARE(ws.sensors.NumSensors, 2);
    QCOMPARE(ws.meas.Pos.size(), size_t(2));
    QVERIFY(ws.MRef[1].isZero() && ws.m.MAlla.isZero() && ws.m.MProbe.isZero());
    QCOMPARE(ws.sensors.ProbeCoil[0][0][0], 0.0);
}

// Fiducials that span no plane: the MEG chain and the head frames keep what they had.
void TestPositions::failedFramesChangeNothing()
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

    std::array<FidTriple, 4> ref;
    ref.fill(before.ReceiverFid[0]);
    ref[2] = flat;
    std::array<Transform4, 4> mref;
    mref.fill(Transform4::Identity() * 2);
    QVERIFY_THROWS_EXCEPTION(GeometryError, computeHeadFrames(ref, 2, mref));
    QCOMPARE(mref[1], Transform4(Transform4::Identity() * 2));
    QVERIFY_THROWS_EXCEPTION(GeometryError, computeHeadFrames(ref, -1, mref));
}

void TestPositions::probeChainOnTheEmulator_data()
{
    QTest::addColumn<int>("receivers");
    QTest::newRow("one head receiver") << 1;
    QTest::newRow("two head receivers") << 2;
}

void TestPositions::probeChainOnTheEmulator()
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

void TestPositions::frames_data()
{
    QTest::addColumn<Point3>("nasion");
    QTest::addColumn<Point3>("lpa");
    QTest::addColumn<Point3>("rpa");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("says"); // empty: the frame is built, both ways
    // clang-format off
    QTest::newRow("symmetric head at the origin") << Point3(0.1, 0, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << 0 << "";
    QTest::newRow("tilted") << Point3(0.12, 0.03, 0.31) << Point3(0.02, 0.1, 0.28) << Point3(0.03, -0.04, 0.25) << 0 << "";
    QTest::newRow("asymmetric ears") << Point3(0.1, 0.02, 0) << Point3(0.01, 0.09, 0.01) << Point3(-0.02, -0.05, 0) << 0 << "";
    QTest::newRow("far from transmitter") << Point3(-0.5, 0.4, 0.6) << Point3(-0.6, 0.45, 0.62) << Point3(-0.58, 0.31, 0.6) << 0 << "";
    QTest::newRow("ears coincide") << Point3(0.1, 0, 0) << Point3(0, 0.07, 0) << Point3(0, 0.07, 0) << 0 << "LPA and RPA coincide";
    QTest::newRow("nasion at midpoint") << Point3(0, 0, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << 1 << "Nasion lies midway between LPA and RPA";
    QTest::newRow("collinear") << Point3(0, 0.2, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << 0 << "Nasion lies on the line through LPA and RPA";
    QTest::newRow("not a number") << Point3(std::nan(""), 0, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << 0 << "not a number";
    QTest::newRow("infinite") << Point3(0.1, 0, 0) << Point3(0, INFINITY, 0) << Point3(0, -0.07, 0) << 0 << "not a number";
    QTest::newRow("direction 2") << Point3(0.1, 0, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << 2 << "direction 0 or 1, not 2";
    // clang-format on
}

void TestPositions::frames()
{
    QFETCH(Point3, nasion);
    QFETCH(Point3, lpa);
    QFETCH(Point3, rpa);
    QFETCH(int, direction);
    QFETCH(QString, says);
    if (!says.isEmpty()) {
        try {
            BuildFrame(nasion, lpa, rpa, direction);
            QFAIL("a degenerate frame was built");
        } catch (const GeometryError &e) {
            QVERIFY2(e.message().contains(says), qPrintable(e.message()));
        }
        return;
    }
    const Frame f = BuildFrame(nasion, lpa, rpa, 0);
    const Point3 n = transformed(f.position, nasion), l = transformed(f.position, lpa),
                 r = transformed(f.position, rpa);
    QVERIFY(n.x() > 0 && std::abs(n.y()) < 1e-15 && std::abs(n.z()) < 1e-15);
    QVERIFY(l.y() > 0 && r.y() < 0);
    QVERIFY(std::abs(l.z()) < 1e-15 && std::abs(r.z()) < 1e-15);
    QVERIFY(std::abs(l.x() + r.x()) < 1e-15);
    const Eigen::Matrix3d rot = f.position.block<3, 3>(0, 0);
    QVERIFY(near(rot * rot.transpose(), Eigen::Matrix3d::Identity(), 1e-14));
    QVERIFY(std::abs(rot.determinant() - 1.0) < 1e-14);
    QCOMPARE(f.position.row(3), Eigen::RowVector4d(0, 0, 0, 1));
    QCOMPARE(Eigen::Matrix3d(f.rotation.topLeftCorner(3, 3)), rot);
    QCOMPARE(f.rotation.col(3), Eigen::Vector4d(0, 0, 0, 1));
    // Direction 1 maps back out.
    QVERIFY(
        near(f.position * BuildFrame(nasion, lpa, rpa, 1).position, Transform4::Identity(), 1e-14));
}

void TestPositions::headFramesAverage_data()
{
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QList<int>>("built");
    // clang-format off
    QTest::newRow("none") << 0 << QList<int>{0};
    QTest::newRow("one") << 1 << QList<int>{1};
    QTest::newRow("two") << 2 << QList<int>{1, 2};
    QTest::newRow("three") << 3 << QList<int>{1, 2, 3};
    // clang-format on
}

void TestPositions::headFramesAverage()
{
    QFETCH(int, receivers);
    QFETCH(QList<int>, built);
    // The same head seen from four references with slightly different fiducial distances.
    std::array<FidTriple, 4> ref;
    for (int r = 0; r < 4; ++r) {
        const double stretch = 1.0 + 0.01 * r;
        ref[r] = {Point3(0.1 * stretch, 0.01 * r, 0.2), Point3(0.0, 0.07 * stretch, 0.2 + 0.01 * r),
                  Point3(0.0, -0.07, 0.2)};
    }
    const Transform4 untouched = Transform4::Constant(9);
    std::array<Transform4, 4> mref;
    mref.fill(untouched);
    const FidTriple avg = computeHeadFrames(ref, receivers, mref);
    Point3 expectedNasion = Point3::Zero();
    for (int r = 0; r < 4; ++r) {
        QCOMPARE(mref[r] == untouched, !built.contains(r));
        if (built.contains(r))
            expectedNasion += transformed(mref[r], ref[r][0]);
    }
    QVERIFY(near(avg[0], expectedNasion / built.size(), 1e-15));
    QVERIFY(std::abs(avg[1].z()) < 1e-15); // every frame puts LPA at z = 0
}

QTEST_GUILESS_MAIN(TestPositions)
#include "tst_positions.moc"
