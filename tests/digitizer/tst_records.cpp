#include "digitizer/digitizer_setup.h"
#include "digitizer/records.h"
#include "emulator_rig.h"

#include <QTest>

using Outcome = Records::Outcome;
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
    Transform4 t;
    auto it = v.begin();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            t(i, j) = *it++;
    return t;
}

// Configured as at start-up.
struct EmuRig : EmulatorRig
{
    explicit EmuRig(DigitizerEmulator::Model model, int receivers = 1,
                    const QString &hemi = "0,0,1")
        : EmulatorRig(model, receivers, 0.0, hemi)
    {
        configure();
    }
};
} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void parseReadsFieldsByColumn();
    void patriotIgnoresSensor();
    void unknownTypeOrModeChangesNothing();
    void fastrakCheck_data();
    void fastrakCheck();
    void isotrakRebuild();
    void readFromEmulator_data();
    void readFromEmulator();
    void isotrakCommandDance();
    void buttonsEndTheWait_data();
    void buttonsEndTheWait();
    void deviceGoneDuringWait();
    void unplugged();
    void recordCutMidway();
    void wrongRateGivesGarbageNotCrash();
    void hemisphereMirrors();
    void pollReturnsRawAnswer();
};

void TestRecords::parse_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QList<double>>("triples");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Transform4>("expected");
    const QList<double> identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
    const QList<double> quarter{0, 1, 0, -1, 0, 0, 0, 0, 1};
    QTest::newRow("identity mode 0")
        << "FASTRAK" << identity << 0
        << rows({1, 0, 0, -0.1, 0, 1, 0, -0.2, 0, 0, 1, -0.3, 0, 0, 0, 1});
    QTest::newRow("identity mode 1")
        << "FASTRAK" << identity << 1
        << rows({1, 0, 0, 0.1, 0, 1, 0, 0.2, 0, 0, 1, 0.3, 0, 0, 0, 1});
    // Translation is the rotation block applied to -0.01 * position.
    QTest::newRow("quarter turn mode 0")
        << "FASTRAK" << quarter << 0
        << rows({0, -1, 0, 0.2, 1, 0, 0, -0.1, 0, 0, 1, -0.3, 0, 0, 0, 1});
    QTest::newRow("quarter turn mode 1")
        << "FASTRAK" << quarter << 1
        << rows({0, 1, 0, 0.1, -1, 0, 0, 0.2, 0, 0, 1, 0.3, 0, 0, 0, 1});
    QTest::newRow("isotrak rows in mode 0")
        << "ISOTRAK" << quarter << 0
        << rows({0, 1, 0, -0.2, -1, 0, 0, 0.1, 0, 0, 1, -0.3, 0, 0, 0, 1});
    QTest::newRow("isotrak columns in mode 1")
        << "ISOTRAK" << quarter << 1
        << rows({0, -1, 0, 0.1, 1, 0, 0, 0.2, 0, 0, 1, 0.3, 0, 0, 0, 1});
}

void TestRecords::parse()
{
    QFETCH(QString, type);
    QFETCH(QList<double>, triples);
    QFETCH(int, mode);
    QFETCH(Transform4, expected);
    const QString rec = fastrakRecord({1, 2, 3}, {10, 20, 30}, triples.constData());
    QString record = rec;
    if (type == QLatin1String("ISOTRAK")) // the rebuilt layout: station 1 without orientation
        record =
            Records::rebuildIsotrak(rec.left(24) + QString(63, ' ') + "\r\n" + rec.mid(26, 89));
    Transform4 rotation, position;
    QVERIFY(Records::ParseDigitizerRecord(type, record, 1, mode, rotation, position));
    QVERIFY2((position - expected).cwiseAbs().maxCoeff() < 1e-12, "position");
    QVERIFY((rotation.block<3, 3>(0, 0) - expected.block<3, 3>(0, 0)).cwiseAbs().maxCoeff() <
            1e-12);
    QCOMPARE(rotation(3, 3), 1.0);
    QCOMPARE(rotation(0, 3), 0.0);
    // The two modes are inverses of each other.
    Transform4 r2, p2;
    Records::ParseDigitizerRecord(type, record, 1, 1 - mode, r2, p2);
    QVERIFY(((position * p2) - Transform4::Identity()).cwiseAbs().maxCoeff() < 1e-12);
}

void TestRecords::parseReadsFieldsByColumn()
{
    const double id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    QString rec = fastrakRecord({0, 0, 0}, {0, 0, 0}, id);
    rec.replace(207, 7, QStringLiteral("  12.50")); // sensor 3 x at 208-214
    rec.replace(284, 7, QStringLiteral("-0.5000")); // its last orientation value at 285-291
    Transform4 r, p;
    Records::ParseDigitizerRecord("FASTRAK", rec, 3, 1, r, p);
    QCOMPARE(p(0, 3), 0.125);
    QCOMPARE(r(2, 2), -0.5);
    Records::ParseDigitizerRecord("FASTRAK", rec, 1, 1, r, p);
    QCOMPARE(p(0, 3), 0.0);
    QCOMPARE(r(2, 2), 1.0);
    QVERIFY((Records::stylusPosition("FASTRAK", "01   1.00  -2.50 100.00\r\n") -
             Point3(0.01, -0.025, 1.0))
                .norm() < 1e-12);
}

