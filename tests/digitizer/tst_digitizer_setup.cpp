#include "rig.h"

#include <QTest>

class TestDigitizerSetup : public QObject
{
    Q_OBJECT
private slots:
    void sequences_data();
    void sequences();
    void isotrakOneStation_data();
    void isotrakOneStation();
    void baudRate();
    void portFailureToldOncePerOperation();
};

void TestDigitizerSetup::sequences_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("hemisphere");
    QTest::addColumn<QByteArray>("bytes");
    // clang-format off
    QTest::newRow("fastrak z-") << "FASTRAK" << "0,0,-1" << QByteArray("ce1,1\ruO1,2,1\rO2,2,5,6,7,1\rO3,2,5,6,7,1\rO4,2,5,6,7,1\rH1,0,0,-1\rH2,0,0,-1\rH3,0,0,-1\rH4,0,0,-1\rl1,1\rl2,1\rl3,1\rl4,1\re1,1\r");
    QTest::newRow("fastrak x+") << "FASTRAK" << "1,0,0" << QByteArray("ce1,1\ruO1,2,1\rO2,2,5,6,7,1\rO3,2,5,6,7,1\rO4,2,5,6,7,1\rH1,1,0,0\rH2,1,0,0\rH3,1,0,0\rH4,1,0,0\rl1,1\rl2,1\rl3,1\rl4,1\re1,1\r");
    QTest::newRow("patriot y-") << "PATRIOT" << "0,-1,0" << QByteArray("L1,1\rU1\rO1,2,1\rO2,2,6,1\rH1,0,-1,0\rH2,0,-1,0\r");
    QTest::newRow("isotrak z+") << "ISOTRAK" << "0,0,1" << QByteArray("PcuO2,5,6,7,1\rH1,0,0,1\rH2,0,0,1\r");
    QTest::newRow("no digitizer") << "Polhemus" << "0,0,1" << QByteArray();
    // clang-format on
}

void TestDigitizerSetup::sequences()
{
    QFETCH(QString, model);
    QFETCH(QString, hemisphere);
    QFETCH(QByteArray, bytes);
    Rig rig;
    rig.start({.model = model, .hemisphere = hemisphere});
    const qint64 t0 = rig.clock.nowMs();
    rig.invoke("menuInitialize");
    QCOMPARE(rig.fakeLink.written.join(), bytes);
    QCOMPARE(rig.fakeLink.opens, bytes.isEmpty() ? 0 : 2); // at start and now
    QVERIFY(rig.dialogs.shown.isEmpty());
    QVERIFY(!rig.link.isOpen());
    // Only the ISOTRAK is paced: 200 ms after P and 100 ms after each of c, u and O.
    QCOMPARE(rig.clock.nowMs() - t0, model == "ISOTRAK" ? 500 : 0);
    QCOMPARE(rig.ui.busyDepth, 0);
}

void TestDigitizerSetup::isotrakOneStation_data()
{
    QTest::addColumn<int>("answerLength");
    QTest::addColumn<int>("receivers");
    // clang-format off
    QTest::newRow("one station") << 89 << 0;
    QTest::newRow("two stations") << 178 << -1;
    QTest::newRow("silent") << 0 << -1;
    // clang-format on
}

void TestDigitizerSetup::isotrakOneStation()
{
    QFETCH(int, answerLength);
    QFETCH(int, receivers);
    Rig rig;
    rig.start({.model = "ISOTRAK"});
    rig.fakeLink.replies.insert("P", QByteArray(answerLength, '0'));
    rig.invoke("menuInitialize");
    QCOMPARE(rig.ws.ReceiverCount, receivers);
    QCOMPARE(rig.ui.value("menuOne").enabled, receivers != 0);
    QCOMPARE(rig.ui.value("menuZero").checked, receivers == 0);
    QCOMPARE(rig.ui.value("menuEProbes").enabled, receivers == 0);
}

void TestDigitizerSetup::baudRate()
{
    Rig rig;
    rig.start({.model = "PATRIOT"});
    QCOMPARE(rig.link.settings(), "115200,n,8,1");
    QVERIFY(rig.ui.value("menu1152").checked);
    rig.invoke("menu384");
    QCOMPARE(rig.fakeLink.written, QList<QByteArray>{"o384,N,8,0\r"});
    QCOMPARE(rig.fakeLink.writtenAtSettings, QStringList{"115200,n,8,1"});
    QCOMPARE(rig.link.settings(), "38400,n,8,1");
    QVERIFY(!rig.link.isOpen());
    QVERIFY(rig.ui.value("menu384").checked);
    QVERIFY(!rig.ui.value("menu1152").checked);
    QVERIFY(!rig.home.ini().contains("38400"));
}

void TestDigitizerSetup::portFailureToldOncePerOperation()
{
    Rig rig;
    rig.start();
    rig.fakeLink.failOpen = true;
    rig.invoke("menuInitialize");
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts().value(0).contains("/dev/fake"));
    rig.invoke("menu96");
    QCOMPARE(rig.dialogs.shown.size(), 2);
    QCOMPARE(rig.link.settings(), "19200,n,8,1"); // both ends stay in step
    QVERIFY(rig.ui.value("menu192").checked);
    rig.fakeLink.failOpen = false;
    rig.invoke("menuInitialize");
    QCOMPARE(rig.fakeLink.written.size(), 16);
}

QTEST_GUILESS_MAIN(TestDigitizerSetup)
#include "tst_digitizer_setup.moc"
