#include "data/electrode_file.h"
#include "data/save_path.h"
#include "display/listings.h"
#include "rig.h"
#include "seams/controls.h"

#include <QTest>

#include <cerrno>
#include <cstring>

using Fixtures::Elp;
using Fixtures::near;

namespace {
// Nasion 9.5 cm in front, preauricular points 7 cm to the sides, as a lab types it.
const QByteArray Table = "FidNz 0 9.5 0\nFidT9 -7 0 0\nFidT10 7 0 0\nCz 0 0 9\n";
// The old fixed-column Curry layout, in millimetres.
const QByteArray OldCurry =
    "-1     0.00    70.00     0.00    PAL\n-2     0.00   -70.00     0.00    PAR\n"
    "-3    95.00     0.00     0.00    NAS\n 0     0.00     0.00    90.00    Cz\n";

// A started run with the File, View and Convert menus at hand.
struct FileRig : Rig
{
    explicit FileRig(const QString &system = "TEVO", const QString &decimal = "Period")
    {
        start({.system = system, .decimal = decimal});
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(home.path(name)).absolutePath());
        return home.write(name, bytes);
    }
    bool open(const QString &name, const QByteArray &bytes)
    {
        return files.openPath(write(name, bytes));
    }
    QString shown() const { return ui.value(Controls::DataListing).text; }
    FileCommands &files = app.menus.files;
    ConvertCommands &conversions = app.menus.conversions;
};

// Fails every save whose target ends with `suffix`, at the write, with ENOSPC.
struct DiskFull
{
    explicit DiskFull(const QString &suffix)
    {
        setSaveFaultHook([=](SaveStep step, const QString &target) {
            return step == SaveStep::Write && target.endsWith(suffix) ? ENOSPC : 0;
        });
    }
    ~DiskFull() { setSaveFaultHook({}); }
};
} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT
private slots:
    void failedOpenChangesNothing_data();
    void failedOpenChangesNothing();
    void failedSaveChangesNothing_data();
    void failedSaveChangesNothing();
    void openFixedFindsWhatSaveWrote_data();
    void openFixedFindsWhatSaveWrote();
    void listingsSayWhatTheyShow_data();
    void listingsSayWhatTheyShow();
    void savesWarn();
    void tableImportLeadsToTevo();
    void curryOldConversions();
    void conversionRefused_data();
    void conversionRefused();
};

void TestFileCommands::failedOpenChangesNothing_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("name"); // ending in '/': a folder of that name
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("told");
    Workspace probe;
    probe.sensors.resize(2);
    probe.sensors.SensorName = {Fixed8("MEG0111"), Fixed8("MEG0121")};
    const QByteArray probeFile = probeFileText(probe);
    const QByteArray badNumber = QByteArray(Elp).replace("0.08\t0.03", "0.08\tx");
    const QByteArray noTag = QByteArray(Elp).replace("%F\t0\t0.07\t0", "F\t0\t0.07\t0");
    // clang-format off
    QTest::newRow("refused .elp in Curry")    << "Curry" << "bad.elp"   << badNumber << "Error number 13 - Line 10: field 2 is not a number";
    QTest::newRow("missing %F")               << "TEVO"  << "bad.elp"   << noTag << "Error number 5 - Invalid procedure call or argument\rLine 6 should be a %F line but reads \"F 0 0.07 0\".";
    QTest::newRow("refused .sfp in TEVO")     << "TEVO"  << "bad.sfp"   << QByteArray("FidNz 0 x 0\n") << "Error number 13 - Line 1";
    QTest::newRow("sequence without TAB")     << "TEVO"  << "bad.seq"   << QByteArray("3\t2\r\n1\r\nNoTab\r\n") << "Error number 5 - Invalid procedure call or argument\r";
    QTest::newRow("folder")                   << "TEVO"  << "dir.hsp/"  << QByteArray() << "Error number 75 - ";
    QTest::newRow("garbage .clb")             << "TEVO"  << "w.clb"     << QByteArray("garbage") << "wrong file type";
    QTest::newRow("empty .res in BESA")       << "BESA"  << "empty.res" << QByteArray() << "wrong file type";
    QTest::newRow("mixed-case extension")     << "TEVO"  << "e.Elp"     << Elp << "Cannot open a file with this extension.\rPlease select an extension from the list.";
    QTest::newRow("probe file as electrodes") << "BESA"  << "probe.elp" << probeFile << "This is a probe file";
    // clang-format on
}