void TestRecords::patriotIgnoresSensor()
{
    EmuRig rig(DigitizerEmulator::Model::Patriot);
    const QString rec = QString::fromLatin1(rig.emu.record());
    Transform4 r1, p1, r3, p3;
    Records::ParseDigitizerRecord("PATRIOT", rec, 1, 1, r1, p1);
    Records::ParseDigitizerRecord("PATRIOT", rec, 3, 1, r3, p3);
    QCOMPARE(p1, p3);
    QVERIFY((p1 - rig.emu.receiverPose(0)).cwiseAbs().maxCoeff() < 1e-4);
}

void TestRecords::unknownTypeOrModeChangesNothing()
{
    Transform4 r = Transform4::Constant(7), p = Transform4::Constant(7);
    QVERIFY(!Records::ParseDigitizerRecord("dummy", QString(293, '1'), 1, 0, r, p));
    QVERIFY(!Records::ParseDigitizerRecord("FASTRAK", QString(293, '1'), 1, 2, r, p));
    QCOMPARE(p, Transform4(Transform4::Constant(7)));
    // A short record reads as zeros: a valid pose, no crash.
    QVERIFY(Records::ParseDigitizerRecord("FASTRAK", QStringLiteral("01"), 3, 0, r, p));
    QVERIFY((p.topLeftCorner<3, 3>().isZero()));
}

void TestRecords::fastrakCheck_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("statusAt");
    QTest::addColumn<QString>("report");
    QTest::newRow("292 characters") << 292 << 0 << "Please repeat the measurement";
    QTest::newRow("300 characters") << 300 << 0 << "";
    QTest::newRow("station 3 status")
        << 293 << 118
        << "FASTRAK has reported an error as follows:\r\rError Code x on input THREE."
           "\r\rPlease consult the manual under BUILT-IN-TEST INFORMATION.";
    QTest::newRow("station 1 status")
        << 293 << 3
        << "FASTRAK has reported an error as follows:\r\rError Code x on "
           "input ONE.\r\rPlease consult the manual under BUILT-IN-TEST "
           "INFORMATION.";
}

void TestRecords::fastrakCheck()
{
    QFETCH(int, length);
    QFETCH(int, statusAt);
    QFETCH(QString, report);
    QString record(length, ' ');
    if (statusAt)
        record[statusAt - 1] = 'x';
    const QString before = record;
    QCOMPARE(Records::checkFastrak(record), QString(report).replace('\r', QChar(13)));
    QCOMPARE(record, before.left(length < 293 ? length : 293));
}

void TestRecords::isotrakRebuild()
{
    QString raw;
    for (int i = 0; i < 178; ++i)
        raw += QChar('A' + i % 26);
    const QString rebuilt = Records::rebuildIsotrak(raw);
    QCOMPARE(rebuilt.size(), 115);
    QCOMPARE(rebuilt.left(24), raw.left(24));
    QCOMPARE(rebuilt.mid(24, 2), raw.mid(87, 2));
    QCOMPARE(rebuilt.mid(26), raw.mid(89));
    QCOMPARE(rebuilt.mid(29, 7), raw.mid(92, 7)); // station 2's x at 30-36
}

void TestRecords::readFromEmulator_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("length");
    QTest::newRow("fastrak") << int(DigitizerEmulator::Model::Fastrak) << 293;
    QTest::newRow("isotrak") << int(DigitizerEmulator::Model::Isotrak) << 115;
    QTest::newRow("patriot") << int(DigitizerEmulator::Model::Patriot) << 158;
}

void TestRecords::readFromEmulator()
{
    QFETCH(int, model);
    QFETCH(int, length);
    EmuRig rig(static_cast<DigitizerEmulator::Model>(model));
    rig.emu.touchSite("Fz");
    rig.emu.schedule(rig.clock.nowMs() + 2000, [&] { rig.emu.press(); });
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(record.size(), length);
    QVERIFY(rig.dialogs.shown.isEmpty());
    QVERIFY(!rig.link.isOpen());
    const Point3 tip = Records::stylusPosition(rig.ws.settings.DigitizerType, record);
    const Transform4 head = rig.emu.headPose();
    const Point3 fz = head.block<3, 3>(0, 0) * rig.emu.head().site("Fz") + head.block<3, 1>(0, 3);
    QVERIFY((tip - fz).norm() < 1e-4);
    Transform4 r, p;
    Records::ParseDigitizerRecord(rig.ws.settings.DigitizerType, record, 1, 1, r, p);
    QVERIFY((p - rig.emu.receiverPose(0)).cwiseAbs().maxCoeff() < 1e-4);
}

