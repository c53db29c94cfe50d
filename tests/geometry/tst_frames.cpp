#include "geometry/frames.h"
#include "geometry/geometry_error.h"
#include "geometry/head_frames.h"

#include <QTest>

Q_DECLARE_METATYPE(Point3)

class TestFrames : public QObject
{
    Q_OBJECT
private slots:
    void symmetricHeadGivesIdentity();
    void frameInvariants_data();
    void frameInvariants();
    void directionOneIsInverse();
    void degenerate_data();
    void degenerate();
    void otherDirectionRefused();
    void transformPointIgnoresRowFour();
    void headFramesAverage_data();
    void headFramesAverage();
    void headFramesKeepOldTransformsOnFailure();
};

void TestFrames::symmetricHeadGivesIdentity()
{
    const Frame f = BuildFrame({0.1, 0, 0}, {0, 0.07, 0}, {0, -0.07, 0}, 0);
    QVERIFY(f.position.isApprox(Transform4::Identity(), 1e-15));
    Point3 p(0.03, -0.02, 0.05);
    TransformPoint(f.position, p);
    QVERIFY((p - Point3(0.03, -0.02, 0.05)).norm() < 1e-15);
}

void TestFrames::frameInvariants_data()
{
    QTest::addColumn<Point3>("nasion");
    QTest::addColumn<Point3>("lpa");
    QTest::addColumn<Point3>("rpa");
    // clang-format off
    QTest::newRow("tilted") << Point3(0.12, 0.03, 0.31) << Point3(0.02, 0.1, 0.28) << Point3(0.03, -0.04, 0.25);
    QTest::newRow("asymmetric ears") << Point3(0.1, 0.02, 0) << Point3(0.01, 0.09, 0.01) << Point3(-0.02, -0.05, 0);
    QTest::newRow("far from transmitter") << Point3(-0.5, 0.4, 0.6) << Point3(-0.6, 0.45, 0.62) << Point3(-0.58, 0.31, 0.6);
    // clang-format on
}

void TestFrames::frameInvariants()
{
    QFETCH(Point3, nasion);
    QFETCH(Point3, lpa);
    QFETCH(Point3, rpa);
    const Frame f = BuildFrame(nasion, lpa, rpa, 0);
    const Point3 n = transformed(f.position, nasion);
    const Point3 l = transformed(f.position, lpa);
    const Point3 r = transformed(f.position, rpa);
    QVERIFY(n.x() > 0);
    QVERIFY(std::abs(n.y()) < 1e-15 && std::abs(n.z()) < 1e-15);
    QVERIFY(l.y() > 0 && r.y() < 0);
    QVERIFY(std::abs(l.z()) < 1e-15 && std::abs(r.z()) < 1e-15);
    QVERIFY(std::abs(l.x() + r.x()) < 1e-15);
    const Eigen::Matrix3d rot = f.position.block<3, 3>(0, 0);
    QVERIFY((rot * rot.transpose()).isApprox(Eigen::Matrix3d::Identity(), 1e-14));
    QVERIFY(std::abs(rot.determinant() - 1.0) < 1e-14);
    QCOMPARE(f.position.row(3), Eigen::RowVector4d(0, 0, 0, 1));
    // Swapping the ears flips y and z.
    const Frame swapped = BuildFrame(nasion, rpa, lpa, 0);
    QVERIFY(transformed(swapped.position, lpa).y() < 0);
}

void TestFrames::directionOneIsInverse()
{
    const Point3 a(0.12, 0.03, 0.31), b(0.02, 0.1, 0.28), c(0.03, -0.04, 0.25);
    const Transform4 in = BuildFrame(a, b, c, 0).position;
    const Transform4 out = BuildFrame(a, b, c, 1).position;
    QVERIFY((in * out).isApprox(Transform4::Identity(), 1e-14));
    Point3 p(0.4, -0.2, 0.1);
    TransformPoint(in, p);
    TransformPoint(out, p);
    QVERIFY((p - Point3(0.4, -0.2, 0.1)).norm() < 1e-15);
}

void TestFrames::degenerate_data()
{
    QTest::addColumn<Point3>("a");
    QTest::addColumn<Point3>("b");
    QTest::addColumn<Point3>("c");
    QTest::addColumn<QString>("says");
    // clang-format off
    QTest::newRow("ears coincide") << Point3(0.1, 0, 0) << Point3(0, 0.07, 0) << Point3(0, 0.07, 0) << "LPA and RPA coincide";
    QTest::newRow("nasion at midpoint") << Point3(0, 0, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << "Nasion lies midway between LPA and RPA";
    QTest::newRow("collinear") << Point3(0, 0.2, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << "Nasion lies on the line through LPA and RPA";
    QTest::newRow("not a number") << Point3(std::nan(""), 0, 0) << Point3(0, 0.07, 0) << Point3(0, -0.07, 0) << "not a number";
    QTest::newRow("infinite") << Point3(0.1, 0, 0) << Point3(0, INFINITY, 0) << Point3(0, -0.07, 0) << "not a number";
    // clang-format on
}

void TestFrames::degenerate()
{
    QFETCH(Point3, a);
    QFETCH(Point3, b);
    QFETCH(Point3, c);
    QFETCH(QString, says);
    try {
        BuildFrame(a, b, c, 0);
        QFAIL("a degenerate frame was built");
    } catch (const GeometryError &e) {
        QVERIFY2(e.message().contains(says), qPrintable(e.message()));
    }
}

void TestFrames::otherDirectionRefused()
{
    QVERIFY_THROWS_EXCEPTION(GeometryError,
                             BuildFrame({0.1, 0, 0}, {0, 0.07, 0}, {0, -0.07, 0}, 2));
}

void TestFrames::transformPointIgnoresRowFour()
{
    Transform4 m = Transform4::Identity();
    m(0, 3) = 1;
    m.row(3) << 5, 5, 5, 5;
    Point3 p(1, 2, 3);
    TransformPoint(m, p);
    QCOMPARE(p, Point3(2, 2, 3));
}

void TestFrames::headFramesAverage_data()
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

void TestFrames::headFramesAverage()
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
    std::array<Transform4, 4> mref;
    mref.fill(Transform4::Constant(9));
    const FidTriple avg = computeHeadFrames(ref, receivers, mref);
    Point3 expectedNasion = Point3::Zero();
    for (int r = 0; r < 4; ++r) {
        if (built.contains(r)) {
            QVERIFY(mref[r] != Transform4(Transform4::Constant(9)));
            expectedNasion += transformed(mref[r], ref[r][0]);
        } else {
            QCOMPARE(mref[r], Transform4(Transform4::Constant(9)));
        }
    }
    expectedNasion /= built.size();
    QVERIFY((avg[0] - expectedNasion).norm() < 1e-15);
    QVERIFY(std::abs(avg[1].z()) < 1e-15); // every frame puts LPA at z = 0
}

void TestFrames::headFramesKeepOldTransformsOnFailure()
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

QTEST_APPLESS_MAIN(TestFrames)
#include "tst_frames.moc"
