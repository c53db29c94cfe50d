#include "commands/service_console.h"
#include "on_emulator.h"

#include <QRegularExpression>
#include <QTest>

using M = DigitizerModel;
using Ending = ServiceConsole::Ending;

namespace {
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
} // namespace

class TestServiceConsole : public QObject
{
    Q_OBJECT
private slots:
    void typedBytes_data();
    void typedBytes();
    void exchanges_data();
    void exchanges();
    void streamIsCutAfterTheCollectTime();
    void sessionIsSaved();
    void emptyCommandAndClosedPort();
};

void TestServiceConsole::typedBytes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<QByteArray>("bytes");
    // clang-format off
    QTest::newRow("one letter goes bare") << "S" << Ending::Auto << QByteArray("S");
    QTest::newRow("parameters get a CR") << "O1,2,1" << Ending::Auto << QByteArray("O1,2,1\r");
    QTest::newRow("typed CR is not doubled") << "l1\\r" << Ending::Auto << QByteArray("l1\r");
    QTest::newRow("^D") << "^D" << Ending::Auto << QByteArray("\x04");
    QTest::newRow("^Z takes a CR") << "^Z" << Ending::Auto << QByteArray("\x1a\r");
    QTest::newRow("escape") << "^[" << Ending::None << QByteArray("\x1b");
    QTest::newRow("always CR") << "P" << Ending::Cr << QByteArray("P\r");
    QTest::newRow("nothing added") << "l1" << Ending::None << QByteArray("l1");
    QTest::newRow("hex byte") << "\\x1aZ" << Ending::None << QByteArray("\x1aZ");
    QTest::newRow("bad hex kept") << "\\xZZ" << Ending::None << QByteArray("\\xZZ");
    QTest::newRow("line feed") << "e1,1\\n" << Ending::None << QByteArray("e1,1\n");
    QTest::newRow("empty") << "" << Ending::Auto << QByteArray();
    // clang-format on
}

void TestServiceConsole::typedBytes()
{
    QFETCH(QString, typed);
    QFETCH(Ending, ending);
    QTEST(ServiceConsole::bytesOf(typed, ending), "bytes");
}

void TestServiceConsole::exchanges_data()
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

void TestServiceConsole::exchanges()
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
    const QRegularExpression hexLine("^  (?:\\+ *(\\d+) ms|         )  ((?:[0-9A-F]{2} ?)+)$");
    for (const QString &l : lines) {
        const QRegularExpressionMatch m = hexLine.match(l);
        if (m.hasMatch() && !m.captured(1).isEmpty()) {
            QVERIFY(m.captured(1).toLongLong() >= lastArrival);
            lastArrival = m.captured(1).toLongLong();
        }
        if (m.hasMatch()) {
            QVERIFY(m.captured(2).split(' ').size() <= 16);
            hex += QByteArray::fromHex(m.captured(2).remove(' ').toLatin1());
        }
    }
    QCOMPARE(hex.size(), length);
    QVERIFY(hex.startsWith(textLine.isEmpty() ? "01" : textLine.mid(2, 3).toLatin1()));
    // The last piece came before the line had been quiet for the console's wait.
    QVERIFY(lastArrival >= 0 && lastArrival <= took - console.quietMs + 10);
}

void TestServiceConsole::streamIsCutAfterTheCollectTime()
{
    OnEmulator rig(M::Fastrak);
    ServiceConsole console(rig.s);
    QVERIFY(console.send("C"));
    const qint64 took = collect(rig, console);
    QVERIFY(took >= console.collectMs && took <= console.collectMs + 20 && !rig.link.isOpen());
    QVERIFY(rig.emu->continuous());
    QVERIFY(console.send("c"));
    collect(rig, console);
    QVERIFY(!rig.emu->continuous() && console.transcript().contains("> c    sent 1 bytes: 63"));
}

void TestServiceConsole::sessionIsSaved()
{
    OnEmulator rig(M::Fastrak);
    ServiceConsole console(rig.s);
    QVERIFY(console.send("O2"));
    collect(rig, console);
    QVERIFY(QDir().mkpath(rig.home.path("support")));
    rig.dialogs.fileAnswers.enqueue(rig.home.path("support/session.txt"));
    QVERIFY(console.saveAs());
    const QByteArray saved = rig.home.read("support/session.txt");
    QCOMPARE(QString::fromLatin1(saved).split("\r\n").mid(0, 5),
             console.transcript().split('\n').mid(0, 5));
    QVERIFY(saved.contains("22O2,5,6,7,1<CR><LF>"));
    // A folder in the way is told.
    rig.dialogs.fileAnswers.enqueue(rig.home.path("support"));
    QVERIFY(!console.saveAs());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].contains("support"));
}

void TestServiceConsole::emptyCommandAndClosedPort()
{
    OnEmulator rig(M::Fastrak);
    ServiceConsole console(rig.s);
    QVERIFY(!console.send("  "));
    QVERIFY(!console.send(""));
    QCOMPARE(rig.dialogs.texts(), QStringList(2, "Type a command for the digitizer first."));
    QVERIFY(rig.emuLink->hostBytes().isEmpty());
    rig.emuLink->unplug(true);
    QVERIFY(!console.send("S"));
    QCOMPARE(rig.dialogs.texts().size(), 3);
    QVERIFY(rig.dialogs.texts()[2].startsWith("The digitizer port could not be opened."));
    QVERIFY(!console.collecting());
}

QTEST_GUILESS_MAIN(TestServiceConsole)
#include "tst_service_console.moc"
