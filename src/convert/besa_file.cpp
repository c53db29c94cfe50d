#include "besa_file.h"

#include "data/file_error.h"
#include "data/number_text.h"
#include "data/point_types.h"
#include "data/text_grammar.h"
#include "data/text_out.h"
#include "data/workspace.h"

#include <QRegularExpression>

namespace {
struct LabelledPoint
{
    QString label;
    Point3 pos = Point3::Zero();
};

LabelledPoint splitLine(const QString &line)
{
    static const QRegularExpression separators(QStringLiteral("[ \\t]+"));
    const QStringList f = line.split(separators, Qt::SkipEmptyParts);
    LabelledPoint p;
    p.label = f.value(0);
    for (int c = 0; c < 3; ++c)
        p.pos[c] = readNumber(f.value(c + 1));
    return p;
}

bool isBlank(const QString &line)
{
    return line.trimmed().isEmpty();
}
} // namespace

int besaFiducialIndex(const QString &label)
{
    if (!label.startsWith(QLatin1String("Fi")))
        return -1;
    static const QStringList names[] = {
        {"Nz", "NAS", "NZ", "nas"}, {"T9", "t9", "LPA"}, {"T10", "t10", "RLA", "RPA"}};
    const QString rest = label.mid(3);
    for (int f = 0; f < 3; ++f)
        if (names[f].contains(rest))
            return f;
    return -1;
}

QString besaTypeOfLabel(const QString &label)
{
    const int f = besaFiducialIndex(label);
    if (f >= 0)
        return PointTypes::fiducialCodes()[f];
    if (label.startsWith(QLatin1String("Fi")))
        return {};
    if (QStringList{"Sf", "SF", "sf", "sF"}.contains(label.left(2)))
        return PointTypes::OtherNamed;
    return PointTypes::Electrode;
}

void ReadBesaFile(LineReader &in, Workspace &ws)
{
    if (in.atEnd())
        throw FileError(FileError::Kind::WrongType, QStringLiteral("wrong file type"));
    Workspace next = ws;
    for (int j = 0; j < 3; ++j) {
        const LabelledPoint p = splitLine(in.readLine());
        next.besa.FidName[j] = p.label;
        next.besa.Fid[j] = p.pos;
    }
    std::vector<LabelledPoint> points;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!isBlank(line))
            points.push_back(splitLine(line));
    }
    const int n = static_cast<int>(points.size());
    next.besa.resize(n);
    for (int i = 0; i < n; ++i) {
        next.besa.Name[i] = points[i].label;
        next.besa.Type[i] = besaTypeOfLabel(points[i].label);
        next.besa.Pos[i] = points[i].pos;
    }
    copyToMeasured(next, next.besa, n);
    ws = next;
}

QByteArray besaFileText(const Workspace &ws)
{
    TextOut out(ws.settings);
    const QString sep = QStringLiteral("  ");
    auto xyz = [&](const Point3 &p) {
        return out.real(p.x()) + sep + out.real(p.y()) + sep + out.real(p.z());
    };
    for (int j = 0; j < 3; ++j)
        out.line(Fixed8(ws.besa.FidName[j]).text() + sep + xyz(ws.besa.Fid[j]));
    const int n = std::min<int>(ws.sensors.NumSensors, int(ws.besa.Pos.size()));
    for (int i = 0; i < n; ++i)
        out.line(ws.besa.Name[i] + sep + xyz(ws.besa.Pos[i]));
    return out.bytes();
}

QByteArray besaLabelText(const Workspace &ws)
{
    TextOut out(ws.settings);
    const int n = std::min<int>(ws.sensors.NumSensors, int(ws.besa.Name.size()));
    for (int i = 0; i < n; ++i)
        out.line(QStringLiteral("EEG\t") + ws.besa.Name[i]);
    return out.bytes();
}

QString labelFileName(const QString &sfpPath)
{
    return sfpPath.left(sfpPath.size() - 3) + QStringLiteral("ela");
}

void WriteBesaFiles(const QString &sfpPath, Workspace &ws)
{
    saveText(sfpPath, besaFileText(ws));
    saveText(labelFileName(sfpPath), besaLabelText(ws));
    ws.ElectrodesDirty = 0;
}
