#include "wizard_rig.h"

#include <QtTest>

Q_DECLARE_METATYPE(DigitizerModel)

namespace {
// Records the hand-over to the head-shape step.
class FakeShapeStep final : public ShapeStep
{
public:
    void dispatch(int subStep) override { dispatched << subStep; }
    void acceptFiducials() override { ++fiducialsAccepted; }
    void stop() override { ++stopped; }
    QList<int> dispatched;
    int fiducialsAccepted = 0;
    int stopped = 0;
};
} // namespace

// The wizard's state machine as the operator drives it: Digitize menu entries, the five buttons
// and their enabled states, against the emulated FASTRAK on virtual time.
class TestWizardButtons : public QObject
{
    Q_OBJECT
private:
    // Runs a script: n b r a c press the button (ignored when disabled), N B R A C call the
    // handler whatever the button's state, t touches the current point and presses the stylus,
    // ~ lets a second pass.
    static void drive(WizardRig &rig, const QString &keys)
    {
        for (const QChar k : keys) {
            switch (k.unicode()) {
            case 'n':
                rig.wizard.press(Wizard::Button::Next);
                break;
            case 'b':
                rig.wizard.press(Wizard::Button::Back);
                break;
            case 'r':
                rig.wizard.press(Wizard::Button::Repeat);
                break;
            case 'a':
                rig.wizard.press(Wizard::Button::Accept);
                break;
            case 'c':
                rig.wizard.press(Wizard::Button::Cancel);
                break;
            case 'N':
                rig.wizard.Next();
                break;
            case 'B':
                rig.wizard.Back();
                break;
            case 'R':
                rig.wizard.Repeat();
                break;
            case 'A':
                rig.wizard.Accept();
                break;
            case 'C':
                rig.wizard.Cancel();
                break;
            case 't': {
                const int p = rig.wizard.state.PointCounter;
                const bool loop = rig.wizard.state.Step == Steps::Electrodes;
                QVERIFY(rig.take(loop ? rig.ws.SeqName.value(p - 1) : QStringLiteral("Cz")));
                break;
            }
            case '~':
                rig.run(1000);
                break;
            default:
                QFAIL("unknown key");
            }
        }
    }
    static void start(WizardRig &rig, const QString &entry)
    {
        rig.setSequence({"Nasion", "LPA", "RPA", "Cz", "Pz"}, {"1", "2", "4", "400", "400"});
        if (entry == "dewar")
            rig.wizard.menuCalibration();
        else if (entry == "subject")
            rig.wizard.menuFiducials();
        else if (entry == "probe")
            rig.wizard.menuProbe();
        else if (entry == "electrodes")
            rig.wizard.menuEProbes();
    }

private slots:
    void buttonsOfEachSubStep_data();
    void buttonsOfEachSubStep();
    void subStepMoves_data();
    void subStepMoves();
    void disabledButtonsDoNothing_data();
    void disabledButtonsDoNothing();
    void electrodeEntryRefuses_data();
    void electrodeEntryRefuses();
    void pointLoopButtons_data();
    void pointLoopButtons();
    void cancelClearsEverything_data();
    void cancelClearsEverything();
    void shapeStepHandOver_data();
    void shapeStepHandOver();
    void measureFiducialShowsOneRecord();
};

