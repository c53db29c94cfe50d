#include "data/file_error.h"
#include "data/fixed8.h"
#include "data/number_text.h"
#include "data/point_types.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "fakes.h"

#include <QBuffer>
#include <QTest>
#include <cmath>

// The line grammar of the files; numbers, names and point type codes as text.
class TestText : public QObject
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
    void readNumber_data();
    void readNumber();
    void str_data();
    void str();
    void myFormat_data();
    void myFormat();
    void fixed8_data();
    void fixed8();
    void pointTypes_data();
    void pointTypes();
};

void TestText::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // clang-format off
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("lf") << QByteArray("a\nb\nc\n");
    QTest::newRow("cr") << QByteArray("a\rb\rc\r");
    QTest::newRow("no final end") << QByteArray("a\r\nb\nc");
    // clang-format on
}

void TestText::lineEnds()
{
    QFETCH(QByteArray, bytes);
    LineReader r(bytes);
    QStringList lines;
    while (!r.atEnd())
        lines << r.readLine();
    QCOMPARE(lines, (QStringList{"a", "b", "c"}));
}

void TestText::dataLinesAndTypeLines()
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

void TestText::getNameTag_data()
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

void TestText::getNameTag()
{
    QFETCH(QString, line);
    QFETCH(QString, name);
    QCOMPARE(GetNameTag(line), name);
}

void TestText::numberFields()
{
    int a = -1, b = -1;
    SplitTwoInts(u"2.5\t3.5", a, b); // halves to the even neighbour
    QCOMPARE((QList<int>{a, b}), (QList<int>{2, 4}));
    // A missing field is a malformed line, never a silent zero.
    QVERIFY_THROWS_EXCEPTION(FileError, SplitTwoInts(u"7", a, b));
    double x, y, z, w, six[6];
    ParseThree(u"1.5\t-2\t3e-1", x, y, z);
    QCOMPARE((QList<double>{x, y, z}), (QList<double>{1.5, -2.0, 0.3}));
    QVERIFY_THROWS_EXCEPTION(FileError, ParseThree(u"4\t5", x, y, z));
    QVERIFY_THROWS_EXCEPTION(FileError, ParseThree(u"4\tfive\t6", x, y, z));
    ParseThree(u"4,5\t-0,25\t1", x, y, z); // decimal commas read back
    QCOMPARE((QList<double>{x, y, z}), (QList<double>{4.5, -0.25, 1.0}));
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

void TestText::typeLine_data()
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

void TestText::typeLine()
{
    QFETCH(QString, line);
    QFETCH(bool, valid);
    QCOMPARE(isValidTypeLine(line), valid);
}

void TestText::longAndBinaryLines()
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

void TestText::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("whole"); // NaN: not one number alone
    QTest::addColumn<int>("rounded");
    const double no = std::nan("");
    // clang-format off
    QTest::newRow("plain") << "12.5" << 12.5 << 12.5 << 12;
    QTest::newRow("leading blanks") << "   -3.25" << -3.25 << -3.25 << -3;
    QTest::newRow("blanks around") << "  3.5  " << 3.5 << 3.5 << 4;
    QTest::newRow("leading tab is not a blank") << "\t4" << 0.0 << no << 0;
    QTest::newRow("empty") << "" << 0.0 << no << 0;
    QTest::newRow("text") << "abc" << 0.0 << no << 0;
    QTest::newRow("decimal comma") << "0,1234" << 0.1234 << no << 0;
    QTest::newRow("decimal comma after digits") << "12,75" << 12.75 << no << 13;
    QTest::newRow("stops at junk") << "7.5cm" << 7.5 << no << 8;
    QTest::newRow("stops at blank") << "1 2" << 1.0 << no << 1;
    QTest::newRow("exponent") << "1.5E2" << 150.0 << 150.0 << 150;
    QTest::newRow("d exponent") << "2D-1" << 0.2 << 0.2 << 0;
    QTest::newRow("dangling exponent") << "3e" << 3.0 << no << 3;
    QTest::newRow("leading point") << ".25" << 0.25 << 0.25 << 0;
    QTest::newRow("plus sign") << "+8" << 8.0 << 8.0 << 8;
    QTest::newRow("sign only") << "-" << 0.0 << no << 0;
    QTest::newRow("overflow reads 0") << "1e999" << 0.0 << no << 0;
    QTest::newRow("half to even below") << "2.5" << 2.5 << 2.5 << 2;
    QTest::newRow("half to even negative") << "-2.5" << -2.5 << -2.5 << -2;
    QTest::newRow("past int") << "1e30" << 1e30 << 1e30 << 0;
    // clang-format on
}

