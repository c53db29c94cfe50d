#include "commands/file_format.h"
#include "convert/besa_file.h"
#include "convert/curry_file.h"
#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/meg_files.h"
#include "data/number_text.h"
#include "data/point_types.h"
#include "data/sequence_file.h"
#include "data/shape_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "fakes.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>
#include <limits>

// Every writer against its reader over generated data sets: what is written reads back to the
// same values (within the written decimals) under either decimal setting, and writing what was
// read gives the same bytes again.
namespace {
using Kind = FileKind;

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
        return below(6) == 0 ? extremes[below(10)] : (m_rng.generateDouble() - 0.5) * 0.4;
    }
    Point3 point() { return {real(), real(), real()}; }
    FidTriple fids() { return {point(), point(), point()}; }
    QString name()
    {
        static const QString special[] = {"", "        ", "Fp 1", " Cz", "T7      ", "AFz_left"};
        static const QString chars = "ABCXYZabcxyz0189 -'.";
        if (below(4) == 0)
            return special[below(6)];
        QString s;
        for (int i = 0, n = 1 + below(8); i < n; ++i)
            s += chars[below(int(chars.size()))];
        return s;
    }
    QString code()
    {
        static const QString codes[] = {"1",    "2",    "4",   "8",    "400",
                                        "1400", "1c00", "C00", "4000", ""};
        return codes[below(10)];
    }
    Transform4 matrix()
    {
        Transform4 m;
        for (int i = 0; i < 16; ++i)
            m(i / 4, i % 4) = real() + (i % 5 == 0 ? 1.0 : 0.0);
        return m;
    }

private:
    QRandomGenerator m_rng;
};

Workspace base(const QString &decimal, const QString &system)
{
    Workspace ws;
    ws.settings = {DigitizerModel::Fastrak, system, decimal, "0,0,1", 1, "OFF"};
    return ws;
}

// Something in every data set, so that each writer has its part to write.
Workspace generate(Gen &g, Workspace ws)
{
    const int n = g.below(5) == 0 ? 1 : 1 + g.below(12);
    ws.sensors.resize(n);
    for (auto *set : {&ws.tevo, &ws.meas})
        set->resize(n);
    ws.besa.resize(n);
    ws.curry.resize(n);
    ws.NumSeq = n;
    for (FidTriple *f : {&ws.tevo.Fid, &ws.besa.Fid, &ws.curry.Fid, &ws.ShapeFid, &ws.ProbeFid})
        *f = g.fids();
    ws.besa.FidName = {g.name(), g.name(), g.name()};
    ws.ProbeName = g.name();
    ws.ProbeType = g.below(2000) - 1000;
    ws.MinorRevision = g.below(10);
    for (Transform4 *m : {&ws.m.MCalib, &ws.m.MFida, &ws.m.MFidb})
        *m = g.matrix();
    ws.ReceiverCount = 1 + g.below(3);
    ws.ReceiverFid.resize(ws.ReceiverCount);
    for (FidTriple &f : ws.ReceiverFid)
        f = g.fids();
    ws.ShapeName = g.name();
    ws.ShapeCode = g.below(100);
    ws.NumShapePoints = g.below(30);
    for (int i = 0; i < ws.NumShapePoints; ++i)
        ws.ShapePos.push_back(g.point());
    SensorTables &s = ws.sensors;
    for (int i = 0; i < n; ++i) {
        ws.tevo.Name[i] = g.name();
        ws.besa.Name[i] = g.name();
        ws.curry.Name[i] = g.name();
        ws.tevo.Pos[i] = g.point();
        ws.besa.Pos[i] = g.point();
        ws.curry.Pos[i] = g.point();
        ws.meas.Type[i] = g.code();
        ws.SeqName << g.name();
        ws.SeqCode << g.code();
        s.SensorType[i] = QString::number(g.below(4000));
        s.SensorName[i] = g.name();
        for (CoilData *coils : {&s.SensorCoil[i], &s.ProbeCoil[i]})
            for (auto &coil : *coils)
                for (double &v : coil)
                    v = g.real();
        s.CoilPar1[i] = {g.real(), g.real()};
        s.CoilCode1[i] = g.below(100000) - 50000;
        s.CoilPar23[i] = {{{g.real(), g.real()}, {g.real(), g.real()}}};
        s.CoilCode23[i] = {g.below(9), g.below(9)};
    }
    return ws;
}

