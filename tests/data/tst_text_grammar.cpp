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
    void dataLinesAndTypeLines();
    void getNameTag_data();
    void getNameTag();
    void numberFields();
    void typeLine_data();
    void typeLine();
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

void TestTextGrammar::dataLinesAndTypeLines()
{
    LineReader r("\r\n//comment\r\n%O option\r\n  //not a comment\r\n   \r\n%N\tCz\r\n");
    QCOMPARE(r.ReadDataLine(), "  //not a comment");
    QCOMPARE(r.ReadDataLine(), "   ");
    QVERIFY(r.hasDataLine());
    QCOMPARE(r.ReadDataLine(), "%N\tCz");
    QVERIFY(!r.hasDataLine());
    try {
        r.ReadDataLine();
        QFAIL("read past the end without error");
    } catch (const FileError &e) {
        QCOMPARE(e.kind(), FileError::Kind::PastEnd);
    }
    LineReader revision("3\t2\r\n//revision follows\r\n1\r\n");
    QCOMPARE(readTypeAndRevision(revision), 1);
    for (const QByteArray &bytes : {QByteArray(), QByteArray("//3\t2\r\n1\r\n")}) {
        LineReader wrong(bytes);
        try {
            readTypeAndRevision(wrong);
            QFAIL("accepted a file without a type line");
        } catch (const FileError &e) {
            QCOMPARE(e.kind(), FileError::Kind::WrongType);
            QCOMPARE(e.message(), "wrong file type");
        }
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

void TestTextGrammar::numberFields()
{
    int a = -1, b = -1;
    SplitTwoInts(u"2.5\t3.5", a, b); // halves to the even neighbour
    QCOMPARE((QList<int>{a, b}), (QList<int>{2, 4}));
    SplitTwoInts(u"7", a, b);
    QCOMPARE((QList<int>{a, b}), (QList<int>{7, 0}));
    double x, y, z, w, six[6];
    ParseThree(u"1.5\t-2\t3e-1", x, y, z);
    QCOMPARE((QList<double>{x, y, z}), (QList<double>{1.5, -2.0, 0.3}));
    ParseThree(u"4\t5", x, y, z);
    QCOMPARE(z, 0.0);
    ParseTagF3(u"%F\t0.1\t0.2\t0.3", x, y, z);
    QCOMPARE(y, 0.2);
    ParseTagF4(u"%F\t1\t0\t0\t-0.05", x, y, z, w);
    QCOMPARE((QList<double>{x, w}), (QList<double>{1.0, -0.05}));
    ParseSix(u"1\t2\t3\t4\t5\t6", six);
    QCOMPARE(six[5], 6.0);
    ParseTwoAndInt(u"0.5\t0.25\t2.5", x, y, a);
    QCOMPARE(y, 0.25);
    QCOMPARE(a, 2);
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
