#include "wizard_rig.h"

#include <QtTest>

namespace {
// Dewar fiducials and subject fiducials, in the virtual head's frame (metres).
const FidTriple DewarPoints = {Point3(0.12, 0.0, 0.16), Point3(0.0, 0.11, 0.16),
                               Point3(0.0, -0.11, 0.16)};

// Touches the three points twice; `shift` moves fiducial `moved` (1..3) in pass 2.
void twoPasses(WizardRig &rig, const FidTriple &points, int moved = 0,
               const Point3 &shift = Point3::Zero())
{
    for (int pass = 1; pass <= 2; ++pass)
        for (int f = 1; f <= 3; ++f)
            QVERIFY(rig.take(points[f - 1] + (pass == 2 && f == moved ? shift : Point3::Zero())));
}

// Enters the dewar or the subject step up to its first fiducial.
void enterPasses(WizardRig &rig, bool dewar)
{
    QVERIFY(rig.invoke(dewar ? "menuCalibration" : "menuFiducials"));
    for (int i = dewar ? 1 : 2; i > 0; --i)
        QVERIFY(rig.wizard.press(Wizard::Button::Next));
}

FidTriple subjectPoints(const WizardRig &rig)
{
    const VirtualHead &h = rig.emu.head();
    return {h.site("Nasion"), h.site("LPA"), h.site("RPA")};
}
} // namespace

// The dewar, subject-fiducial and probe steps, with the emulated FASTRAK: a receiver on the
// dewar and one or two on the head.
class TestMegSteps : public QObject
{
    Q_OBJECT
private slots:
    void passDeltas_data();
    void passDeltas();
    void subjectAcceptBuildsTheTransforms();
    void headMovedBetweenThePasses();
    void probeStepPlacesTheSensors();
    void probeDeltaShowsHeadMovement();
    void probeNeedsACalibration();
    void refusedProbeRecordIsReadAgain();
    void positionsNeedADigitizer_data();
    void positionsNeedADigitizer();
};

void TestMegSteps::passDeltas_data()
{
    QTest::addColumn<int>("moved");
    QTest::addColumn<double>("shiftCm");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QList<bool>>("warnings");
    // clang-format off
    QTest::newRow("identical passes") << 0 << 0.0 << "Period" << QStringList{"Delta - F1: 0.00 cm", "Delta - F2: 0.00 cm", "Delta - F3: 0.00 cm"} << QList<bool>{false, false, false};
    QTest::newRow("decimal comma")    << 0 << 0.0 << "Comma"  << QStringList{"Delta - F1: 0,00 cm", "Delta - F2: 0,00 cm", "Delta - F3: 0,00 cm"} << QList<bool>{false, false, false};
    QTest::newRow("1 cm on F2")       << 2 << 1.0 << "Period" << QStringList{"Delta - F1: 0.00 cm", "Delta - F2: 1.00 cm  repeat recommended", "Delta - F3: 0.00 cm"} << QList<bool>{false, true, false};
    QTest::newRow("0.4 cm on F3")     << 3 << 0.4 << "Period" << QStringList{"Delta - F1: 0.00 cm", "Delta - F2: 0.00 cm", "Delta - F3: 0.40 cm"} << QList<bool>{false, false, false};
    QTest::newRow("0.6 cm on F1")     << 1 << 0.6 << "Period" << QStringList{"Delta - F1: 0.60 cm  repeat recommended", "Delta - F2: 0.00 cm", "Delta - F3: 0.00 cm"} << QList<bool>{true, false, false};
    // clang-format on
}

void TestMegSteps::passDeltas()
{
    QFETCH(int, moved);
    QFETCH(double, shiftCm);
    QFETCH(QString, decimal);
    QFETCH(QStringList, lines);
    QFETCH(QList<bool>, warnings);
    for (const bool dewar : {true, false}) {
        WizardRig rig(DigitizerModel::Fastrak, 1, "TEVO", true);
        rig.ws.settings.DecimalPoint = decimal;
        const Point3 shift(0.0, 0.006, 0.008); // 1 cm long
        enterPasses(rig, dewar);
        twoPasses(rig, dewar ? DewarPoints : subjectPoints(rig), moved, shift * shiftCm);
        QCOMPARE(rig.view.prompt.lines, lines);
        QCOMPARE(rig.view.prompt.warning, warnings);
        QVERIFY(rig.wizard.resultReady());
        QCOMPARE(rig.view.buttonText(), QString("BR-AC w"));
        QVERIFY(rig.dialogs.shown.isEmpty());
    }
}

