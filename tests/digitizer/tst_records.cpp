#include "digitizer/emulator/stylus_script.h"
#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "rig.h"

#include <QTest>
#include <cmath>
using Model = DigitizerModel;
using Outcome = Records::Outcome;
using Fixtures::near;
Q_DECLARE_METATYPE(Transform4)

namespace {
constexpr int StepMs = 5;

// A host on virtual time: writes to the emulator, lets time pass and keeps what arrives.
struct Host
{
    explicit Host(Model model) : emu({model, 1, 0.0, 3})
    {
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
    return out;
}

// A FASTRAK record with the stylus at `tip` and every receiver at `pos` with the given triples.
QString fastrakRecord(const Point3 &tip, const Point3 &pos, const double triples[9])
{
    QString r = QStringLiteral("01 ") +
                QString::asprintf("%7.2f%7.2f%7.2f", tip[0], tip[1], tip[2]) + "\r\n";
    for (int st = 2; st <= 4; ++st) {
        r += QStringLiteral("0%1 ").arg(st) +
             QString::asprintf("%7.2f%7.2f%7.2f", pos[0], pos[1], pos[2]);
        for (int i = 0; i < 9; ++i)
            r += QString::asprintf("%7.4f", triples[i]);
        r += "\r\n";
    }
    return r;
}

Transform4 rows(std::initializer_list<double> v)
{
    return Eigen::Map<const Eigen::Matrix<double, 4, 4, Eigen::RowMajor>>(v.begin());
}

Point3 stylusOf(Model model, const QString &record)
{
    const std::optional<Reading> r = Records::parseReading(model, record);
    return r ? r->stylus : Point3::Constant(99);
}

// A session on the emulator of `model`, configured as at start-up.
std::unique_ptr<Rig> emulated(Model model)
{
    auto rig = std::make_unique<Rig>(DigitizerEmulator::Options{model, 1, 0.0, 7});
    rig->start();
    return rig;
}

} // namespace

// Records as the host reads them, and the emulator that sends them: layouts, streams and the
// stylus script.
class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void buttonAndStreams_data();
    void buttonAndStreams();
    void lineRates();
    void stylusScript_data();
    void stylusScript();
    void parse_data();
    void parse();
    void recordProblem_data();
    void recordProblem();
};

void TestRecords::buttonAndStreams_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<QStringList>("steps");
    // Steps: ">TEXT" sends TEXT (\r, ^D, ^Y escaped), "wait MS", "press", "hold",
    // "release", "mark" forgets what arrived, "=N" exactly N records arrived since the last
    // check or mark, "+N" at least N.
    // clang-format off
    QTest::newRow("fastrak poll") << Model::Fastrak << QStringList{">P", "wait 500", "=1"};
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

void TestRecords::buttonAndStreams()
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

// A baud item changes both ends while records stream; a device that changed its rate behind the
// program's back has every record refused, and none hangs.
void TestRecords::lineRates()
{
    auto rig = emulated(Model::Fastrak);
    rig->emu->hold();
    rig->clock.advance(500);
    rig->invoke("menu1152");
    QCOMPARE(rig->emu->baud(), 115200);
    QCOMPARE(rig->link.settings(), "115200,n,8,1");
    rig->emu->release();
    rig->clock.advance(500);
    QString record;
    rig->pressAfter(600);
    QCOMPARE(Records::ReadDigitizerRecord(rig->s, record), Outcome::Received);
    QCOMPARE(record.size(), 293);
    QVERIFY(rig->dialogs.shown.isEmpty());
    rig->emu->setBaud(9600);
    rig->pressAfter(1000);
    QCOMPARE(Records::ReadDigitizerRecord(rig->s, record), Outcome::Refused);
    QCOMPARE(rig->dialogs.shown.size(), 1);
    QVERIFY2(rig->dialogs.texts()[0].endsWith("\r\rPlease repeat the measurement"),
             qPrintable(rig->dialogs.texts()[0]));
    QVERIFY(!rig->link.isOpen());
}

void TestRecords::stylusScript_data()
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
    QTest::newRow("wait negative") << "wait -5" << false << false;
    QTest::newRow("comment") << "# a comment" << true << false;
    QTest::newRow("blank") << "   " << true << false;
    QTest::newRow("unknown") << "jump" << false << false;
    QTest::newRow("sweep") << "sweep T7 Cz T8 speed 2.5" << true << true;
    QTest::newRow("sweep to an unknown site") << "sweep Cz Nowhere" << true << true;
    QTest::newRow("sweep of one site") << "sweep Cz" << false << false;
    QTest::newRow("speed without sites") << "sweep Cz speed 3" << false << false;
    QTest::newRow("speed not a number") << "sweep Fz Cz speed fast" << false << false;
    QTest::newRow("speed zero") << "sweep Fz Cz speed 0" << false << false;
    // clang-format on
}

