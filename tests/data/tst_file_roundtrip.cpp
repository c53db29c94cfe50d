#include "convert/besa_file.h"
#include "convert/curry_file.h"
#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/meg_files.h"
#include "data/number_text.h"
#include "data/sequence_file.h"
#include "data/settings_file.h"
#include "data/shape_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "fake_dialogs.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>

// Every writer against its reader over generated data sets: what is written reads back to the
// same values (within the written decimals) under either decimal setting, and writing what was
// read gives the same bytes again.
namespace {
enum class Kind {
    Electrode,
    Shape,
    Sequence,
    Besa,
    Curry,
    Calibration,
    Fiducials,
    Probe,
    Settings
};

class Gen
{
public:
    explicit Gen(quint32 seed) : m_rng(seed) {}

    int below(int n) { return int(m_rng.bounded(n)); }
    double real()
    {
        // Mostly head-sized values, with the extremes a lab file can hold.
        static const double extremes[] = {0.0,      -0.0,    1e6,     -1e6,     1e-7,
                                          -4.99e-5, 0.00005, 0.12345, -0.06715, 123456.78915};
        if (below(6) == 0)
            return extremes[below(10)];
        return (m_rng.generateDouble() - 0.5) * 0.4;
    }
    Point3 point() { return {real(), real(), real()}; }
    QString name()
    {
        static const QString special[] = {"",         "        ", "Fp 1",    " Cz",
                                          "T7      ", "AFz_left", "a b c d", "x"};
        if (below(4) == 0)
            return special[below(8)];
        static const QString chars =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -'.";
        QString s;
        for (int i = 0, n = 1 + below(8); i < n; ++i)
            s += chars[below(int(chars.size()))];
        return s;
    }
    QString code()
    {
        static const QString codes[] = {"1",    "2",    "4",   "8",   "400",  "1400",
                                        "1C00", "1c00", "C00", "c00", "4000", ""};
        return codes[below(12)];
    }
    int count(int most) { return below(5) == 0 ? 1 : 1 + below(most); }

private:
    QRandomGenerator m_rng;
};

Workspace base(const QString &decimal, const QString &system)
{
    Workspace ws;
    ws.settings = {DigitizerModel::Fastrak, system, decimal, "0,0,1", 1, "OFF"};
    return ws;
}

void fillSensors(Gen &g, Workspace &ws, bool probe)
{
    const int n = g.below(4);
    ws.sensors.resize(n);
    ws.ProbeName = g.name();
    ws.ProbeType = g.below(2000) - 1000;
    ws.MinorRevision = g.below(10);
    static const QString types[] = {"1", "2.5", "-2.5", "0.49", "3001", "x"};
    for (int i = 0; i < n; ++i) {
        ws.sensors.SensorType[i] = types[g.below(6)];
        ws.sensors.SensorName[i] = g.name();
        for (int c = 0; c < 3; ++c) {
            for (double &v : (probe ? ws.sensors.ProbeCoil : ws.sensors.SensorCoil)[i][c])
                v = g.real();
        }
        ws.sensors.CoilPar1[i] = {g.real(), g.real()};
        ws.sensors.CoilCode1[i] = g.below(100000) - 50000;
        for (auto &pair : ws.sensors.CoilPar23[i])
            pair = {g.real(), g.real()};
        ws.sensors.CoilCode23[i] = {g.below(9), g.below(9)};
    }
}

Workspace generate(Kind kind, Gen &g, const Workspace &settings)
{
    Workspace ws = settings;
    const int n = g.count(12);
    switch (kind) {
    case Kind::Electrode:
        ws.sensors.NumSensors = n;
        ws.tevo.resize(n);
        ws.meas.resize(n);
        ws.tevo.Fid = {g.point(), g.point(), g.point()};
        for (int i = 0; i < n; ++i) {
            ws.tevo.Name[i] = g.name();
            ws.tevo.Pos[i] = g.point();
            ws.meas.Type[i] = g.code();
        }
        break;
    case Kind::Shape:
        ws.ShapeName = g.name();
        ws.ShapeCode = g.below(100);
        ws.NumShapePoints = g.below(30);
        ws.ShapeFid = {g.point(), g.point(), g.point()};
        ws.ShapePos.resize(ws.NumShapePoints);
        for (Point3 &p : ws.ShapePos)
            p = g.point();
        break;
    case Kind::Sequence:
        ws.NumSeq = g.below(20);
        for (int i = 0; i < ws.NumSeq; ++i) {
            ws.SeqName << g.name();
            ws.SeqCode << g.code();
        }
        break;
    case Kind::Besa:
    case Kind::Curry: {
        auto &set = kind == Kind::Besa ? ws.besa : ws.curry;
        ws.sensors.NumSensors = n;
        set.resize(n);
        set.Fid = {g.point(), g.point(), g.point()};
        if (kind == Kind::Besa)
            set.FidName = {g.name(), g.name(), g.name()};
        for (int i = 0; i < n; ++i) {
            set.Name[i] = g.name();
            set.Pos[i] = g.point();
        }
        break;
    }
    case Kind::Calibration:
    case Kind::Probe:
        fillSensors(g, ws, kind == Kind::Probe);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                ws.m.MCalib(r, c) = g.real() + (r == c ? 1.0 : 0.0);
        ws.ProbeFid = {g.point(), g.point(), g.point()};
        break;
    case Kind::Fiducials:
        ws.ReceiverCount = g.below(4);
        ws.ReceiverFid.resize(ws.ReceiverCount);
        for (FidTriple &f : ws.ReceiverFid)
            f = {g.point(), g.point(), g.point()};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                ws.m.MFida(r, c) = g.real() + (r == c ? 1.0 : 0.0);
                ws.m.MFidb(r, c) = g.real();
            }
        break;
    case Kind::Settings: {
        static const DigitizerModel models[] = {DigitizerModel::Isotrak, DigitizerModel::Fastrak,
                                                DigitizerModel::Patriot};
        static const char *systems[] = {"TEVO", "BESA", "Curry"};
        static const char *hemispheres[] = {"0,0,1", "1,0,0", "0,-1,0"};
        ws.settings = {
            models[g.below(3)],      systems[g.below(3)], g.below(2) ? "Comma" : "Period",
            hemispheres[g.below(3)], 1 + g.below(16),     g.below(2) ? "ON" : "OFF"};
        break;
    }
    }
    return ws;
}

