#include "commands/file_format.h"
#include "rig.h"
#include "seams/controls.h"

#include <QTest>

using Fixtures::Elp;

// The File and View menus.
class TestFileCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void formatOfName_data();
    void formatOfName();
    void open();
    void openErrorsAreTitledAndChangeNothing();
    void saveAs();
    void fixedNameCommands();
    void listings();
    void updateViewFollowsDecimalPoint();

private:
    QString shown() const { return rig->ui.value(Controls::DataListing).text; }
    std::unique_ptr<Rig> rig;
};

void TestFileCommands::init()
{
    rig = std::make_unique<Rig>();
    rig->start();
}

void TestFileCommands::formatOfName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind"); // -1: no format
    // clang-format off
    QTest::newRow("lower") << "a.elp" << int(FileKind::Electrode);
    QTest::newRow("upper") << "A.ELP" << int(FileKind::Electrode);
    QTest::newRow("mixed") << "a.Elp" << -1;
    QTest::newRow("shape") << "x.hsp" << int(FileKind::Shape);
    QTest::newRow("old curry") << "x.RES" << int(FileKind::Curry);
    QTest::newRow("text") << "x.txt" << -1;
    QTest::newRow("no extension") << "elp" << int(FileKind::Electrode);
    // clang-format on
}

void TestFileCommands::formatOfName()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    const FileFormat *f = ::formatOfName(name);
    QCOMPARE(f ? int(f->kind) : -1, kind);
}

void TestFileCommands::open()
{
    const QString data = rig->ws.DataPath;
    rig->invoke("menuOpen"); // cancelled
    QVERIFY(rig->dialogs.shown.isEmpty());
    QCOMPARE(rig->ws.DataPath, data);
    QDir().mkpath(rig->home.path("sub"));
    const QString file = rig->home.write("sub/e.elp", Elp);
    rig->dialogs.fileAnswers.enqueue(file);
    rig->invoke("menuOpen");
    const Dialogs::FileRequest request = rig->dialogs.fileRequests.value(1);
    QCOMPARE(request.title, "Open File");
    QCOMPARE(request.initialFolder, rig->home.path("Data"));
    for (const char *ext : {"seq", "elp", "hsp", "sfp", "res", "clb", "dwr", "fid"})
        QVERIFY2(request.filter.contains(QStringLiteral("|*.") + ext), ext);
    QVERIFY(request.filter.endsWith("All files (*.*)|*.*"));
    QCOMPARE(rig->dialogs.texts(), QStringList{" 2 electrodes"});
    QCOMPARE(rig->ws.ElectrodeFile, file);
    QCOMPARE(rig->ws.DataPath, rig->home.path("sub"));
    QCOMPARE(rig->ws.sensors.NumSensors, 2);
    rig->dialogs.clear();
    rig->dialogs.fileAnswers.enqueue(rig->home.write("e.Elp", Elp));
    rig->invoke("menuOpen");
    QCOMPARE(
        rig->dialogs.texts(),
        QStringList{
            "Cannot open a file with this extension.\rPlease select an extension from the list."});
    // A file that was not read changes nothing, the data folder and the convention included.
    QCOMPARE(rig->ws.DataPath, rig->home.path("sub"));
    QVERIFY(!rig->app.menus.files.openPath(rig->home.write("empty.sfp", "")));
    QCOMPARE(rig->ws.settings.CoordinateSystem, "TEVO");
    QCOMPARE(rig->ui.caption, "Pointra with FASTRAK - TEVO Coordinates");
    QCOMPARE(rig->ws.DataPath, rig->home.path("sub"));
}

