#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "rig.h"

#include <QTest>

using Model = DigitizerModel;
using Outcome = Records::Outcome;
using Fixtures::near;
Q_DECLARE_METATYPE(Transform4)

namespace {
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
std::unique_ptr<Rig> emulated(Model model, const QString &hemisphere = "0,0,1")
{
    auto rig = std::make_unique<Rig>(DigitizerEmulator::Options{model, 1, 0.0, 7});
    rig->start({.hemisphere = hemisphere});
    return rig;
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void refusals();
    void recordProblem_data();
    void recordProblem();
    void lineRatesDiffer();
    void hemisphereMirrors();
};

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

// Not a reading: no model, no mode, a short record. Nothing changes.
void TestRecords::refusals()
{
    const double id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const QString rec = fastrakRecord({0, 0, 0}, {0, 0, 0}, id);
    const Transform4 seven = Transform4::Constant(7);
    Transform4 r = seven, p = seven;
    QVERIFY(!Records::ParseDigitizerRecord(Model::Dummy, rec, 1, 0, r, p));
    QVERIFY(!Records::ParseDigitizerRecord(Model::Fastrak, rec, 1, 2, r, p));
    QVERIFY(!Records::ParseDigitizerRecord(Model::Fastrak, QStringLiteral("01"), 3, 0, r, p));
    QVERIFY(p == seven && r == seven);
    QString why;
    QVERIFY(!Records::parseReading(Model::Dummy, rec, Records::AllBlocks, &why));
    QCOMPARE(why, "dummy takes no readings.");
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

// The device changed rate behind the program's back: every record is refused, none hangs.
void TestRecords::lineRatesDiffer()
{
    auto rig = emulated(Model::Fastrak);
    rig->emu->setBaud(9600);
    rig->pressAfter(1000);
    QString record = "kept";
    QCOMPARE(Records::ReadDigitizerRecord(rig->s, record), Outcome::Refused);
    QCOMPARE(rig->dialogs.shown.size(), 1);
    QVERIFY2(rig->dialogs.texts()[0].endsWith("\r\rPlease repeat the measurement"),
             qPrintable(rig->dialogs.texts()[0]));
    QVERIFY(!rig->link.isOpen());
}

void TestRecords::hemisphereMirrors()
{
    auto up = emulated(Model::Fastrak, "0,0,1");
    auto down = emulated(Model::Fastrak, "0,0,-1");
    const Point3 a = stylusOf(Model::Fastrak, QString::fromLatin1(up->emu->record()));
    const Point3 b = stylusOf(Model::Fastrak, QString::fromLatin1(down->emu->record()));
    QVERIFY(a.z() > 0.2);
    QVERIFY(near(a, -b, 1e-9));
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
