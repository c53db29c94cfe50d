#include "display/scene_from_workspace.h"
#include "display/view_state.h"
#include "wizard_rig.h"

#include <QDir>
#include <QtTest>

Q_DECLARE_METATYPE(DigitizerModel)

namespace {
const QStringList Names = {"Nasion", "LPA", "RPA", "Fz", "Cz", "Pz", "Oz", "T7", "T8"};
const QStringList Codes = {"1", "2", "4", "400", "400", "400", "400", "400", "400"};

// The electrode loop of the nine-point sequence at its first point.
struct LoopRig : WizardRig
{
    explicit LoopRig(DigitizerModel model = DigitizerModel::Fastrak, int receivers = 1,
                     const QString &system = "TEVO")
        : WizardRig(model, receivers, system)
    {
        setSequence(Names, Codes);
        enterLoop();
    }
    // Menu entry, then Next through mounting and placing the transmitter.
    void enterLoop()
    {
        QVERIFY(invoke("menuEProbes"));
        while (wizard.state.SubStep < 3)
            QVERIFY(wizard.press(Wizard::Button::Next));
    }
    // Touches every point from the current one to the end; the head moves between touches
    // when receivers are on it.
    void touchAll(bool moveHead)
    {
        for (int n = 0; wizard.waiting() && wizard.state.Step == Steps::Electrodes; ++n) {
            QVERIFY(take(ws.SeqName.value(wizard.state.PointCounter - 1)));
            if (moveHead)
                emu.moveHead(0.004 * (n % 3), -0.003, 0.002 * (n % 2), 4 - n, 3, -2 * n);
        }
    }
    void verifyPositions() const
    {
        QCOMPARE(ws.sensors.NumSensors, 6);
        for (int k = 0; k < 6; ++k)
            QVERIFY2((ws.tevo.Pos[k] - truth(ws.tevo.Name[k].trimmed())).norm() < 0.001,
                     qPrintable(ws.tevo.Name[k]));
        for (int f = 0; f < 3; ++f)
            QVERIFY((ws.tevo.Fid[f] - truth(QStringList{"Nasion", "LPA", "RPA"}[f])).norm() <
                    0.001);
    }
};
} // namespace

// Electrode digitizing from the Digitize menu to the converted set, against the emulator.
class TestElectrodeStep : public QObject
{
    Q_OBJECT
private slots:
    void digitizesTheSequence_data();
    void digitizesTheSequence();
    void runsWithoutReadings_data();
    void runsWithoutReadings();
    void deviceLossDuringAWait();
    void refusedReadingWaitsAgain();
    void pressedTwiceIsFlagged_data();
    void pressedTwiceIsFlagged();
    void skippedFiducialIsAskedFor();
    void skippedElectrodesAreNeverInvented_data();
    void skippedElectrodesAreNeverInvented();
    void redigitizeByName_data();
    void redigitizeByName();
    void editPoint();
    void acceptOffersShapeDigitizing_data();
    void acceptOffersShapeDigitizing();
    void promptsAreSpoken();
    void aReplacedSequenceStopsTheMeasurement();
};

void TestElectrodeStep::digitizesTheSequence_data()
{
    QTest::addColumn<DigitizerModel>("model");
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("xAxis");
    // clang-format off
    QTest::newRow("FASTRAK no receiver")     << DigitizerModel::Fastrak << 0 << "TEVO"  << "x-axis (Nasion)";
    QTest::newRow("FASTRAK one receiver")    << DigitizerModel::Fastrak << 1 << "TEVO"  << "x-axis (Nasion)";
    QTest::newRow("FASTRAK two receivers")   << DigitizerModel::Fastrak << 2 << "TEVO"  << "x-axis (Nasion)";
    QTest::newRow("FASTRAK three receivers") << DigitizerModel::Fastrak << 3 << "TEVO"  << "x-axis (Nasion)";
    QTest::newRow("FASTRAK BESA")            << DigitizerModel::Fastrak << 1 << "BESA"  << "x-axis (RPA)";
    QTest::newRow("FASTRAK Curry")           << DigitizerModel::Fastrak << 1 << "Curry" << "x-axis (RPA)";
    QTest::newRow("ISOTRAK no receiver")     << DigitizerModel::Isotrak << 0 << "TEVO"  << "x-axis (Nasion)";
    QTest::newRow("ISOTRAK one receiver")    << DigitizerModel::Isotrak << 1 << "TEVO"  << "x-axis (Nasion)";
    QTest::newRow("PATRIOT one receiver")    << DigitizerModel::Patriot << 1 << "TEVO"  << "x-axis (Nasion)";
    // clang-format on
}

