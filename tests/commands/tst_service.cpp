#include "commands/service_console.h"
#include "data/number_text.h"
#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "on_emulator.h"
#include "simdig_process.h"

#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using M = DigitizerModel;
using Ending = StreamMonitor::Ending;

namespace {
QStringList fileLines(const Rig &rig, const QString &name)
{
    QStringList lines = QString::fromLatin1(rig.home.read(name)).split("\r\n");
    if (lines.last().isEmpty()) // after the last line end
        lines.removeLast();
    return lines;
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

// Lets virtual time pass until the console has its answer; returns the milliseconds it took.
qint64 collect(Rig &rig, ServiceConsole &console)
{
    const qint64 start = rig.clock.nowMs();
    while (console.collecting()) {
        rig.clock.advance(10);
        console.poll();
    }
    return rig.clock.nowMs() - start;
}

// Ends a stream test the way the row asks (stylus, stop, unplug), `afterMs` from now.
void arrangeEnding(OnEmulator &rig, const QString &how, qint64 afterMs)
{
    const qint64 at = rig.clock.nowMs() + afterMs;
    if (how == "stylus")
        rig.emu->schedule(at, [&rig] { rig.emu->press(); });
    else
        rig.pump.onPass = [&rig, how, at](int) {
            if (rig.clock.nowMs() >= at && how == "stop")
                rig.s.wait.CancelRequested = 1;
            else if (rig.clock.nowMs() >= at)
                rig.emuLink->unplug(true);
        };
}
} // namespace

// The service menus and console on the emulator, and the continuous test against pointra-simdig.
class TestService : public QObject
{
    Q_OBJECT
private slots:
    void manualQueries_data();
    void manualQueries();
    void menuItems_data();
    void menuItems();
    void portFailureIsTold();
    void dumps();
    void failedDumpIsTold_data();
    void failedDumpIsTold();
    void typedBytes_data();
    void typedBytes();
    void consoleExchanges_data();
    void consoleExchanges();
    void consoleSession();
    void streamTests_data();
    void streamTests();
    void continuousTestThroughPty_data();
    void continuousTestThroughPty();
};

void TestService::manualQueries_data()
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

void TestService::manualQueries()
{
    QFETCH(M, model);
    QFETCH(int, receivers);
    QFETCH(QString, control);
    QFETCH(QString, first);
    QFETCH(int, length);
    OnEmulator rig(model, receivers);
    QVERIFY(rig.invoke(control));
    QTEST(rig.emuLink->hostBytes(), "sent");
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    const QStringList lines = rig.dialogs.texts()[0].split(QChar(13));
    QCOMPARE(lines.last(), QStringLiteral("Length of DataString is ") + Str(length));
    const QString answer = rig.app.menus.service.dataString(control);
    QCOMPARE(answer.size(), length);
    QCOMPARE(lines.first(), first.isEmpty() ? answer.section("\r\n", 0, 0) : first);
    // A record: its blocks shown line by line, as the device sent them.
    if (first.isEmpty())
        QVERIFY(answer.startsWith("01") && lines.size() - 1 == answer.count("\r\n"));
}

void TestService::menuItems_data()
{
    QTest::addColumn<M>("model");
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("told"); // the end of the one message; empty: none
    const QString comma = "menuDecimalPointComma";
    // clang-format off
    QTest::newRow("cancel Y") << M::Isotrak << QStringList{"menuTestNoY"} << QByteArray() << "";
    // Digitizer mode and ^D: P is no longer answered; ^D again, or ^Y, brings it back.
    QTest::newRow("Y, E, ^D silence P") << M::Isotrak << QStringList{"menuTestYE", "menuTestCD", "menuIsotrakP"} << QByteArray("YE\x04P") << "Length of DataString is  0";
    QTest::newRow("Y, E alone leave P") << M::Isotrak << QStringList{"menuTestYE", "menuIsotrakP"} << QByteArray("YEP") << "Length of DataString is  178";
    QTest::newRow("second ^D brings P back") << M::Isotrak << QStringList{"menuTestYE", "menuTestCD", "menuTestCD", "menuIsotrakP"} << QByteArray("YE\x04\x04P") << "Length of DataString is  178";
    QTest::newRow("^Y brings P back") << M::Isotrak << QStringList{"menuTestYE", "menuTestCD", "menuTestCY", "menuIsotrakP"} << QByteArray("YE\x04\x19P") << "Length of DataString is  178";
    QTest::newRow("dirty flags") << M::Fastrak << QStringList{"menuShowDirty"} << QByteArray() << "SetDirtyShape=  1\rSetDirtyEletrodes=  0";
    QTest::newRow("baud patriot") << M::Patriot << QStringList{"menuShowBaude"} << QByteArray() << "115200,n,8,1";
    QTest::newRow("format 1 comma") << M::Fastrak << QStringList{comma, "menuTestOutFormat1"} << QByteArray() << "22/7 = 3,1429";
    QTest::newRow("format 2 ignores the comma") << M::Fastrak << QStringList{comma, "menuTestOutFormat2"} << QByteArray() << "22/7 =  3.14285714285714";
    QTest::newRow("digitizer type") << M::Isotrak << QStringList{"menuTestMalvekType"} << QByteArray() << "DigitizerType is  ISOTRAK";
    QTest::newRow("console without a window") << M::Fastrak << QStringList{"menuConsole"} << QByteArray() << "The service console needs the Pointra window.";
    // clang-format on
}

void TestService::menuItems()
{
    QFETCH(M, model);
    QFETCH(QStringList, controls);
    QFETCH(QString, told);
    OnEmulator rig(model);
    rig.ws.ShapeDirty = 1;
    for (const QString &c : controls)
        QVERIFY(rig.invoke(c) && !rig.link.isOpen());
    QTEST(rig.emuLink->hostBytes(), "sent");
    QCOMPARE(rig.dialogs.shown.size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty())
        QVERIFY2(rig.dialogs.texts()[0].endsWith(told), qPrintable(rig.dialogs.texts()[0]));
}

// A query, a control character, a stream test and a console command on a port that does not open.
void TestService::portFailureIsTold()
{
    OnEmulator rig(M::Fastrak);
    rig.emuLink->unplug(true);
    QVERIFY(rig.invoke("menuFastrakS"));
    QVERIFY(rig.invoke("menuTestCD"));
    QVERIFY(rig.invoke("menuFStartDigitizing")); // receivers not chosen: asks for them first
    ServiceConsole console(rig.s);
    QVERIFY(!console.send("S") && !console.collecting());
    const QStringList texts = rig.dialogs.texts();
    QCOMPARE(texts.size(), 4);
    QCOMPARE(texts[2], QStringLiteral("Please select number of receivers"));
    for (int i : {0, 1, 3})
        QVERIFY(texts[i].startsWith("The digitizer port could not be opened."));
    QVERIFY(rig.app.menus.service.dataString("menuFastrakS").isEmpty());
    QVERIFY(rig.emuLink->hostBytes().isEmpty());
}

// Development > Save: each dump in the program folder, laid out as support reads it.
void TestService::dumps()
{
    OnEmulator rig(M::Fastrak);
    Workspace &ws = rig.ws;
    // Two matrices of distinct, non-round numbers; all others were never computed.
    const auto filled = [](double k) {
        return Transform4(Transform4::NullaryExpr([k](Eigen::Index i, Eigen::Index j) {
            return k * (0.37 * double(i) - 0.11 * double(j) + 0.013);
        }));
    };
    const QHash<QString, Transform4> set = {{"MCalib", filled(1)}, {"MHeadb", filled(-2.5)}};
    ws.m.MCalib = set["MCalib"];
    ws.m.MHeadb = set["MHeadb"];
    rig.emu->touchSite("Cz");
    QString cz;
    Records::PollDigitizerRecord(rig.s, cz);
    for (int i = 0; i < 6; ++i) {
        ws.raw.calibration[i] = i == 5 ? cz : "cal " + QString::number(i + 1);
        ws.raw.fiducials[i] = "fid " + QString::number(i + 1) + "\r\n";
    }
    ws.raw.probe = {"first probe record", "second probe record"};
    ws.raw.shapePoints = {"p1", "p2", "p3"};
    ws.NumSeq = 4;
    ws.SeqName = {"Nasion", "Fz", "LPA", "Cz"};
    ws.SeqCode = {"1", "400", "2", "400"};
    ws.SeqRaw = {cz, QString(), "LPA record", "Cz record"};
    ws.sensors.NumSensors = 2;
    ws.meas.resize(2);
    ws.meas.Pos = {Point3(0.5, -0.25, 0.125), Point3(-0.1, 0.2, 0)};
    for (const char *c :
         {"menuSaveMatrices", "menuSaveRawData", "menuSaveSeqData", "menuSaveDigSeq"})
        QVERIFY(rig.invoke(c));
    QVERIFY(rig.dialogs.shown.isEmpty() && !QFile::exists(rig.home.path("DigSeq.dat")));

    // Each matrix under its own name, whole; those never computed are zero.
    const QStringList matrices = fileLines(rig, "Matrices.txt");
    QCOMPARE(matrices.size(), 19 * 5);
    for (qsizetype at = 0; at < matrices.size(); at += 5) {
        Transform4 m;
        for (int i = 0; i < 16; ++i)
            m(i / 4, i % 4) = readNumber(matrices[at + 1 + i / 4].split('\t').value(i % 4));
        const QString name = matrices[at].mid(2);
        QVERIFY2(Fixtures::near(m, set.value(name, Transform4::Zero())), qPrintable(name));
    }

    const QStringList raw = fileLines(rig, "RawData.txt");
    QStringList titles;
    for (qsizetype i = 1; i < raw.size(); ++i) {
        if (raw[i - 1] != "//=================================================")
            continue;
        titles << raw[i];
        QVERIFY(i == 1 || raw[i - 2].isEmpty()); // an empty line closes the section before
    }
    QCOMPARE(titles, (QStringList{"//Baud Rate", "//Calibration Data", "//Fiducials Data",
                                  "//Probe Data", "//Shape data", "//Electrode Data"}));
    QCOMPARE(raw[2], QStringLiteral("19200,n,8,1"));
    QVERIFY(followedBy(raw, "//Pass 2, Fiducial # 3", cz, "//Calibration Data"));
    QVERIFY(followedBy(raw, "//Pass 2, Fiducial # 1", "fid 4", "//Fiducials Data"));
    QVERIFY(followedBy(raw, "//Measurement #2", ws.raw.probe[1]));
    QVERIFY(followedBy(raw, "//Point # 3", "p3"));
    // Fiducials and electrodes of the sequence apart, each numbered in its own kind.
    QVERIFY(followedBy(raw, "//Fiducial # 2", "LPA record"));
    QVERIFY(followedBy(raw, "//Electrode # 2", "Cz record") && !raw.contains("//Electrode # 3"));
    QVERIFY(followedBy(raw, "//Electrode locations", " .5\t-.25\t .125\r\n-.1\t .2\t 0\r\n"));

    // One header line per point, then its record or an empty line.
    const QStringList seq = fileLines(rig, "Pe_seq.dat");
    QCOMPARE(seq.size(), 4 + 4 + 1 + 1 + 1);
    QVERIFY(followedBy(seq, "# 1  Nasion  1", cz));
    QCOMPARE(seq.mid(5, 3), (QStringList{"# 2  Fz  400", "", "# 3  LPA  2"}));
    QVERIFY(followedBy(seq, "# 4  Cz  400", "Cz record"));
}

void TestService::failedDumpIsTold_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("folder"); // a folder stands where the file goes; else read-only
    // clang-format off
    QTest::newRow("matrices over a folder") << "menuSaveMatrices" << "Matrices.txt" << true;
    QTest::newRow("raw data read-only") << "menuSaveRawData" << "RawData.txt" << false;
    QTest::newRow("sequence data read-only") << "menuSaveSeqData" << "Pe_seq.dat" << false;
    QTest::newRow("console session over a folder") << "console" << "session.txt" << true;
    // clang-format on
}

