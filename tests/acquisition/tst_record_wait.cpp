#include "digitizer/record_wait.h"
#include "wizard_rig.h"

#include <QtTest>

using Outcome = Records::Outcome;
using Phase = RecordWait::Phase;
Q_DECLARE_METATYPE(DigitizerModel)
Q_DECLARE_METATYPE(Records::Outcome)

// The wait on its own, driven as a window timer drives it: advance time, poll.
class TestRecordWait : public QObject
{
    Q_OBJECT
private:
    static bool runUntil(Rig &rig, RecordWait &w, const std::function<bool()> &done,
                         int maxMs = 5000)
    {
        for (int t = 0; t <= maxMs; t += 10) {
            if (done())
                return true;
            rig.clock.advance(10);
            w.poll();
        }
        return done();
    }

private slots:
    void stylusRecord_data();
    void stylusRecord();
    void endsAtOnce_data();
    void endsAtOnce();
    void oneStationIsotrakNeedsNoReceiverBlock();
    void pollTakesOneRecordAtOnce();
};

void TestRecordWait::stylusRecord_data()
{
    QTest::addColumn<DigitizerModel>("model");
    QTest::addColumn<QByteArray>("hostBytes");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("firstWaitingMs");
    // clang-format off
    QTest::newRow("FASTRAK") << DigitizerModel::Fastrak << QByteArray("P")                  << 293 << 430;
    QTest::newRow("ISOTRAK") << DigitizerModel::Isotrak << QByteArray("PYE\x04P\x04T", 7)   << 115 << 630;
    QTest::newRow("PATRIOT") << DigitizerModel::Patriot << QByteArray("P")                  << 158 << 430;
    // clang-format on
}

void TestRecordWait::stylusRecord()
{
    QFETCH(DigitizerModel, model);
    QFETCH(QByteArray, hostBytes);
    QFETCH(int, length);
    QFETCH(int, firstWaitingMs);
    WizardRig rig(model);
    rig.link.clearHostBytes();
    RecordWait w(rig.s);
    const qint64 t0 = rig.clock.nowMs();
    QVERIFY(w.start(RecordWait::Kind::Stylus));
    QCOMPARE(w.phase(), Phase::Priming);
    QCOMPARE(w.msUntilDue(), 400);
    QVERIFY(runUntil(rig, w, [&] { return w.phase() == Phase::Waiting; }));
    QCOMPARE(rig.clock.nowMs() - t0, firstWaitingMs);
    // Nothing arrives without the button, however long the operator takes.
    rig.clock.advance(60000);
    QVERIFY(!w.poll());
    QCOMPARE(w.phase(), Phase::Waiting);
    rig.emu.touchSite("Fz");
    rig.emu.press();
    QVERIFY(runUntil(rig, w, [&] { return !w.running(); }));
    QCOMPARE(w.outcome(), Outcome::Received);
    QCOMPARE(w.record().size(), length);
    QCOMPARE(rig.link.hostBytes(), hostBytes);
    QVERIFY(!rig.link.isOpen());
    QVERIFY(rig.dialogs.shown.isEmpty());
    QVERIFY(w.reading());
    const Transform4 head = rig.emu.headPose();
    const Point3 fz = head.block<3, 3>(0, 0) * rig.emu.head().site("Fz") + head.block<3, 1>(0, 3);
    QVERIFY((w.reading()->stylus - fz).norm() < 2e-4);
}

void TestRecordWait::endsAtOnce_data()
{
    QTest::addColumn<DigitizerModel>("model");
    QTest::addColumn<Outcome>("reason");
    QTest::addColumn<QByteArray>("afterWaiting");
    // clang-format off
    QTest::newRow("FASTRAK next")     << DigitizerModel::Fastrak << Outcome::Next      << QByteArray();
    QTest::newRow("FASTRAK close")    << DigitizerModel::Fastrak << Outcome::Closed    << QByteArray();
    QTest::newRow("ISOTRAK next")     << DigitizerModel::Isotrak << Outcome::Next      << QByteArray("\x04T", 2);
    QTest::newRow("ISOTRAK cancel")   << DigitizerModel::Isotrak << Outcome::Cancelled << QByteArray("\x04T", 2);
    QTest::newRow("ISOTRAK close")    << DigitizerModel::Isotrak << Outcome::Closed    << QByteArray("\x04T", 2);
    QTest::newRow("PATRIOT back")     << DigitizerModel::Patriot << Outcome::Back      << QByteArray();
    // clang-format on
}

void TestRecordWait::endsAtOnce()
{
    QFETCH(DigitizerModel, model);
    QFETCH(Outcome, reason);
    QFETCH(QByteArray, afterWaiting);
    WizardRig rig(model);
    RecordWait w(rig.s);
    QVERIFY(w.start(RecordWait::Kind::Stylus));
    QVERIFY(runUntil(rig, w, [&] { return w.phase() == Phase::Waiting; }));
    rig.link.clearHostBytes();
    w.end(reason);
    QVERIFY(!w.running());
    QCOMPARE(w.outcome(), reason);
    QCOMPARE(rig.link.hostBytes(), afterWaiting);
    QVERIFY(!rig.link.isOpen());
    // A press after the end changes nothing. Waits ended as soon as they start (Back and Next
    // pressed at once) each ask for a record with "P": the late answers are dropped, and the
    // next wait takes only the record of its own press.
    rig.emu.press();
    QVERIFY(w.poll());
    QCOMPARE(w.outcome(), reason);
    for (int i = 0; i < 4; ++i) {
        QVERIFY(w.start(RecordWait::Kind::Stylus));
        w.end(reason);
    }
    QVERIFY(w.start(RecordWait::Kind::Stylus));
    QVERIFY(runUntil(rig, w, [&] { return w.phase() == Phase::Waiting; }));
    rig.clock.advance(3000);
    QVERIFY(!w.poll());
    rig.emu.press();
    QVERIFY(runUntil(rig, w, [&] { return !w.running(); }));
    QCOMPARE(w.outcome(), Outcome::Received);
}

void TestRecordWait::oneStationIsotrakNeedsNoReceiverBlock()
{
    Rig rig(DigitizerEmulator::Options{DigitizerModel::Isotrak, 0, 0.0, 7});
    rig.start();
    for (int blocks : {0, Records::AllBlocks}) {
        RecordWait w(rig.s);
        QVERIFY(w.start(RecordWait::Kind::Stylus, blocks));
        QVERIFY(runUntil(rig, w, [&] { return w.phase() == Phase::Waiting; }));
        rig.emu->press();
        QVERIFY(runUntil(rig, w, [&] { return !w.running(); }));
        QCOMPARE(w.outcome(), blocks == 0 ? Outcome::Received : Outcome::Refused);
    }
}

void TestRecordWait::pollTakesOneRecordAtOnce()
{
    WizardRig rig(DigitizerModel::Isotrak);
    RecordWait w(rig.s);
    rig.link.clearHostBytes();
    QVERIFY(w.start(RecordWait::Kind::Poll));
    QCOMPARE(w.phase(), Phase::Collecting);
    QCOMPARE(w.msUntilDue(), 350);
    rig.clock.advance(340);
    QVERIFY(!w.poll());
    rig.clock.advance(10);
    QVERIFY(w.poll());
    QCOMPARE(w.outcome(), Outcome::Received);
    // The raw answer stays as the device sent it; the reading comes from its rebuilt form.
    QCOMPARE(w.record().size(), 178);
    QVERIFY(w.reading());
    QCOMPARE(rig.link.hostBytes(), QByteArray("P"));
}

QTEST_GUILESS_MAIN(TestRecordWait)
#include "tst_record_wait.moc"