QByteArray textOf(Kind kind, Workspace &ws)
{
    switch (kind) {
    case Kind::Electrode:
        return electrodeFileText(ws);
    case Kind::Shape:
        return shapeFileText(ws);
    case Kind::Sequence:
        return sequenceFileText(ws);
    case Kind::Besa:
        return besaFileText(ws);
    case Kind::Curry:
        return curryFileText(ws);
    case Kind::Calibration:
        return calibrationFileText(ws);
    case Kind::Fiducials:
        return fiducialsFileText(ws);
    case Kind::Probe:
        return probeFileText(ws);
    case Kind::Settings:
        return SettingsFile::text(ws.settings);
    }
    return {};
}

void readInto(Kind kind, const QByteArray &bytes, Workspace &ws)
{
    FakeDialogs dialogs;
    LineReader in(bytes);
    switch (kind) {
    case Kind::Electrode:
        return ReadElectrodeFile(in, ws, dialogs);
    case Kind::Shape:
        return ReadShapeFile(in, ws);
    case Kind::Sequence:
        return ReadSequenceFile(in, ws, dialogs);
    case Kind::Besa:
        return ReadBesaFile(in, ws);
    case Kind::Curry:
        return ReadCurryFile(bytes, ws, dialogs);
    case Kind::Calibration:
        return ReadCalibrationFile(in, ws);
    case Kind::Fiducials:
        return ReadFiducialsFile(in, ws);
    case Kind::Probe:
        // A probe file has the layout of a dewar file: fiducials, then the sensor blocks.
        return ReadDewarFile(in, ws);
    case Kind::Settings:
        return SettingsFile::readText(bytes, ws.settings);
    }
}

// The value as the file holds it: rounded to the written decimals.
bool near(double written, double read, int decimals)
{
    return std::fabs(written - read) <=
           0.51 * std::pow(10.0, -decimals) + 1e-9 * std::fabs(written);
}

#define EXPECT(cond, what)                                                                         \
    do {                                                                                           \
        if (!(cond))                                                                               \
            return QStringLiteral("%1 (seed %2)").arg(what).arg(seed);                             \
    } while (0)

