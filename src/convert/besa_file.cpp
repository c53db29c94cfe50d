#include "besa_file.h"

#include "data/file_error.h"
#include "data/number_text.h"
#include "data/point_types.h"
#include "data/text_grammar.h"
#include "data/text_out.h"
#include "data/workspace.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {
struct LabelledPoint
{
    QString label;
    Point3 pos = Point3::Zero();
};

const QRegularExpression &separators()
{
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    return blanks;
}

// A label and three numbers separated by blanks or TABs; anything after them is ignored.
LabelledPoint splitLine(const QString &line, int lineNumber)
{
    const QStringList f = line.split(separators(), Qt::SkipEmptyParts);
    if (f.size() < 4)
        throw FileError(FileError::Kind::Malformed,
                        QStringLiteral("Line %1 holds %2 fields where a label and three "
                                       "coordinates are needed.")
                            .arg(lineNumber)
                            .arg(f.size()));
    LabelledPoint p;
    p.label = labelFromFile(f[0]);
    for (int c = 0; c < 3; ++c)
        p.pos[c] = numberField(f[c + 1], c + 1, lineNumber);
    return p;
}

bool isBlank(const QString &line)
{
    return line.trimmed().isEmpty();
}

// Electrode labels keep the width of a name, blanks after the text only.
QString paddedLabel(const QString &name)
{
    return labelForFile(name).leftJustified(Fixed8::Width, QLatin1Char(' '));
}

QString nameAt(const Workspace &ws, int i)
{
    return i < int(ws.besa.Name.size()) ? ws.besa.Name[i] : QString();
}
} // namespace

QString labelForFile(const QString &label)
{
    // Blanks as QString::trimmed() knows them (NEL and no-break space too), so what is trimmed
    // and what is replaced never differ.
    QString token;
    const QString trimmed = label.trimmed();
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        if (!trimmed[i].isSpace())
            token += trimmed[i];
        else if (!token.endsWith(QLatin1Char('_')) || !trimmed[i - 1].isSpace())
            token += QLatin1Char('_');
    }
    return token.isEmpty() ? BlankLabel : token;
}

QString labelFromFile(const QString &token)
{
    return token == BlankLabel ? QString() : token;
}

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
    Workspace next = ws;
    std::vector<LabelledPoint> points;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!isBlank(line))
            points.push_back(splitLine(line, in.lineNumber()));
    }
    if (points.size() < 3)
        throw FileError(FileError::Kind::WrongType, QStringLiteral("wrong file type"));
    for (int j = 0; j < 3; ++j) {
        next.besa.FidName[j] = points[j].label;
        next.besa.Fid[j] = points[j].pos;
    }
    const int n = static_cast<int>(points.size()) - 3;
    next.besa.resize(n);
    next.besa.unit = LengthUnit::Metres;
    for (int i = 0; i < n; ++i) {
        const LabelledPoint &p = points[i + 3];
        next.besa.Name[i] = p.label;
        next.besa.Type[i] = besaTypeOfLabel(p.label);
        next.besa.Pos[i] = p.pos;
    }
    copyToMeasured(next, next.besa, n);
    ws = next;
}

void ReadTableFile(LineReader &in, Workspace &ws)
{
    Workspace next = ws;
    ReadBesaFile(in, next);
    // A table holds the centimetres it was typed in.
    next.besa.unit = next.meas.unit = LengthUnit::Centimetres;
    ws = next;
}

QByteArray besaFileText(const Workspace &ws)
{
    const int n = std::min<int>(ws.sensors.NumSensors, int(ws.besa.Pos.size()));
    if (n <= 0)
        throw FileError(FileError::Kind::Refused,
                        QStringLiteral("There are no electrodes to save; no file was written."));
    TextOut out(ws.settings);
    const QString sep = QStringLiteral("  ");
    auto xyz = [&](const Point3 &p) {
        return out.real(p.x()) + sep + out.real(p.y()) + sep + out.real(p.z());
    };
    // Labels are padded to eight characters and never hold a blank, so the columns stay put.
    for (int j = 0; j < 3; ++j)
        out.line(Fixed8(labelForFile(ws.besa.FidName[j])).text() + sep + xyz(ws.besa.Fid[j]));
    for (int i = 0; i < n; ++i)
        out.line(paddedLabel(nameAt(ws, i)) + sep + xyz(ws.besa.Pos[i]));
    return out.bytes();
}

QByteArray besaLabelText(const Workspace &ws)
{
    TextOut out(ws.settings);
    const int n = std::min<int>(ws.sensors.NumSensors, int(ws.besa.Pos.size()));
    for (int i = 0; i < n; ++i)
        out.line(QStringLiteral("EEG\t") + paddedLabel(nameAt(ws, i)));
    return out.bytes();
}

QString labelFileName(const QString &sfpPath)
{
    const QString name = QFileInfo(sfpPath).fileName();
    const QString folder = sfpPath.left(sfpPath.size() - name.size());
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot >= 0 ? name.left(dot) : name;
    const QString extension = dot >= 0 ? name.mid(dot + 1) : QString();
    const bool upper = !extension.isEmpty() && extension == extension.toUpper() &&
                       extension != extension.toLower();
    return folder + base + (upper ? QStringLiteral(".ELA") : QStringLiteral(".ela"));
}

void WriteBesaFiles(const QString &sfpPath, Workspace &ws)
{
    saveTexts({{sfpPath, besaFileText(ws)}, {labelFileName(sfpPath), besaLabelText(ws)}});
    ws.ElectrodesDirty = 0;
}
