#include "data/settings_file.h"
#include "rig.h"
#include "seams/controls.h"

#include <QTest>

class TestSetupCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void choicesAreSavedAndShown_data();
    void choicesAreSavedAndShown();
    void lineFollowsModelAndBaudItems();
    void receiverChoices_data();
    void receiverChoices();
    void coordinateChangeWithData();
    void sequences_data();
    void sequences();
    void inputBoxesAskAgain_data();
    void inputBoxesAskAgain();
    void failuresToldOncePerOperation();

private:
    std::unique_ptr<Rig> rig;
};

void TestSetupCommands::init()
{
    rig = std::make_unique<Rig>();
    rig->start();
}

void TestSetupCommands::choicesAreSavedAndShown_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("unchecked");
    QTest::addColumn<QByteArray>("sent"); // to the digitizer
    // clang-format off
    QTest::newRow("digitizer") << "menuDigitizerPATRIOT" << "Digitizer Type=PATRIOT\r\n" << "menuDigitizerFASTRAK" << QByteArray("L1,1\rU1\rO1,2,1\rO2,2,6,1\rH1,0,0,1\rH2,0,0,1\r");
    QTest::newRow("coordinates") << "menuCoordinatesCurry" << "Coordinate System=Curry\r\n" << "menuCoordinatesTEVO" << QByteArray();
    QTest::newRow("decimal point") << "menuDecimalPointComma" << "Decimal Point=Comma\r\n" << "menuDecimalPointPeriod" << QByteArray();
    QTest::newRow("comm port") << "menuCommPort2" << "\r\nnCommPort= 2\r\n" << "menuCommPort1" << QByteArray();
    QTest::newRow("hemisphere") << "menuZminus" << "Hemisphere=0,0,-1\r\n" << "menuZplus" << QByteArray("ce1,1\ruO1,2,1\rO2,2,5,6,7,1\rO3,2,5,6,7,1\rO4,2,5,6,7,1\rH1,0,0,-1\rH2,0,0,-1\rH3,0,0,-1\rH4,0,0,-1\rl1,1\rl2,1\rl3,1\rl4,1\re1,1\r");
    QTest::newRow("sound on") << "menuSoundON" << "Sound=ON\r\n" << "menuSoundOFF" << QByteArray();
    // clang-format on
}

void TestSetupCommands::choicesAreSavedAndShown()
{
    QFETCH(QString, command);
    QFETCH(QString, saved);
    QFETCH(QString, unchecked);
    QVERIFY(rig->invoke(command) && rig->home.ini().contains(saved.toLatin1()));
    QCOMPARE(rig->home.ini(), SettingsFile::text(rig->ws.settings));
    QVERIFY(rig->ui.value(command).checked && !rig->ui.value(unchecked).checked);
    QTEST(rig->fakeLink.written.join(), "sent");
    QCOMPARE(rig->link.commPort(), rig->ws.settings.CommPort);
    QCOMPARE(rig->ws.SoundEnabled, rig->ws.settings.SoundSetting == "ON" ? 1 : 0);
    QCOMPARE(rig->ui.caption, "Pointra with " + traitsOf(rig->ws.settings.Digitizer).name + " - " +
                                  rig->ws.settings.CoordinateSystem + " Coordinates");
    QVERIFY(rig->dialogs.shown.isEmpty() && !rig->link.isOpen());
    QCOMPARE(rig->ui.busyDepth, 0);
}

// A new model forgets the receivers, closes the line and is configured at its own rate; a baud
// item reconfigures the device at the old rate, then the line, and is not saved.
void TestSetupCommands::lineFollowsModelAndBaudItems()
{
    rig->invoke("menuTwo");
    QVERIFY(rig->ui.value("menuEProbes").enabled && rig->ui.value("menuShape").enabled);
    QVERIFY(rig->link.open());
    rig->invoke("menuDigitizerPATRIOT");
    QVERIFY(!rig->link.isOpen());
    QCOMPARE(rig->ws.ReceiverCount, -1);
    QVERIFY(!rig->ui.value("menuEProbes").enabled && !rig->ui.value("menuShape").enabled);
    QVERIFY(!rig->ui.value("menuTwo").checked);
    QCOMPARE(rig->link.settings(), "115200,n,8,1");
    QVERIFY(rig->ui.value("menu1152").checked && !rig->ui.value("menu192").checked);
    QCOMPARE(rig->fakeLink.writtenAtSettings, QStringList(6, "115200,n,8,1"));
    rig->fakeLink.written.clear();
    rig->fakeLink.writtenAtSettings.clear();
    rig->invoke("menu384");
    QCOMPARE(rig->fakeLink.written, QList<QByteArray>{"o384,N,8,0\r"});
    QCOMPARE(rig->fakeLink.writtenAtSettings, QStringList{"115200,n,8,1"});
    QCOMPARE(rig->link.settings(), "38400,n,8,1");
    QVERIFY(!rig->link.isOpen() && rig->ui.value("menu384").checked);
    QVERIFY(!rig->ui.value("menu1152").checked && !rig->home.ini().contains("38400"));
}

