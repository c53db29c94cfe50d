#include "convert/besa_file.h"
#include "convert/curry_file.h"
#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/meg_files.h"
#include "data/sequence_file.h"
#include "data/shape_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "display/listings.h"
#include "fake_dialogs.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
Workspace settingsOnly(const QString &decimal = "Period", const QString &system = "TEVO")
{
    Workspace ws;
    ws.settings = {"FASTRAK", system, decimal, "0,0,1", 1, "OFF"};
    return ws;
}

Workspace electrodes()
{
    Workspace ws = settingsOnly();
    ws.tevo.Fid = {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)};
    ws.sensors.NumSensors = 2;
    ws.tevo.resize(2);
    ws.meas.resize(2);
    ws.tevo.Name = {Fixed8("Fp1"), Fixed8("Cz")};
    ws.tevo.Pos = {Point3(0.08, 0.03, 0.04), Point3(0, 0, 0.1)};
    ws.meas.Type = {"400", "1C00"};
    return ws;
}

// Everything a reader may change, as text, so "nothing changed" is one comparison.
QString snapshot(const Workspace &ws)
{
    QString all;
    for (const QString &view : TextViews::ViewNames)
        all += Listings::byViewName(ws, view);
    Workspace copy = ws;
    return all + QString::fromLatin1(electrodeFileText(copy)) +
           QString::fromLatin1(shapeFileText(ws)) + QString::fromLatin1(calibrationFileText(ws)) +
           QString::fromLatin1(fiducialsFileText(copy)) +
           QString::fromLatin1(sequenceFileText(ws)) + QString::fromLatin1(curryFileText(ws)) +
           ws.settings.CoordinateSystem + QString::number(ws.MinorRevision) + ws.ProbeName.text();
}

enum Reader { Electrode, Shape, Calibration, Dewar, Fiducials, Sequence, Besa, Curry };

void read(Reader kind, const QByteArray &bytes, Workspace &ws, Dialogs &d)
{
    LineReader in(bytes);
    switch (kind) {
    case Electrode:
        ReadElectrodeFile(in, ws, d);
        break;
    case Shape:
        ReadShapeFile(in, ws);
        break;
    case Calibration:
        ReadCalibrationFile(in, ws);
        break;
    case Dewar:
        ReadDewarFile(in, ws);
        break;
    case Fiducials:
        ReadFiducialsFile(in, ws, nullptr);
        break;
    case Sequence:
        ReadSequenceFile(in, ws, d);
        break;
    case Besa:
        ReadBesaFile(in, ws);
        break;
    case Curry:
        ReadCurryFile(bytes, ws, d);
        break;
    }
}

const QByteArray ElectrodeText =
    "3\t2\r\n//Probe file\r\n//Minor revision number\r\n1\r\n//ProbeName\r\n%N\tName    \r\n"
    "//Probe type, number of sensors\r\n0\t2\r\n"
    "//Position of fiducials X+, Y+, Y- on the subject\r\n"
    "%F\t0.1000\t0.0000\t0.0000\r\n%F\t0.0000\t0.0700\t0.0000\r\n%F\t0.0000\t-0.0700\t0.0000\r\n"
    "//Sensor type\r\n%S\t400\r\n//Sensor name and data for sensor # 1\r\n%N\tFp1     \r\n"
    "0.0800\t0.0300\t0.0400\r\n"
    "//Sensor type\r\n%S\t1C00\r\n//Sensor name and data for sensor # 2\r\n%N\tCz      \r\n"
    "0.0000\t0.0000\t0.1000\r\n";
} // namespace

Q_DECLARE_METATYPE(Reader)

class TestFiles : public QObject
{
    Q_OBJECT
private slots:
    void electrodeFileExactBytes();
    void electrodeRoundTrip();
    void electrodeWithoutProbeNameAndLongNames();
    void curryCommaPadding();
    void probeFileLayout();
    void shapeRoundTripAndEmpty();
    void calibrationRoundTrip();
    void fiducialsRoundTrip();
    void sequenceReadingReports();
    void sequenceRoundTrip();
    void besaWriteAndRead();
    void curryNewFormReadsBack();
    void curryOldForm();
    void badInput_data();
    void badInput();
    void writerFailuresKeepOldFile();
};