void TestWizardButtons::buttonsOfEachSubStep_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("subStep");
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("title");
    // clang-format off
    QTest::newRow("dewar 1")           << "dewar"      << 1 << ""       << 1 << "--N-C w" << "Place the transmitter|near the dewar."                                    << "Measurement of dewar fiducials";
    QTest::newRow("dewar 2")           << "dewar"      << 1 << "n"      << 2 << "BR--C w" << "Place the stylus|at dewar fiducial X+.|When ready,|press the stylus button." << "Measurement of dewar fiducials";
    QTest::newRow("dewar 2 second")    << "dewar"      << 1 << "nt"     << 2 << "BR--C w" << "Place the stylus|at dewar fiducial Y+.|When ready,|press the stylus button." << "Measurement of dewar fiducials";
    QTest::newRow("dewar done")        << "dewar"      << 1 << "ntttttt"<< 2 << "BR-AC w" << "Delta - F1: 0.00 cm|Delta - F2: 0.00 cm|Delta - F3: 0.00 cm"                << "Measurement of dewar fiducials";
    QTest::newRow("subject 1 one")     << "subject"    << 1 << ""       << 1 << "--N-C w" << "Mount the receiver|on the subject."                                       << "Measurement of subject fiducials";
    QTest::newRow("subject 1 two")     << "subject"    << 2 << ""       << 1 << "--N-C w" << "Mount the receivers|on the subject."                                      << "Measurement of subject fiducials";
    QTest::newRow("subject 2")         << "subject"    << 1 << "n"      << 2 << "B-N-C w" << "Place the transmitter|near the subject."                                  << "Measurement of subject fiducials";
    QTest::newRow("subject 3")         << "subject"    << 1 << "nn"     << 3 << "BR--C w" << "Place the stylus|at subject fiducial X+.|When ready,|press the stylus button." << "Measurement of subject fiducials";
    QTest::newRow("subject 3 last")    << "subject"    << 1 << "nnttttt"<< 3 << "BR--C w" << "Place the stylus|at subject fiducial Y-.|When ready,|press the stylus button." << "Measurement of subject fiducials";
    QTest::newRow("probe 1")           << "probe"      << 1 << ""       << 1 << "--N-C w" << "Place the probe|in the recording position.|When ready, hit >>."             << "Magnetic field measurements";
    QTest::newRow("probe 2 reading")   << "probe"      << 1 << "n"      << 2 << "----C w" << "Reading the probe position ..."                                          << "Magnetic field measurements";
    QTest::newRow("probe 2")           << "probe"      << 1 << "n~"     << 2 << "--N-C w" << "Start|the magnetic field|data recording|When finished, hit >>."          << "Magnetic field measurements";
    QTest::newRow("probe 3")           << "probe"      << 1 << "n~n~"   << 3 << "--N-C w" << "Delta: 0.00 cm"                                                          << "Magnetic field measurements";
    QTest::newRow("probe 4")           << "probe"      << 1 << "n~n~n"  << 4 << "-R-AC w" << ""                                                                        << "Magnetic field measurements";
    QTest::newRow("electrodes 1 one")  << "electrodes" << 1 << ""       << 1 << "--N-C w" << "Mount the receiver|on the subject."                                       << "";
    QTest::newRow("electrodes 1 two")  << "electrodes" << 3 << ""       << 1 << "--N-C w" << "Mount the receivers|on the subject."                                      << "";
    QTest::newRow("electrodes 1 none") << "electrodes" << 0 << ""       << 2 << "--N-C w" << "Place the transmitter|near the subject."                                  << "";
    QTest::newRow("electrodes 2")      << "electrodes" << 1 << "n"      << 2 << "--N-C w" << "Place the transmitter|near the subject."                                  << "";
    QTest::newRow("electrodes 3")      << "electrodes" << 1 << "nn"     << 3 << "B---C w" << "Digitize  Nasion"                                                        << "";
    QTest::newRow("electrodes 3 LPA")  << "electrodes" << 1 << "nnt"    << 3 << "B---C w" << "Digitize  Left Preauricular"                                             << "";
    QTest::newRow("electrodes 3 RPA")  << "electrodes" << 1 << "nntt"   << 3 << "B---C w" << "Digitize  Right Preauricular"                                            << "";
    QTest::newRow("electrodes 3 Cz")   << "electrodes" << 1 << "nnttt"  << 3 << "B---C w" << "Digitize  Cz"                                                            << "";
    QTest::newRow("electrodes done")   << "electrodes" << 1 << "nnttttt"<< 3 << "---AC g" << ""                                                                        << "";
    // clang-format on
}

void TestWizardButtons::buttonsOfEachSubStep()
{
    QFETCH(QString, entry);
    QFETCH(int, receivers);
    QFETCH(QString, keys);
    QFETCH(int, subStep);
    QFETCH(QString, buttons);
    QFETCH(QString, prompt);
    QFETCH(QString, title);
    WizardRig rig(DigitizerModel::Fastrak, receivers);
    start(rig, entry);
    drive(rig, keys);
    QCOMPARE(rig.wizard.state.SubStep, subStep);
    QCOMPARE(rig.view.buttonText(), buttons);
    QCOMPARE(rig.view.prompt.lines.join('|'), prompt);
    QCOMPARE(rig.view.title, title);
    QVERIFY2(rig.dialogs.shown.isEmpty(), qPrintable(rig.dialogs.texts().join('\n')));
}

