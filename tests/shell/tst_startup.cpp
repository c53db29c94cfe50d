#include "platform/auto_link.h"
#include "rig.h"

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
    void unsavedDataIsAskedFor_data();
    void unsavedDataIsAskedFor();
    void exitSavesTheDataSetAskedAbout_data();
    void exitSavesTheDataSetAskedAbout();
    void statusSaysWhoAnswers();
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
    // The interactive start shows the window, then configures the device.
    QVERIFY(rig.fakeLink.written.isEmpty() && rig.view.shown == 0);
    rig.app.shell.startInteractive();
    QCOMPARE(rig.view.shown, 1);
    QCOMPARE(rig.fakeLink.written.isEmpty(), !device);
    QVERIFY(!rig.link.isOpen());
    QVERIFY(rig.invoke("menuHelpAbout"));
    QVERIFY(rig.view.aboutText.contains(QStringLiteral(POINTRA_VERSION)));
    rig.invoke("menuHelpContents");
    QVERIFY(rig.view.helpFile.endsWith("index.html") && QFileInfo::exists(rig.view.helpFile));
}

void TestStartup::unsavedDataIsAskedFor_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("seq");
    QTest::addColumn<int>("electrodes");
    QTest::addColumn<int>("shape");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<bool>("saveFails");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<int>("saves");
    QTest::addColumn<bool>("proceeds"); // quits, or clears the data
    QTest::addColumn<int>("helpCloses");
    QTest::addColumn<bool>("tmpRemoved");
    const QString qSeq = "Do you want to save the sequence file ?";
    const QString qEl = "Do you want to save the digitized electrode data ?";
    const QString qSh = "Do you want to save the digitized shape data ?";
    const Answer yes = Answer::Yes, no = Answer::No, cancel = Answer::Cancel;
    // clang-format off
    QTest::newRow("exit, nothing unsaved") << "menuExit" << 0 << 0 << 0 << QList<Answer>{} << false << QStringList{} << 0 << true << 1 << true;
    QTest::newRow("exit, shape cancel") << "menuExit" << 0 << 0 << 1 << QList<Answer>{cancel} << false << QStringList{qSh} << 0 << false << 1 << true;
    QTest::newRow("exit, all no") << "menuExit" << 1 << 1 << 1 << QList<Answer>{no, no, no} << false << QStringList{qSeq, qEl, qSh} << 0 << true << 1 << true;
    QTest::newRow("exit, all yes") << "menuExit" << 1 << 1 << 1 << QList<Answer>{yes, yes, yes} << false << QStringList{qSeq, qEl, qSh} << 3 << true << 0 << false;
    QTest::newRow("exit, sequence cancel still asks the rest") << "menuExit" << 1 << 1 << 0 << QList<Answer>{cancel, no} << false << QStringList{qSeq, qEl} << 0 << false << 1 << true;
    QTest::newRow("exit, electrodes yes keeps help") << "menuExit" << 0 << 1 << 0 << QList<Answer>{yes} << false << QStringList{qEl} << 1 << true << 0 << true;
    QTest::newRow("exit, a save that fails keeps the window") << "menuExit" << 0 << 1 << 0 << QList<Answer>{yes} << true << QStringList{qEl} << 1 << false << 0 << true;
    QTest::newRow("new, nothing unsaved clears at once") << "menuNew" << 0 << 0 << 0 << QList<Answer>{} << false << QStringList{} << 0 << true << 0 << false;
    QTest::newRow("new, no forgets the electrodes") << "menuNew" << 0 << 1 << 0 << QList<Answer>{no} << false << QStringList{qEl} << 0 << true << 0 << false;
    QTest::newRow("new, yes saves, then clears") << "menuNew" << 0 << 1 << 0 << QList<Answer>{yes} << false << QStringList{qEl} << 1 << true << 0 << false;
    QTest::newRow("new, a save that fails keeps all") << "menuNew" << 0 << 1 << 0 << QList<Answer>{yes} << true << QStringList{qEl} << 1 << false << 0 << false;
    QTest::newRow("new, cancel asks no more") << "menuNew" << 1 << 1 << 0 << QList<Answer>{cancel} << false << QStringList{qSeq} << 0 << false << 0 << false;
    // clang-format on
}