// File > Open in each coordinate system: a good file reads, a refused one changes nothing.
void TestFileCommands::failedOpenChangesNothing()
{
    QFETCH(QString, system);
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, told);
    FileRig rig(system);
    rig.dialogs.fileAnswers.enqueue(rig.write("good.elp", Elp));
    rig.invoke("menuOpen");
    const Dialogs::FileRequest request = rig.dialogs.fileRequests.value(0);
    QCOMPARE(request.initialFolder, rig.home.path("Data"));
    for (const char *ext : {"seq", "elp", "hsp", "sfp", "res", "clb", "dwr", "fid"})
        QVERIFY2(request.filter.contains(QStringLiteral("|*.%1").arg(QLatin1String(ext))), ext);
    QCOMPARE(rig.dialogs.texts(), QStringList{" 2 electrodes"});
    rig.ws.settings.CoordinateSystem = system; // the electrode file chose TEVO
    rig.invoke("menuViewEInternal");
    const QString caption = rig.ui.caption, listing = Listings::internalElectrodes(rig.ws);
    rig.dialogs.clear();
    if (name.endsWith('/'))
        QDir().mkpath(rig.home.path("sub/" + name));
    rig.dialogs.fileAnswers.enqueue(name.endsWith('/') ? rig.home.path("sub/" + name.chopped(1))
                                                       : rig.write("sub/" + name, bytes));
    rig.invoke("menuOpen");
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY2(rig.dialogs.texts()[0].startsWith(told), qPrintable(rig.dialogs.texts()[0]));
    if (told.startsWith("Error number"))
        QCOMPARE(rig.dialogs.shown[0].title, "Error opening input file");
    QCOMPARE(rig.ws.settings.CoordinateSystem, system);
    QCOMPARE(rig.ui.caption, caption);
    QCOMPARE(rig.ws.DataPath, rig.home.path());
    QCOMPARE(rig.ws.ElectrodeFile, rig.home.path("good.elp"));
    QCOMPARE(Listings::internalElectrodes(rig.ws), listing);
    QCOMPARE(rig.ws.sensors.NumSensors, 2);
    QCOMPARE(rig.ws.NumSeq, 0);
}

void TestFileCommands::failedSaveChangesNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("target"); // holds an older file
    QTest::addColumn<QString>("fault");  // full: the disk fills; empty: nothing to save
    QTest::addColumn<QString>("says");   // in the last message
    // clang-format off
    QTest::newRow("Save As, overwrite declined") << "menuSaveAs"            << "out.elp"          << "declined" << "Do you want to overwrite existing file?";
    QTest::newRow("Save As, unknown extension")  << "menuSaveAs"            << "notes.txt"        << ""         << "Cannot save a file with this extension.";
    QTest::newRow("Save As, disk full")          << "menuSaveAs"            << "out.elp"          << "full"     << "not changed";
    QTest::newRow("fixed electrode file, full")  << "menuSaveEProbe"        << "PointraE.elp"     << "full"     << "not changed";
    QTest::newRow("fixed shape file, full")      << "menuSaveShape"         << "pointraE.hsp"     << "full"     << "not changed";
    QTest::newRow("TEVO to BESA, full")          << "menuConvertTEVOtoBESA" << "out.sfp"          << "full"     << "not changed";
    QTest::newRow("no calibration")              << "menuSaveCalibration"   << "MEG/pointra.clb"  << "empty"    << "There is no calibration to save";
    QTest::newRow("no fiducials")                << "menuSaveFiducials"     << "MEG/pointra.fid"  << "empty"    << "There are no fiducials data to save";
    QTest::newRow("no electrodes")               << "menuSaveEProbe"        << "PointraE.elp"     << "empty"    << "no electrodes";
    // clang-format on
}

