#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/emulator/stylus_script.h"

#include <Eigen/Geometry>
#include <QTest>
#include <cmath>

using Model = DigitizerEmulator::Model;

namespace {
constexpr int StepMs = 5;

// A host on virtual time: writes to the emulator, lets time pass and keeps what arrives.
struct Host
{
    explicit Host(Model model, int receivers = 1, int baud = 0) : emu({model, receivers, 0.0, 3})
    {
        if (baud)
            emu.setBaud(baud);
        send(model == Model::Patriot ? "U1\r" : "u");
    }
    void send(const QByteArray &bytes) { emu.receive(bytes, t); }
    void wait(int ms)
    {
        for (int i = 0; i < ms; i += StepMs) {
            t += StepMs;
            emu.advanceTo(t);
            got += emu.takeDelivered();
        }
    }
    DigitizerEmulator emu;
    qint64 t = 0;
    QByteArray got;
};

// Records are counted by their stylus blocks ("01..."), whatever the stations and lists.
int stylusBlocks(const QByteArray &bytes)
{
    int n = 0;
    for (const QByteArray &line : bytes.split('\n'))
        n += line.startsWith("01") ? 1 : 0;
    return n;
}

QByteArray unescaped(const QString &text)
{
    QByteArray out = text.toLatin1();
    out.replace("\\r", "\r");
    out.replace("^D", "\x04");
    out.replace("^Y", "\x19");
    out.replace("^Z", "\x1a");
    return out;
}

} // namespace

class TestEmulatorStreams : public QObject
{
    Q_OBJECT
private slots:
    void buttonAndStreams_data();
    void buttonAndStreams();
    void streamRates_data();
    void streamRates();
    void queries_data();
    void queries();
    void orientationItems_data();
    void orientationItems();
    void sweepCommand_data();
    void sweepCommand();
};

