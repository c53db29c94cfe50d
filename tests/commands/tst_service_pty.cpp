#include "commands/command_set.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "fake_dialogs.h"
#include "platform/qserial_link.h"
#include "platform/qt_event_pump.h"
#include "platform/steady_clock.h"
#include "seams/command_table.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"
#include "simdig_process.h"

#include <QTest>
#include <QTimer>

namespace {
// The menu commands on the real serial-port code, aimed at `device` as Comm port 1.
struct PortRig
{
    explicit PortRig(const QString &device)
    {
        qputenv("POINTRA_COMM1", device.toLocal8Bit());
        ws.settings = {DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 1, "OFF"};
        ws.AppPath = home.path();
        menus.registerAll(commands);
        DigitizerSetup::ApplySerialSettings(s);
    }
    QTemporaryDir home;
    Workspace ws;
    UiState ui;
    FakeDialogs dialogs;
    SteadyClock clock;
    QtEventPump pump;
    SilentAudio audio;
    QSerialLink link;
    Session s{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
    CommandSet menus{s};
    CommandTable commands;
};

// Records in what the device sent: one stylus block ("01...") each.
int stylusBlocks(const QByteArray &bytes)
{
    int n = 0;
    for (const QByteArray &line : bytes.split('\n'))
        n += line.startsWith("01") ? 1 : 0;
    return n;
}
} // namespace

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
    QTest::addColumn<QString>("ending");
    // clang-format off
    QTest::newRow("two receivers, stylus ends") << 2 << "stylus";
    QTest::newRow("no receiver, stop button") << 0 << "stop";
    // clang-format on
}

void TestServicePty::continuousTestCountsEveryRecord()
{
    QFETCH(int, receivers);
    QFETCH(QString, ending);
    QTemporaryDir logs;
    const QString sentLog = logs.filePath("out.log");
    SimdigProcess sim(
        {"--model", "fastrak", "--noise", "0", "--receivers", "2", "--log-out", sentLog});
    QVERIFY(sim.ok());
    PortRig rig(sim.device());
    QCOMPARE(DigitizerSetup::InitializeDigitizer(rig.s), DigitizerSetup::InitResult::Configured);
    rig.ws.ReceiverCount = receivers;
    sim.send(ending == "stylus" ? "wait 1500\npress\nwait 2500\npress\n" : "wait 1500\npress\n");
    QObject scope;
    if (ending == "stop")
        QTimer::singleShot(4000, &scope, [&rig] { rig.s.wait.CancelRequested = 1; });
    // Should nothing end it, the test fails instead of hanging.
    QTimer::singleShot(20000, &scope, [&rig] { rig.s.wait.CancelRequested = 1; });
    QVERIFY(rig.commands.invoke("menuFStartDigitizing"));
    const auto monitor = rig.menus.service.monitor();
    QVERIFY(monitor && monitor->finished());
    QCOMPARE(monitor->ending(),
             ending == "stylus" ? StreamMonitor::Ending::Stylus : StreamMonitor::Ending::Stopped);

    QFile log(sentLog);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const int sent = stylusBlocks(log.readAll());
    QVERIFY2(sent > 10, qPrintable(QString::number(sent)));
    QCOMPARE(monitor->records(), sent);
    QCOMPARE(monitor->takeShown().size(), sent);
    QCOMPARE(rig.dialogs.texts().last(),
             QStringLiteral("Digitizing Stopped - Total points %1").arg(sent));

    // The device answers in its normal output format again, all four stations on.
    QVERIFY(rig.commands.invoke("menuFO1"));
    QCOMPARE(rig.menus.service.dataString("menuFO1"), QStringLiteral("21O2,1\r\n"));
    QVERIFY(rig.commands.invoke("menuFastrakState01"));
    QCOMPARE(rig.menus.service.dataString("menuFastrakState01"), QStringLiteral("21l1111\r\n"));
    QString record;
    QCOMPARE(Records::PollDigitizerRecord(rig.s, record), Records::Outcome::Received);
    QCOMPARE(record.size(), 293);
    QVERIFY(Records::parseReading(DigitizerModel::Fastrak, record).has_value());
}

QTEST_GUILESS_MAIN(TestServicePty)
#include "tst_service_pty.moc"
