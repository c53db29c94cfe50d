#include "data/number_text.h"
#include "data/workspace.h"
#include "fake_dialogs.h"

#include <QTest>

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void readNumber_data();
    void readNumber();
    void str_data();
    void str();
    void myFormat_data();
    void myFormat();
    void myFormatUnknownPatternIsReported();
    void curryPadded_data();
    void curryPadded();
    void roundToIntHalvesToEven_data();
    void roundToIntHalvesToEven();
};

void TestNumberText::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    // clang-format off
    QTest::newRow("plain") << "12.5" << 12.5;
    QTest::newRow("leading blanks") << "   -3.25" << -3.25;
    QTest::newRow("leading tab is not a blank") << "\t4" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("text") << "abc" << 0.0;
    QTest::newRow("comma reads integer part") << "0,1234" << 0.0;
    QTest::newRow("comma after digits") << "12,75" << 12.0;
    QTest::newRow("stops at junk") << "7.5cm" << 7.5;
    QTest::newRow("stops at blank") << "1 2" << 1.0;
    QTest::newRow("exponent") << "1.5E2" << 150.0;
    QTest::newRow("d exponent") << "2D-1" << 0.2;
    QTest::newRow("dangling exponent") << "3e" << 3.0;
    QTest::newRow("leading point") << ".25" << 0.25;
    QTest::newRow("plus sign") << "+8" << 8.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("overflow reads 0") << "1e999" << 0.0;
    // clang-format on
}

void TestNumberText::readNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(::readNumber(text), expected);
}

void TestNumberText::str_data()
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

void TestNumberText::str()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(Str(value), expected);
}

void TestNumberText::myFormat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("expected");
    // clang-format off
    QTest::newRow("tenth comma") << 0.1 << "#0.###0" << "Comma" << "TEVO" << "0,1000";
    QTest::newRow("tenth comma curry not padded") << 0.1 << "#0.###0" << "Comma" << "Curry" << "0,1000";
    QTest::newRow("period four") << 1.23456 << "#0.###0" << "Period" << "TEVO" << "1.2346";
    QTest::newRow("negative four") << -0.0712 << "#0.###0" << "Period" << "TEVO" << "-0.0712";
    QTest::newRow("half away up") << 0.00005 << "#0.###0" << "Period" << "TEVO" << "0.0001";
    QTest::newRow("half away negative") << -0.00005 << "#0.###0" << "Period" << "TEVO" << "-0.0001";
    QTest::newRow("negative rounds to zero") << -0.00004 << "#0.###0" << "Period" << "TEVO" << "0.0000";
    QTest::newRow("carry") << 9.99996 << "#0.###0" << "Period" << "TEVO" << "10.0000";
    QTest::newRow("two decimals") << 12.345 << "#0.00" << "Period" << "TEVO" << "12.35";
    QTest::newRow("listing two") << -3.0 << "#0.#0" << "Comma" << "TEVO" << "-3,00";
    QTest::newRow("curry mm not padded") << -85.125 << "#0.00" << "Period" << "Curry" << "-85.13";
    QTest::newRow("big") << 123456.0 << "#0.###0" << "Period" << "TEVO" << "123456.0000";
    QTest::newRow("tiny") << 1e-12 << "#0.###0" << "Period" << "TEVO" << "0.0000";
    QTest::newRow("carry past the point") << -0.99995 << "#0.###0" << "Period" << "TEVO" << "-1.0000";
    QTest::newRow("huge") << 1e20 << "#0.00" << "Period" << "TEVO" << "100000000000000000000.00";
    QTest::newRow("small with leading zeros") << 0.00123456 << "#0.###0" << "Period" << "TEVO" << "0.0012";
    QTest::newRow("unknown decimal keeps text") << 1.5 << "#0.00" << "Dot" << "TEVO" << "1.50";
    // clang-format on
}

void TestNumberText::myFormat()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, decimal);
    QFETCH(QString, system);
    QFETCH(QString, expected);
    Settings s;
    s.DecimalPoint = decimal;
    s.CoordinateSystem = system;
    FakeDialogs dialogs;
    QCOMPARE(::myFormat(value, pattern, s, &dialogs), expected);
    QVERIFY(dialogs.shown.isEmpty());
}

void TestNumberText::myFormatUnknownPatternIsReported()
{
    Settings s;
    s.DecimalPoint = QStringLiteral("Period");
    FakeDialogs dialogs;
    QCOMPARE(::myFormat(7.6, QStringLiteral("#0"), s, &dialogs), QStringLiteral("8"));
    QCOMPARE(dialogs.texts(),
             QStringList{QStringLiteral("myFormat(): something is wrong with periods and commas")});
}

void TestNumberText::curryPadded_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("expected");
    // clang-format off
    QTest::newRow("short in Curry") << "0,1000" << "Curry" << "   0,1000";
    QTest::newRow("negative in Curry") << "-85.13" << "Curry" << "   -85.13";
    QTest::newRow("nine already") << "123456.78" << "Curry" << "123456.78";
    QTest::newRow("longer not cut") << "12345678.90" << "Curry" << "12345678.90";
    QTest::newRow("TEVO untouched") << "0.1000" << "TEVO" << "0.1000";
    QTest::newRow("BESA untouched") << "-3,00" << "BESA" << "-3,00";
    // clang-format on
}

void TestNumberText::curryPadded()
{
    QFETCH(QString, text);
    QFETCH(QString, system);
    QFETCH(QString, expected);
    Settings s;
    s.CoordinateSystem = system;
    QCOMPARE(::curryPadded(text, s), expected);
}

void TestNumberText::roundToIntHalvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    // clang-format off
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("3.5") << 3.5 << 4;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("2.6") << 2.6 << 3;
    QTest::newRow("huge") << 1e30 << 0;
    // clang-format on
}

void TestNumberText::roundToIntHalvesToEven()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(roundToInt(value), expected);
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_number_text.moc"