void TestSetupCommands::receiverChoices_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<bool>("simulated"); // Setup > Simulated run first
    QTest::addColumn<QString>("receivers");
    QTest::addColumn<bool>("shape");
    // clang-format off
    QTest::newRow("tevo one") << "TEVO" << false << "menuOne" << true;
    QTest::newRow("tevo none") << "TEVO" << false << "menuZero" << true;
    QTest::newRow("besa three") << "BESA" << false << "menuThree" << false;
    QTest::newRow("curry one") << "Curry" << false << "menuOne" << false;
    // The simulated run has no stream to sweep and nothing to configure.
    QTest::newRow("simulated three") << "TEVO" << true << "menuThree" << false;
    // clang-format on
}

// Electrodes need receivers chosen; the head shape also TEVO and a real device. Neither the
// receivers nor the simulated run are saved.
void TestSetupCommands::receiverChoices()
{
    QFETCH(QString, system);
    QFETCH(bool, simulated);
    QFETCH(QString, receivers);
    rig->invoke("menuCoordinates" + system);
    if (simulated)
        rig->invoke("menuDummyRun");
    rig->invoke(receivers);
    QVERIFY(rig->ui.value("menuEProbes").enabled);
    QTEST(rig->ui.value("menuShape").enabled, "shape");
    QVERIFY(rig->ui.value(receivers).visible && rig->ui.value(receivers).checked);
    QVERIFY(!rig->home.ini().contains("Receiver"));
    QVERIFY(rig->home.ini().startsWith("Digitizer Type=FASTRAK\r\n"));
    QCOMPARE(rig->ui.value("menuDigitizerFASTRAK").checked, !simulated);
    rig->fakeLink.written.clear();
    rig->invoke("menuInitialize");
    QCOMPARE(rig->fakeLink.written.isEmpty(), simulated);
}

void TestSetupCommands::coordinateChangeWithData()
{
    rig->ws.sensors.NumSensors = 12;
    const QByteArray before = rig->home.ini();
    rig->invoke("menuCoordinatesBESA");
    QCOMPARE(rig->dialogs.shown.size(), 1);
    QVERIFY(rig->dialogs.texts()[0].startsWith("Cannot change Coordinate System with data"));
    QCOMPARE(rig->ws.settings.CoordinateSystem, "TEVO");
    QCOMPARE(rig->home.ini(), before);
    rig->dialogs.clear();
    QFile::remove(rig->home.path("pointra.ini"));
    rig->invoke("menuCoordinatesTEVO"); // already checked: allowed, file rewritten
    QVERIFY(rig->dialogs.shown.isEmpty() && rig->home.ini().contains("Coordinate System=TEVO\r\n"));
    rig->ws.sensors.NumSensors = 0;
    rig->invoke("menuCoordinatesCurry");
    QCOMPARE(rig->ui.value("YAxis").text, "y-axis (Nasion)");
}

void TestSetupCommands::sequences_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("hemisphere");
    QTest::addColumn<int>("answer"); // the length of the answer to P
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("receivers");
    const QByteArray isotrak = "PcuO2,5,6,7,1\rH1,0,0,1\rH2,0,0,1\r";
    // clang-format off
    QTest::newRow("fastrak x+") << "FASTRAK" << "1,0,0" << 0 << QByteArray("ce1,1\ruO1,2,1\rO2,2,5,6,7,1\rO3,2,5,6,7,1\rO4,2,5,6,7,1\rH1,1,0,0\rH2,1,0,0\rH3,1,0,0\rH4,1,0,0\rl1,1\rl2,1\rl3,1\rl4,1\re1,1\r") << -1;
    QTest::newRow("patriot y-") << "PATRIOT" << "0,-1,0" << 0 << QByteArray("L1,1\rU1\rO1,2,1\rO2,2,6,1\rH1,0,-1,0\rH2,0,-1,0\r") << -1;
    QTest::newRow("isotrak z+, silent") << "ISOTRAK" << "0,0,1" << 0 << isotrak << -1;
    QTest::newRow("isotrak, two stations") << "ISOTRAK" << "0,0,1" << 178 << isotrak << -1;
    // One station needs no receiver choice.
    QTest::newRow("isotrak, one station") << "ISOTRAK" << "0,0,1" << 89 << isotrak << 0;
    QTest::newRow("no digitizer") << "Polhemus" << "0,0,1" << 0 << QByteArray() << -1;
    // clang-format on
}

