#include "data/workspace.h"
#include "display/hold_repeat.h"
#include "display/points_table.h"
#include "display/scene_from_workspace.h"
#include "display/scene_painter.h"
#include "display/view_state.h"
#include "pixels.h"

#include <QTest>
#include <random>

// The view: how points project and the buttons step it, what the plot draws, and the table of
// points beside it.
Q_DECLARE_METATYPE(Point3)

class TestView : public QObject
{
    Q_OBJECT
private slots:
    void zeroFiducialsScaleByTheFloor();
    void shapeHighlightsTheSelectedSequence();
    void probeCircleSurroundsItsCoil();
    void fiducialSetsDrawTwoStations();
    void sceneAndRowsOfTheWorkspace();
    void nearestMatchesAllPairs_data();
    void nearestMatchesAllPairs();
    void mapping_data();
    void mapping();
    void placement_data();
    void placement();
    void buttonSteps_data();
    void buttonSteps();
    void holdRepeatsTheLastViewButton();
};

using Pixels::colourNear;
using Pixels::dotAt;

namespace {
ViewState plotOf9000x6000()
{
    ViewState v;
    SetHomeView(v, 9000, 6000);
    return v;
}

const QSize Size(400, 300);
const QColor Blue(0, 0, 255), Black(0, 0, 0);
} // namespace

void TestView::zeroFiducialsScaleByTheFloor()
{
    const DisplayCopy copy = PrepareElectrodeDisplay(zeroFids(), {Point3(1e-4, -2e-4, 0)});
    QVERIFY((copy.pos[0] - Point3(5, -10, 0)).norm() < 1e-9);
    const DisplayCopy negative = PrepareShapeDisplay(
        {Point3(0, 0, -0.1), Point3(0.05, 0, 0), Point3::Zero()}, {Point3(0, 0, 0.1)});
    QVERIFY((negative.fid[0] - Point3(0, 0, -5)).norm() < 1e-9);
    QVERIFY((negative.pos[0] - Point3(0, 0, 5)).norm() < 1e-9);
}

void TestView::shapeHighlightsTheSelectedSequence()
{
    Scene s;
    s.fiducials = {Point3(0.1, 0, 0), Point3(0, 0.08, 0), Point3(0, -0.08, 0)};
    s.points = {Point3(0.05, 0.05, 0.05), Point3(-0.05, 0.05, 0.05), Point3(-0.05, -0.05, 0.05),
                Point3(0.05, -0.05, 0.05)};
    s.sequenceStarts = {0, 2, 3};
    s.selectedSequence = 2;
    DrawOptions options;
    options.highlight = QColor(255, 128, 0);
    const ViewState view = homeView(Size, DisplaySets::Shape);
    const QImage image = renderScene(s, view, Size, options);
    const Projection p(view);
    const auto at = [&](int i) { return *p.toPixels(Point3(50 * s.points[i])); };
    for (int i = 0; i < 4; ++i)
        QVERIFY(dotAt(image, at(i), i == 2 ? options.highlight : Black));
}

void TestView::probeCircleSurroundsItsCoil()
{
    Scene s;
    s.fiducials = {Point3(0.6, 0, 0), Point3(0, 0.5, 0), Point3(0, -0.5, 0)};
    s.probeCoils = {{Point3(0.3, -0.2, 0.1), Point3(0, 0, 1)}};
    DrawOptions options;
    options.foreground = QColor(200, 0, 200);
    const ViewState view = homeView(Size, DisplaySets::Probe);
    const QImage image = renderScene(s, view, Size, options);
    const Projection p(view);
    const double scale = 10.0; // the largest value stays below 1
    const Point3 centre = scale * s.probeCoils[0].centre;
    for (const Eigen::Vector4d &t : CircleTemplate()) {
        const Point3 onCircle = centre + t.head<3>();
        QVERIFY(colourNear(image, *p.toPixels(onCircle), options.foreground));
    }
    QCOMPARE(image.pixelColor(p.toPixels(centre)->toPoint()), QColor(Qt::white));
    QVERIFY(dotAt(image, *p.toPixels(Point3(scale * s.fiducials[0])), Blue));
    QCOMPARE(ProbeScale(s.fiducials, {{Point3(-40, 2, 0), Point3(0, 0, 1)}}), 5.0);
}

