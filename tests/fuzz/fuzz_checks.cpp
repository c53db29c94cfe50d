#include "fuzz_checks.h"

#include "commands/file_format.h"
#include "convert/besa_file.h"
#include "convert/curry_file.h"
#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/meg_files.h"
#include "data/sequence_file.h"
#include "data/settings_file.h"
#include "data/shape_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "digitizer/record_parser.h"
#include "fakes.h"

#include <exception>
#include <ranges>

namespace {
// Everything a reader may touch, as bytes (numbers bit for bit), so "nothing changed" is one
// comparison.
struct Print
{
    QByteArray out;
    Print &operator<<(double v)
    {
        out.append(reinterpret_cast<const char *>(&v), sizeof v);
        return *this;
    }
    Print &operator<<(const QString &s)
    {
        out += s.toUtf8() + '|';
        return *this;
    }
    Print &operator<<(const Fixed8 &f) { return *this << f.text(); }
    Print &operator<<(const Transform4 &m)
    {
        out.append(reinterpret_cast<const char *>(m.data()), sizeof(double) * 16);
        return *this;
    }
    Print &operator<<(const Point3 &p) { return *this << p.x() << p.y() << p.z(); }
    template <std::ranges::range List> Print &operator<<(const List &items)
    {
        *this << double(std::size(items));
        for (const auto &item : items)
            *this << item;
        return *this;
    }
    template <typename NameT> Print &operator<<(const ElectrodeSetOf<NameT> &e)
    {
        return *this << int(e.unit) << e.Fid << e.FidName << e.Type << e.Name << e.Pos;
    }
};

QByteArray fingerprint(const Workspace &ws)
{
    const Settings &st = ws.settings;
    const SensorTables &s = ws.sensors;
    const NamedTransforms &m = ws.m;
    Print p;
    p << int(st.Digitizer) << st.CoordinateSystem << st.DecimalPoint << st.Hemisphere << st.CommPort
      << st.SoundSetting;
    p << ws.ReceiverCount << ws.TransmitterLocation << ws.SeqDirty << ws.ElectrodesDirty
      << ws.ShapeDirty << ws.MinorRevision << ws.ProbeType << ws.ShapeCode << ws.NumShapePoints
      << ws.NumSeq << ws.BesaFromTable;
    p << ws.DewarFile << ws.CalibrationFile << ws.FiducialsFile << ws.ElectrodeFile << ws.ShapeFile
      << ws.SequenceFile << ws.SequenceTitle << ws.DataPath << ws.ProbeName << ws.SessionName
      << ws.ShapeName;
    p << s.NumSensors << s.SensorType << s.SensorName << s.SensorCoil << s.ProbeCoil << s.CoilPar1
      << s.CoilCode1 << s.CoilPar23 << s.CoilCode23 << ws.DewarFid << ws.ProbeFid;
    for (const Transform4 *t :
         {&m.MPosition, &m.MRotation, &m.MCalib1, &m.MCalib2, &m.MCalib,  &m.MFid1,  &m.MFid2a,
          &m.MFid2b,    &m.MFida,     &m.MFidb,   &m.MFidfa,  &m.MFidfb,  &m.MProbe, &m.MHeada,
          &m.MHeadb,    &m.MAlla,     &m.MAllb,   &m.MStep1,  &m.MStep2a, &m.MStep2b})
        p << *t;
    p << ws.ReceiverFid << ws.meas << ws.tevo << ws.besa << ws.curry << ws.CurryFidType
      << ws.ShapeFid << ws.ShapePos << ws.SeqName << ws.SeqCode << ws.SeqRaw.size();
    return p.out;
}

// A run that already holds data in every set, so a change shows.
Workspace seeded()
{
    Workspace ws;
    ws.settings = {DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 1, "OFF"};
    ws.ElectrodeFile = "before.elp";
    ws.ProbeName = "before";
    ws.sensors.resize(1);
    ws.sensors.SensorName[0] = "MEG0111";
    ws.sensors.SensorCoil[0][0] = {0.01, 0.02, 0.03, 0, 0, 1};
    ws.m.MCalib = ws.m.MFida = Transform4::Identity();
    ws.ReceiverCount = ws.NumShapePoints = ws.NumSeq = 1;
    ws.ReceiverFid.assign(1, {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)});
    ws.ShapeFid = ws.meas.Fid = ws.tevo.Fid = ws.besa.Fid = ws.ReceiverFid[0];
    for (auto *s : {&ws.meas, &ws.tevo})
        *s = {LengthUnit::Metres, ws.ShapeFid, {}, {"400"}, {"Cz"}, {Point3(0, 0, 0.1)}};
    for (auto *s : {&ws.besa, &ws.curry})
        *s = {LengthUnit::Millimetres, ws.ShapeFid, {}, {"400"}, {"Cz"}, {Point3(0, 0, 9)}};
    ws.ShapePos = {Point3(0.01, 0.02, 0.03)};
    ws.SeqName = {"Cz"};
    ws.SeqCode = {"400"};
    ws.SeqRaw = {QString()};
    return ws;
}