void TestWizardButtons::subStepMoves_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("subStep");
    QTest::addColumn<int>("repeatJump");
    QTest::addColumn<int>("repeatTarget");
    // clang-format off
    QTest::newRow("next moves on")                 << "dewar"      << "n"        << 2 << 0 << 2;
    QTest::newRow("back moves back")               << "subject"    << "nnb"      << 2 << 0 << 3;
    QTest::newRow("repeat reruns the passes")      << "dewar"      << "nttr"     << 2 << 0 << 2;
    QTest::newRow("repeat reruns subject passes")  << "subject"    << "nnttr"    << 3 << 0 << 3;
    QTest::newRow("repeat restarts electrodes")    << "electrodes" << "nntR"     << 1 << 1 << 1;
    QTest::newRow("repeat restarts the probe")     << "probe"      << "n~n~nr"   << 1 << 1 << 1;
    QTest::newRow("accept resets the jump")        << "probe"      << "n~n~nA"   << 4 << 0 << 1;
    QTest::newRow("repeat after accept reruns")    << "probe"      << "n~n~nAR"  << 4 << 1 << 1;
    QTest::newRow("back to zero")                  << "electrodes" << "B"        << 0 << 0 << 0;
    QTest::newRow("back below one stays quiet")    << "dewar"      << "BB"       << -1 << 0 << 0;
    // clang-format on
}

void TestWizardButtons::subStepMoves()
{
    QFETCH(QString, entry);
    QFETCH(QString, keys);
    QFETCH(int, subStep);
    QFETCH(int, repeatJump);
    QFETCH(int, repeatTarget);
    WizardRig rig(DigitizerModel::Fastrak);
    start(rig, entry);
    const QString before = rig.view.buttonText();
    drive(rig, keys);
    QCOMPARE(rig.wizard.state.SubStep, subStep);
    QCOMPARE(rig.wizard.state.RepeatJump, repeatJump);
    QCOMPARE(rig.wizard.state.RepeatTarget, repeatTarget);
    // A sub-step out of the step's range runs no handler: the buttons stay as they were.
    if (subStep < 1)
        QCOMPARE(rig.view.buttonText(), before);
}

void TestWizardButtons::disabledButtonsDoNothing_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("pressed");
    // clang-format off
    QTest::newRow("dewar 1")        << "dewar"      << ""    << "bra";
    QTest::newRow("dewar passes")   << "dewar"      << "n"   << "na";
    QTest::newRow("electrodes 2")   << "electrodes" << "n"   << "bra";
    QTest::newRow("point loop")     << "electrodes" << "nn"  << "nra";
    QTest::newRow("probe reading")  << "probe"      << "n"   << "bnra";
    // clang-format on
}

void TestWizardButtons::disabledButtonsDoNothing()
{
    QFETCH(QString, entry);
    QFETCH(QString, keys);
    QFETCH(QString, pressed);
    WizardRig rig(DigitizerModel::Fastrak);
    start(rig, entry);
    drive(rig, keys);
    const WizardState st = rig.wizard.state;
    const QString buttons = rig.view.buttonText();
    const QString prompt = rig.view.prompt.text();
    const bool waiting = rig.wizard.waiting();
    for (const QChar k : pressed) {
        const Wizard::Button b = k == 'n'   ? Wizard::Button::Next
                                 : k == 'b' ? Wizard::Button::Back
                                 : k == 'r' ? Wizard::Button::Repeat
                                 : k == 'a' ? Wizard::Button::Accept
                                            : Wizard::Button::Cancel;
        QVERIFY(!rig.wizard.press(b));
    }
    QCOMPARE(rig.wizard.state.SubStep, st.SubStep);
    QCOMPARE(rig.wizard.state.PointCounter, st.PointCounter);
    QCOMPARE(rig.view.buttonText(), buttons);
    QCOMPARE(rig.view.prompt.text(), prompt);
    QCOMPARE(rig.wizard.waiting(), waiting);
}

void TestWizardButtons::electrodeEntryRefuses_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("message");
    const QString noSequence =
        "Before executing this selection,\rplease open or edit a sequence file.";
    const QString noFiducials = "The sequence must start with the three fiducials.\r";
    // clang-format off
    QTest::newRow("no sequence")          << QStringList{}                             << noSequence;
    QTest::newRow("nasion rpa lpa")       << QStringList{"1", "4", "2", "400"}         << QString();
    QTest::newRow("lpa nasion rpa")       << QStringList{"2", "1", "4", "400"}         << QString();
    QTest::newRow("only fiducials")       << QStringList{"4", "2", "1"}                << QString();
    QTest::newRow("third an electrode")   << QStringList{"1", "2", "400", "4"}         << noFiducials;
    QTest::newRow("nasion twice")         << QStringList{"1", "1", "2", "4"}           << noFiducials;
    QTest::newRow("too short")            << QStringList{"1", "2"}                     << noFiducials;
    QTest::newRow("reference first")      << QStringList{"1C00", "1", "2", "4"}        << noFiducials;
    // clang-format on
}

