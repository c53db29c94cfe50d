#include "service_dumps.h"

#include "data/number_text.h"
#include "data/point_types.h"
#include "data/text_out.h"
#include "data/workspace.h"

namespace ServiceDumps {

namespace {
const QString Separator = QStringLiteral("//=================================================");

const Transform4 &matrixOf(const NamedTransforms &m, int index)
{
    const Transform4 *all[] = {&m.MCalib1, &m.MCalib2, &m.MCalib,  &m.MFid1,    &m.MFid2a,
                               &m.MFid2b,  &m.MFida,   &m.MFidb,   &m.MFidfa,   &m.MFidfb,
                               &m.MProbe,  &m.MHeada,  &m.MHeadb,  &m.MAlla,    &m.MAllb,
                               &m.MStep1,  &m.MStep2a, &m.MStep2b, &m.MPosition};
    return *all[index];
}

// A record on its own line(s): its own line ends stay, the last one is the dump's.
QString recordText(const QString &record)
{
    QString r = record;
    while (r.endsWith(QLatin1Char('\n')) || r.endsWith(QLatin1Char('\r')))
        r.chop(1);
    return r;
}

QString tabbed(const Point3 &p)
{
    return Str(p.x()) + QLatin1Char('\t') + Str(p.y()) + QLatin1Char('\t') + Str(p.z());
}

void section(TextOut &out, const QString &title)
{
    out.line(Separator).line(title);
}

// Pass 1 fiducials 1..3, then pass 2, each label followed by its record.
void twoPasses(TextOut &out, const std::array<QString, 6> &records)
{
    for (int pass = 1; pass <= 2; ++pass) {
        for (int i = 1; i <= 3; ++i) {
            out.line(QStringLiteral("//Pass %1, Fiducial #").arg(pass) + Str(i));
            out.verbatim(recordText(records[(pass - 1) * 3 + i - 1]));
        }
    }
}

void electrodeSection(TextOut &out, const Workspace &ws)
{
    section(out, QStringLiteral("//Electrode Data"));
    // The last record of a fiducial step is not kept apart from the sequence.
    out.line(QStringLiteral("//InString6"));
    out.line(QStringLiteral("//Fiducials"));
    int fiducial = 0;
    for (int i = 0; i < ws.NumSeq; ++i) {
        if (!PointTypes::isFiducial(ws.SeqCode.value(i)))
            continue;
        out.line(QStringLiteral("//Fiducial #") + Str(++fiducial));
        out.verbatim(recordText(ws.SeqRaw.value(i)));
    }
    out.line(QStringLiteral("//Electrodes"));
    int electrode = 0;
    for (int i = 0; i < ws.NumSeq; ++i) {
        if (PointTypes::isFiducial(ws.SeqCode.value(i)))
            continue;
        out.line(QStringLiteral("//Electrode #") + Str(++electrode));
        out.verbatim(recordText(ws.SeqRaw.value(i)));
    }
    out.line(QStringLiteral("//Locations"));
    out.line(QStringLiteral("//Fiducials, fE(i)"));
    for (const Point3 &f : ws.meas.Fid)
        out.line(tabbed(f));
    out.line(QStringLiteral("//Electrode locations"));
    for (int i = 0; i < ws.sensors.NumSensors && i < int(ws.meas.Pos.size()); ++i)
        out.line(tabbed(ws.meas.Pos[i]));
}
} // namespace

const QStringList &matrixNames()
{
    static const QStringList names = {
        QStringLiteral("MCalib1"),  QStringLiteral("MCalib2"), QStringLiteral("MCalib"),
        QStringLiteral("MFid1"),    QStringLiteral("MFid2a"),  QStringLiteral("MFid2b"),
        QStringLiteral("MFida"),    QStringLiteral("MFidb"),   QStringLiteral("MFidfa"),
        QStringLiteral("MFidfb"),   QStringLiteral("MProbe"),  QStringLiteral("MHeada"),
        QStringLiteral("MHeadb"),   QStringLiteral("MAlla"),   QStringLiteral("MAllb"),
        QStringLiteral("MStep1"),   QStringLiteral("MStep2a"), QStringLiteral("MStep2b"),
        QStringLiteral("MPosition")};
    return names;
}

QByteArray matricesText(const Workspace &ws)
{
    TextOut out(ws.settings);
    for (int k = 0; k < matrixNames().size(); ++k) {
        out.line(QStringLiteral("//") + matrixNames()[k]);
        const Transform4 &m = matrixOf(ws.m, k);
        for (int i = 0; i < 4; ++i) {
            out.line(Str(m(i, 0)) + QLatin1Char('\t') + Str(m(i, 1)) + QLatin1Char('\t') +
                     Str(m(i, 2)) + QLatin1Char('\t') + Str(m(i, 3)));
        }
    }
    return out.bytes();
}

QByteArray rawDataText(const Workspace &ws, const QString &lineSettings)
{
    TextOut out(ws.settings);
    const RawRecords &raw = ws.raw;
    section(out, QStringLiteral("//Baud Rate"));
    out.line(lineSettings).line(QString());

    section(out, QStringLiteral("//Calibration Data"));
    twoPasses(out, raw.calibration);
    out.line(QString());

    section(out, QStringLiteral("//Fiducials Data"));
    twoPasses(out, raw.fiducials);
    out.line(QString());

    section(out, QStringLiteral("//Probe Data"));
    for (int i = 0; i < 2; ++i)
        out.line(QStringLiteral("//Measurement #%1").arg(i + 1)).verbatim(recordText(raw.probe[i]));
    out.line(QString());

    section(out, QStringLiteral("//Shape data"));
    out.line(QStringLiteral("//Shape fiducials"));
    twoPasses(out, raw.shapeFiducials);
    // The stream itself is not kept, only the records of the points kept from it.
    out.line(QStringLiteral("//Shape points"));
    out.line(QStringLiteral("//Parsed shape points"));
    for (int i = 0; i < raw.shapePoints.size(); ++i)
        out.line(QStringLiteral("//Point #") + Str(i + 1)).verbatim(recordText(raw.shapePoints[i]));
    out.line(QString());

    electrodeSection(out, ws);
    out.line(QString());
    return out.bytes();
}

QByteArray sequenceDataText(const Workspace &ws)
{
    TextOut out(ws.settings);
    for (int i = 0; i < ws.NumSeq; ++i) {
        out.line(QStringLiteral("#") + Str(i + 1) + QStringLiteral("  ") + ws.SeqName.value(i) +
                 QStringLiteral("  ") + ws.SeqCode.value(i));
        out.verbatim(recordText(ws.SeqRaw.value(i)));
    }
    return out.bytes();
}

} // namespace ServiceDumps