void TestEmulatorStreams::buttonAndStreams_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<QStringList>("steps");
    // Steps: ">TEXT" sends TEXT (\r, ^D, ^Y, ^Z escaped), "wait MS", "press", "hold",
    // "release", "mark" forgets what arrived, "=N" exactly N records arrived since the last
    // check or mark, "+N" at least N.
    // clang-format off
    QTest::newRow("fastrak poll") << Model::Fastrak << QStringList{">P", "wait 500", "=1"};
    QTest::newRow("fastrak press sends one record") << Model::Fastrak << QStringList{"press", "wait 500", "=1"};
    QTest::newRow("fastrak held button sends one record") << Model::Fastrak << QStringList{"hold", "wait 2000", "=1", "release", "wait 500", "=0"};
    QTest::newRow("fastrak e1,0 silences the button") << Model::Fastrak << QStringList{">e1,0\\r", "press", "wait 500", "=0", ">e1,1\\r", "press", "wait 500", "=1"};
    QTest::newRow("fastrak C streams until c") << Model::Fastrak << QStringList{">C", "wait 2000", "+10", ">c", "wait 400", "mark", "wait 1000", "=0"};
    QTest::newRow("fastrak press toggles the stream") << Model::Fastrak << QStringList{">C", "wait 1000", "+5", "press", "wait 400", "mark", "wait 1000", "=0", "press", "wait 1000", "+5"};
    QTest::newRow("fastrak e1,0 press leaves the stream") << Model::Fastrak << QStringList{">e1,0\\r", ">C", "wait 500", "press", "wait 400", "mark", "wait 1000", "+5"};
    QTest::newRow("fastrak no station no record") << Model::Fastrak << QStringList{">l1,0\\r", ">l2,0\\r", ">l3,0\\r", ">l4,0\\r", ">P", "wait 500", "=0"};
    QTest::newRow("fastrak ^Y ends the stream") << Model::Fastrak << QStringList{">C", "wait 500", ">^Y", "wait 400", "mark", "wait 1000", "=0"};
    QTest::newRow("patriot poll") << Model::Patriot << QStringList{">P", "wait 300", "=1"};
    QTest::newRow("patriot C and CR streams") << Model::Patriot << QStringList{">C\\r", "wait 1000", "+50"};
    QTest::newRow("patriot P stops the stream") << Model::Patriot << QStringList{">C\\r", "wait 1000", "+50", ">P", "wait 100", "mark", "wait 1000", "=0"};
    QTest::newRow("patriot press toggles the stream") << Model::Patriot << QStringList{">C\\r", "wait 500", "press", "wait 100", "mark", "wait 1000", "=0", "press", "wait 1000", "+50"};
    QTest::newRow("patriot L1,0 silences the button") << Model::Patriot << QStringList{">L1,0\\r", "press", "wait 300", "=0", ">L1,1\\r", "press", "wait 300", "=1"};
    QTest::newRow("isotrak poll") << Model::Isotrak << QStringList{">P", "wait 500", "=1"};
    QTest::newRow("isotrak Y alone still answers P") << Model::Isotrak << QStringList{">Y", ">P", "wait 500", "=1"};
    QTest::newRow("isotrak digitizer mode ignores P") << Model::Isotrak << QStringList{">Y", ">^D", ">P", "wait 500", "=0", ">^D", ">P", "wait 500", "=1"};
    QTest::newRow("isotrak T leaves digitizer mode") << Model::Isotrak << QStringList{">Y", ">^D", ">T", ">P", "wait 500", "=1"};
    QTest::newRow("isotrak T forgets ^D") << Model::Isotrak << QStringList{">Y", ">^D", ">T", ">Y", ">P", "wait 500", "=1"};
    // The wizard's sequences: shape mode, then Cancel's stop, then the wait for the stylus.
    QTest::newRow("isotrak shape, cancel, stylus wait") << Model::Isotrak << QStringList{">Y", ">i", ">^D", ">C", ">c", ">T", ">P", "wait 300", "=1", ">Y", ">E", ">^D", ">P", "wait 500", "=0", "press", "wait 300", "=1", ">^D", ">T"};
    // Accept's stop: P goes unanswered, so ^D is sent before T.
    QTest::newRow("isotrak shape, accept, stylus wait") << Model::Isotrak << QStringList{">Y", ">i", ">^D", ">C", ">c", ">P", "wait 300", "=0", ">^D", ">T", ">Y", ">E", ">^D", ">P", "wait 500", "=0", "press", "wait 300", "=1"};
    QTest::newRow("isotrak point mode: one record a press") << Model::Isotrak << QStringList{">Y", ">E", ">^D", ">C", "hold", "wait 2000", "=1", "release"};
    QTest::newRow("isotrak track mode streams while held") << Model::Isotrak << QStringList{">Y", ">i", ">^D", ">C", "wait 500", "=0", "hold", "wait 2000", "+10", "release", "wait 300", "mark", "wait 1000", "=0"};
    QTest::newRow("isotrak C outside digitizer mode") << Model::Isotrak << QStringList{">C", "wait 2000", "+10", ">^D", ">c", "wait 300", "mark", "wait 1000", "=0"};
    QTest::newRow("isotrak press toggles a stream") << Model::Isotrak << QStringList{">C", "wait 1000", "press", "wait 300", "mark", "wait 1000", "=0"};
    // clang-format on
}

void TestEmulatorStreams::buttonAndStreams()
{
    QFETCH(Model, model);
    QFETCH(QStringList, steps);
    Host h(model);
    h.wait(50);
    h.got.clear();
    int step = 0;
    for (const QString &s : steps) {
        ++step;
        if (s.startsWith('>')) {
            h.send(unescaped(s.mid(1)));
        } else if (s.startsWith("wait ")) {
            h.wait(s.mid(5).toInt());
        } else if (s == "press") {
            h.emu.press();
        } else if (s == "hold") {
            h.emu.hold();
        } else if (s == "release") {
            h.emu.release();
        } else if (s == "mark") {
            h.got.clear();
        } else {
            const int n = stylusBlocks(h.got);
            const int want = s.mid(1).toInt();
            const bool ok = s.startsWith('=') ? n == want : n >= want;
            QVERIFY2(
                ok, qPrintable(QStringLiteral("step %1 (%2): %3 records").arg(step).arg(s).arg(n)));
            h.got.clear();
        }
    }
}

