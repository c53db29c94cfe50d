#include "digitizer/record_parser.h"
#include "rig.h"
#include "simdig_process.h"

#include <QRegularExpression>
#include <QTest>

using M = DigitizerModel;

class TestSweepPty : public QObject
{
    Q_OBJECT
private slots:
    void sweepLiesOnTheListedHead_data();
    void sweepLiesOnTheListedHead();
};

void TestSweepPty::sweepLiesOnTheListedHead_data()
{
    QTest::addColumn<M>("m");
    QTest::addColumn<QString>("sweep");
    QTest::addColumn<int>("length");
    // clang-format off
    QTest::newRow("fastrak") << M::Fastrak << "sweep Fpz Cz Oz speed 10" << 293;
    QTest::newRow("isotrak") << M::Isotrak << "sweep T7 C3 Cz speed 6" << 178;
    QTest::newRow("patriot") << M::Patriot << "sweep F7 Fz F8 speed 8" << 158;
    // clang-format on
}

void TestSweepPty::sweepLiesOnTheListedHead()
{
    QFETCH(M, m);
    QFETCH(QString, sweep);
    QFETCH(int, length);
    // The first line of --list-sites is "# ellipsoid CX CY CZ AX AY AZ" (cm), a site a line after.
    const Fixtures::Run listing = Fixtures::run(POINTRA_SIMDIG, {"--list-sites"});
    QCOMPARE(listing.status, 0);
    const QStringList lines = listing.out.split('\n');
    const QStringList w = lines.value(0).split(' ');
    QCOMPARE(w.mid(0, 2), (QStringList{"#", "ellipsoid"}));
    QCOMPARE(w.size(), 8);
    const Point3 centre(w[2].toDouble(), w[3].toDouble(), w[4].toDouble());
    const Point3 axes(w[5].toDouble(), w[6].toDouble(), w[7].toDouble());
    for (const QString &site : sweep.split(' ').mid(1, 3))
        QVERIFY(lines.filter(QRegularExpression("^" + site + " ")).size() == 1);

    SimdigProcess sim({"--model", traitsOf(m).name.toLower(), "--noise", "0"});
    QVERIFY(sim.ok());
    Rig rig(sim.device());
    rig.startUp(Fixtures::Ini{.model = traitsOf(m).name}.text());
    DigitizerSetup::InitializeDigitizer(rig.s);
    QVERIFY(rig.link.open());
    rig.link.discardPending();
    // The host's side of one head-shape sequence on this model.
    if (m == M::Fastrak) {
        rig.link.write("c");
        rig.s.clock.delayMs(100);
    } else if (m == M::Isotrak) {
        for (const char *c : {"Y", "i"}) {
            rig.link.write(c);
            rig.s.clock.delayMs(100);
        }
        rig.link.write("P");
        const int before = rig.link.bytesPending();
        rig.s.clock.delayMs(200);
        if (rig.link.bytesPending() != before) {
            rig.link.discardPending();
            rig.link.write("\x04");
            rig.s.clock.delayMs(100);
        }
        rig.link.write("C");
    }
    sim.send(sweep.toLatin1() + "\n");
    QElapsedTimer streamed;
    streamed.start();
    while (rig.link.bytesPending() == 0 && streamed.elapsed() < 5000)
        rig.s.pump.processEvents();
    QVERIFY(rig.link.bytesPending() > 0);
    if (m == M::Fastrak) {
        rig.s.clock.delayMs(200);
        rig.link.write("C");
    } else if (m == M::Patriot) {
        rig.link.write("C\r");
    }
    // Read until the line has been quiet for a second; the sweep's end stops the stream.
    QByteArray bytes;
    for (qint64 last = streamed.elapsed(); streamed.elapsed() - last < 1000;) {
        QVERIFY(streamed.elapsed() < 15000);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const QByteArray b = rig.link.readAll();
        bytes += b;
        last = b.isEmpty() ? last : streamed.elapsed();
    }
    rig.link.close();

    QCOMPARE(bytes.size() % length, 0);
    const int records = int(bytes.size() / length);
    QVERIFY2(records > 10, qPrintable(QString::number(records)));
    // The head of a fresh emulator: where pointra-simdig puts it.
    const Transform4 pose = DigitizerEmulator({m, 1, 0.0, 1}).headPose();
    for (int i = 0; i < records; ++i) {
        QString record = QString::fromLatin1(bytes.mid(i * length, length));
        if (m == M::Isotrak)
            record = Records::rebuildIsotrak(record);
        const std::optional<Reading> r = Records::parseReading(m, record);
        QVERIFY2(r, qPrintable(record));
        const Point3 d =
            pose.block<3, 3>(0, 0).transpose() * (r->stylus - pose.block<3, 1>(0, 3)) * 100 -
            centre;
        // On the listed surface, along the ray from the centre, to the records' 0.01 cm steps.
        const double off = d.norm() * (1 - 1 / d.cwiseQuotient(axes).norm());
        QVERIFY2(std::abs(off) < 0.015, qPrintable(QString::number(off)));
    }
}

QTEST_GUILESS_MAIN(TestSweepPty)
#include "tst_sweep_pty.moc"