void TestElectrodeStep::digitizesTheSequence()
{
    QFETCH(DigitizerModel, model);
    QFETCH(int, receivers);
    QFETCH(QString, system);
    LoopRig rig(model, receivers, system);
    QCOMPARE(rig.view.point, 1);
    QCOMPARE(rig.view.points, 9);
    QCOMPARE(rig.view.pointName, QString("Nasion"));
    rig.touchAll(receivers > 0);
    QVERIFY2(rig.dialogs.shown.isEmpty(), qPrintable(rig.dialogs.texts().join('\n')));
    QVERIFY(!rig.wizard.waiting());
    QVERIFY(rig.wizard.resultReady());
    rig.verifyPositions();
    QCOMPARE(rig.ws.ElectrodesDirty, 1);
    QCOMPARE(rig.view.names, QStringList({"Fz", "Cz", "Pz", "Oz", "T7", "T8"}));
    QCOMPARE(rig.view.electrodeSetShown, 1);
    QCOMPARE(rig.view.point, 0);
    QCOMPARE(rig.view.buttonText(), QString("---AC g"));
    QCOMPARE(rig.ui.value("Label02").text, QString("Electrodes"));
    // The set shown is the one of the chosen coordinate system.
    QFETCH(QString, xAxis);
    QCOMPARE(rig.ui.value("XAxis").text, xAxis);
    const auto &shown = system == "BESA"    ? rig.ws.besa.Pos
                        : system == "Curry" ? rig.ws.curry.Pos
                                            : rig.ws.tevo.Pos;
    QCOMPARE(rig.ws.meas.Pos[1], shown[1]);
    // One record per point, kept as the device sent it.
    QCOMPARE(rig.ws.SeqRaw.size(), 9);
    QCOMPARE(rig.ws.SeqRaw[4].size(), traitsOf(model).layout.length);
}

void TestElectrodeStep::runsWithoutReadings_data()
{
    QTest::addColumn<DigitizerModel>("model");
    QTest::newRow("dummy") << DigitizerModel::Dummy;
    QTest::newRow("No Digitizer") << DigitizerModel::NoDigitizer;
}

void TestElectrodeStep::runsWithoutReadings()
{
    QFETCH(DigitizerModel, model);
    LoopRig rig(model);
    QVERIFY(!rig.wizard.waiting());
    QCOMPARE(rig.wizard.state.PointCounter, 10);
    QCOMPARE(rig.ws.SeqRaw.value(3), QString("Digitize  Fz"));
    QCOMPARE(rig.ws.SeqRaw.value(0), QString("Digitize  Nasion"));
    QCOMPARE(rig.view.prompts.filter("Digitize  ").size(), 9);
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].startsWith("Positions need a digitizer"));
    QVERIFY(rig.dialogs.texts()[0].contains(traitsOf(model).name));
    QCOMPARE(rig.ws.sensors.NumSensors, 0);
    QCOMPARE(rig.view.buttonText(), QString("-R--C w"));
    QVERIFY(!QFile::exists(Journal::defaultPath(rig.ws.AppPath)));
}

void TestElectrodeStep::deviceLossDuringAWait()
{
    LoopRig rig;
    QVERIFY(rig.take("Nasion"));
    QVERIFY(rig.untilWaiting());
    rig.link.unplug(true);
    rig.run(100);
    // The wait goes on by itself and says so in the prompt; no message box stops the operator.
    QVERIFY(rig.dialogs.shown.isEmpty());
    QVERIFY(rig.wizard.waiting());
    QCOMPARE(rig.view.prompt.lines.value(0), QString("Digitize  Left Preauricular"));
    QVERIFY(rig.view.prompt.lines.value(1).startsWith("The digitizer stopped answering"));
    QVERIFY(rig.view.prompt.isWarning(1));
    rig.run(10000);
    QVERIFY(rig.dialogs.shown.isEmpty());
    QCOMPARE(rig.wizard.state.PointCounter, 2);
    rig.link.clearHostBytes();
    rig.link.unplug(false);
    QVERIFY(rig.untilWaiting(3000));
    QCOMPARE(rig.view.prompt.lines, QStringList{"Digitize  Left Preauricular"});
    // The device is configured again before the wait asks for a record.
    QVERIFY(rig.link.hostBytes().startsWith("ce1,1\ru"));
    QVERIFY(rig.link.hostBytes().endsWith("P"));
    rig.touchAll(true);
    rig.verifyPositions();
    QVERIFY(rig.dialogs.shown.isEmpty());
    QVERIFY(rig.view.outcomes.contains(Records::Outcome::DeviceGone));
}

