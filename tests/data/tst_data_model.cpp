#include "data/fixed8.h"
#include "data/point_types.h"
#include "fake_dialogs.h"

#include <QTest>

class TestDataModel : public QObject
{
    Q_OBJECT
private slots:
    void fixed8_data();
    void fixed8();
    void pointTypeName_data();
    void pointTypeName();
    void pointTypeCode_data();
    void pointTypeCode();
};

void TestDataModel::fixed8_data()
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

void TestDataModel::fixed8()
{
    QFETCH(QString, input);
    QFETCH(QString, stored);
    Fixed8 f;
    f = input;
    QCOMPARE(f.text(), stored);
    QCOMPARE(Fixed8(input).text(), stored);
}

void TestDataModel::pointTypeName_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    // clang-format off
    QTest::newRow("1") << "1" << "Fiducial, Nasion";
    QTest::newRow("2") << "2" << "Fiducial, Left Preauricular";
    QTest::newRow("4") << "4" << "Fiducial, Right Preauricular";
    QTest::newRow("8") << "8" << "Other Named Point";
    QTest::newRow("400") << "400" << "Electrode";
    QTest::newRow("1400") << "1400" << "Electrode";
    QTest::newRow("1C00") << "1C00" << "Reference";
    QTest::newRow("1c00") << "1c00" << "Reference";
    QTest::newRow("C00") << "C00" << "Reference";
    QTest::newRow("c00") << "c00" << "Reference";
    QTest::newRow("4000") << "4000" << "Other Sensor Type";
    QTest::newRow("unknown") << "3" << "";
    QTest::newRow("padded") << " 400" << "";
    QTest::newRow("case of 1400") << "1C0" << "";
    // clang-format on
}

void TestDataModel::pointTypeName()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    FakeDialogs d;
    QCOMPARE(PointTypeName(code, d), name);
    QCOMPARE(IsSupportedCode(code), !name.isEmpty());
    QCOMPARE(d.texts(),
             name.isEmpty() ? QStringList{"Code " + code + "  is not supported"} : QStringList{});
}

void TestDataModel::pointTypeCode_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("code");
    // clang-format off
    QTest::newRow("electrode") << "Electrode" << "400";
    QTest::newRow("reference") << "Reference" << "1C00";
    QTest::newRow("nasion") << "Fiducial, Nasion" << "1";
    QTest::newRow("other") << "Other Sensor Type" << "4000";
    QTest::newRow("unknown keeps output") << "Scalp" << "unchanged";
    // clang-format on
}

void TestDataModel::pointTypeCode()
{
    QFETCH(QString, name);
    QFETCH(QString, code);
    FakeDialogs d;
    QString out = QStringLiteral("unchanged");
    PointTypeCode(name, out, d);
    QCOMPARE(out, code);
    QCOMPARE(d.texts(),
             code == "unchanged" ? QStringList{"Type Scalp  is not supported"} : QStringList{});
}

QTEST_APPLESS_MAIN(TestDataModel)
#include "tst_data_model.moc"
