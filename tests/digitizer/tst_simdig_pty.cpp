#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "rig.h"
#include "simdig_process.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
using Outcome = Records::Outcome;
using Fixtures::Ini;
using M = DigitizerModel;

// pointra-simdig in its own process on a pseudo-terminal, opened by the real serial port.
class TestSimdigPty : public QObject
{
    Q_OBJECT
private slots:
    void startupBytes_data();
    void startupBytes();
    void recordThroughPty();
    void waitEnds();
    void missingPortIsNamed();
    void sweepLiesOnTheListedHead_data();
    void sweepLiesOnTheListedHead();
};

void TestSimdigPty::startupBytes_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("hemisphere");
    // clang-format off
    QTest::newRow("FASTRAK") << "FASTRAK" << "-1,0,0";
    QTest::newRow("ISOTRAK") << "ISOTRAK" << "0,-1,0";
    QTest::newRow("PATRIOT") << "PATRIOT" << "0,0,1";
    // clang-format on
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
    // An empty lock left by a program killed while opening the port does not block it.
    QString lockName = QFileInfo(sim.device()).canonicalFilePath().mid(5);
    QFile lock("/run/lock/LCK.." + lockName.replace('/', '_'));
    const bool planted = QFileInfo("/run/lock").isWritable() && lock.open(QIODevice::WriteOnly);
    lock.close();
    Rig rig(sim.device());
    rig.startUp(Ini().text());
    rig.invoke("menuInitialize");
    QVERIFY(!planted || !lock.exists());
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

// A wait ends by Cancel, and the next request is answered; it ends by the device's hang-up. Each
// closes the line.
void TestSimdigPty::waitEnds()
{
    SimdigProcess sim({"--model", "patriot"});
    QVERIFY(sim.ok());
    Rig rig(sim.device());
    rig.startUp(Ini{.model = "PATRIOT"}.text());
    QObject scope; // the timers die with the test's locals
    QTimer::singleShot(800, &scope, [&] { rig.s.wait.CancelRequested = 1; });
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Cancelled);
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(Records::PollDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(record.size(), 158);
    QTimer::singleShot(800, &scope, [&] { sim.stop(); });
    // Should the hang-up go unnoticed, the test ends through Cancel and fails instead of hanging.
    QTimer::singleShot(8000, &scope, [&] { rig.s.wait.CancelRequested = 1; });
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

void TestSimdigPty::sweepLiesOnTheListedHead_data()
{
    QTest::addColumn<M>("m");
    QTest::addColumn<QString>("sweep");
    QTest::addColumn<int>("length");
    // The host's side of a head shape: bytes sent 100 ms apart before the sweep, then once the
    // first record is in.
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    // clang-format off
    QTest::newRow("fastrak") << M::Fastrak << "sweep Fpz Cz Oz speed 10" << 293 << QByteArray("c") << QByteArray("C");
    QTest::newRow("isotrak") << M::Isotrak << "sweep T7 C3 Cz speed 6" << 178 << QByteArray("Yi\x04" "C") << QByteArray();
    QTest::newRow("patriot") << M::Patriot << "sweep F7 Fz F8 speed 8" << 158 << QByteArray() << QByteArray("C\r");
    // clang-format on
}

void TestSimdigPty::sweepLiesOnTheListedHead()
{
    QFETCH(M, m);
    QFETCH(QString, sweep);
    QFETCH(int, length);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    // --list-sites: "# ellipsoid CX CY CZ AX AY AZ", then "SITE X Y Z" a line (cm, head frame).
    const Fixtures::Run listing = Fixtures::run(POINTRA_SIMDIG, {"--list-sites"});
    QCOMPARE(listing.status, 0);
    QHash<QString, Point3> listed;
    for (const QString &line : listing.out.split('\n')) {
        const QStringList w = line.split(' ');
        const auto at = [&w](int i) {
            return Point3(w[i].toDouble(), w[i + 1].toDouble(), w[i + 2].toDouble());
        };
        if (w.size() == 4) {
            listed[w[0]] = at(1);
        } else if (w.size() == 8 && w[1] == "ellipsoid") {
            listed["ellipsoid"] = at(2);
            listed["axes"] = at(5);
        }
    }
    const QStringList sites = sweep.split(' ').mid(1, 3);
    QVERIFY(listed.contains("ellipsoid") && listed.contains("axes"));
    for (const QString &site : sites)
        QVERIFY(listed.contains(site));

    SimdigProcess sim({"--model", traitsOf(m).name.toLower(), "--noise", "0"});
    QVERIFY(sim.ok());
    Rig rig(sim.device());
    rig.startUp(Fixtures::Ini{.model = traitsOf(m).name}.text());
    DigitizerSetup::InitializeDigitizer(rig.s);
    QVERIFY(rig.link.open());
    rig.link.discardPending();
    for (char c : before) {
        rig.link.write(QByteArray(1, c));
        rig.s.clock.delayMs(100);
    }
    sim.send(sweep.toLatin1() + "\n");
    QElapsedTimer streamed;
    streamed.start();
    while (rig.link.bytesPending() == 0 && streamed.elapsed() < 5000)
        rig.s.pump.processEvents();
    QVERIFY(rig.link.bytesPending() > 0);
    rig.s.clock.delayMs(200);
    rig.link.write(after);
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
    std::vector<Point3> tips; // cm, head frame
    for (int i = 0; i < records; ++i) {
        QString record = QString::fromLatin1(bytes.mid(i * length, length));
        if (m == M::Isotrak)
            record = Records::rebuildIsotrak(record);
        const std::optional<Reading> r = Records::parseReading(m, record);
        QVERIFY2(r, qPrintable(record));
        // The head's own frame has the scalp's centre at its origin; the listing's frame has the
        // same axes with its origin between the preauricular points.
        tips.push_back(pose.block<3, 3>(0, 0).transpose() * (r->stylus - pose.block<3, 1>(0, 3)) *
                           100 +
                       listed["ellipsoid"]);
        // On the listed surface, along the ray from the centre, to the records' 0.01 cm steps.
        const Point3 d = tips.back() - listed["ellipsoid"];
        const double off = d.norm() * (1 - 1 / d.cwiseQuotient(listed["axes"]).norm());
        QVERIFY2(std::abs(off) < 0.015, qPrintable(QString::number(off)));
    }
    // From the first site to the last, passing each one between, without a jump longer than
    // twice the mean motion between two records (the start tap's record comes before the
    // stream).
    double path = 0;
    for (std::size_t i = 2; i < tips.size(); ++i)
        path += (tips[i] - tips[i - 1]).norm();
    const double spacing = 2 * path / (tips.size() - 2) + 0.3;
    for (std::size_t i = 2; i < tips.size(); ++i)
        QVERIFY((tips[i] - tips[i - 1]).norm() < spacing);
    QVERIFY((tips.front() - listed[sites.first()]).norm() < 0.3);
    QVERIFY((tips.back() - listed[sites.last()]).norm() < spacing);
    for (const QString &site : sites) {
        double nearest = 100;
        for (const Point3 &p : tips)
            nearest = std::min(nearest, (p - listed[site]).norm());
        QVERIFY2(nearest < spacing, qPrintable(site));
    }
}

QTEST_GUILESS_MAIN(TestSimdigPty)
#include "tst_simdig_pty.moc"