void TestService::failedDumpIsTold()
{
    QFETCH(QString, control);
    QFETCH(QString, file);
    QFETCH(bool, folder);
    OnEmulator rig(M::Fastrak);
    if (folder)
        QVERIFY(QDir().mkpath(rig.home.path(file)));
    else
        QVERIFY(QFile::setPermissions(rig.home.write(file, "kept"), QFile::ReadOwner));
    ServiceConsole console(rig.s);
    rig.dialogs.fileAnswers.enqueue(rig.home.path(file));
    QVERIFY(control == "console" ? !console.saveAs() : rig.invoke(control));
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].contains(file));
    QCOMPARE(rig.home.read(file), folder ? QByteArray() : QByteArray("kept"));
}

void TestService::typedBytes_data()
{
    using E = ServiceConsole::Ending;
    QTest::addColumn<QString>("typed");
    QTest::addColumn<E>("ending");
    QTest::addColumn<QByteArray>("bytes");
    // clang-format off
    QTest::newRow("one letter goes bare") << "S" << E::Auto << QByteArray("S");
    QTest::newRow("parameters get a CR") << "O1,2,1" << E::Auto << QByteArray("O1,2,1\r");
    QTest::newRow("typed CR is not doubled") << "l1\\r" << E::Auto << QByteArray("l1\r");
    QTest::newRow("^D") << "^D" << E::Auto << QByteArray("\x04");
    QTest::newRow("^Z takes a CR") << "^Z" << E::Auto << QByteArray("\x1a\r");
    QTest::newRow("escape") << "^[" << E::None << QByteArray("\x1b");
    QTest::newRow("always CR") << "P" << E::Cr << QByteArray("P\r");
    QTest::newRow("nothing added") << "l1" << E::None << QByteArray("l1");
    QTest::newRow("hex byte") << "\\x1aZ" << E::None << QByteArray("\x1aZ");
    QTest::newRow("bad hex kept") << "\\xZZ" << E::None << QByteArray("\\xZZ");
    QTest::newRow("line feed") << "e1,1\\n" << E::None << QByteArray("e1,1\n");
    QTest::newRow("empty") << "" << E::Auto << QByteArray();
    // clang-format on
}