void TestFileCommands::openErrorsAreTitledAndChangeNothing()
{
    FileCommands &files = rig->app.menus.files;
    QVERIFY(!files.openPath(rig->home.write("bad.seq", "3\t2\r\n1\r\nNoTab\r\n")));
    QCOMPARE(rig->dialogs.shown.value(0).title, "Error opening input file");
    QVERIFY(rig->dialogs.texts().value(0).startsWith(
        "Error number 5 - Invalid procedure call or argument\r"));
    QCOMPARE(rig->ws.NumSeq, 0);
    QVERIFY(rig->ws.SequenceFile.isEmpty());
    rig->dialogs.clear();
    QDir().mkpath(rig->home.path("folder.hsp"));
    QVERIFY(!files.openPath(rig->home.path("folder.hsp")));
    QVERIFY(rig->dialogs.texts().value(0).startsWith("Error number 75 - "));
    rig->dialogs.clear();
    QVERIFY(!files.openPath(rig->home.write("w.clb", "garbage")));
    QCOMPARE(rig->dialogs.texts(), QStringList{"wrong file type"});
}

void TestFileCommands::saveAs()
{
    rig->invoke("menuSaveAs"); // cancelled
    rig->dialogs.fileAnswers.enqueue(rig->home.path("notes.txt"));
    rig->invoke("menuSaveAs"); // no format of that name
    QVERIFY(!QFileInfo::exists(rig->home.path("notes.txt")));
    QCOMPARE(rig->ws.DataPath, rig->home.path());
    rig->app.menus.files.openPath(rig->home.write("e.elp", Elp));
    const QString target = rig->home.write("sub.elp", "keep");
    rig->ws.DataPath = "/somewhere";
    rig->dialogs.clear();
    rig->dialogs.fileAnswers.enqueue(target);
    rig->dialogs.answers.enqueue(Dialogs::Answer::No);
    rig->invoke("menuSaveAs");
    const auto &q = rig->dialogs.shown.last();
    QCOMPARE(q.text, "Do you want to overwrite existing file?");
    QCOMPARE(q.buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(rig->home.read("sub.elp"), QByteArray("keep"));
    QCOMPARE(rig->ws.DataPath, "/somewhere");
    rig->dialogs.fileAnswers.enqueue(target);
    rig->dialogs.answers.enqueue(Dialogs::Answer::Yes);
    rig->invoke("menuSaveAs");
    QVERIFY(rig->home.read("sub.elp").startsWith("3\t2\r\n//Probe file"));
    QCOMPARE(rig->ws.DataPath, rig->home.path());
}

void TestFileCommands::fixedNameCommands()
{
    rig->home.write("pointraE.elp", Elp);
    rig->invoke("menuOpenEProbe");
    QCOMPARE(rig->ws.sensors.NumSensors, 2);
    // Save finds the fixed file Open read, whatever its letter case.
    rig->invoke("menuSaveEProbe");
    QVERIFY(rig->home.read("pointraE.elp").contains("%N\tFp1     \r\n"));
    QVERIFY(!QFileInfo::exists(rig->home.path("PointraE.elp")));
    rig->invoke("menuSaveShape");
    QVERIFY(rig->home.read("pointraE.hsp").startsWith("3\t200\r\n"));
    // Nothing measured: the calibration and fiducials saves are refused, naming what is missing.
    rig->dialogs.clear();
    for (const char *command : {"menuSaveCalibration", "menuSaveFiducials"})
        rig->invoke(command);
    QCOMPARE(rig->dialogs.shown.size(), 2);
    for (const char *name : {"pointra.clb", "pointra.fid"})
        QVERIFY2(!QFileInfo::exists(rig->home.path("MEG/") + name), name);
    QVERIFY(rig->dialogs.texts().value(0).startsWith("There is no calibration to save"));
    QVERIFY(rig->dialogs.texts().value(1).startsWith("There are no fiducials data to save"));
    rig->ws.NumSeq = 1;
    rig->ws.SeqName = {"Cz"};
    rig->ws.SeqCode = {"400"};
    rig->invoke("menuSaveSequence");
    QCOMPARE(rig->home.read("pe_out.seq"), QByteArray("3\t2\r\n1\r\nCz\t400\r\n"));
    QCOMPARE(rig->ws.settings.CoordinateSystem, "TEVO");
}

void TestFileCommands::listings()
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

void TestFileCommands::updateViewFollowsDecimalPoint()
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

QTEST_GUILESS_MAIN(TestFileCommands)
#include "tst_file_commands.moc"