void TestView::fiducialSetsDrawTwoStations()
{
    // Each station sees the same head, moved; the frame takes the move back out.
    const FidTriple head = {Point3(5, 0, 0), Point3(0, 4, 0), Point3(0, -4, 0)};
    const auto moved = [&](Point3 by) {
        return FidTriple{head[0] + by, head[1] + by, head[2] + by};
    };
    Scene s;
    s.receiverFids = {moved(Point3(1, 2, 0)), zeroFids(), moved(Point3(-2, 1, 0))};
    const ViewState view = homeView(Size, DisplaySets::FiducialSets);
    DrawResult result;
    QImage image = renderScene(s, view, Size, {}, &result);
    QCOMPARE(result.problems.size(), 1); // station 2 has no frame
    const Projection p(view);
    const QColor purple(128, 0, 128), olive(128, 128, 0);
    for (const Point3 &f : head)
        QVERIFY(dotAt(image, *p.toPixels(f), purple));
    const QPointF box = *p.toPixels(Point3(-1, -2, 0)) + QPointF(100.0 / 15, 0);
    QVERIFY(colourNear(image, box, purple));

    s.receiverFids[1] = moved(Point3(-2, 1, 0));
    image = renderScene(s, view, Size, {}, &result);
    QVERIFY(result.problems.isEmpty());
    QVERIFY(colourNear(image, *p.toPixels(Point3(2, -1, 0)) - QPointF(0, 100.0 / 15), olive));
}

// The counts of the workspace, not the sizes of its tables, say what is shown.
void TestView::sceneAndRowsOfTheWorkspace()
{
    Workspace ws;
    ws.meas.Fid = {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)};
    ws.meas.FidName = {Fixed8("Nz"), Fixed8("LPA"), Fixed8("RPA")};
    ws.meas.resize(3);
    ws.sensors.resize(3);
    ws.sensors.NumSensors = 2;
    ws.meas.Name = {Fixed8("Cz"), Fixed8("Fpz"), Fixed8("Oz")};
    ws.meas.Type = {QStringLiteral("400"), QStringLiteral("1C00"), QStringLiteral("400")};
    ws.meas.Pos = {Point3(0, 0, 0.1), Point3(0.09, 0, 0.02), Point3(0.1, 0, 0.001)};
    const auto rows = PointsTable(sceneFromWorkspace(ws, DisplaySets::Electrodes));
    QCOMPARE(rows.size(), std::size_t(5));
    QCOMPARE(rows[0].name, QStringLiteral("Nz"));
    QCOMPARE(rows[2].type, QStringLiteral("Fiducial, Right Preauricular"));
    QCOMPARE(rows[4].name, QStringLiteral("Fpz"));
    QCOMPARE(rows[4].type, QStringLiteral("Reference"));
    QVERIFY((rows[3].cm - Point3(0, 0, 10)).norm() < 1e-12);
    // Fpz is nearest to the nasion: 1 cm back and 2 cm up.
    QVERIFY(std::abs(*rows[4].nearestCm - std::sqrt(5.0)) < 1e-12);
    QVERIFY(std::abs(*rows[0].nearestCm - std::sqrt(5.0)) < 1e-12);

    ws.sensors.ProbeCoil[1][0] = {0.1, 0.2, 0.3, 0, 1, 0};
    ws.ReceiverFid.assign(3, zeroFids());
    ws.ReceiverCount = 2;
    ws.ShapePos.assign(5, Point3(0.01, 0, 0));
    ws.NumShapePoints = 4;
    QCOMPARE(sceneFromWorkspace(ws, DisplaySets::Probe).probeCoils.size(), std::size_t(2));
    QCOMPARE(sceneFromWorkspace(ws, DisplaySets::Probe).probeCoils[1].normal, Point3(0, 1, 0));
    QCOMPARE(sceneFromWorkspace(ws, DisplaySets::FiducialSets).receiverFids.size(), std::size_t(2));
    QCOMPARE(sceneFromWorkspace(ws, DisplaySets::Shape).points.size(), std::size_t(4));
    ws.ReceiverCount = -1;
    QVERIFY(sceneFromWorkspace(ws, DisplaySets::FiducialSets).receiverFids.empty());
}

void TestView::nearestMatchesAllPairs_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("shape");
    // clang-format off
    QTest::newRow("single")      << 1    << "ball";
    QTest::newRow("ball")        << 1000 << "ball";
    QTest::newRow("flat cap")    << 800  << "plane";
    QTest::newRow("on a line")   << 600  << "line";
    QTest::newRow("duplicates")  << 600  << "duplicates";
    QTest::newRow("two clumps")  << 800  << "clumps";
    QTest::newRow("one far")     << 500  << "outlier";
    // clang-format on
}