void TestWizardButtons::electrodeEntryRefuses()
{
    QFETCH(QStringList, codes);
    QFETCH(QString, message);
    WizardRig rig(DigitizerModel::Fastrak);
    QStringList names;
    for (int i = 0; i < codes.size(); ++i)
        names << QStringLiteral("P%1").arg(i + 1);
    rig.setSequence(names, codes);
    rig.wizard.state.Step = Steps::Dewar;
    rig.wizard.state.SubStep = 2;
    rig.wizard.menuEProbes();
    if (message.isEmpty()) {
        QVERIFY(rig.dialogs.shown.isEmpty());
        QCOMPARE(rig.wizard.state.Step, Steps::Electrodes);
        QCOMPARE(rig.wizard.state.SubStep, 1);
        return;
    }
    QCOMPARE(rig.dialogs.texts(), QStringList{message});
    QCOMPARE(rig.dialogs.shown[0].title, Dialogs::DefaultTitle);
    QCOMPARE(rig.dialogs.shown[0].buttons, Dialogs::Buttons::Ok);
    QCOMPARE(rig.wizard.state.Step, Steps::Dewar);
    QCOMPARE(rig.wizard.state.SubStep, 2);
}

void TestWizardButtons::pointLoopButtons_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("pointCounter");
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<int>("atLastPoint");
    QTest::addColumn<int>("pointLimit");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<bool>("waiting");
    const QString skipped = "Not digitized (skipped with Next): Pz. Click a name to digitize it.";
    // clang-format off
    QTest::newRow("first point")              << ""        << 1 << "B---C w" << 0 << 6 << "Digitize  Nasion"             << true;
    QTest::newRow("back at the first point")  << "b"       << 1 << "--N-C w" << 0 << 6 << "Digitize  Nasion"             << true;
    QTest::newRow("a reading brings back")    << "bt"      << 2 << "B-N-C w" << 0 << 6 << "Digitize  Left Preauricular"  << true;
    QTest::newRow("back one point")           << "ttb"     << 2 << "B-N-C w" << 0 << 6 << "Digitize  Left Preauricular"  << true;
    QTest::newRow("next again")               << "ttbn"    << 3 << "B-N-C w" << 0 << 6 << "Digitize  Right Preauricular" << true;
    QTest::newRow("back twice")               << "tttbb"   << 2 << "B-N-C w" << 0 << 6 << "Digitize  Left Preauricular"  << true;
    QTest::newRow("next to the last point")   << "ttttbn"  << 5 << "B-N-C w" << 0 << 6 << "Digitize  Pz"                 << true;
    QTest::newRow("next at the last point")   << "ttttbnn" << 6 << "---AC g" << 1 << 6 << skipped                        << false;
    // clang-format on
}

void TestWizardButtons::pointLoopButtons()
{
    QFETCH(QString, keys);
    QFETCH(int, pointCounter);
    QFETCH(QString, buttons);
    QFETCH(int, atLastPoint);
    QFETCH(int, pointLimit);
    QFETCH(QString, prompt);
    QFETCH(bool, waiting);
    WizardRig rig(DigitizerModel::Fastrak);
    start(rig, "electrodes");
    drive(rig, "nn");
    drive(rig, keys);
    QCOMPARE(rig.wizard.state.SubStep, 3);
    QCOMPARE(rig.wizard.state.PointCounter, pointCounter);
    QCOMPARE(rig.view.buttonText(), buttons);
    QCOMPARE(rig.wizard.state.AtLastPoint, atLastPoint);
    QCOMPARE(rig.wizard.state.PointLimit, pointLimit);
    QCOMPARE(rig.view.prompt.lines.value(0), prompt);
    QCOMPARE(rig.wizard.state.NextRequested, 0);
    QCOMPARE(rig.wizard.state.BackRequested, 0);
    // Inside the loop, a wait for the stylus runs at every point.
    QCOMPARE(rig.wizard.waiting(), waiting);
}

void TestWizardButtons::cancelClearsEverything_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("cancelRequested");
    // clang-format off
    QTest::newRow("dewar waiting")      << "dewar"      << "nt"   << 0;
    QTest::newRow("subject waiting")    << "subject"    << "nn"   << 0;
    QTest::newRow("subject mounting")   << "subject"    << ""     << 1;
    QTest::newRow("probe reading")      << "probe"      << "n"    << 1;
    QTest::newRow("electrodes waiting") << "electrodes" << "nnt"  << 1;
    QTest::newRow("electrodes mount")   << "electrodes" << ""     << 1;
    // clang-format on
}