void TestSetupCommands::sequences()
{
    QFETCH(QString, model);
    QFETCH(QString, hemisphere);
    QFETCH(int, answer);
    QFETCH(QByteArray, bytes);
    QFETCH(int, receivers);
    Rig r;
    r.start({.model = model, .hemisphere = hemisphere});
    r.fakeLink.replies.insert("P", QByteArray(answer, '0'));
    const qint64 t0 = r.clock.nowMs();
    r.invoke("menuInitialize");
    QCOMPARE(r.fakeLink.written.join(), bytes);
    QCOMPARE(r.fakeLink.opens, bytes.isEmpty() ? 0 : 2); // at start and now
    QVERIFY(r.dialogs.shown.isEmpty() && !r.link.isOpen());
    // Only the ISOTRAK is paced: 200 ms after P and 100 ms after each of c, u and O.
    QCOMPARE(r.clock.nowMs() - t0, model == "ISOTRAK" ? 500 : 0);
    QCOMPARE(r.ui.busyDepth, 0);
    QCOMPARE(r.ws.ReceiverCount, receivers);
    QCOMPARE(r.ui.value("menuOne").enabled, receivers != 0);
    QCOMPARE(r.ui.value("menuZero").checked, receivers == 0);
    QCOMPARE(r.ui.value("menuEProbes").enabled, receivers == 0);
}

void TestSetupCommands::inputBoxesAskAgain_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("answers"); // then the operator cancels
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("complaints");
    // clang-format off
    QTest::newRow("step too small") << "menuStep" << QStringList{"0.05"} << 0.5 << 1;
    QTest::newRow("step lower bound") << "menuStep" << QStringList{"0.1"} << 0.1 << 0;
    QTest::newRow("step blanks around") << "menuStep" << QStringList{" 1.25 "} << 1.25 << 0;
    QTest::newRow("step empty keeps") << "menuStep" << QStringList{""} << 0.5 << 0;
    QTest::newRow("step cancelled") << "menuStep" << QStringList{} << 0.5 << 0;
    QTest::newRow("step text") << "menuStep" << QStringList{"abc"} << 0.5 << 1;
    QTest::newRow("step decimal comma") << "menuStep" << QStringList{"1,5"} << 0.5 << 1;
    QTest::newRow("step with a unit") << "menuStep" << QStringList{"1.5cm", "x", "0.7"} << 0.7 << 2;
    QTest::newRow("delay rounds half to even") << "menuDelay" << QStringList{"250.5"} << 250.0 << 0;
    QTest::newRow("delay zero") << "menuDelay" << QStringList{"0"} << 0.0 << 0;
    QTest::newRow("delay negative") << "menuDelay" << QStringList{"-1"} << 100.0 << 1;
    QTest::newRow("delay too long, then valid") << "menuDelay" << QStringList{"5001", "20"} << 20.0 << 1;
    QTest::newRow("delay text") << "menuDelay" << QStringList{"soon"} << 100.0 << 1;
    QTest::newRow("delay cancelled") << "menuDelay" << QStringList{} << 100.0 << 0;
    // clang-format on
}

void TestSetupCommands::inputBoxesAskAgain()
{
    QFETCH(QString, command);
    QFETCH(QStringList, answers);
    QFETCH(double, value);
    QFETCH(int, complaints);
    const bool step = command == "menuStep";
    for (const QString &a : answers)
        rig->dialogs.inputAnswers.enqueue(a);
    rig->invoke(command);
    QCOMPARE(step ? rig->ws.MinStepDistance : double(rig->ws.PointDelay), value);
    QCOMPARE(rig->dialogs.shown.size(), complaints);
    QCOMPARE(rig->dialogs.inputs.size(), complaints + 1);
    // The box offers the value in use, as the old program wrote numbers.
    QVERIFY(rig->dialogs.inputs.value(0).endsWith(step ? "| .5" : "| 100"));
}

// A port that does not open, and settings that cannot be saved, are told once per operation;
// the choices still take effect.
void TestSetupCommands::failuresToldOncePerOperation()
{
    rig->fakeLink.failOpen = true;
    rig->invoke("menuInitialize");
    QCOMPARE(rig->dialogs.shown.size(), 1);
    QVERIFY(rig->dialogs.texts().value(0).contains("/dev/fake"));
    rig->invoke("menu96");
    QCOMPARE(rig->dialogs.shown.size(), 2);
    QCOMPARE(rig->link.settings(), "19200,n,8,1"); // both ends stay in step
    QVERIFY(rig->ui.value("menu192").checked);
    rig->fakeLink.failOpen = false;
    rig->invoke("menuInitialize");
    QCOMPARE(rig->fakeLink.written.size(), 16);
    QVERIFY(QFile::setPermissions(rig->home.path("pointra.ini"), QFile::ReadOwner));
    rig->invoke("menuSoundON");
    rig->invoke("menuCommPort3");
    QCOMPARE(rig->dialogs.shown.size(), 3);
    QVERIFY(rig->dialogs.texts().value(2).startsWith("The settings could not be saved"));
    QCOMPARE(rig->ws.SoundEnabled, 1);
    QCOMPARE(rig->ws.settings.CommPort, 3);
    QVERIFY(rig->home.ini().contains("Sound=OFF"));
}

QTEST_GUILESS_MAIN(TestSetupCommands)
#include "tst_setup_commands.moc"