void TestService::typedBytes()
{
    QFETCH(QString, typed);
    QFETCH(ServiceConsole::Ending, ending);
    QTEST(ServiceConsole::bytesOf(typed, ending), "bytes");
}

void TestService::consoleExchanges_data()
{
    QTest::addColumn<M>("model");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sentLine");
    QTest::addColumn<QString>("textLine"); // the answer's first line as text
    QTest::addColumn<int>("length");
    // clang-format off
    QTest::newRow("fastrak output list") << M::Fastrak << "O1" << "> O1<CR>    sent 3 bytes: 4F 31 0D" << "  21O2,1<CR><LF>" << 8;
    QTest::newRow("fastrak record") << M::Fastrak << "P" << "> P    sent 1 bytes: 50" << "" << 293;
    QTest::newRow("isotrak stations") << M::Isotrak << "l" << "> l    sent 1 bytes: 6C" << "" << 0;
    QTest::newRow("isotrak stations with CR") << M::Isotrak << "l\\r" << "> l<CR>    sent 2 bytes: 6C 0D" << "  21l11<CR><LF>" << 7;
    QTest::newRow("patriot configuration") << M::Patriot << "^Z" << "> ^Z<CR>    sent 2 bytes: 1A 0D" << "  PATRIOT (emulated)<CR><LF>" << 163;
    // clang-format on
}

