#include "commands/convert_commands.h"
#include "commands/file_commands.h"
#include "display/listings.h"
#include "temp_home.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
const QByteArray Elp =
    "3\t2\r\n1\r\n%N\tName\r\n0\t2\r\n%F\t0.1\t0\t0\r\n%F\t0\t0.07\t0\r\n%F\t0\t-0.07\t0\r\n"
    "%S\t400\r\n%N\tFp1\r\n0.08\t0.03\t0.04\r\n%S\t400\r\n%N\tCz\r\n0\t0\t0.1\r\n";

struct MenuRig : TestRig
{
    MenuRig()
    {
        writeIni("Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
                 "Hemisphere=0,0,1\r\nnCommPort= 1\r\nSound=OFF\r\n");
        startUp();
        session.updateView = [this] { views.UpdateView(); };
        files.registerCommands(commands);
        views.registerCommands(commands);
        conversions.registerCommands(commands);
        dialogs.clear();
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path(name);
    }
    QByteArray readFile(const QString &name)
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    FileCommands files{session};
    TextViews views{session};
    ConvertCommands conversions{session, files, views};
};
} // namespace

class TestFileMenu : public QObject
{
    Q_OBJECT
private slots:
    void extensionCase_data();
    void extensionCase();
    void openDispatchAndDataPath();
    void openErrorsAreTitled();
    void besaSwitchesEvenIfReadFails();
    void saveAsOverwriteQuestion();
    void saveAsOtherExtension();
    void cancelledDialogsChangeNothing();
    void fixedNameCommands();
    void tevoToBesaAndBack();
    void tevoToBesaWithLpaOnAxis();
    void degenerateBesaFiducials();
    void tableImportLeadsToTevo();
    void tevoToCurry();
    void curryOldConversions();
    void conversionChecks_data();
    void conversionChecks();
    void listings();
    void updateViewFollowsDecimalPoint();
};

void TestFileMenu::extensionCase_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::newRow("lower") << "a.elp" << int(FileCommands::Kind::Electrode);
    QTest::newRow("upper") << "A.ELP" << int(FileCommands::Kind::Electrode);
    QTest::newRow("mixed") << "a.Elp" << int(FileCommands::Kind::None);
    QTest::newRow("shape") << "x.hsp" << int(FileCommands::Kind::Shape);
    QTest::newRow("text") << "x.txt" << int(FileCommands::Kind::None);
    QTest::newRow("no extension") << "elp" << int(FileCommands::Kind::Electrode);
}

void TestFileMenu::extensionCase()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QCOMPARE(int(FileCommands::kindOf(name)), kind);
}

void TestFileMenu::openDispatchAndDataPath()
{
    MenuRig rig;
    QDir().mkpath(rig.path("sub"));
    const QString file = rig.write("sub/e.elp", Elp);
    rig.dialogs.fileAnswers.enqueue(file);
    rig.invoke("menuOpen");
    QCOMPARE(rig.dialogs.fileRequests.value(0).title, QStringLiteral("Open File"));
    QCOMPARE(rig.dialogs.fileRequests.value(0).initialFolder,
             QDir(rig.home.path()).filePath("Data"));
    QCOMPARE(rig.dialogs.texts(), QStringList{" 2 electrodes"});
    QCOMPARE(rig.ws.ElectrodeFile, file);
    QCOMPARE(rig.ws.DataPath, rig.path("sub"));
    QCOMPARE(rig.ws.sensors.NumSensors, 2);

    rig.dialogs.clear();
    const QString mixed = rig.write("e.Elp", Elp);
    rig.dialogs.fileAnswers.enqueue(mixed);
    rig.invoke("menuOpen");
    QCOMPARE(
        rig.dialogs.texts(),
        QStringList{
            "Cannot open a file with this extension.\rPlease select an extension from the list."});
    QCOMPARE(rig.ws.DataPath, rig.home.path());
}

