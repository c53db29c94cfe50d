#include "on_emulator.h"

#include <QRegularExpression>
#include <QTest>

using M = DigitizerModel;
using Ending = StreamMonitor::Ending;

namespace {
const QString StartPrompt = "To start, press button once\rTo stop, press button again once";

// Ends the test the way the row asks, once the stream has run for `afterMs`.
void arrangeEnding(OnEmulator &rig, const QString &how, qint64 afterMs)
{
    const qint64 at = rig.clock.nowMs() + afterMs;
    if (how == "stylus") {
        rig.emu->schedule(at, [&rig] { rig.emu->press(); });
    } else {
        rig.pump.onPass = [&rig, how, at](int) {
            if (rig.clock.nowMs() < at)
                return;
            if (how == "stop")
                rig.s.wait.CancelRequested = 1;
            else
                rig.emuLink->unplug(true);
        };
    }
}

} // namespace

class TestServiceStreams : public QObject
{
    Q_OBJECT
private slots:
    void startDigitizing_data();
    void startDigitizing();
    void stopWhileWaitingForTheButton();
    void pLoop_data();
    void pLoop();
};

void TestServiceStreams::startDigitizing_data()
{
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QByteArray>("stations"); // switched on for the test
    QTest::addColumn<QString>("ending");
    // clang-format off
    QTest::newRow("no receivers") << 0 << QByteArray("l1,1\rl2,0\rl3,0\rl4,0\r") << "stylus";
    QTest::newRow("two receivers") << 2 << QByteArray("l1,1\rl2,1\rl3,1\rl4,0\r") << "stylus";
    QTest::newRow("stop button") << 1 << QByteArray("l1,1\rl2,1\rl3,0\rl4,0\r") << "stop";
    QTest::newRow("device lost") << 2 << QByteArray("l1,1\rl2,1\rl3,1\rl4,0\r") << "unplug";
    // clang-format on
}

void TestServiceStreams::startDigitizing()
{
    QFETCH(int, receivers);
    QFETCH(QByteArray, stations);
    QFETCH(QString, ending);
    OnEmulator rig(M::Fastrak, 3);
    rig.ws.ReceiverCount = receivers;
    const int sentBefore = rig.emu->recordsSent();
    // The operator presses once to start; the row's ending comes two seconds later.
    const qint64 press = rig.clock.nowMs() + 500;
    rig.emu->schedule(press, [&rig, ending] {
        rig.emu->press();
        arrangeEnding(rig, ending, 2000);
    });
    QVERIFY(rig.invoke("menuFStartDigitizing"));

    const auto monitor = rig.app.menus.service.monitor();
    QVERIFY(monitor && monitor->finished() && !rig.link.isOpen());
    const QByteArray host = rig.emuLink->hostBytes();
    const QByteArray opening = "O1,2,5,6,7,1\r" + stations + "cC";
    const int sent = rig.emu->recordsSent() - sentBefore;
    QVERIFY(sent > 5);
    const QStringList texts = rig.dialogs.texts();
    QCOMPARE(texts.first(), StartPrompt);
    QCOMPARE(texts.last(),
             QStringLiteral("Digitizing Stopped - Total points %1").arg(monitor->records()));
    if (ending == "unplug") {
        // Nothing reaches a device that is gone; the record cut by the loss is not counted.
        QCOMPARE(host, opening);
        QCOMPARE(monitor->ending(), Ending::DeviceGone);
        QVERIFY(monitor->records() >= sent - 1 && monitor->records() <= sent);
        QCOMPARE(texts.size(), 3);
        QVERIFY(texts[1].startsWith("The digitizer stopped answering."));
        return;
    }
    const QByteArray closing = "O1,2,1\rl1,1\rl2,1\rl3,1\rl4,1\rce1,0\re1,1\r";
    // Stopped from the window, the stream is ended before the device is restored.
    QCOMPARE(host, opening + (ending == "stop" ? "c" + closing : closing));
    QCOMPARE(monitor->records(), sent);
    QCOMPARE(monitor->ending(), ending == "stylus" ? Ending::Stylus : Ending::Stopped);
    QCOMPARE(texts.size(), 2);
    // Each record shown holds the stylus and the receivers switched on.
    const QStringList shown = monitor->takeShown();
    QCOMPARE(shown.size(), sent);
    QCOMPARE(shown.last().split(QChar(13)).size(), 1 + receivers);
}

void TestServiceStreams::stopWhileWaitingForTheButton()
{
    OnEmulator rig(M::Fastrak, 1);
    rig.ws.ReceiverCount = 1;
    rig.pump.onPass = [&rig](int pass) {
        if (pass == 100)
            rig.s.wait.CancelRequested = 1;
    };
    QVERIFY(rig.invoke("menuFStartDigitizing"));
    const auto monitor = rig.app.menus.service.monitor();
    QCOMPARE(monitor->ending(), Ending::Stopped);
    QCOMPARE(monitor->records(), 0);
    // No stream was asked for, so none is stopped.
    QVERIFY(!rig.emuLink->hostBytes().contains('C'));
    QCOMPARE(rig.dialogs.texts().last(), QStringLiteral("Digitizing Stopped - Total points 0"));
}

void TestServiceStreams::pLoop_data()
{
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QString>("ending");
    // clang-format off
    QTest::newRow("stylus") << 1 << "stylus";
    QTest::newRow("stop button") << 1 << "stop";
    QTest::newRow("one station") << 0 << "stop";
    QTest::newRow("device lost") << 1 << "unplug";
    // clang-format on
}

void TestServiceStreams::pLoop()
{
    QFETCH(int, receivers);
    QFETCH(QString, ending);
    OnEmulator rig(M::Isotrak, receivers);
    rig.ws.ReceiverCount = receivers;
    const int sentBefore = rig.emu->recordsSent();
    arrangeEnding(rig, ending, 3000);
    QVERIFY(rig.invoke("menuTestPLoop"));
    const auto monitor = rig.app.menus.service.monitor();
    QVERIFY(monitor->finished() && !rig.link.isOpen());
    const QByteArray host = rig.emuLink->hostBytes();
    const int sent = rig.emu->recordsSent() - sentBefore;
    QVERIFY(sent > 5);
    // Whole records, and at the end what the loss of the device cut short (not counted).
    const QStringList shown = monitor->takeShown();
    QCOMPARE(shown.filter(QRegularExpression("^Stylus: ")).size(), monitor->records());
    for (qsizetype i = 0; i < monitor->records() - (ending == "unplug" ? 1 : 0); ++i)
        QCOMPARE(shown[i].split(QChar(13)).size(), receivers == 0 ? 1 : 2);
    if (ending == "unplug") {
        QCOMPARE(host, QByteArray("\4C"));
        QCOMPARE(monitor->ending(), Ending::DeviceGone);
        QVERIFY(monitor->records() >= sent - 1 && monitor->records() <= sent);
        QCOMPARE(rig.dialogs.shown.size(), 1);
        return;
    }
    QCOMPARE(host, QByteArray("\4C\4c"));
    QCOMPARE(monitor->records(), sent);
    QVERIFY(rig.dialogs.shown.isEmpty());
    // The stream is off afterwards.
    rig.clock.advance(1000);
    QVERIFY(rig.link.open());
    rig.link.discardPending();
    rig.clock.advance(1000);
    QCOMPARE(rig.link.bytesPending(), 0);
}

QTEST_GUILESS_MAIN(TestServiceStreams)
#include "tst_service_streams.moc"