void TestText::readNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QFETCH(double, whole);
    QFETCH(int, rounded);
    QCOMPARE(::readNumber(text), expected);
    const std::optional<double> w = readWholeNumber(text);
    QCOMPARE(w.has_value(), !std::isnan(whole));
    if (w)
        QCOMPARE(*w, whole);
    QCOMPARE(roundToInt(expected), rounded);
}

void TestText::str_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    // clang-format off
    QTest::newRow("two") << 2.0 << " 2";
    QTest::newRow("zero") << 0.0 << " 0";
    QTest::newRow("negative zero") << -0.0 << " 0";
    QTest::newRow("half") << 0.5 << " .5";
    QTest::newRow("minus half") << -0.5 << "-.5";
    QTest::newRow("five") << 5.0 << " 5";
    QTest::newRow("tenth") << 0.1 << " .1";
    QTest::newRow("negative") << -12.25 << "-12.25";
    QTest::newRow("fifteen digits") << 1.0 / 3.0 << " .333333333333333";
    QTest::newRow("large") << 1e20 << " 1E+20";
    // clang-format on
}

void TestText::str()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(Str(value), expected);
}

void TestText::myFormat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("padded"); // as Curry files and listings write it
    // clang-format off
    QTest::newRow("tenth comma") << 0.1 << "#0.###0" << "Comma" << "TEVO" << "0,1000" << "0,1000";
    QTest::newRow("tenth comma curry") << 0.1 << "#0.###0" << "Comma" << "Curry" << "0,1000" << "   0,1000";
    QTest::newRow("period four") << 1.23456 << "#0.###0" << "Period" << "TEVO" << "1.2346" << "1.2346";
    QTest::newRow("negative four") << -0.0712 << "#0.###0" << "Period" << "BESA" << "-0.0712" << "-0.0712";
    QTest::newRow("half away up") << 0.00005 << "#0.###0" << "Period" << "TEVO" << "0.0001" << "0.0001";
    QTest::newRow("half away negative") << -0.00005 << "#0.###0" << "Period" << "TEVO" << "-0.0001" << "-0.0001";
    QTest::newRow("negative rounds to zero") << -0.00004 << "#0.###0" << "Period" << "TEVO" << "0.0000" << "0.0000";
    QTest::newRow("carry") << 9.99996 << "#0.###0" << "Period" << "TEVO" << "10.0000" << "10.0000";
    QTest::newRow("two decimals") << 12.345 << "#0.00" << "Period" << "TEVO" << "12.35" << "12.35";
    QTest::newRow("listing two") << -3.0 << "#0.#0" << "Comma" << "TEVO" << "-3,00" << "-3,00";
    QTest::newRow("curry mm") << -85.125 << "#0.00" << "Period" << "Curry" << "-85.13" << "   -85.13";
    QTest::newRow("curry nine already") << 123456.78 << "#0.00" << "Period" << "Curry" << "123456.78" << "123456.78";
    QTest::newRow("curry long not cut") << 12345678.9 << "#0.00" << "Period" << "Curry" << "12345678.90" << "12345678.90";
    QTest::newRow("big") << 123456.0 << "#0.###0" << "Period" << "TEVO" << "123456.0000" << "123456.0000";
    QTest::newRow("tiny") << 1e-12 << "#0.###0" << "Period" << "TEVO" << "0.0000" << "0.0000";
    QTest::newRow("carry past the point") << -0.99995 << "#0.###0" << "Period" << "TEVO" << "-1.0000" << "-1.0000";
    QTest::newRow("huge") << 1e20 << "#0.00" << "Period" << "TEVO" << "100000000000000000000.00" << "100000000000000000000.00";
    QTest::newRow("small with leading zeros") << 0.00123456 << "#0.###0" << "Period" << "TEVO" << "0.0012" << "0.0012";
    QTest::newRow("unknown decimal keeps text") << 1.5 << "#0.00" << "Dot" << "TEVO" << "1.50" << "1.50";
    QTest::newRow("unknown pattern is told") << 7.6 << "#0" << "Period" << "TEVO" << "8" << "8";
    // clang-format on
}

