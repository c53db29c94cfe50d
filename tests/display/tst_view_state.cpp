#include "display/hold_repeat.h"
#include "display/scene_painter.h"
#include "display/view_state.h"

#include <QTest>

Q_DECLARE_METATYPE(Point3)

class TestViewState : public QObject
{
    Q_OBJECT
private slots:
    void mapping_data();
    void mapping();
    void pointAtTheEyeIsNotMapped();
    void placement_data();
    void placement();
    void buttonSteps_data();
    void buttonSteps();
    void anglesPastSixteenBitsKeepTheView();
    void holdRepeatsTheLastViewButton();
};

namespace {
ViewState plotOf9000x6000()
{
    ViewState v;
    SetHomeView(v, 9000, 6000);
    return v;
}
} // namespace

void TestViewState::mapping_data()
{
    QTest::addColumn<int>("azimuth");
    QTest::addColumn<int>("elevation");
    QTest::addColumn<Point3>("point");
    QTest::addColumn<QPointF>("fromOffsets"); // twips
    // clang-format off
    QTest::newRow("home origin")          << 180 << -90 << Point3(0, 0, 0)     << QPointF(0, 0);
    QTest::newRow("home x up 150")        << 180 << -90 << Point3(1, 0, 0)     << QPointF(0, -150);
    QTest::newRow("home x nearer 300")    << 180 << -90 << Point3(1, 0, 15)    << QPointF(0, -300);
    QTest::newRow("home y left")          << 180 << -90 << Point3(0, 1, 0)     << QPointF(-150, 0);
    QTest::newRow("home farther")         << 180 << -90 << Point3(0.5, -2, -15) << QPointF(200, -50);
    QTest::newRow("az 90 x goes left")    << 90  << 0   << Point3(1, 0, 0)     << QPointF(-150, 0);
    QTest::newRow("az 90 depth along y")  << 90  << 0   << Point3(0, 15, 1)    << QPointF(0, -300);
    QTest::newRow("el 90 x goes up")      << 0   << 90  << Point3(1, 0, 0)     << QPointF(0, -150);
    QTest::newRow("el 90 depth along z")  << 0   << 90  << Point3(1, 0, 15)    << QPointF(0, -100);
    QTest::newRow("z turn before y turn") << 90  << 90  << Point3(0, 1, 0)     << QPointF(0, -150);
    // clang-format on
}

void TestViewState::mapping()
{
    QFETCH(int, azimuth);
    QFETCH(int, elevation);
    QFETCH(Point3, point);
    QFETCH(QPointF, fromOffsets);
    ViewState v = plotOf9000x6000();
    v.ViewAzimuth = azimuth;
    v.ViewElevation = elevation;
    const Projection projection(v);
    const auto plot = projection.toPlot(point);
    QVERIFY(plot);
    const QPointF expected = QPointF(4500, 3000) + fromOffsets;
    QVERIFY2((*plot - expected).manhattanLength() < 1e-9,
             qPrintable(QStringLiteral("(%1, %2)").arg(plot->x()).arg(plot->y())));
    const auto pixels = projection.toPixels(point);
    QVERIFY(pixels && (*pixels - expected / 15).manhattanLength() < 1e-9);
    double px, py;
    QVERIFY(projection.pixelOf(point.x(), point.y(), point.z(), px, py));
    QVERIFY((QPointF(px, py) - expected / 15).manhattanLength() < 1e-9);
}

void TestViewState::pointAtTheEyeIsNotMapped()
{
    const Projection projection(plotOf9000x6000());
    QVERIFY(!projection.toPlot(Point3(0.3, 2, 30)));
    double px, py;
    QVERIFY(!projection.pixelOf(0.3, 2, 30, px, py));
    QVERIFY(projection.toPlot(Point3(0.3, 2, 29.9)));
}

void TestViewState::placement_data()
{
    QTest::addColumn<Point3>("centre");
    QTest::addColumn<Point3>("normal");
    // clang-format off
    QTest::newRow("default")      << DefaultPlacementCentre << DefaultPlacementNormal;
    QTest::newRow("along x")      << Point3(1, -2, 0.5)     << Point3(1, 0, 0);
    QTest::newRow("down")         << Point3(0, 0, -3)       << Point3(0, 0, -1);
    QTest::newRow("tilted down")  << Point3(-4, 1, 2)       << Point3(0.6, 0, -0.8);
    // clang-format on
}

void TestViewState::placement()
{
    QFETCH(Point3, centre);
    QFETCH(Point3, normal);
    const Transform4 m = PlacementMatrix(centre, normal);
    for (const Eigen::Vector4d &t : CircleTemplate()) {
        const Eigen::Vector4d p = m * t;
        QCOMPARE(p(3), 1.0);
        const Point3 d = p.head<3>() - centre;
        QVERIFY(std::abs(d.norm() - CircleRadius) < 1e-12);
        QVERIFY(std::abs(d.dot(normal)) < 1e-12);
    }
}

