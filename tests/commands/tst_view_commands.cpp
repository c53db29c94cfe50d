#include "rig.h"
#include "seams/controls.h"

#include <QTest>

class TestViewCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void listings();
    void updateViewFollowsDecimalPoint();

private:
    QString shown() const { return rig->ui.value(Controls::DataListing).text; }
    std::unique_ptr<Rig> rig;
};

void TestViewCommands::init()
{
    rig = std::make_unique<Rig>();
    rig->start();
}

void TestViewCommands::listings()
{
    rig->invoke("menuViewEInternal");
    QVERIFY(shown().startsWith(
        "File name: \r\rELECTRODE data\r\rProbe name:         \rNumber of sensors:  0\r\r"));
    QVERIFY(shown().contains(
        "FIDUCIALS - values are in centimeters\r\r          0.00    0.00    0.00    \r"));
    QVERIFY(shown().endsWith("\r\r\rELECTRODES - values are in centimeters\r\r"));
    rig->app.menus.files.openPath(rig->home.write("e.elp", Fixtures::Elp));
    QCOMPARE(rig->ws.CurrentView, "Internal Electrode Data");
    QVERIFY(shown().contains("Number of sensors:  2\r"));
    QVERIFY(shown().contains("Fp1       8.00    3.00    4.00\r\r"));
    rig->invoke("menuViewEProbe");
    QVERIFY(shown().contains("\rNasion  10.00    0.00    0.00    \r"));
    rig->ws.NumSeq = 1;
    rig->ws.SeqName = {"Cz"};
    rig->ws.SeqCode = {"400"};
    rig->invoke("menuViewSequence");
    QCOMPARE(shown(), QStringLiteral(
                          "File name: \r\rSEQUENCE data\rNumber of points: 1\r\r 1   Cz   400\r"));
    rig->invoke("menuViewClear");
    QCOMPARE(shown(), QString());
    rig->ws.CurrentView = "Bogus";
    rig->app.menus.views.UpdateView();
    QCOMPARE(rig->dialogs.texts().last(), "UpdateView(): don't know what to do");
}

void TestViewCommands::updateViewFollowsDecimalPoint()
{
    rig->app.menus.files.openPath(rig->home.write("e.elp", Fixtures::Elp));
    rig->invoke("menuViewEProbe");
    rig->invoke("menuDecimalPointComma");
    QVERIFY(shown().contains("Fp1       8,00    3,00    4,00"));
    rig->ws.sensors.resize(1);
    rig->ws.sensors.SensorName[0] = "S1";
    rig->ws.sensors.ProbeCoil[0][0] = {0.5, 0, 0, 0, 0, 1};
    rig->invoke("menuViewProbe");
    QVERIFY(shown().contains("S1         .5   0   0     0   0   1"));
    rig->ws.sensors.SensorCoil[0][0] = {0.25, 0, 0, 0, 0, -1};
    rig->ws.m.MCalib = Transform4::Identity();
    rig->invoke("menuViewCalibration");
    QVERIFY(shown().contains("Calibration matrices\r\r 1   0   0   0  \r 0   1   0   0  "));
    QVERIFY(shown().endsWith(" 0   0   0   1  \r\rS1          .25   0   0   0   0  -1\r\r"));
    rig->invoke("menuViewDewar");
    QVERIFY(shown().endsWith("\rS1          .25   0   0      0   0  -1\r\r"));
    // A Curry listing right-aligns its numbers in nine characters.
    rig->ws.settings.CoordinateSystem = "Curry";
    rig->ws.curry.resize(2);
    rig->ws.curry.Name = {"Fp1", "Cz"};
    rig->ws.curry.Pos = {Point3(30, -80, 40), Point3(0, 0, 100)};
    rig->invoke("menuViewEProbe");
    QVERIFY(shown().contains("\r    30,00       -80,00        40,00    Fp1\r\r"));
}

QTEST_GUILESS_MAIN(TestViewCommands)
#include "tst_view_commands.moc"
