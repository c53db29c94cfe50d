#include "convert/besa_file.h"
#include "data/file_error.h"
#include "data/save_path.h"
#include "data/settings_file.h"
#include "data/workspace.h"
#include "fixtures.h"

#include <QDir>
#include <QTest>

#include <cerrno>
#include <cstring>

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
};

void TestSavePath::failedStepKeepsOldFile_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QString>("file"); // pointra.ini goes through the settings writer
    // clang-format off
    QTest::newRow("open, disk full")     << int(SaveStep::Open)   << ENOSPC << "data.elp";
    QTest::newRow("write, disk full")    << int(SaveStep::Write)  << ENOSPC << "data.elp";
    QTest::newRow("sync, I/O error")     << int(SaveStep::Sync)   << EIO    << "data.elp";
    QTest::newRow("commit, I/O error")   << int(SaveStep::Commit) << EIO    << "data.elp";
    QTest::newRow("write, no old file")  << int(SaveStep::Write)  << ENOSPC << "";
    QTest::newRow("settings, disk full") << int(SaveStep::Write)  << ENOSPC << "pointra.ini";
    // clang-format on
}

void TestSavePath::failedStepKeepsOldFile()
{
    QFETCH(int, step);
    QFETCH(int, errorNumber);
    QFETCH(QString, file);
    Fixtures::Home home;
    const QString target = file.isEmpty() ? home.path("new.elp") : home.write(file, Old);
    const QStringList before = entries(home);
    const Settings settings{DigitizerModel::Patriot, "BESA", "Comma", "0,0,1", 2, "ON"};
    const bool ini = file == "pointra.ini";
    QString message;
    {
        Fault fault(SaveStep(step), errorNumber);
        try {
            if (ini)
                QVERIFY(!SettingsFile::write(target, settings, message));
            else
                saveText(target, New);
            QVERIFY2(ini, "a failed save reported success");
        } catch (const FileError &e) {
            QCOMPARE(e.kind(), FileError::Kind::Io);
            QVERIFY(e.message().contains(QDir::toNativeSeparators(target)));
            message = e.message();
        }
    }
    QVERIFY2(message.contains(QString::fromLocal8Bit(std::strerror(errorNumber))),
             qPrintable(message));
    QVERIFY(!message.contains("Unknown error"));
    // No temporary file is left behind and the old file is byte for byte what it was.
    QCOMPARE(entries(home), before);
    if (!file.isEmpty())
        QCOMPARE(home.read(file), Old);
    if (ini)
        QVERIFY(SettingsFile::write(target, settings, message));
    else
        saveText(target, New);
    QCOMPARE(home.read(QFileInfo(target).fileName()), ini ? SettingsFile::text(settings) : New);
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
    QFETCH(QString, ela);
    QCOMPARE(::labelFileName(sfp), ela);
}

QTEST_GUILESS_MAIN(TestSavePath)
#include "tst_save_path.moc"