void TestFileCommands::failedSaveChangesNothing()
{
    QFETCH(QString, target);
    QFETCH(QString, fault);
    QFETCH(QString, says);
    FileRig rig;
    if (fault == "empty") {
        // An opened table fills the electrode count, which is no MEG sensor count.
        rig.dialogs.fileAnswers.enqueue(
            rig.write("cap.txt", "FidNz 0 9.5 0\nFidT9 -7 0 0\nFidT10 7 0 0\n"));
        QVERIFY(rig.conversions.importTable());
    } else {
        QVERIFY(rig.open("e.elp", Elp));
    }
    rig.ws.ElectrodesDirty = rig.ws.ShapeDirty = 1;
    rig.ws.DataPath = "/somewhere";
    const QByteArray old = "the old " + target.toLatin1() + "\r\n";
    rig.dialogs.clear();
    rig.dialogs.fileAnswers.enqueue(rig.write(target, old));
    rig.dialogs.answers.enqueue(fault == "declined" ? Dialogs::Answer::No : Dialogs::Answer::Yes);
    {
        DiskFull full(fault == "full" ? target.right(4) : "/"); // no target ends in '/'

        QFETCH(QString, command);
        QVERIFY(rig.invoke(command));
    }
    const auto &told = rig.dialogs.shown.last();
    QVERIFY2(told.text.contains(says), qPrintable(told.text));
    if (fault == "full" || fault == "empty")
        QCOMPARE(told.title, QStringLiteral("Error saving file"));
    if (fault == "full")
        QVERIFY2(told.text.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
                 qPrintable(told.text));
    QCOMPARE(rig.home.read(target), old);
    QCOMPARE(rig.ws.ElectrodesDirty + rig.ws.ShapeDirty, 2); // still unsaved
    QVERIFY(!QDir(rig.home.path()).entryList(QDir::Files).contains("out.ela"));
    if (fault == "declined")
        QCOMPARE(rig.ws.DataPath, "/somewhere");
}

void TestFileCommands::openFixedFindsWhatSaveWrote_data()
{
    QTest::addColumn<QString>("existing");
    // clang-format off
    QTest::newRow("none")       << "";
    QTest::newRow("lower")      << "pointrae.elp";
    QTest::newRow("upper")      << "POINTRAE.ELP";
    QTest::newRow("open's own") << "pointraE.elp";
    // clang-format on
}

void TestFileCommands::openFixedFindsWhatSaveWrote()
{
    QFETCH(QString, existing);
    FileRig rig;
    if (!existing.isEmpty())
        rig.write(existing, "an older save\r\n");
    QVERIFY(rig.open("sub/e.elp", Elp));
    rig.invoke("menuSaveEProbe");
    const QStringList saved =
        QDir(rig.home.path())
            .entryList(QDir::Files)
            .filter(
                QRegularExpression("^pointrae\\.elp$", QRegularExpression::CaseInsensitiveOption));
    QCOMPARE(saved, QStringList{existing.isEmpty() ? "PointraE.elp" : existing});
    rig.ws.resetData();
    rig.ws.ElectrodeFile.clear();
    rig.dialogs.clear();
    rig.invoke("menuOpenEProbe");
    QCOMPARE(rig.dialogs.texts(), QStringList{" 2 electrodes"});
    QCOMPARE(rig.ws.tevo.Name[1].trimmed(), QStringLiteral("Cz"));
    // The other fixed names.
    rig.invoke("menuSaveShape");
    QVERIFY(rig.home.read("pointraE.hsp").startsWith("3\t200\r\n"));
    rig.ws.NumSeq = 1;
    rig.ws.SeqName = {"Cz"};
    rig.ws.SeqCode = {"400"};
    rig.invoke("menuSaveSequence");
    QCOMPARE(rig.home.read("pe_out.seq"), QByteArray("3\t2\r\n1\r\nCz\t400\r\n"));
}