QString samePoint(const Point3 &a, const Point3 &b, int decimals)
{
    for (int c = 0; c < 3; ++c)
        if (!near(a[c], b[c], decimals))
            return QStringLiteral("%1 read back as %2").arg(a[c], 0, 'g', 17).arg(b[c], 0, 'g', 17);
    return {};
}

QString sameMatrix(const Transform4 &a, const Transform4 &b)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!near(a(r, c), b(r, c), 4))
                return QStringLiteral("matrix (%1, %2)").arg(r).arg(c);
    return {};
}

QString sameSensors(const Workspace &w, const Workspace &r, bool probe, quint32 seed)
{
    const SensorTables &a = w.sensors, &b = r.sensors;
    EXPECT(b.NumSensors == a.NumSensors, "sensor count");
    EXPECT(r.ProbeName == w.ProbeName && r.ProbeType == w.ProbeType, "probe name or type");
    EXPECT(r.MinorRevision == w.MinorRevision, "revision");
    for (int i = 0; i < a.NumSensors; ++i) {
        EXPECT(b.SensorType[i] == fixedDecimals(readNumber(a.SensorType[i]), 0), "sensor type");
        EXPECT(b.SensorName[i] == a.SensorName[i], "sensor name");
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 6; ++k)
                EXPECT(
                    near((probe ? a.ProbeCoil : a.SensorCoil)[i][c][k], b.SensorCoil[i][c][k], 4),
                    "coil value");
        EXPECT(near(a.CoilPar1[i][0], b.CoilPar1[i][0], 4) &&
                   near(a.CoilPar1[i][1], b.CoilPar1[i][1], 4),
               "coil 1 parameters");
        EXPECT(b.CoilCode1[i] == a.CoilCode1[i] && b.CoilCode23[i] == a.CoilCode23[i],
               "coil codes");
        for (int c = 0; c < 2; ++c)
            for (int k = 0; k < 2; ++k)
                EXPECT(near(a.CoilPar23[i][c][k], b.CoilPar23[i][c][k], 4), "coil parameters");
    }
    return {};
}

