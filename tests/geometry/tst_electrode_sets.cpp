#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "exact_poses.h"
#include "geometry/electrode_sets.h"
#include "geometry/frames.h"
#include "rig.h"

#include <QTest>

using Model = DigitizerModel;
using Fixtures::near;

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
} // namespace

class TestElectrodeSets : public QObject
{
    Q_OBJECT
private slots:
    void exactOnTheEmulator_data();
    void exactOnTheEmulator();
    void refused_data();
    void refused();
};

void TestElectrodeSets::exactOnTheEmulator_data()
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

void TestElectrodeSets::exactOnTheEmulator()
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

void TestElectrodeSets::refused_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QString>("told");
    const QString choose = "Choose Digitize > Receivers On Subject before computing electrodes.";
    const QString missing = "The sequence has no %1; no electrode positions were computed.";
    // clang-format off
    QTest::newRow("receivers not chosen") << Codes << -1 << choose;
    QTest::newRow("four receivers") << Codes << 4 << choose;
    QTest::newRow("no left preauricular point") << QStringList{"1", "4", "4", "400", "400", "400", "400", "1C00", "1"} << 1 << missing.arg("left preauricular point (code 2)");
    QTest::newRow("no nasion") << QStringList{"400", "2", "4", "400", "400", "400", "400", "1C00", "400"} << 2 << missing.arg("nasion (code 1)");
    // clang-format on
}

void TestElectrodeSets::refused()
{
    QFETCH(QStringList, codes);
    QFETCH(int, receivers);
    QFETCH(QString, told);
    Scenario sc(Model::Fastrak, 1);
    sc.digitize(Names, codes, false);
    sc.ws.ReceiverCount = receivers;
    sc.ws.meas.resize(2);
    QVERIFY(!sc.compute());
    QCOMPARE(sc.rig.dialogs.texts(), QStringList{told});
    QCOMPARE(sc.ws.sensors.NumSensors, 0);
    QCOMPARE(sc.ws.meas.Pos.size(), size_t(2));
    QVERIFY(sc.ws.MRef[1].isZero());
}

QTEST_GUILESS_MAIN(TestElectrodeSets)
#include "tst_electrode_sets.moc"