void TestViewState::buttonSteps_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("field"); // the one value that changes
    QTest::addColumn<double>("change");
    // clang-format off
    QTest::newRow("left TEVO")   << 1  << "TEVO"  << "azimuth"   << 1.0;
    QTest::newRow("left BESA")   << 1  << "BESA"  << "azimuth"   << -1.0;
    QTest::newRow("left Curry")  << 1  << "Curry" << "azimuth"   << -1.0;
    QTest::newRow("right TEVO")  << 3  << "TEVO"  << "azimuth"   << -1.0;
    QTest::newRow("right BESA")  << 3  << "BESA"  << "azimuth"   << 1.0;
    QTest::newRow("up")          << 5  << "BESA"  << "elevation" << 1.0;
    QTest::newRow("down")        << 7  << "TEVO"  << "elevation" << -1.0;
    QTest::newRow("SSCommand1")  << 9  << "TEVO"  << "scale"     << -10.0;
    QTest::newRow("SSCommand2")  << 11 << "TEVO"  << "scale"     << 10.0;
    QTest::newRow("SSCommand6")  << 13 << "TEVO"  << "offY"      << -100.0;
    QTest::newRow("SSCommand3")  << 15 << "TEVO"  << "offY"      << 100.0;
    QTest::newRow("SSCommand4")  << 17 << "TEVO"  << "offX"      << -100.0;
    QTest::newRow("SSCommand5")  << 19 << "Curry" << "offX"      << 100.0;
    QTest::newRow("release")     << 2  << "TEVO"  << ""          << 0.0;
    QTest::newRow("above 19")    << 21 << "TEVO"  << ""          << 0.0;
    QTest::newRow("none")        << 0  << "TEVO"  << ""          << 0.0;
    // clang-format on
}

void TestViewState::buttonSteps()
{
    QFETCH(int, code);
    QFETCH(QString, system);
    QFETCH(QString, field);
    QFETCH(double, change);
    ViewState v = plotOf9000x6000();
    ViewState expected = v;
    QCOMPARE(ViewStep(v, code, azimuthDirectionOf(system)), !field.isEmpty());
    expected.ViewAzimuth += field == "azimuth" ? int(change) : 0;
    expected.ViewElevation += field == "elevation" ? int(change) : 0;
    expected.PlotScale += field == "scale" ? change : 0;
    expected.PlotOffsetX += field == "offX" ? change : 0;
    expected.PlotOffsetY += field == "offY" ? change : 0;
    QCOMPARE(v.ViewAzimuth, expected.ViewAzimuth);
    QCOMPARE(v.ViewElevation, expected.ViewElevation);
    QCOMPARE(v.PlotScale, expected.PlotScale);
    QCOMPARE(v.PlotOffsetX, expected.PlotOffsetX);
    QCOMPARE(v.PlotOffsetY, expected.PlotOffsetY);
    QCOMPARE(v.ViewShift, (std::array<int, 3>{0, 0, 0}));
}

void TestViewState::anglesPastSixteenBitsKeepTheView()
{
    ViewState v = plotOf9000x6000();
    v.ViewAzimuth = 32767;
    v.ViewElevation = -32768;
    ViewStep(v, ViewButtons::Left, AzimuthDirection::Tevo);
    ViewStep(v, ViewButtons::Down, AzimuthDirection::Tevo);
    QVERIFY(v.ViewAzimuth <= 32767 && v.ViewElevation >= -32768);
    ViewState unwrapped = plotOf9000x6000();
    unwrapped.ViewAzimuth = 32768;
    unwrapped.ViewElevation = -32769;
    const Point3 p(1, 2, 3);
    QVERIFY((*Projection(v).toPlot(p) - *Projection(unwrapped).toPlot(p)).manhattanLength() < 1e-6);
}

// The widget's own test holds a button down; what it cannot reach is stepped here by hand.
void TestViewState::holdRepeatsTheLastViewButton()
{
    ViewState v = plotOf9000x6000();
    v.HoldActive = 1;
    HoldRepeat hold(v);
    hold.press(ViewButtons::ZoomIn);
    hold.repeat();
    hold.press(ViewButtons::PlotLeft); // a second button takes over the hold
    QCOMPARE(v.HoldCode, 17);
    hold.repeat();
    hold.repeat();
    QCOMPARE(v.PlotScale, 170.0);
    QCOMPARE(v.PlotOffsetX, 4500.0 - 300);
    hold.press(21); // not a view button: nothing steps, the repeat ends
    QVERIFY(!hold.isRepeating());
    // A fixed view only keeps the code, unless electrode digitizing lets the buttons step.
    v.HoldActive = 0;
    hold.press(ViewButtons::Up);
    QCOMPARE(v.HoldCode, 5);
    QCOMPARE(v.ViewElevation, -90);
    QVERIFY(!hold.isRepeating());
    hold.setStepWithoutHold(true);
    hold.press(ViewButtons::Down);
    hold.repeat();
    QCOMPARE(v.ViewElevation, -92);
}

QTEST_GUILESS_MAIN(TestViewState)
#include "tst_view_state.moc"