void TestElectrodeStep::refusedReadingWaitsAgain()
{
    LoopRig rig;
    QVERIFY(rig.untilWaiting());
    rig.emu.cutNextRecord(100);
    rig.emu.touchSite("Nasion");
    rig.emu.press();
    rig.run(1000);
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].contains("Please repeat the measurement"));
    QCOMPARE(rig.wizard.state.PointCounter, 1);
    QVERIFY(rig.ws.SeqRaw.value(0).isEmpty());
    QVERIFY(rig.wizard.waiting());
    rig.touchAll(true);
    rig.verifyPositions();
}

void TestElectrodeStep::pressedTwiceIsFlagged_data()
{
    QTest::addColumn<int>("receivers");
    QTest::addColumn<bool>("headMovesBetween");
    QTest::newRow("still head") << 0 << false;
    QTest::newRow("head moved between the presses") << 1 << true;
}

void TestElectrodeStep::pressedTwiceIsFlagged()
{
    QFETCH(int, receivers);
    QFETCH(bool, headMovesBetween);
    LoopRig rig(DigitizerModel::Fastrak, receivers);
    for (const char *site : {"Nasion", "LPA", "RPA", "Fz"})
        QVERIFY(rig.take(site));
    if (headMovesBetween)
        rig.emu.moveHead(0.03, 0.01, 0, 10, 0, 5);
    QVERIFY(rig.take("Fz")); // at Cz
    QCOMPARE(rig.view.prompt.lines.value(0), QString("Digitize  Pz"));
    QCOMPARE(rig.view.prompt.lines.value(1),
             QString("Cz is within 2 mm of Fz: pressed twice? Back retakes it"));
    QVERIFY(rig.view.prompt.isWarning(1));
    // Back retakes it; the warning is gone.
    QVERIFY(rig.wizard.press(Wizard::Button::Back));
    QCOMPARE(rig.view.prompt.lines, QStringList{"Digitize  Cz"});
    rig.touchAll(false);
    rig.verifyPositions();
    QCOMPARE(rig.view.prompts.filter("pressed twice").size(), 1);
}

void TestElectrodeStep::skippedFiducialIsAskedFor()
{
    LoopRig rig;
    QVERIFY(rig.wizard.press(Wizard::Button::Back));
    QVERIFY(rig.wizard.press(Wizard::Button::Next));
    QCOMPARE(rig.view.prompt.lines.value(0), QString("Digitize  Left Preauricular"));
    rig.touchAll(true);
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].startsWith("Nasion (point 1) has no reading."));
    // Asked for again once (after the first prompt and the one Back repeated); the other points
    // are not visited a second time.
    QCOMPARE(rig.view.prompts.filter("Digitize  Nasion").size(), 3);
    QCOMPARE(rig.view.prompts.filter("Digitize  Cz").size(), 1);
    QVERIFY(!rig.wizard.waiting());
    QVERIFY(rig.wizard.resultReady());
    rig.verifyPositions();
}

void TestElectrodeStep::skippedElectrodesAreNeverInvented_data()
{
    QTest::addColumn<Dialogs::Answer>("answer");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("no goes back")       << Dialogs::Answer::No << false << QStringList{"Fz", "Cz", "Pz", "Oz", "T7", "T8"};
    QTest::newRow("yes leaves them out") << Dialogs::Answer::Yes << true << QStringList{"Fz", "Oz", "T7", "T8"};
}

