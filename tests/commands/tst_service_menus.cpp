#include "data/number_text.h"
#include "digitizer/records.h"
#include "on_emulator.h"

#include <Eigen/Geometry>
#include <QTest>

using M = DigitizerModel;

namespace {
QStringList fileLines(const Rig &rig, const QString &name)
{
    QStringList lines = QString::fromLatin1(rig.home.read(name)).split("\r\n");
    if (lines.last().isEmpty()) // after the last line end
        lines.removeLast();
    return lines;
}

// The matrices of a Matrices.txt, by name.
QHash<QString, Transform4> readMatrices(const QStringList &lines)
{
    QHash<QString, Transform4> out;
    for (qsizetype at = 0; at + 4 < lines.size(); at += 5) {
        Transform4 m;
        for (int i = 0; i < 16; ++i)
            m(i / 4, i % 4) = readNumber(lines[at + 1 + i / 4].split('\t').value(i % 4));
        out.insert(lines[at].mid(2), m);
    }
    return out;
}

Transform4 turned(double degrees, const Point3 &axis, const Point3 &shift)
{
    Transform4 t = Transform4::Identity();
    t.block<3, 3>(0, 0) = Eigen::AngleAxisd(degrees * M_PI / 180, axis.normalized()).matrix();
    t.block<3, 1>(0, 3) = shift;
    return t;
}

// The record the emulator sends with the stylus on `site`.
QString poll(Rig &rig, const QString &site)
{
    rig.emu->touchSite(site);
    QString record;
    Records::PollDigitizerRecord(rig.s, record);
    rig.clock.advance(50);
    return record;
}

// The lines after `label` (searched from `from`) are the record's own lines.
bool followedBy(const QStringList &lines, const QString &label, const QString &record,
                const QString &from = {})
{
    const qsizetype at = lines.indexOf(label, from.isEmpty() ? 0 : lines.indexOf(from));
    QStringList own = record.split("\r\n");
    if (own.last().isEmpty())
        own.removeLast();
    return at >= 0 && lines.mid(at + 1, own.size()) == own;
}
} // namespace

class TestServiceMenus : public QObject
{
    Q_OBJECT
private slots:
    void manualQueries_data();
    void manualQueries();
    void deviceItems_data();
    void deviceItems();
    void messages_data();
    void messages();
    void portFailureIsTold();
    void matrices();
    void rawDataSections();
    void sequenceData();
    void failedDumpIsTold_data();
    void failedDumpIsTold();
};

void TestServiceMenus::manualQueries_data()
{
    QTest::addColumn<M>("model");
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("first"); // the message's first line; empty for a record
    QTest::addColumn<int>("length");
    // clang-format off
    QTest::newRow("fastrak S") << M::Fastrak << 1 << "menuFastrakS" << QByteArray("S") << "21SC0000000000000" << 19;
    QTest::newRow("fastrak P") << M::Fastrak << 1 << "menuFastrakP" << QByteArray("P") << "" << 293;
    QTest::newRow("fastrak station 4") << M::Fastrak << 1 << "menuFastrakState04" << QByteArray("l4\r") << "Station #4" << 9;
    QTest::newRow("fastrak O2") << M::Fastrak << 1 << "menuFO2" << QByteArray("O2\r") << "22O2,5,6,7,1" << 14;
    QTest::newRow("isotrak P") << M::Isotrak << 1 << "menuIsotrakP" << QByteArray("P") << "" << 178;
    QTest::newRow("isotrak hemisphere") << M::Isotrak << 1 << "menuHem" << QByteArray("P") << "" << 178;
    QTest::newRow("one-station isotrak P") << M::Isotrak << 0 << "menuIsotrakP" << QByteArray("P") << "" << 89;
    QTest::newRow("patriot ^Z") << M::Patriot << 1 << "menuPATRIOTZ" << QByteArray("\x1a\r") << "PATRIOT (emulated)" << 163;
    // A PATRIOT takes S only with a CR: nothing comes back, and the length says so.
    QTest::newRow("no answer") << M::Patriot << 1 << "menuFastrakS" << QByteArray("S") << "Length of DataString is  0" << 0;
    // clang-format on
}