void TestRecords::isotrakCommandDance()
{
    EmuRig rig(DigitizerEmulator::Model::Isotrak);
    rig.link.clearHostBytes();
    rig.emu.schedule(rig.clock.nowMs() + 1000, [&] { rig.emu.press(); });
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(rig.link.hostBytes(), QByteArray("PYE\x04P\x04T"));
}

void TestRecords::buttonsEndTheWait_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("counter");
    QTest::newRow("next") << "next" << int(Outcome::Next) << 5;
    QTest::newRow("back") << "back" << int(Outcome::Back) << 3;
    QTest::newRow("cancel") << "cancel" << int(Outcome::Cancelled) << 5;
}

void TestRecords::buttonsEndTheWait()
{
    QFETCH(QString, button);
    QFETCH(int, outcome);
    QFETCH(int, counter);
    EmuRig rig(DigitizerEmulator::Model::Fastrak);
    rig.s.wait.PointCounter = 5;
    rig.pump.onPass = [&](int pass) {
        if (pass != 50)
            return;
        if (button == "next")
            rig.s.wait.NextRequested = 1;
        else if (button == "back")
            rig.s.wait.BackRequested = 1;
        else
            rig.s.wait.CancelRequested = 1;
    };
    QString record;
    QCOMPARE(int(Records::ReadDigitizerRecord(rig.s, record)), outcome);
    QCOMPARE(rig.pump.passes, 50);
    QCOMPARE(rig.s.wait.PointCounter, counter);
    QCOMPARE(rig.s.wait.NextRequested + rig.s.wait.BackRequested + rig.s.wait.CancelRequested, 0);
    // The next operation works again.
    rig.pump.onPass = nullptr;
    rig.emu.schedule(rig.clock.nowMs() + 500, [&] { rig.emu.press(); });
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(record.size(), 293);
}

void TestRecords::deviceGoneDuringWait()
{
    EmuRig rig(DigitizerEmulator::Model::Fastrak);
    rig.emu.schedule(rig.clock.nowMs() + 3000, [&] { rig.link.unplug(true); });
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::DeviceGone);
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts().value(0).startsWith("The digitizer stopped answering."));
    QVERIFY(!rig.link.isOpen());
}

void TestRecords::unplugged()
{
    EmuRig rig(DigitizerEmulator::Model::Fastrak);
    rig.link.unplug(true);
    QString record = "kept";
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::PortFailed);
    QCOMPARE(Records::PollDigitizerRecord(rig.s, record), Outcome::PortFailed);
    QCOMPARE(record, QStringLiteral("kept"));
    QCOMPARE(rig.dialogs.shown.size(), 2);
    QVERIFY(rig.dialogs.texts().value(0).contains("not connected"));
}

void TestRecords::recordCutMidway()
{
    EmuRig rig(DigitizerEmulator::Model::Fastrak);
    rig.emu.schedule(rig.clock.nowMs() + 1000, [&] {
        rig.emu.cutNextRecord(150);
        rig.emu.press();
    });
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(record.size(), 150);
    QCOMPARE(rig.dialogs.texts(), QStringList{"Please repeat the measurement"});
    // The repeat works.
    rig.emu.schedule(rig.clock.nowMs() + 1000, [&] { rig.emu.press(); });
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(record.size(), 293);
}

void TestRecords::wrongRateGivesGarbageNotCrash()
{
    EmuRig rig(DigitizerEmulator::Model::Fastrak);
    rig.emu.setBaud(9600); // the device changed rate behind the program's back
    rig.emu.schedule(rig.clock.nowMs() + 1000, [&] { rig.emu.press(); });
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts().value(0).startsWith("FASTRAK has reported an error") ||
            rig.dialogs.texts().value(0) == "Please repeat the measurement");
    Transform4 r, p;
    Records::ParseDigitizerRecord("FASTRAK", record, 1, 0, r, p);
    QVERIFY(p.allFinite());
}

void TestRecords::hemisphereMirrors()
{
    EmuRig up(DigitizerEmulator::Model::Fastrak, 1, "0,0,1");
    EmuRig down(DigitizerEmulator::Model::Fastrak, 1, "0,0,-1");
    const Point3 a = Records::stylusPosition("FASTRAK", QString::fromLatin1(up.emu.record()));
    const Point3 b = Records::stylusPosition("FASTRAK", QString::fromLatin1(down.emu.record()));
    QVERIFY(a.z() > 0.2);
    QVERIFY((a + b).norm() < 1e-9);
}

void TestRecords::pollReturnsRawAnswer()
{
    EmuRig rig(DigitizerEmulator::Model::Isotrak);
    QString record;
    const qint64 t0 = rig.clock.nowMs();
    QCOMPARE(Records::PollDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(rig.clock.nowMs() - t0, 350);
    QCOMPARE(record.size(), 178);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