void TestEmulatorStreams::streamRates_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<int>("length");
    QTest::addColumn<double>("perSecond");
    const QStringList none;
    const QStringList twoStations = {"l3,0\r", "l4,0\r"};
    const QStringList stylusOnly = {"l2,0\r", "l3,0\r", "l4,0\r"};
    const QStringList fullStylus = {"O1,2,5,6,7,1\r", "l4,0\r"};
    // clang-format off
    QTest::newRow("fastrak two stations 115200") << Model::Fastrak << 115200 << twoStations << 115 << 60.0;
    QTest::newRow("fastrak stylus only 115200") << Model::Fastrak << 115200 << stylusOnly << 26 << 120.0;
    QTest::newRow("fastrak stylus only 9600") << Model::Fastrak << 9600 << stylusOnly << 26 << 960.0 / 26;
    QTest::newRow("fastrak full stylus three stations 19200") << Model::Fastrak << 19200 << fullStylus << 267 << 1920.0 / 267;
    QTest::newRow("patriot 19200") << Model::Patriot << 19200 << none << 158 << 1920.0 / 158;
    QTest::newRow("isotrak 19200") << Model::Isotrak << 19200 << none << 178 << 1920.0 / 178;
    QTest::newRow("isotrak 115200") << Model::Isotrak << 115200 << none << 178 << 30.0;
    // clang-format on
}

void TestEmulatorStreams::streamRates()
{
    QFETCH(Model, model);
    QFETCH(int, baud);
    QFETCH(QStringList, setup);
    QFETCH(int, length);
    QFETCH(double, perSecond);
    Host h(model, 3, baud);
    for (const QString &c : setup)
        h.send(c.toLatin1());
    h.send(model == Model::Patriot ? "C\r" : "C");
    h.wait(10000);
    h.send("c");
    h.wait(1000);
    QCOMPARE(h.got.size() % length, 0); // whole records only, none cut or merged
    const int records = int(h.got.size() / length);
    QVERIFY2(std::abs(records / 10.0 - perSecond) <= 0.05 * perSecond + 0.2,
             qPrintable(QString::number(records / 10.0)));
    for (int i = 0; i < records; ++i)
        QVERIFY(h.got.mid(i * length, length).startsWith("01") &&
                h.got.mid(i * length, length).endsWith("\r\n"));
    // Never faster than ten bits a character.
    QVERIFY(h.got.size() <= 11 * baud / 10);
}

void TestEmulatorStreams::queries_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("answer");
    // clang-format off
    QTest::newRow("fastrak output list of station 3") << Model::Fastrak << QStringList{} << "O3\r" << "23O2,5,6,7,1\r\n";
    QTest::newRow("fastrak output list changed") << Model::Fastrak << QStringList{"O1,2,5,6,7,1\r"} << "O1\r" << "21O2,5,6,7,1\r\n";
    QTest::newRow("fastrak one receiver") << Model::Fastrak << QStringList{"l1,1\r", "l2,1\r", "l3,0\r", "l4,0\r"} << "l2\r" << "22l1100\r\n";
    QTest::newRow("fastrak ^Y restores the lists") << Model::Fastrak << QStringList{"O1,2,5,6,7,1\r", "\x19"} << "O1\r" << "21O2,1\r\n";
    QTest::newRow("patriot configuration") << Model::Patriot << QStringList{"O2,2,6,1\r"} << "\x1a\r"
        << "PATRIOT (emulated)\r\nSensor 1 on, output 2,1, hemisphere 0,0,1\r\n"
           "Sensor 2 on, output 2,6,1, hemisphere 0,0,1\r\n"
           "Units cm, stylus button sends records, continuous off\r\n";
    // clang-format on
}

void TestEmulatorStreams::queries()
{
    QFETCH(Model, model);
    QFETCH(QStringList, before);
    QFETCH(QString, query);
    QFETCH(QString, answer);
    Host h(model);
    for (const QString &c : before)
        h.send(c.toLatin1());
    h.wait(50);
    h.got.clear();
    h.send(query.toLatin1());
    h.wait(300);
    QCOMPARE(QString::fromLatin1(h.got), answer);
}

void TestEmulatorStreams::orientationItems_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("blockLength");
    // clang-format off
    QTest::newRow("euler angles") << "O2,2,4,1\r" << 47;
    QTest::newRow("quaternion") << "O2,2,11,1\r" << 54;
    QTest::newRow("cosines with a space") << "O2,2,0,5,6,7,1\r" << 90;
    // clang-format on
}