void TestServiceMenus::manualQueries()
{
    QFETCH(M, model);
    QFETCH(int, receivers);
    QFETCH(QString, control);
    QFETCH(QByteArray, sent);
    QFETCH(QString, first);
    QFETCH(int, length);
    OnEmulator rig(model, receivers);
    QVERIFY(rig.invoke(control));
    QCOMPARE(rig.emuLink->hostBytes(), sent);
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    const QStringList lines = rig.dialogs.texts()[0].split(QChar(13));
    QCOMPARE(lines.last(), QStringLiteral("Length of DataString is ") + Str(length));
    const QString answer = rig.app.menus.service.dataString(control);
    QCOMPARE(answer.size(), length);
    QCOMPARE(lines.first(), first.isEmpty() ? answer.section("\r\n", 0, 0) : first);
    if (!first.isEmpty())
        return;
    // A record: its blocks shown line by line, as the device sent them.
    QVERIFY(answer.startsWith("01"));
    QCOMPARE(lines.size() - 1, answer.count("\r\n"));
}

void TestServiceMenus::deviceItems_data()
{
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("lastLength"); // of the last query's answer; -1: no message
    // clang-format off
    QTest::newRow("cancel Y") << QStringList{"menuTestNoY"} << QByteArray() << -1;
    // Digitizer mode and ^D: P is no longer answered; ^D again, or ^Y, brings it back.
    QTest::newRow("Y, E, ^D silence P") << QStringList{"menuTestYE", "menuTestCD", "menuIsotrakP"} << QByteArray("YE\x04P") << 0;
    QTest::newRow("Y, E alone leave P") << QStringList{"menuTestYE", "menuIsotrakP"} << QByteArray("YEP") << 178;
    QTest::newRow("second ^D brings P back") << QStringList{"menuTestYE", "menuTestCD", "menuTestCD", "menuIsotrakP"} << QByteArray("YE\x04\x04P") << 178;
    QTest::newRow("^Y brings P back") << QStringList{"menuTestYE", "menuTestCD", "menuTestCY", "menuIsotrakP"} << QByteArray("YE\x04\x19P") << 178;
    // clang-format on
}

void TestServiceMenus::deviceItems()
{
    QFETCH(QStringList, controls);
    QFETCH(int, lastLength);
    OnEmulator rig(M::Isotrak);
    for (const QString &c : controls) {
        QVERIFY(rig.invoke(c) && !rig.link.isOpen());
    }
    QTEST(rig.emuLink->hostBytes(), "sent");
    QCOMPARE(rig.dialogs.shown.size(), lastLength < 0 ? 0 : 1);
    if (lastLength >= 0)
        QVERIFY(rig.dialogs.texts()[0].endsWith(QStringLiteral("Length of DataString is ") +
                                                Str(lastLength)));
}

void TestServiceMenus::messages_data()
{
    QTest::addColumn<M>("model");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("dirty flags") << M::Fastrak << "menuShowDirty" << "Period" << "SetDirtyShape=  1\rSetDirtyEletrodes=  0";
    QTest::newRow("baud patriot") << M::Patriot << "menuShowBaude" << "Period" << "115200,n,8,1";
    QTest::newRow("format 1 comma") << M::Fastrak << "menuTestOutFormat1" << "Comma" << "22/7 = 3,1429";
    QTest::newRow("format 2 ignores the comma") << M::Fastrak << "menuTestOutFormat2" << "Comma" << "22/7 =  3.14285714285714";
    QTest::newRow("digitizer type") << M::Isotrak << "menuTestMalvekType" << "Period" << "DigitizerType is  ISOTRAK";
    QTest::newRow("console without a window") << M::Fastrak << "menuConsole" << "Period" << "The service console needs the Pointra window.";
    // clang-format on
}

