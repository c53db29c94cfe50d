#include "data/workspace.h"
#include "geometry/conversions.h"
#include "geometry/geometry_error.h"

#include <QTest>

class TestConversions : public QObject
{
    Q_OBJECT
private slots:
    void tevoToBesaWorkedExample();
    void tevoToBesaPutsNasionOnY();
    void tevoToBesaRefusesLpaOnXAxis();
    void besaToCurry();
    void curryOldToTevoTurnsNasionOntoX();
    void curryOldToTevoRefusesNasionOnYAxis();
};

void TestConversions::tevoToBesaWorkedExample()
{
    Workspace ws;
    ws.tevo.Fid = {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)};
    ws.tevo.resize(1);
    ws.tevo.Pos[0] = Point3(0.02, 0.03, 0.09);
    TevoToBesa(ws);
    QVERIFY((ws.besa.Fid[0] - Point3(-0.07, 0, 0)).norm() < 1e-15);
    QVERIFY((ws.besa.Fid[1] - Point3(0, 0.1, 0)).norm() < 1e-15);
    QVERIFY((ws.besa.Fid[2] - Point3(0.07, 0, 0)).norm() < 1e-15);
    QVERIFY((ws.besa.Pos[0] - Point3(-0.03, 0.02, 0.09)).norm() < 1e-15);
}

void TestConversions::tevoToBesaPutsNasionOnY()
{
    Workspace ws;
    // A head frame whose x axis is not perpendicular to the ear line.
    ws.tevo.Fid = {Point3(0.1, 0, 0), Point3(0.01, 0.07, 0), Point3(-0.01, -0.07, 0)};
    TevoToBesa(ws);
    QVERIFY(std::abs(ws.besa.Fid[1].x()) < 1e-15);
    QVERIFY(ws.besa.Fid[2].x() > 0);
}

void TestConversions::tevoToBesaRefusesLpaOnXAxis()
{
    Workspace ws;
    ws.tevo.Fid = {Point3(0.1, 0, 0), Point3(0.05, 0, 0), Point3(0, -0.07, 0)};
    ws.besa.Fid = {Point3(1, 2, 3), Point3(1, 2, 3), Point3(1, 2, 3)};
    try {
        TevoToBesa(ws);
        QFAIL("converted with LPA on the x axis");
    } catch (const GeometryError &e) {
        QVERIFY(e.message().contains("y = 0"));
    }
    QCOMPARE(ws.besa.Fid[0], Point3(1, 2, 3));
}

void TestConversions::besaToCurry()
{
    Workspace ws;
    ws.besa.Fid = {Point3(-0.07, 0, 0), Point3(0, 0.1, 0), Point3(0.07, 0, 0.001)};
    ws.besa.resize(1);
    ws.tevo.resize(1);
    ws.besa.Pos[0] = Point3(0.01, 0.02, 0.5);
    ws.tevo.Pos[0] = Point3(0.02, -0.01, 0.03);
    BesaToCurry(ws);
    QVERIFY((ws.curry.Pos[0] - Point3(-10, -20, 30)).norm() < 1e-12);
    QVERIFY((ws.curry.Fid[0] - Point3(-70, 0, 1)).norm() < 1e-12);  // from RPA
    QVERIFY((ws.curry.Fid[1] - Point3(70, 0, 0)).norm() < 1e-12);   // from LPA
    QVERIFY((ws.curry.Fid[2] - Point3(0, -100, 0)).norm() < 1e-12); // from the nasion
}

void TestConversions::curryOldToTevoTurnsNasionOntoX()
{
    Workspace ws;
    ws.curry.Fid = {Point3(-70, 70, 0), Point3(70, -70, 0), Point3(100, 100, 0)};
    ws.curry.resize(1);
    ws.curry.Pos[0] = Point3(0, 100, 50);
    CurryOldToTevo(ws);
    QVERIFY((ws.tevo.Fid[0] - Point3(0.1 * std::sqrt(2.0), 0, 0)).norm() < 1e-12);
    QVERIFY((ws.tevo.Fid[1] - Point3(0, -0.07 * std::sqrt(2.0), 0)).norm() < 1e-12);
    QVERIFY((ws.tevo.Pos[0] - Point3(0.1 / std::sqrt(2.0), 0.1 / std::sqrt(2.0), 0.05)).norm() <
            1e-12);
}

void TestConversions::curryOldToTevoRefusesNasionOnYAxis()
{
    Workspace ws;
    ws.curry.Fid = {Point3(1, 0, 0), Point3(-1, 0, 0), Point3(0, 100, 0)};
    QVERIFY_THROWS_EXCEPTION(GeometryError, CurryOldToTevo(ws));
}

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
