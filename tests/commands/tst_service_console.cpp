#include "commands/service_console.h"
#include "service_rig.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using M = DigitizerModel;
using Ending = ServiceConsole::Ending;

namespace {
// Lets virtual time pass until the console has its answer; returns the milliseconds it took.
qint64 collect(ServiceRig &rig, ServiceConsole &console)
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
    QTest::addColumn<int>("ending");
    QTest::addColumn<QByteArray>("bytes");
    const int autoEnd = int(Ending::Auto), cr = int(Ending::Cr), none = int(Ending::None);
    // clang-format off
    QTest::newRow("one letter goes bare") << "S" << autoEnd << QByteArray("S");
    QTest::newRow("parameters get a CR") << "O1,2,1" << autoEnd << QByteArray("O1,2,1\r");
    QTest::newRow("typed CR is not doubled") << "l1\\r" << autoEnd << QByteArray("l1\r");
    QTest::newRow("^D") << "^D" << autoEnd << QByteArray("\x04");
    QTest::newRow("^d lower case") << "^d" << autoEnd << QByteArray("\x04");
    QTest::newRow("^Z takes a CR") << "^Z" << autoEnd << QByteArray("\x1a\r");
    QTest::newRow("escape") << "^[" << none << QByteArray("\x1b");
    QTest::newRow("always CR") << "P" << cr << QByteArray("P\r");
    QTest::newRow("nothing added") << "l1" << none << QByteArray("l1");
    QTest::newRow("hex byte") << "\\x1aZ" << none << QByteArray("\x1aZ");
    QTest::newRow("bad hex kept") << "\\xZZ" << none << QByteArray("\\xZZ");
    QTest::newRow("backslash") << "a\\\\b" << none << QByteArray("a\\b");
    QTest::newRow("caret alone") << "^" << autoEnd << QByteArray("^");
    QTest::newRow("line feed") << "e1,1\\n" << none << QByteArray("e1,1\n");
    QTest::newRow("empty") << "" << autoEnd << QByteArray();
    // clang-format on
}

void TestServiceConsole::typedBytes()
{
    QFETCH(QString, typed);
    QFETCH(int, ending);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ServiceConsole::bytesOf(typed, static_cast<Ending>(ending)), bytes);
}

void TestServiceConsole::exchanges_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sentLine");
    QTest::addColumn<QStringList>("textLines"); // the answer as text, line by line
    QTest::addColumn<int>("length");
    // clang-format off
    QTest::newRow("fastrak output list") << int(M::Fastrak) << "O1" << "> O1<CR>    sent 3 bytes: 4F 31 0D" << QStringList{"  21O2,1<CR><LF>"} << 8;
    QTest::newRow("fastrak station state") << int(M::Fastrak) << "l1" << "> l1<CR>    sent 3 bytes: 6C 31 0D" << QStringList{"  21l1111<CR><LF>"} << 9;
    QTest::newRow("fastrak record") << int(M::Fastrak) << "P" << "> P    sent 1 bytes: 50" << QStringList{} << 293;
    QTest::newRow("isotrak stations") << int(M::Isotrak) << "l" << "> l    sent 1 bytes: 6C" << QStringList{} << 0;
    QTest::newRow("isotrak stations with CR") << int(M::Isotrak) << "l\\r" << "> l<CR>    sent 2 bytes: 6C 0D" << QStringList{"  21l11<CR><LF>"} << 7;
    QTest::newRow("patriot configuration") << int(M::Patriot) << "^Z" << "> ^Z<CR>    sent 2 bytes: 1A 0D" << QStringList{"  PATRIOT (emulated)<CR><LF>"} << 163;
    // clang-format on
}