const FileFormat *formatNamed(const QString &target)
{
    for (const FileFormat &f : fileFormats())
        if (f.extension == target)
            return &f;
    return nullptr;
}

void readTarget(const QString &target, const QByteArray &bytes, Workspace &ws, Dialogs &dialogs)
{
    if (target == QLatin1String("table")) {
        LineReader in(bytes);
        ReadTableFile(in, ws);
        return;
    }
    formatNamed(target)->read(bytes, ws, dialogs);
}

// The text the target's writer makes of `ws`; empty optional when there is no writer.
std::optional<QByteArray> writeTarget(const QString &target, Workspace &ws)
{
    const FileFormat *f = formatNamed(target);
    switch (f ? f->kind : FileKind::Besa) {
    case FileKind::Sequence:
        return sequenceFileText(ws);
    case FileKind::Electrode:
        return electrodeFileText(ws);
    case FileKind::Shape:
        return shapeFileText(ws);
    case FileKind::Besa:
        return besaFileText(ws);
    case FileKind::Curry:
        return curryFileText(ws);
    case FileKind::Calibration:
        return calibrationFileText(ws);
    case FileKind::Fiducials:
        return fiducialsFileText(ws);
    case FileKind::Dewar:
        break;
    }
    return std::nullopt;
}

QString checkFile(const QString &target, const QByteArray &input)
{
    FakeDialogs dialogs;
    static const Workspace before = seeded();
    static const QByteArray unchanged = fingerprint(before);
    Workspace ws = before;
    try {
        readTarget(target, input, ws, dialogs);
    } catch (const FileError &) {
        if (fingerprint(ws) != unchanged)
            return QStringLiteral("a refused file changed the data");
        return {};
    }
    std::optional<QByteArray> written;
    try {
        written = writeTarget(target, ws);
    } catch (const FileError &e) {
        if (e.kind() == FileError::Kind::Refused)
            return {};
        return QStringLiteral("the writer failed: ") + e.message();
    }
    if (!written)
        return {};
    Workspace again = before;
    try {
        readTarget(target, *written, again, dialogs);
    } catch (const FileError &e) {
        return QStringLiteral("the reader refuses what the writer wrote: ") + e.message() +
               QStringLiteral("\n") + QString::fromLatin1(*written);
    }
    const std::optional<QByteArray> rewritten = writeTarget(target, again);
    if (rewritten != written)
        return QStringLiteral("what the writer wrote reads back differently:\n") +
               QString::fromLatin1(*written) + QStringLiteral("\nthen\n") +
               QString::fromLatin1(rewritten.value_or(QByteArray()));
    return {};
}

QString checkSettings(const QByteArray &input)
{
    Settings s;
    SettingsFile::readText(input, s);
    const QByteArray written = SettingsFile::text(s);
    Settings again;
    SettingsFile::readText(written, again);
    if (SettingsFile::text(again) != written)
        return QStringLiteral("the settings file reads back differently:\n") +
               QString::fromLatin1(written);
    return {};
}

QString checkRecord(const QByteArray &input)
{
    if (input.size() < 2)
        return {};
    static const DigitizerModel models[] = {DigitizerModel::Isotrak, DigitizerModel::Fastrak,
                                            DigitizerModel::Patriot};
    const DigitizerModel model = models[quint8(input[0]) % 3];
    const int blocks = quint8(input[1]) % 4 == 0 ? Records::AllBlocks : quint8(input[1]) % 4;
    const QString record = QString::fromLatin1(input.mid(2));
    QString problem;
    const std::optional<Reading> reading = Records::parseReading(model, record, blocks, &problem);
    if (!reading)
        return problem.isEmpty() ? QStringLiteral("a refused record gives no reason") : QString();
    if (!reading->stylus.allFinite())
        return QStringLiteral("an accepted record has a stylus position that is not finite");
    for (const ReceiverPose &r : reading->receivers)
        if (!r.positionCm.allFinite() || !r.rotation.allFinite())
            return QStringLiteral("an accepted record has a receiver that is not finite");
    return {};
}
} // namespace

namespace FuzzChecks {

QStringList targets()
{
    QStringList out;
    for (const FileFormat &f : fileFormats())
        out << f.extension;
    return out << QStringLiteral("table") << QStringLiteral("settings")
               << QStringLiteral("records");
}

QString check(const QString &target, const QByteArray &input)
{
    try {
        if (target == QLatin1String("settings"))
            return checkSettings(input);
        if (target == QLatin1String("records"))
            return checkRecord(input);
        return checkFile(target, input);
    } catch (const FileError &e) {
        return QStringLiteral("a FileError escaped where none may: ") + e.message();
    } catch (const std::exception &e) {
        return QStringLiteral("an exception other than FileError escaped: ") +
               QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("an unknown exception escaped");
    }
}

} // namespace FuzzChecks
