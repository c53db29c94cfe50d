#pragma once

#include "data/transform4.h"

#include <QString>
#include <array>

// The transform of a frame built from three points, and its pure rotation.
struct Frame
{
    Transform4 position;
    Transform4 rotation;
};

// Names of the three points, for the message when they do not span a plane.
using PointNames = std::array<QString, 3>;
inline const PointNames HeadFiducialNames = {QStringLiteral("Nasion"), QStringLiteral("LPA"),
                                             QStringLiteral("RPA")};

// Origin midway between b and c, x towards a, z along x × (b − c), y = z × x.
// Direction 0 maps measured coordinates into the frame, 1 maps frame coordinates out.
// Throws GeometryError for points that span no plane or are not finite, and for another direction.
Frame BuildFrame(const Point3 &a, const Point3 &b, const Point3 &c, int direction,
                 const PointNames &names = HeadFiducialNames);
// Applies the upper three rows; row 4 is never used.
void TransformPoint(const Transform4 &m, Point3 &p);
Point3 transformed(const Transform4 &m, const Point3 &p);
// The rotation part only (for directions).
Point3 rotated(const Transform4 &m, const Point3 &d);
// Throws GeometryError when any element is not finite.
void requireFinite(const Transform4 &m, const QString &what);
void requireFinite(const Point3 &p, const QString &what);
