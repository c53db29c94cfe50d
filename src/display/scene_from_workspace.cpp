#include "scene_from_workspace.h"

#include "data/point_types.h"
#include "data/workspace.h"
#include "display/view_state.h"

#include <algorithm>

namespace {
template <typename T> std::vector<T> firstOf(const std::vector<T> &all, int n)
{
    const auto count = std::size_t(std::clamp<long long>(n, 0, (long long)all.size()));
    return std::vector<T>(all.begin(), all.begin() + count);
}

const std::array<QString, 3> FiducialCodes = {PointTypes::Nasion, PointTypes::LeftPreauricular,
                                              PointTypes::RightPreauricular};
} // namespace

Scene sceneFromWorkspace(const Workspace &ws, int displaySet)
{
    Scene s;
    switch (displaySet) {
    case DisplaySets::Electrodes: {
        const int n = ws.sensors.NumSensors;
        s.fiducials = ws.meas.Fid;
        s.points = firstOf(ws.meas.Pos, n);
        s.names = namesAsText(ws.meas.Name, int(s.points.size()));
        for (int i = 0; i < int(s.points.size()); ++i) {
            // A point skipped while digitizing sits at a placeholder: the table says so.
            if (ws.UnreadElectrodes.contains(s.names[i].trimmed())) {
                s.types.push_back(QStringLiteral("not taken"));
                continue;
            }
            const QString code = ws.meas.Type.value(i).trimmed();
            const QString name = pointTypeNameOf(code);
            s.types.push_back(name.isEmpty() ? code : name);
        }
        for (int j = 0; j < 3; ++j) {
            s.fiducialNames[j] = ws.meas.FidName[j].trimmed();
            s.fiducialTypes[j] = pointTypeNameOf(FiducialCodes[j]);
        }
        break;
    }
    case DisplaySets::Shape:
        s.fiducials = ws.ShapeFid;
        s.points = firstOf(ws.ShapePos, ws.NumShapePoints);
        for (int j = 0; j < 3; ++j)
            s.fiducialTypes[j] = pointTypeNameOf(FiducialCodes[j]);
        break;
    case DisplaySets::Probe: {
        s.fiducials = ws.ProbeFid;
        for (const CoilData &coil : firstOf(ws.sensors.ProbeCoil, ws.sensors.NumSensors)) {
            const auto &c = coil[0];
            s.probeCoils.push_back({Point3(c[0], c[1], c[2]), Point3(c[3], c[4], c[5])});
        }
        break;
    }
    case DisplaySets::FiducialSets:
        s.receiverFids = firstOf(ws.ReceiverFid, ws.ReceiverCount);
        break;
    default:
        break;
    }
    return s;
}