void TestService::consoleExchanges()
{
    QFETCH(M, model);
    QFETCH(QString, typed);
    QFETCH(QString, textLine);
    QFETCH(int, length);
    OnEmulator rig(model);
    ServiceConsole console(rig.s);
    QVERIFY(console.takeNewLines().first().contains(traitsOf(model).name));
    QVERIFY(console.send(typed));
    QVERIFY(rig.link.isOpen());
    const qint64 took = collect(rig, console);
    QVERIFY(!rig.link.isOpen() && rig.dialogs.shown.isEmpty());
    const QStringList lines = console.takeNewLines();
    QTEST(lines.value(1), "sentLine");
    if (length == 0) {
        QVERIFY(lines.value(2).startsWith("< no answer within"));
        QCOMPARE(lines.size(), 3);
        return;
    }
    QVERIFY2(lines.value(2).startsWith(QStringLiteral("< %1 bytes, first after ").arg(length)),
             qPrintable(lines.value(2)));
    if (!textLine.isEmpty())
        QCOMPARE(lines.value(3), textLine);
    // The bytes in hex, 16 to a line, each piece with the time it arrived after the command.
    QByteArray hex;
    qint64 lastArrival = -1;
    const QRegularExpression hexLine("^  (?:\\+ *(\\d+) ms|         )  ((?:[0-9A-F]{2} ?){1,16})$");
    for (const QString &l : lines) {
        const QRegularExpressionMatch m = hexLine.match(l);
        if (m.hasMatch() && !m.captured(1).isEmpty()) {
            QVERIFY(m.captured(1).toLongLong() >= lastArrival);
            lastArrival = m.captured(1).toLongLong();
        }
        hex += QByteArray::fromHex(m.captured(2).remove(' ').toLatin1());
    }
    QCOMPARE(hex.size(), length);
    QVERIFY(hex.startsWith(textLine.isEmpty() ? "01" : textLine.mid(2, 3).toLatin1()));
    // The last piece came before the line had been quiet for the console's wait.
    QVERIFY(lastArrival >= 0 && lastArrival <= took - console.quietMs + 10);
}