void TestFileMenu::openErrorsAreTitled()
{
    MenuRig rig;
    const QString bad = rig.write("bad.seq", "3\t2\r\n1\r\nNoTab\r\n");
    QVERIFY(!rig.files.openPath(bad));
    QCOMPARE(rig.dialogs.shown.value(0).title, QStringLiteral("Error opening input file"));
    QVERIFY(rig.dialogs.texts().value(0).startsWith(
        "Error number 5 - Invalid procedure call or argument\r"));
    QCOMPARE(rig.ws.NumSeq, 0);
    QVERIFY(rig.ws.SequenceFile.isEmpty());
    rig.dialogs.clear();
    QDir().mkpath(rig.path("folder.hsp"));
    QVERIFY(!rig.files.openPath(rig.path("folder.hsp")));
    QVERIFY(rig.dialogs.texts().value(0).startsWith("Error number 75 - "));
    rig.dialogs.clear();
    QVERIFY(!rig.files.openPath(rig.write("w.clb", "garbage")));
    QCOMPARE(rig.dialogs.texts(), QStringList{"wrong file type"});
}

void TestFileMenu::besaSwitchesEvenIfReadFails()
{
    MenuRig rig;
    QVERIFY(!rig.files.openPath(rig.write("empty.sfp", "")));
    QCOMPARE(rig.ws.settings.CoordinateSystem, QStringLiteral("BESA"));
    QCOMPARE(rig.ui.caption, QStringLiteral("Pointra with FASTRAK - BESA Coordinates"));
    QVERIFY(!rig.readIni().contains("BESA")); // a setting for this run only
}

void TestFileMenu::saveAsOverwriteQuestion()
{
    MenuRig rig;
    rig.files.openPath(rig.write("e.elp", Elp));
    const QString target = rig.write("sub.elp", "keep");
    rig.ws.DataPath = "/somewhere";
    rig.dialogs.fileAnswers.enqueue(target);
    rig.dialogs.answers.enqueue(Dialogs::Answer::No);
    rig.invoke("menuSaveAs");
    const auto &q = rig.dialogs.shown.last();
    QCOMPARE(q.text, QStringLiteral("Do you want to overwrite existing file?"));
    QCOMPARE(q.buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(rig.readFile("sub.elp"), QByteArray("keep"));
    QCOMPARE(rig.ws.DataPath, QStringLiteral("/somewhere"));
    rig.dialogs.fileAnswers.enqueue(target);
    rig.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    rig.invoke("menuSaveAs");
    QVERIFY(rig.readFile("sub.elp").startsWith("3\t2\r\n//Probe file"));
    QCOMPARE(rig.ws.DataPath, rig.home.path());
}

void TestFileMenu::saveAsOtherExtension()
{
    MenuRig rig;
    rig.dialogs.fileAnswers.enqueue(rig.path("notes.txt"));
    rig.invoke("menuSaveAs");
    QVERIFY(!QFileInfo::exists(rig.path("notes.txt")));
    QCOMPARE(rig.ws.DataPath, rig.home.path());
}

void TestFileMenu::cancelledDialogsChangeNothing()
{
    MenuRig rig;
    const QString folder = rig.ws.DataPath;
    rig.invoke("menuOpen");
    rig.invoke("menuSaveAs");
    QVERIFY(rig.dialogs.shown.isEmpty());
    QCOMPARE(rig.ws.DataPath, folder);
}

void TestFileMenu::fixedNameCommands()
{
    MenuRig rig;
    rig.write("pointraE.elp", Elp);
    rig.invoke("menuOpenEProbe");
    QCOMPARE(rig.ws.sensors.NumSensors, 2);
    rig.invoke("menuSaveEProbe");
    QVERIFY(rig.readFile("PointraE.elp").contains("%N\tFp1     \r\n"));
    rig.invoke("menuSaveShape");
    QVERIFY(rig.readFile("pointraE.hsp").startsWith("3\t200\r\n"));
    rig.invoke("menuSaveCalibration");
    rig.invoke("menuSaveFiducials");
    rig.invoke("menuSaveProbe");
    for (const char *name : {"pointra.clb", "pointra.fid", "pointra.elp"})
        QVERIFY2(QFileInfo::exists(QDir(rig.files.fixedMegFolder()).filePath(name)), name);
    rig.ws.NumSeq = 1;
    rig.ws.SeqName = {"Cz"};
    rig.ws.SeqCode = {"400"};
    rig.invoke("menuSaveSequence");
    QCOMPARE(rig.readFile("pe_out.seq"), QByteArray("3\t2\r\n1\r\nCz\t400\r\n"));
    QCOMPARE(rig.ws.settings.CoordinateSystem, QStringLiteral("TEVO"));
}

void TestFileMenu::tevoToBesaAndBack()
{
    MenuRig rig;
    rig.files.openPath(rig.write("e.elp", Elp));
    rig.dialogs.clear();
    rig.dialogs.fileAnswers.enqueue(rig.path("b.sfp"));
    rig.invoke("menuConvertTEVOtoBESA");
    QCOMPARE(rig.dialogs.fileRequests.value(0).filter,
             QStringLiteral("BESA Surface Point File (*.sfp)|*.sfp"));
    QVERIFY(rig.readFile("b.sfp").startsWith(
        "LPA       -0.0700  0.0000  0.0000\r\nNZ        0.0000  0.1000  0.0000\r\n"));
    QCOMPARE(rig.readFile("b.ela"), QByteArray("EEG\tFp1     \r\nEEG\tCz      \r\n"));
    QCOMPARE(rig.ui.fileFilter.left(20), QStringLiteral("Sequence File (*.seq")); // restored

    // Read it back as BESA, with standard fiducial names, and convert to TEVO: centimetres become
    // metres.
    QByteArray sfp = rig.readFile("b.sfp");
    sfp.replace("LPA     ", "FidT9   ")
        .replace("NZ      ", "FidNz   ")
        .replace("RPA     ", "FidT10  ");
    rig.files.openPath(rig.write("b2.sfp", sfp));
    rig.dialogs.fileAnswers.enqueue(rig.path("t.elp"));
    rig.invoke("menuConvertBESAtoTEVO");
    QVERIFY((rig.ws.tevo.Fid[0] - Point3(0.001, 0, 0)).norm() < 1e-12);
    QVERIFY((rig.ws.tevo.Pos[0] - Point3(0.0008, 0.0003, 0.0004)).norm() < 1e-12);
    QVERIFY(rig.readFile("t.elp").contains("%F\t0.0010\t0.0000\t0.0000\r\n"));
}

void TestFileMenu::tevoToBesaWithLpaOnAxis()
{
    MenuRig rig;
    QByteArray elp = Elp;
    elp.replace("%F\t0\t0.07\t0", "%F\t0.05\t0\t0");
    rig.files.openPath(rig.write("e.elp", elp));
    rig.dialogs.clear();
    rig.invoke("menuConvertTEVOtoBESA");
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts()[0].contains("y = 0"));
    QVERIFY(rig.ws.besa.Pos.empty());
    QVERIFY(rig.dialogs.fileRequests.isEmpty());
}

