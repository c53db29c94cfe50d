#include "commands/convert_commands.h"
#include "commands/file_commands.h"
#include "commands/view_commands.h"
#include "data/electrode_file.h"
#include "data/save_path.h"
#include "display/listings.h"
#include "full_disk.h"
#include "temp_home.h"

#include <QDir>
#include <QTest>

#include <cerrno>
#include <cstring>

namespace {
const QByteArray Elp =
    "3\t2\r\n1\r\n%N\tName\r\n0\t2\r\n%F\t0.1\t0\t0\r\n%F\t0\t0.07\t0\r\n%F\t0\t-0.07\t0\r\n"
    "%S\t400\r\n%N\tFp1\r\n0.08\t0.03\t0.04\r\n%S\t400\r\n%N\tCz\r\n0\t0\t0.1\r\n";
// Nasion 9.5 cm in front, preauricular points 7 cm to the sides, as a lab types it.
const QByteArray Table = "FidNz 0 9.5 0\nFidT9 -7 0 0\nFidT10 7 0 0\nCz 0 0 9\n";

// One line of the old fixed-column Curry layout.
QByteArray oldCurryLine(const char *type, double x, double y, double z, const char *label)
{
    return QStringLiteral("%1%2%3%4    %5\n")
        .arg(QLatin1String(type), 2)
        .arg(x, 9, 'f', 2)
        .arg(y, 9, 'f', 2)
        .arg(z, 9, 'f', 2)
        .arg(QLatin1String(label))
        .toLatin1();
}

const QByteArray OldCurry =
    oldCurryLine("-1", 0, 70, 0, "PAL") + oldCurryLine("-2", 0, -70, 0, "PAR") +
    oldCurryLine("-3", 95, 0, 0, "NAS") + oldCurryLine(" 0", 0, 0, 90, "Cz");

struct Rig : TestRig
{
    explicit Rig(const QByteArray &system = "TEVO", const QByteArray &decimal = "Period")
    {
        writeIni("Digitizer Type=FASTRAK\r\nCoordinate System=" + system +
                 "\r\nDecimal Point=" + decimal + "\r\nHemisphere=0,0,1\r\nnCommPort= 1\r\n");
        startUp();
        session.updateView = [this] { views.UpdateView(); };
        files.registerCommands(commands);
        views.registerCommands(commands);
        conversions.registerCommands(commands);
        dialogs.clear();
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path(name);
    }
    QStringList folder(const QString &sub = {}) const
    {
        return QDir(path(sub)).entryList(QDir::Files);
    }
    FileCommands files{session};
    ViewCommands views{session};
    ConvertCommands conversions{session, files, views};
};

// Fails every save whose target ends with `suffix`, at the write, with `errorNumber`.
struct DiskFull
{
    explicit DiskFull(const QString &suffix, int errorNumber = ENOSPC)
    {
        setSaveFaultHook([=](SaveStep step, const QString &target) {
            return step == SaveStep::Write && target.endsWith(suffix) ? errorNumber : 0;
        });
    }
    ~DiskFull() { setSaveFaultHook({}); }
};
} // namespace

class TestFileSafety : public QObject
{
    Q_OBJECT
private slots:
    void fullDiskSaveKeepsOldFile_data();
    void fullDiskSaveKeepsOldFile();
    void failedOpenChangesNothing_data();
    void failedOpenChangesNothing();
    void openFixedFindsWhatSaveWrote_data();
    void openFixedFindsWhatSaveWrote();
    void listingsSayWhatTheyShow_data();
    void listingsSayWhatTheyShow();
    void importedOrConvertedIsUnsaved_data();
    void importedOrConvertedIsUnsaved();
    void emptySavesAreRefused_data();
    void emptySavesAreRefused();
    void decimalCommaIsToldOnce();
    void sharedLabelsAreWarned();
    void openOffersEveryFormat_data();
    void openOffersEveryFormat();
    void error5CarriesItsLine();
};

void TestFileSafety::fullDiskSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("target");
    // clang-format off
    QTest::newRow("Save As")             << "menuSaveAs"            << "out.elp";
    QTest::newRow("fixed electrode file") << "menuSaveEProbe"       << "PointraE.elp";
    QTest::newRow("fixed shape file")    << "menuSaveShape"         << "pointraE.hsp";
    QTest::newRow("TEVO to BESA")        << "menuConvertTEVOtoBESA" << "out.sfp";
    // clang-format on
}

