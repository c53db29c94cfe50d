#include "data/number_text.h"
#include "on_emulator.h"

#include <QTest>

using M = DigitizerModel;

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

void TestServiceMenus::manualQueries()
{
    QFETCH(M, model);
    QFETCH(int, receivers);
    QFETCH(QString, control);
    QFETCH(QByteArray, sent);
    QFETCH(QString, first);
    QFETCH(int, length);
    OnEmulator rig(model, receivers);
    QVERIFY(rig.invoke(control));
    QCOMPARE(rig.emuLink->hostBytes(), sent);
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    const QStringList lines = rig.dialogs.texts()[0].split(QChar(13));
    QCOMPARE(lines.last(), QStringLiteral("Length of DataString is ") + Str(length));
    const QString answer = rig.app.menus.service.dataString(control);
    QCOMPARE(answer.size(), length);
    QCOMPARE(lines.first(), first.isEmpty() ? answer.section("\r\n", 0, 0) : first);
    if (!first.isEmpty())
        return;
    // A record: its blocks shown line by line, as the device sent them.
    QVERIFY(answer.startsWith("01"));
    QCOMPARE(lines.size() - 1, answer.count("\r\n"));
}

void TestServiceMenus::deviceItems_data()
{
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("lastLength"); // of the last query's answer; -1: no message
    // clang-format off
    QTest::newRow("cancel Y") << QStringList{"menuTestNoY"} << QByteArray() << -1;
    // Digitizer mode and ^D: P is no longer answered; ^D again, or ^Y, brings it back.
    QTest::newRow("Y, E, ^D silence P") << QStringList{"menuTestYE", "menuTestCD", "menuIsotrakP"} << QByteArray("YE\x04P") << 0;
    QTest::newRow("Y, E alone leave P") << QStringList{"menuTestYE", "menuIsotrakP"} << QByteArray("YEP") << 178;
    QTest::newRow("second ^D brings P back") << QStringList{"menuTestYE", "menuTestCD", "menuTestCD", "menuIsotrakP"} << QByteArray("YE\x04\x04P") << 178;
    QTest::newRow("^Y brings P back") << QStringList{"menuTestYE", "menuTestCD", "menuTestCY", "menuIsotrakP"} << QByteArray("YE\x04\x19P") << 178;
    // clang-format on
}

void TestServiceMenus::deviceItems()
{
    QFETCH(QStringList, controls);
    QFETCH(int, lastLength);
    OnEmulator rig(M::Isotrak);
    for (const QString &c : controls) {
        QVERIFY(rig.invoke(c) && !rig.link.isOpen());
    }
    QTEST(rig.emuLink->hostBytes(), "sent");
    QCOMPARE(rig.dialogs.shown.size(), lastLength < 0 ? 0 : 1);
    if (lastLength >= 0)
        QVERIFY(rig.dialogs.texts()[0].endsWith(QStringLiteral("Length of DataString is ") +
                                                Str(lastLength)));
}

void TestServiceMenus::messages_data()
{
    QTest::addColumn<M>("model");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("dirty flags") << M::Fastrak << "menuShowDirty" << "Period" << "SetDirtyShape=  1\rSetDirtyEletrodes=  0";
    QTest::newRow("baud patriot") << M::Patriot << "menuShowBaude" << "Period" << "115200,n,8,1";
    QTest::newRow("format 1 comma") << M::Fastrak << "menuTestOutFormat1" << "Comma" << "22/7 = 3,1429";
    QTest::newRow("format 2 ignores the comma") << M::Fastrak << "menuTestOutFormat2" << "Comma" << "22/7 =  3.14285714285714";
    QTest::newRow("digitizer type") << M::Isotrak << "menuTestMalvekType" << "Period" << "DigitizerType is  ISOTRAK";
    QTest::newRow("console without a window") << M::Fastrak << "menuConsole" << "Period" << "The service console needs the Pointra window.";
    // clang-format on
}

void TestServiceMenus::messages()
{
    QFETCH(M, model);
    QFETCH(QString, control);
    QFETCH(QString, decimal);
    QFETCH(QString, message);
    OnEmulator rig(model);
    rig.ws.settings.DecimalPoint = decimal;
    rig.ws.ShapeDirty = 1;
    QVERIFY(rig.invoke(control));
    QCOMPARE(rig.dialogs.texts(), QStringList{message});
    QVERIFY(rig.emuLink->hostBytes().isEmpty());
}

void TestServiceMenus::portFailureIsTold()
{
    OnEmulator rig(M::Fastrak);
    rig.emuLink->unplug(true);
    QVERIFY(rig.invoke("menuFastrakS"));
    QVERIFY(rig.invoke("menuTestCD"));
    QVERIFY(rig.invoke("menuFStartDigitizing")); // receivers not chosen: asks for them first
    QCOMPARE(rig.dialogs.texts().size(), 3);
    QVERIFY(rig.dialogs.texts()[0].startsWith("The digitizer port could not be opened."));
    QVERIFY(rig.dialogs.texts()[1].startsWith("The digitizer port could not be opened."));
    QCOMPARE(rig.dialogs.texts()[2], QStringLiteral("Please select number of receivers"));
    QVERIFY(rig.app.menus.service.dataString("menuFastrakS").isEmpty());
    QVERIFY(rig.emuLink->hostBytes().isEmpty());
}

QTEST_GUILESS_MAIN(TestServiceMenus)
#include "tst_service_menus.moc"
