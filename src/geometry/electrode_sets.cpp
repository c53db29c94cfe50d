#include "electrode_sets.h"

#include "data/point_types.h"
#include "data/workspace.h"
#include "geometry/conversions.h"
#include "geometry/frames.h"
#include "geometry/geometry_error.h"
#include "geometry/head_frames.h"
#include "seams/dialogs.h"

#include <vector>

Point3 referredStylus(const Reading &reading, int receiver)
{
    if (receiver == 0)
        return reading.stylus;
    return transformed(reading.receiver(receiver).transform(0), reading.stylus);
}

Point3 headPosition(const Workspace &ws, const Reading &reading)
{
    if (ws.ReceiverCount <= 0)
        return transformed(ws.MRef[0], referredStylus(reading, 0));
    Point3 sum = Point3::Zero();
    for (int r = 1; r <= ws.ReceiverCount; ++r)
        sum += transformed(ws.MRef[r], referredStylus(reading, r));
    return sum / ws.ReceiverCount;
}

namespace {
const Reading &readingOf(const std::vector<Reading> &readings, int i)
{
    static const Reading none;
    return i >= 0 && i < int(readings.size()) ? readings[i] : none;
}

std::vector<int> electrodeIndices(const Workspace &ws)
{
    std::vector<int> out;
    for (int i = 0; i < ws.NumSeq; ++i)
        if (!PointTypes::isFiducial(ws.SeqCode.value(i)))
            out.push_back(i);
    return out;
}

// The names of the first three sequence points go to the label slot of their code;
// `slotCodes` lists the code of each slot in the set's fiducial order.
template <typename NameT>
void placeFiducialLabels(const Workspace &ws, const QStringList &slotCodes,
                         std::array<NameT, 3> &labels)
{
    for (int j = 0; j < 3 && j < ws.NumSeq; ++j) {
        const qsizetype slot = slotCodes.indexOf(ws.SeqCode.value(j));
        if (slot >= 0)
            labels[slot] = ws.SeqName.value(j);
    }
}

bool refuse(Workspace &ws, Dialogs &dialogs)
{
    if (ws.ReceiverCount < 0 || ws.ReceiverCount > 3) {
        dialogs.show(
            QStringLiteral("Choose Digitize > Receivers On Subject before computing electrodes."));
        return true;
    }
    return false;
}
} // namespace

bool ComputeElectrodeSets(Workspace &ws, const std::vector<Reading> &readings, Dialogs &dialogs)
{
    if (refuse(ws, dialogs))
        return false;
    const QStringList codes = PointTypes::fiducialCodes();
    static const char *names[] = {"nasion (code 1)", "left preauricular point (code 2)",
                                  "right preauricular point (code 4)"};
    Workspace next = ws;
    const int first = ws.ReceiverCount == 0 ? 0 : 1;
    const int last = ws.ReceiverCount;
    for (int f = 0; f < 3; ++f) {
        std::vector<int> occurrences;
        for (int i = 0; i < ws.NumSeq; ++i)
            if (ws.SeqCode.value(i) == codes[f])
                occurrences.push_back(i);
        if (occurrences.empty()) {
            dialogs.show(
                QStringLiteral("The sequence has no %1; no electrode positions were computed.")
                    .arg(QLatin1String(names[f])));
            return false;
        }
        for (int ref = first; ref <= last; ++ref) {
            Point3 sum = Point3::Zero();
            for (int s : occurrences)
                sum += referredStylus(readingOf(readings, s), ref);
            next.RefFid[ref][f] = sum / double(occurrences.size());
        }
    }
    try {
        next.meas.Fid = computeHeadFrames(next.RefFid, ws.ReceiverCount, next.MRef);
        const std::vector<int> electrodes = electrodeIndices(ws);
        const int n = static_cast<int>(electrodes.size());
        placeFiducialLabels(ws, codes, next.meas.FidName);
        next.tevo.FidName = next.meas.FidName;
        next.tevo.Fid = next.meas.Fid;
        next.sensors.NumSensors = n;
        next.meas.unit = LengthUnit::Metres;
        next.meas.resize(n);
        for (int k = 0; k < n; ++k) {
            const int s = electrodes[k];
            next.meas.Name[k] = ws.SeqName.value(s);
            next.meas.Type[k] = ws.SeqCode.value(s);
            next.meas.Pos[k] = headPosition(next, readingOf(readings, s));
            requireFinite(next.meas.Pos[k], QStringLiteral("electrode ") + ws.SeqName.value(s));
        }
        next.tevo.resize(n);
        next.tevo.Type = next.meas.Type;
        next.tevo.Name = next.meas.Name;
        next.tevo.Pos = next.meas.Pos;
        const QString &system = ws.settings.CoordinateSystem;
        if (system == QLatin1String("BESA") || system == QLatin1String("Curry")) {
            next.besa.resize(n);
            next.besa.unit = LengthUnit::Metres;
            next.besa.Name = namesAsText(next.meas.Name, n);
            next.besa.Type = next.meas.Type;
            placeFiducialLabels(
                ws,
                {PointTypes::LeftPreauricular, PointTypes::Nasion, PointTypes::RightPreauricular},
                next.besa.FidName);
            TevoToBesa(next);
        }
        if (system == QLatin1String("Curry")) {
            next.curry.resize(n);
            next.curry.Name = namesAsText(next.meas.Name, n);
            next.curry.Type = next.tevo.Type;
            placeFiducialLabels(
                ws,
                {PointTypes::RightPreauricular, PointTypes::LeftPreauricular, PointTypes::Nasion},
                next.curry.FidName);
            BesaToCurry(next);
        }
    } catch (const GeometryError &e) {
        dialogs.show(e.message());
        return false;
    }
    ws = next;
    return true;
}

bool ComputeElectrodePoint(Workspace &ws, const std::vector<Reading> &readings, Dialogs &dialogs,
                           int k)
{
    if (refuse(ws, dialogs))
        return false;
    const std::vector<int> electrodes = electrodeIndices(ws);
    if (k < 0 || k >= static_cast<int>(electrodes.size()) ||
        k >= static_cast<int>(ws.meas.Pos.size())) {
        dialogs.show(QStringLiteral("There is no electrode %1 in the current data.").arg(k + 1));
        return false;
    }
    const Point3 p = headPosition(ws, readingOf(readings, electrodes[k]));
    if (!p.allFinite()) {
        dialogs.show(
            QStringLiteral("The new reading of %1 gave no valid position; the old one is kept.")
                .arg(ws.meas.Name[k].trimmed()));
        return false;
    }
    ws.meas.Pos[k] = p;
    return true;
}
