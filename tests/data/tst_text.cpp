#include "data/number_text.h"
#include "data/point_types.h"
#include "data/workspace.h"
#include "fakes.h"

#include <QTest>
#include <cmath>

// Numbers and point type codes as the files and listings hold them.
class TestText : public QObject
{
    Q_OBJECT
private slots:
    void readNumber_data();
    void readNumber();
    void str_data();
    void str();
    void myFormat_data();
    void myFormat();
    void pointTypes_data();
    void pointTypes();
};

void TestText::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("whole"); // NaN: not one number alone
    QTest::addColumn<int>("rounded");
    const double no = std::nan("");
    // clang-format off
    QTest::newRow("blanks around") << "  3.5  " << 3.5 << 3.5 << 4;
    QTest::newRow("leading tab is not a blank") << "\t4" << 0.0 << no << 0;
    QTest::newRow("empty") << "" << 0.0 << no << 0;
    QTest::newRow("text") << "abc" << 0.0 << no << 0;
    QTest::newRow("decimal comma") << "0,1234" << 0.1234 << no << 0;
    QTest::newRow("stops at junk") << "7.5cm" << 7.5 << no << 8;
    QTest::newRow("d exponent") << "2D-1" << 0.2 << 0.2 << 0;
    QTest::newRow("dangling exponent") << "3e" << 3.0 << no << 3;
    QTest::newRow("overflow reads 0") << "1e999" << 0.0 << no << 0;
    QTest::newRow("half to even below") << "2.5" << 2.5 << 2.5 << 2;
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
    QTest::newRow("negative zero") << -0.0 << " 0";
    QTest::newRow("minus half") << -0.5 << "-.5";
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
    QTest::newRow("half away up") << 0.00005 << "#0.###0" << "Period" << "TEVO" << "0.0001" << "0.0001";
    QTest::newRow("negative rounds to zero") << -0.00004 << "#0.###0" << "Period" << "TEVO" << "0.0000" << "0.0000";
    QTest::newRow("carry") << 9.99996 << "#0.###0" << "Period" << "TEVO" << "10.0000" << "10.0000";
    QTest::newRow("two decimals") << 12.345 << "#0.00" << "Period" << "TEVO" << "12.35" << "12.35";
    QTest::newRow("curry mm") << -85.125 << "#0.00" << "Period" << "Curry" << "-85.13" << "   -85.13";
    QTest::newRow("carry past the point") << -0.99995 << "#0.###0" << "Period" << "TEVO" << "-1.0000" << "-1.0000";
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

void TestText::pointTypes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");      // empty: not supported
    QTest::addColumn<QString>("canonical"); // the code the name stands for
    // clang-format off
    QTest::newRow("1") << "1" << "Fiducial, Nasion" << "1";
    QTest::newRow("400") << "400" << "Electrode" << "400";
    QTest::newRow("1400") << "1400" << "Electrode" << "400";
    QTest::newRow("1C00") << "1C00" << "Reference" << "1C00";
    QTest::newRow("C00") << "C00" << "Reference" << "1C00";
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