// Empty when `r` (read back) holds what `w` (written) held, as the file can hold it.
QString compare(Kind kind, const Workspace &w, const Workspace &r, quint32 seed)
{
    switch (kind) {
    case Kind::Electrode:
        EXPECT(r.sensors.NumSensors == w.sensors.NumSensors, "electrode count");
        for (int f = 0; f < 3; ++f)
            EXPECT(samePoint(w.tevo.Fid[f], r.tevo.Fid[f], 4).isEmpty(), "fiducial");
        for (int i = 0; i < w.sensors.NumSensors; ++i) {
            EXPECT(r.tevo.Name[i] == w.tevo.Name[i], "electrode name " + w.tevo.Name[i].text());
            EXPECT(r.tevo.Type[i] == (w.meas.Type[i].isEmpty() ? "8" : w.meas.Type[i]), "type");
            EXPECT(samePoint(w.tevo.Pos[i], r.tevo.Pos[i], 4).isEmpty(), "position");
            EXPECT(r.meas.Pos[i] == r.tevo.Pos[i], "measured copy");
        }
        return {};
    case Kind::Shape:
        EXPECT(r.ShapeName == w.ShapeName && r.ShapeCode == w.ShapeCode, "shape header");
        EXPECT(r.NumShapePoints == w.NumShapePoints, "shape count");
        for (int f = 0; f < 3; ++f)
            EXPECT(samePoint(w.ShapeFid[f], r.ShapeFid[f], 4).isEmpty(), "shape fiducial");
        for (int i = 0; i < w.NumShapePoints; ++i)
            EXPECT(samePoint(w.ShapePos[i], r.ShapePos[i], 4).isEmpty(), "shape point");
        return {};
    case Kind::Sequence:
        EXPECT(r.NumSeq == w.NumSeq && r.SeqName == w.SeqName && r.SeqCode == w.SeqCode,
               "sequence");
        return {};
    case Kind::Besa:
    case Kind::Curry: {
        const bool besa = kind == Kind::Besa;
        const auto &a = besa ? w.besa : w.curry;
        const auto &b = besa ? r.besa : r.curry;
        const int decimals = besa ? 4 : 2;
        EXPECT(r.sensors.NumSensors == w.sensors.NumSensors, "electrode count");
        for (int f = 0; f < 3; ++f) {
            EXPECT(samePoint(a.Fid[f], b.Fid[f], decimals).isEmpty(), "fiducial");
            if (besa)
                EXPECT(b.FidName[f] == labelFromFile(Fixed8(labelForFile(a.FidName[f])).trimmed()),
                       "fiducial label " + a.FidName[f]);
        }
        for (int i = 0; i < w.sensors.NumSensors; ++i) {
            EXPECT(b.Name[i] == labelFromFile(labelForFile(a.Name[i])), "label " + a.Name[i]);
            EXPECT(samePoint(a.Pos[i], b.Pos[i], decimals).isEmpty(),
                   "position " + samePoint(a.Pos[i], b.Pos[i], decimals));
        }
        return {};
    }
    case Kind::Calibration:
        EXPECT(sameMatrix(w.m.MCalib, r.m.MCalib).isEmpty(), "calibration matrix");
        return sameSensors(w, r, false, seed);
    case Kind::Probe:
        for (int f = 0; f < 3; ++f)
            EXPECT(samePoint(w.ProbeFid[f], r.DewarFid[f], 4).isEmpty(), "probe fiducial");
        return sameSensors(w, r, true, seed);
    case Kind::Fiducials:
        EXPECT(r.ReceiverCount == w.ReceiverCount, "receiver count");
        EXPECT(r.SessionName == Fixed8("Test"), "session name");
        for (int k = 0; k < w.ReceiverCount; ++k)
            for (int f = 0; f < 3; ++f)
                EXPECT(samePoint(w.ReceiverFid[k][f], r.ReceiverFid[k][f], 4).isEmpty(),
                       "receiver fiducial");
        EXPECT(sameMatrix(w.m.MFida, r.m.MFida).isEmpty(), "MFida");
        EXPECT(sameMatrix(w.m.MFidb, r.m.MFidb).isEmpty(), "MFidb");
        return {};
    case Kind::Settings: {
        const Settings &a = w.settings, &b = r.settings;
        EXPECT(a.Digitizer == b.Digitizer && a.CoordinateSystem == b.CoordinateSystem &&
                   a.DecimalPoint == b.DecimalPoint && a.Hemisphere == b.Hemisphere &&
                   a.CommPort == b.CommPort && a.SoundSetting == b.SoundSetting,
               "settings");
        return {};
    }
    }
    return {};
}
#undef EXPECT
} // namespace

class TestFileRoundTrip : public QObject
{
    Q_OBJECT
private slots:
    void generatedSets_data();
    void generatedSets();
    void numberFields_data();
    void numberFields();
    void blankLinesAreSkipped_data();
    void blankLinesAreSkipped();
    void unwritableValuesAreRefused_data();
    void unwritableValuesAreRefused();
    void unwritableNamesAreRefused_data();
    void unwritableNamesAreRefused();
    void emptySetsAreRefused_data();
    void emptySetsAreRefused();
    void sensorTypeRoundsHalvesAway_data();
    void sensorTypeRoundsHalvesAway();
    void tagsAreChecked_data();
    void tagsAreChecked();
};

void TestFileRoundTrip::generatedSets_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("system");
    const char *names[] = {"elp", "hsp", "seq", "sfp", "res", "clb", "fid", "probe", "ini"};
    for (int k = 0; k <= int(Kind::Settings); ++k)
        for (const char *decimal : {"Period", "Comma"})
            for (const char *system : {"TEVO", "Curry"})
                QTest::addRow("%s, %s, %s", names[k], decimal, system)
                    << k << QString::fromLatin1(decimal) << QString::fromLatin1(system);
}