// Cz and Pz skipped with Next: Accept never keeps them with a position nobody measured.
void TestElectrodeStep::skippedElectrodesAreNeverInvented()
{
    QFETCH(Dialogs::Answer, answer);
    QFETCH(bool, accepted);
    QFETCH(QStringList, kept);
    LoopRig rig;
    for (const char *site : {"Nasion", "LPA", "RPA", "Fz"})
        QVERIFY(rig.take(site));
    // Back once, then Next on past points never taken, as an operator may.
    QVERIFY(rig.wizard.press(Wizard::Button::Back));
    for (int i = 0; i < 3; ++i)
        QVERIFY(rig.wizard.press(Wizard::Button::Next));
    QCOMPARE(rig.view.prompt.lines.value(0), QString("Digitize  Oz"));
    rig.touchAll(false);
    QVERIFY(rig.wizard.resultReady());
    // Until then no electrode file can carry their placeholder positions.
    const QString elp = rig.home.path("cap.elp");
    QVERIFY(!rig.app.menus.files.savePath(elp) && !QFileInfo::exists(elp));
    QVERIFY(rig.dialogs.texts().last().startsWith("These electrodes have no position yet: Cz, Pz."));
    QCOMPARE(sceneFromWorkspace(rig.ws, DisplaySets::Electrodes).types.at(1), "not taken");
    rig.dialogs.clear();
    rig.dialogs.answers.enqueue(answer);
    QCOMPARE(rig.wizard.press(Wizard::Button::Accept), true);
    QCOMPARE(rig.dialogs.shown.size(), accepted ? 2 : 1); // then: continue with the head shape?
    QVERIFY(rig.dialogs.texts()[0].startsWith("These points have no reading: Cz, Pz."));
    QCOMPARE(rig.ws.sensors.NumSensors, kept.size());
    for (int k = 0; k < kept.size(); ++k) {
        QCOMPARE(rig.ws.tevo.Name[k].trimmed(), kept[k]);
        if (accepted)
            QVERIFY((rig.ws.tevo.Pos[k] - rig.truth(kept[k])).norm() < 0.001);
    }
    // Going back keeps the step open: a click on a name still takes the point.
    QCOMPARE(rig.view.buttons.accept, !accepted);
    QCOMPARE(rig.app.menus.files.savePath(elp), accepted);
    if (accepted)
        return;
    // A click on a point never taken takes it without asking.
    rig.dialogs.clear();
    rig.wizard.RedigitizePoint(1);
    QVERIFY(rig.take("Cz"));
    QVERIFY(rig.dialogs.shown.isEmpty());
    QCOMPARE(rig.ws.UnreadElectrodes, QStringList{"Pz"});
    QVERIFY((rig.ws.tevo.Pos[1] - rig.truth("Cz")).norm() < 0.001);
}

void TestElectrodeStep::redigitizeByName_data()
{
    QTest::addColumn<QString>("system");
    QTest::newRow("TEVO") << "TEVO";
    QTest::newRow("BESA") << "BESA";
}

void TestElectrodeStep::redigitizeByName()
{
    QFETCH(QString, system);
    LoopRig rig(DigitizerModel::Fastrak, 1, system);
    // A nasion repeated in the middle: electrode k is not sequence point k.
    rig.wizard.Cancel();
    rig.setSequence({"Nasion", "LPA", "RPA", "Fz", "Nasion", "Cz", "Pz", "Oz", "T7", "T8"},
                    {"1", "2", "4", "400", "1", "400", "400", "400", "400", "400"});
    rig.enterLoop();
    for (const char *site : {"Nasion", "LPA", "RPA", "Fz", "Nasion", "Oz", "Pz", "Oz", "T7", "T8"})
        QVERIFY(rig.take(site));
    QVERIFY(rig.wizard.resultReady());
    const QStringList before = rig.ws.SeqRaw;
    const Point3 tevoT7 = rig.ws.tevo.Pos[4];
    QCOMPARE(rig.view.names.value(1), QString("Cz"));
    // No leaves everything as it was.
    rig.dialogs.answers.enqueue(Dialogs::Answer::No);
    rig.wizard.RedigitizePoint(1);
    QVERIFY(!rig.wizard.waiting());
    QCOMPARE(rig.dialogs.shown.last().text, QString("Do you want to re-digitize Cz?"));
    rig.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    rig.wizard.RedigitizePoint(1);
    QCOMPARE(rig.view.prompt.lines, QStringList{"Digitize  Cz"});
    QCOMPARE(rig.view.point, 6);
    rig.emu.moveHead(0.01, 0, 0, 0, 0, 8);
    QVERIFY(rig.take("Cz"));
    QVERIFY(!rig.wizard.waiting());
    // Only the record of the sequence point that became electrode 1 changed.
    for (int i = 0; i < before.size(); ++i)
        QCOMPARE(rig.ws.SeqRaw[i] == before[i], i != 5);
    QVERIFY((rig.ws.tevo.Pos[1] - rig.truth("Cz")).norm() < 0.001);
    QCOMPARE(rig.ws.tevo.Pos[4], tevoT7);
    const auto &shown = system == "BESA" ? rig.ws.besa.Pos : rig.ws.tevo.Pos;
    QCOMPARE(rig.ws.meas.Pos[1], shown[1]);
    QCOMPARE(rig.view.buttonText(), QString("---AC g"));
    QCOMPARE(rig.view.electrodeSetShown, 2);
}