void TestServiceConsole::exchanges()
{
    QFETCH(int, model);
    QFETCH(QString, typed);
    QFETCH(QString, sentLine);
    QFETCH(QStringList, textLines);
    QFETCH(int, length);
    ServiceRig rig(static_cast<M>(model));
    ServiceConsole console(rig.s);
    QVERIFY(console.takeNewLines().first().contains(traitsOf(static_cast<M>(model)).name));
    QVERIFY(console.send(typed));
    QVERIFY(rig.link.isOpen());
    const qint64 took = collect(rig, console);
    QVERIFY(!rig.link.isOpen());
    QVERIFY(rig.dialogs.shown.isEmpty());
    const QStringList lines = console.takeNewLines();
    QCOMPARE(lines.value(1), sentLine);
    if (length == 0) {
        QVERIFY(lines.value(2).startsWith("< no answer within"));
        QCOMPARE(lines.size(), 3);
        return;
    }
    QVERIFY2(lines.value(2).startsWith(QStringLiteral("< %1 bytes, first after ").arg(length)),
             qPrintable(lines.value(2)));
    for (int i = 0; i < textLines.size(); ++i)
        QCOMPARE(lines.value(3 + i), textLines[i]);
    // The bytes in hex, 16 to a line, each piece with the time it arrived after the command.
    QByteArray hex;
    qint64 lastArrival = -1;
    for (const QString &l : lines) {
        const QRegularExpressionMatch m =
            QRegularExpression("^  (?:\\+ *(\\d+) ms|         )  ((?:[0-9A-F]{2} ?)+)$").match(l);
        if (!m.hasMatch())
            continue;
        if (!m.captured(1).isEmpty()) {
            QVERIFY(m.captured(1).toLongLong() >= lastArrival);
            lastArrival = m.captured(1).toLongLong();
        }
        QVERIFY(m.captured(2).split(' ').size() <= 16);
        hex += QByteArray::fromHex(m.captured(2).remove(' ').toLatin1());
    }
    QCOMPARE(hex.size(), length);
    QVERIFY(hex.startsWith(textLines.isEmpty() ? "01" : textLines[0].mid(2, 3).toLatin1()));
    // The last piece came before the line had been quiet for the console's wait.
    QVERIFY(lastArrival >= 0 && lastArrival <= took - console.quietMs + 10);
}

void TestServiceConsole::streamIsCutAfterTheCollectTime()
{
    ServiceRig rig(M::Fastrak);
    ServiceConsole console(rig.s);
    QVERIFY(console.send("C"));
    const qint64 took = collect(rig, console);
    QVERIFY(took >= console.collectMs && took <= console.collectMs + 20);
    QVERIFY(!rig.link.isOpen());
    QVERIFY(rig.emu.continuous());
    QVERIFY(console.send("c"));
    collect(rig, console);
    QVERIFY(!rig.emu.continuous());
    QVERIFY(console.transcript().contains("> c    sent 1 bytes: 63"));
}

void TestServiceConsole::sessionIsSaved()
{
    ServiceRig rig(M::Fastrak);
    ServiceConsole console(rig.s);
    QVERIFY(console.send("O2"));
    collect(rig, console);
    const QString path = rig.path("support/session.txt");
    QVERIFY(QDir().mkpath(rig.path("support")));
    rig.dialogs.fileAnswers.enqueue(path);
    QVERIFY(console.saveAs());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    QCOMPARE(QString::fromLatin1(saved).split("\r\n").mid(0, 5),
             console.transcript().split('\n').mid(0, 5));
    QVERIFY(saved.contains("22O2,5,6,7,1<CR><LF>"));
    // A cancelled dialog writes nothing; a folder in the way is told.
    QVERIFY(!console.saveAs());
    rig.dialogs.fileAnswers.enqueue(rig.path("support"));
    QVERIFY(!console.saveAs());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].contains("support"));
}

void TestServiceConsole::emptyCommandAndClosedPort()
{
    ServiceRig rig(M::Fastrak);
    ServiceConsole console(rig.s);
    QVERIFY(!console.send("  "));
    QVERIFY(!console.send(""));
    QCOMPARE(rig.dialogs.texts(), QStringList(2, "Type a command for the digitizer first."));
    QVERIFY(rig.link.hostBytes().isEmpty());
    rig.link.unplug(true);
    QVERIFY(!console.send("S"));
    QCOMPARE(rig.dialogs.texts().size(), 3);
    QVERIFY(rig.dialogs.texts()[2].startsWith("The digitizer port could not be opened."));
    QVERIFY(!console.collecting());
}

QTEST_GUILESS_MAIN(TestServiceConsole)
#include "tst_service_console.moc"
