#include "data/number_text.h"
#include "service_rig.h"

#include <QFile>
#include <QTest>

using M = DigitizerModel;

namespace {
const QString CR(QChar(13));
}

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
};

void TestServiceMenus::manualQueries_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("first"); // the message's first line
    QTest::addColumn<int>("length");
    // clang-format off
    QTest::newRow("fastrak S") << int(M::Fastrak) << "menuFastrakS" << QByteArray("S") << "21SC0000000000000" << 19;
    QTest::newRow("fastrak P") << int(M::Fastrak) << "menuFastrakP" << QByteArray("P") << "" << 293;
    QTest::newRow("fastrak station 1") << int(M::Fastrak) << "menuFastrakState01" << QByteArray("l1\r") << "Station #1" << 9;
    QTest::newRow("fastrak station 4") << int(M::Fastrak) << "menuFastrakState04" << QByteArray("l4\r") << "Station #4" << 9;
    QTest::newRow("fastrak O1") << int(M::Fastrak) << "menuFO1" << QByteArray("O1\r") << "21O2,1" << 8;
    QTest::newRow("fastrak O2") << int(M::Fastrak) << "menuFO2" << QByteArray("O2\r") << "22O2,5,6,7,1" << 14;
    QTest::newRow("fastrak O4") << int(M::Fastrak) << "menuFO4" << QByteArray("O4\r") << "24O2,5,6,7,1" << 14;
    QTest::newRow("isotrak S") << int(M::Isotrak) << "menuIsotrakS" << QByteArray("S") << "21SC0000000000000" << 19;
    QTest::newRow("isotrak P") << int(M::Isotrak) << "menuIsotrakP" << QByteArray("P") << "" << 178;
    QTest::newRow("isotrak stations") << int(M::Isotrak) << "menuIsotrakStations" << QByteArray("l\r") << "21l11" << 7;
    QTest::newRow("isotrak hemisphere") << int(M::Isotrak) << "menuHem" << QByteArray("P") << "" << 178;
    QTest::newRow("one-station isotrak P") << int(M::Isotrak) << "menuIsotrakP" << QByteArray("P") << "" << 89;
    QTest::newRow("patriot ^Z") << int(M::Patriot) << "menuPATRIOTZ" << QByteArray("\x1a\r") << "PATRIOT (emulated)" << 163;
    QTest::newRow("patriot P") << int(M::Patriot) << "menuPatriotP" << QByteArray("P") << "" << 158;
    // A PATRIOT takes S only with a CR: nothing comes back, and the length says so.
    QTest::newRow("no answer") << int(M::Patriot) << "menuFastrakS" << QByteArray("S") << "Length of DataString is  0" << 0;
    // clang-format on
}

void TestServiceMenus::manualQueries()
{
    QFETCH(int, model);
    QFETCH(QString, control);
    QFETCH(QByteArray, sent);
    QFETCH(QString, first);
    QFETCH(int, length);
    const bool oneStation = QByteArray(QTest::currentDataTag()).startsWith("one-station");
    ServiceRig rig(static_cast<M>(model), oneStation ? 0 : 1);
    QVERIFY(rig.invoke(control));
    QCOMPARE(rig.link.hostBytes(), sent);
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    const QStringList lines = rig.dialogs.texts()[0].split(CR);
    QCOMPARE(lines.last(), QStringLiteral("Length of DataString is ") + Str(length));
    const QString answer = rig.menus.service.dataString(control);
    QCOMPARE(answer.size(), length);
    if (first.isEmpty()) {
        // A record: its blocks shown line by line, as the device sent them.
        QVERIFY(answer.startsWith("01"));
        QCOMPARE(lines.size() - 1, answer.count("\r\n"));
        QCOMPARE(lines.first() + "\r\n", answer.left(lines.first().size() + 2));
    } else {
        QCOMPARE(lines.first(), first);
    }
}

