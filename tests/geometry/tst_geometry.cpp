#include "data/workspace.h"
#include "fixtures.h"
#include "geometry/conversions.h"
#include "geometry/frames.h"
#include "geometry/geometry_error.h"
#include "geometry/head_frames.h"

#include <QTest>

using Fixtures::near;
Q_DECLARE_METATYPE(Point3)

// Frames from three points, head frames over the references, and the convention conversions.
class TestGeometry : public QObject
{
    Q_OBJECT
private slots:
    void frameInvariants_data();
    void frameInvariants();
    void degenerate_data();
    void degenerate();
    void headFramesAverage_data();
    void headFramesAverage();
    void headFramesKeepOldTransformsOnFailure();
    void tevoToBesa();
    void curry();
};

void TestGeometry::frameInvariants_data()
{
    QTest::addColumn<Point3>("nasion");
    QTest::addColumn<Point3>("lpa");
    QTest::addColumn<Point3>("rpa");
    // clang-format off
    QTest::newRow("symmetric head at the origin") << Point3(0.1, 0, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0);
    QTest::newRow("tilted") << Point3(0.12, 0.03, 0.31) << Point3(0.02, 0.1, 0.28) << Point3(0.03, -0.04, 0.25);
    QTest::newRow("asymmetric ears") << Point3(0.1, 0.02, 0) << Point3(0.01, 0.09, 0.01) << Point3(-0.02, -0.05, 0);
    QTest::newRow("far from transmitter") << Point3(-0.5, 0.4, 0.6) << Point3(-0.6, 0.45, 0.62) << Point3(-0.58, 0.31, 0.6);
    // clang-format on
}

void TestGeometry::frameInvariants()
{
    QFETCH(Point3, nasion);
    QFETCH(Point3, lpa);
    QFETCH(Point3, rpa);
    const Frame f = BuildFrame(nasion, lpa, rpa, 0);
    const Point3 n = transformed(f.position, nasion), l = transformed(f.position, lpa),
                 r = transformed(f.position, rpa);
    QVERIFY(n.x() > 0 && std::abs(n.y()) < 1e-15 && std::abs(n.z()) < 1e-15);
    QVERIFY(l.y() > 0 && r.y() < 0);
    QVERIFY(std::abs(l.z()) < 1e-15 && std::abs(r.z()) < 1e-15);
    QVERIFY(std::abs(l.x() + r.x()) < 1e-15);
    const Eigen::Matrix3d rot = f.position.block<3, 3>(0, 0);
    QVERIFY(near(rot * rot.transpose(), Eigen::Matrix3d::Identity(), 1e-14));
    QVERIFY(std::abs(rot.determinant() - 1.0) < 1e-14);
    QCOMPARE(f.position.row(3), Eigen::RowVector4d(0, 0, 0, 1));
    QCOMPARE(Eigen::Matrix3d(f.rotation.topLeftCorner(3, 3)), rot);
    QCOMPARE(f.rotation.col(3), Eigen::Vector4d(0, 0, 0, 1));
    if (nasion.y() == 0 && nasion.z() == 0 && lpa == -rpa)
        QVERIFY(near(f.position, Transform4::Identity(), 1e-15));
    // Direction 1 maps back out.
    QVERIFY(
        near(f.position * BuildFrame(nasion, lpa, rpa, 1).position, Transform4::Identity(), 1e-14));
    // Swapping the ears flips y and z.
    QVERIFY(transformed(BuildFrame(nasion, rpa, lpa, 0).position, lpa).y() < 0);
}

