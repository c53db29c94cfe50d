#include "digitizer/emulator/stylus_script.h"
#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "geometry/frames.h"
#include "rig.h"

#include <Eigen/LU>
#include <QTest>
#include <cmath>

using Model = DigitizerModel;
using Fixtures::near;

namespace {
// The stylus of the record the emulator would send now (FASTRAK layout).
Point3 stylus(DigitizerEmulator &emu)
{
    const auto r = Records::parseReading(Model::Fastrak, QString::fromLatin1(emu.record()));
    return r ? r->stylus : Point3::Constant(99);
}

DigitizerEmulator fastrakInCentimetres(int receivers = 1, double noiseCm = 0.0, quint32 seed = 1)
{
    DigitizerEmulator emu({Model::Fastrak, receivers, noiseCm, seed});
    emu.receive("u", 0);
    return emu;
}

} // namespace

class TestEmulator : public QObject
{
    Q_OBJECT
private slots:
    void recordLayout_data();
    void recordLayout();
    void streamingIsLimitedByTheLine_data();
    void streamingIsLimitedByTheLine();
    void headMotionMovesSitesAndReceivers();
    void unitsAndNoise();
    void rateChangeOnBothEnds();
    void oneStationIsotrakChoosesNoReceivers();
    void stylusCommands_data();
    void stylusCommands();
};

void TestEmulator::recordLayout_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<int>>("crlfAt"); // 1-based positions of CR
    // clang-format off
    QTest::newRow("fastrak") << Model::Fastrak << 293 << QList<int>{25, 114, 203, 292};
    QTest::newRow("isotrak") << Model::Isotrak << 178 << QList<int>{88, 177};
    QTest::newRow("patriot") << Model::Patriot << 158 << QList<int>{32, 157};
    // clang-format on
}

void TestEmulator::recordLayout()
{
    QFETCH(Model, model);
    QFETCH(int, length);
    QFETCH(QList<int>, crlfAt);
    DigitizerEmulator emu({model, 3, 0.0, 1});
    const QByteArray r = emu.record();
    QCOMPARE(r.size(), length);
    for (int cr : crlfAt) {
        QCOMPARE(r.at(cr - 1), '\r');
        QCOMPARE(r.at(cr), '\n');
    }
    QCOMPARE(r.count('\r'), crlfAt.size());
    if (model == Model::Fastrak) {
        for (int st : {3, 29, 118, 207})
            QCOMPARE(r.at(st - 1), ' '); // status blank
    }
}

void TestEmulator::streamingIsLimitedByTheLine_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<int>("baud");
    QTest::addColumn<double>("perSecond");
    // clang-format off
    // 293 characters at 1,920 characters/s: the line allows 6.55 records/s, the device 30.
    QTest::newRow("fastrak 19200") << Model::Fastrak << 19200 << 1920.0 / 293;
    // At 115200 the device's 30 records/s (120 Hz over four stations) are the limit.
    QTest::newRow("fastrak 115200") << Model::Fastrak << 115200 << 30.0;
    QTest::newRow("patriot 115200") << Model::Patriot << 115200 << 60.0;
    // clang-format on
}

void TestEmulator::streamingIsLimitedByTheLine()
{
    QFETCH(Model, model);
    QFETCH(int, baud);
    QFETCH(double, perSecond);
    DigitizerEmulator emu({model, 1, 0.0, 1});
    emu.setBaud(baud);
    emu.receive(model == Model::Patriot ? "U1\r" : "u", 0);
    const int length = emu.record().size();
    emu.receive(model == Model::Patriot ? "C\r" : "C", 0);
    QByteArray bytes;
    for (qint64 t = 0; t <= 10000; t += 7) {
        emu.advanceTo(t);
        bytes += emu.takeDelivered();
    }
    emu.receive(model == Model::Patriot ? "P" : "c", 10000);
    int records = 0;
    for (qsizetype i = 0; i + length <= bytes.size(); i += length, ++records)
        QVERIFY(bytes.mid(i, length).endsWith("\r\n")); // whole records, none cut or merged
    QVERIFY(std::abs(records / 10.0 - perSecond) <= 0.1 * perSecond + 1);
    QVERIFY(bytes.size() / 10.0 <= baud / 10.0 + 1);
}

void TestEmulator::headMotionMovesSitesAndReceivers()
{
    DigitizerEmulator emu = fastrakInCentimetres(2);
    const Transform4 before = emu.receiverPose(0);
    const Point3 pzBefore = siteInTransmitter(emu, "Pz");
    emu.moveHead(0.05, -0.02, 0.03, 10, -20, 30);
    const Transform4 after = emu.receiverPose(0);
    QVERIFY((after - before).norm() > 0.1);
    // The receiver moves with the head: the site in the receiver's frame stays put.
    QVERIFY(near(transformed(before.inverse(), pzBefore),
                 transformed(after.inverse(), siteInTransmitter(emu, "Pz"))));
    QVERIFY(emu.receiverPose(2).isApprox(fastrakInCentimetres(2).receiverPose(2)));
}

