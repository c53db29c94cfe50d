#include "digitizer/records.h"
#include "emulator_rig.h"
#include "exact_poses.h"
#include "geometry/electrode_sets.h"
#include "geometry/frames.h"

#include <QTest>

using Model = DigitizerEmulator::Model;

namespace {
using namespace ExactPoses;

struct Scenario : EmulatorRig
{
    Scenario(Model model, int receivers, double noiseCm = 0.0, const QString &system = "TEVO")
        : EmulatorRig(model, receivers, noiseCm, "0,0,1", system)
    {
        ws.ReceiverCount = receivers;
        // Receivers on the head with quarter-turn orientations at grid positions.
        emu.setReceiverOnHead(0, placed(Eigen::Matrix3d::Identity(), {0.085, 0.0, 0.045}));
        emu.setReceiverOnHead(1, placed(quarterAboutZ(), {-0.03, 0.07, -0.03}));
        emu.setReceiverOnHead(2, placed(quarterAboutX(), {-0.0325, -0.07, -0.0275}));
        emu.setHeadPose(headPoses()[0]);
        configure();
    }

    // Digitizes the named sites in order, the head moving between readings when `move`.
    void digitize(const QStringList &names, const QStringList &codes, bool move)
    {
        ws.NumSeq = names.size();
        ws.SeqName = names;
        ws.SeqCode = codes;
        ws.SeqRaw = QStringList();
        for (int i = 0; i < names.size(); ++i) {
            if (move)
                emu.setHeadPose(headPoses()[i % headPoses().size()]);
            emu.touchPoint(gridSite(emu.head(), names[i]));
            emu.schedule(clock.nowMs() + 1500, [this] { emu.press(); });
            QString record;
            QCOMPARE(Records::ReadDigitizerRecord(s, record), Records::Outcome::Received);
            ws.SeqRaw << record;
        }
    }

    // Where a site lies in the head frame of the virtual head's own fiducials.
    Point3 expected(const QString &name) const
    {
        const VirtualHead &h = emu.head();
        const Transform4 frame =
            BuildFrame(gridSite(h, "Nasion"), gridSite(h, "LPA"), gridSite(h, "RPA"), 0).position;
        return transformed(frame, gridSite(h, name));
    }
};

const QStringList Names = {"Nasion", "LPA", "RPA", "Fp1", "Cz", "O2", "T7", "P4", "Nasion"};
const QStringList Codes = {"1", "2", "4", "400", "400", "400", "400", "1C00", "1"};
} // namespace

class TestElectrodeSets : public QObject
{
    Q_OBJECT
private slots:
    void exactOnTheEmulator_data();
    void exactOnTheEmulator();
    void noiseStaysWithinNoise();
    void missingFiducial();
    void fiducialsOnly();
    void besaAndCurryBranches_data();
    void besaAndCurryBranches();
    void redigitizeOneElectrode();
    void refusedTypes();
};

void TestElectrodeSets::exactOnTheEmulator_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("receivers");
    QTest::addColumn<bool>("move");
    QTest::newRow("fastrak, no receiver, still head") << int(Model::Fastrak) << 0 << false;
    QTest::newRow("fastrak, one receiver, moving head") << int(Model::Fastrak) << 1 << true;
    QTest::newRow("fastrak, two receivers, moving head") << int(Model::Fastrak) << 2 << true;
    QTest::newRow("fastrak, three receivers, moving head") << int(Model::Fastrak) << 3 << true;
    QTest::newRow("isotrak, one receiver, moving head") << int(Model::Isotrak) << 1 << true;
    QTest::newRow("patriot, one receiver, moving head") << int(Model::Patriot) << 1 << true;
}

void TestElectrodeSets::exactOnTheEmulator()
{
    QFETCH(int, model);
    QFETCH(int, receivers);
    QFETCH(bool, move);
    Scenario sc(static_cast<Model>(model), receivers);
    sc.digitize(Names, Codes, move);
    QVERIFY(ComputeElectrodeSets(sc.ws, sc.dialogs));
    QVERIFY2(sc.dialogs.shown.isEmpty(), qPrintable(sc.dialogs.texts().join('|')));
    QCOMPARE(sc.ws.sensors.NumSensors, 5);
    const QStringList fids = {"Nasion", "LPA", "RPA"};
    for (int f = 0; f < 3; ++f)
        QVERIFY2((sc.ws.meas.Fid[f] - sc.expected(fids[f])).norm() < 1e-9,
                 qPrintable(fids[f] + QString(" off by %1 m")
                                          .arg((sc.ws.meas.Fid[f] - sc.expected(fids[f])).norm())));
    for (int k = 0; k < 5; ++k) {
        const QString name = Names[k + 3];
        QCOMPARE(sc.ws.meas.Name[k].trimmed(), name);
        QCOMPARE(sc.ws.meas.Type[k], Codes[k + 3]);
        QVERIFY2((sc.ws.meas.Pos[k] - sc.expected(name)).norm() < 1e-9, qPrintable(name));
        QCOMPARE(sc.ws.tevo.Pos[k], sc.ws.meas.Pos[k]);
    }
    QCOMPARE(sc.ws.meas.FidName[0].trimmed(), QStringLiteral("Nasion"));
    QCOMPARE(sc.ws.tevo.FidName[2].trimmed(), QStringLiteral("RPA"));
}