void TestRecords::stylusScript()
{
    QFETCH(QString, line);
    QFETCH(bool, ok);
    std::optional<StylusCommand> c;
    QString error;
    QCOMPARE(parseStylusCommand(line, c, error), ok);
    QTEST(c.has_value(), "command");
    QCOMPARE(error.isEmpty(), ok);
    if (!c)
        return;
    // The ISOTRAK streams while its button is held: a sweep holds it.
    DigitizerEmulator emu(
        {c->kind == StylusCommand::Kind::Sweep ? Model::Isotrak : Model::Fastrak, 1, 0.0, 1});
    emu.receive("u", 0);
    qint64 until = -1;
    const bool known = !line.contains("Nowhere");
    QCOMPARE(applyStylusCommand(*c, emu, error, &until), known);
    QCOMPARE(error.contains("Nowhere"), !known); // an unknown site is named
    const VirtualHead &head = emu.head();
    if (line == "touch 1.0 2.0 9.5") {
        const Transform4 h = emu.headPose();
        const Point3 expected =
            h.block<3, 3>(0, 0) * Point3(0.01, 0.02, 0.095) + h.block<3, 1>(0, 3);
        QVERIFY(near(stylusOf(Model::Fastrak, QString::fromLatin1(emu.record())), expected, 1e-4));
    } else if (known && c->kind == StylusCommand::Kind::Sweep) {
        // The motion takes the path's length at that speed: more than the straight line.
        QCOMPARE(c->speed, 2.5);
        const double straight = (head.site("T7") - head.site("T8")).norm();
        QVERIFY(until > straight * 100 / 2.5 * 1000);
        QVERIFY(emu.buttonHeld());
        emu.advanceTo(until);
        QVERIFY(!emu.buttonHeld());
        QVERIFY((emu.stylusTip(until + 10) - head.site("T8")).norm() < 1e-9);
    }
}

void TestRecords::parse_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<QList<double>>("triples");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Transform4>("expected");
    const QList<double> identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
    const QList<double> quarter{0, 1, 0, -1, 0, 0, 0, 0, 1};
    // Translation is the rotation block applied to -0.01 * position.
    // clang-format off
    QTest::newRow("identity mode 0") << Model::Fastrak << identity << 0 << rows({1, 0, 0, -0.1, 0, 1, 0, -0.2, 0, 0, 1, -0.3, 0, 0, 0, 1});
    QTest::newRow("identity mode 1") << Model::Fastrak << identity << 1 << rows({1, 0, 0, 0.1, 0, 1, 0, 0.2, 0, 0, 1, 0.3, 0, 0, 0, 1});
    QTest::newRow("quarter turn mode 0") << Model::Fastrak << quarter << 0 << rows({0, -1, 0, 0.2, 1, 0, 0, -0.1, 0, 0, 1, -0.3, 0, 0, 0, 1});
    QTest::newRow("quarter turn mode 1") << Model::Fastrak << quarter << 1 << rows({0, 1, 0, 0.1, -1, 0, 0, 0.2, 0, 0, 1, 0.3, 0, 0, 0, 1});
    QTest::newRow("isotrak rows in mode 0") << Model::Isotrak << quarter << 0 << rows({0, 1, 0, -0.2, -1, 0, 0, 0.1, 0, 0, 1, -0.3, 0, 0, 0, 1});
    QTest::newRow("isotrak columns in mode 1") << Model::Isotrak << quarter << 1 << rows({0, -1, 0, 0.1, 1, 0, 0, 0.2, 0, 0, 1, 0.3, 0, 0, 0, 1});
    // clang-format on
}

void TestRecords::parse()
{
    QFETCH(Model, model);
    QFETCH(QList<double>, triples);
    QFETCH(int, mode);
    QFETCH(Transform4, expected);
    const QString rec = fastrakRecord({1, 2, 3}, {10, 20, 30}, triples.constData());
    QString record = rec;
    if (model == Model::Isotrak) // the rebuilt layout: station 1 without orientation
        record =
            Records::rebuildIsotrak(rec.left(24) + QString(63, ' ') + "\r\n" + rec.mid(26, 89));
    Transform4 rotation, position;
    QVERIFY(Records::ParseDigitizerRecord(model, record, 1, mode, rotation, position));
    QVERIFY2(near(position, expected), "position");
    QVERIFY(near(rotation.block<3, 3>(0, 0), expected.block<3, 3>(0, 0)));
    QCOMPARE(rotation(3, 3), 1.0);
    QCOMPARE(rotation(0, 3), 0.0);
    QVERIFY(near(stylusOf(model, record), Point3(0.01, 0.02, 0.03)));
    // The two modes are inverses of each other.
    Transform4 r2, p2;
    QVERIFY(Records::ParseDigitizerRecord(model, record, 1, 1 - mode, r2, p2));
    QVERIFY(near(position * p2, Transform4::Identity()));
}