void TestFileMenu::degenerateBesaFiducials()
{
    MenuRig rig;
    rig.files.openPath(
        rig.write("d.sfp", "FidNz 0 1 0\r\nFidT9 1 0 0\r\nFidT10 1 0 0\r\nCz 0 0 1\r\n"));
    rig.dialogs.clear();
    rig.invoke("menuConvertBESAtoTEVO");
    QCOMPARE(rig.dialogs.texts(),
             QStringList{"Cannot build a frame from Nasion, LPA and RPA: LPA and RPA coincide."});
    QVERIFY(rig.ws.tevo.Pos.empty());
}

void TestFileMenu::tableImportLeadsToTevo()
{
    MenuRig rig;
    const QString table = rig.write(
        "table.txt", "FidNz\t0\t9\t0\nFidT9 -7 0 0\nFidT10  7  0  0\nSfA 1 2 3\nCz 0 0 10\n");
    rig.dialogs.fileAnswers.enqueue(table);
    rig.invoke("menuConvertTABLEtoTEVO");
    QCOMPARE(rig.dialogs.texts(),
             (QStringList{"Are these the right fiducials?",
                          "Display and Open Panel - Select: Convert-(Save As...)-Cancel",
                          "Display of the original file data"}));
    QCOMPARE(rig.ws.settings.CoordinateSystem, QStringLiteral("TEVO"));
    QCOMPARE(rig.ws.besa.Type, (QStringList{"8", "400"}));
    QVERIFY(rig.ui.value("Label04").text.contains("ELECTRODE data"));
    rig.dialogs.clear();
    rig.dialogs.fileAnswers.enqueue(rig.path("table.elp"));
    rig.invoke("menuConvertBESAtoTEVO");
    QVERIFY2(rig.dialogs.shown.isEmpty(), qPrintable(rig.dialogs.texts().join('|')));
    QVERIFY(rig.readFile("table.elp").contains("%N\tCz      \r\n"));
    QVERIFY((rig.ws.tevo.Fid[0] - Point3(0.09, 0, 0)).norm() < 1e-12);
}