void TestElectrodeSets::noiseStaysWithinNoise()
{
    Scenario sc(Model::Fastrak, 2, 0.08);
    sc.digitize(Names, Codes, true);
    QVERIFY(ComputeElectrodeSets(sc.ws, sc.dialogs));
    for (int k = 0; k < 5; ++k) {
        const double error = (sc.ws.meas.Pos[k] - sc.expected(Names[k + 3])).norm();
        // 0.08 cm RMS per reading, through three fiducials and the point: a few millimetres at
        // most.
        QVERIFY2(error < 0.004, qPrintable(QString::number(error)));
    }
}

void TestElectrodeSets::missingFiducial()
{
    Scenario sc(Model::Fastrak, 1);
    sc.digitize({"Nasion", "RPA", "Cz"}, {"1", "4", "400"}, false);
    sc.ws.meas.resize(2);
    const Workspace before = sc.ws;
    QVERIFY(!ComputeElectrodeSets(sc.ws, sc.dialogs));
    QCOMPARE(sc.dialogs.texts(), QStringList{"The sequence has no left preauricular point (code "
                                             "2); no electrode positions were computed."});
    QCOMPARE(sc.ws.meas.Pos.size(), before.meas.Pos.size());
    QVERIFY(sc.ws.MRef[1].isZero());
}

void TestElectrodeSets::fiducialsOnly()
{
    Scenario sc(Model::Fastrak, 1);
    sc.ws.tevo.FidName = {Fixed8("old"), Fixed8("old"), Fixed8("old")};
    sc.ws.tevo.Fid = {Point3(1, 1, 1), Point3(1, 1, 1), Point3(1, 1, 1)};
    sc.digitize({"Nz", "LPA", "RPA"}, {"1", "2", "4"}, true);
    QVERIFY(ComputeElectrodeSets(sc.ws, sc.dialogs));
    QCOMPARE(sc.ws.sensors.NumSensors, 0);
    QCOMPARE(sc.ws.tevo.FidName[0].trimmed(), QStringLiteral("Nz"));
    QVERIFY((sc.ws.tevo.Fid[0] - sc.expected("Nasion")).norm() < 1e-9);
}

void TestElectrodeSets::besaAndCurryBranches_data()
{
    QTest::addColumn<QString>("system");
    QTest::newRow("BESA") << "BESA";
    QTest::newRow("Curry") << "Curry";
}

void TestElectrodeSets::besaAndCurryBranches()
{
    QFETCH(QString, system);
    Scenario sc(Model::Fastrak, 1, 0.0, system);
    sc.digitize(Names, Codes, true);
    QVERIFY(ComputeElectrodeSets(sc.ws, sc.dialogs));
    const auto &besa = sc.ws.besa;
    QCOMPARE(int(besa.Pos.size()), 5);
    QCOMPARE(besa.FidName[0], QStringLiteral("LPA"));
    QCOMPARE(besa.FidName[1], QStringLiteral("Nasion"));
    QCOMPARE(besa.Type, sc.ws.meas.Type);
    QVERIFY(std::abs(besa.Fid[1].x()) < 1e-12); // nasion on the y axis
    QVERIFY(besa.Fid[1].y() > 0);
    QVERIFY(besa.Fid[2].x() > 0); // RPA towards +x
    if (system == "Curry") {
        const auto &curry = sc.ws.curry;
        QCOMPARE(curry.FidName[0], QStringLiteral("RPA"));
        QCOMPARE(curry.FidName[2], QStringLiteral("Nasion"));
        QCOMPARE(curry.Type, sc.ws.tevo.Type);
        QVERIFY((curry.Pos[1] -
                 Point3(-besa.Pos[1].x(), -besa.Pos[1].y(), sc.ws.tevo.Pos[1].z()) * 1000)
                    .norm() < 1e-9);
    }
}

void TestElectrodeSets::redigitizeOneElectrode()
{
    Scenario sc(Model::Fastrak, 1);
    sc.digitize(Names, Codes, true);
    QVERIFY(ComputeElectrodeSets(sc.ws, sc.dialogs));
    const Workspace before = sc.ws;
    // Electrode 2 (Cz) is sequence point 5; give it the record of O2 and recompute it alone.
    sc.ws.SeqRaw[4] = sc.ws.SeqRaw[5];
    QVERIFY(ComputeElectrodePoint(sc.ws, sc.dialogs, 1));
    QVERIFY((sc.ws.meas.Pos[1] - sc.expected("O2")).norm() < 1e-9);
    QCOMPARE(sc.ws.meas.Pos[0], before.meas.Pos[0]);
    QCOMPARE(sc.ws.tevo.Pos[1], before.tevo.Pos[1]);
    QVERIFY(!ComputeElectrodePoint(sc.ws, sc.dialogs, 7));
}

void TestElectrodeSets::refusedTypes()
{
    Scenario sc(Model::Fastrak, 1);
    sc.digitize(Names, Codes, false);
    sc.ws.settings.DigitizerType = "dummy";
    QVERIFY(!ComputeElectrodeSets(sc.ws, sc.dialogs));
    QCOMPARE(sc.dialogs.texts(), QStringList{"won't do Calculate6"});
    sc.ws.settings.DigitizerType = "FASTRAK";
    sc.ws.ReceiverCount = -1;
    QVERIFY(!ComputeElectrodeSets(sc.ws, sc.dialogs));
    QCOMPARE(sc.ws.sensors.NumSensors, 0);
}

QTEST_GUILESS_MAIN(TestElectrodeSets)
#include "tst_electrode_sets.moc"