void TestView::nearestMatchesAllPairs()
{
    QFETCH(int, n);
    QFETCH(QString, shape);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-0.1, 0.1);
    std::vector<Point3> pts;
    for (int i = 0; i < n; ++i) {
        Point3 p(u(rng), u(rng), u(rng));
        if (shape == QLatin1String("plane"))
            p.z() = 0.05;
        else if (shape == QLatin1String("line"))
            p.y() = p.z() = 0;
        else if (shape == QLatin1String("duplicates") && i % 3 == 1)
            p = pts.back();
        else if (shape == QLatin1String("clumps"))
            p = p * 1e-3 + Point3(i % 2 ? 5 : -5, 0, 0);
        else if (shape == QLatin1String("outlier") && i == n - 1)
            p = Point3(30, -20, 10);
        pts.push_back(p);
    }
    const auto nearest = nearestDistances(pts);
    if (n == 1)
        QVERIFY(!nearest[0]);
    for (int i = 0; i < n && n > 1; ++i) {
        double best = std::numeric_limits<double>::infinity();
        for (int j = 0; j < n; ++j)
            best = j == i ? best : std::min(best, (pts[i] - pts[j]).norm());
        QVERIFY2(nearest[i] && std::abs(*nearest[i] - best) < 1e-15,
                 qPrintable(QStringLiteral("point %1").arg(i)));
    }
}

void TestView::mapping_data()
{
    QTest::addColumn<int>("azimuth");
    QTest::addColumn<int>("elevation");
    QTest::addColumn<Point3>("point");
    QTest::addColumn<QPointF>("fromOffsets"); // twips; NaN: not mapped, at or behind the eye
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
    QTest::newRow("before the eye")       << 180 << -90 << Point3(0.3, 2, 29.5) << QPointF(-18000, -2700);
    QTest::newRow("at the eye")           << 180 << -90 << Point3(0.3, 2, 30)   << QPointF(qQNaN(), 0);
    // clang-format on
}

void TestView::mapping()
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
    double px, py;
    const bool mapped = projection.pixelOf(point.x(), point.y(), point.z(), px, py);
    QCOMPARE(mapped, !qIsNaN(fromOffsets.x()));
    QCOMPARE(plot.has_value(), mapped);
    if (!mapped)
        return;
    const QPointF expected = QPointF(4500, 3000) + fromOffsets;
    QVERIFY2((*plot - expected).manhattanLength() < 1e-9,
             qPrintable(QStringLiteral("(%1, %2)").arg(plot->x()).arg(plot->y())));
    const auto pixels = projection.toPixels(point);
    QVERIFY(pixels && (*pixels - expected / 15).manhattanLength() < 1e-9);
    QVERIFY((QPointF(px, py) - expected / 15).manhattanLength() < 1e-9);
}

void TestView::placement_data()
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

void TestView::placement()
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

void TestView::buttonSteps_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("field"); // the one value that changes
    QTest::addColumn<double>("change");
    // The buttons the widget and the display menu do not already step.
    // clang-format off
    QTest::newRow("left Curry")  << 1  << "Curry" << "azimuth"   << -1.0;
    QTest::newRow("right BESA")  << 3  << "BESA"  << "azimuth"   << 1.0;
    QTest::newRow("SSCommand1")  << 9  << "TEVO"  << "scale"     << -10.0;
    QTest::newRow("SSCommand6")  << 13 << "TEVO"  << "offY"      << -100.0;
    QTest::newRow("SSCommand3")  << 15 << "TEVO"  << "offY"      << 100.0;
    QTest::newRow("SSCommand5")  << 19 << "Curry" << "offX"      << 100.0;
    QTest::newRow("release")     << 2  << "TEVO"  << ""          << 0.0;
    QTest::newRow("none")        << 0  << "TEVO"  << ""          << 0.0;
    // clang-format on
}

void TestView::buttonSteps()
{
    QFETCH(int, code);
    QFETCH(QString, system);
    QFETCH(QString, field);
    QFETCH(double, change);
    ViewState v = plotOf9000x6000();
    const auto values = [](const ViewState &s) {
        return QList<double>{double(s.ViewAzimuth), double(s.ViewElevation), s.PlotScale,
                             s.PlotOffsetX, s.PlotOffsetY};
    };
    QList<double> expected = values(v);
    const qsizetype at =
        QStringList{"azimuth", "elevation", "scale", "offX", "offY"}.indexOf(field);
    if (at >= 0)
        expected[at] += change;
    QCOMPARE(ViewStep(v, code, azimuthDirectionOf(system)), at >= 0);
    QCOMPARE(values(v), expected);
    QCOMPARE(v.ViewShift, (std::array<int, 3>{0, 0, 0}));
}

// The widget's own test holds a button down; what it cannot reach is stepped here by hand.
void TestView::holdRepeatsTheLastViewButton()
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

QTEST_MAIN(TestView)
#include "tst_view.moc"