void TestFileMenu::tevoToCurry()
{
    MenuRig rig;
    rig.files.openPath(rig.write("e.elp", Elp));
    rig.dialogs.fileAnswers.enqueue(rig.path("c.res"));
    rig.invoke("menuConvertTEVOtoCurry");
    QCOMPARE(rig.dialogs.fileRequests.last().filter, QStringLiteral("Curry (*.res)|*.res|"));
    const QByteArray res = rig.readFile("c.res");
    QVERIFY(!res.contains('\r'));
    // TEVO (8, 3, 4) cm is BESA (-3, 8, 4) cm and Curry (30, -80, 40) mm.
    QVERIFY(res.startsWith(" 0 30.00 -80.00 40.00 0.0 Fp1\n"));
    QVERIFY(res.endsWith("-3 0.00 -100.00 0.00 0.0 NAS\n"));
    QCOMPARE(rig.ws.meas.Type, (QStringList{"400", "400"}));
    QVERIFY((rig.ws.meas.Pos[0] - Point3(30, -80, 40)).norm() < 1e-9);
}

void TestFileMenu::curryOldConversions()
{
    MenuRig rig;
    const QByteArray old = "-1   100.00   100.00     0.00    Nasion\r\n"
                           "-2   -70.00    70.00     0.00    LPA\r\n"
                           "-3    70.00   -70.00     0.00    RPA\r\n"
                           " 0     0.00     0.00   100.00    Cz\r\n";
    // Fiducial order of an old file: the third line is the nasion.
    QByteArray swapped = old;
    swapped.replace("-1   100.00   100.00", "-1    70.00   -70.00")
        .replace("-3    70.00   -70.00", "-3   100.00   100.00");
    rig.files.openPath(rig.write("old.res", swapped));
    rig.dialogs.fileAnswers.enqueue(rig.path("old.elp"));
    rig.invoke("menuConvertCURRYOLDtoTEVO");
    QVERIFY((rig.ws.tevo.Fid[0] - Point3(0.1 * std::sqrt(2.0), 0, 0)).norm() < 1e-12);
    const QByteArray elp = rig.readFile("old.elp");
    // Written while in Curry: every real right-aligned in nine characters.
    QVERIFY(elp.contains("%S\t400\r\n//Sensor name and data for sensor # 1\r\n%N\tCz      \r\n   "
                         "0.0000\t   0.0000\t   0.1000\r\n"));
    rig.invoke("MenuConvertCurryOLDtoCurry");
    QCOMPARE(rig.ws.meas.Pos.size(), size_t(1));
    QVERIFY(std::abs(rig.ws.meas.Pos[0].z() - 100) < 1e-9);
}

void TestFileMenu::conversionChecks_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<bool>("data");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("first");
    QTest::newRow("tevo to besa in BESA with data")
        << "BESA" << true << "menuConvertTEVOtoBESA"
        << "Can only convert while in TEVO Coordinate System.";
    QTest::newRow("tevo to besa in Curry without data")
        << "Curry" << false << "menuConvertTEVOtoBESA"
        << "No data to convert.";
    QTest::newRow("besa to tevo in TEVO with data")
        << "TEVO" << true << "menuConvertBESAtoTEVO"
        << "Can only convert while in BESA Coordinate System.";
    QTest::newRow("tevo to besa without data") << "TEVO" << false << "menuConvertTEVOtoBESA"
                                               << "No data to convert.";
    QTest::newRow("tevo to curry in BESA") << "BESA" << true << "menuConvertTEVOtoCurry"
                                           << "You need to be in TEVO coordinate system.";
    QTest::newRow("curry old in TEVO") << "TEVO" << true << "MenuConvertCurryOLDtoCurry"
                                       << "You need to be in Curry coordinate system.";
    QTest::newRow("curry old without data") << "Curry" << false << "menuConvertCURRYOLDtoTEVO"
                                            << "No data to convert.";
}

