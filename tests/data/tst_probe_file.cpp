#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/probe_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "fixtures.h"

#include <QTest>

class TestProbeFile : public QObject
{
    Q_OBJECT
private slots:
    void probeFilesAreToldFromElectrodeFiles_data();
    void probeFilesAreToldFromElectrodeFiles();
    void readsBackWhatWasWritten();
    void aShortFileChangesNothing();
};

namespace {
Workspace probe(int sensors)
{
    Workspace ws;
    ws.settings.DecimalPoint = QStringLiteral("Period");
    ws.ProbeName = QStringLiteral("Probe7");
    ws.ProbeType = 2;
    ws.ProbeFid = {Point3(0.1, 0.001, -0.002), Point3(0.003, 0.08, 0), Point3(0, -0.079, 0.004)};
    ws.sensors.resize(sensors);
    for (int s = 0; s < sensors; ++s) {
        ws.sensors.SensorType[s] = QStringLiteral("1");
        ws.sensors.SensorName[s] = QStringLiteral("MEG%1").arg(s + 1);
        for (int c = 0; c < 3; ++c)
            ws.sensors.ProbeCoil[s][c] = {0.01 * s, 0.02 + 0.001 * c, 0.09, 0.6, 0, 0.8};
    }
    return ws;
}

Workspace electrodes(int n)
{
    Workspace ws;
    ws.settings.DecimalPoint = QStringLiteral("Period");
    ws.sensors.NumSensors = n;
    ws.tevo.resize(n);
    ws.meas.resize(n);
    return ws;
}
} // namespace

void TestProbeFile::probeFilesAreToldFromElectrodeFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("probe");
    Workspace e = electrodes(3);
    // clang-format off
    QTest::newRow("probe, two sensors")  << probeFileText(probe(2)) << true;
    QTest::newRow("probe, no sensors")   << probeFileText(probe(0)) << false;
    QTest::newRow("electrodes")          << electrodeFileText(e)    << false;
    QTest::newRow("no electrodes")       << Fixtures::ElpWithoutElectrodes << false;
    QTest::newRow("not a Pointra file")  << QByteArray("hello\r\n") << false;
    QTest::newRow("empty")               << QByteArray()            << false;
    // clang-format on
}

void TestProbeFile::probeFilesAreToldFromElectrodeFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, probe);
    QCOMPARE(isProbeFileText(text), probe);
}

void TestProbeFile::readsBackWhatWasWritten()
{
    const Workspace written = probe(3);
    Workspace read;
    LineReader in(probeFileText(written));
    ReadProbeFile(in, read);
    QCOMPARE(read.sensors.NumSensors, 3);
    QCOMPARE(read.ProbeName.text().trimmed(), QStringLiteral("Probe7"));
    QCOMPARE(read.ProbeType, 2);
    for (int j = 0; j < 3; ++j)
        QVERIFY(Fixtures::near(read.ProbeFid[j], written.ProbeFid[j], 1e-4));
    for (int s = 0; s < 3; ++s) {
        QCOMPARE(read.sensors.SensorName[s].text().trimmed(), QStringLiteral("MEG%1").arg(s + 1));
        for (int k = 0; k < 18; ++k)
            QVERIFY(std::abs(read.sensors.ProbeCoil[s][k / 6][k % 6] -
                             written.sensors.ProbeCoil[s][k / 6][k % 6]) < 1e-4);
    }
}

void TestProbeFile::aShortFileChangesNothing()
{
    QByteArray text = probeFileText(probe(3));
    text.chop(text.size() - text.lastIndexOf("//Sensor type"));
    Workspace ws = electrodes(2);
    try {
        LineReader in(text);
        ReadProbeFile(in, ws);
        QFAIL("a file cut short was read");
    } catch (const FileError &e) {
        QCOMPARE(e.kind(), FileError::Kind::PastEnd);
    }
    QCOMPARE(ws.sensors.NumSensors, 2);
    QCOMPARE(ws.ProbeFid[0], Point3::Zero().eval());
}

QTEST_MAIN(TestProbeFile)
#include "tst_probe_file.moc"
