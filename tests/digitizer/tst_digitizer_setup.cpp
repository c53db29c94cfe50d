#include "digitizer/digitizer_setup.h"
#include "temp_home.h"

#include <QTest>

class TestDigitizerSetup : public QObject
{
    Q_OBJECT
private slots:
    void sequences_data();
    void sequences();
    void isotrakOneStation_data();
    void isotrakOneStation();
    void noDigitizerTouchesNoPort();
    void baudRate();
    void portFailureToldOncePerOperation();
};

namespace {
void startWith(TestRig &rig, const QString &type, const QString &hemisphere)
{
    rig.writeIni(
        QStringLiteral("Digitizer Type=%1\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
                       "Hemisphere=%2\r\nnCommPort= 1\r\n")
            .arg(type, hemisphere)
            .toLatin1());
    rig.startUp();
    rig.dialogs.clear();
}
} // namespace

void TestDigitizerSetup::sequences_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("hemisphere");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("fastrak z-") << "FASTRAK"
                                << "0,0,-1"
                                << QByteArray(
                                       "ce1,1\ruO1,2,1\rO2,2,5,6,7,1\rO3,2,5,6,7,1\rO4,2,5,6,7,1\r"
                                       "H1,0,0,-1\rH2,0,0,-1\rH3,0,0,-1\rH4,0,0,-1\r"
                                       "l1,1\rl2,1\rl3,1\rl4,1\re1,1\r");
    QTest::newRow("fastrak x+") << "FASTRAK"
                                << "1,0,0"
                                << QByteArray(
                                       "ce1,1\ruO1,2,1\rO2,2,5,6,7,1\rO3,2,5,6,7,1\rO4,2,5,6,7,1\r"
                                       "H1,1,0,0\rH2,1,0,0\rH3,1,0,0\rH4,1,0,0\r"
                                       "l1,1\rl2,1\rl3,1\rl4,1\re1,1\r");
    QTest::newRow("patriot y-") << "PATRIOT"
                                << "0,-1,0"
                                << QByteArray("L1,1\rU1\rO1,2,1\rO2,2,6,1\rH1,0,-1,0\rH2,0,-1,0\r");
    QTest::newRow("isotrak z+") << "ISOTRAK"
                                << "0,0,1" << QByteArray("PcuO2,5,6,7,1\rH1,0,0,1\rH2,0,0,1\r");
}

void TestDigitizerSetup::sequences()
{
    QFETCH(QString, type);
    QFETCH(QString, hemisphere);
    QFETCH(QByteArray, bytes);
    TestRig rig;
    startWith(rig, type, hemisphere);
    const qint64 t0 = rig.clock.nowMs();
    rig.invoke("menuInitialize");
    QCOMPARE(rig.link.written.join(), bytes);
    QVERIFY(!rig.link.isOpen());
    // Only the ISOTRAK is paced: 200 ms after P and 100 ms after each of c, u and O.
    QCOMPARE(rig.clock.nowMs() - t0, type == QLatin1String("ISOTRAK") ? 500 : 0);
    QCOMPARE(rig.ui.busyDepth, 0);
}

void TestDigitizerSetup::isotrakOneStation_data()
{
    QTest::addColumn<int>("answerLength");
    QTest::addColumn<int>("receivers");
    QTest::newRow("one station") << 89 << 0;
    QTest::newRow("two stations") << 178 << -1;
    QTest::newRow("silent") << 0 << -1;
}

void TestDigitizerSetup::isotrakOneStation()
{
    QFETCH(int, answerLength);
    QFETCH(int, receivers);
    TestRig rig;
    startWith(rig, "ISOTRAK", "0,0,1");
    rig.link.replies.insert("P", QByteArray(answerLength, '0'));
    rig.invoke("menuInitialize");
    QCOMPARE(rig.ws.ReceiverCount, receivers);
    QCOMPARE(rig.ui.value("menuOne").enabled, receivers != 0);
    QCOMPARE(rig.ui.value("menuZero").checked, receivers == 0);
    QCOMPARE(rig.ui.value("menuEProbes").enabled, receivers == 0);
}

void TestDigitizerSetup::noDigitizerTouchesNoPort()
{
    TestRig rig;
    startWith(rig, "Polhemus", "0,0,1");
    rig.invoke("menuInitialize");
    QCOMPARE(rig.link.opens, 0);
    QVERIFY(rig.link.written.isEmpty());
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestDigitizerSetup::baudRate()
{
    TestRig rig;
    startWith(rig, "PATRIOT", "0,0,1");
    QCOMPARE(rig.link.settings(), QStringLiteral("115200,n,8,1"));
    QVERIFY(rig.ui.value("menu1152").checked);
    rig.invoke("menu384");
    QCOMPARE(rig.link.written, QList<QByteArray>{"o384,N,8,0\r"});
    QCOMPARE(rig.link.writtenAtSettings, QStringList{"115200,n,8,1"});
    QCOMPARE(rig.link.settings(), QStringLiteral("38400,n,8,1"));
    QVERIFY(!rig.link.isOpen());
    QVERIFY(rig.ui.value("menu384").checked);
    QVERIFY(!rig.ui.value("menu1152").checked);
    QVERIFY(!rig.readIni().contains("38400"));
}

void TestDigitizerSetup::portFailureToldOncePerOperation()
{
    TestRig rig;
    startWith(rig, "FASTRAK", "0,0,1");
    rig.link.failOpen = true;
    rig.invoke("menuInitialize");
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts().value(0).contains("/dev/fake"));
    rig.invoke("menu96");
    QCOMPARE(rig.dialogs.shown.size(), 2);
    QCOMPARE(rig.link.settings(), QStringLiteral("19200,n,8,1")); // both ends stay in step
    rig.link.failOpen = false;
    rig.invoke("menuInitialize");
    QCOMPARE(rig.link.written.size(), 16);
}

QTEST_GUILESS_MAIN(TestDigitizerSetup)
#include "tst_digitizer_setup.moc"
