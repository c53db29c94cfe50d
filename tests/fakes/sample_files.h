#pragma once

#include "data/electrode_file.h"
#include "data/shape_file.h"
#include "data/workspace.h"

#include <cmath>

// Files as Pointra writes them, for the tests that open or draw them; fiducials on the axes.
namespace SampleFiles {

inline Workspace withSettings()
{
    Workspace ws;
    ws.settings = {DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 1, "OFF"};
    return ws;
}

// `n` electrodes E1.. on a ring 6 cm around the z axis, at four heights.
inline QString cap(const QString &path, int n)
{
    Workspace ws = withSettings();
    ws.sensors.NumSensors = n;
    ws.meas.resize(n);
    ws.meas.Fid = {Point3(0.095, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};
    std::vector<QString> names;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / n;
        ws.meas.Pos[i] = Point3(0.06 * std::cos(a), 0.06 * std::sin(a), 0.02 + 0.07 * (i % 4) / 3);
        ws.meas.Type[i] = QStringLiteral("400");
        names.push_back(QStringLiteral("E%1").arg(i + 1));
    }
    ws.meas.Name = namesAsFixed8(names);
    ws.tevo = ws.meas;
    WriteElectrodeFile(path, ws);
    return path;
}

// `n` head-shape points in ten rings over the upper half of an ellipsoid.
inline QString shape(const QString &path, int n)
{
    Workspace ws = withSettings();
    ws.ShapeFid = {Point3(0.095, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};
    const int ring = n / 10;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * (i % ring) / ring, b = M_PI / 2 * (i / ring) / 10.0;
        ws.ShapePos.push_back(Point3(0.09 * std::cos(a) * std::cos(b),
                                     0.075 * std::sin(a) * std::cos(b), 0.1 * std::sin(b)));
    }
    ws.NumShapePoints = n;
    WriteShapeFile(path, ws);
    return path;
}

} // namespace SampleFiles