void TestFileSafety::fullDiskSaveKeepsOldFile()
{
    QFETCH(QString, command);
    QFETCH(QString, target);
    Rig rig;
    QVERIFY(rig.files.openPath(rig.write("e.elp", Elp)));
    const QByteArray old = "the old " + target.toLatin1() + "\r\n";
    const QString path = rig.write(target, old);
    rig.dialogs.clear();
    rig.dialogs.fileAnswers.enqueue(path);
    rig.dialogs.answers.enqueue(Dialogs::Answer::Yes); // replace the existing file
    {
        DiskFull full(target.right(4));
        QVERIFY(rig.invoke(command));
    }
    const auto &told = rig.dialogs.shown.last();
    QCOMPARE(told.title, QStringLiteral("Error saving file"));
    QVERIFY2(told.text.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
             qPrintable(told.text));
    QVERIFY(told.text.contains("not changed"));
    QCOMPARE(fileBytes(path), old);
    QVERIFY(!rig.folder().contains("e.ela") && !rig.folder().contains("ela"));
}

void TestFileSafety::failedOpenChangesNothing_data()
{
    QTest::addColumn<QByteArray>("system");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("told");
    Workspace probe;
    probe.sensors.resize(2);
    probe.sensors.SensorName = {Fixed8("MEG0111"), Fixed8("MEG0121")};
    const QByteArray probeFile = probeFileText(probe);
    QByteArray badNumber = Elp;
    badNumber.replace("0.08\t0.03", "0.08\tx");
    // clang-format off
    QTest::newRow("refused .elp in Curry")    << QByteArray("Curry") << "bad.elp"   << badNumber         << "Error number 13 - Line 10: field 2 is not a number";
    QTest::newRow("refused .sfp in TEVO")     << QByteArray("TEVO")  << "bad.sfp"   << QByteArray("FidNz 0 x 0\n") << "Error number 13 - Line 1";
    QTest::newRow("empty .res in BESA")       << QByteArray("BESA")  << "empty.res" << QByteArray()      << "wrong file type";
    QTest::newRow("mixed-case extension")     << QByteArray("TEVO")  << "e.Elp"     << Elp               << "Cannot open a file with this extension.";
    QTest::newRow("probe file as electrodes") << QByteArray("BESA")  << "probe.elp" << probeFile         << "This is a probe file";
    // clang-format on
}

void TestFileSafety::failedOpenChangesNothing()
{
    QFETCH(QByteArray, system);
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, told);
    Rig rig(system);
    rig.ws.settings.CoordinateSystem = "TEVO";
    QVERIFY(rig.files.openPath(rig.write("good.elp", Elp)));
    rig.ws.settings.CoordinateSystem = QString::fromLatin1(system);
    rig.invoke("menuViewEInternal");
    const QString caption = rig.ui.caption;
    const QString folder = rig.ws.DataPath;
    const QString listing = Listings::internalElectrodes(rig.ws);
    rig.dialogs.clear();
    rig.dialogs.fileAnswers.enqueue(rig.write("sub/" + name, bytes));
    rig.invoke("menuOpen");
    QVERIFY2(rig.dialogs.texts().join("|").contains(told),
             qPrintable(rig.dialogs.texts().join("|")));
    QCOMPARE(rig.ws.settings.CoordinateSystem, QString::fromLatin1(system));
    QCOMPARE(rig.ui.caption, caption);
    QCOMPARE(rig.ws.DataPath, folder);
    QCOMPARE(rig.ws.ElectrodeFile, rig.path("good.elp"));
    QCOMPARE(Listings::internalElectrodes(rig.ws), listing);
    QCOMPARE(rig.ws.sensors.NumSensors, 2);
}

void TestFileSafety::openFixedFindsWhatSaveWrote_data()
{
    QTest::addColumn<QString>("existing");
    // clang-format off
    QTest::newRow("none")       << "";
    QTest::newRow("lower")      << "pointrae.elp";
    QTest::newRow("upper")      << "POINTRAE.ELP";
    QTest::newRow("open's own") << "pointraE.elp";
    // clang-format on
}

