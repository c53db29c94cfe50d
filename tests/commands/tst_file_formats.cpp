#include "commands/file_format.h"
#include "convert/besa_file.h"
#include "convert/curry_file.h"
#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/meg_files.h"
#include "data/sequence_file.h"
#include "data/shape_file.h"
#include "data/workspace.h"
#include "display/listings.h"
#include "fakes.h"
#include "fixtures.h"

#include <QTest>

using Fixtures::Home;
using Fixtures::near;
Q_DECLARE_METATYPE(FileKind)

namespace {
// Something in every data set a file carries, with names that fit eight characters.
Workspace sample(const QString &system = "TEVO", const QString &decimal = "Period")
{
    Workspace ws;
    ws.settings = {DigitizerModel::Fastrak, system, decimal, "0,0,1", 1, "OFF"};
    ws.MinorRevision = 3;
    ws.ProbeName = "dewar1";
    ws.sensors.resize(2);
    ws.sensors.SensorName = {Fixed8("MEG0113"), Fixed8("S2")};
    ws.sensors.SensorType = {"1", "3"};
    ws.sensors.SensorCoil[1] = {{{0.01, 0.02, 0.03, 0, 0, 1}, {}, {0.1, 0.2, 0.3, 0.6, 0, 0.8}}};
    ws.sensors.CoilPar1[0] = {0.0003, 0.5};
    ws.sensors.CoilCode1[0] = 2;
    ws.sensors.CoilPar23[1][1] = {1.5, 2.5};
    ws.sensors.CoilCode23[1] = {4, 9};
    ws.m.MCalib << 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0, 1;
    ws.ReceiverCount = 2;
    ws.ReceiverFid = {{Point3(1, 2, 3), Point3(4, 5, 6), Point3(7, 8, 9)},
                      {Point3(-1, -2, -3), Point3(-4, -5, -6), Point3(-7, -8, -9)}};
    ws.m.MFida = Transform4::Identity();
    ws.m.MFidb = Transform4::Identity() * 2;
    ws.tevo.Fid = {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)};
    ws.tevo.resize(2);
    ws.tevo.Name = {Fixed8("Fp1"), Fixed8("Cz")};
    ws.tevo.Pos = {Point3(0.08, 0.03, 0.04), Point3(0, 0, 0.1)};
    ws.meas.resize(2);
    ws.meas.Type = {"400", "1C00"};
    ws.besa.FidName = {"LPA", "NZ", "RPA"};
    ws.besa.Fid = {Point3(-0.07, 0, 0), Point3(0, 0.1, 0), Point3(0.07, 0, 0)};
    ws.besa.resize(2);
    ws.besa.Name = {"Fp1", "SfHead"};
    ws.besa.Pos = {Point3(0.01, 0.02, 0.03), Point3(0, 0, 0.1)};
    ws.curry.resize(2);
    ws.curry.Name = {"Fp1", "Cz"};
    ws.curry.Pos = {Point3(-10, -20, 30), Point3(0, 0.5, 100)};
    ws.curry.Fid = {Point3(-70, 0, 0), Point3(70, 0, 0), Point3(0, -100, 0)};
    ws.ShapeName = "Subj";
    ws.NumShapePoints = 2;
    ws.ShapePos = {Point3(0.01, 0.02, 0.03), Point3(-0.05, 0.06, 0.07)};
    ws.ShapeFid[0] = Point3(0.1, 0, 0);
    ws.NumSeq = 2;
    ws.SeqName = {"Nz", "Cz"};
    ws.SeqCode = {"1", "400"};
    return ws;
}

// Everything a reader may change, as text, so "nothing changed" is one comparison.
QString snapshot(const Workspace &ws)
{
    QString all;
    for (const QString &view : Listings::ViewNames)
        all += Listings::byViewName(ws, view);
    Workspace copy = ws;
    return all +
           QString::fromLatin1(electrodeFileText(copy) + shapeFileText(ws) +
                               calibrationFileText(ws) + fiducialsFileText(copy) +
                               sequenceFileText(ws) + curryFileText(ws)) +
           ws.settings.CoordinateSystem + QString::number(ws.MinorRevision) + ws.ProbeName.text();
}