// The probe file has the layout of a dewar file: FileKind::Dewar stands for it here, written by
// the probe writer and read by the dewar reader.
QByteArray textOf(FileKind kind, Workspace &ws)
{
    switch (kind) {
    case FileKind::Dewar:
        return probeFileText(ws);
    case FileKind::Calibration:
        return calibrationFileText(ws);
    case FileKind::Fiducials:
        return fiducialsFileText(ws);
    case FileKind::Sequence:
        return sequenceFileText(ws);
    case FileKind::Electrode:
        return electrodeFileText(ws);
    case FileKind::Besa:
        return besaFileText(ws);
    case FileKind::Curry:
        return curryFileText(ws);
    case FileKind::Shape:
        return shapeFileText(ws);
    }
    return {};
}

// The numbers and texts a file of `kind` carries, from the written side or the side read back.
// BESA and Curry labels are left to the byte comparison: the file holds them changed.
void carried(Kind kind, const Workspace &ws, bool read, QList<double> &v, QStringList &t)
{
    const auto points = [&v](const auto &ps) {
        for (const Point3 &p : ps)
            v << p.x() << p.y() << p.z();
    };
    const auto matrix = [&v](const Transform4 &m) {
        for (int i = 0; i < 16; ++i)
            v << m(i / 4, i % 4);
    };
    const SensorTables &s = ws.sensors;
    switch (kind) {
    case Kind::Electrode:
        v << s.NumSensors;
        points(ws.tevo.Fid);
        points(ws.tevo.Pos);
        points(read ? ws.meas.Pos : ws.tevo.Pos); // the measured copy
        for (int i = 0; i < s.NumSensors; ++i) {
            const QString type = (read ? ws.tevo.Type : ws.meas.Type)[i];
            t << ws.tevo.Name[i] << (type.isEmpty() ? "8" : type);
        }
        return;
    case Kind::Shape:
        t << ws.ShapeName;
        v << ws.ShapeCode << ws.NumShapePoints;
        points(ws.ShapeFid);
        points(ws.ShapePos);
        return;
    case Kind::Sequence:
        v << ws.NumSeq;
        t << ws.SeqName << ws.SeqCode;
        return;
    case Kind::Besa:
    case Kind::Curry:
        v << s.NumSensors;
        points((kind == Kind::Besa ? ws.besa : ws.curry).Fid);
        points((kind == Kind::Besa ? ws.besa : ws.curry).Pos);
        return;
    case Kind::Calibration:
    case Kind::Dewar:
        if (kind == Kind::Calibration)
            matrix(ws.m.MCalib);
        else
            points(read ? ws.DewarFid : ws.ProbeFid);
        v << s.NumSensors << ws.ProbeType << ws.MinorRevision;
        t << ws.ProbeName;
        for (int i = 0; i < s.NumSensors; ++i) {
            t << s.SensorName[i];
            for (const auto &coil : (kind == Kind::Dewar && !read ? s.ProbeCoil : s.SensorCoil)[i])
                v << QList<double>(coil.begin(), coil.end());
            v << s.CoilPar1[i][0] << s.CoilPar1[i][1] << s.CoilCode1[i] << s.CoilCode23[i][0]
              << s.CoilCode23[i][1];
            for (const auto &pair : s.CoilPar23[i])
                v << pair[0] << pair[1];
        }
        return;
    case Kind::Fiducials:
        v << ws.ReceiverCount;
        t << ws.SessionName;
        for (const FidTriple &f : ws.ReceiverFid)
            points(f);
        matrix(ws.m.MFida);
        matrix(ws.m.MFidb);
        return;
    }
}
} // namespace

class TestFileTexts : public QObject
{
    Q_OBJECT
private slots:
    void generatedSets_data();
    void generatedSets();
    void numberFields_data();
    void numberFields();
    void blankLinesAreSkipped_data();
    void blankLinesAreSkipped();
    void writersRefuse_data();
    void writersRefuse();
    void sensorTypeRoundsHalvesAway_data();
    void sensorTypeRoundsHalvesAway();
    void tagsAreChecked_data();
    void tagsAreChecked();
    void myFormat_data();
    void myFormat();
    void pointTypes_data();
    void pointTypes();
};