void TestFileSafety::openFixedFindsWhatSaveWrote()
{
    QFETCH(QString, existing);
    Rig rig;
    if (!existing.isEmpty())
        rig.write(existing, "an older save\r\n");
    QVERIFY(rig.files.openPath(rig.write("sub/e.elp", Elp)));
    rig.invoke("menuSaveEProbe");
    QStringList saved = rig.folder().filter(
        QRegularExpression("^pointrae\\.elp$", QRegularExpression::CaseInsensitiveOption));
    QCOMPARE(saved.size(), 1);
    if (!existing.isEmpty())
        QCOMPARE(saved.first(), existing);
    rig.ws.resetData();
    rig.ws.ElectrodeFile.clear();
    rig.dialogs.clear();
    rig.invoke("menuOpenEProbe");
    QCOMPARE(rig.dialogs.texts(), QStringList{" 2 electrodes"});
    QCOMPARE(rig.ws.sensors.NumSensors, 2);
    QCOMPARE(rig.ws.tevo.Name[1].trimmed(), QStringLiteral("Cz"));
}

void TestFileSafety::listingsSayWhatTheyShow_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("shows");
    QTest::addColumn<QString>("never");
    // clang-format off
    QTest::newRow("table import, centimetres") << "table"     << "FidNz     0.00    9.50    0.00"  << "950.00";
    QTest::newRow("old Curry file, millimetres") << "curry"   << "9.50"    << "9500.00";
    QTest::newRow("written Curry file")        << "tevo>res>open" << "10.00" << "1000.00";
    QTest::newRow("TEVO file after Curry")     << "curry,elp" << "\rNasion    10.00    0.00    0.00" << "PAR";
    // clang-format on
}

void TestFileSafety::listingsSayWhatTheyShow()
{
    QFETCH(QString, steps);
    QFETCH(QString, shows);
    QFETCH(QString, never);
    Rig rig;
    for (const QString &step : steps.split(',')) {
        if (step == "table") {
            rig.dialogs.fileAnswers.enqueue(rig.write("cap.txt", Table));
            QVERIFY(rig.conversions.importTable());
        } else if (step == "curry") {
            QVERIFY(rig.files.openPath(rig.write("old.res", OldCurry)));
        } else if (step == "elp") {
            QVERIFY(rig.files.openPath(rig.write("e.elp", Elp)));
        } else {
            QVERIFY(rig.files.openPath(rig.write("e.elp", Elp)));
            rig.dialogs.fileAnswers.enqueue(rig.path("new.res"));
            QVERIFY(rig.conversions.convertTevoToCurry());
            rig.ws.resetData();
            QVERIFY(rig.files.openPath(rig.path("new.res")));
        }
    }
    const QString listing = Listings::internalElectrodes(rig.ws);
    QVERIFY(listing.contains("values are in centimeters"));
    QVERIFY2(listing.contains(shows), qPrintable(listing));
    QVERIFY2(!listing.contains(never), qPrintable(listing));
}

void TestFileSafety::importedOrConvertedIsUnsaved_data()
{
    QTest::addColumn<QString>("how");
    // clang-format off
    QTest::newRow("table import")            << "table";
    QTest::newRow("TEVO to BESA, not saved") << "besa";
    QTest::newRow("TEVO to Curry, not saved") << "curry";
    QTest::newRow("old Curry to Curry")      << "curry-old";
    // clang-format on
}

void TestFileSafety::importedOrConvertedIsUnsaved()
{
    QFETCH(QString, how);
    Rig rig(how == "curry-old" ? "Curry" : "TEVO");
    if (how == "table") {
        rig.dialogs.fileAnswers.enqueue(rig.write("cap.txt", Table));
        QVERIFY(rig.conversions.importTable());
    } else if (how == "curry-old") {
        QVERIFY(rig.files.openPath(rig.write("old.res", OldCurry)));
        QCOMPARE(rig.ws.ElectrodesDirty, 0);
        QVERIFY(rig.conversions.convertCurryOldToCurry());
    } else {
        QVERIFY(rig.files.openPath(rig.write("e.elp", Elp)));
        QCOMPARE(rig.ws.ElectrodesDirty, 0);
        QVERIFY(!(how == "besa" ? rig.conversions.convertTevoToBesa()
                                : rig.conversions.convertTevoToCurry()));
    }
    QCOMPARE(rig.ws.ElectrodesDirty, 1);
    rig.dialogs.clear();
    rig.dialogs.answers.enqueue(Dialogs::Answer::No);
    QVERIFY(rig.shell.Form_Unload());
    QCOMPARE(rig.dialogs.texts(),
             QStringList{"Do you want to save the digitized electrode data ?"});
}

