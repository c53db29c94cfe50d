#include "platform/auto_link.h"
#include "rig.h"
#include "shell/command_line.h"

#include <QTest>

using Answer = Dialogs::Answer;
using Fixtures::Ini;

// A run from pointra.ini to the questions at its end: start-up, File > New, the line status.
class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void startupMessages_data();
    void startupMessages();
    void startupMenuStates_data();
    void startupMenuStates();
    void interactiveStartAndHelp();
    void newDataAsksThenClears_data();
    void newDataAsksThenClears();
    void exitAsksAboutUnsavedData_data();
    void exitAsksAboutUnsavedData();
    void statusSaysWhoAnswers();
    void commandLine_data();
    void commandLine();
};

void TestStartup::startupMessages_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("messages");
    const QString noType = "No supported Digitizer Type has been selected.\r\rPlease select "
                           "Digitizer Type from the Setup menu.";
    const QString tevo = "Coordinate System is set to TEVO (default).";
    const QString hemi = "Please select Hemisphere", port = "Please select a Comm Port",
                  decimal = "No Decimal Point selected.";
    // clang-format off
    QTest::newRow("complete file") << Ini().text() << QStringList{};
    QTest::newRow("no file") << QByteArray() << QStringList{noType, tevo, hemi, port, decimal};
    QTest::newRow("only digitizer type") << QByteArray("Digitizer Type=FASTRAK\r\n") << QStringList{tevo, hemi, port, decimal};
    QTest::newRow("wrong key case") << QByteArray("digitizer type=FASTRAK\r\nCoordinate System=BESA\r\nDecimal Point=Comma\r\nHemisphere=1,0,0\r\nnCommPort=4\r\n") << QStringList{noType};
    QTest::newRow("dummy is no device") << Ini{.model = "dummy"}.text() << QStringList{noType};
    QTest::newRow("bad hemisphere and port") << Ini{.model = "PATRIOT", .system = "Curry", .hemisphere = "0, 0, 1", .port = 5}.text() << QStringList{hemi, port};
    QTest::newRow("garbage only") << QByteArray("\x01\x02 garbage \xff\r\n=\r\n==\r\n") << QStringList{noType, tevo, hemi, port, decimal};
    // clang-format on
}

// Start-up tells what pointra.ini lacks, writes nothing back and removes the prompts an earlier
// run left in tmp.
void TestStartup::startupMessages()
{
    QFETCH(QByteArray, ini);
    Rig rig;
    QVERIFY(QDir().mkpath(rig.home.path("tmp")));
    rig.home.write("tmp/p1.wav", "RIFF");
    rig.startUp(ini);
    QTEST(rig.dialogs.texts(), "messages");
    for (const auto &shown : rig.dialogs.shown)
        QCOMPARE(shown.buttons, Dialogs::Buttons::Ok);
    QCOMPARE(rig.home.ini(), ini);
    QVERIFY(!QFileInfo::exists(rig.home.path("tmp")));
}

void TestStartup::startupMenuStates_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("system");
    QTest::addColumn<bool>("device");
    QTest::addColumn<bool>("twoVisible");
    QTest::addColumn<QString>("xAxis");
    // clang-format off
    QTest::newRow("fastrak tevo") << "FASTRAK" << "TEVO" << true << true << "x-axis (Nasion)";
    QTest::newRow("isotrak besa") << "ISOTRAK" << "BESA" << true << false << "x-axis (RPA)";
    QTest::newRow("patriot curry") << "PATRIOT" << "Curry" << true << false << "x-axis (RPA)";
    QTest::newRow("none") << "Polhemus" << "TEVO" << false << false << "x-axis (Nasion)";
    // clang-format on
}

