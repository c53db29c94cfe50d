#include "rig.h"
#include "seams/controls.h"

#include <QTest>

using Fixtures::Elp;
using Fixtures::near;

class TestConvertCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void tableImportLeadsToTevo();
    void curryOldConversions();
    void refused_data();
    void refused();

private:
    bool open(const QString &name, const QByteArray &bytes)
    {
        return rig->app.menus.files.openPath(rig->home.write(name, bytes));
    }
    std::unique_ptr<Rig> rig;
};

void TestConvertCommands::init()
{
    rig = std::make_unique<Rig>();
    rig->start();
}

void TestConvertCommands::tableImportLeadsToTevo()
{
    rig->dialogs.fileAnswers.enqueue(rig->home.write(
        "table.txt", "FidNz\t0\t9\t0\nFidT9 -7 0 0\nFidT10  7  0  0\nSfA 1 2 3\nCz 0 0 10\n"));
    rig->invoke("menuConvertTABLEtoTEVO");
    QCOMPARE(rig->dialogs.texts(),
             (QStringList{"Are these the right fiducials?",
                          "Display and Open Panel - Select: Convert-(Save As...)-Cancel",
                          "Display of the original file data"}));
    QCOMPARE(rig->ws.settings.CoordinateSystem, "TEVO");
    QCOMPARE(rig->ws.besa.Type, (QStringList{"8", "400"}));
    QVERIFY(rig->ui.value(Controls::DataListing).text.contains("ELECTRODE data"));
    rig->dialogs.clear();
    rig->dialogs.fileAnswers.enqueue(rig->home.path("table.elp"));
    rig->invoke("menuConvertBESAtoTEVO");
    QVERIFY2(rig->dialogs.shown.isEmpty(), qPrintable(rig->dialogs.texts().join('|')));
    QVERIFY(rig->home.read("table.elp").contains("%N\tCz      \r\n"));
    QVERIFY(near(rig->ws.tevo.Fid[0], Point3(0.09, 0, 0)));
}

void TestConvertCommands::curryOldConversions()
{
    // Fiducial order of an old file: the third line is the nasion.
    open("old.res", "-1    70.00   -70.00     0.00    Nasion\r\n"
                    "-2   -70.00    70.00     0.00    LPA\r\n"
                    "-3   100.00   100.00     0.00    RPA\r\n"
                    " 0     0.00     0.00   100.00    Cz\r\n");
    rig->dialogs.fileAnswers.enqueue(rig->home.path("old.elp"));
    rig->invoke("menuConvertCURRYOLDtoTEVO");
    QVERIFY(near(rig->ws.tevo.Fid[0], Point3(0.1 * std::sqrt(2.0), 0, 0)));
    // An electrode file written while in Curry is not padded like a Curry file.
    QVERIFY(rig->home.read("old.elp").contains(
        "%S\t400\r\n//Sensor name and data for sensor # 1\r\n%N\tCz      \r\n"
        "0.0000\t0.0000\t0.1000\r\n"));
    rig->invoke("MenuConvertCurryOLDtoCurry");
    QCOMPARE(rig->ws.meas.Pos.size(), size_t(1));
    QVERIFY(std::abs(rig->ws.meas.Pos[0].z() - 100) < 1e-9);
}

void TestConvertCommands::refused_data()
{
    QTest::addColumn<QString>("file"); // opened first; empty: the data count below
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("system");
    QTest::addColumn<int>("data");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("first"); // the first line of the one message
    const QByteArray lpaOnAxis = QByteArray(Elp).replace("%F\t0\t0.07\t0", "%F\t0.05\t0\t0");
    const QByteArray earsCoincide = "FidNz 0 1 0\r\nFidT9 1 0 0\r\nFidT10 1 0 0\r\nCz 0 0 1\r\n";
    // clang-format off
    QTest::newRow("tevo to besa in BESA with data") << "" << QByteArray() << "BESA" << 3 << "menuConvertTEVOtoBESA" << "Can only convert while in TEVO Coordinate System.";
    QTest::newRow("tevo to besa in Curry without data") << "" << QByteArray() << "Curry" << 0 << "menuConvertTEVOtoBESA" << "No data to convert.";
    QTest::newRow("besa to tevo in TEVO with data") << "" << QByteArray() << "TEVO" << 3 << "menuConvertBESAtoTEVO" << "Can only convert while in BESA Coordinate System.";
    QTest::newRow("tevo to besa without data") << "" << QByteArray() << "TEVO" << 0 << "menuConvertTEVOtoBESA" << "No data to convert.";
    QTest::newRow("tevo to curry in BESA") << "" << QByteArray() << "BESA" << 3 << "menuConvertTEVOtoCurry" << "You need to be in TEVO coordinate system.";
    QTest::newRow("curry old in TEVO") << "" << QByteArray() << "TEVO" << 3 << "MenuConvertCurryOLDtoCurry" << "You need to be in Curry coordinate system.";
    QTest::newRow("curry old without data") << "" << QByteArray() << "Curry" << 0 << "menuConvertCURRYOLDtoTEVO" << "No data to convert.";
    QTest::newRow("LPA on the x axis") << "e.elp" << lpaOnAxis << "TEVO" << 2 << "menuConvertTEVOtoBESA" << "Cannot convert to BESA: the left preauricular point of the TEVO set has y = 0, so the set is not in a head frame.";
    QTest::newRow("ears coincide") << "d.sfp" << earsCoincide << "BESA" << 1 << "menuConvertBESAtoTEVO" << "Cannot build a frame from Nasion, LPA and RPA: LPA and RPA coincide.";
    // clang-format on
}

void TestConvertCommands::refused()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, system);
    QFETCH(int, data);
    QFETCH(QString, command);
    QFETCH(QString, first);
    if (!file.isEmpty())
        open(file, bytes);
    rig->dialogs.clear();
    rig->ws.settings.CoordinateSystem = system;
    rig->ws.sensors.NumSensors = data;
    const auto sizes = [&] {
        return QList<size_t>{rig->ws.tevo.Pos.size(), rig->ws.besa.Pos.size(),
                             rig->ws.curry.Pos.size()};
    };
    const QList<size_t> before = sizes();
    QVERIFY(rig->invoke(command));
    QCOMPARE(rig->dialogs.shown.size(), 1);
    QCOMPARE(rig->dialogs.texts()[0].section(QChar(13), 0, 0), first);
    QVERIFY(rig->dialogs.fileRequests.isEmpty());
    QCOMPARE(sizes(), before);
}

QTEST_GUILESS_MAIN(TestConvertCommands)
#include "tst_convert_commands.moc"