void TestFileCommands::listingsSayWhatTheyShow_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("dirty");    // unsaved electrodes afterwards
    QTest::addColumn<QString>("view"); // empty: no listing
    QTest::addColumn<QString>("shows");
    QTest::addColumn<QString>("never");
    // clang-format off
    QTest::newRow("probe view")                  << "elp"           << 0 << "menuViewEProbe"    << "\rNasion  10.00    0.00    0.00    \r" << "0.10";
    QTest::newRow("decimal comma")               << "elp,comma"     << 0 << "menuViewEProbe"    << "Fp1       8,00    3,00    4,00" << "8.00";
    QTest::newRow("table import, centimetres")   << "table"         << 1 << "menuViewEInternal" << "FidNz     0.00    9.50    0.00" << "950.00";
    QTest::newRow("old Curry file, millimetres") << "curry"         << 0 << "menuViewEInternal" << "9.50" << "9500.00";
    QTest::newRow("written Curry file")          << "elp,res"       << 0 << "menuViewEInternal" << "10.00" << "1000.00";
    QTest::newRow("TEVO file after Curry")       << "curry,elp"     << 0 << "menuViewEInternal" << "\rNasion    10.00    0.00    0.00" << "PAR";
    // MEG listings keep the point whatever the decimal setting.
    QTest::newRow("MEG probe")                   << "comma,meg"     << 0 << "menuViewProbe"       << "\rS1         .5   0   0     0   0   1\r" << ",5";
    QTest::newRow("MEG calibration")             << "comma,meg"     << 0 << "menuViewCalibration" << "Calibration matrices\r\r 1   0   0   0  \r 0   1   0   0  \r 0   0   1   0  \r 0   0   0   1  \r\rS1          .25   0   0   0   0  -1\r\r" << ",25";
    QTest::newRow("MEG dewar")                   << "comma,meg"     << 0 << "menuViewDewar"       << "\rS1          .25   0   0      0   0  -1\r\r" << ",25";
    // Converted and not saved: unsaved work.
    QTest::newRow("TEVO to BESA")                << "elp,to besa"   << 1 << "" << "" << "";
    QTest::newRow("TEVO to Curry")               << "elp,to curry"  << 1 << "" << "" << "";
    QTest::newRow("old Curry to Curry")          << "curry,old to curry" << 1 << "" << "" << "";
    // clang-format on
}

void TestFileCommands::listingsSayWhatTheyShow()
{
    QFETCH(QString, steps);
    QFETCH(QString, view);
    QFETCH(QString, shows);
    QFETCH(QString, never);
    FileRig rig;
    for (const QString &step : steps.split(',')) {
        if (step == "table") {
            rig.dialogs.fileAnswers.enqueue(rig.write("cap.txt", Table));
            QVERIFY(rig.conversions.importTable());
        } else if (step == "curry") {
            QVERIFY(rig.open("old.res", OldCurry));
        } else if (step == "comma") {
            rig.invoke("menuDecimalPointComma");
        } else if (step == "elp") {
            QVERIFY(rig.open("e.elp", Elp));
        } else if (step == "meg") {
            rig.ws.sensors.resize(1);
            rig.ws.sensors.SensorName[0] = "S1";
            rig.ws.sensors.ProbeCoil[0][0] = {0.5, 0, 0, 0, 0, 1};
            rig.ws.sensors.SensorCoil[0][0] = {0.25, 0, 0, 0, 0, -1};
            rig.ws.m.MCalib = Transform4::Identity();
        } else if (step == "to besa") { // no file chosen
            QVERIFY(!rig.conversions.convertTevoToBesa());
        } else if (step == "to curry") {
            QVERIFY(!rig.conversions.convertTevoToCurry());
        } else if (step == "old to curry") {
            QVERIFY(rig.conversions.convertCurryOldToCurry());
        } else { // written by TEVO to Curry, then read back
            rig.dialogs.fileAnswers.enqueue(rig.home.path("new.res"));
            QVERIFY(rig.conversions.convertTevoToCurry());
            rig.ws.resetData();
            QVERIFY(rig.files.openPath(rig.home.path("new.res")));
        }
    }
    QTEST(rig.ws.ElectrodesDirty, "dirty");
    if (view.isEmpty())
        return;
    rig.invoke(view);
    QCOMPARE(rig.shown().contains("values are in centimeters"), !steps.contains("meg"));
    QVERIFY2(rig.shown().contains(shows), qPrintable(rig.shown()));
    QVERIFY2(!rig.shown().contains(never), qPrintable(rig.shown()));
}

// Save As over an older file, and two fixed-name saves: a label two electrodes share is warned
// of at each electrode save, the decimal comma once per run.
void TestFileCommands::savesWarn()
{
    const QString notice = "files written with a decimal comma are read correctly by Pointra but "
                           "not by MNE, EEGLAB or FieldTrip";
    for (const QString decimal : {"Comma", "Period"}) {
        FileRig rig("TEVO", decimal);
        QVERIFY(rig.open("e.elp", QByteArray(Elp).replace("%N\tFp1", "%N\tCz")));
        rig.ws.DataPath = "/somewhere";
        rig.dialogs.clear();
        rig.dialogs.fileAnswers.enqueue(rig.write("out.elp", "an older file"));
        rig.dialogs.answers.enqueue(Dialogs::Answer::Yes);
        QVERIFY(rig.invoke("menuSaveAs"));
        QCOMPARE(rig.ws.DataPath, rig.home.path());
        QVERIFY(rig.files.savePath(rig.home.path("b.hsp")));
        rig.invoke("menuSaveEProbe");
        const QStringList texts = rig.dialogs.texts();
        QCOMPARE(texts.count(notice), decimal == "Comma" ? 1 : 0);
        QCOMPARE(texts.filter("Cz (electrodes 1, 2)").size(), 2);
        QCOMPARE(rig.dialogs.shown[1].icon, Dialogs::Icon::Warning);
        QVERIFY(rig.home.read("out.elp").contains(decimal == "Comma" ? "%N\tCz      \r\n0,0800"
                                                                     : "%N\tCz      \r\n0.0800"));
    }
}

