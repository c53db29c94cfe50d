#include "convert/besa_file.h"
#include "data/file_error.h"
#include "data/save_path.h"
#include "data/settings_file.h"
#include "data/workspace.h"
#include "fixtures.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <cerrno>
#include <cstring>

using Fixtures::Home;

namespace {
const QByteArray Old = "3\t2\r\nthe old file, as it was\r\n";
const QByteArray New(5000, 'n');

// Fails `step` of saves whose target ends with `suffix`; removed when it goes out of scope.
struct Fault
{
    Fault(SaveStep step, int errorNumber, const QString &suffix = {})
    {
        setSaveFaultHook([=](SaveStep s, const QString &target) {
            return s == step && target.endsWith(suffix) ? errorNumber : 0;
        });
    }
    ~Fault() { setSaveFaultHook({}); }
};

QStringList entries(const Fixtures::Home &home)
{
    return QDir(home.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

// Saves that fail keep the old file; the settings file read and written.
class TestSavePath : public QObject
{
    Q_OBJECT
private slots:
    void failedStepKeepsOldFile_data();
    void failedStepKeepsOldFile();
    void pairIsReplacedBothOrNeither_data();
    void pairIsReplacedBothOrNeither();
    void labelFileName_data();
    void labelFileName();
    void read_data();
    void read();
    void unreadableAndUnwritableFiles();
    void writtenText();
};

void TestSavePath::failedStepKeepsOldFile_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<bool>("old"); // a file is there before
    // clang-format off
    QTest::newRow("open, disk full")     << int(SaveStep::Open)   << ENOSPC << true;
    QTest::newRow("write, disk full")    << int(SaveStep::Write)  << ENOSPC << true;
    QTest::newRow("sync, I/O error")     << int(SaveStep::Sync)   << EIO    << true;
    QTest::newRow("commit, I/O error")   << int(SaveStep::Commit) << EIO    << true;
    QTest::newRow("write, no old file")  << int(SaveStep::Write)  << ENOSPC << false;
    // clang-format on
}

void TestSavePath::failedStepKeepsOldFile()
{
    QFETCH(int, step);
    QFETCH(int, errorNumber);
    QFETCH(bool, old);
    Fixtures::Home home;
    const QString target = old ? home.write("data.elp", Old) : home.path("data.elp");
    const QStringList before = entries(home);
    {
        Fault fault(SaveStep(step), errorNumber);
        try {
            saveText(target, New);
            QFAIL("a failed save reported success");
        } catch (const FileError &e) {
            QCOMPARE(e.kind(), FileError::Kind::Io);
            QVERIFY(e.message().contains(QDir::toNativeSeparators(target)));
            QVERIFY2(e.message().contains(QString::fromLocal8Bit(std::strerror(errorNumber))),
                     qPrintable(e.message()));
            QVERIFY(!e.message().contains("Unknown error"));
        }
    }
    // No temporary file is left behind and the old file is byte for byte what it was.
    QCOMPARE(entries(home), before);
    QCOMPARE(home.read("data.elp"), old ? Old : QByteArray());
    saveText(target, New);
    QCOMPARE(home.read("data.elp"), New);
}

void TestSavePath::pairIsReplacedBothOrNeither_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("step");
    // clang-format off
    QTest::newRow("ela cannot be written") << ".ela" << int(SaveStep::Write);
    QTest::newRow("ela cannot be renamed") << ".ela" << int(SaveStep::Commit);
    QTest::newRow("sfp cannot be synced")  << ".sfp" << int(SaveStep::Sync);
    QTest::newRow("ela is read-only")      << ""     << -1;
    // clang-format on
}

void TestSavePath::pairIsReplacedBothOrNeither()
{
    QFETCH(QString, failing);
    QFETCH(int, step);
    Fixtures::Home home;
    const QString sfp = home.write("cap.sfp", "old sfp\r\n");
    const QString ela = home.write("cap.ela", "old ela\r\n");
    if (step < 0)
        QVERIFY(QFile::setPermissions(ela, QFile::ReadOwner | QFile::ReadGroup));
    Workspace ws;
    ws.settings = {DigitizerModel::Fastrak, "BESA", "Period", "0,0,1", 1, "OFF"};
    ws.besa.FidName = {"FidT9", "FidNz", "FidT10"};
    ws.sensors.NumSensors = 1;
    ws.besa.resize(1);
    ws.besa.Name = {"Cz"};
    ws.ElectrodesDirty = 1;
    {
        std::optional<Fault> fault;
        if (step >= 0)
            fault.emplace(SaveStep(step), ENOSPC, failing);
        QVERIFY_THROWS_EXCEPTION(FileError, WriteBesaFiles(sfp, ws));
    }
    QCOMPARE(home.read("cap.sfp"), QByteArray("old sfp\r\n"));
    QCOMPARE(home.read("cap.ela"), QByteArray("old ela\r\n"));
    QCOMPARE(ws.ElectrodesDirty, 1);
    QCOMPARE(entries(home), QStringList({"cap.ela", "cap.sfp"}));
    if (step < 0)
        return;
    WriteBesaFiles(sfp, ws);
    QVERIFY(home.read("cap.sfp").startsWith("FidT9     "));
    QCOMPARE(home.read("cap.ela"), QByteArray("EEG\tCz      \r\n"));
    QCOMPARE(ws.ElectrodesDirty, 0);
}

void TestSavePath::labelFileName_data()
{
    QTest::addColumn<QString>("sfp");
    QTest::addColumn<QString>("ela");
    // clang-format off
    QTest::newRow("usual")            << "/data/cap.sfp"     << "/data/cap.ela";
    QTest::newRow("no extension")     << "/data/cap"         << "/data/cap.ela";
    QTest::newRow("dotted folder")    << "/data/run.v2/cap"  << "/data/run.v2/cap.ela";
    QTest::newRow("two dots")         << "/data/cap.old.sfp" << "/data/cap.old.ela";
    // clang-format on
}

void TestSavePath::labelFileName()
{
    QFETCH(QString, sfp);
    QTEST(::labelFileName(sfp), "ela");
}

void TestSavePath::read_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("system");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("hemisphere");

