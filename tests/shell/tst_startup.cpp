#include "shell/command_line.h"
#include "temp_home.h"

#include <QDir>
#include <QFile>
#include <QTest>

using Answer = Dialogs::Answer;

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
    void interactiveStartInitializesDigitizer();
    void shutdown_data();
    void shutdown();
    void exitCancelledIsReset();
    void closeAfterRefusedCloseWorks();
    void about();
    void helpContents();
    void commandLine_data();
    void commandLine();
};

namespace {
const QString NoType = "No supported Digitizer Type has been selected.\r\rPlease select Digitizer "
                       "Type from the Setup menu.";
const QString TevoDefault = "Coordinate System is set to TEVO (default).";
const QString NoHemi = "Please select Hemisphere";
const QString NoPort = "Please select a Comm Port";
const QString NoDecimal = "No Decimal Point selected.";
const QByteArray FullIni =
    "Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
    "Hemisphere=0,0,1\r\nnCommPort= 1\r\nSound=OFF\r\n";
} // namespace

void TestStartup::startupMessages_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("complete file") << FullIni << QStringList{};
    QTest::newRow("no file") << QByteArray()
                             << QStringList{NoType, TevoDefault, NoHemi, NoPort, NoDecimal};
    QTest::newRow("only digitizer type") << QByteArray("Digitizer Type=FASTRAK\r\n")
                                         << QStringList{TevoDefault, NoHemi, NoPort, NoDecimal};
    QTest::newRow("wrong key case")
        << QByteArray("digitizer type=FASTRAK\r\nCoordinate System=BESA\r\nDecimal Point=Comma\r\n"
                      "Hemisphere=1,0,0\r\nnCommPort=4\r\n")
        << QStringList{NoType};
    QTest::newRow("bad hemisphere and port")
        << QByteArray(
               "Digitizer Type=PATRIOT\r\nCoordinate System=Curry\r\nDecimal Point=Period\r\n"
               "Hemisphere=0, 0, 1\r\nnCommPort=5\r\n")
        << QStringList{NoHemi, NoPort};
    QTest::newRow("garbage only") << QByteArray("\x01\x02 garbage \xff\r\n=\r\n==\r\n")
                                  << QStringList{NoType, TevoDefault, NoHemi, NoPort, NoDecimal};
}

void TestStartup::startupMessages()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, messages);
    TestRig rig;
    if (!ini.isEmpty())
        rig.writeIni(ini);
    rig.startUp();
    QStringList expected = messages;
    for (QString &m : expected)
        m.replace(QLatin1String("\r"), QString(QChar(13)));
    QCOMPARE(rig.dialogs.texts(), expected);
    for (const auto &shown : rig.dialogs.shown)
        QCOMPARE(shown.buttons, Dialogs::Buttons::Ok);
    QVERIFY(!rig.readIni().contains("No Digitizer")); // replacements are not written back
}

void TestStartup::startupMenuStates_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("digitizeEnabled");
    QTest::addColumn<bool>("twoVisible");
    QTest::addColumn<QString>("xAxis");
    QTest::addColumn<QString>("filterStart");
    QTest::newRow("fastrak tevo") << "FASTRAK"
                                  << "TEVO"
                                  << "Pointra with FASTRAK - TEVO Coordinates" << true << true
                                  << "x-axis (Nasion)"
                                  << "Sequence File (*.seq)|*.seq|TEVO";
    QTest::newRow("isotrak besa") << "ISOTRAK"
                                  << "BESA"
                                  << "Pointra with ISOTRAK - BESA Coordinates" << true << false
                                  << "x-axis (RPA)"
                                  << "Sequence File (*.seq)|*.seq|BESA";
    QTest::newRow("patriot curry")
        << "PATRIOT"
        << "Curry"
        << "Pointra with PATRIOT - Curry Coordinates" << true << false << "x-axis (RPA)"
        << "Sequence File (*.seq)|*.seq|Curry";
    QTest::newRow("none") << "Polhemus"
                          << "TEVO"
                          << "Pointra with No Digitizer - TEVO Coordinates" << false << false
                          << "x-axis (Nasion)"
                          << "Sequence File (*.seq)|*.seq|TEVO";
}