void read(FileKind kind, const QByteArray &bytes, Workspace &ws, Dialogs &d)
{
    formatOf(kind).read(bytes, ws, d);
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

class TestFileFormats : public QObject
{
    Q_OBJECT
private slots:
    void exactText();
    void readerDetails();
    void badInput_data();
    void badInput();
};

void TestFileFormats::exactText()
{
    Workspace ws = sample();
    QCOMPARE(electrodeFileText(ws), ElectrodeText);
    ws.meas.Type[1] = QString(); // a BESA label that names no known fiducial
    QVERIFY(electrodeFileText(ws).contains("%S\t8\r\n//Sensor name and data for sensor # 2\r\n"));
    ws.settings.CoordinateSystem = "Curry";
    QCOMPARE(curryFileText(ws), QByteArray(" 0    -10.00    -20.00     30.00 0.0 Fp1\n"
                                           " 0      0.00      0.50    100.00 0.0 Cz\n"
                                           "-1     70.00      0.00      0.00 0.0 PAL\n"
                                           "-2    -70.00      0.00      0.00 0.0 PAR\n"
                                           "-3      0.00   -100.00      0.00 0.0 NAS\n"));
    QVERIFY(calibrationFileText(ws).contains(
        "//Calibration matrix\r\n%F\t1.0000\t2.0000\t3.0000\t4.0000\r\n"));
    const QByteArray fid = fiducialsFileText(ws);
    QVERIFY(
        fid.contains("//Transmitter location, number of receivers\r\n2\t2\r\n"
                     "//Position of subject fiducials X+, Y+, Y- in the receiver #1 frame\r\n"));
    QVERIFY(fid.contains("in the receiver #2 frame\r\n%F\t-1.0000\t-2.0000\t-3.0000\r\n"));
    QCOMPARE(sequenceFileText(ws), QByteArray("3\t2\r\n1\r\nNz\t1\r\nCz\t400\r\n"));
    QVERIFY(curryFileText(sample("Curry", "Comma"))
                .startsWith(" 0    -10,00    -20,00     30,00 0.0 Fp1\n"));
}

void TestFileFormats::readerDetails()
{
    FakeDialogs d;
    Workspace ws = sample();
    // Electrode: no probe name line, a name past eight characters.
    read(FileKind::Electrode,
         QByteArray(ElectrodeText)
             .replace("%N\tName    \r\n", "")
             .replace("%N\tFp1     ", "%N\tVeryLongName"),
         ws, d);
    QCOMPARE(ws.ProbeName.text(), "Name    ");
    QCOMPARE(ws.meas.Name[0].text(), "VeryLong");
    QVERIFY(near(ws.meas.Pos[0], Point3(0.08, 0.03, 0.04)));
    // Fiducials: the transmitter location is not read.
    Workspace moved = sample();
    moved.TransmitterLocation = 5;
    read(FileKind::Fiducials, fiducialsFileText(moved), ws, d);
    QCOMPARE(ws.TransmitterLocation, 2);
    QCOMPARE(ws.ReceiverFid[1][2], Point3(-7, -8, -9));
    // Shape: the rows line is ignored.
    read(FileKind::Shape, shapeFileText(sample()).replace("\r\n2\t3\r\n", "\r\n0\t0\r\n"), ws, d);
    QCOMPARE(ws.NumShapePoints, 2);
    QVERIFY(near(ws.ShapePos[1], Point3(-0.05, 0.06, 0.07)));
    // Sequence: long names cut, unsupported codes told, both kept.
    d.clear();
    read(FileKind::Sequence,
         "3\t2\r\n//comment\r\n1\r\nNasion\t1\r\nEightChr\t1c00\r\nNineChars\t400\r\nCz\t401\r\n",
         ws, d);
    QCOMPARE(ws.SeqName, (QStringList{"Nasion", "EightChr", "NineChar", "Cz"}));
    QCOMPARE(ws.SeqCode.value(3), "401");
    QCOMPARE(d.texts(),
             (QStringList{
                 "NineChars\rName is more than 8 characters long.\rWill truncate to 8 characters.",
                 "Cz has code 401  which is not supported"}));
    // BESA: types from the labels, the set copied into the measured set.
    read(FileKind::Besa, besaFileText(sample()), ws, d);
    QCOMPARE(ws.besa.Type, (QStringList{"400", "8"}));
    QCOMPARE(ws.meas.Name[1].text(), "SfHead  ");
    // Curry: the set copied into the measured set as electrodes.
    read(FileKind::Curry, curryFileText(sample()), ws, d);
    QCOMPARE(ws.curry.FidName[1], "PAL");
    QCOMPARE(ws.meas.Type, (QStringList{"400", "400"}));
    QVERIFY(near(ws.meas.Pos[1], Point3(0, 0.5, 100)));
    // Curry, old fixed columns: blank lines skipped, a short last line read with a warning.
    const QByteArray text = "-1   100.00   100.00     0.00    Nasion\r\n"
                            "-2   -70.00    70.00     0.00    LPA\r\n"
                            "-3    70.00   -70.00     0.00    RPA\r\n"
                            "\r\n"
                            " 0    10.00    20.00    30.00    Cz\r\n"
                            "          \r\n"
                            " 0   -10.00";
    QVERIFY(!isCurryNewForm(text));
    ws = sample("Curry");
    d.clear();
    read(FileKind::Curry, text, ws, d);
    QCOMPARE(ws.curry.Fid[0], Point3(100, 100, 0));
    QCOMPARE(ws.curry.FidName[2], "RPA");
    QCOMPARE(ws.CurryFidType[1], "-2");
    QCOMPARE(ws.curry.Name[0], "Cz");
    QCOMPARE(ws.curry.Pos, (std::vector<Point3>{Point3(10, 20, 30), Point3(-10, 0, 0)}));
    QCOMPARE(d.shown.size(), 2);
    QVERIFY(d.texts()[0].endsWith("Check input file with a text editor,\routput may have errors."));
    QCOMPARE(d.texts()[1], " 2 electrodes");
}

void TestFileFormats::badInput_data()
{
    QTest::addColumn<FileKind>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("error"); // FileError::Kind, or -1 when the read succeeds
    const int wrong = int(FileError::Kind::WrongType), past = int(FileError::Kind::PastEnd),
              invalid = int(FileError::Kind::InvalidArgument),
              malformed = int(FileError::Kind::Malformed);
    const QByteArray truncated = ElectrodeText.left(ElectrodeText.size() - 40);
    const auto elp = [](const char *from, const QByteArray &to) {
        return QByteArray(ElectrodeText).replace(from, to);
    };
    using K = FileKind;
    // clang-format off
    QTest::newRow("electrode empty") << K::Electrode << QByteArray() << wrong;
    QTest::newRow("electrode wrong type line") << K::Electrode << QByteArray("3\t3\r\n1\r\n") << wrong;
    QTest::newRow("electrode truncated") << K::Electrode << truncated << past;
    QTest::newRow("electrode count too large") << K::Electrode << elp("0\t2\r\n", "0\t30000\r\n") << past;
    QTest::newRow("electrode negative count") << K::Electrode << elp("0\t2\r\n", "0\t-4\r\n") << malformed;
    QTest::newRow("electrode fiducial not %F") << K::Electrode << elp("%F\t0.0000\t0.0700", "0.0000\t0.0700") << invalid;
    QTest::newRow("electrode lf only") << K::Electrode << elp("\r\n", "\n") << -1;
    QTest::newRow("electrode cr only") << K::Electrode << elp("\r\n", "\r") << -1;
    QTest::newRow("electrode 100000-character name") << K::Electrode << elp("Fp1     ", QByteArray(100000, 'x')) << -1;
    QTest::newRow("electrode NUL and high bytes") << K::Electrode << elp("Cz      ", QByteArray("C\0\xff\xfe", 4)) << -1;
    QTest::newRow("shape empty") << K::Shape << QByteArray() << wrong;
    QTest::newRow("shape fewer points than announced") << K::Shape << QByteArray("3\t200\r\n2\r\n%N\tS\r\n0\t3\r\n%F\t0\t0\t0\r\n%F\t0\t0\t0\r\n%F\t0\t0\t0\r\n3\t3\r\n1\t2\t3\r\n") << past;
    QTest::newRow("shape binary") << K::Shape << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10) << wrong;
    QTest::newRow("calibration no matrix") << K::Calibration << QByteArray("3\t2\r\n1\r\n%N\tP\r\n0\t0\r\n1\t0\t0\t0\r\n") << invalid;
    QTest::newRow("calibration sensors missing") << K::Calibration << QByteArray("3\t2\r\n1\r\n%N\tP\r\n0\t1\r\n%F\t1\t0\t0\t0\r\n%F\t0\t1\t0\t0\r\n%F\t0\t0\t1\t0\r\n%F\t0\t0\t0\t1\r\n") << past;
    QTest::newRow("dewar wrong type") << K::Dewar << QByteArray("2\t3\r\n") << wrong;
    QTest::newRow("fiducials negative receivers") << K::Fiducials << QByteArray("3\t2\r\n1\r\n%N\tT\r\n2\t-1\r\n") << malformed;
    QTest::newRow("fiducials cut in a matrix") << K::Fiducials << QByteArray("3\t2\r\n1\r\n%N\tT\r\n2\t0\r\n%F\t1\t0\t0\t0\r\n") << past;
    QTest::newRow("sequence missing tab") << K::Sequence << QByteArray("3\t2\r\n1\r\nNasion 1\r\n") << invalid;
    QTest::newRow("sequence ends with empty line") << K::Sequence << QByteArray("3\t2\r\n1\r\nNasion\t1\r\n\r\n") << invalid;
    QTest::newRow("sequence only type line") << K::Sequence << QByteArray("3\t2\r\n") << past;
    QTest::newRow("besa empty") << K::Besa << QByteArray() << wrong;
    QTest::newRow("besa two lines") << K::Besa << QByteArray("FidNz 0 1 0\r\nFidT9 -1 0 0\r\n") << wrong;
    QTest::newRow("besa short fields are malformed") << K::Besa << QByteArray("FidNz 0 1\r\nFidT9\r\nFidT10 1 0 0\r\nCz\r\n") << malformed;
    QTest::newRow("curry empty") << K::Curry << QByteArray() << wrong;
    QTest::newRow("curry one line") << K::Curry << QByteArray("-1   100.00   100.00     0.00    Nasion\r\n") << past;
    // clang-format on
}

void TestFileFormats::badInput()
{
    QFETCH(FileKind, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(int, error);
    Workspace ws = sample();
    const QString before = snapshot(ws);
    FakeDialogs d;
    try {
        read(kind, bytes, ws, d);
        QVERIFY2(error == -1, "a bad file was accepted");
    } catch (const FileError &e) {
        QCOMPARE(int(e.kind()), error);
        QVERIFY(!e.message().isEmpty());
        QCOMPARE(snapshot(ws), before);
    }
}

QTEST_APPLESS_MAIN(TestFileFormats)
#include "tst_file_formats.moc"
