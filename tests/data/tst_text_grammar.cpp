#include "data/file_error.h"
#include "data/text_grammar.h"

#include <QBuffer>
#include <QTest>

class TestTextGrammar : public QObject
{
    Q_OBJECT
private slots:
    void lineEnds_data();
    void lineEnds();
    void readDataLineSkips();
    void readPastEndThrows();
    void getNameTag_data();
    void getNameTag();
    void splitTwoInts();
    void parseReaders();
    void parseTagFRejectsOtherLines();
    void typeLine_data();
    void typeLine();
    void revisionAfterComment();
    void wrongTypeThrows();
    void longAndBinaryLines();
};

void TestTextGrammar::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // clang-format off
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("lf") << QByteArray("a\nb\nc\n");
    QTest::newRow("cr") << QByteArray("a\rb\rc\r");
    QTest::newRow("no final end") << QByteArray("a\r\nb\nc");
    // clang-format on
}

void TestTextGrammar::lineEnds()
{
    QFETCH(QByteArray, bytes);
    LineReader r(bytes);
    QStringList lines;
    while (!r.atEnd())
        lines << r.readLine();
    QCOMPARE(lines, (QStringList{"a", "b", "c"}));
}

void TestTextGrammar::readDataLineSkips()
{
    LineReader r("\r\n//comment\r\n%O option\r\n  //not a comment\r\n   \r\n%N\tCz\r\n");
    QCOMPARE(r.ReadDataLine(), QStringLiteral("  //not a comment"));
    QCOMPARE(r.ReadDataLine(), QStringLiteral("   "));
    QVERIFY(r.hasDataLine());
    QCOMPARE(r.ReadDataLine(), QStringLiteral("%N\tCz"));
    QVERIFY(!r.hasDataLine());
}

void TestTextGrammar::readPastEndThrows()
{
    LineReader r("//only a comment\r\n");
    try {
        r.ReadDataLine();
        QFAIL("read past the end without error");
    } catch (const FileError &e) {
        QCOMPARE(e.kind(), FileError::Kind::PastEnd);
    }
}

void TestTextGrammar::getNameTag_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name");
    // clang-format off
    QTest::newRow("tab and name") << "%N\tFp1" << "Fp1";
    QTest::newRow("blank separator") << "%N Fp2" << "Fp2";
    QTest::newRow("tag alone") << "%N" << "";
    QTest::newRow("tag and separator") << "%N\t" << "";
    QTest::newRow("sensor line") << "%S\t400" << "flagName";
    QTest::newRow("long name kept whole") << "%N\tVeryLongName" << "VeryLongName";
    // clang-format on
}

void TestTextGrammar::getNameTag()
{
    QFETCH(QString, line);
    QFETCH(QString, name);
    QCOMPARE(GetNameTag(line), name);
}

void TestTextGrammar::splitTwoInts()
{
    int a = -1, b = -1;
    SplitTwoInts(u"2.5\t3.5", a, b);
    QCOMPARE(a, 2);
    QCOMPARE(b, 4);
    SplitTwoInts(u"7", a, b);
    QCOMPARE(a, 7);
    QCOMPARE(b, 0);
}

void TestTextGrammar::parseReaders()
{
    double x, y, z;
    ParseThree(u"1.5\t-2\t3e-1", x, y, z);
    QCOMPARE(x, 1.5);
    QCOMPARE(y, -2.0);
    QCOMPARE(z, 0.3);
    ParseThree(u"4\t5", x, y, z);
    QCOMPARE(z, 0.0);
    ParseTagF3(u"%F\t0.1\t0.2\t0.3", x, y, z);
    QCOMPARE(y, 0.2);
    double a, b, c, d;
    ParseTagF4(u"%F\t1\t0\t0\t-0.05", a, b, c, d);
    QCOMPARE(a, 1.0);
    QCOMPARE(d, -0.05);
    double six[6];
    ParseSix(u"1\t2\t3\t4\t5\t6", six);
    QCOMPARE(six[5], 6.0);
    int n;
    ParseTwoAndInt(u"0.5\t0.25\t2.5", a, b, n);
    QCOMPARE(b, 0.25);
    QCOMPARE(n, 2);
}

void TestTextGrammar::parseTagFRejectsOtherLines()
{
    double x, y, z;
    QVERIFY_THROWS_EXCEPTION(FileError, ParseTagF3(u"0.1\t0.2\t0.3", x, y, z));
    QVERIFY_THROWS_EXCEPTION(FileError, ParseTagF3(u"%N\t0.2", x, y, z));
}

void TestTextGrammar::typeLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("valid");
    // clang-format off
    QTest::newRow("3 tab 2") << "3\t2" << true;
    QTest::newRow("shape 3 tab 200") << "3\t200" << true;
    QTest::newRow("blank separator") << "3 2" << true;
    QTest::newRow("2 tab 3") << "2\t3" << false;
    QTest::newRow("short") << "3" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("text") << "hello" << false;
    // clang-format on
}

void TestTextGrammar::typeLine()
{
    QFETCH(QString, line);
    QFETCH(bool, valid);
    QCOMPARE(isValidTypeLine(line), valid);
}

void TestTextGrammar::revisionAfterComment()
{
    LineReader r("3\t2\r\n//revision follows\r\n1\r\n");
    QCOMPARE(readTypeAndRevision(r), 1);
}

void TestTextGrammar::wrongTypeThrows()
{
    for (const QByteArray &bytes : {QByteArray(), QByteArray("//3\t2\r\n1\r\n")}) {
        LineReader r(bytes);
        try {
            readTypeAndRevision(r);
            QFAIL("accepted a file without a type line");
        } catch (const FileError &e) {
            QCOMPARE(e.kind(), FileError::Kind::WrongType);
            QCOMPARE(e.message(), QStringLiteral("wrong file type"));
        }
    }
}

void TestTextGrammar::longAndBinaryLines()
{
    QByteArray bytes(100000, 'x');
    bytes += "\r\n";
    bytes += QByteArray("\x00\xff\x80z", 4);
    QBuffer buffer(&bytes);
    LineReader r = LineReader::fromDevice(buffer);
    QCOMPARE(r.readLine().size(), 100000);
    const QString binary = r.readLine();
    QCOMPARE(binary.size(), 4);
    QCOMPARE(binary.at(1).unicode(), ushort(0xff));
    QVERIFY(r.atEnd());
}

QTEST_APPLESS_MAIN(TestTextGrammar)
#include "tst_text_grammar.moc"