void TestStartup::startupMenuStates()
{
    QFETCH(QString, type);
    QFETCH(QString, system);
    QFETCH(QString, caption);
    QFETCH(bool, digitizeEnabled);
    QFETCH(bool, twoVisible);
    QFETCH(QString, xAxis);
    QFETCH(QString, filterStart);
    TestRig rig;
    rig.writeIni(
        QStringLiteral("Digitizer Type=%1\r\nCoordinate System=%2\r\nDecimal Point=Comma\r\n"
                       "Hemisphere=0,0,-1\r\nnCommPort=3\r\nSound=ON\r\n")
            .arg(type, system)
            .toLatin1());
    rig.startUp();
    const UiState &ui = rig.ui;
    QCOMPARE(ui.caption, caption);
    QCOMPARE(ui.value("menuDigitize").enabled, digitizeEnabled);
    QCOMPARE(ui.value("menuTwo").visible, twoVisible);
    QCOMPARE(ui.value("menuThree").visible, twoVisible);
    QCOMPARE(ui.value("XAxis").text, xAxis);
    QVERIFY(ui.fileFilter.startsWith(filterStart));
    QCOMPARE(ui.value("Label3A").text, system);
    QVERIFY(ui.value("menuCoordinates" + system).checked);
    QCOMPARE(ui.value("menuDigitizer" + type).checked, digitizeEnabled);
    QVERIFY(ui.value("menuDecimalPointComma").checked);
    QVERIFY(!ui.value("menuDecimalPointPeriod").checked);
    QVERIFY(ui.value("menuZminus").checked);
    QVERIFY(ui.value("menuCommPort3").checked);
    QVERIFY(ui.value("menuSoundON").checked);
    QCOMPARE(ui.value("menuViewShape").enabled, system == QLatin1String("TEVO"));
    // No receivers chosen yet: nothing to digitize.
    QVERIFY(!ui.value("menuEProbes").enabled);
    QVERIFY(!ui.value("menuShape").enabled);
    QVERIFY(ui.value("menuCalibration").enabled);
    QVERIFY(!ui.value("menuFiducials").enabled);
    QCOMPARE(rig.ws.SoundEnabled, 1);
    QCOMPARE(rig.link.commPort(), 3);
    QCOMPARE(rig.link.settings(), type == QLatin1String("PATRIOT") ? QStringLiteral("115200,n,8,1")
                                                                   : QStringLiteral("19200,n,8,1"));
    QVERIFY(ui.value(type == QLatin1String("PATRIOT") ? "menu1152" : "menu192").checked);
}

void TestStartup::tmpFolder_data()
{
    QTest::addColumn<int>("files");
    QTest::newRow("no folder") << -1;
    QTest::newRow("empty folder") << 0;
    QTest::newRow("three prompts") << 3;
}