    // clang-format off
    QTest::newRow("full") << QByteArray("Digitizer Type=FASTRAK\r\nCoordinate System=BESA\r\nDecimal Point=Comma\r\nHemisphere=0,0,-1\r\nnCommPort= 2\r\nSound=ON\r\n") << "FASTRAK" << "BESA" << 2 << "0,0,-1";
    QTest::newRow("port without blank") << QByteArray("nCommPort=3\r\n") << "No Digitizer" << "" << 3 << "";
    QTest::newRow("port rounds") << QByteArray("nCommPort=2.6\n") << "No Digitizer" << "" << 3 << "";
    QTest::newRow("duplicate key takes last") << QByteArray("Digitizer Type=ISOTRAK\r\nDigitizer Type=PATRIOT\r\n") << "PATRIOT" << "" << 0 << "";
    QTest::newRow("lines without equals ignored") << QByteArray("garbage line\r\nDigitizer Type=FASTRAK\r\nmore garbage\r\n") << "FASTRAK" << "" << 0 << "";
    QTest::newRow("comments skipped") << QByteArray("//Digitizer Type=ISOTRAK\r\n%OHemisphere=1,0,0\r\n") << "No Digitizer" << "" << 0 << "";
    QTest::newRow("value keeps later equals") << QByteArray("Hemisphere=a=b\r\n") << "No Digitizer" << "" << 0 << "a=b";
    QTest::newRow("cr only") << QByteArray("Digitizer Type=ISOTRAK\rnCommPort=4\r") << "ISOTRAK" << "" << 4 << "";
    QTest::newRow("model text with a trailing blank is no model") << QByteArray("Digitizer Type=FASTRAK \r\n") << "No Digitizer" << "" << 0 << "";
    QTest::newRow("port overflow") << QByteArray("nCommPort=1e12\r\n") << "No Digitizer" << "" << 0 << "";
    // clang-format on
}

void TestSavePath::read()
{
    QFETCH(QByteArray, ini);
    Home home;
    Settings s;
    SettingsFile::read(home.write("pointra.ini", ini), s);
    QTEST(traitsOf(s.Digitizer).name, "type");
    QTEST(s.CoordinateSystem, "system");
    QTEST(s.CommPort, "port");
    QTEST(s.Hemisphere, "hemisphere");
}

void TestSavePath::unreadableAndUnwritableFiles()
{
    Settings s;
    s.Digitizer = DigitizerModel::Isotrak;
    Home home;
    SettingsFile::read(home.path("absent.ini"), s);
    SettingsFile::read(home.path(), s); // a folder in place of the file
    QCOMPARE(s.Digitizer, DigitizerModel::Isotrak);
    const QByteArray sound = QByteArray(10 * 1024 * 1024, 'x');
    SettingsFile::read(
        home.write("pointra.ini", "Sound=" + sound + "\r\nDigitizer Type=FASTRAK\r\n"), s);
    QCOMPARE(s.SoundSetting, QString::fromLatin1(sound));
    QCOMPARE(s.Digitizer, DigitizerModel::Fastrak);
    QString error;
    QVERIFY(!SettingsFile::write(home.path("missing/folder/pointra.ini"), s, error));
    QVERIFY(!error.isEmpty());
}

void TestSavePath::writtenText()
{
    Settings s{DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 2, "OFF"};
    QCOMPARE(
        SettingsFile::text(s),
        QByteArray("Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
                   "Hemisphere=0,0,1\r\nnCommPort= 2\r\nSound=OFF\r\n"));
    s.CommPort = -1;
    QVERIFY(SettingsFile::text(s).contains("\r\nnCommPort=-1\r\n"));
}

QTEST_GUILESS_MAIN(TestSavePath)
#include "tst_save_path.moc"