void TestFileRoundTrip::generatedSets()
{
    QFETCH(int, kind);
    QFETCH(QString, decimal);
    QFETCH(QString, system);
    const Kind k = Kind(kind);
    const QString other = decimal == "Period" ? "Comma" : "Period";
    for (quint32 seed = 1; seed <= 60; ++seed) {
        Gen g(seed * 7919 + quint32(kind));
        Workspace written = generate(k, g, base(decimal, system));
        if ((k == Kind::Fiducials && written.ReceiverCount < 1) ||
            (k == Kind::Sequence && written.NumSeq == 0))
            continue;
        Workspace copy = written;
        const QByteArray text = textOf(k, copy);
        // Read back under either decimal setting: the file alone decides.
        for (const QString &reading : {decimal, other}) {
            Workspace read = base(reading, "TEVO");
            try {
                readInto(k, text, read);
            } catch (const FileError &e) {
                QFAIL(qPrintable(QStringLiteral("seed %1: own file refused: %2\n%3")
                                     .arg(seed)
                                     .arg(e.message(), QString::fromLatin1(text))));
            }
            const QString problem = compare(k, copy, read, seed);
            QVERIFY2(problem.isEmpty(), qPrintable(problem + "\n" + QString::fromLatin1(text)));
            if (k == Kind::Settings)
                continue;
            read.settings = copy.settings;
            if (k == Kind::Probe) {
                read.ProbeFid = read.DewarFid;
                read.sensors.ProbeCoil = read.sensors.SensorCoil;
            }
            QCOMPARE(textOf(k, read), text);
        }
    }
}

void TestFileRoundTrip::numberFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    // clang-format off
    QTest::newRow("plain")              << "0.1250"        << true  << 0.125;
    QTest::newRow("decimal comma")      << "0,1250"        << true  << 0.125;
    QTest::newRow("negative comma")     << "-12,5"         << true  << -12.5;
    QTest::newRow("no leading digit")   << "-.5"           << true  << -0.5;
    QTest::newRow("exponent")           << "1.5e-2"        << true  << 0.015;
    QTest::newRow("capital exponent")   << "7E-2"          << true  << 0.07;
    QTest::newRow("comma and exponent") << "2,5E3"         << true  << 2500.0;
    QTest::newRow("blanks around")      << "  3.25  "      << true  << 3.25;
    QTest::newRow("text")               << "abc"           << false << 0.0;
    QTest::newRow("empty")              << ""              << false << 0.0;
    QTest::newRow("trailing letters")   << "1.5cm"         << false << 0.0;
    QTest::newRow("too long")           << QString(70, '1') << false << 0.0;
    QTest::newRow("overflowing")        << "1e999"         << false << 0.0;
    // clang-format on
}

void TestFileRoundTrip::numberFields()
{
    QFETCH(QString, field);
    QFETCH(bool, valid);
    QFETCH(double, value);
    // The same field in the position line of an electrode file and in a table line.
    const QByteArray elp =
        "3\t2\r\n1\r\n0\t1\r\n%F\t0.1\t0\t0\r\n%F\t0\t0.07\t0\r\n%F\t0\t-0.07\t0\r\n"
        "%S\t400\r\n%N\tCz\r\n0\t" +
        field.toLatin1() + "\t0\r\n";
    const QByteArray table =
        "FidNz 0 9.5 0\nFidT9 -7 0 0\nFidT10 7 0 0\nCz 0 " + field.toLatin1() + " 0\n";
    Workspace ws = base("Period", "TEVO");
    ws.ProbeName = "before";
    for (int t = 0; t < 2; ++t) {
        Workspace w = ws;
        try {
            LineReader in(t == 0 ? elp : table);
            FakeDialogs dialogs;
            if (t == 0)
                ReadElectrodeFile(in, w, dialogs);
            else
                ReadTableFile(in, w);
            QVERIFY2(valid, "a field that is not a number was read");
            QCOMPARE((t == 0 ? w.tevo.Pos : w.besa.Pos).at(0).y(), value);
        } catch (const FileError &e) {
            QVERIFY2(!valid, qPrintable(e.message()));
            QCOMPARE(e.kind(), FileError::Kind::Malformed);
            QVERIFY(e.message().startsWith(t == 0 ? "Line 9" : "Line 4"));
            QCOMPARE(w.ProbeName, Fixed8("before"));
        }
    }
}