void TestFileSafety::emptySavesAreRefused_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("names");
    // clang-format off
    QTest::newRow("calibration") << "menuSaveCalibration" << "MEG/pointra.clb" << "no calibration";
    QTest::newRow("fiducials")   << "menuSaveFiducials"   << "MEG/pointra.fid" << "no fiducials data";
    QTest::newRow("electrodes")  << "menuSaveEProbe"      << "PointraE.elp"    << "no electrodes";
    // clang-format on
}

void TestFileSafety::emptySavesAreRefused()
{
    QFETCH(QString, command);
    QFETCH(QString, file);
    QFETCH(QString, names);
    Rig rig;
    // An opened table fills the electrode count, which is no MEG sensor count.
    rig.dialogs.fileAnswers.enqueue(
        rig.write("cap.txt", "FidNz 0 9.5 0\nFidT9 -7 0 0\nFidT10 7 0 0\n"));
    QVERIFY(rig.conversions.importTable());
    rig.dialogs.clear();
    rig.invoke(command);
    QVERIFY(!QFileInfo::exists(rig.path(file)));
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QCOMPARE(rig.dialogs.shown[0].title, QStringLiteral("Error saving file"));
    QVERIFY2(rig.dialogs.shown[0].text.contains(names), qPrintable(rig.dialogs.shown[0].text));
}

void TestFileSafety::decimalCommaIsToldOnce()
{
    const QString notice = "files written with a decimal comma are read correctly by Pointra but "
                           "not by MNE, EEGLAB or FieldTrip";
    for (const QByteArray decimal : {"Comma", "Period"}) {
        Rig rig("TEVO", decimal);
        QVERIFY(rig.files.openPath(rig.write("e.elp", Elp)));
        rig.dialogs.clear();
        QVERIFY(rig.files.savePath(rig.path("a.elp")));
        QVERIFY(rig.files.savePath(rig.path("b.hsp")));
        rig.invoke("menuSaveEProbe");
        QCOMPARE(rig.dialogs.texts().count(notice), decimal == "Comma" ? 1 : 0);
        QCOMPARE(fileBytes(rig.path("a.elp")).contains("0,0800"), decimal == "Comma");
    }
}

void TestFileSafety::sharedLabelsAreWarned()
{
    Rig rig;
    QByteArray twice = Elp;
    twice.replace("%N\tFp1", "%N\tCz");
    QVERIFY(rig.files.openPath(rig.write("e.elp", twice)));
    rig.dialogs.clear();
    QVERIFY(rig.files.savePath(rig.path("out.elp")));
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QCOMPARE(rig.dialogs.shown[0].icon, Dialogs::Icon::Warning);
    QVERIFY2(rig.dialogs.shown[0].text.contains("Cz (electrodes 1, 2)"),
             qPrintable(rig.dialogs.shown[0].text));
    QVERIFY(fileBytes(rig.path("out.elp")).contains("%N\tCz      \r\n0.0800"));
}

void TestFileSafety::openOffersEveryFormat_data()
{
    QTest::addColumn<QByteArray>("system");
    QTest::newRow("TEVO") << QByteArray("TEVO");
    QTest::newRow("BESA") << QByteArray("BESA");
    QTest::newRow("Curry") << QByteArray("Curry");
}

void TestFileSafety::openOffersEveryFormat()
{
    QFETCH(QByteArray, system);
    Rig rig(system);
    rig.invoke("menuOpen");
    const QString filter = rig.dialogs.fileRequests.value(0).filter;
    for (const char *ext : {"seq", "elp", "hsp", "sfp", "res", "clb", "dwr", "fid"})
        QVERIFY2(filter.contains(QStringLiteral("|*.%1").arg(QLatin1String(ext))), ext);
    QVERIFY(filter.endsWith("All files (*.*)|*.*"));
}

void TestFileSafety::error5CarriesItsLine()
{
    Rig rig;
    QByteArray bad = Elp;
    bad.replace("%F\t0\t0.07\t0", "F\t0\t0.07\t0");
    QVERIFY(!rig.files.openPath(rig.write("bad.elp", bad)));
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QCOMPARE(rig.dialogs.shown[0].title, QStringLiteral("Error opening input file"));
    QCOMPARE(rig.dialogs.shown[0].text,
             QStringLiteral("Error number 5 - Invalid procedure call or argument\rLine 6 should "
                            "be a %F line but reads \"F 0 0.07 0\"."));
}

QTEST_GUILESS_MAIN(TestFileSafety)
#include "tst_file_safety.moc"