void TestServiceMenus::messages()
{
    QFETCH(M, model);
    QFETCH(QString, control);
    QFETCH(QString, decimal);
    QFETCH(QString, message);
    OnEmulator rig(model);
    rig.ws.settings.DecimalPoint = decimal;
    rig.ws.ShapeDirty = 1;
    QVERIFY(rig.invoke(control));
    QCOMPARE(rig.dialogs.texts(), QStringList{message});
    QVERIFY(rig.emuLink->hostBytes().isEmpty());
}

void TestServiceMenus::portFailureIsTold()
{
    OnEmulator rig(M::Fastrak);
    rig.emuLink->unplug(true);
    QVERIFY(rig.invoke("menuFastrakS"));
    QVERIFY(rig.invoke("menuTestCD"));
    QVERIFY(rig.invoke("menuFStartDigitizing")); // receivers not chosen: asks for them first
    QCOMPARE(rig.dialogs.texts().size(), 3);
    QVERIFY(rig.dialogs.texts()[0].startsWith("The digitizer port could not be opened."));
    QVERIFY(rig.dialogs.texts()[1].startsWith("The digitizer port could not be opened."));
    QCOMPARE(rig.dialogs.texts()[2], QStringLiteral("Please select number of receivers"));
    QVERIFY(rig.app.menus.service.dataString("menuFastrakS").isEmpty());
    QVERIFY(rig.emuLink->hostBytes().isEmpty());
}

// Each matrix under its own name, whole; those never computed are zero.
void TestServiceMenus::matrices()
{
    OnEmulator rig(M::Fastrak);
    const QHash<QString, Transform4> set = {{"MCalib", turned(20, {0, 0, 1}, {0.01, -0.02, 0.03})},
                                            {"MFida", turned(-35, {1, 1, 0}, {0.0, 0.05, -0.04})},
                                            {"MHeadb", turned(70, {0, 1, 1}, {-0.1, 0, 0.2})}};
    rig.ws.m.MCalib = set["MCalib"];
    rig.ws.m.MFida = set["MFida"];
    rig.ws.m.MHeadb = set["MHeadb"];
    QVERIFY(rig.invoke("menuSaveMatrices"));
    const QHash<QString, Transform4> saved = readMatrices(fileLines(rig, "Matrices.txt"));
    QCOMPARE(saved.size(), 19);
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        QVERIFY2(Fixtures::near(it.value(), set.value(it.key(), Transform4::Zero()), 1e-12),
                 qPrintable(it.key()));
}

void TestServiceMenus::rawDataSections()
{
    OnEmulator rig(M::Fastrak);
    Workspace &ws = rig.ws;
    for (int i = 0; i < 6; ++i) {
        ws.raw.calibration[i] = poll(rig, "Cz");
        ws.raw.fiducials[i] = "fid " + QString::number(i + 1) + "\r\n";
        ws.raw.shapeFiducials[i] = "shape fid " + QString::number(i + 1);
    }
    ws.raw.probe = {"first probe record", "second probe record"};
    ws.raw.shapePoints = {"p1", "p2", "p3"};
    ws.NumSeq = 4;
    ws.SeqName = {"Nasion", "Fz", "LPA", "Cz"};
    ws.SeqCode = {"1", "400", "2", "400"};
    ws.SeqRaw = {"nasion record", "Fz record", "LPA record", "Cz record"};
    ws.sensors.NumSensors = 2;
    ws.meas.resize(2);
    ws.meas.Pos = {Point3(0.5, -0.25, 0.125), Point3(-0.1, 0.2, 0)};
    ws.meas.Fid = {Point3(0.1, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};

    QVERIFY(rig.invoke("menuSaveRawData"));
    const QStringList lines = fileLines(rig, "RawData.txt");
    QStringList titles;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i - 1] != "//=================================================")
            continue;
        titles << lines[i];
        QVERIFY(i == 1 || lines[i - 2].isEmpty()); // an empty line closes the section before
    }
    QCOMPARE(titles, (QStringList{"//Baud Rate", "//Calibration Data", "//Fiducials Data",
                                  "//Probe Data", "//Shape data", "//Electrode Data"}));
    QCOMPARE(lines[2], QStringLiteral("19200,n,8,1"));
    QVERIFY(
        followedBy(lines, "//Pass 2, Fiducial # 3", ws.raw.calibration[5], "//Calibration Data"));
    QVERIFY(followedBy(lines, "//Pass 2, Fiducial # 1", "fid 4", "//Fiducials Data"));
    QVERIFY(followedBy(lines, "//Pass 1, Fiducial # 2", "shape fid 2", "//Shape fiducials"));
    QVERIFY(followedBy(lines, "//Measurement #2", ws.raw.probe[1]));
    QVERIFY(followedBy(lines, "//Point # 3", "p3"));
    // Fiducials and electrodes of the sequence apart, each numbered in its own kind.
    QVERIFY(followedBy(lines, "//Fiducial # 2", "LPA record"));
    QVERIFY(followedBy(lines, "//Electrode # 2", "Cz record"));
    QVERIFY(!lines.contains("//Electrode # 3"));
    QVERIFY(
        followedBy(lines, "//Fiducials, fE(i)", " .1\t 0\t 0\r\n 0\t .075\t 0\r\n 0\t-.075\t 0"));
    QVERIFY(followedBy(lines, "//Electrode locations", " .5\t-.25\t .125\r\n-.1\t .2\t 0\r\n"));
}

