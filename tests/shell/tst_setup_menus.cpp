#include "temp_home.h"

#include <QFile>
#include <QTest>

class TestSetupMenus : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void digitizerChoiceResetsReceivers();
    void shapeNeedsTevoAndModel_data();
    void shapeNeedsTevoAndModel();
    void receiversByModel();
    void coordinateChangeWithData();
    void decimalPoint();
    void commPort();
    void hemisphereReinitializes();
    void minimumStep_data();
    void minimumStep();
    void delay();
    void sound();
    void developmentIni();
    void simulatedRun();
    void readOnlyIniToldOnce();

private:
    std::unique_ptr<TestRig> rig;
};

void TestSetupMenus::init()
{
    rig = std::make_unique<TestRig>();
    rig->writeIni("Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
                  "Hemisphere=0,0,1\r\nnCommPort= 1\r\nSound=OFF\r\n");
    rig->startUp();
    rig->dialogs.clear();
}

void TestSetupMenus::digitizerChoiceResetsReceivers()
{
    rig->invoke("menuTwo");
    QVERIFY(rig->ui.value("menuEProbes").enabled);
    QVERIFY(rig->ui.value("menuShape").enabled);
    QVERIFY(rig->link.open());
    rig->invoke("menuDigitizerISOTRAK");
    QVERIFY(!rig->link.isOpen());
    QCOMPARE(rig->ws.ReceiverCount, -1);
    QVERIFY(!rig->ui.value("menuEProbes").enabled);
    QVERIFY(!rig->ui.value("menuShape").enabled);
    QVERIFY(!rig->ui.value("menuTwo").checked);
    QVERIFY(rig->ui.value("menuDigitizerISOTRAK").checked);
    QVERIFY(!rig->ui.value("menuDigitizerFASTRAK").checked);
    QVERIFY(rig->readIni().startsWith("Digitizer Type=ISOTRAK\r\n"));
    QVERIFY(rig->link.written.isEmpty()); // not re-initialised here
}

void TestSetupMenus::shapeNeedsTevoAndModel_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("receivers");
    QTest::addColumn<bool>("electrodes");
    QTest::addColumn<bool>("shape");
    QTest::newRow("tevo one") << "TEVO"
                              << "menuOne" << true << true;
    QTest::newRow("tevo none") << "TEVO"
                               << "menuZero" << true << true;
    QTest::newRow("besa three") << "BESA"
                                << "menuThree" << true << false;
    QTest::newRow("curry one") << "Curry"
                               << "menuOne" << true << false;
}

void TestSetupMenus::shapeNeedsTevoAndModel()
{
    QFETCH(QString, system);
    QFETCH(QString, receivers);
    QFETCH(bool, electrodes);
    QFETCH(bool, shape);
    rig->invoke("menuCoordinates" + system);
    rig->invoke(receivers);
    QCOMPARE(rig->ui.value("menuEProbes").enabled, electrodes);
    QCOMPARE(rig->ui.value("menuShape").enabled, shape);
    QVERIFY(rig->ui.value(receivers).checked);
    QVERIFY(!rig->readIni().contains("Receiver"));
}

void TestSetupMenus::receiversByModel()
{
    rig->invoke("menuDigitizerPATRIOT");
    QVERIFY(rig->ui.value("menuOne").visible);
    QVERIFY(!rig->ui.value("menuTwo").visible);
    rig->invoke("menuDummyRun");
    QVERIFY(rig->ui.value("menuThree").visible);
    QVERIFY(rig->ui.value("menuDigitize").enabled);
    rig->invoke("menuOne");
    QVERIFY(!rig->ui.value("menuShape").enabled); // the simulated run has no stream to sweep
}

void TestSetupMenus::coordinateChangeWithData()
{
    rig->ws.sensors.NumSensors = 12;
    const QByteArray before = rig->readIni();
    rig->invoke("menuCoordinatesBESA");
    QCOMPARE(
        rig->dialogs.texts(),
        QStringList{
            "Cannot change Coordinate System with data in memory.\r\rPlease restart Pointra and "
            "select Coordinate System from the Setup menu\rbefore loading data."});
    QCOMPARE(rig->ws.settings.CoordinateSystem, QStringLiteral("TEVO"));
    QCOMPARE(rig->readIni(), before);

    rig->dialogs.clear();
    QFile::remove(rig->path("pointra.ini"));
    rig->invoke("menuCoordinatesTEVO"); // already checked: allowed, file rewritten
    QVERIFY(rig->dialogs.shown.isEmpty());
    QVERIFY(rig->readIni().contains("Coordinate System=TEVO\r\n"));

    rig->ws.sensors.NumSensors = 0;
    rig->invoke("menuCoordinatesCurry");
    QCOMPARE(rig->ui.caption, QStringLiteral("Pointra with FASTRAK - Curry Coordinates"));
    QCOMPARE(rig->ui.value("YAxis").text, QStringLiteral("y-axis (Nasion)"));
}

void TestSetupMenus::decimalPoint()
{
    int views = 0;
    rig->session.updateView = [&] { ++views; };
    rig->invoke("menuDecimalPointComma");
    QCOMPARE(rig->ws.settings.DecimalPoint, QStringLiteral("Comma"));
    QVERIFY(rig->ui.value("menuDecimalPointComma").checked);
    QVERIFY(!rig->ui.value("menuDecimalPointPeriod").checked);
    QVERIFY(rig->readIni().contains("Decimal Point=Comma\r\n"));
    QCOMPARE(views, 1);
    QFile::remove(rig->path("pointra.ini"));
    rig->invoke("menuDecimalPointComma"); // already checked: nothing happens
    QCOMPARE(views, 1);
    QVERIFY(rig->readIni().isEmpty());
}