void TestServiceMenus::deviceItems_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("lastLength"); // of the last query's answer; -1: no message
    // clang-format off
    QTest::newRow("^D") << int(M::Isotrak) << QStringList{"menuTestCD"} << QByteArray("\x04") << -1;
    QTest::newRow("^Y") << int(M::Isotrak) << QStringList{"menuTestCY"} << QByteArray("\x19") << -1;
    QTest::newRow("Yand E") << int(M::Isotrak) << QStringList{"menuTestYE"} << QByteArray("YE") << -1;
    QTest::newRow("cancel Y") << int(M::Isotrak) << QStringList{"menuTestNoY"} << QByteArray() << -1;
    // Digitizer mode and ^D: P is no longer answered; ^D again, or ^Y, brings it back.
    QTest::newRow("Y, E, ^D silence P") << int(M::Isotrak) << QStringList{"menuTestYE", "menuTestCD", "menuIsotrakP"} << QByteArray("YE\x04P") << 0;
    QTest::newRow("Y, E alone leave P") << int(M::Isotrak) << QStringList{"menuTestYE", "menuIsotrakP"} << QByteArray("YEP") << 178;
    QTest::newRow("second ^D brings P back") << int(M::Isotrak) << QStringList{"menuTestYE", "menuTestCD", "menuTestCD", "menuIsotrakP"} << QByteArray("YE\x04\x04P") << 178;
    QTest::newRow("^Y brings P back") << int(M::Isotrak) << QStringList{"menuTestYE", "menuTestCD", "menuTestCY", "menuIsotrakP"} << QByteArray("YE\x04\x19P") << 178;
    // clang-format on
}

void TestServiceMenus::deviceItems()
{
    QFETCH(int, model);
    QFETCH(QStringList, controls);
    QFETCH(QByteArray, sent);
    QFETCH(int, lastLength);
    ServiceRig rig(static_cast<M>(model));
    for (const QString &c : controls) {
        QVERIFY(rig.invoke(c));
        QVERIFY(!rig.link.isOpen());
    }
    QCOMPARE(rig.link.hostBytes(), sent);
    if (lastLength < 0) {
        QVERIFY(rig.dialogs.shown.isEmpty());
        return;
    }
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].endsWith(QStringLiteral("Length of DataString is ") +
                                            Str(lastLength)));
}

void TestServiceMenus::messages_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("dirty flags") << int(M::Fastrak) << "menuShowDirty" << "Period" << "SetDirtyShape=  1\rSetDirtyEletrodes=  0";
    QTest::newRow("baud fastrak") << int(M::Fastrak) << "menuShowBaude" << "Period" << "19200,n,8,1";
    QTest::newRow("baud patriot") << int(M::Patriot) << "menuShowBaude" << "Period" << "115200,n,8,1";
    QTest::newRow("format 1") << int(M::Fastrak) << "menuTestOutFormat1" << "Period" << "22/7 = 3.1429";
    QTest::newRow("format 1 comma") << int(M::Fastrak) << "menuTestOutFormat1" << "Comma" << "22/7 = 3,1429";
    QTest::newRow("format 2") << int(M::Fastrak) << "menuTestOutFormat2" << "Period" << "22/7 =  3.14285714285714";
    QTest::newRow("format 2 ignores the comma") << int(M::Fastrak) << "menuTestOutFormat2" << "Comma" << "22/7 =  3.14285714285714";
    QTest::newRow("digitizer type") << int(M::Isotrak) << "menuTestMalvekType" << "Period" << "DigitizerType is  ISOTRAK";
    QTest::newRow("console without a window") << int(M::Fastrak) << "menuConsole" << "Period" << "The service console needs the Pointra window.";
    // clang-format on
}

void TestServiceMenus::messages()
{
    QFETCH(int, model);
    QFETCH(QString, control);
    QFETCH(QString, decimal);
    QFETCH(QString, message);
    ServiceRig rig(static_cast<M>(model));
    rig.ws.settings.DecimalPoint = decimal;
    rig.ws.ShapeDirty = 1;
    QVERIFY(rig.invoke(control));
    QCOMPARE(rig.dialogs.texts(), QStringList{message});
    QVERIFY(rig.link.hostBytes().isEmpty());
}

void TestServiceMenus::portFailureIsTold()
{
    ServiceRig rig(M::Fastrak);
    rig.link.unplug(true);
    QVERIFY(rig.invoke("menuFastrakS"));
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].startsWith("The digitizer port could not be opened."));
    QVERIFY(rig.menus.service.dataString("menuFastrakS").isEmpty());
    rig.dialogs.clear();
    QVERIFY(rig.invoke("menuTestCD"));
    QVERIFY(rig.invoke("menuFStartDigitizing")); // receivers not chosen: asks for them first
    QCOMPARE(rig.dialogs.texts().size(), 2);
    QCOMPARE(rig.dialogs.texts()[1], QStringLiteral("Please select number of receivers"));
    QVERIFY(rig.link.hostBytes().isEmpty());
}

QTEST_GUILESS_MAIN(TestServiceMenus)
#include "tst_service_menus.moc"