// One head receiver is left to pointra-cli's subject step on a pseudo-terminal.
void TestMegSteps::subjectAcceptBuildsTheTransforms()
{
    const int receivers = 2;
    WizardRig rig(DigitizerModel::Fastrak, receivers, "TEVO", true);
    int menusUpdated = 0;
    rig.wizard.updateMenus = [&] { ++menusUpdated; };
    enterPasses(rig, false);
    twoPasses(rig, subjectPoints(rig));
    QVERIFY(rig.wizard.press(Wizard::Button::Accept));
    QCOMPARE(menusUpdated, 1);
    QCOMPARE(int(rig.ws.ReceiverFid.size()), receivers);
    // Through each head receiver the fiducials land on the subject frame's axes.
    const std::array<Transform4, 2> toSubject = {rig.ws.m.MFida, rig.ws.m.MFidb};
    for (int r = 0; r < receivers; ++r) {
        const Point3 x = transformed(toSubject[r], rig.ws.ReceiverFid[r][0]);
        const Point3 l = transformed(toSubject[r], rig.ws.ReceiverFid[r][1]);
        const Point3 rr = transformed(toSubject[r], rig.ws.ReceiverFid[r][2]);
        QVERIFY(x.x() > 0.05 && std::abs(x.y()) < 1e-4 && std::abs(x.z()) < 1e-4);
        QVERIFY(std::abs(l.x() + rr.x()) < 1e-4 && l.y() > 0.05 && std::abs(l.y() + rr.y()) < 1e-4);
        QVERIFY(std::abs(l.z()) < 1e-4);
    }
    QCOMPARE(rig.ws.raw.fiducials[0].size(), 293);
}

void TestMegSteps::headMovedBetweenThePasses()
{
    WizardRig rig(DigitizerModel::Fastrak, 2, "TEVO", true);
    enterPasses(rig, false);
    const FidTriple p = subjectPoints(rig);
    for (int f = 0; f < 3; ++f)
        QVERIFY(rig.take(p[f]));
    rig.emu.moveHead(0.012, 0.0, 0.009, 0, 0, 0); // 1.5 cm
    for (int f = 0; f < 3; ++f)
        QVERIFY(rig.take(p[f]));
    const QStringList lines = rig.view.prompt.lines;
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QString("Delta - F1: 1.50 cm  repeat recommended"));
    QCOMPARE(lines[3], QString("Head receiver 1 moved 1.50 cm relative to the transmitter between "
                               "the passes: repeat recommended"));
    QCOMPARE(lines[4], QString("Head receiver 2 moved 1.50 cm relative to the transmitter between "
                               "the passes: repeat recommended"));
    QVERIFY(rig.view.prompt.isWarning(3) && rig.view.prompt.isWarning(4));
}