void TestFileTexts::generatedSets_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("system");
    for (const FileFormat &f : fileFormats())
        for (const char *decimal : {"Period", "Comma"})
            for (const char *system : {"TEVO", "Curry"})
                QTest::addRow("%s, %s, %s", qPrintable(f.extension), decimal, system)
                    << int(f.kind) << QString::fromLatin1(decimal) << QString::fromLatin1(system);
}

void TestFileTexts::generatedSets()
{
    QFETCH(int, kind);
    QFETCH(QString, decimal);
    QFETCH(QString, system);
    const Kind k = Kind(kind);
    const double tolerance = 0.51 * (k == Kind::Curry ? 1e-2 : 1e-4);
    for (quint32 seed = 1; seed <= 60; ++seed) {
        Gen g(seed * 7919 + quint32(kind));
        Workspace written = generate(g, base(decimal, system));
        const QByteArray text = textOf(k, written);
        const QString context = QStringLiteral("seed %1:\n%2").arg(seed).arg(QString(text));
        FakeDialogs dialogs;
        QList<double> want, got;
        QStringList wantTexts, gotTexts;
        carried(k, written, false, want, wantTexts);
        // Read back under either decimal setting: the file alone decides.
        for (const QString &reading : {QStringLiteral("Period"), QStringLiteral("Comma")}) {
            Workspace read = base(reading, "TEVO");
            try {
                formatOf(k).read(text, read, dialogs);
            } catch (const FileError &e) {
                QFAIL(qPrintable("own file refused: " + e.message() + "\n" + context));
            }
            got.clear();
            gotTexts.clear();
            carried(k, read, true, got, gotTexts);
            QCOMPARE(gotTexts, wantTexts);
            QCOMPARE(got.size(), want.size());
            for (qsizetype i = 0; i < want.size(); ++i)
                QVERIFY2(std::fabs(got[i] - want[i]) <= tolerance + 1e-9 * std::fabs(want[i]),
                         qPrintable(QStringLiteral("value %1: %2 read back as %3; ")
                                        .arg(i)
                                        .arg(want[i], 0, 'g', 17)
                                        .arg(got[i], 0, 'g', 17) +
                                    context));
            read.settings = written.settings;
            read.ProbeFid = k == Kind::Dewar ? read.DewarFid : read.ProbeFid;
            read.sensors.ProbeCoil = read.sensors.SensorCoil;
            QCOMPARE(textOf(k, read), text);
        }
    }
}

void TestFileTexts::numberFields_data()
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
    QTest::newRow("comma and exponent") << "2,5E3"         << true  << 2500.0;
    QTest::newRow("blanks around")      << "  3.25  "      << true  << 3.25;
    QTest::newRow("text")               << "abc"           << false << 0.0;
    QTest::newRow("empty")              << ""              << false << 0.0;
    QTest::newRow("trailing letters")   << "1.5cm"         << false << 0.0;
    QTest::newRow("too long")           << QString(70, '1') << false << 0.0;
    QTest::newRow("overflowing")        << "1e999"         << false << 0.0;
    // clang-format on
}

