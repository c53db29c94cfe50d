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
#include "seams/dialogs.h"

#include <exception>

namespace {
// Takes every message and answers with the default.
class QuietDialogs final : public Dialogs
{
public:
    Answer message(const QString &, const QString &, Buttons, Icon, Answer answer) override
    {
        return answer;
    }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFileName(const FileRequest &) override { return std::nullopt; }
    std::optional<QString> saveFileName(const FileRequest &) override { return std::nullopt; }
};

// The exact bits, cheaply: the fingerprint runs once per input.
QString num(double v)
{
    return QString(reinterpret_cast<const QChar *>(&v), sizeof v / sizeof(QChar));
}
QString point(const Point3 &p)
{
    return num(p.x()) + num(p.y()) + num(p.z());
}
QString fids(const FidTriple &f)
{
    return point(f[0]) + point(f[1]) + point(f[2]);
}
QString matrix(const Transform4 &m)
{
    QString out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out += num(m(r, c));
    return out;
}
template <typename NameT> QString set(const ElectrodeSetOf<NameT> &s)
{
    QString out = QString::number(int(s.unit)) + fids(s.Fid);
    for (const NameT &n : s.FidName)
        out += QString(n) + QLatin1Char('|');
    out += s.Type.join(QLatin1Char('|'));
    for (const NameT &n : s.Name)
        out += QString(n) + QLatin1Char('|');
    for (const Point3 &p : s.Pos)
        out += point(p);
    return out + QLatin1Char('\n');
}

// Everything a reader may touch, as text, so "nothing changed" is one comparison.
QString fingerprint(const Workspace &ws)
{
    const Settings &st = ws.settings;
    QString out = QString::number(int(st.Digitizer)) + st.CoordinateSystem + st.DecimalPoint +
                  st.Hemisphere + QString::number(st.CommPort) + st.SoundSetting +
                  QLatin1Char('\n');
    for (int v : {ws.ReceiverCount, ws.TransmitterLocation, ws.SeqDirty, ws.ElectrodesDirty,
                  ws.ShapeDirty, ws.MinorRevision, ws.ProbeType, ws.ShapeCode, ws.NumShapePoints,
                  ws.NumSeq, int(ws.BesaFromTable)})
        out += QString::number(v) + QLatin1Char(' ');
    out += QStringList{ws.DewarFile, ws.CalibrationFile, ws.FiducialsFile, ws.ElectrodeFile,
                       ws.ShapeFile, ws.SequenceFile,    ws.SequenceTitle, ws.DataPath,
                       ws.ProbeName, ws.SessionName,     ws.ShapeName}
               .join(QLatin1Char('|'));
    const SensorTables &s = ws.sensors;
    out += QString::number(s.NumSensors) + s.SensorType.join(QLatin1Char('|'));
    for (const Fixed8 &n : s.SensorName)
        out += n.text();
    for (const auto *coils : {&s.SensorCoil, &s.ProbeCoil})
        for (const CoilData &c : *coils)
            for (const auto &six : c)
                for (double v : six)
                    out += num(v);
    for (const auto &p : s.CoilPar1)
        out += num(p[0]) + num(p[1]);
    for (const auto &p : s.CoilPar23)
        out += num(p[0][0]) + num(p[0][1]) + num(p[1][0]) + num(p[1][1]);
    for (int c : s.CoilCode1)
        out += QString::number(c) + QLatin1Char(' ');
    for (const auto &c : s.CoilCode23)
        out += QString::number(c[0]) + QLatin1Char(' ') + QString::number(c[1]);
    out += fids(ws.DewarFid) + fids(ws.ProbeFid) + QLatin1Char('\n');
    const NamedTransforms &m = ws.m;
    for (const Transform4 *t :
         {&m.MPosition, &m.MRotation, &m.MCalib1, &m.MCalib2, &m.MCalib,  &m.MFid1,  &m.MFid2a,
          &m.MFid2b,    &m.MFida,     &m.MFidb,   &m.MFidfa,  &m.MFidfb,  &m.MProbe, &m.MHeada,
          &m.MHeadb,    &m.MAlla,     &m.MAllb,   &m.MStep1,  &m.MStep2a, &m.MStep2b})
        out += matrix(*t);
    for (const FidTriple &f : ws.ReceiverFid)
        out += fids(f);
    out += set(ws.meas) + set(ws.tevo) + set(ws.besa) + set(ws.curry);
    for (const QString &t : ws.CurryFidType)
        out += t + QLatin1Char('|');
    out += fids(ws.ShapeFid);
    for (const Point3 &p : ws.ShapePos)
        out += point(p);
    out += ws.SeqName.join(QLatin1Char('|')) + ws.SeqCode.join(QLatin1Char('|')) +
           QString::number(ws.SeqRaw.size());
    return out;
}

// A run that already holds data in every set, so a change shows.
Workspace seeded()
{
    Workspace ws;
    ws.settings = {DigitizerModel::Fastrak,
                   QStringLiteral("TEVO"),
                   QStringLiteral("Period"),
                   QStringLiteral("0,0,1"),
                   1,
                   QStringLiteral("OFF")};
    ws.ElectrodeFile = QStringLiteral("before.elp");
    ws.ProbeName = QStringLiteral("before");
    ws.sensors.resize(1);
    ws.sensors.SensorName[0] = QStringLiteral("MEG0111");
    ws.sensors.SensorCoil[0][0] = {0.01, 0.02, 0.03, 0, 0, 1};
    ws.m.MCalib = Transform4::Identity();
    ws.m.MFida = Transform4::Identity();
    ws.ReceiverCount = 1;
    ws.ReceiverFid.assign(1, {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)});
    for (ElectrodeSetOf<Fixed8> *s : {&ws.meas, &ws.tevo}) {
        s->resize(1);
        s->Name[0] = QStringLiteral("Cz");
        s->Pos[0] = Point3(0, 0, 0.1);
        s->Fid = ws.ReceiverFid[0];
    }
    for (ElectrodeSetOf<QString> *s : {&ws.besa, &ws.curry}) {
        s->resize(1);
        s->Name[0] = QStringLiteral("Cz");
        s->Pos[0] = Point3(0, 0, 9);
    }
    ws.ShapeFid = ws.ReceiverFid[0];
    ws.NumShapePoints = 1;
    ws.ShapePos = {Point3(0.01, 0.02, 0.03)};
    ws.NumSeq = 1;
    ws.SeqName = {QStringLiteral("Cz")};
    ws.SeqCode = {QStringLiteral("400")};
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
    QuietDialogs dialogs;
    static const Workspace before = seeded();
    static const QString unchanged = fingerprint(before);
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