// Empty commands are refused, a stream is cut after the collect time, and the session is saved.
void TestService::consoleSession()
{
    OnEmulator rig(M::Fastrak);
    ServiceConsole console(rig.s);
    QVERIFY(!console.send("  ") && !console.send(""));
    QCOMPARE(rig.dialogs.texts(), QStringList(2, "Type a command for the digitizer first."));
    QVERIFY(rig.emuLink->hostBytes().isEmpty());
    QVERIFY(console.send("C"));
    const qint64 took = collect(rig, console);
    QVERIFY(took >= console.collectMs && took <= console.collectMs + 20 && !rig.link.isOpen());
    QVERIFY(rig.emu->continuous());
    QVERIFY(console.send("c"));
    collect(rig, console);
    QVERIFY(!rig.emu->continuous());
    QVERIFY(console.send("O2"));
    collect(rig, console);
    QVERIFY(QDir().mkpath(rig.home.path("support")));
    rig.dialogs.fileAnswers.enqueue(rig.home.path("support/session.txt"));
    QVERIFY(console.saveAs());
    const QByteArray saved = rig.home.read("support/session.txt");
    QCOMPARE(QString::fromLatin1(saved).split("\r\n"), console.transcript().split('\n'));
    QVERIFY(saved.contains("> c    sent 1 bytes: 63") && saved.contains("22O2,5,6,7,1<CR><LF>"));
}

