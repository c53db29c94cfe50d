#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "rig.h"
#include "simdig_process.h"

#include <QTest>
#include <QTimer>

class TestServicePty : public QObject
{
    Q_OBJECT
private slots:
    void continuousTestCountsEveryRecord_data();
    void continuousTestCountsEveryRecord();
};

void TestServicePty::continuousTestCountsEveryRecord_data()
{
    QTest::addColumn<int>("receivers");
    QTest::addColumn<bool>("stylusEnds"); // else the Stop button
    // clang-format off
    QTest::newRow("two receivers, stylus ends") << 2 << true;
    QTest::newRow("no receiver, stop button") << 0 << false;
    // clang-format on
}

void TestServicePty::continuousTestCountsEveryRecord()
{
    QFETCH(int, receivers);
    QFETCH(bool, stylusEnds);
    Fixtures::Home logs;
    SimdigProcess sim({"--model", "fastrak", "--noise", "0", "--receivers", "2", "--log-out",
                       logs.path("out.log")});
    QVERIFY(sim.ok());
    Rig rig(sim.device());
    rig.startUp(Fixtures::Ini().text());
    QCOMPARE(DigitizerSetup::InitializeDigitizer(rig.s), DigitizerSetup::InitResult::Configured);
    rig.ws.ReceiverCount = receivers;
    sim.send(stylusEnds ? "wait 1500\npress\nwait 2500\npress\n" : "wait 1500\npress\n");
    QObject scope;
    if (!stylusEnds)
        QTimer::singleShot(4000, &scope, [&rig] { rig.s.wait.CancelRequested = 1; });
    // Should nothing end it, the test fails instead of hanging.
    QTimer::singleShot(20000, &scope, [&rig] { rig.s.wait.CancelRequested = 1; });
    QVERIFY(rig.invoke("menuFStartDigitizing"));
    const auto monitor = rig.app.menus.service.monitor();
    QVERIFY(monitor && monitor->finished());
    QCOMPARE(monitor->ending(),
             stylusEnds ? StreamMonitor::Ending::Stylus : StreamMonitor::Ending::Stopped);

    // Records counted by their stylus blocks ("01...") in what the device sent.
    int sent = 0;
    for (const QByteArray &line : logs.read("out.log").split('\n'))
        sent += line.startsWith("01") ? 1 : 0;
    QVERIFY2(sent > 10, qPrintable(QString::number(sent)));
    QCOMPARE(monitor->records(), sent);
    QCOMPARE(monitor->takeShown().size(), sent);
    QCOMPARE(rig.dialogs.texts().last(),
             QStringLiteral("Digitizing Stopped - Total points %1").arg(sent));

    // The device answers in its normal output format again, all four stations on.
    QVERIFY(rig.invoke("menuFO1"));
    QCOMPARE(rig.app.menus.service.dataString("menuFO1"), QStringLiteral("21O2,1\r\n"));
    QVERIFY(rig.invoke("menuFastrakState01"));
    QCOMPARE(rig.app.menus.service.dataString("menuFastrakState01"), QStringLiteral("21l1111\r\n"));
    QString record;
    QCOMPARE(Records::PollDigitizerRecord(rig.s, record), Records::Outcome::Received);
    QCOMPARE(record.size(), 293);
    QVERIFY(Records::parseReading(DigitizerModel::Fastrak, record).has_value());
}

QTEST_GUILESS_MAIN(TestServicePty)
#include "tst_service_pty.moc"