void TestServiceMenus::sequenceData()
{
    OnEmulator rig(M::Fastrak);
    rig.ws.NumSeq = 3;
    rig.ws.SeqName = {"Nasion", "Fp1", "LPA"};
    rig.ws.SeqCode = {"1", "400", "2"};
    rig.ws.SeqRaw = {poll(rig, "Nasion"), QString(), poll(rig, "LPA")};
    QVERIFY(rig.invoke("menuSaveSeqData"));
    const QStringList lines = fileLines(rig, "Pe_seq.dat");
    // One header line per point, then its record (four lines) or an empty line.
    QCOMPARE(lines.size(), 3 + 4 + 1 + 4);
    QVERIFY(followedBy(lines, "# 1  Nasion  1", rig.ws.SeqRaw[0]));
    QCOMPARE(lines.mid(5, 2), (QStringList{"# 2  Fp1  400", ""}));
    QVERIFY(followedBy(lines, "# 3  LPA  2", rig.ws.SeqRaw[2]));
    // DigSeq.dat is named but never written.
    QVERIFY(rig.invoke("menuSaveDigSeq"));
    QCOMPARE(rig.app.menus.service.saveDigSeqData(), rig.home.path("DigSeq.dat"));
    QVERIFY(!QFile::exists(rig.home.path("DigSeq.dat")) && rig.dialogs.shown.isEmpty());
}

void TestServiceMenus::failedDumpIsTold_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("folder"); // a folder stands where the file goes; else read-only
    // clang-format off
    QTest::newRow("matrices over a folder") << "menuSaveMatrices" << "Matrices.txt" << true;
    QTest::newRow("raw data read-only") << "menuSaveRawData" << "RawData.txt" << false;
    QTest::newRow("sequence data read-only") << "menuSaveSeqData" << "Pe_seq.dat" << false;
    // clang-format on
}

void TestServiceMenus::failedDumpIsTold()
{
    QFETCH(QString, control);
    QFETCH(QString, file);
    QFETCH(bool, folder);
    OnEmulator rig(M::Fastrak);
    if (folder)
        QVERIFY(QDir().mkpath(rig.home.path(file)));
    else
        QVERIFY(QFile::setPermissions(rig.home.write(file, "kept"), QFile::ReadOwner));
    QVERIFY(rig.invoke(control));
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].contains(file));
    QCOMPARE(rig.home.read(file), folder ? QByteArray() : QByteArray("kept"));
}

QTEST_GUILESS_MAIN(TestServiceMenus)
#include "tst_service_menus.moc"
