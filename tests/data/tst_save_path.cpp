#include "convert/besa_file.h"
#include "data/file_error.h"
#include "data/save_path.h"
#include "data/settings_file.h"
#include "data/workspace.h"
#include "full_disk.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

namespace {
const QByteArray Old = "3\t2\r\nthe old file, as it was\r\n";
const QByteArray New(5000, 'n');

QString reason(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

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

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList entries(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

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
    void settingsFileGoesTheSameWay();
};

void TestSavePath::failedStepKeepsOldFile_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<bool>("oldExists");
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
    QFETCH(bool, oldExists);
    QTemporaryDir dir;
    const QString target = dir.filePath("data.elp");
    if (oldExists)
        put(target, Old);
    const QStringList before = entries(dir);
    {
        Fault fault(SaveStep(step), errorNumber);
        try {
            saveText(target, New);
            QFAIL("a failed save reported success");
        } catch (const FileError &e) {
            QCOMPARE(e.kind(), FileError::Kind::Io);
            QVERIFY2(e.message().contains(reason(errorNumber)), qPrintable(e.message()));
            QVERIFY(e.message().contains(QDir::toNativeSeparators(target)));
            QVERIFY(!e.message().contains("Unknown error"));
        }
    }
    // No temporary file is left behind and the old file is byte for byte what it was.
    QCOMPARE(entries(dir), before);
    if (oldExists)
        QCOMPARE(fileBytes(target), Old);
    saveText(target, New);
    QCOMPARE(fileBytes(target), New);
}

void TestSavePath::pairIsReplacedBothOrNeither_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("readOnlyEla");
    // clang-format off
    QTest::newRow("ela cannot be written") << ".ela" << int(SaveStep::Write)  << false;
    QTest::newRow("ela cannot be renamed") << ".ela" << int(SaveStep::Commit) << false;
    QTest::newRow("sfp cannot be synced")  << ".sfp" << int(SaveStep::Sync)   << false;
    QTest::newRow("ela is read-only")      << ""     << -1                    << true;
    // clang-format on
}

void TestSavePath::pairIsReplacedBothOrNeither()
{
    QFETCH(QString, failing);
    QFETCH(int, step);
    QFETCH(bool, readOnlyEla);
    QTemporaryDir dir;
    const QString sfp = dir.filePath("cap.sfp");
    const QString ela = dir.filePath("cap.ela");
    put(sfp, "old sfp\r\n");
    put(ela, "old ela\r\n");
    if (readOnlyEla)
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
    QCOMPARE(fileBytes(sfp), QByteArray("old sfp\r\n"));
    QCOMPARE(fileBytes(ela), QByteArray("old ela\r\n"));
    QCOMPARE(ws.ElectrodesDirty, 1);
    QCOMPARE(entries(dir), QStringList({"cap.ela", "cap.sfp"}));
    if (readOnlyEla)
        return;
    WriteBesaFiles(sfp, ws);
    QVERIFY(fileBytes(sfp).startsWith("FidT9     "));
    QCOMPARE(fileBytes(ela), QByteArray("EEG\tCz      \r\n"));
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
    QFETCH(QString, ela);
    QCOMPARE(::labelFileName(sfp), ela);
}

void TestSavePath::settingsFileGoesTheSameWay()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("pointra.ini");
    put(ini, Old);
    const Settings s{DigitizerModel::Patriot, "BESA", "Comma", "0,0,1", 2, "ON"};
    QString error;
    {
        Fault fault(SaveStep::Write, ENOSPC);
        QVERIFY(!SettingsFile::write(ini, s, error));
    }
    QVERIFY2(error.contains(reason(ENOSPC)), qPrintable(error));
    QCOMPARE(fileBytes(ini), Old);
    QVERIFY(SettingsFile::write(ini, s, error));
    QCOMPARE(fileBytes(ini), SettingsFile::text(s));
}

QTEST_GUILESS_MAIN(TestSavePath)
#include "tst_save_path.moc"