void TestStartup::tmpFolder()
{
    QFETCH(int, files);
    TestRig rig;
    rig.writeIni(FullIni);
    const QString tmp = rig.path("tmp");
    if (files >= 0) {
        QVERIFY(QDir().mkpath(tmp));
        for (int i = 0; i < files; ++i) {
            QFile f(QDir(tmp).filePath(QStringLiteral("p%1.wav").arg(i)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }
    rig.startUp();
    QVERIFY(!QFileInfo::exists(tmp));
    QVERIFY(QFileInfo::exists(rig.path("pointra.ini")));
}

void TestStartup::interactiveStartInitializesDigitizer()
{
    TestRig rig;
    rig.writeIni(FullIni);
    rig.startUp();
    QCOMPARE(rig.view.shown, 0);
    QVERIFY(rig.link.written.isEmpty());
    rig.shell.startInteractive();
    QCOMPARE(rig.view.shown, 1);
    QCOMPARE(rig.link.written.value(0), QByteArray("c"));
    QCOMPARE(rig.link.written.size(), 16);
    QVERIFY(!rig.link.isOpen());
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

    const QString qSeq = "Do you want to save the sequence file ?";
    const QString qEl = "Do you want to save the digitized electrode data ?";
    const QString qSh = "Do you want to save the digitized shape data ?";
    QTest::newRow("nothing unsaved")
        << 0 << 0 << 0 << QList<Answer>{} << QStringList{} << true << 0 << 1 << true;
    QTest::newRow("shape cancel") << 0 << 0 << 1 << QList<Answer>{Answer::Cancel}
                                  << QStringList{qSh} << false << 0 << 1 << true;
    QTest::newRow("all no") << 1 << 1 << 1 << QList<Answer>{Answer::No, Answer::No, Answer::No}
                            << QStringList{qSeq, qEl, qSh} << true << 0 << 1 << true;
    QTest::newRow("all yes") << 1 << 1 << 1 << QList<Answer>{Answer::Yes, Answer::Yes, Answer::Yes}
                             << QStringList{qSeq, qEl, qSh} << true << 3 << 0 << false;
    QTest::newRow("sequence cancel still asks the rest")
        << 1 << 1 << 0 << QList<Answer>{Answer::Cancel, Answer::No} << QStringList{qSeq, qEl}
        << false << 0 << 1 << true;
    QTest::newRow("electrodes yes keeps help")
        << 0 << 1 << 0 << QList<Answer>{Answer::Yes} << QStringList{qEl} << true << 1 << 0 << true;
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

    TestRig rig;
    rig.writeIni(FullIni);
    rig.startUp();
    rig.dialogs.clear();
    QVERIFY(QDir().mkpath(rig.path("tmp")));
    int saveCount = 0;
    rig.shell.saveAs = [&] { ++saveCount; };
    rig.ws.SeqDirty = seq;
    rig.ws.ElectrodesDirty = electrodes;
    rig.ws.ShapeDirty = shape;
    for (Answer a : answers)
        rig.dialogs.answers.enqueue(a);

    QCOMPARE(rig.shell.Form_Unload(), closes);
    QCOMPARE(rig.dialogs.texts(), questions);
    for (const auto &shown : rig.dialogs.shown) {
        QCOMPARE(shown.title, QStringLiteral("POINTRA"));
        QCOMPARE(shown.buttons, Dialogs::Buttons::YesNoCancel);
        QCOMPARE(shown.icon, Dialogs::Icon::Question);
    }
    QCOMPARE(saveCount, saves);
    QCOMPARE(rig.view.helpCloses, helpCloses);
    QCOMPARE(!QFileInfo::exists(rig.path("tmp")), tmpRemoved);
    QCOMPARE(rig.ws.ExitCancelled, closes ? 0 : 1);
}

void TestStartup::exitCancelledIsReset()
{
    TestRig rig;
    rig.writeIni(FullIni);
    rig.startUp();
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

void TestStartup::closeAfterRefusedCloseWorks()
{
    TestRig rig;
    rig.writeIni(FullIni);
    rig.startUp();
    rig.ws.SeqDirty = 1;
    rig.dialogs.answers.enqueue(Answer::Cancel);
    QVERIFY(!rig.shell.Form_Unload());
    rig.ws.SeqDirty = 0;
    QVERIFY(rig.shell.Form_Unload());
}

void TestStartup::about()
{
    TestRig rig;
    rig.invoke("menuHelpAbout");
    const QStringList lines = rig.view.aboutText.split(QChar(13));
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QStringLiteral("Pointra v 5. 0"));
    QCOMPARE(lines[1], QString());
    QCOMPARE(lines[2], QStringLiteral("Build  051209"));
    QVERIFY(lines[4].contains(QStringLiteral(POINTRA_VERSION)));
}

void TestStartup::helpContents()
{
    TestRig rig;
    rig.writeIni(FullIni);
    rig.startUp();
    rig.invoke("menuHelpContents");
    QVERIFY(rig.view.helpFile.endsWith("index.html"));
    QVERIFY(QFileInfo::exists(rig.view.helpFile));
    QVERIFY(!rig.ui.value("menuHelpIndex").enabled);
}

void TestStartup::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("cal");
    QTest::addColumn<QString>("fid");
    QTest::addColumn<QString>("probe");
    QTest::newRow("three names") << QStringList{"a.clb", "b.fid", "c.elp"} << true << "a.clb"
                                 << "b.fid"
                                 << "c.elp";
    QTest::newRow("last keeps blanks") << QStringList{"a", "b", "c", "d"} << true << "a"
                                       << "b"
                                       << "c d";
    QTest::newRow("blank inside one argument") << QStringList{"a b", "c"} << true << "a"
                                               << "b"
                                               << "c";
    QTest::newRow("two names") << QStringList{"a.clb", "b.fid"} << false << ""
                               << ""
                               << "";
    QTest::newRow("one name") << QStringList{"a.clb"} << false << ""
                              << ""
                              << "";
    QTest::newRow("empty middle") << QStringList{"a", "", "c"} << true << "a"
                                  << ""
                                  << "c";
}

void TestStartup::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(bool, valid);
    const auto names = splitBatchCommandLine(joinArguments(args));
    QCOMPARE(names.has_value(), valid);
    if (!valid)
        return;
    QFETCH(QString, cal);
    QFETCH(QString, fid);
    QFETCH(QString, probe);
    QCOMPARE(names->CalibrationFileName, cal);
    QCOMPARE(names->FiducialsFileName, fid);
    QCOMPARE(names->ProbeFileName, probe);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