void TestGeometry::degenerate_data()
{
    QTest::addColumn<Point3>("a");
    QTest::addColumn<Point3>("b");
    QTest::addColumn<Point3>("c");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("says");
    // clang-format off
    QTest::newRow("ears coincide") << Point3(0.1, 0, 0) << Point3(0, 0.07, 0) << Point3(0, 0.07, 0) << 0 << "LPA and RPA coincide";
    QTest::newRow("nasion at midpoint") << Point3(0, 0, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << 1 << "Nasion lies midway between LPA and RPA";
    QTest::newRow("collinear") << Point3(0, 0.2, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << 0 << "Nasion lies on the line through LPA and RPA";
    QTest::newRow("not a number") << Point3(std::nan(""), 0, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << 0 << "not a number";
    QTest::newRow("infinite") << Point3(0.1, 0, 0) << Point3(0, INFINITY, 0) << Point3(0, -0.07, 0) << 0 << "not a number";
    QTest::newRow("direction 2") << Point3(0.1, 0, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << 2 << "direction 0 or 1, not 2";
    // clang-format on
}

void TestGeometry::degenerate()
{
    QFETCH(Point3, a);
    QFETCH(Point3, b);
    QFETCH(Point3, c);
    QFETCH(int, direction);
    QFETCH(QString, says);
    try {
        BuildFrame(a, b, c, direction);
        QFAIL("a degenerate frame was built");
    } catch (const GeometryError &e) {
        QVERIFY2(e.message().contains(says), qPrintable(e.message()));
    }
}

void TestGeometry::headFramesAverage_data()
{
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QList<int>>("built");
    // clang-format off
    QTest::newRow("none") << 0 << QList<int>{0};
    QTest::newRow("one") << 1 << QList<int>{1};
    QTest::newRow("two") << 2 << QList<int>{1, 2};
    QTest::newRow("three") << 3 << QList<int>{1, 2, 3};
    // clang-format on
}

void TestGeometry::headFramesAverage()
{
    QFETCH(int, receivers);
    QFETCH(QList<int>, built);
    // The same head seen from four references with slightly different fiducial distances.
    std::array<FidTriple, 4> ref;
    for (int r = 0; r < 4; ++r) {
        const double stretch = 1.0 + 0.01 * r;
        ref[r] = {Point3(0.1 * stretch, 0.01 * r, 0.2), Point3(0.0, 0.07 * stretch, 0.2 + 0.01 * r),
                  Point3(0.0, -0.07, 0.2)};
    }
    const Transform4 untouched = Transform4::Constant(9);
    std::array<Transform4, 4> mref;
    mref.fill(untouched);
    const FidTriple avg = computeHeadFrames(ref, receivers, mref);
    Point3 expectedNasion = Point3::Zero();
    for (int r = 0; r < 4; ++r) {
        QCOMPARE(mref[r] == untouched, !built.contains(r));
        if (built.contains(r))
            expectedNasion += transformed(mref[r], ref[r][0]);
    }
    QVERIFY(near(avg[0], expectedNasion / built.size(), 1e-15));
    QVERIFY(std::abs(avg[1].z()) < 1e-15); // every frame puts LPA at z = 0
}

void TestGeometry::headFramesKeepOldTransformsOnFailure()
{
    std::array<FidTriple, 4> ref;
    ref.fill({Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)});
    ref[2] = {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, 0.07, 0)};
    std::array<Transform4, 4> mref;
    mref.fill(Transform4::Identity() * 2);
    QVERIFY_THROWS_EXCEPTION(GeometryError, computeHeadFrames(ref, 2, mref));
    QCOMPARE(mref[1], Transform4(Transform4::Identity() * 2));
    QVERIFY_THROWS_EXCEPTION(GeometryError, computeHeadFrames(ref, -1, mref));
}

void TestGeometry::tevoToBesa()
{
    Workspace ws;
    ws.tevo.Fid = {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)};
    ws.tevo.resize(1);
    ws.tevo.Pos[0] = Point3(0.02, 0.03, 0.09);
    TevoToBesa(ws);
    QVERIFY(near(ws.besa.Fid[0], Point3(-0.07, 0, 0), 1e-15));
    QVERIFY(near(ws.besa.Fid[1], Point3(0, 0.1, 0), 1e-15));
    QVERIFY(near(ws.besa.Fid[2], Point3(0.07, 0, 0), 1e-15));
    QVERIFY(near(ws.besa.Pos[0], Point3(-0.03, 0.02, 0.09), 1e-15));
    // A head frame whose x axis is not perpendicular to the ear line: the nasion still on y.
    ws.tevo.Fid = {Point3(0.1, 0, 0), Point3(0.01, 0.07, 0), Point3(-0.01, -0.07, 0)};
    TevoToBesa(ws);
    QVERIFY(std::abs(ws.besa.Fid[1].x()) < 1e-15 && ws.besa.Fid[2].x() > 0);
    // LPA on the x axis: refused, nothing changed.
    const FidTriple before = ws.besa.Fid;
    ws.tevo.Fid = {Point3(0.1, 0, 0), Point3(0.05, 0, 0), Point3(0, -0.07, 0)};
    try {
        TevoToBesa(ws);
        QFAIL("converted with LPA on the x axis");
    } catch (const GeometryError &e) {
        QVERIFY(e.message().contains("y = 0"));
    }
    QCOMPARE(ws.besa.Fid, before);
}

void TestGeometry::curry()
{
    Workspace ws;
    ws.besa.Fid = {Point3(-0.07, 0, 0), Point3(0, 0.1, 0), Point3(0.07, 0, 0.001)};
    ws.besa.resize(1);
    ws.tevo.resize(1);
    ws.besa.Pos[0] = Point3(0.01, 0.02, 0.5);
    ws.tevo.Pos[0] = Point3(0.02, -0.01, 0.03);
    BesaToCurry(ws);
    QVERIFY(near(ws.curry.Pos[0], Point3(-10, -20, 30)));
    QVERIFY(near(ws.curry.Fid[0], Point3(-70, 0, 1)));  // from RPA
    QVERIFY(near(ws.curry.Fid[1], Point3(70, 0, 0)));   // from LPA
    QVERIFY(near(ws.curry.Fid[2], Point3(0, -100, 0))); // from the nasion
    // An old Curry set: the nasion turned onto the x axis.
    ws.curry.Fid = {Point3(-70, 70, 0), Point3(70, -70, 0), Point3(100, 100, 0)};
    ws.curry.resize(1);
    ws.curry.Pos[0] = Point3(0, 100, 50);
    CurryOldToTevo(ws);
    const double r2 = std::sqrt(2.0);
    QVERIFY(near(ws.tevo.Fid[0], Point3(0.1 * r2, 0, 0)));
    QVERIFY(near(ws.tevo.Fid[1], Point3(0, -0.07 * r2, 0)));
    QVERIFY(near(ws.tevo.Pos[0], Point3(0.1 / r2, 0.1 / r2, 0.05)));
    ws.curry.Fid = {Point3(1, 0, 0), Point3(-1, 0, 0), Point3(0, 100, 0)}; // nasion on y
    QVERIFY_THROWS_EXCEPTION(GeometryError, CurryOldToTevo(ws));
}

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
