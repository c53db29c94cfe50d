#include "curry_file.h"

#include "convert/besa_file.h"
#include "data/file_error.h"
#include "data/number_text.h"
#include "data/point_types.h"
#include "data/text_grammar.h"
#include "data/text_out.h"
#include "data/workspace.h"
#include "seams/dialogs.h"

#include <QRegularExpression>

namespace {
const QRegularExpression Blanks(QStringLiteral("[ \\t]+"));

void copyCurryToMeasured(Workspace &ws)
{
    copyToMeasured(ws, ws.curry, int(ws.curry.Pos.size()));
}
} // namespace

QByteArray curryFileText(const Workspace &ws)
{
    const int n = std::min<int>(ws.sensors.NumSensors, int(ws.curry.Pos.size()));
    if (n <= 0)
        throw FileError(FileError::Kind::Refused,
                        QStringLiteral("There are no electrodes to save; no file was written."));
    TextOut out(ws.settings, "\n");
    auto row = [&](const char *code, const Point3 &p, const QString &label) {
        const auto mm = [&](double v) { return curryPadded(out.real(v, "#0.00"), ws.settings); };
        out.line(QLatin1String(code) + QLatin1Char(' ') + mm(p.x()) + QLatin1Char(' ') + mm(p.y()) +
                 QLatin1Char(' ') + mm(p.z()) + QStringLiteral(" 0.0 ") + label);
    };
    for (int i = 0; i < n; ++i)
        row(" 0", ws.curry.Pos[i],
            labelForFile(i < int(ws.curry.Name.size()) ? ws.curry.Name[i] : QString()));
    row("-1", ws.curry.Fid[1], QStringLiteral("PAL"));
    row("-2", ws.curry.Fid[0], QStringLiteral("PAR"));
    row("-3", ws.curry.Fid[2], QStringLiteral("NAS"));
    return out.bytes();
}

void WriteCurryFile(const QString &path, Workspace &ws)
{
    saveText(path, curryFileText(ws));
    ws.ElectrodesDirty = 0;
}

bool isCurryNewForm(const QByteArray &bytes)
{
    LineReader in(bytes);
    bool fiducials[3] = {false, false, false};
    static const char *labels[] = {"PAL", "PAR", "NAS"};
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.trimmed().isEmpty())
            continue;
        const QStringList f = line.split(Blanks, Qt::SkipEmptyParts);
        if (f.size() < 5)
            return false;
        const QString code = f[0];
        if (code == QLatin1String("0"))
            continue;
        const int k = QStringList{"-1", "-2", "-3"}.indexOf(code);
        if (k < 0 || f.value(5) != QLatin1String(labels[k]))
            return false;
        fiducials[k] = true;
    }
    return fiducials[0] && fiducials[1] && fiducials[2];
}

void ReadCurryFile(const QByteArray &bytes, Workspace &ws, Dialogs &dialogs)
{
    if (bytes.isEmpty())
        throw FileError(FileError::Kind::WrongType, QStringLiteral("wrong file type"));
    if (!isCurryNewForm(bytes)) {
        LineReader in(bytes);
        ReadCurryOldFile(in, ws, dialogs);
        return;
    }
    Workspace next = ws;
    LineReader in(bytes);
    std::vector<Point3> pos;
    QStringList names;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.trimmed().isEmpty())
            continue;
        const QStringList f = line.split(Blanks, Qt::SkipEmptyParts);
        const int at = in.lineNumber();
        const Point3 p(numberField(f[1], 1, at), numberField(f[2], 2, at),
                       numberField(f[3], 3, at));
        numberField(f[4], 4, at);
        const QString label = labelFromFile(f.mid(5).join(QLatin1Char(' ')));
        if (f[0] == QLatin1String("0")) {
            pos.push_back(p);
            names << label;
        } else {
            // -1 PAL is fiducial 2, -2 PAR fiducial 1, -3 NAS fiducial 3.
            const int slot = QStringList{"-2", "-1", "-3"}.indexOf(f[0]);
            next.curry.Fid[slot] = p;
            next.curry.FidName[slot] = label;
        }
    }
    const int n = static_cast<int>(pos.size());
    dialogs.show(Str(n) + QStringLiteral(" electrodes"));
    next.curry.resize(n);
    next.curry.unit = LengthUnit::Millimetres;
    next.curry.Pos = pos;
    for (int i = 0; i < n; ++i) {
        next.curry.Name[i] = names[i];
        next.curry.Type[i] = PointTypes::Electrode;
    }
    copyCurryToMeasured(next);
    ws = next;
}

void ReadCurryOldFile(LineReader &in, Workspace &ws, Dialogs &dialogs)
{
    if (in.atEnd())
        throw FileError(FileError::Kind::WrongType, QStringLiteral("wrong file type"));
    Workspace next = ws;
    int at = 0;
    // A column cut off by a short line reads as 0 (such lines are reported); a column that
    // holds something else than a number makes the line malformed.
    auto column = [&](const QString &line, int from, int width) {
        const QStringView text = QStringView(line).mid(from - 1, width);
        return text.trimmed().isEmpty() && line.size() < from - 1 + width
                   ? 0.0
                   : numberField(text, (from + 6) / 9, at);
    };
    auto pointOf = [&](const QString &line) {
        return Point3(column(line, 3, 9), column(line, 12, 9), column(line, 21, 9));
    };
    for (int j = 0; j < 3; ++j) {
        const QString line = in.readLine();
        at = in.lineNumber();
        next.CurryFidType[j] = line.left(2);
        next.curry.Fid[j] = pointOf(line);
        next.curry.FidName[j] = line.mid(33);
    }
    QStringList lines;
    QList<int> lineNumbers;
    QStringList doubtful;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty())
            continue;
        if (line.trimmed().isEmpty() || line.size() < 29) {
            doubtful << QString::number(in.lineNumber());
            if (line.trimmed().isEmpty())
                continue;
        }
        lines << line;
        lineNumbers << in.lineNumber();
    }
    if (!doubtful.isEmpty())
        dialogs.show(
            crJoin({QStringLiteral("Lines %1 of the Curry file are not complete electrode lines.")
                        .arg(doubtful.join(QStringLiteral(", "))),
                    QStringLiteral("Check input file with a text editor,"),
                    QStringLiteral("output may have errors.")}));
    const int n = lines.size();
    dialogs.show(Str(n) + QStringLiteral(" electrodes"));
    next.curry.resize(n);
    next.curry.unit = LengthUnit::Millimetres;
    for (int i = 0; i < n; ++i) {
        at = lineNumbers[i];
        next.curry.Type[i] = lines[i].left(2);
        next.curry.Pos[i] = pointOf(lines[i]);
        next.curry.Name[i] = lines[i].mid(33);
    }
    copyCurryToMeasured(next);
    ws = next;
}