void TestFileRoundTrip::blankLinesAreSkipped_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("electrodes");
    // clang-format off
    QTest::newRow("blank between")   << QByteArray("FidT9 -7 0 0\n\nFidNz 0 9.5 0\nFidT10 7 0 0\n\nCz 0 0 9\n") << 1;
    QTest::newRow("blanks at end")   << QByteArray("FidT9 -7 0 0\nFidNz 0 9.5 0\nFidT10 7 0 0\nCz 0 0 9\n  \n\t\n\n") << 1;
    QTest::newRow("CR line ends")    << QByteArray("FidT9 -7 0 0\r\rFidNz 0 9.5 0\rFidT10 7 0 0\rCz 0 0 9\rPz 0 -5 8\r") << 2;
    QTest::newRow("blank first")     << QByteArray("\r\nFidT9 -7 0 0\r\nFidNz 0 9.5 0\r\nFidT10 7 0 0\r\n") << 0;
    // clang-format on
}

void TestFileRoundTrip::blankLinesAreSkipped()
{
    QFETCH(QByteArray, text);
    QFETCH(int, electrodes);
    Workspace ws = base("Period", "BESA");
    LineReader in(text);
    ReadBesaFile(in, ws);
    QCOMPARE(ws.sensors.NumSensors, electrodes);
    QCOMPARE(ws.besa.FidName[1], QStringLiteral("FidNz"));
    QCOMPARE(ws.besa.Fid[1].y(), 9.5);
}

void TestFileRoundTrip::unwritableValuesAreRefused_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("says");
    // clang-format off
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "not a number";
    QTest::newRow("infinite")     << std::numeric_limits<double>::infinity()  << "not a number";
    QTest::newRow("too long")     << 1e80                                     << "too large";
    // clang-format on
}

void TestFileRoundTrip::unwritableValuesAreRefused()
{
    QFETCH(double, value);
    QFETCH(QString, says);
    Workspace ws = base("Period", "TEVO");
    ws.sensors.NumSensors = 1;
    ws.tevo.resize(1);
    ws.tevo.Pos[0] = Point3(0.01, value, 0.02);
    ws.curry = ws.besa;
    ws.curry.resize(1);
    ws.curry.Pos[0] = ws.tevo.Pos[0];
    for (int k = 0; k < 2; ++k) {
        try {
            k == 0 ? electrodeFileText(ws) : curryFileText(ws);
            QFAIL("a value the reader cannot read back was written");
        } catch (const FileError &e) {
            QCOMPARE(e.kind(), FileError::Kind::Refused);
            QVERIFY2(e.message().contains(says), qPrintable(e.message()));
        }
    }
}

void TestFileRoundTrip::unwritableNamesAreRefused_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("says");
    // clang-format off
    QTest::newRow("line break in an electrode name") << int(Kind::Electrode) << "Fp\n1"   << "line break";
    QTest::newRow("not 8-bit in an electrode name")  << int(Kind::Electrode) << "C\u0142" << "8-bit";
    QTest::newRow("not 8-bit in a BESA label")       << int(Kind::Besa)      << "O\u0142" << "8-bit";
    QTest::newRow("TAB in a sequence name")          << int(Kind::Sequence)  << "Fp\t1"   << "TAB";
    QTest::newRow("CR in a sequence name")           << int(Kind::Sequence)  << "Fp\r1"   << "line break";
    // clang-format on
}

void TestFileRoundTrip::unwritableNamesAreRefused()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(QString, says);
    Workspace ws = base("Period", "TEVO");
    ws.sensors.NumSensors = 1;
    ws.tevo.resize(1);
    ws.tevo.Name[0] = name;
    ws.besa.resize(1);
    ws.besa.Name[0] = name;
    ws.NumSeq = 1;
    ws.SeqName = {name};
    ws.SeqCode = {"400"};
    try {
        textOf(Kind(kind), ws);
        QFAIL("a name that cannot read back was written");
    } catch (const FileError &e) {
        QCOMPARE(e.kind(), FileError::Kind::Refused);
        QVERIFY2(e.message().contains(says), qPrintable(e.message()));
    }
}

void TestFileRoundTrip::emptySetsAreRefused_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("names");
    // clang-format off
    QTest::newRow("calibration") << int(Kind::Calibration) << "no calibration";
    QTest::newRow("fiducials")   << int(Kind::Fiducials)   << "no fiducials data";
    QTest::newRow("electrodes")  << int(Kind::Electrode)   << "no electrodes";
    QTest::newRow("BESA")        << int(Kind::Besa)        << "no electrodes";
    QTest::newRow("Curry")       << int(Kind::Curry)       << "no electrodes";
    // clang-format on
}