void TestService::streamTests_data()
{
    QTest::addColumn<M>("model");
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QString>("ending");  // "waiting": stopped before the first press
    QTest::addColumn<QByteArray>("host"); // all the host sent
    QTest::addColumn<Ending>("ended");
    QTest::addColumn<int>("lines"); // of each record shown
    const QByteArray cont = "O1,2,5,6,7,1\r",
                     restore = "O1,2,1\rl1,1\rl2,1\rl3,1\rl4,1\rce1,0\re1,1\r";
    const QByteArray two = cont + "l1,1\rl2,1\rl3,1\rl4,0\rcC",
                     one = cont + "l1,1\rl2,1\rl3,0\rl4,0\rcC";
    const M f = M::Fastrak, i = M::Isotrak;
    // clang-format off
    QTest::newRow("continuous, no receivers") << f << 0 << "stylus" << cont + "l1,1\rl2,0\rl3,0\rl4,0\rcC" + restore << Ending::Stylus << 1;
    QTest::newRow("continuous, two receivers") << f << 2 << "stylus" << two + restore << Ending::Stylus << 3;
    // Stopped from the window, the stream is ended before the device is restored.
    QTest::newRow("continuous, stop button") << f << 1 << "stop" << one + "c" + restore << Ending::Stopped << 2;
    // Nothing reaches a device that is gone.
    QTest::newRow("continuous, device lost") << f << 2 << "unplug" << two << Ending::DeviceGone << 3;
    // No stream was asked for, so none is stopped.
    QTest::newRow("continuous, stop before the press") << f << 1 << "waiting" << one.chopped(1) + restore << Ending::Stopped << 0;
    QTest::newRow("P-loop, stylus") << i << 1 << "stylus" << QByteArray("\4C\4c") << Ending::Stylus << 2;
    QTest::newRow("P-loop, stop button") << i << 1 << "stop" << QByteArray("\4C\4c") << Ending::Stopped << 2;
    QTest::newRow("P-loop, one station") << i << 0 << "stop" << QByteArray("\4C\4c") << Ending::Stopped << 1;
    QTest::newRow("P-loop, device lost") << i << 1 << "unplug" << QByteArray("\4C") << Ending::DeviceGone << 2;
    // clang-format on
}

// xFASTRAK > Start Digitizing (started by a press) and xISOTRAK > P-loop count every record the
// device sent, show each whole, and leave the device as it was.
void TestService::streamTests()
{
    QFETCH(M, model);
    QFETCH(int, receivers);
    QFETCH(QString, ending);
    QFETCH(int, lines);
    const bool continuous = model == M::Fastrak;
    OnEmulator rig(model, continuous ? 3 : receivers);
    rig.ws.ReceiverCount = receivers;
    const int sentBefore = rig.emu->recordsSent();
    if (continuous && ending != "waiting")
        rig.emu->schedule(rig.clock.nowMs() + 500, [&rig, ending] {
            rig.emu->press();
            arrangeEnding(rig, ending, 2000);
        });
    else
        arrangeEnding(rig, ending == "waiting" ? "stop" : ending, continuous ? 1000 : 3000);
    QVERIFY(rig.invoke(continuous ? "menuFStartDigitizing" : "menuTestPLoop"));
    const auto monitor = rig.app.menus.service.monitor();
    QVERIFY(monitor && monitor->finished() && !rig.link.isOpen());
    QTEST(rig.emuLink->hostBytes(), "host");
    QTEST(monitor->ending(), "ended");
    const int sent = rig.emu->recordsSent() - sentBefore, records = monitor->records();
    QVERIFY(lines == 0 ? records == 0 : sent > 5);
    // The record the loss of the device cut short is shown but not counted.
    QVERIFY(ending == "unplug" ? records >= sent - 1 && records <= sent : records == sent);
    const QStringList shown = monitor->takeShown();
    QCOMPARE(shown.filter(QRegularExpression("^Stylus: ")).size(), records);
    for (qsizetype k = 0; k < records - (ending == "unplug" ? 1 : 0); ++k)
        QCOMPARE(shown[k].split(QChar(13)).size(), lines);
    const QStringList texts = rig.dialogs.texts();
    QCOMPARE(texts.size(), (continuous ? 2 : 0) + (ending == "unplug" ? 1 : 0));
    if (ending == "unplug")
        QVERIFY(texts[continuous ? 1 : 0].startsWith("The digitizer stopped answering."));
    if (continuous) {
        QCOMPARE(texts.first(), "To start, press button once\rTo stop, press button again once");
        QCOMPARE(texts.last(), QStringLiteral("Digitizing Stopped - Total points %1").arg(records));
    }
    if (ending == "unplug")
        return;
    // The stream is off afterwards.
    rig.clock.advance(1000);
    QVERIFY(rig.link.open());
    rig.link.discardPending();
    rig.clock.advance(1000);
    QCOMPARE(rig.link.bytesPending(), 0);
}