// File > Exit and File > New ask about each kind of unsaved data; Yes saves, Cancel or a failed
// save keeps everything.
void TestStartup::unsavedDataIsAskedFor()
{
    QFETCH(QString, control);
    QFETCH(QList<Answer>, answers);
    QFETCH(bool, saveFails);
    QFETCH(bool, proceeds);
    Rig rig;
    rig.start();
    QVERIFY(rig.app.menus.files.openPath(rig.home.write("cap.elp", Fixtures::Elp)));
    QVERIFY(QDir().mkpath(rig.home.path("tmp")));
    int saves = 0;
    rig.app.shell.saveAs = [&](const QString &) { return ++saves, !saveFails; };
    QFETCH(int, seq);
    QFETCH(int, electrodes);
    QFETCH(int, shape);
    rig.ws.SeqDirty = seq;
    rig.ws.ElectrodesDirty = electrodes;
    rig.ws.ShapeDirty = shape;
    rig.dialogs.clear();
    rig.dialogs.answers.append(answers);
    QVERIFY(rig.invoke(control));
    QTEST(rig.dialogs.texts(), "questions");
    for (const auto &shown : rig.dialogs.shown)
        QCOMPARE(shown.buttons, Dialogs::Buttons::YesNoCancel);
    QTEST(saves, "saves");
    QCOMPARE(rig.ws.ExitCancelled, 0); // a refusal does not block the next try
    if (control == "menuNew") {
        QCOMPARE(rig.ws.sensors.NumSensors, proceeds ? 0 : 2);
        QCOMPARE(rig.ws.ElectrodeFile.isEmpty(), proceeds);
        // The convention can be chosen again without a restart.
        rig.invoke("menuCoordinatesBESA");
        QCOMPARE(rig.ws.settings.CoordinateSystem, proceeds ? "BESA" : "TEVO");
        return;
    }
    QCOMPARE(rig.view.quits, proceeds ? 1 : 0);
    QTEST(rig.view.helpCloses, "helpCloses");
    QTEST(!QFileInfo::exists(rig.home.path("tmp")), "tmpRemoved");
}

void TestStartup::exitSavesTheDataSetAskedAbout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("quits");
    QTest::addColumn<QString>("told");
    QTest::newRow("shape file")      << "head.hsp" << true << "";
    QTest::newRow("no extension")    << "head" << false << "Cannot save a file with this extension.";
    QTest::newRow("another kind")    << "cap2.elp" << false << "save them as a .hsp file";
}

// Yes to "save the digitized shape data" offers the shape file type and counts only a shape file.
void TestStartup::exitSavesTheDataSetAskedAbout()
{
    QFETCH(QString, name);
    QFETCH(bool, quits);
    QFETCH(QString, told);
    Rig rig;
    rig.start();
    QVERIFY(rig.app.menus.files.openPath(rig.home.write("cap.elp", Fixtures::Elp)));
    rig.ws.ShapeFid = {Point3(0.09, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)};
    rig.ws.ShapePos = {Point3(0.01, 0.02, 0.09), Point3(0.02, 0.02, 0.09)};
    rig.ws.NumShapePoints = 2;
    rig.ws.ShapeDirty = 1;
    rig.dialogs.clear();
    rig.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    rig.dialogs.fileAnswers.enqueue(rig.home.path(name));
    QVERIFY(rig.invoke("menuExit"));
    QCOMPARE(rig.dialogs.fileRequests.size(), 1);
    const QStringList filter = rig.dialogs.fileRequests.first().filter.split('|');
    QCOMPARE(filter.value(2 * rig.dialogs.fileRequests.first().filterIndex - 1), "*.hsp");
    QCOMPARE(rig.view.quits, quits ? 1 : 0);
    QCOMPARE(rig.ws.ShapeDirty, quits ? 0 : 1);
    QCOMPARE(QFileInfo::exists(rig.home.path("head.hsp")), quits);
    if (!told.isEmpty())
        QVERIFY2(rig.dialogs.texts().last().contains(told), qPrintable(rig.dialogs.texts().join('|')));
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
    QVERIFY2(st.text.endsWith("device not found: check the cable"), qPrintable(st.text));
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

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
