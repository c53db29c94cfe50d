#include "shape_file.h"

#include "data/electrode_file.h"
#include "data/text_grammar.h"
#include "data/text_out.h"
#include "data/workspace.h"

void ReadShapeFile(LineReader &in, Workspace &ws)
{
    const int revision = readTypeAndRevision(in);
    const QString name = GetNameTag(in.ReadDataLine());
    int code = 0, count = 0;
    const QString countLine = in.ReadDataLine();
    SplitTwoInts(countLine, code, count, in.lineNumber());
    const int n = checkedCount(count, in, 1, QStringLiteral("shape points"));
    FidTriple fid;
    for (Point3 &f : fid)
        f = readTagF3(in);
    in.ReadDataLine(); // rows and columns: the count above rules
    std::vector<Point3> points(n);
    for (Point3 &p : points) {
        const QString line = in.ReadDataLine();
        ParseThree(line, p.x(), p.y(), p.z(), in.lineNumber());
    }
    ws.MinorRevision = revision;
    ws.ShapeName = name;
    ws.ShapeCode = code;
    ws.NumShapePoints = n;
    ws.ShapeFid = fid;
    ws.ShapePos = std::move(points);
}

QByteArray shapeFileText(const Workspace &ws)
{
    TextOut out(ws.settings);
    out.line(QStringLiteral("3\t200"))
        .line(QStringLiteral("//Shape file"))
        .line(QStringLiteral("//Minor revision number"))
        .line(QStringLiteral("2"))
        .line(QStringLiteral("//Subject name"))
        .line(QStringLiteral("%N\t") + ws.ShapeName.text())
        .line(QStringLiteral("//Shape code, number of digitized points"))
        .line(QStringLiteral("%1\t%2").arg(ws.ShapeCode).arg(ws.NumShapePoints))
        .line(QStringLiteral("//Position of fiducials X+, Y+, Y- on the subject"));
    for (const Point3 &f : ws.ShapeFid)
        out.line(QStringLiteral("%F\t") + out.reals({f.x(), f.y(), f.z()}));
    out.line(QStringLiteral("//No of rows, no of columns; position of digitized points"))
        .line(QStringLiteral("%1\t3").arg(ws.NumShapePoints));
    const int n = std::min<int>(ws.NumShapePoints, int(ws.ShapePos.size()));
    for (int i = 0; i < n; ++i) {
        const Point3 &p = ws.ShapePos[i];
        out.line(out.reals({p.x(), p.y(), p.z()}));
    }
    return out.bytes();
}

void WriteShapeFile(const QString &path, Workspace &ws)
{
    saveText(path, shapeFileText(ws));
    ws.ShapeDirty = 0;
}