void TestStartup::startupMenuStates()
{
    QFETCH(QString, model);
    QFETCH(QString, system);
    QFETCH(bool, device);
    QFETCH(bool, twoVisible);
    Rig rig;
    rig.startUp(Ini{model, system, "Comma", "0,0,-1", 3, "ON"}.text());
    const UiState &ui = rig.ui;
    QCOMPARE(
        ui.caption,
        QString("Pointra with %1 - %2 Coordinates").arg(device ? model : "No Digitizer", system));
    QCOMPARE(ui.value("menuDigitize").enabled, device);
    QCOMPARE(ui.value("menuTwo").visible, twoVisible);
    QCOMPARE(ui.value("menuThree").visible, twoVisible);
    QTEST(ui.value("XAxis").text, "xAxis");
    QVERIFY(ui.fileFilter.startsWith("Sequence File (*.seq)|*.seq|" + system));
    QCOMPARE(ui.value("menuViewShape").enabled, system == "TEVO");
    QCOMPARE(ui.value("menuDigitizer" + model).checked, device);
    const auto on = [&](const QString &item) { return ui.value(item).checked; };
    QVERIFY(on("menuCoordinates" + system) && on("menuDecimalPointComma") &&
            !on("menuDecimalPointPeriod") && on("menuZminus") && on("menuCommPort3") &&
            on("menuSoundON"));
    // No receivers chosen yet: nothing to digitize but the calibration.
    QVERIFY(!ui.value("menuEProbes").enabled && !ui.value("menuShape").enabled);
    QVERIFY(ui.value("menuCalibration").enabled && !ui.value("menuFiducials").enabled);
    QCOMPARE(rig.ws.SoundEnabled, 1);
    QCOMPARE(rig.link.commPort(), 3);
    QCOMPARE(rig.link.settings(), model == "PATRIOT" ? "115200,n,8,1" : "19200,n,8,1");
    QVERIFY(on(model == "PATRIOT" ? "menu1152" : "menu192"));
}

void TestStartup::interactiveStartAndHelp()
{
    Rig rig;
    rig.startUp(Ini().text());
    QCOMPARE(rig.view.shown, 0);
    QVERIFY(rig.fakeLink.written.isEmpty());
    rig.app.shell.startInteractive();
    QCOMPARE(rig.view.shown, 1);
    QCOMPARE(rig.fakeLink.written.value(0), QByteArray("c"));
    QCOMPARE(rig.fakeLink.written.size(), 16);
    QVERIFY(!rig.link.isOpen());
    QVERIFY(rig.invoke("menuHelpAbout"));
    QVERIFY(rig.view.aboutText.contains(QStringLiteral(POINTRA_VERSION)));
    rig.invoke("menuHelpContents");
    QVERIFY(rig.view.helpFile.endsWith("index.html") && QFileInfo::exists(rig.view.helpFile));
}

void TestStartup::newDataAsksThenClears_data()
{
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<bool>("saveWorks");
    QTest::addColumn<bool>("cleared");
    // clang-format off
    QTest::newRow("nothing unsaved clears at once") << QList<Answer>{} << true << true;
    QTest::newRow("no forgets the electrodes") << QList<Answer>{Answer::No} << true << true;
    QTest::newRow("yes saves, then clears") << QList<Answer>{Answer::Yes} << true << true;
    QTest::newRow("yes but the save fails keeps all") << QList<Answer>{Answer::Yes} << false << false;
    QTest::newRow("cancel keeps all") << QList<Answer>{Answer::Cancel} << true << false;
    // clang-format on
}

void TestStartup::newDataAsksThenClears()
{
    QFETCH(QList<Answer>, answers);
    QFETCH(bool, saveWorks);
    QFETCH(bool, cleared);
    Rig rig;
    rig.start();
    QVERIFY(rig.app.menus.files.openPath(rig.home.write("cap.elp", Fixtures::Elp)));
    rig.ws.ElectrodesDirty = answers.isEmpty() ? 0 : 1;
    rig.app.shell.saveAs = [&] { return saveWorks; };
    rig.dialogs.clear();
    rig.dialogs.answers.append(answers);
    QVERIFY(rig.invoke("menuNew"));
    QCOMPARE(rig.dialogs.shown.size(), answers.size());
    QCOMPARE(rig.ws.sensors.NumSensors, cleared ? 0 : 2);
    QCOMPARE(rig.ws.ElectrodeFile.isEmpty(), cleared);
    if (cleared) {
        // The convention can be chosen again without a restart.
        rig.invoke("menuCoordinatesBESA");
        QCOMPARE(rig.ws.settings.CoordinateSystem, QStringLiteral("BESA"));
    }
}