void TestText::myFormat()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, decimal);
    QFETCH(QString, system);
    QFETCH(QString, expected);
    QFETCH(QString, padded);
    Settings s;
    s.DecimalPoint = decimal;
    s.CoordinateSystem = system;
    FakeDialogs dialogs;
    QCOMPARE(::myFormat(value, pattern, s, &dialogs), expected);
    QCOMPARE(curryPadded(expected, s), padded);
    const QString told = "myFormat(): something is wrong with periods and commas";
    QCOMPARE(dialogs.texts(), pattern == "#0" ? QStringList{told} : QStringList{});
}

void TestText::fixed8_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("stored");
    // clang-format off
    QTest::newRow("short") << "Cz" << "Cz      ";
    QTest::newRow("exact") << "ABCDEFGH" << "ABCDEFGH";
    QTest::newRow("long") << "Nasion-long" << "Nasion-l";
    QTest::newRow("empty") << "" << "        ";
    // clang-format on
}

void TestText::fixed8()
{
    QFETCH(QString, input);
    QFETCH(QString, stored);
    Fixed8 f;
    f = input;
    QCOMPARE(f.text(), stored);
    QCOMPARE(Fixed8(input).text(), stored);
}

void TestText::pointTypes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");      // empty: not supported
    QTest::addColumn<QString>("canonical"); // the code the name stands for
    // clang-format off
    QTest::newRow("1") << "1" << "Fiducial, Nasion" << "1";
    QTest::newRow("2") << "2" << "Fiducial, Left Preauricular" << "2";
    QTest::newRow("4") << "4" << "Fiducial, Right Preauricular" << "4";
    QTest::newRow("8") << "8" << "Other Named Point" << "8";
    QTest::newRow("400") << "400" << "Electrode" << "400";
    QTest::newRow("1400") << "1400" << "Electrode" << "400";
    QTest::newRow("1C00") << "1C00" << "Reference" << "1C00";
    QTest::newRow("1c00") << "1c00" << "Reference" << "1C00";
    QTest::newRow("C00") << "C00" << "Reference" << "1C00";
    QTest::newRow("c00") << "c00" << "Reference" << "1C00";
    QTest::newRow("4000") << "4000" << "Other Sensor Type" << "4000";
    QTest::newRow("unknown") << "3" << "" << "";
    QTest::newRow("padded") << " 400" << "" << "";
    QTest::newRow("case of 1400") << "1C0" << "" << "";
    // clang-format on
}

void TestText::pointTypes()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, canonical);
    FakeDialogs d;
    QCOMPARE(PointTypeName(code, d), name);
    QCOMPARE(IsSupportedCode(code), !name.isEmpty());
    QString back = QStringLiteral("unchanged");
    PointTypeCode(name.isEmpty() ? code : name, back, d); // a code is no type name
    QCOMPARE(back, name.isEmpty() ? QStringLiteral("unchanged") : canonical);
    const QStringList told = {"Code " + code + "  is not supported",
                              "Type " + code + "  is not supported"};
    QCOMPARE(d.texts(), name.isEmpty() ? told : QStringList{});
}

QTEST_APPLESS_MAIN(TestText)
#include "tst_text.moc"