void TestFileCommands::tableImportLeadsToTevo()
{
    FileRig rig;
    rig.dialogs.fileAnswers.enqueue(rig.write(
        "table.txt", "FidLPA -7 0 0\nFidNAS\t0\t9\t0\nFidRLA  7  0  0\nSfA 1 2 3\nCz 0 0 10\n"));
    rig.invoke("menuConvertTABLEtoTEVO");
    QCOMPARE(rig.dialogs.texts(),
             (QStringList{"Are these the right fiducials?",
                          "Display and Open Panel - Select: Convert-(Save As...)-Cancel",
                          "Display of the original file data"}));
    QCOMPARE(rig.ws.besa.Type, (QStringList{"8", "400"}));
    QVERIFY(rig.shown().contains("ELECTRODE data"));
    rig.dialogs.clear();
    rig.dialogs.fileAnswers.enqueue(rig.home.path("table.elp"));
    rig.invoke("menuConvertBESAtoTEVO");
    QVERIFY2(rig.dialogs.shown.isEmpty(), qPrintable(rig.dialogs.texts().join('|')));
    QVERIFY(rig.home.read("table.elp").contains("%N\tCz      \r\n"));
    // The fiducials found their places by name, whatever their order and spelling.
    QVERIFY(near(rig.ws.tevo.Fid[0], Point3(0.09, 0, 0)) &&
            near(rig.ws.tevo.Fid[1], Point3(0, 0.07, 0)));
    QCOMPARE(rig.ws.settings.CoordinateSystem, "TEVO");
}

void TestFileCommands::curryOldConversions()
{
    FileRig rig;
    // Fiducial order of an old file: the third line is the nasion.
    rig.open("old.res", "-1    70.00   -70.00     0.00    Nasion\r\n"
                        "-2   -70.00    70.00     0.00    LPA\r\n"
                        "-3   100.00   100.00     0.00    RPA\r\n"
                        " 0     0.00     0.00   100.00    Cz\r\n");
    rig.dialogs.fileAnswers.enqueue(rig.home.path("old.elp"));
    rig.invoke("menuConvertCURRYOLDtoTEVO");
    QVERIFY(near(rig.ws.tevo.Fid[0], Point3(0.1 * std::sqrt(2.0), 0, 0)));
    // An electrode file written while in Curry is not padded like a Curry file.
    QVERIFY(rig.home.read("old.elp").contains("%N\tCz      \r\n0.0000\t0.0000\t0.1000\r\n"));
    rig.invoke("MenuConvertCurryOLDtoCurry");
    QCOMPARE(rig.ws.meas.Pos.size(), size_t(1));
    QVERIFY(std::abs(rig.ws.meas.Pos[0].z() - 100) < 1e-9);
}

void TestFileCommands::conversionRefused_data()
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

void TestFileCommands::conversionRefused()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(int, data);
    QFETCH(QString, command);
    FileRig rig;
    if (!file.isEmpty())
        rig.open(file, bytes);
    rig.dialogs.clear();
    QFETCH(QString, system);
    rig.ws.settings.CoordinateSystem = system;
    rig.ws.sensors.NumSensors = data;
    const auto sizes = [&] {
        return QList<size_t>{rig.ws.tevo.Pos.size(), rig.ws.besa.Pos.size(),
                             rig.ws.curry.Pos.size()};
    };
    const QList<size_t> before = sizes();
    QVERIFY(rig.invoke(command));
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QTEST(rig.dialogs.texts()[0].section(QChar(13), 0, 0), "first");
    QVERIFY(rig.dialogs.fileRequests.isEmpty());
    QCOMPARE(sizes(), before);
}

QTEST_GUILESS_MAIN(TestFileCommands)
#include "tst_file_commands.moc"