void TestStartup::exitAsksAboutUnsavedData_data()
{
    QTest::addColumn<int>("seq");
    QTest::addColumn<int>("electrodes");
    QTest::addColumn<int>("shape");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<int>("quits");
    QTest::addColumn<int>("saves");
    QTest::addColumn<int>("helpCloses");
    QTest::addColumn<bool>("tmpRemoved");
    QTest::addColumn<bool>("saveFails");
    const QString qSeq = "Do you want to save the sequence file ?";
    const QString qEl = "Do you want to save the digitized electrode data ?";
    const QString qSh = "Do you want to save the digitized shape data ?";
    const Answer yes = Answer::Yes, no = Answer::No, cancel = Answer::Cancel;
    // clang-format off
    QTest::newRow("nothing unsaved") << 0 << 0 << 0 << QList<Answer>{} << QStringList{} << 1 << 0 << 1 << true << false;
    QTest::newRow("shape cancel") << 0 << 0 << 1 << QList<Answer>{cancel} << QStringList{qSh} << 0 << 0 << 1 << true << false;
    QTest::newRow("all no") << 1 << 1 << 1 << QList<Answer>{no, no, no} << QStringList{qSeq, qEl, qSh} << 1 << 0 << 1 << true << false;
    QTest::newRow("all yes") << 1 << 1 << 1 << QList<Answer>{yes, yes, yes} << QStringList{qSeq, qEl, qSh} << 1 << 3 << 0 << false << false;
    QTest::newRow("sequence cancel still asks the rest") << 1 << 1 << 0 << QList<Answer>{cancel, no} << QStringList{qSeq, qEl} << 0 << 0 << 1 << true << false;
    QTest::newRow("electrodes yes keeps help") << 0 << 1 << 0 << QList<Answer>{yes} << QStringList{qEl} << 1 << 1 << 0 << true << false;
    QTest::newRow("a save that fails keeps the window") << 0 << 1 << 0 << QList<Answer>{yes} << QStringList{qEl} << 0 << 1 << 0 << true << true;
    // clang-format on
}

void TestStartup::exitAsksAboutUnsavedData()
{
    QFETCH(QList<Answer>, answers);
    QFETCH(bool, saveFails);
    Rig rig;
    rig.start();
    QVERIFY(QDir().mkpath(rig.home.path("tmp")));
    int saves = 0;
    rig.app.shell.saveAs = [&] { return ++saves, !saveFails; };
    QFETCH(int, seq);
    QFETCH(int, electrodes);
    QFETCH(int, shape);
    rig.ws.SeqDirty = seq;
    rig.ws.ElectrodesDirty = electrodes;
    rig.ws.ShapeDirty = shape;
    rig.dialogs.answers.append(answers);
    QVERIFY(rig.invoke("menuExit"));
    QTEST(rig.dialogs.texts(), "questions");
    for (const auto &shown : rig.dialogs.shown)
        QCOMPARE(shown.buttons, Dialogs::Buttons::YesNoCancel);
    QTEST(rig.view.quits, "quits");
    QTEST(saves, "saves");
    QTEST(rig.view.helpCloses, "helpCloses");
    QTEST(!QFileInfo::exists(rig.home.path("tmp")), "tmpRemoved");
    QCOMPARE(rig.ws.ExitCancelled, 0); // a refused exit does not block the next one
}

void TestStartup::statusSaysWhoAnswers()
{
    SteadyClock clock;
    Settings settings{DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 2, "OFF"};
    AutoLink link(clock, [&] { return settings.Digitizer; });
    link.setCommPort(2);
    link.setSettings("19200,n,8,1");
    qputenv("POINTRA_COMM2", "/dev/pointra-no-such-device");
    qunsetenv("POINTRA_EMULATOR");
    // A port named by POINTRA_COMM2 is a device, whether it answers or not.
    LineStatus st = link.status(settings);
    QVERIFY2(!st.emulated && st.text.contains("/dev/pointra-no-such-device"), qPrintable(st.text));
    // Without a device the emulator stands in, and the status says so in its own colour.
    qunsetenv("POINTRA_COMM2");
    link.setCommPort(4);
    settings.CommPort = 4;
    st = link.status(settings);
    QVERIFY2(QFileInfo::exists("/dev/ttyUSB3") || (st.emulated && st.text.contains("EMULATOR")),
             qPrintable(st.text));
    QVERIFY(st.text.startsWith("FASTRAK on Comm port 4"));
    settings.Digitizer = DigitizerModel::NoDigitizer;
    QVERIFY(!link.status(settings).emulated);
}

void TestStartup::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("names"); // empty: no names
    // clang-format off
    QTest::newRow("last keeps blanks") << QStringList{"a", "b", "c", "d"} << QStringList{"a", "b", "c d"};
    QTest::newRow("blank inside one argument") << QStringList{"a b", "c"} << QStringList{"a", "b", "c"};
    QTest::newRow("one name") << QStringList{"a.clb"} << QStringList{};
    QTest::newRow("empty middle") << QStringList{"a", "", "c"} << QStringList{"a", "", "c"};
    // clang-format on
}

// The batch run's three names from one line, as the program has always split it.
void TestStartup::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, names);
    const auto split = splitBatchCommandLine(joinArguments(args));
    QCOMPARE(split.has_value(), !names.isEmpty());
    if (split)
        QCOMPARE((QStringList{split->CalibrationFileName, split->FiducialsFileName,
                              split->ProbeFileName}),
                 names);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
