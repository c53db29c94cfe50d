#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "rig.h"
#include "simdig_process.h"

#include <QTest>
#include <QTimer>

using Outcome = Records::Outcome;
using Fixtures::Ini;

class TestSimdigPty : public QObject
{
    Q_OBJECT
private slots:
    void startupBytes_data();
    void startupBytes();
    void recordThroughPty();
    void cancelDuringWait();
    void emulatorKilledDuringWait();
    void missingPortIsNamed();
};

void TestSimdigPty::startupBytes_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("hemisphere");
    for (const char *model : {"FASTRAK", "ISOTRAK", "PATRIOT"})
        for (const char *hemi : {"0,0,1", "-1,0,0", "0,-1,0"})
            QTest::addRow("%s %s", model, hemi) << QString(model) << QString(hemi);
}

void TestSimdigPty::startupBytes()
{
    QFETCH(QString, model);
    QFETCH(QString, hemisphere);
    SimdigProcess sim({"--model", model.toLower(), "--noise", "0"});
    QVERIFY(sim.ok());
    Fixtures::Home home;
    home.write("pointra.ini", Ini{.model = model, .hemisphere = hemisphere}.text());
    const Fixtures::Run run = Fixtures::run(POINTRA_BIN, {},
                                            {{"POINTRA_HOME", home.path()},
                                             {"POINTRA_HEADLESS", "1"},
                                             {"POINTRA_COMM1", sim.device()}});
    QCOMPARE(run.status, 0);

    QByteArray expected;
    for (const QByteArray &c : traitsOf(modelFromName(model)).configuration(hemisphere))
        expected += c;
    // The start-up sequence, then the one poll of the headless report.
    expected += "P";
    QCOMPARE(sim.hostBytes(expected.size()), expected);
    QVERIFY2(run.out.contains(QStringLiteral("One record, ")), qPrintable(run.out));
}

void TestSimdigPty::recordThroughPty()
{
    SimdigProcess sim({"--model", "fastrak", "--noise", "0", "--receivers", "2"});
    QVERIFY(sim.ok());
    Rig rig(sim.device());
    rig.startUp(Ini().text());
    rig.invoke("menuInitialize");
    QVERIFY(rig.dialogs.shown.isEmpty());
    sim.send("touch Cz\nwait 700\npress\n");
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(record.size(), 293);
    QVERIFY(rig.dialogs.shown.isEmpty());

    DigitizerEmulator reference({DigitizerModel::Fastrak, 2, 0.0, 1});
    const std::optional<Reading> reading = Records::parseReading(DigitizerModel::Fastrak, record);
    QVERIFY(reading);
    QVERIFY(Fixtures::near(reading->stylus, siteInTransmitter(reference, "Cz"), 1e-4));
    QVERIFY(Fixtures::near(reading->receiver(2).transform(1), reference.receiverPose(1), 1e-4));
}

void TestSimdigPty::cancelDuringWait()
{
    SimdigProcess sim({"--model", "patriot"});
    QVERIFY(sim.ok());
    Rig rig(sim.device());
    rig.startUp(Ini{.model = "PATRIOT"}.text());
    QTimer::singleShot(800, [&] { rig.s.wait.CancelRequested = 1; });
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Cancelled);
    QVERIFY(!rig.link.isOpen());
    // The next request is answered.
    QCOMPARE(Records::PollDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(record.size(), 158);
}

void TestSimdigPty::emulatorKilledDuringWait()
{
    SimdigProcess sim({"--model", "fastrak"});
    QVERIFY(sim.ok());
    Rig rig(sim.device());
    rig.startUp(Ini().text());
    QTimer::singleShot(800, [&] { sim.stop(); });
    // Should the hang-up go unnoticed, the test ends through Cancel and fails instead of hanging.
    QTimer::singleShot(8000, [&] { rig.s.wait.CancelRequested = 1; });
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::DeviceGone);
    QVERIFY(rig.dialogs.texts().value(0).startsWith("The digitizer stopped answering."));
    QVERIFY(!rig.link.isOpen());
}

void TestSimdigPty::missingPortIsNamed()
{
    Fixtures::Home dir;
    const QString device = dir.path("no-such-port");
    Rig rig(device);
    rig.startUp(Ini().text());
    rig.invoke("menuInitialize");
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts().value(0).contains(device));
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::PortFailed);
    QCOMPARE(rig.dialogs.shown.size(), 2);
}

QTEST_GUILESS_MAIN(TestSimdigPty)
#include "tst_simdig_pty.moc"