void TestService::continuousTestThroughPty_data()
{
    QTest::addColumn<int>("receivers");
    QTest::addColumn<bool>("stylusEnds"); // else the Stop button
    // clang-format off
    QTest::newRow("two receivers, stylus ends") << 2 << true;
    QTest::newRow("no receiver, stop button") << 0 << false;
    // clang-format on
}

void TestService::continuousTestThroughPty()
{
    QFETCH(int, receivers);
    QFETCH(bool, stylusEnds);
    Fixtures::Home logs;
    SimdigProcess sim({"--model", "fastrak", "--noise", "0", "--receivers", "2", "--log-out",
                       logs.path("out.log")});
    QVERIFY(sim.ok());
    Rig rig(sim.device());
    rig.startUp(Fixtures::Ini().text());
    QCOMPARE(DigitizerSetup::InitializeDigitizer(rig.s), DigitizerSetup::InitResult::Configured);
    rig.ws.ReceiverCount = receivers;
    sim.send(stylusEnds ? "wait 1500\npress\nwait 2500\npress\n" : "wait 1500\npress\n");
    QObject scope;
    if (!stylusEnds)
        QTimer::singleShot(4000, &scope, [&rig] { rig.s.wait.CancelRequested = 1; });
    // Should nothing end it, the test fails instead of hanging.
    QTimer::singleShot(20000, &scope, [&rig] { rig.s.wait.CancelRequested = 1; });
    QVERIFY(rig.invoke("menuFStartDigitizing"));
    const auto monitor = rig.app.menus.service.monitor();
    QVERIFY(monitor && monitor->finished());
    QCOMPARE(monitor->ending(),
             stylusEnds ? StreamMonitor::Ending::Stylus : StreamMonitor::Ending::Stopped);

    // Records counted by their stylus blocks ("01...") in what the device sent.
    int sent = 0;
    for (const QByteArray &line : logs.read("out.log").split('\n'))
        sent += line.startsWith("01") ? 1 : 0;
    QVERIFY2(sent > 10, qPrintable(QString::number(sent)));
    QCOMPARE(monitor->records(), sent);
    QCOMPARE(monitor->takeShown().size(), sent);
    QCOMPARE(rig.dialogs.texts().last(),
             QStringLiteral("Digitizing Stopped - Total points %1").arg(sent));

    // The device answers in its normal output format again, all four stations on.
    QVERIFY(rig.invoke("menuFO1"));
    QCOMPARE(rig.app.menus.service.dataString("menuFO1"), QStringLiteral("21O2,1\r\n"));
    QVERIFY(rig.invoke("menuFastrakState01"));
    QCOMPARE(rig.app.menus.service.dataString("menuFastrakState01"), QStringLiteral("21l1111\r\n"));
    QString record;
    QCOMPARE(Records::PollDigitizerRecord(rig.s, record), Records::Outcome::Received);
    QCOMPARE(record.size(), 293);
    QVERIFY(Records::parseReading(DigitizerModel::Fastrak, record).has_value());
}

QTEST_GUILESS_MAIN(TestService)
#include "tst_service.moc"