void TestEmulator::unitsAndNoise()
{
    DigitizerEmulator exact({Model::Fastrak, 1, 0.0, 1});
    const Point3 inches = stylus(exact);
    exact.receive("u", 0);
    const Point3 cms = stylus(exact);
    QVERIFY(near(cms, siteInTransmitter(exact, "Cz"), 1e-4));
    QVERIFY(near(inches * 2.54, cms, 1e-3));
    // Seeded noise of the requested spread.
    DigitizerEmulator emu = fastrakInCentimetres(1, 0.5, 42);
    const Point3 truth = siteInTransmitter(emu, "Cz");
    double sum = 0;
    const int n = 2000;
    for (int i = 0; i < n; ++i)
        sum += (stylus(emu) - truth).squaredNorm();
    const double rmsCm = std::sqrt(sum / n) * 100;
    QVERIFY2(std::abs(rmsCm - 0.5) < 0.03, qPrintable(QString::number(rmsCm)));
    DigitizerEmulator again = fastrakInCentimetres(1, 0.5, 42);
    DigitizerEmulator first = fastrakInCentimetres(1, 0.5, 42);
    QCOMPARE(again.record(), first.record()); // seeded
}

void TestEmulator::rateChangeOnBothEnds()
{
    Rig rig(DigitizerEmulator::Options{Model::Fastrak, 1, 0.0, 7});
    rig.start();
    rig.emu->hold(); // records are streaming while the rate changes
    rig.clock.advance(500);
    rig.invoke("menu1152");
    QCOMPARE(rig.emu->baud(), 115200);
    QCOMPARE(rig.link.settings(), "115200,n,8,1");
    QVERIFY(rig.ui.value("menu1152").checked);
    rig.emu->release();
    rig.clock.advance(500);
    QString record;
    rig.pressAfter(600);
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Records::Outcome::Received);
    QCOMPARE(record.size(), 293);
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestEmulator::oneStationIsotrakChoosesNoReceivers()
{
    Rig one(DigitizerEmulator::Options{Model::Isotrak, 0, 0.0, 7});
    one.start();
    QCOMPARE(one.ws.ReceiverCount, 0);
    QVERIFY(one.ui.value("menuZero").checked);
    QVERIFY(!one.ui.value("menuOne").enabled);
    Rig two(DigitizerEmulator::Options{Model::Isotrak, 1, 0.0, 7});
    two.start();
    QCOMPARE(two.ws.ReceiverCount, -1);
}

void TestEmulator::stylusCommands_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("command");
    // clang-format off
    QTest::newRow("touch site") << "touch Cz" << true << true;
    QTest::newRow("touch point") << "touch 1.0 2.0 9.5" << true << true;
    QTest::newRow("touch two numbers") << "touch 1 2" << false << false;
    QTest::newRow("press") << "  press  " << true << true;
    QTest::newRow("move head") << "move-head 1 0 0 0 0 30" << true << true;
    QTest::newRow("move head short") << "move-head 1 0" << false << false;
    QTest::newRow("wait") << "wait 250" << true << true;
    QTest::newRow("wait negative") << "wait -5" << false << false;
    QTest::newRow("comment") << "# a comment" << true << false;
    QTest::newRow("blank") << "   " << true << false;
    QTest::newRow("unknown") << "jump" << false << false;
    // clang-format on
}

void TestEmulator::stylusCommands()
{
    QFETCH(QString, line);
    QFETCH(bool, ok);
    QFETCH(bool, command);
    std::optional<StylusCommand> c;
    QString error;
    QCOMPARE(parseStylusCommand(line, c, error), ok);
    QCOMPARE(c.has_value(), command);
    QCOMPARE(error.isEmpty(), ok);
    if (!c)
        return;
    DigitizerEmulator emu = fastrakInCentimetres();
    QVERIFY(applyStylusCommand(*c, emu, error));
    if (line == "touch 1.0 2.0 9.5") {
        const Transform4 h = emu.headPose();
        const Point3 expected =
            h.block<3, 3>(0, 0) * Point3(0.01, 0.02, 0.095) + h.block<3, 1>(0, 3);
        QVERIFY(near(stylus(emu), expected, 1e-4));
    }
}

QTEST_GUILESS_MAIN(TestEmulator)
#include "tst_emulator.moc"