void TestFileRoundTrip::emptySetsAreRefused()
{
    QFETCH(int, kind);
    QFETCH(QString, names);
    // What a fresh run holds, and what is left after an electrode file was opened: its count
    // is not a count of MEG sensors.
    Workspace ws = base("Period", "TEVO");
    if (kind == int(Kind::Calibration))
        ws.sensors.NumSensors = 2;
    try {
        textOf(Kind(kind), ws);
        QFAIL("a data set holding nothing was written");
    } catch (const FileError &e) {
        QCOMPARE(e.kind(), FileError::Kind::Refused);
        QVERIFY2(e.message().contains(names), qPrintable(e.message()));
    }
}

void TestFileRoundTrip::sensorTypeRoundsHalvesAway_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("written");
    // clang-format off
    QTest::newRow("2.5")      << "2.5"  << "3";
    QTest::newRow("-2.5")     << "-2.5" << "-3";
    QTest::newRow("3.5")      << "3.5"  << "4";
    QTest::newRow("0.49")     << "0.49" << "0";
    QTest::newRow("-0.4")     << "-0.4" << "0";
    QTest::newRow("text")     << "coil" << "0";
    QTest::newRow("integer")  << "3012" << "3012";
    // clang-format on
}

void TestFileRoundTrip::sensorTypeRoundsHalvesAway()
{
    QFETCH(QString, type);
    QFETCH(QString, written);
    Workspace ws = base("Period", "TEVO");
    ws.sensors.resize(1);
    ws.sensors.SensorType[0] = type;
    QVERIFY(probeFileText(ws).contains("//Sensor type\r\n%S\t" + written.toLatin1() + "\r\n"));
}

void TestFileRoundTrip::tagsAreChecked_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("detail");
    const QByteArray header = "3\t2\r\n1\r\n%N\tName\r\n0\t1\r\n";
    const QByteArray fids = "%F\t0.1\t0\t0\r\n%F\t0\t0.07\t0\r\n%F\t0\t-0.07\t0\r\n";
    const QByteArray matrix =
        "%F\t1\t0\t0\t0\r\n%F\t0\t1\t0\t0\r\n%F\t0\t0\t1\t0\r\n%F\t0\t0\t0\t1\r\n";
    // clang-format off
    QTest::newRow("electrode without %S") << int(Kind::Electrode) << header + fids + "400\r\n%N\tCz\r\n0\t0\t0.1\r\n"
                                          << "Line 8 should be the %S line of electrode 1";
    QTest::newRow("electrode without %N") << int(Kind::Electrode) << header + fids + "%S\t400\r\nCz\r\n0\t0\t0.1\r\n"
                                          << "Line 9 should be the %N line of electrode 1";
    QTest::newRow("fiducial without %F")  << int(Kind::Electrode) << header + "%F\t0.1\t0\t0\r\n0\t0.07\t0\r\n"
                                          << "Line 6 should be a %F line";
    QTest::newRow("sensor without %N")    << int(Kind::Calibration) << header + matrix + "%S\t1\r\nMEG1\r\n"
                                          << "Line 10 should be the %N line of sensor 1";
    QTest::newRow("matrix row without %F") << int(Kind::Calibration) << QByteArray("3\t2\r\n1\r\n%N\tName\r\n0\t0\r\n1\t0\t0\t0\r\n")
                                          << "Line 5 should be a %F line";
    // clang-format on
}

void TestFileRoundTrip::tagsAreChecked()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, text);
    QFETCH(QString, detail);
    Workspace ws = base("Period", "TEVO");
    try {
        readInto(Kind(kind), text, ws);
        QFAIL("a line without its tag was read");
    } catch (const FileError &e) {
        QCOMPARE(e.number(), 5);
        const QStringList lines = e.message().split(QChar(13));
        QCOMPARE(lines.value(0), QStringLiteral("Invalid procedure call or argument"));
        QVERIFY2(lines.value(1).startsWith(detail), qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestFileRoundTrip)
#include "tst_file_roundtrip.moc"
