#include "rig.h"
#include "shell/command_line.h"

#include <QTest>

using Answer = Dialogs::Answer;
using Fixtures::Ini;

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void startupMessages_data();
    void startupMessages();
    void startupMenuStates_data();
    void startupMenuStates();
    void tmpFolder_data();
    void tmpFolder();
    void interactiveStartAndHelp();
    void shutdown_data();
    void shutdown();
    void exitCancelledIsReset();
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

void TestStartup::startupMessages()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, messages);
    Rig rig;
    rig.startUp(ini.isEmpty() ? QByteArray() : ini);
    QCOMPARE(rig.dialogs.texts(), messages);
    for (const auto &shown : rig.dialogs.shown)
        QCOMPARE(shown.buttons, Dialogs::Buttons::Ok);
    QVERIFY(!rig.home.ini().contains("No Digitizer")); // replacements are not written back
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
    QFETCH(QString, xAxis);
    Rig rig;
    rig.startUp(Ini{model, system, "Comma", "0,0,-1", 3, "ON"}.text());
    const UiState &ui = rig.ui;
    QCOMPARE(
        ui.caption,
        QString("Pointra with %1 - %2 Coordinates").arg(device ? model : "No Digitizer", system));
    const QString baudItem = model == "PATRIOT" ? "menu1152" : "menu192";
    QCOMPARE(ui.value("menuDigitize").enabled, device);
    QCOMPARE(ui.value("menuTwo").visible, twoVisible);
    QCOMPARE(ui.value("menuThree").visible, twoVisible);
    QCOMPARE(ui.value("XAxis").text, xAxis);
    QVERIFY(ui.fileFilter.startsWith("Sequence File (*.seq)|*.seq|" + system));
    QCOMPARE(ui.value("Label3A").text, system);
    QVERIFY(ui.value("menuCoordinates" + system).checked);
    QCOMPARE(ui.value("menuDigitizer" + model).checked, device);
    const auto on = [&](const QString &item) { return ui.value(item).checked; };
    QVERIFY(on("menuDecimalPointComma") && !on("menuDecimalPointPeriod") && on("menuZminus") &&
            on("menuCommPort3") && on("menuSoundON") && on(baudItem));
    QCOMPARE(ui.value("menuViewShape").enabled, system == "TEVO");
    // No receivers chosen yet: nothing to digitize.
    QVERIFY(!ui.value("menuEProbes").enabled);
    QVERIFY(!ui.value("menuShape").enabled);
    QVERIFY(ui.value("menuCalibration").enabled);
    QVERIFY(!ui.value("menuFiducials").enabled);
    QCOMPARE(rig.ws.SoundEnabled, 1);
    QCOMPARE(rig.link.commPort(), 3);
    QCOMPARE(rig.link.settings(), model == "PATRIOT" ? "115200,n,8,1" : "19200,n,8,1");
}

void TestStartup::tmpFolder_data()
{
    QTest::addColumn<int>("files");
    // clang-format off
    QTest::newRow("no folder") << -1;
    QTest::newRow("empty folder") << 0;
    QTest::newRow("three prompts") << 3;
    // clang-format on
}

void TestStartup::tmpFolder()
{
    QFETCH(int, files);
    Rig rig;
    const QString tmp = rig.home.path("tmp");
    if (files >= 0)
        QVERIFY(QDir().mkpath(tmp));
    for (int i = 0; i < files; ++i)
        rig.home.write(QStringLiteral("tmp/p%1.wav").arg(i), "RIFF");
    rig.startUp(Ini().text());
    QVERIFY(!QFileInfo::exists(tmp));
    QVERIFY(QFileInfo::exists(rig.home.path("pointra.ini")));
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
    // Help > About and Help > Contents.
    QVERIFY(rig.invoke("menuHelpAbout"));
    QVERIFY(rig.view.aboutText.contains(QStringLiteral(POINTRA_VERSION)));
    rig.invoke("menuHelpContents");
    QVERIFY(rig.view.helpFile.endsWith("index.html"));
    QVERIFY(QFileInfo::exists(rig.view.helpFile));
    QVERIFY(!rig.ui.value("menuHelpIndex").enabled);
}