void TestRecords::recordProblem_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<int>("length"); // the record cut or padded with blanks to this; -1 as sent
    QTest::addColumn<int>("at");     // 1-based position of `put`
    QTest::addColumn<QString>("put");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<int>("kept"); // length after the check
    const QString status3 = Records::fastrakStatusReport('x', 3);
    const QString repeat = "; the line settings may not match the device.";
    // clang-format off
    QTest::newRow("fastrak as sent") << Model::Fastrak << -1 << 0 << "" << -1 << "" << 293;
    QTest::newRow("fastrak one short") << Model::Fastrak << 292 << 0 << "" << -1 << "The FASTRAK record is cut short: 292 of 293 characters arrived." << 292;
    QTest::newRow("fastrak empty") << Model::Fastrak << 0 << 0 << "" << -1 << "The FASTRAK sent no record." << 0;
    QTest::newRow("fastrak status on station 3") << Model::Fastrak << -1 << 118 << "x" << -1 << status3 << 293;
    QTest::newRow("fastrak NUL byte") << Model::Fastrak << -1 << 40 << QString(QChar(0)) << -1 << "The FASTRAK record holds NUL bytes" + repeat << 293;
    QTest::newRow("fastrak line end missing") << Model::Fastrak << -1 << 25 << "x" << -1 << "The FASTRAK record has no line end at character 25" + repeat << 293;
    QTest::newRow("fastrak stylus y garbled") << Model::Fastrak << -1 << 11 << "  ab.cd" << -1 << "The FASTRAK record holds \"ab.cd\" where the stylus y should be a number." << 293;
    QTest::newRow("fastrak receiver z blank") << Model::Fastrak << -1 << 44 << "       " << -1 << "The FASTRAK record holds \"\" where the receiver 1 z should be a number." << 293;
    QTest::newRow("fastrak cosine with junk") << Model::Fastrak << -1 << 168 << " 0.5x00" << -1 << "The FASTRAK record holds \"0.5x00\" where the receiver 2 direction cosine 5 should be a number." << 293;
    QTest::newRow("fastrak stylus and one receiver") << Model::Fastrak << 115 << 0 << "" << 1 << "" << 115;
    QTest::newRow("fastrak one receiver, station 3 not read") << Model::Fastrak << -1 << 118 << "x" << 1 << "" << 115;
    QTest::newRow("isotrak as rebuilt") << Model::Isotrak << -1 << 0 << "" << -1 << "" << 115;
    QTest::newRow("isotrak one short") << Model::Isotrak << 114 << 0 << "" << -1 << "The ISOTRAK record is cut short: 114 of 115 characters arrived." << 114;
    QTest::newRow("patriot as sent") << Model::Patriot << -1 << 0 << "" << -1 << "" << 158;
    QTest::newRow("patriot one short") << Model::Patriot << 157 << 0 << "" << -1 << "The PATRIOT record is cut short: 157 of 158 characters arrived." << 157;
    QTest::newRow("patriot receiver x garbled") << Model::Patriot << -1 << 37 << "    -----" << -1 << "The PATRIOT record holds \"-----\" where the receiver x should be a number." << 158;
    // clang-format on
}

void TestRecords::recordProblem()
{
    QFETCH(Model, model);
    QFETCH(int, length);
    QFETCH(int, at);
    QFETCH(QString, put);
    QFETCH(int, blocks);
    QFETCH(QString, problem);
    QFETCH(int, kept);
    auto rig = emulated(model);
    rig->emu->touchSite("Cz");
    QString record = QString::fromLatin1(rig->emu->record());
    if (model == Model::Isotrak)
        record = Records::rebuildIsotrak(record);
    if (length >= 0)
        record = record.left(length).leftJustified(length, ' ');
    if (at > 0)
        record.replace(at - 1, put.size(), put);
    const QString sent = record;
    QCOMPARE(Records::recordProblem(model, record, blocks), problem);
    QCOMPARE(record.size(), kept);
    QString why;
    const std::optional<Reading> reading = Records::parseReading(model, sent, blocks, &why);
    QCOMPARE(reading.has_value(), problem.isEmpty());
    QCOMPARE(why, problem);
    if (!reading)
        return;
    QVERIFY(near(reading->stylus, siteInTransmitter(*rig->emu, "Cz"), 1e-4));
    QVERIFY(near(reading->receiver(1).transform(1), rig->emu->receiverPose(0), 1e-4));
    if (model == Model::Patriot) // one block answers for every receiver
        QCOMPARE(reading->receiver(3).positionCm, reading->receiver(1).positionCm);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