void TestMegSteps::probeStepPlacesTheSensors()
{
    WizardRig rig(DigitizerModel::Fastrak, 1, "TEVO", true);
    // One sensor whose first coil sits 5 cm above the dewar frame's origin, pointing up.
    rig.ws.sensors.resize(1);
    rig.ws.sensors.NumSensors = 1;
    rig.ws.sensors.SensorCoil[0][0] = {0, 0, 0.05, 0, 0, 1};
    enterPasses(rig, true);
    twoPasses(rig, DewarPoints);
    QVERIFY(rig.wizard.press(Wizard::Button::Accept));
    enterPasses(rig, false);
    twoPasses(rig, subjectPoints(rig));
    QVERIFY(rig.wizard.press(Wizard::Button::Accept));
    rig.wizard.menuProbe();
    for (int i = 0; i < 3; ++i) {
        QVERIFY(rig.wizard.press(Wizard::Button::Next));
        QVERIFY(rig.untilIdle());
    }
    QCOMPARE(rig.wizard.state.SubStep, 4);
    QVERIFY(rig.wizard.resultReady());
    QVERIFY(rig.wizard.press(Wizard::Button::Accept));
    QVERIFY2(rig.dialogs.shown.isEmpty(), qPrintable(rig.dialogs.texts().join('\n')));
    // The expected place: dewar frame -> transmitter -> head frame of the subject fiducials.
    const Transform4 &head = rig.emu.headPose();
    const auto frame = [&](const FidTriple &f, int kind) {
        return BuildFrame(transformed(head, f[0]), transformed(head, f[1]), transformed(head, f[2]),
                          kind)
            .position;
    };
    const Transform4 out = frame(DewarPoints, 1), in = frame(subjectPoints(rig), 0);
    const Point3 coil = transformed(in * out, Point3(0, 0, 0.05));
    const auto &c = rig.ws.sensors.ProbeCoil[0][0];
    QVERIFY((Point3(c[0], c[1], c[2]) - coil).norm() < 5e-4);
    QVERIFY((Point3(c[3], c[4], c[5]) - rotated(in * out, Point3(0, 0, 1))).norm() < 1e-3);
    QVERIFY((rig.ws.ProbeFid[0] - transformed(in * head, subjectPoints(rig)[0])).norm() < 5e-4);
    QCOMPARE(rig.ws.raw.probe[0].size(), 293);
    QCOMPARE(rig.ws.raw.probe[1].size(), 293);
}

void TestMegSteps::probeDeltaShowsHeadMovement()
{
    WizardRig rig(DigitizerModel::Fastrak, 1, "TEVO", true);
    rig.wizard.menuProbe();
    rig.wizard.press(Wizard::Button::Next);
    QVERIFY(rig.untilIdle());
    rig.emu.moveHead(0.0, 0.006, -0.008, 0, 0, 0);
    rig.wizard.press(Wizard::Button::Next);
    QVERIFY(rig.untilIdle());
    QCOMPARE(rig.view.prompt.lines, QStringList{"Delta: 1.00 cm"});
}

void TestMegSteps::probeNeedsACalibration()
{
    WizardRig rig(DigitizerModel::Fastrak, 1, "TEVO", true);
    rig.ws.ReceiverFid.assign(1, zeroFids());
    rig.wizard.menuProbe();
    for (int i = 0; i < 3; ++i) {
        rig.wizard.press(Wizard::Button::Next);
        QVERIFY(rig.untilIdle());
    }
    QVERIFY(!rig.wizard.Accept());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].startsWith("The probe position needs a calibration."));
    QVERIFY(rig.ws.m.MAlla.isZero());
}

void TestMegSteps::refusedProbeRecordIsReadAgain()
{
    WizardRig rig(DigitizerModel::Fastrak, 1, "TEVO", true);
    rig.wizard.menuProbe();
    rig.emu.cutNextRecord(150);
    rig.wizard.press(Wizard::Button::Next);
    QVERIFY(rig.untilIdle());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].contains("cut short"));
    QCOMPARE(rig.view.buttonText(), QString("-R--C w"));
    QVERIFY(rig.wizard.press(Wizard::Button::Repeat));
    QVERIFY(rig.untilIdle());
    QCOMPARE(rig.wizard.state.SubStep, 2);
    QCOMPARE(rig.view.prompt.lines.value(0), QString("Start"));
    QCOMPARE(rig.view.buttonText(), QString("--N-C w"));
}

void TestMegSteps::positionsNeedADigitizer_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<int>("nexts");
    QTest::newRow("dewar") << "menuCalibration" << 1;
    QTest::newRow("subject") << "menuFiducials" << 2;
    QTest::newRow("probe") << "menuProbe" << 1;
}

void TestMegSteps::positionsNeedADigitizer()
{
    QFETCH(QString, menu);
    QFETCH(int, nexts);
    WizardRig rig(DigitizerModel::Dummy, 1);
    QVERIFY(rig.invoke(menu));
    for (int i = 0; i < nexts; ++i)
        rig.wizard.press(Wizard::Button::Next);
    QVERIFY(!rig.wizard.waiting() && !rig.wizard.resultReady());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].startsWith("Positions need a digitizer"));
}

QTEST_GUILESS_MAIN(TestMegSteps)
#include "tst_meg_steps.moc"
