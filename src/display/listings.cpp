#include "listings.h"

#include "data/number_text.h"
#include "data/workspace.h"

namespace {
const QString CR(QChar(13));

QString fmt(const Workspace &ws, double v)
{
    return curryPadded(myFormat(v, QStringLiteral("#0.#0"), ws.settings, nullptr), ws.settings);
}
QString name8(const QString &s)
{
    return Fixed8(s).text();
}

// File name, title and, for the sensor listings, probe name and count.
QString head(const Workspace &ws, const QString &file, const QString &title, bool compact)
{
    return QStringLiteral("File name: ") + file + CR + CR + title + CR + CR +
           (compact ? QStringLiteral("Probe name:") : QStringLiteral("Probe name: ")) +
           ws.ProbeName.text() + CR +
           (compact ? QStringLiteral("Number of sensors:")
                    : QStringLiteral("Number of sensors: ")) +
           Str(ws.sensors.NumSensors) + CR + CR;
}

QString strFids(const FidTriple &fid)
{
    QString out;
    for (const Point3 &f : fid) {
        out += CR;
        for (int c = 0; c < 3; ++c)
            out += Str(f[c]) + QStringLiteral("  ");
        out += CR;
    }
    return out;
}

QString strMatrix(const Transform4 &m)
{
    QString out;
    for (int r = 0; r < 4; ++r) {
        out += CR;
        for (int c = 0; c < 4; ++c)
            out += Str(m(r, c)) + QStringLiteral("  ");
        out += CR;
    }
    return out;
}

int sensorCount(const Workspace &ws, size_t available)
{
    return std::max(0, std::min<int>(ws.sensors.NumSensors, int(available)));
}

// The electrode listing of one set; `variant` 0 internal, 1 TEVO, 2 BESA, 3 Curry.
QString electrodeListing(const Workspace &ws, int variant)
{
    const bool curry = variant == 3;
    QString out = head(ws, ws.ElectrodeFile, QStringLiteral("ELECTRODE data"), false);
    out += (curry ? QStringLiteral("FIDUCIALS - values are in millimeters")
                  : QStringLiteral("FIDUCIALS - values are in centimeters")) +
           CR;
    static const char *tevoLabels[] = {"Nasion", "LPA", "RPA"};
    switch (variant) {
    case 0:
        for (int f = 0; f < 3; ++f) {
            out += CR + ws.meas.FidName[f].text() + QStringLiteral("  ");
            for (int c = 0; c < 3; ++c)
                out += fmt(ws, ws.meas.Fid[f][c] * toCentimetres(ws.meas.unit)) +
                       QStringLiteral("    ");
        }
        out += CR + CR + CR;
        break;
    case 1:
        for (int f = 0; f < 3; ++f) {
            out += CR + QLatin1String(tevoLabels[f]) + QStringLiteral("  ");
            for (int c = 0; c < 3; ++c)
                out += fmt(ws, ws.tevo.Fid[f][c] * 100) + QStringLiteral("    ");
            out += CR;
        }
        out += CR + CR;
        break;
    case 2:
        out += CR;
        for (int f = 0; f < 3; ++f) {
            out += CR + name8(ws.besa.FidName[f]) + QStringLiteral("  ");
            for (int c = 0; c < 3; ++c)
                out += QStringLiteral("    ") +
                       fmt(ws, ws.besa.Fid[f][c] * toCentimetres(ws.besa.unit)) +
                       QStringLiteral("    ");
        }
        out += CR + CR + CR;
        break;
    default:
        out += CR + CR;
        for (int f = 0; f < 3; ++f) {
            for (int c = 0; c < 3; ++c)
                out += fmt(ws, ws.curry.Fid[f][c]) + QStringLiteral("    ");
            out += ws.curry.FidName[f] + CR;
        }
        out += CR + CR;
        break;
    }
    out += (curry ? QStringLiteral("ELECTRODES - values are in millimeters")
                  : QStringLiteral("ELECTRODES - values are in centimeters")) +
           CR + CR;
    auto xyz = [&](const Point3 &p, double scale) {
        return fmt(ws, p.x() * scale) + QStringLiteral("    ") + fmt(ws, p.y() * scale) +
               QStringLiteral("    ") + fmt(ws, p.z() * scale);
    };
    if (variant == 0) {
        for (int i = 0; i < sensorCount(ws, ws.meas.Pos.size()); ++i)
            out += ws.meas.Name[i].text() + QStringLiteral("  ") +
                   xyz(ws.meas.Pos[i], toCentimetres(ws.meas.unit)) + CR + CR;
    } else if (variant == 1) {
        for (int i = 0; i < sensorCount(ws, ws.tevo.Pos.size()); ++i)
            out +=
                ws.tevo.Name[i].text() + QStringLiteral("  ") + xyz(ws.tevo.Pos[i], 100) + CR + CR;
    } else if (variant == 2) {
        for (int i = 0; i < sensorCount(ws, std::min(ws.besa.Pos.size(), ws.besa.Name.size())); ++i)
            out += ws.besa.Name[i] + QStringLiteral("  ") +
                   xyz(ws.besa.Pos[i], toCentimetres(ws.besa.unit)) + CR + CR;
    } else {
        for (int i = 0; i < sensorCount(ws, std::min(ws.curry.Pos.size(), ws.curry.Name.size()));
             ++i)
            out += xyz(ws.curry.Pos[i], 1) + QStringLiteral("    ") + ws.curry.Name[i] + CR + CR;
    }
    return out;
}

QString coilSix(const CoilData &coils, const char *afterThird, const char *afterName)
{
    const auto &n = coils[0];
    return QLatin1String(afterName) + Str(n[0]) + QStringLiteral("  ") + Str(n[1]) +
           QStringLiteral("  ") + Str(n[2]) + QLatin1String(afterThird) + Str(n[3]) +
           QStringLiteral("  ") + Str(n[4]) + QStringLiteral("  ") + Str(n[5]);
}
// Coil 1 of every sensor of the dewar and calibration listings.
QString sensorRows(const Workspace &ws, const char *afterThird)
{
    QString out;
    for (int s = 0; s < sensorCount(ws, ws.sensors.SensorCoil.size()); ++s)
        out += CR + ws.sensors.SensorName[s].text() +
               coilSix(ws.sensors.SensorCoil[s], afterThird, "   ") + CR + CR;
    return out;
}
} // namespace

