#include "platform/auto_link.h"
#include "rig.h"

#include <QTest>

using Answer = Dialogs::Answer;

// What a lab's window offers beyond the measurement: File > New, service mode, the line status.
class TestLabWindow : public QObject
{
    Q_OBJECT
private slots:
    void newDataAsksThenClears_data();
    void newDataAsksThenClears();
    void serviceMenusOnlyInServiceMode();
    void statusSaysWhoAnswers();
};

void TestLabWindow::newDataAsksThenClears_data()
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

void TestLabWindow::newDataAsksThenClears()
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
    for (Answer a : answers)
        rig.dialogs.answers.enqueue(a);
    QCOMPARE(rig.invoke("menuNew"), true);
    QCOMPARE(rig.dialogs.shown.size(), answers.size());
    QCOMPARE(rig.ws.sensors.NumSensors, cleared ? 0 : 2);
    QCOMPARE(rig.ws.ElectrodeFile.isEmpty(), cleared);
    if (cleared) {
        // The convention can be chosen again without a restart.
        rig.invoke("menuCoordinatesBESA");
        QCOMPARE(rig.ws.settings.CoordinateSystem, QStringLiteral("BESA"));
    }
}

void TestLabWindow::serviceMenusOnlyInServiceMode()
{
    Rig rig;
    rig.start();
    for (bool service : {false, true}) {
        rig.app.shell.setServiceMode(service);
        for (const QString &menu : ShellController::ServiceMenus)
            QCOMPARE(rig.ui.value(menu).visible, service);
        QVERIFY(rig.ui.value("menuFile").visible);
    }
}

void TestLabWindow::statusSaysWhoAnswers()
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

QTEST_GUILESS_MAIN(TestLabWindow)
#include "tst_lab_window.moc"