void TestFileMenu::conversionChecks()
{
    QFETCH(QString, system);
    QFETCH(bool, data);
    QFETCH(QString, command);
    QFETCH(QString, first);
    MenuRig rig;
    rig.ws.settings.CoordinateSystem = system;
    rig.ws.sensors.NumSensors = data ? 3 : 0;
    QVERIFY(rig.invoke(command));
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QCOMPARE(rig.dialogs.texts()[0].section(QChar(13), 0, 0), first);
    QVERIFY(rig.dialogs.fileRequests.isEmpty());
}

void TestFileMenu::listings()
{
    MenuRig rig;
    rig.invoke("menuViewEInternal");
    const QString empty = rig.ui.value("Label04").text;
    QVERIFY(empty.startsWith(
        "File name: \r\rELECTRODE data\r\rProbe name:         \rNumber of sensors:  0\r\r"));
    QVERIFY(empty.contains(
        "FIDUCIALS - values are in centimeters\r\r          0.00    0.00    0.00    \r"));
    QVERIFY(empty.endsWith("\r\r\rELECTRODES - values are in centimeters\r\r"));
    rig.files.openPath(rig.write("e.elp", Elp));
    QCOMPARE(rig.ws.CurrentView, QStringLiteral("Internal Electrode Data"));
    const QString listing = rig.ui.value("Label04").text;
    QVERIFY(listing.contains("Number of sensors:  2\r"));
    QVERIFY(listing.contains("Fp1       8.00    3.00    4.00\r\r"));
    rig.invoke("menuViewEProbe");
    QVERIFY(rig.ui.value("Label04").text.contains("\rNasion  10.00    0.00    0.00    \r"));
    rig.ws.NumSeq = 1;
    rig.ws.SeqName = {"Cz"};
    rig.ws.SeqCode = {"400"};
    rig.invoke("menuViewSequence");
    QCOMPARE(
        rig.ui.value("Label04").text,
        QStringLiteral("File name: \r\rSEQUENCE data\rNumber of points: 1\r\r 1   Cz   400\r"));
    rig.invoke("menuViewClear");
    QCOMPARE(rig.ui.value("Label04").text, QString());
    rig.ws.CurrentView = "Bogus";
    rig.views.UpdateView();
    QCOMPARE(rig.dialogs.texts().last(), QStringLiteral("UpdateView(): don't know what to do"));
}

void TestFileMenu::updateViewFollowsDecimalPoint()
{
    MenuRig rig;
    rig.files.openPath(rig.write("e.elp", Elp));
    rig.invoke("menuViewEProbe");
    rig.invoke("menuDecimalPointComma");
    QVERIFY(rig.ui.value("Label04").text.contains("Fp1       8,00    3,00    4,00"));
    rig.ws.sensors.resize(1);
    rig.ws.sensors.SensorName[0] = "S1";
    rig.ws.sensors.ProbeCoil[0][0] = {0.5, 0, 0, 0, 0, 1};
    rig.invoke("menuViewProbe");
    QVERIFY(rig.ui.value("Label04").text.contains("S1         .5   0   0     0   0   1"));
    rig.ws.sensors.SensorCoil[0][0] = {0.25, 0, 0, 0, 0, -1};
    rig.ws.m.MCalib = Transform4::Identity();
    rig.invoke("menuViewCalibration");
    const QString cal = rig.ui.value("Label04").text;
    QVERIFY(cal.contains("Calibration matrices\r\r 1   0   0   0  \r 0   1   0   0  "));
    QVERIFY(cal.endsWith(" 0   0   0   1  \r\rS1          .25   0   0   0   0  -1\r\r"));
    rig.invoke("menuViewDewar");
    QVERIFY(rig.ui.value("Label04").text.endsWith("\rS1          .25   0   0      0   0  -1\r\r"));
}

QTEST_GUILESS_MAIN(TestFileMenu)
#include "tst_file_menu.moc"