void TestFileTexts::numberFields()
{
    QFETCH(QString, field);
    QFETCH(bool, valid);
    QFETCH(double, value);
    // The same field in the position line of an electrode file and in a table line.
    const QByteArray texts[] = {
        "3\t2\r\n1\r\n0\t1\r\n%F\t0.1\t0\t0\r\n%F\t0\t0.07\t0\r\n%F\t0\t-0.07\t0\r\n%S\t400\r\n"
        "%N\tCz\r\n0\t" +
            field.toLatin1() + "\t0\r\n",
        "FidNz 0 9.5 0\nFidT9 -7 0 0\nFidT10 7 0 0\nCz 0 " + field.toLatin1() + " 0\n"};
    for (int t = 0; t < 2; ++t) {
        Workspace w = base("Period", "TEVO");
        w.ProbeName = "before";
        try {
            LineReader in(texts[t]);
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

void TestFileTexts::blankLinesAreSkipped_data()
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

void TestFileTexts::blankLinesAreSkipped()
{
    QFETCH(QByteArray, text);
    Workspace ws = base("Period", "BESA");
    LineReader in(text);
    ReadBesaFile(in, ws);
    QTEST(ws.sensors.NumSensors, "electrodes");
    QCOMPARE(ws.besa.FidName[1], QStringLiteral("FidNz"));
    QCOMPARE(ws.besa.Fid[1].y(), 9.5);
}

void TestFileTexts::writersRefuse_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name"); // of the one point; empty: the set holds nothing
    QTest::addColumn<double>("y");
    QTest::addColumn<QString>("says");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const int elp = int(Kind::Electrode);
    // clang-format off
    QTest::newRow("not a number")        << elp              << "Cz"     << nan  << "not a number";
    QTest::newRow("not a number, Curry") << int(Kind::Curry) << "Cz"     << nan  << "not a number";
    QTest::newRow("infinite")            << elp              << "Cz"     << inf  << "not a number";
    QTest::newRow("too long, Curry")     << int(Kind::Curry) << "Cz"     << 1e80 << "too large";
    QTest::newRow("line break in a name") << elp             << "Fp\n1"  << 0.0  << "line break";
    QTest::newRow("not 8-bit in a name") << elp              << "C\u0142" << 0.0 << "8-bit";
    QTest::newRow("not 8-bit in a BESA label") << int(Kind::Besa) << "O\u0142" << 0.0 << "8-bit";
    QTest::newRow("TAB in a sequence name") << int(Kind::Sequence) << "Fp\t1" << 0.0 << "TAB";
    QTest::newRow("CR in a sequence name") << int(Kind::Sequence) << "Fp\r1" << 0.0 << "line break";
    QTest::newRow("no BESA electrodes")  << int(Kind::Besa)  << ""       << 0.0  << "no electrodes";
    QTest::newRow("no Curry electrodes") << int(Kind::Curry) << ""       << 0.0  << "no electrodes";
    // clang-format on
}

// A writer refuses what its reader could not read back, and a set holding nothing.
void TestFileTexts::writersRefuse()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(double, y);
    QFETCH(QString, says);
    Workspace ws = base("Period", "TEVO");
    if (!name.isEmpty()) {
        ws.sensors.NumSensors = ws.NumSeq = 1;
        ws.SeqName = {name};
        ws.SeqCode = {"400"};
        ws.tevo.resize(1);
        ws.tevo.Name[0] = name;
        ws.tevo.Pos[0] = Point3(0.01, y, 0.02);
        for (ElectrodeSetOf<QString> *set : {&ws.besa, &ws.curry}) {
            set->resize(1);
            set->Name[0] = name;
            set->Pos[0] = ws.tevo.Pos[0];
        }
    }
    try {
        textOf(Kind(kind), ws);
        QFAIL("a file its reader cannot take back was written");
    } catch (const FileError &e) {
        QCOMPARE(e.kind(), FileError::Kind::Refused);
        QVERIFY2(e.message().contains(says), qPrintable(e.message()));
    }
}

void TestFileTexts::sensorTypeRoundsHalvesAway_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("written");
    // clang-format off
    QTest::newRow("2.5")      << "2.5"  << "3";
    QTest::newRow("-2.5")     << "-2.5" << "-3";
    QTest::newRow("0.49")     << "0.49" << "0";
    QTest::newRow("text")     << "coil" << "0";
    QTest::newRow("integer")  << "3012" << "3012";
    // clang-format on
}

void TestFileTexts::sensorTypeRoundsHalvesAway()
{
    QFETCH(QString, type);
    QFETCH(QString, written);
    Workspace ws = base("Period", "TEVO");
    ws.sensors.resize(1);
    ws.sensors.SensorType[0] = type;
    QVERIFY(probeFileText(ws).contains("//Sensor type\r\n%S\t" + written.toLatin1() + "\r\n"));
}

void TestFileTexts::tagsAreChecked_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("detail");
    const QByteArray header = "3\t2\r\n1\r\n%N\tName\r\n0\t1\r\n";
    const QByteArray fids = "%F\t0.1\t0\t0\r\n%F\t0\t0.07\t0\r\n%F\t0\t-0.07\t0\r\n";
    const QByteArray matrix =
        "%F\t1\t0\t0\t0\r\n%F\t0\t1\t0\t0\r\n%F\t0\t0\t1\t0\r\n%F\t0\t0\t0\t1\r\n";
    const int elp = int(Kind::Electrode), clb = int(Kind::Calibration);
    // clang-format off
    QTest::newRow("electrode without %S")  << elp << header + fids + "400\r\n%N\tCz\r\n0\t0\t0.1\r\n" << "Line 8 should be the %S line of electrode 1";
    QTest::newRow("electrode without %N")  << elp << header + fids + "%S\t400\r\nCz\r\n0\t0\t0.1\r\n" << "Line 9 should be the %N line of electrode 1";
    QTest::newRow("sensor without %N")     << clb << header + matrix + "%S\t1\r\nMEG1\r\n"          << "Line 10 should be the %N line of sensor 1";
    // clang-format on
}

