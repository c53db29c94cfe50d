#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/record_parser.h"
#include "fake_dialogs.h"
#include "platform/qserial_link.h"
#include "platform/qt_event_pump.h"
#include "platform/steady_clock.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"
#include "simdig_process.h"

#include <QTest>

using M = DigitizerModel;

namespace {
struct Ellipsoid
{
    Point3 centre;
    Point3 axes;
    // Distance off the surface along the ray from the centre, same unit as the axes.
    double off(const Point3 &p) const
    {
        const Point3 d = p - centre;
        const double k = d.cwiseQuotient(axes).norm();
        return d.norm() * (1 - 1 / k);
    }
};

// The first line of pointra-simdig --list-sites: "# ellipsoid CX CY CZ AX AY AZ" (cm).
std::optional<Ellipsoid> listedEllipsoid(QStringList *sites)
{
    QProcess p;
    p.start(QStringLiteral(POINTRA_SIMDIG), {"--list-sites"});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return std::nullopt;
    const QStringList lines = QString::fromLatin1(p.readAllStandardOutput()).split('\n');
    const QStringList w = lines.value(0).split(' ');
    if (w.size() != 8 || w[0] != "#" || w[1] != "ellipsoid")
        return std::nullopt;
    for (const QString &l : lines.mid(1))
        if (!l.isEmpty())
            *sites << l.section(' ', 0, 0);
    Ellipsoid e;
    for (int i = 0; i < 3; ++i) {
        e.centre[i] = w[2 + i].toDouble();
        e.axes[i] = w[5 + i].toDouble();
    }
    return e;
}

struct PortRig
{
    PortRig(M model, const QString &device)
    {
        qputenv("POINTRA_COMM1", device.toLocal8Bit());
        ws.settings = {model, "TEVO", "Period", "0,0,1", 1, "OFF"};
        DigitizerSetup::ApplySerialSettings(s);
    }
    // Reads until the line has been quiet for `quietMs`; a stream that never stops ends it
    // after `mostMs`.
    QByteArray readUntilQuiet(int quietMs, int mostMs)
    {
        QByteArray got;
        const qint64 start = clock.nowMs();
        qint64 last = start;
        while (clock.nowMs() - last < quietMs && clock.nowMs() - start < mostMs) {
            pump.processEvents();
            const QByteArray b = link.readAll();
            if (!b.isEmpty()) {
                got += b;
                last = clock.nowMs();
            }
        }
        return got;
    }
    Workspace ws;
    UiState ui;
    FakeDialogs dialogs;
    SteadyClock clock;
    QtEventPump pump;
    SilentAudio audio;
    QSerialLink link;
    Session s{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
};
} // namespace

class TestSweepPty : public QObject
{
    Q_OBJECT
private slots:
    void sweepLiesOnTheListedHead_data();
    void sweepLiesOnTheListedHead();
};

void TestSweepPty::sweepLiesOnTheListedHead_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("sweep");
    QTest::addColumn<int>("length");
    // clang-format off
    QTest::newRow("fastrak") << int(M::Fastrak) << "sweep Fpz Cz Oz speed 10" << 293;
    QTest::newRow("isotrak") << int(M::Isotrak) << "sweep T7 C3 Cz speed 6" << 178;
    QTest::newRow("patriot") << int(M::Patriot) << "sweep F7 Fz F8 speed 8" << 158;
    // clang-format on
}

void TestSweepPty::sweepLiesOnTheListedHead()
{
    QFETCH(int, model);
    QFETCH(QString, sweep);
    QFETCH(int, length);
    const M m = static_cast<M>(model);
    QStringList sites;
    const std::optional<Ellipsoid> head = listedEllipsoid(&sites);
    QVERIFY(head);
    for (const QString &s : sweep.split(' ').mid(1, 3))
        QVERIFY(sites.contains(s));

    SimdigProcess sim({"--model", traitsOf(m).name.toLower(), "--noise", "0"});
    QVERIFY(sim.ok());
    PortRig rig(m, sim.device());
    DigitizerSetup::InitializeDigitizer(rig.s);
    QVERIFY(rig.link.open());
    rig.link.discardPending();
    // The host's side of one head-shape sequence on this model.
    if (m == M::Fastrak) {
        rig.link.write("c");
        rig.clock.delayMs(100);
    } else if (m == M::Isotrak) {
        for (const char *c : {"Y", "i"}) {
            rig.link.write(c);
            rig.clock.delayMs(100);
        }
        rig.link.write("P");
        const int before = rig.link.bytesPending();
        rig.clock.delayMs(200);
        if (rig.link.bytesPending() != before) {
            rig.link.discardPending();
            rig.link.write("\x04");
            rig.clock.delayMs(100);
        }
        rig.link.write("C");
    }
    sim.send(sweep.toLatin1() + "\n");
    QElapsedTimer waited;
    waited.start();
    while (rig.link.bytesPending() == 0 && waited.elapsed() < 5000)
        rig.pump.processEvents();
    QVERIFY(rig.link.bytesPending() > 0);
    if (m == M::Fastrak) {
        rig.clock.delayMs(200);
        rig.link.write("C");
    } else if (m == M::Patriot) {
        rig.link.write("C\r");
    }
    QElapsedTimer streamed;
    streamed.start();
    const QByteArray bytes = rig.readUntilQuiet(1000, 20000);
    // The sweep's end stopped the stream.
    QVERIFY(streamed.elapsed() < 15000);
    rig.link.close();

    QCOMPARE(bytes.size() % length, 0);
    const int records = int(bytes.size() / length);
    QVERIFY2(records > 10, qPrintable(QString::number(records)));
    // The head of a fresh emulator: where pointra-simdig puts it.
    const DigitizerEmulator reference({m, 1, 0.0, 1});
    const Transform4 &pose = reference.headPose();
    for (int i = 0; i < records; ++i) {
        QString record = QString::fromLatin1(bytes.mid(i * length, length));
        if (m == M::Isotrak)
            record = Records::rebuildIsotrak(record);
        const std::optional<Reading> r = Records::parseReading(m, record);
        QVERIFY2(r, qPrintable(record));
        // The head's own frame has the scalp's centre at its origin; the listing's frame has
        // the same axes with the origin between the preauricular points.
        const Point3 inHead =
            pose.block<3, 3>(0, 0).transpose() * (r->stylus - pose.block<3, 1>(0, 3)) * 100 +
            head->centre;
        // On the listed surface to within the records' 0.01 cm steps.
        QVERIFY2(std::abs(head->off(inHead)) < 0.015,
                 qPrintable(QString::number(head->off(inHead))));
    }
}

QTEST_GUILESS_MAIN(TestSweepPty)
#include "tst_sweep_pty.moc"
