#include "data/workspace.h"
#include "display/points_table.h"
#include "display/scene_from_workspace.h"
#include "display/view_state.h"

#include <QTest>
#include <random>

class TestPointsTable : public QObject
{
    Q_OBJECT
private slots:
    void rowsOfTheElectrodeSet();
    void nearestMatchesAllPairs_data();
    void nearestMatchesAllPairs();
    void sceneTakesTheCountsOfTheWorkspace();
};

void TestPointsTable::rowsOfTheElectrodeSet()
{
    Workspace ws;
    ws.meas.Fid = {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)};
    ws.meas.FidName = {Fixed8("Nz"), Fixed8("LPA"), Fixed8("RPA")};
    ws.meas.resize(2);
    ws.sensors.NumSensors = 2;
    ws.meas.Name = {Fixed8("Cz"), Fixed8("Fpz")};
    ws.meas.Type = {QStringLiteral("400"), QStringLiteral("1C00")};
    ws.meas.Pos = {Point3(0, 0, 0.1), Point3(0.09, 0, 0.02)};
    const auto rows = PointsTable(sceneFromWorkspace(ws, DisplaySets::Electrodes));
    QCOMPARE(rows.size(), std::size_t(5));
    QCOMPARE(rows[0].name, QStringLiteral("Nz"));
    QCOMPARE(rows[2].type, QStringLiteral("Fiducial, Right Preauricular"));
    QCOMPARE(rows[4].name, QStringLiteral("Fpz"));
    QCOMPARE(rows[3].type, QStringLiteral("Electrode"));
    QCOMPARE(rows[4].type, QStringLiteral("Reference"));
    QVERIFY((rows[3].cm - Point3(0, 0, 10)).norm() < 1e-12);
    // Fpz is nearest to the nasion: 1 cm back and 2 cm up.
    QVERIFY(std::abs(*rows[4].nearestCm - std::sqrt(5.0)) < 1e-12);
    QVERIFY(std::abs(*rows[0].nearestCm - std::sqrt(5.0)) < 1e-12);
    QVERIFY(std::abs(*rows[1].nearestCm - std::sqrt(81.0 + 49 + 4)) < 1e-12);
}

void TestPointsTable::nearestMatchesAllPairs_data()
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

void TestPointsTable::nearestMatchesAllPairs()
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
    for (int i = 0; i < n; ++i) {
        double best = std::numeric_limits<double>::infinity();
        for (int j = 0; j < n; ++j) {
            if (j != i)
                best = std::min(best, (pts[i] - pts[j]).norm());
        }
        if (n == 1) {
            QVERIFY(!nearest[i]);
            continue;
        }
        QVERIFY2(nearest[i] && std::abs(*nearest[i] - best) < 1e-15,
                 qPrintable(QStringLiteral("point %1").arg(i)));
    }
}

void TestPointsTable::sceneTakesTheCountsOfTheWorkspace()
{
    Workspace ws;
    ws.sensors.resize(3);
    ws.sensors.NumSensors = 2;
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

QTEST_GUILESS_MAIN(TestPointsTable)
#include "tst_points_table.moc"
