#include "wizard_rig.h"

#include <QtTest>

Q_DECLARE_METATYPE(DigitizerModel)

namespace {
// The buttons by letter, in the order of Wizard::Button.
const QString Letters = QStringLiteral("abrnc");

// Runs a script: a b r n c press the button (ignored when disabled), A B R N C call the
// handler whatever the button's state, t touches the current point and presses the stylus,
// ~ lets a second pass.
void drive(WizardRig &rig, const QString &keys)
{
    Wizard &w = rig.wizard;
    const std::function<void()> handlers[] = {[&] { w.Accept(); }, [&] { w.Back(); },
                                              [&] { w.Repeat(); }, [&] { w.Next(); },
                                              [&] { w.Cancel(); }};
    for (const QChar k : keys) {
        if (k == 't') {
            const bool loop = w.state.Step == Steps::Electrodes;
            QVERIFY(rig.take(loop ? rig.ws.SeqName.value(w.state.PointCounter - 1) : "Cz"));
        } else if (k == '~') {
            rig.run(1000);
        } else if (k.isLower()) {
            w.press(Wizard::Button(Letters.indexOf(k)));
        } else {
            handlers[Letters.indexOf(k.toLower())]();
        }
    }
}

// A menu entry on a five-point sequence.
void start(WizardRig &rig, const QString &entry)
{
    static const QMap<QString, QString> menu = {{"dewar", "menuCalibration"},
                                                {"subject", "menuFiducials"},
                                                {"probe", "menuProbe"},
                                                {"electrodes", "menuEProbes"}};
    rig.setSequence({"Nasion", "LPA", "RPA", "Cz", "Pz"}, {"1", "2", "4", "400", "400"});
    QVERIFY(rig.invoke(menu.value(entry)));
}

// Every button the view shows off is refused and changes nothing.
void pressEveryDisabledButton(WizardRig &rig)
{
    const QString shown = rig.view.buttonText(), prompt = rig.view.prompt.text();
    const WizardState before = rig.wizard.state;
    const bool waiting = rig.wizard.waiting();
    for (int i = 0; i < 5; ++i)
        if (shown[i] == '-')
            QVERIFY2(!rig.wizard.press(Wizard::Button(Letters.indexOf("brnac"[i]))),
                     qPrintable(shown));
    QCOMPARE(rig.wizard.state.SubStep, before.SubStep);
    QCOMPARE(rig.wizard.state.PointCounter, before.PointCounter);
    QCOMPARE(rig.view.buttonText() + rig.view.prompt.text(), shown + prompt);
    QCOMPARE(rig.wizard.waiting(), waiting);
}
} // namespace

// The wizard's state machine as the operator drives it: Digitize menu entries, the five buttons
// and their enabled states, against the emulated FASTRAK on virtual time.
class TestWizardButtons : public QObject
{
    Q_OBJECT
private slots:
    void buttonsOfEachSubStep_data();
    void buttonsOfEachSubStep();
    void electrodeEntryRefuses_data();
    void electrodeEntryRefuses();
    void cancelClearsEverything_data();
    void cancelClearsEverything();
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
    QTest::newRow("dewar repeat")      << "dewar"      << 1 << "nttr"   << 2 << "BR--C w" << "Place the stylus|at dewar fiducial X+.|When ready,|press the stylus button." << "Measurement of dewar fiducials";
    QTest::newRow("dewar back at 1")   << "dewar"      << 1 << "BB"     << -1 << "--N-C w" << "Place the transmitter|near the dewar."                                   << "Measurement of dewar fiducials";
    QTest::newRow("subject back")      << "subject"    << 1 << "nnb"    << 2 << "B-N-C w" << "Place the transmitter|near the subject."                                  << "Measurement of subject fiducials";
    QTest::newRow("subject repeat")    << "subject"    << 1 << "nnttr"  << 3 << "BR--C w" << "Place the stylus|at subject fiducial X+.|When ready,|press the stylus button." << "Measurement of subject fiducials";
    QTest::newRow("probe repeat")      << "probe"      << 1 << "n~n~nr" << 1 << "--N-C w" << "Place the probe|in the recording position.|When ready, hit >>."             << "Magnetic field measurements";
    QTest::newRow("electrodes repeat") << "electrodes" << 1 << "nntR"   << 1 << "--N-C w" << "Mount the receiver|on the subject."                                       << "";
    QTest::newRow("electrodes back")   << "electrodes" << 1 << "B"      << 0 << "--N-C w" << "Mount the receiver|on the subject."                                       << "";
    QTest::newRow("back at point 1")   << "electrodes" << 1 << "nnb"    << 3 << "--N-C w" << "Digitize  Nasion"                                                        << "";
    QTest::newRow("reading after back")<< "electrodes" << 1 << "nnbt"   << 3 << "B-N-C w" << "Digitize  Left Preauricular"                                             << "";
    QTest::newRow("back one point")    << "electrodes" << 1 << "nnttb"  << 3 << "B-N-C w" << "Digitize  Left Preauricular"                                             << "";
    QTest::newRow("next after back")   << "electrodes" << 1 << "nnttbn" << 3 << "B-N-C w" << "Digitize  Right Preauricular"                                            << "";
    QTest::newRow("back twice")        << "electrodes" << 1 << "nntttbb"<< 3 << "B-N-C w" << "Digitize  Left Preauricular"                                             << "";
    QTest::newRow("next to last point")<< "electrodes" << 1 << "nnttttbn"<< 3 << "B-N-C w" << "Digitize  Pz"                                                           << "";
    QTest::newRow("next at last point")<< "electrodes" << 1 << "nnttttbnn"<< 3 << "---AC g" << "Not digitized (skipped with Next): Pz. Click a name to digitize it." << "";
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
    pressEveryDisabledButton(rig);
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
    QCOMPARE(rig.wizard.state.Step, Steps::Dewar);
    QCOMPARE(rig.wizard.state.SubStep, 2);
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
    const QString prompt = rig.view.prompt.text();
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
    // A press after Cancel takes no reading anywhere, and a new start begins afresh.
    rig.emu.press();
    rig.run(1000);
    QVERIFY(rig.view.prompt.isEmpty());
    QVERIFY(rig.dialogs.shown.isEmpty());
    start(rig, entry);
    drive(rig, keys);
    QCOMPARE(rig.view.prompt.text(), prompt);
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