void TestFiles::electrodeFileExactBytes()
{
    Workspace ws = electrodes();
    ws.ProbeName = "Other";
    QCOMPARE(electrodeFileText(ws), ElectrodeText);
    QCOMPARE(ws.ProbeName.text(), QStringLiteral("Name    "));
    ws.meas.Type[1] = QString(); // a BESA label that names no known fiducial
    QVERIFY(electrodeFileText(ws).contains("%S\t8\r\n//Sensor name and data for sensor # 2\r\n"));
}

void TestFiles::electrodeRoundTrip()
{
    QTemporaryDir dir;
    Workspace ws = electrodes();
    ws.ElectrodesDirty = 1;
    WriteElectrodeFile(dir.filePath("e.elp"), ws);
    QCOMPARE(ws.ElectrodesDirty, 0);
    Workspace back = settingsOnly();
    FakeDialogs d;
    QFile f(dir.filePath("e.elp"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    LineReader in(f.readAll());
    ReadElectrodeFile(in, back, d);
    QCOMPARE(d.texts(), QStringList{" 2 electrodes"});
    QCOMPARE(back.sensors.NumSensors, 2);
    QCOMPARE(back.MinorRevision, 1);
    QCOMPARE(back.meas.Type, (QStringList{"400", "1C00"}));
    QCOMPARE(back.meas.Name[1].text(), QStringLiteral("Cz      "));
    QVERIFY((back.meas.Pos[0] - Point3(0.08, 0.03, 0.04)).norm() < 1e-12);
    QVERIFY((back.tevo.Fid[2] - Point3(0, -0.07, 0)).norm() < 1e-12);
}

void TestFiles::electrodeWithoutProbeNameAndLongNames()
{
    QByteArray text = ElectrodeText;
    text.replace("%N\tName    \r\n", "");
    text.replace("%N\tFp1     ", "%N\tVeryLongName");
    Workspace ws = settingsOnly();
    ws.ProbeName = "probe7";
    FakeDialogs d;
    read(Electrode, text, ws, d);
    QCOMPARE(ws.ProbeName.text(), QStringLiteral("Name    "));
    QCOMPARE(ws.meas.Name[0].text(), QStringLiteral("VeryLong"));
}

void TestFiles::curryCommaPadding()
{
    Workspace ws = electrodes();
    ws.settings.DecimalPoint = "Comma";
    ws.settings.CoordinateSystem = "Curry";
    const QByteArray text = electrodeFileText(ws);
    QVERIFY(text.contains("%F\t   0,1000\t   0,0000\t   0,0000\r\n"));
    QVERIFY(text.contains("\r\n   0,0800\t   0,0300\t   0,0400\r\n"));
}

void TestFiles::probeFileLayout()
{
    Workspace ws = settingsOnly();
    ws.MinorRevision = 3;
    ws.ProbeName = "Neuro";
    ws.ProbeType = 7;
    ws.sensors.resize(1);
    ws.sensors.SensorType[0] = "1";
    ws.sensors.SensorName[0] = "MEG0113";
    ws.sensors.ProbeCoil[0][0] = {0.01, 0.02, 0.03, 0, 0, 1};
    ws.sensors.CoilPar1[0] = {0.0003, 0.5};
    ws.sensors.CoilCode1[0] = 2;
    ws.sensors.CoilCode23[0] = {4, 5};
    const QList<QByteArray> lines = probeFileText(ws).split('\n');
    QCOMPARE(lines.value(3), QByteArray("3\r"));
    QCOMPARE(lines.value(5), QByteArray("%N\tNeuro   \r"));
    QCOMPARE(lines.value(7), QByteArray("7\t1\r"));
    QCOMPARE(lines.value(13), QByteArray("%S\t1\r"));
    QCOMPARE(lines.value(14), QByteArray("//Sensor name and data for sensor # 1\r"));
    QCOMPARE(lines.value(16), QByteArray("0.0100\t0.0200\t0.0300\t0.0000\t0.0000\t1.0000\r"));
    QCOMPARE(lines.value(17), QByteArray("0.0003\t0.5000\t2\r"));
    QCOMPARE(lines.value(21), QByteArray("0.0000\t0.0000\t5\r"));
    ws.sensors.SensorType[0] = "planar";
    QVERIFY(probeFileText(ws).contains("%S\t0\r\n"));
}

void TestFiles::shapeRoundTripAndEmpty()
{
    Workspace ws = settingsOnly();
    QVERIFY(shapeFileText(ws).endsWith(
        "//No of rows, no of columns; position of digitized points\r\n0\t3\r\n"));
    QVERIFY(shapeFileText(ws).contains("%N\tName    \r\n"));
    ws.ShapeName = "Subj";
    ws.NumShapePoints = 2;
    ws.ShapePos = {Point3(0.01, 0.02, 0.03), Point3(-0.05, 0.06, 0.07)};
    ws.ShapeFid[0] = Point3(0.1, 0, 0);
    QByteArray text = shapeFileText(ws);
    text.replace("\r\n2\t3\r\n", "\r\n0\t0\r\n"); // the rows line is ignored
    Workspace back = settingsOnly();
    FakeDialogs d;
    read(Shape, text, back, d);
    QCOMPARE(back.MinorRevision, 2);
    QCOMPARE(back.NumShapePoints, 2);
    QCOMPARE(back.ShapeName.text(), QStringLiteral("Subj    "));
    QVERIFY((back.ShapePos[1] - Point3(-0.05, 0.06, 0.07)).norm() < 1e-12);
    QVERIFY((back.ShapeFid[0] - Point3(0.1, 0, 0)).norm() < 1e-12);
}

void TestFiles::calibrationRoundTrip()
{
    Workspace ws = settingsOnly();
    ws.ProbeName = "dewar1";
    ws.sensors.resize(2);
    ws.sensors.SensorName[1] = "S2";
    ws.sensors.SensorType[1] = "3";
    ws.sensors.SensorCoil[1][2] = {0.1, 0.2, 0.3, 0.6, 0, 0.8};
    ws.sensors.CoilPar23[1][1] = {1.5, 2.5};
    ws.sensors.CoilCode23[1][1] = 9;
    ws.m.MCalib << 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0, 1;
    const QByteArray text = calibrationFileText(ws);
    QVERIFY(text.contains("//Calibration matrix\r\n%F\t1.0000\t2.0000\t3.0000\t4.0000\r\n"));
    Workspace back = settingsOnly();
    FakeDialogs d;
    read(Calibration, text, back, d);
    QCOMPARE(back.m.MCalib, ws.m.MCalib);
    QCOMPARE(back.sensors.NumSensors, 2);
    QCOMPARE(back.sensors.SensorName[1].text(), QStringLiteral("S2      "));
    QCOMPARE(back.sensors.SensorCoil[1][2], ws.sensors.SensorCoil[1][2]);
    QCOMPARE(back.sensors.CoilCode23[1][1], 9);
    QCOMPARE(back.sensors.CoilPar23[1][1][0], 1.5);
    ws.sensors.NumSensors = 0;
    QVERIFY(calibrationFileText(ws).endsWith("%F\t0.0000\t0.0000\t0.0000\t1.0000\r\n"));
    // A dewar file: the same sensor block, fiducials instead of the matrix.
    QByteArray dewar = text;
    const int at = dewar.indexOf("//Calibration matrix");
    const int end = dewar.indexOf("//Sensor type");
    dewar.replace(at, end - at,
                  "//Dewar fiducials\r\n%F\t0.1\t0\t0\r\n%F\t0\t0.1\t0\r\n%F\t0\t-0.1\t0\r\n");
    read(Dewar, dewar, back, d);
    QVERIFY((back.DewarFid[2] - Point3(0, -0.1, 0)).norm() < 1e-15);
}

void TestFiles::fiducialsRoundTrip()
{
    Workspace ws = settingsOnly();
    ws.ReceiverCount = 2;
    ws.TransmitterLocation = 5;
    ws.ReceiverFid = {{Point3(1, 2, 3), Point3(4, 5, 6), Point3(7, 8, 9)},
                      {Point3(-1, -2, -3), Point3(-4, -5, -6), Point3(-7, -8, -9)}};
    ws.m.MFida = Transform4::Identity();
    ws.m.MFidb = Transform4::Identity() * 2;
    const QByteArray text = fiducialsFileText(ws);
    QCOMPARE(ws.SessionName.text(), QStringLiteral("Test    "));
    QVERIFY(
        text.contains("//Transmitter location, number of receivers\r\n5\t2\r\n"
                      "//Position of subject fiducials X+, Y+, Y- in the receiver #1 frame\r\n"));
    QVERIFY(text.contains("in the receiver #2 frame\r\n%F\t-1.0000\t-2.0000\t-3.0000\r\n"));
    Workspace back = settingsOnly();
    back.TransmitterLocation = 2;
    FakeDialogs d;
    read(Fiducials, text, back, d);
    QCOMPARE(back.TransmitterLocation, 2);
    QCOMPARE(back.ReceiverCount, 2);
    QCOMPARE(back.ReceiverFid[1][2], Point3(-7, -8, -9));
    QCOMPARE(back.m.MFidb, ws.m.MFidb);
}

void TestFiles::sequenceReadingReports()
{
    Workspace ws = settingsOnly();
    FakeDialogs d;
    read(Sequence,
         "3\t2\r\n//comment\r\n1\r\nNasion\t1\r\nEightChr\t1c00\r\nNineChars\t400\r\nCz\t401\r\n",
         ws, d);
    QCOMPARE(ws.NumSeq, 4);
    QCOMPARE(ws.SeqName, (QStringList{"Nasion", "EightChr", "NineChar", "Cz"}));
    QCOMPARE(ws.SeqCode.value(3), QStringLiteral("401"));
    QCOMPARE(d.texts(),
             (QStringList{
                 "NineChars\rName is more than 8 characters long.\rWill truncate to 8 characters.",
                 "Cz has code 401  which is not supported"}));
    QCOMPARE(ws.SeqRaw.size(), 4);
}

void TestFiles::sequenceRoundTrip()
{
    QTemporaryDir dir;
    Workspace ws = settingsOnly();
    QCOMPARE(sequenceFileText(ws), QByteArray("3\t2\r\n1\r\n"));
    ws.NumSeq = 2;
    ws.SeqName = {"Nz", "Cz"};
    ws.SeqCode = {"1", "400"};
    WriteSequenceFile(dir.filePath("s.seq"), ws);
    QCOMPARE(ws.SequenceFile, dir.filePath("s.seq"));
    Workspace back = settingsOnly();
    FakeDialogs d;
    QFile f(dir.filePath("s.seq"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    read(Sequence, f.readAll(), back, d);
    QCOMPARE(back.SeqName, ws.SeqName);
    QCOMPARE(back.SeqCode, ws.SeqCode);
    QCOMPARE(back.MinorRevision, 1);
}

void TestFiles::besaWriteAndRead()
{
    QTemporaryDir dir;
    Workspace ws = settingsOnly("Period", "BESA");
    ws.sensors.NumSensors = 2;
    ws.besa.resize(2);
    ws.besa.FidName = {"LPA", "NZ", "RPA"};
    ws.besa.Fid = {Point3(-0.07, 0, 0), Point3(0, 0.1, 0), Point3(0.07, 0, 0)};
    ws.besa.Name = {"Fp1     ", "SfHead  "};
    ws.besa.Pos = {Point3(0.01, 0.02, 0.03), Point3(0, 0, 0.1)};
    WriteBesaFiles(dir.filePath("b.sfp"), ws);
    QFile sfp(dir.filePath("b.sfp")), ela(dir.filePath("b.ela"));
    QVERIFY(sfp.open(QIODevice::ReadOnly) && ela.open(QIODevice::ReadOnly));
    const QByteArray text = sfp.readAll();
    QVERIFY(text.startsWith(
        "LPA       -0.0700  0.0000  0.0000\r\nNZ        0.0000  0.1000  0.0000\r\n"));
    QVERIFY(text.contains("\r\nFp1       0.0100  0.0200  0.0300\r\n"));
    QCOMPARE(ela.readAll(), QByteArray("EEG\tFp1     \r\nEEG\tSfHead  \r\n"));
    Workspace back = settingsOnly("Period", "BESA");
    FakeDialogs d;
    read(Besa, text, back, d);
    QCOMPARE(back.sensors.NumSensors, 2);
    QCOMPARE(back.besa.Type, (QStringList{"400", "8"}));
    QCOMPARE(back.besa.FidName[1], QStringLiteral("NZ"));
    QCOMPARE(back.meas.Name[1].text(), QStringLiteral("SfHead  "));
    QVERIFY((back.meas.Pos[0] - Point3(0.01, 0.02, 0.03)).norm() < 1e-12);
    QCOMPARE(besaTypeOfLabel("FidNz"), QStringLiteral("1"));
    QCOMPARE(besaTypeOfLabel("FidT10"), QStringLiteral("4"));
    QCOMPARE(besaTypeOfLabel("FidXY"), QString());
    QCOMPARE(besaTypeOfLabel("sFoo"), QStringLiteral("8"));
}

void TestFiles::curryNewFormReadsBack()
{
    Workspace ws = settingsOnly("Period", "Curry");
    ws.sensors.NumSensors = 1;
    ws.curry.resize(1);
    ws.curry.Name = {"Fp1     "};
    ws.curry.Pos = {Point3(-10, -20, 30)};
    ws.curry.Fid = {Point3(-70, 0, 0), Point3(70, 0, 0), Point3(0, -100, 0)};
    const QByteArray text = curryFileText(ws);
    QCOMPARE(text, QByteArray(" 0    -10.00    -20.00     30.00 0.0 Fp1\n"
                              "-1     70.00      0.00      0.00 0.0 PAL\n"
                              "-2    -70.00      0.00      0.00 0.0 PAR\n"
                              "-3      0.00   -100.00      0.00 0.0 NAS\n"));
    QVERIFY(isCurryNewForm(text));
    Workspace back = settingsOnly("Period", "Curry");
    FakeDialogs d;
    read(Curry, text, back, d);
    QCOMPARE(back.curry.Fid[0], Point3(-70, 0, 0));
    QCOMPARE(back.curry.Fid[2], Point3(0, -100, 0));
    QCOMPARE(back.curry.FidName[1], QStringLiteral("PAL"));
    QCOMPARE(back.meas.Name[0].trimmed(), QStringLiteral("Fp1"));
    QCOMPARE(back.meas.Type.value(0), QStringLiteral("400"));
}

void TestFiles::curryOldForm()
{
    //              1 2        12       21           34
    const QByteArray text = "-1   100.00   100.00     0.00    Nasion\r\n"
                            "-2   -70.00    70.00     0.00    LPA\r\n"
                            "-3    70.00   -70.00     0.00    RPA\r\n"
                            "\r\n"
                            " 0    10.00    20.00    30.00    Cz\r\n"
                            "          \r\n"
                            " 0   -10.00";
    Workspace ws = settingsOnly("Period", "Curry");
    FakeDialogs d;
    read(Curry, text, ws, d);
    QCOMPARE(ws.curry.Fid[0], Point3(100, 100, 0));
    QCOMPARE(ws.curry.FidName[2], QStringLiteral("RPA"));
    QCOMPARE(ws.CurryFidType[1], QStringLiteral("-2"));
    QCOMPARE(ws.sensors.NumSensors, 2);
    QCOMPARE(ws.curry.Pos[0], Point3(10, 20, 30));
    QCOMPARE(ws.curry.Name[0], QStringLiteral("Cz"));
    QCOMPARE(ws.curry.Pos[1], Point3(-10, 0, 0));
    QCOMPARE(d.shown.size(), 2);
    QVERIFY(d.texts()[0].endsWith("Check input file with a text editor,\routput may have errors."));
    QCOMPARE(d.texts()[1], QStringLiteral(" 2 electrodes"));
}

void TestFiles::badInput_data()
{
    QTest::addColumn<Reader>("reader");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind"); // FileError::Kind, or -1 when the read succeeds

    const int wrong = int(FileError::Kind::WrongType), past = int(FileError::Kind::PastEnd),
              invalid = int(FileError::Kind::InvalidArgument),
              malformed = int(FileError::Kind::Malformed);
    const QByteArray truncated = ElectrodeText.left(ElectrodeText.size() - 40);
    QTest::newRow("electrode empty") << Electrode << QByteArray() << wrong;
    QTest::newRow("electrode wrong type line") << Electrode << QByteArray("3\t3\r\n1\r\n") << wrong;
    QTest::newRow("electrode truncated") << Electrode << truncated << past;
    QTest::newRow("electrode count too large")
        << Electrode << QByteArray(ElectrodeText).replace("0\t2\r\n", "0\t30000\r\n") << past;
    QTest::newRow("electrode negative count")
        << Electrode << QByteArray(ElectrodeText).replace("0\t2\r\n", "0\t-4\r\n") << malformed;
    QTest::newRow("electrode fiducial not %F")
        << Electrode << QByteArray(ElectrodeText).replace("%F\t0.0000\t0.0700", "0.0000\t0.0700")
        << invalid;
    QTest::newRow("electrode lf only")
        << Electrode << QByteArray(ElectrodeText).replace("\r\n", "\n") << -1;
    QTest::newRow("electrode cr only")
        << Electrode << QByteArray(ElectrodeText).replace("\r\n", "\r") << -1;
    QTest::newRow("electrode 100000-character name")
        << Electrode << QByteArray(ElectrodeText).replace("Fp1     ", QByteArray(100000, 'x'))
        << -1;
    QTest::newRow("electrode NUL and high bytes")
        << Electrode << QByteArray(ElectrodeText).replace("Cz      ", QByteArray("C\0\xff\xfe", 4))
        << -1;
    QTest::newRow("shape empty") << Shape << QByteArray() << wrong;
    QTest::newRow("shape fewer points than announced")
        << Shape
        << QByteArray("3\t200\r\n2\r\n%N\tS\r\n0\t3\r\n%F\t0\t0\t0\r\n%F\t0\t0\t0\r\n%"
                      "F\t0\t0\t0\r\n3\t3\r\n1\t2\t3\r\n")
        << past;
    QTest::newRow("shape binary") << Shape << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10) << wrong;
    QTest::newRow("calibration no matrix")
        << Calibration << QByteArray("3\t2\r\n1\r\n%N\tP\r\n0\t0\r\n1\t0\t0\t0\r\n") << invalid;
    QTest::newRow("calibration sensors missing")
        << Calibration
        << QByteArray("3\t2\r\n1\r\n%N\tP\r\n0\t1\r\n%F\t1\t0\t0\t0\r\n%F\t0\t1\t0\t0\r\n%"
                      "F\t0\t0\t1\t0\r\n%F\t0\t0\t0\t1\r\n")
        << past;
    QTest::newRow("dewar wrong type") << Dewar << QByteArray("2\t3\r\n") << wrong;
    QTest::newRow("fiducials negative receivers")
        << Fiducials << QByteArray("3\t2\r\n1\r\n%N\tT\r\n2\t-1\r\n") << malformed;
    QTest::newRow("fiducials cut in a matrix")
        << Fiducials << QByteArray("3\t2\r\n1\r\n%N\tT\r\n2\t0\r\n%F\t1\t0\t0\t0\r\n") << past;
    QTest::newRow("sequence missing tab")
        << Sequence << QByteArray("3\t2\r\n1\r\nNasion 1\r\n") << invalid;
    QTest::newRow("sequence ends with empty line")
        << Sequence << QByteArray("3\t2\r\n1\r\nNasion\t1\r\n\r\n") << invalid;
    QTest::newRow("sequence only type line") << Sequence << QByteArray("3\t2\r\n") << past;
    QTest::newRow("besa empty") << Besa << QByteArray() << wrong;
    QTest::newRow("besa two lines")
        << Besa << QByteArray("FidNz 0 1 0\r\nFidT9 -1 0 0\r\n") << past;
    QTest::newRow("besa short fields read 0")
        << Besa << QByteArray("FidNz 0 1\r\nFidT9\r\nFidT10 1 0 0\r\nCz\r\n") << -1;
    QTest::newRow("curry empty") << Curry << QByteArray() << wrong;
    QTest::newRow("curry one line")
        << Curry << QByteArray("-1   100.00   100.00     0.00    Nasion\r\n") << past;
}

void TestFiles::badInput()
{
    QFETCH(Reader, reader);
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    Workspace ws = electrodes();
    ws.NumSeq = 1;
    ws.SeqName = {"Old"};
    ws.SeqCode = {"400"};
    ws.ShapeName = "Before";
    const QString before = snapshot(ws);
    FakeDialogs d;
    try {
        read(reader, bytes, ws, d);
        QVERIFY2(kind == -1, "a bad file was accepted");
    } catch (const FileError &e) {
        QCOMPARE(int(e.kind()), kind);
        QVERIFY(!e.message().isEmpty());
        QCOMPARE(snapshot(ws), before);
    }
}

void TestFiles::writerFailuresKeepOldFile()
{
    QTemporaryDir dir;
    Workspace ws = electrodes();
    ws.ElectrodesDirty = 1;
    QVERIFY_THROWS_EXCEPTION(FileError, WriteElectrodeFile(dir.path(), ws)); // a folder
    QCOMPARE(ws.ElectrodesDirty, 1);
    QVERIFY_THROWS_EXCEPTION(FileError, WriteElectrodeFile(dir.filePath("missing/e.elp"), ws));
    // A read-only target: the old file stays whole.
    QFile old(dir.filePath("e.elp"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QVERIFY(QFile::setPermissions(old.fileName(), QFile::ReadOwner));
    try {
        WriteElectrodeFile(old.fileName(), ws);
        QFAIL("a read-only file was replaced");
    } catch (const FileError &e) {
        QVERIFY(e.message().contains("read-only"));
    }
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
    QCOMPARE(ws.ElectrodesDirty, 1);
}

QTEST_APPLESS_MAIN(TestFiles)
#include "tst_files.moc"