void TestFileTexts::tagsAreChecked()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, text);
    QFETCH(QString, detail);
    Workspace ws = base("Period", "TEVO");
    FakeDialogs dialogs;
    try {
        formatOf(Kind(kind)).read(text, ws, dialogs);
        QFAIL("a line without its tag was read");
    } catch (const FileError &e) {
        QCOMPARE(e.number(), 5);
        const QStringList lines = e.message().split(QChar(13));
        QCOMPARE(lines.value(0), QStringLiteral("Invalid procedure call or argument"));
        QVERIFY2(lines.value(1).startsWith(detail), qPrintable(e.message()));
    }
}

void TestFileTexts::myFormat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("padded"); // as Curry files and listings write it
    // clang-format off
    QTest::newRow("tenth comma curry") << 0.1 << "#0.###0" << "Comma" << "Curry" << "0,1000" << "   0,1000";
    QTest::newRow("half away up") << 0.00005 << "#0.###0" << "Period" << "TEVO" << "0.0001" << "0.0001";
    QTest::newRow("negative rounds to zero") << -0.00004 << "#0.###0" << "Period" << "TEVO" << "0.0000" << "0.0000";
    QTest::newRow("carry") << 9.99996 << "#0.###0" << "Period" << "TEVO" << "10.0000" << "10.0000";
    QTest::newRow("curry mm") << -85.125 << "#0.00" << "Period" << "Curry" << "-85.13" << "   -85.13";
    QTest::newRow("carry past the point") << -0.99995 << "#0.###0" << "Period" << "TEVO" << "-1.0000" << "-1.0000";
    QTest::newRow("unknown decimal keeps text") << 1.5 << "#0.00" << "Dot" << "TEVO" << "1.50" << "1.50";
    QTest::newRow("unknown pattern is told") << 7.6 << "#0" << "Period" << "TEVO" << "8" << "8";
    // clang-format on
}

void TestFileTexts::myFormat()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, decimal);
    QFETCH(QString, system);
    QFETCH(QString, expected);
    Settings s;
    s.DecimalPoint = decimal;
    s.CoordinateSystem = system;
    FakeDialogs dialogs;
    QCOMPARE(::myFormat(value, pattern, s, &dialogs), expected);
    QTEST(curryPadded(expected, s), "padded");
    const QString told = "myFormat(): something is wrong with periods and commas";
    QCOMPARE(dialogs.texts(), pattern == "#0" ? QStringList{told} : QStringList{});
}

void TestFileTexts::pointTypes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");      // empty: not supported
    QTest::addColumn<QString>("canonical"); // the code the name stands for
    // clang-format off
    QTest::newRow("1400") << "1400" << "Electrode" << "400";
    QTest::newRow("1C00") << "1C00" << "Reference" << "1C00";
    QTest::newRow("C00") << "C00" << "Reference" << "1C00";
    QTest::newRow("4000") << "4000" << "Other Sensor Type" << "4000";
    QTest::newRow("unknown") << "3" << "" << "";
    QTest::newRow("padded") << " 400" << "" << "";
    QTest::newRow("case of 1400") << "1C0" << "" << "";
    // clang-format on
}

void TestFileTexts::pointTypes()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, canonical);
    FakeDialogs d;
    QCOMPARE(PointTypeName(code, d), name);
    QCOMPARE(IsSupportedCode(code), !name.isEmpty());
    QString back = QStringLiteral("unchanged");
    PointTypeCode(name.isEmpty() ? code : name, back, d); // a code is no type name
    QCOMPARE(back, name.isEmpty() ? QStringLiteral("unchanged") : canonical);
    const QStringList told = {"Code " + code + "  is not supported",
                              "Type " + code + "  is not supported"};
    QCOMPARE(d.texts(), name.isEmpty() ? told : QStringList{});
}

QTEST_GUILESS_MAIN(TestFileTexts)
#include "tst_file_texts.moc"