void TestWizardButtons::cancelClearsEverything()
{
    QFETCH(QString, entry);
    QFETCH(QString, keys);
    QFETCH(int, cancelRequested);
    WizardRig rig(DigitizerModel::Fastrak);
    start(rig, entry);
    drive(rig, keys);
    rig.ui.setText("Label04", "a listing");
    rig.ws.CurrentView = "Electrode Data";
    QVERIFY(rig.wizard.press(Wizard::Button::Cancel));
    QVERIFY(!rig.wizard.waiting());
    QCOMPARE(rig.view.buttonText(), QString("----- g"));
    QVERIFY(rig.view.prompt.isEmpty());
    QVERIFY(rig.view.title.isEmpty());
    QVERIFY(rig.view.displayCleared > 0);
    QCOMPARE(rig.ui.value("Label04").text, QString());
    QCOMPARE(rig.ws.CurrentView, QString("Clear View"));
    // A fiducial step that was waiting drops the reading and clears the request.
    QCOMPARE(rig.wizard.state.CancelRequested, cancelRequested);
    QVERIFY(!rig.link.isOpen());
    // A press after Cancel takes no reading anywhere.
    rig.emu.press();
    rig.run(1000);
    QVERIFY(rig.view.prompt.isEmpty());
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestWizardButtons::shapeStepHandOver_data()
{
    QTest::addColumn<DigitizerModel>("model");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QByteArray>("hostBytes");
    // clang-format off
    QTest::newRow("ISOTRAK accept") << DigitizerModel::Isotrak << "accept" << QByteArray("cPT");
    QTest::newRow("ISOTRAK cancel") << DigitizerModel::Isotrak << "cancel" << QByteArray("cTP");
    QTest::newRow("FASTRAK accept") << DigitizerModel::Fastrak << "accept" << QByteArray();
    QTest::newRow("FASTRAK cancel") << DigitizerModel::Fastrak << "cancel" << QByteArray();
    // clang-format on
}

void TestWizardButtons::shapeStepHandOver()
{
    QFETCH(DigitizerModel, model);
    QFETCH(QString, ending);
    QFETCH(QByteArray, hostBytes);
    WizardRig rig(model);
    FakeShapeStep shape;
    rig.wizard.setShapeStep(&shape);
    rig.ui.setText("Counter", "12");
    rig.wizard.menuShape();
    QCOMPARE(rig.wizard.state.Step, Steps::Shape);
    QCOMPARE(shape.dispatched, QList<int>{1});
    QCOMPARE(rig.ui.value("Counter").text, QString());
    rig.wizard.state.SubStep = 3;
    rig.wizard.state.RepeatJump = 1;
    QVERIFY(rig.wizard.Accept());
    QCOMPARE(shape.fiducialsAccepted, 1);
    QCOMPARE(rig.wizard.state.SubStep, 4);
    QCOMPARE(rig.wizard.state.RepeatJump, 0);
    QCOMPARE(shape.dispatched, QList<int>({1, 4}));
    rig.wizard.state.ShapeRunning = 1;
    rig.link.clearHostBytes();
    if (ending == "accept") {
        QVERIFY(rig.wizard.Accept());
        QCOMPARE(rig.ws.ShapeDirty, 1);
    } else {
        rig.wizard.Cancel();
        QCOMPARE(rig.ws.ShapeDirty, 0);
    }
    QCOMPARE(shape.stopped, 1);
    QCOMPARE(rig.wizard.state.ShapeStop, 1);
    QCOMPARE(rig.wizard.state.ShapeRunning, 0);
    QCOMPARE(rig.link.hostBytes(), hostBytes);
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(rig.view.buttonText(), QString("----- g"));
}

void TestWizardButtons::measureFiducialShowsOneRecord()
{
    WizardRig rig(DigitizerModel::Fastrak);
    rig.wizard.menuMeasureFid();
    QCOMPARE(rig.view.prompt.lines,
             QStringList({"Press the stylus button", "to show one record."}));
    QCOMPARE(rig.view.buttonText(), QString("----C w"));
    QVERIFY(rig.take("Cz"));
    QVERIFY(rig.untilIdle());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QCOMPARE(rig.dialogs.shown[0].title, QString("Measure Fiducial"));
    QCOMPARE(rig.dialogs.shown[0].text.size(), 293);
    QVERIFY(rig.dialogs.shown[0].text.startsWith("01 "));
    QCOMPARE(rig.view.buttonText(), QString("----- g"));
    QVERIFY(rig.view.prompt.isEmpty());
}

QTEST_GUILESS_MAIN(TestWizardButtons)
#include "tst_wizard_buttons.moc"
