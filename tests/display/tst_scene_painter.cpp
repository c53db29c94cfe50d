#include "display/scene_painter.h"
#include "pixels.h"

#include <QTest>

class TestScenePainter : public QObject
{
    Q_OBJECT
private slots:
    void zeroFiducialsScaleByTheFloor();
    void cubeColoursMeetAtCornerFive();
    void shapeHighlightsTheSelectedSequence();
    void probeCircleSurroundsItsCoil();
    void fiducialSetsDrawTwoStations();
};

using Pixels::colourNear;
using Pixels::dotAt;

namespace {
const QSize Size(400, 300);
const QColor Blue(0, 0, 255), Red(255, 0, 0), Green(0, 255, 0), Black(0, 0, 0);
} // namespace

void TestScenePainter::zeroFiducialsScaleByTheFloor()
{
    const DisplayCopy copy = PrepareElectrodeDisplay(zeroFids(), {Point3(1e-4, -2e-4, 0)});
    QVERIFY((copy.pos[0] - Point3(5, -10, 0)).norm() < 1e-9);
    const DisplayCopy negative = PrepareShapeDisplay(
        {Point3(0, 0, -0.1), Point3(0.05, 0, 0), Point3::Zero()}, {Point3(0, 0, 0.1)});
    QVERIFY((negative.fid[0] - Point3(0, 0, -5)).norm() < 1e-9);
    QVERIFY((negative.pos[0] - Point3(0, 0, 5)).norm() < 1e-9);
}

void TestScenePainter::cubeColoursMeetAtCornerFive()
{
    const QSize size(400, 400);
    const ViewState view = homeView(size, DisplaySets::None);
    const QImage image = renderScene(Scene(), view, size);
    const Projection p(view);
    const auto corner = [&](double x, double y, double z) { return *p.toPixels(Point3(x, y, z)); };
    const QPointF c5 = corner(-10, -10, -10);
    const auto along = [&](QPointF to) {
        const QPointF d = to - c5;
        return c5 + d * (8 / std::hypot(d.x(), d.y()));
    };
    QVERIFY(colourNear(image, along(corner(-10, 10, -10)), Red));   // to corner 6, along y
    QVERIFY(colourNear(image, along(corner(-10, -10, 10)), Green)); // to corner 8, along z
    QVERIFY(colourNear(image, along(corner(10, -10, -10)), Blue));  // to corner 1, along x
    QVERIFY(!colourNear(image, along(corner(-10, 10, -10)), Blue));
    QVERIFY(colourNear(image, c5, Red) || colourNear(image, c5, Green) ||
            colourNear(image, c5, Blue));
    const QPointF c2 = corner(10, 10, -10), c3 = corner(10, 10, 10), c1 = corner(10, -10, -10);
    QVERIFY(colourNear(image, (c1 + c2) / 2, Black));
    QCOMPARE(image.pixelColor(((c2 + c3) / 2).toPoint()), QColor(Qt::white)); // edge 2-3
}

void TestScenePainter::shapeHighlightsTheSelectedSequence()
{
    Scene s;
    s.fiducials = {Point3(0.1, 0, 0), Point3(0, 0.08, 0), Point3(0, -0.08, 0)};
    s.points = {Point3(0.05, 0.05, 0.05), Point3(-0.05, 0.05, 0.05), Point3(-0.05, -0.05, 0.05),
                Point3(0.05, -0.05, 0.05)};
    s.sequenceStarts = {0, 2, 3};
    s.selectedSequence = 2;
    s.markedRow = 3 + 3; // the fourth point
    DrawOptions options;
    options.highlight = QColor(255, 128, 0);
    const ViewState view = homeView(Size, DisplaySets::Shape);
    const QImage image = renderScene(s, view, Size, options);
    const Projection p(view);
    const auto at = [&](int i) { return *p.toPixels(Point3(50 * s.points[i])); };
    QVERIFY(dotAt(image, at(0), Black));
    QVERIFY(dotAt(image, at(1), Black));
    QVERIFY(dotAt(image, at(2), options.highlight));
    QVERIFY(dotAt(image, at(3), Black));
    QVERIFY(colourNear(image, at(3) + QPointF(8, 0), options.highlight));
    QVERIFY(!colourNear(image, at(0) + QPointF(8, 0), options.highlight));
    QVERIFY(dotAt(image, *p.toPixels(Point3(50 * s.fiducials[0])), Blue));
}

void TestScenePainter::probeCircleSurroundsItsCoil()
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

void TestScenePainter::fiducialSetsDrawTwoStations()
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
    QCOMPARE(result.problems.size(), 1);
    QVERIFY(result.problems[0].startsWith(QStringLiteral("Station 2")));
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
    QVERIFY(!result.dewarMessage);
    renderScene(s, homeView(Size, DisplaySets::Dewar), Size, {}, &result);
    QVERIFY(result.dewarMessage && result.problems.isEmpty());
}

QTEST_MAIN(TestScenePainter)
#include "tst_scene_painter.moc"