void TestEmulatorStreams::orientationItems()
{
    QFETCH(QString, list);
    QFETCH(int, blockLength);
    Host h(Model::Fastrak, 1);
    h.send("l1,0\r");
    h.send("l3,0\r");
    h.send("l4,0\r");
    h.send(list.toLatin1());
    h.send("P");
    h.wait(300);
    const QByteArray block = h.got;
    QCOMPARE(block.size(), blockLength);
    QVERIFY(block.startsWith("02 "));
    auto field = [&](int i, int offset) {
        return block.mid(offset + 7 * i, 7).trimmed().toDouble();
    };
    const Transform4 pose = h.emu.receiverPose(0);
    const Point3 position(field(0, 3), field(1, 3), field(2, 3));
    QVERIFY((position - pose.block<3, 1>(0, 3) * 100).norm() < 0.01);
    Eigen::Matrix3d r;
    if (list.contains(",4,")) {
        const double d = M_PI / 180;
        r = (Eigen::AngleAxisd(field(0, 24) * d, Eigen::Vector3d::UnitZ()) *
             Eigen::AngleAxisd(field(1, 24) * d, Eigen::Vector3d::UnitY()) *
             Eigen::AngleAxisd(field(2, 24) * d, Eigen::Vector3d::UnitX()))
                .toRotationMatrix();
    } else if (list.contains(",11,")) {
        r = Eigen::Quaterniond(field(0, 24), field(1, 24), field(2, 24), field(3, 24))
                .normalized()
                .toRotationMatrix();
    } else {
        // The space shifts the triples by one; the FASTRAK's triples are the rotation's rows.
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i)
                r(j, i) = field(3 * j + i, 25);
    }
    QVERIFY2((r - pose.block<3, 3>(0, 0)).cwiseAbs().maxCoeff() < 4e-4, qPrintable(QString(block)));
}

void TestEmulatorStreams::sweepCommand_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("sites");
    QTest::addColumn<double>("speed");
    // clang-format off
    QTest::newRow("two sites") << "sweep Fpz Cz" << true << 2 << StylusCommand::DefaultSweepSpeed;
    QTest::newRow("speed") << "sweep T7 Cz T8 speed 2.5" << true << 3 << 2.5;
    QTest::newRow("one site") << "sweep Cz" << false << 0 << 0.0;
    QTest::newRow("speed without sites") << "sweep Cz speed 3" << false << 0 << 0.0;
    QTest::newRow("speed not a number") << "sweep Fz Cz speed fast" << false << 0 << 0.0;
    QTest::newRow("speed zero") << "sweep Fz Cz speed 0" << false << 0 << 0.0;
    // clang-format on
}

void TestEmulatorStreams::sweepCommand()
{
    QFETCH(QString, line);
    QFETCH(bool, ok);
    QFETCH(int, sites);
    QFETCH(double, speed);
    std::optional<StylusCommand> c;
    QString error;
    QCOMPARE(parseStylusCommand(line, c, error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (!ok)
        return;
    QCOMPARE(c->sites.size(), sites);
    QCOMPARE(c->speed, speed);
    DigitizerEmulator emu({Model::Isotrak, 1, 0.0, 1});
    qint64 until = -1;
    QVERIFY(applyStylusCommand(*c, emu, error, &until));
    // The motion takes the path's length at that speed: more than the straight line.
    const double straight =
        (emu.head().site(c->sites.first()) - emu.head().site(c->sites.last())).norm();
    QVERIFY(until > straight * 100 / speed * 1000);
    QVERIFY(emu.buttonHeld());
    emu.advanceTo(until);
    QVERIFY(!emu.buttonHeld());
    QVERIFY((emu.stylusTip(until + 10) - emu.head().site(c->sites.last())).norm() < 1e-9);
    // An unknown site is named.
    std::optional<StylusCommand> bad;
    QVERIFY(parseStylusCommand("sweep Cz Nowhere", bad, error));
    QVERIFY(!applyStylusCommand(*bad, emu, error));
    QVERIFY(error.contains("Nowhere"));
}

QTEST_GUILESS_MAIN(TestEmulatorStreams)
#include "tst_emulator_streams.moc"