namespace Listings {

QString dewar(const Workspace &ws)
{
    return head(ws, ws.DewarFile, QStringLiteral("DEWAR data"), true) +
           QStringLiteral("Dewar Fiducials") + CR + strFids(ws.DewarFid) + CR +
           sensorRows(ws, "     ");
}

QString calibration(const Workspace &ws)
{
    QString out = head(ws, ws.CalibrationFile, QStringLiteral("CALIBRATION data"), true) +
                  QStringLiteral("Calibration matrices") + CR;
    for (int r = 0; r < 4; ++r) {
        out += CR;
        for (int c = 0; c < 4; ++c)
            out += Str(ws.m.MCalib(r, c)) + QStringLiteral("  ");
    }
    return out + CR + sensorRows(ws, "  ");
}

QString probe(const Workspace &ws)
{
    QString out = head(ws, ws.ElectrodeFile, QStringLiteral("PROBE data"), true) +
                  QStringLiteral("Subject Fiducials") + CR + strFids(ws.ProbeFid) + CR;
    for (int s = 0; s < sensorCount(ws, ws.sensors.ProbeCoil.size()); ++s)
        out += ws.sensors.SensorName[s].text() + coilSix(ws.sensors.ProbeCoil[s], "    ", "  ") +
               CR + CR;
    return out;
}

QString fiducials(const Workspace &ws)
{
    QString out = QStringLiteral("File name: ") + ws.FiducialsFile + CR + CR +
                  QStringLiteral("FIDUCIALS data") + CR + CR + QStringLiteral("Session name:") +
                  ws.SessionName.text() + CR + QStringLiteral("Tlocation, nReceivers:") +
                  Str(ws.TransmitterLocation) + QStringLiteral(",") + Str(ws.ReceiverCount) + CR +
                  CR;
    for (int k = 0; k < std::min<int>(ws.ReceiverCount, int(ws.ReceiverFid.size())); ++k)
        out += CR + QStringLiteral("F/Receiver") + Str(k + 1) + CR + strFids(ws.ReceiverFid[k]);
    out += CR + QStringLiteral("MFida") + strMatrix(ws.m.MFida);
    out += CR + QStringLiteral("MFidb") + strMatrix(ws.m.MFidb);
    return out;
}

QString sequence(const Workspace &ws)
{
    QString out = QStringLiteral("File name: ") + ws.SequenceFile + CR + CR +
                  QStringLiteral("SEQUENCE data") + CR + QStringLiteral("Number of points:") +
                  Str(ws.NumSeq) + CR + CR;
    for (int i = 0; i < ws.NumSeq; ++i)
        out += Str(i + 1) + QStringLiteral("   ") + ws.SeqName.value(i) + QStringLiteral("   ") +
               ws.SeqCode.value(i) + CR;
    return out;
}

QString internalElectrodes(const Workspace &ws)
{
    return electrodeListing(ws, 0);
}

QString electrodes(const Workspace &ws)
{
    const QString &system = ws.settings.CoordinateSystem;
    return electrodeListing(ws, system == QLatin1String("BESA")    ? 2
                                : system == QLatin1String("Curry") ? 3
                                                                   : 1);
}

QString shape(const Workspace &ws)
{
    QString out = QStringLiteral("File name: ") + ws.ShapeFile + CR + CR +
                  QStringLiteral("SHAPE data") + CR + CR + QStringLiteral("Subject name: ") +
                  ws.ShapeName.text() + CR + QStringLiteral("Number of points: ") +
                  Str(ws.NumShapePoints) + CR + CR +
                  QStringLiteral("FIDUCIALS - values are in centimeters") + CR;
    for (const Point3 &f : ws.ShapeFid) {
        out += CR;
        for (int c = 0; c < 3; ++c)
            out += fmt(ws, f[c] * 100) + QStringLiteral("    ");
        out += CR;
    }
    out += CR + CR + QStringLiteral("DIGITIZED POINTS - values are in centimeters") + CR + CR;
    const int n = std::max(0, std::min<int>(ws.NumShapePoints, int(ws.ShapePos.size())));
    for (int i = 0; i < n; ++i) {
        const Point3 &p = ws.ShapePos[i];
        out += fmt(ws, p.x() * 100) + QStringLiteral("    ") + fmt(ws, p.y() * 100) +
               QStringLiteral("    ") + fmt(ws, p.z() * 100) + CR;
    }
    return out;
}

QString byViewName(const Workspace &ws, const QString &view, bool *known)
{
    using Fn = QString (*)(const Workspace &);
    static const Fn fns[] = {dewar,    calibration,        fiducials,  probe,
                             sequence, internalElectrodes, electrodes, shape};
    const qsizetype i = ViewNames.indexOf(view);
    if (known)
        *known = i >= 0;
    return i >= 0 ? fns[i](ws) : QString();
}

} // namespace Listings
