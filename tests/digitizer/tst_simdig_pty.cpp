#include "digitizer/digitizer_setup.h"
#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/records.h"
#include "platform/qserial_link.h"
#include "platform/qt_event_pump.h"
#include "platform/steady_clock.h"
#include "simdig_process.h"
#include "temp_home.h"

#include <QDir>
#include <QTest>
#include <QTimer>

using Outcome = Records::Outcome;

namespace {
// A session on the real serial port code, aimed at `device` as Comm port 1.
struct PortRig
{
    PortRig(const QString &type, const QString &device)
    {
        qputenv("POINTRA_COMM1", device.toLocal8Bit());
        ws.settings = {type, "TEVO", "Period", "0,0,1", 1, "OFF"};
        DigitizerSetup::ApplySerialSettings(s);
    }
    Workspace ws;
    UiState ui;
    FakeDialogs dialogs;
    SteadyClock clock;
    QtEventPump pump;
    SilentAudio audio;
    QSerialLink link;
    Session s{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
};
} // namespace

class TestSimdigPty : public QObject
{
    Q_OBJECT
private slots:
    void startupBytes_data();
    void startupBytes();
    void recordThroughPty();
    void cancelDuringWait();
    void emulatorKilledDuringWait();
    void missingPortIsNamed();
};

void TestSimdigPty::startupBytes_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("hemisphere");
    for (const char *model : {"FASTRAK", "ISOTRAK", "PATRIOT"})
        for (const char *hemi : {"0,0,1", "-1,0,0", "0,-1,0"})
            QTest::addRow("%s %s", model, hemi) << QString(model) << QString(hemi);
}

void TestSimdigPty::startupBytes()
{
    QFETCH(QString, model);
    QFETCH(QString, hemisphere);
    SimdigProcess sim({"--model", model.toLower(), "--noise", "0"});
    QVERIFY(sim.ok());
    QTemporaryDir home;
    QFile ini(QDir(home.path()).filePath("pointra.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(
        QStringLiteral("Digitizer Type=%1\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
                       "Hemisphere=%2\r\nnCommPort= 1\r\nSound=OFF\r\n")
            .arg(model, hemisphere)
            .toLatin1());
    ini.close();

    QProcess pointra;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("POINTRA_HOME", home.path());
    env.insert("POINTRA_HEADLESS", "1");
    env.insert("POINTRA_COMM1", sim.device());
    pointra.setProcessEnvironment(env);
    pointra.start(QStringLiteral(POINTRA_BIN), {});
    QVERIFY(pointra.waitForFinished(15000));
    QCOMPARE(pointra.exitCode(), 0);

    QByteArray expected;
    for (const QByteArray &c : DigitizerSetup::configurationCommands(model, hemisphere))
        expected += c;
    // The start-up sequence, then the one poll of the headless report.
    expected += "P";
    QCOMPARE(sim.hostBytes(expected.size()), expected);
    const QString out = QString::fromLocal8Bit(pointra.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral("One record, ")), qPrintable(out));
}

void TestSimdigPty::recordThroughPty()
{
    SimdigProcess sim({"--model", "fastrak", "--noise", "0", "--receivers", "2"});
    QVERIFY(sim.ok());
    PortRig rig("FASTRAK", sim.device());
    DigitizerSetup::InitializeDigitizer(rig.s);
    QVERIFY(rig.dialogs.shown.isEmpty());
    sim.send("touch Cz\nwait 700\npress\n");
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(record.size(), 293);
    QVERIFY(rig.dialogs.shown.isEmpty());

    DigitizerEmulator reference({DigitizerEmulator::Model::Fastrak, 2, 0.0, 1});
    const Transform4 head = reference.headPose();
    const Point3 cz = head.block<3, 3>(0, 0) * reference.head().site("Cz") + head.block<3, 1>(0, 3);
    QVERIFY((Records::stylusPosition("FASTRAK", record) - cz).norm() < 1e-4);
    Transform4 r, p;
    Records::ParseDigitizerRecord("FASTRAK", record, 2, 1, r, p);
    QVERIFY((p - reference.receiverPose(1)).cwiseAbs().maxCoeff() < 1e-4);
}

void TestSimdigPty::cancelDuringWait()
{
    SimdigProcess sim({"--model", "patriot"});
    QVERIFY(sim.ok());
    PortRig rig("PATRIOT", sim.device());
    QTimer::singleShot(800, [&] { rig.s.wait.CancelRequested = 1; });
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::Cancelled);
    QVERIFY(!rig.link.isOpen());
    // The next request is answered.
    QCOMPARE(Records::PollDigitizerRecord(rig.s, record), Outcome::Received);
    QCOMPARE(record.size(), 158);
}

void TestSimdigPty::emulatorKilledDuringWait()
{
    SimdigProcess sim({"--model", "fastrak"});
    QVERIFY(sim.ok());
    PortRig rig("FASTRAK", sim.device());
    QTimer::singleShot(800, [&] { sim.stop(); });
    // Should the hang-up go unnoticed, the test ends through Cancel and fails instead of hanging.
    QTimer::singleShot(8000, [&] { rig.s.wait.CancelRequested = 1; });
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::DeviceGone);
    QVERIFY(rig.dialogs.texts().value(0).startsWith("The digitizer stopped answering."));
    QVERIFY(!rig.link.isOpen());
}

void TestSimdigPty::missingPortIsNamed()
{
    QTemporaryDir dir;
    const QString device = dir.filePath("no-such-port");
    PortRig rig("FASTRAK", device);
    DigitizerSetup::InitializeDigitizer(rig.s);
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QVERIFY(rig.dialogs.texts().value(0).contains(device));
    QString record;
    QCOMPARE(Records::ReadDigitizerRecord(rig.s, record), Outcome::PortFailed);
    QCOMPARE(rig.dialogs.shown.size(), 2);
}

QTEST_GUILESS_MAIN(TestSimdigPty)
#include "tst_simdig_pty.moc"