void TestStartup::shutdown_data()
{
    QTest::addColumn<int>("seq");
    QTest::addColumn<int>("electrodes");
    QTest::addColumn<int>("shape");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("saves");
    QTest::addColumn<int>("helpCloses");
    QTest::addColumn<bool>("tmpRemoved");
    QTest::addColumn<bool>("saveFails");
    const QString qSeq = "Do you want to save the sequence file ?";
    const QString qEl = "Do you want to save the digitized electrode data ?";
    const QString qSh = "Do you want to save the digitized shape data ?";
    const Answer yes = Answer::Yes, no = Answer::No, cancel = Answer::Cancel;
    // clang-format off
    QTest::newRow("nothing unsaved") << 0 << 0 << 0 << QList<Answer>{} << QStringList{} << true << 0 << 1 << true << false;
    QTest::newRow("shape cancel") << 0 << 0 << 1 << QList<Answer>{cancel} << QStringList{qSh} << false << 0 << 1 << true << false;
    QTest::newRow("all no") << 1 << 1 << 1 << QList<Answer>{no, no, no} << QStringList{qSeq, qEl, qSh} << true << 0 << 1 << true << false;
    QTest::newRow("all yes") << 1 << 1 << 1 << QList<Answer>{yes, yes, yes} << QStringList{qSeq, qEl, qSh} << true << 3 << 0 << false << false;
    QTest::newRow("sequence cancel still asks the rest") << 1 << 1 << 0 << QList<Answer>{cancel, no} << QStringList{qSeq, qEl} << false << 0 << 1 << true << false;
    QTest::newRow("electrodes yes keeps help") << 0 << 1 << 0 << QList<Answer>{yes} << QStringList{qEl} << true << 1 << 0 << true << false;
    QTest::newRow("a save that fails keeps the window") << 0 << 1 << 0 << QList<Answer>{yes} << QStringList{qEl} << false << 1 << 0 << true << true;
    // clang-format on
}

void TestStartup::shutdown()
{
    QFETCH(int, seq);
    QFETCH(int, electrodes);
    QFETCH(int, shape);
    QFETCH(QList<Answer>, answers);
    QFETCH(QStringList, questions);
    QFETCH(bool, closes);
    QFETCH(int, saves);
    QFETCH(int, helpCloses);
    QFETCH(bool, tmpRemoved);
    Rig rig;
    rig.start();
    QVERIFY(QDir().mkpath(rig.home.path("tmp")));
    int saveCount = 0;
    QFETCH(bool, saveFails);
    rig.app.shell.saveAs = [&] {
        ++saveCount;
        return !saveFails;
    };
    rig.ws.SeqDirty = seq;
    rig.ws.ElectrodesDirty = electrodes;
    rig.ws.ShapeDirty = shape;
    for (Answer a : answers)
        rig.dialogs.answers.enqueue(a);

    QCOMPARE(rig.app.shell.Form_Unload(), closes);
    QCOMPARE(rig.dialogs.texts(), questions);
    for (const auto &shown : rig.dialogs.shown) {
        QCOMPARE(shown.title, "POINTRA");
        QCOMPARE(shown.buttons, Dialogs::Buttons::YesNoCancel);
        QCOMPARE(shown.icon, Dialogs::Icon::Question);
    }
    QCOMPARE(saveCount, saves);
    QCOMPARE(rig.view.helpCloses, helpCloses);
    QCOMPARE(!QFileInfo::exists(rig.home.path("tmp")), tmpRemoved);
    QCOMPARE(rig.ws.ExitCancelled, closes ? 0 : 1);
}

// A cancelled close does not block the next one.
void TestStartup::exitCancelledIsReset()
{
    Rig rig;
    rig.start();
    rig.ws.ShapeDirty = 1;
    rig.dialogs.answers.enqueue(Answer::Cancel);
    QVERIFY(rig.invoke("menuExit"));
    QCOMPARE(rig.view.quits, 0);
    QCOMPARE(rig.ws.ExitCancelled, 0);
    QCOMPARE(rig.ws.ShapeDirty, 1);
    rig.dialogs.answers.enqueue(Answer::No);
    rig.invoke("menuExit");
    QCOMPARE(rig.view.quits, 1);
}

void TestStartup::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("names"); // empty: no names
    // clang-format off
    QTest::newRow("three names") << QStringList{"a.clb", "b.fid", "c.elp"} << QStringList{"a.clb", "b.fid", "c.elp"};
    QTest::newRow("last keeps blanks") << QStringList{"a", "b", "c", "d"} << QStringList{"a", "b", "c d"};
    QTest::newRow("blank inside one argument") << QStringList{"a b", "c"} << QStringList{"a", "b", "c"};
    QTest::newRow("two names") << QStringList{"a.clb", "b.fid"} << QStringList{};
    QTest::newRow("one name") << QStringList{"a.clb"} << QStringList{};
    QTest::newRow("empty middle") << QStringList{"a", "", "c"} << QStringList{"a", "", "c"};
    // clang-format on
}

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