void TestSetupMenus::commPort()
{
    rig->invoke("menuCommPort2");
    QVERIFY(rig->readIni().contains("\r\nnCommPort= 2\r\n"));
    QCOMPARE(rig->link.commPort(), 2);
    QVERIFY(rig->ui.value("menuCommPort2").checked);
    QVERIFY(!rig->ui.value("menuCommPort1").checked);
}

void TestSetupMenus::hemisphereReinitializes()
{
    rig->invoke("menuZminus");
    QVERIFY(rig->readIni().contains("Hemisphere=0,0,-1\r\n"));
    QVERIFY(rig->ui.value("menuZminus").checked);
    QVERIFY(!rig->ui.value("menuZplus").checked);
    QVERIFY(rig->link.written.contains(QByteArray("H1,0,0,-1\r")));
    QVERIFY(rig->link.written.contains(QByteArray("H4,0,0,-1\r")));
}

void TestSetupMenus::minimumStep_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("step");
    QTest::addColumn<bool>("complaint");
    QTest::newRow("too small") << "0.05" << 0.5 << true;
    QTest::newRow("too large") << "3" << 0.5 << true;
    QTest::newRow("upper bound") << "2" << 2.0 << false;
    QTest::newRow("lower bound") << "0.1" << 0.1 << false;
    QTest::newRow("empty keeps") << "" << 0.5 << false;
    QTest::newRow("text reads zero") << "abc" << 0.5 << true;
    QTest::newRow("comma reads integer part") << "1,5" << 1.0 << false;
}

void TestSetupMenus::minimumStep()
{
    QFETCH(QString, answer);
    QFETCH(double, step);
    QFETCH(bool, complaint);
    rig->dialogs.inputAnswers.enqueue(answer);
    rig->invoke("menuStep");
    QCOMPARE(rig->dialogs.inputs,
             QStringList{"Enter a value between 0.1 and 2 (cm)|Minimum Stepping Distance| .5"});
    QCOMPARE(rig->ws.MinStepDistance, step);
    QCOMPARE(rig->dialogs.texts(),
             complaint ? QStringList{"Please select a valid number"} : QStringList{});
}

void TestSetupMenus::delay()
{
    rig->dialogs.inputAnswers.enqueue(QStringLiteral("250.5"));
    rig->invoke("menuDelay");
    QCOMPARE(rig->ws.PointDelay, 250);
    QCOMPARE(rig->dialogs.inputs.value(0),
             QStringLiteral("Enter an integer for the delay (msec)|Time delay between digitized "
                            "points (msec)| 100"));
    rig->dialogs.inputAnswers.enqueue(std::nullopt); // cancelled
    rig->invoke("menuDelay");
    QCOMPARE(rig->ws.PointDelay, 250);
}

void TestSetupMenus::sound()
{
    rig->invoke("menuSoundON");
    QCOMPARE(rig->ws.SoundEnabled, 1);
    QVERIFY(rig->readIni().endsWith("Sound=ON\r\n"));
    QVERIFY(rig->ui.value("menuSoundON").checked);
    rig->invoke("menuSoundOFF");
    QCOMPARE(rig->ws.SoundEnabled, 0);
    QVERIFY(!rig->ui.value("menuSoundON").checked);
}

void TestSetupMenus::developmentIni()
{
    rig->invoke("menuViewINI");
    QCOMPARE(rig->ui.value("Label4").text, QStringLiteral("0,0,1"));
    rig->invoke("menuClearINI");
    QCOMPARE(rig->ui.value("Label4").text, QString());
    rig->writeIni("Digitizer Type=PATRIOT\r\n");
    rig->invoke("menuOpenINI");
    QCOMPARE(rig->ws.settings.DigitizerType, QStringLiteral("PATRIOT"));
    QCOMPARE(rig->ui.caption,
             QStringLiteral("Pointra with FASTRAK - TEVO Coordinates")); // not refreshed
    rig->invoke("menuSaveINI");
    QVERIFY(rig->readIni().startsWith("Digitizer Type=PATRIOT\r\nCoordinate System=TEVO\r\n"));
}

void TestSetupMenus::simulatedRun()
{
    rig->invoke("menuDummyRun");
    QCOMPARE(rig->ws.settings.DigitizerType, QStringLiteral("dummy"));
    for (const QString &item :
         {"menuDigitizerISOTRAK", "menuDigitizerPATRIOT", "menuDigitizerFASTRAK"})
        QVERIFY(!rig->ui.value(item).checked);
    QVERIFY(rig->readIni().contains("FASTRAK")); // not saved
    rig->invoke("menuInitialize");
    QVERIFY(rig->link.written.isEmpty());
}

void TestSetupMenus::readOnlyIniToldOnce()
{
    QVERIFY(QFile::setPermissions(rig->path("pointra.ini"), QFile::ReadOwner));
    rig->invoke("menuSoundON");
    rig->invoke("menuCommPort3");
    QCOMPARE(rig->dialogs.shown.size(), 1);
    QVERIFY(rig->dialogs.texts().value(0).startsWith("The settings could not be saved"));
    QCOMPARE(rig->ws.SoundEnabled, 1);
    QCOMPARE(rig->ws.settings.CommPort, 3);
    QVERIFY(rig->readIni().contains("Sound=OFF"));
}

QTEST_GUILESS_MAIN(TestSetupMenus)
#include "tst_setup_menus.moc"