void TestElectrodeStep::editPoint()
{
    LoopRig rig;
    for (const char *site : {"Nasion", "LPA", "RPA", "Fz", "Cz", "Oz", "Oz", "T7", "T8"})
        QVERIFY(rig.take(site));
    rig.wizard.selectPoint(2);
    rig.wizard.EditPoint(rig.wizard.selectedPoint());
    QCOMPARE(rig.view.prompt.lines, QStringList({"Re-Digitize", "Pz"}));
    QCOMPARE(rig.view.buttonText(), QString("B---C w"));
    QCOMPARE(rig.wizard.state.AtLastPoint, 1);
    QCOMPARE(rig.wizard.state.PointLimit, 1);
    QCOMPARE(rig.wizard.state.PointCounter, 6);
    // Back gives the edit up and keeps the old reading.
    QVERIFY(rig.wizard.press(Wizard::Button::Back));
    QCOMPARE(rig.wizard.state.AtLastPoint, 0);
    QCOMPARE(rig.wizard.state.PointLimit, 6);
    QVERIFY(!rig.wizard.waiting());
    QVERIFY((rig.ws.tevo.Pos[2] - rig.truth("Oz")).norm() < 0.001);
    QCOMPARE(rig.view.buttonText(), QString("---AC g"));
    rig.wizard.EditPoint(2);
    QVERIFY(rig.take("Pz"));
    rig.verifyPositions();
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestElectrodeStep::acceptOffersShapeDigitizing_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<bool>("asked");
    QTest::newRow("TEVO") << "TEVO" << true;
    QTest::newRow("BESA") << "BESA" << false;
}

// Yes goes on to stream the head shape in the frame of the electrode fiducials.
void TestElectrodeStep::acceptOffersShapeDigitizing()
{
    QFETCH(QString, system);
    QFETCH(bool, asked);
    LoopRig rig(DigitizerModel::Fastrak, 1, system);
    rig.touchAll(true);
    rig.ws.ElectrodesDirty = 0;
    rig.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    QVERIFY(rig.wizard.press(Wizard::Button::Accept));
    QCOMPARE(rig.ws.ElectrodesDirty, 1);
    QCOMPARE(rig.dialogs.texts(), asked ? QStringList{"Do you want to continue with shape "
                                                      "digitization ?"}
                                        : QStringList{});
    QCOMPARE(rig.wizard.state.Step, asked ? Steps::Shape : Steps::Electrodes);
    QCOMPARE(rig.wizard.state.SubStep, asked ? 4 : 3);
    QCOMPARE(rig.wizard.waiting(), asked);
    for (int f = 0; f < 3 && asked; ++f)
        QCOMPARE(rig.ws.ShapeFid[f], rig.ws.meas.Fid[f]);
}

void TestElectrodeStep::promptsAreSpoken()
{
    LoopRig rig;
    const QString folder = rig.home.path("Sounds/test");
    QVERIFY(QDir().mkpath(folder));
    for (const QString name : {"Nasion", "Cz"})
        rig.home.write("Sounds/test/" + name + ".wav", "RIFF");
    for (const int sound : {0, 1}) {
        rig.wizard.Cancel();
        rig.ws.SoundEnabled = sound;
        rig.enterLoop();
        rig.touchAll(false);
    }
    QCOMPARE(rig.audio.played, QStringList({folder + "/Nasion.wav", folder + "/Cz.wav"}));
}

void TestElectrodeStep::aReplacedSequenceStopsTheMeasurement()
{
    LoopRig rig;
    QVERIFY(rig.take("Nasion"));
    rig.setSequence({"Nasion", "LPA", "RPA"}, {"1", "2", "4"});
    rig.wizard.afterCommand();
    QVERIFY(!rig.wizard.waiting());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QCOMPARE(rig.view.buttonText(), QString("----- g"));
    QVERIFY(!QFile::exists(Journal::defaultPath(rig.ws.AppPath)));
}

QTEST_GUILESS_MAIN(TestElectrodeStep)
#include "tst_electrode_step.moc"
