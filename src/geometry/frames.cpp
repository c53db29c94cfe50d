#include "frames.h"

#include "geometry/geometry_error.h"

#include <Eigen/Geometry>
#include <cmath>

namespace {
// Below a micrometre the points carry no direction a digitizer could have measured.
constexpr double MinLength = 1e-6;
} // namespace

void requireFinite(const Transform4 &m, const QString &what)
{
    if (!m.allFinite())
        throw GeometryError(
            QStringLiteral("The computation of %1 overflowed; nothing was changed.").arg(what));
}

void requireFinite(const Point3 &p, const QString &what)
{
    if (!p.allFinite())
        throw GeometryError(
            QStringLiteral("The computation of %1 overflowed; nothing was changed.").arg(what));
}

Frame BuildFrame(const Point3 &p1, const Point3 &p2, const Point3 &p3, int direction,
                 const PointNames &names)
{
    if (direction != 0 && direction != 1)
        throw GeometryError(QStringLiteral("A frame has direction 0 or 1, not %1.").arg(direction));
    const QString lead = QStringLiteral("Cannot build a frame from %1, %2 and %3: ")
                             .arg(names[0], names[1], names[2]);
    if (!p1.allFinite() || !p2.allFinite() || !p3.allFinite())
        throw GeometryError(lead + QStringLiteral("a coordinate is not a number."));
    const Point3 origin = (p2 + p3) / 2.0;
    const Point3 line = p2 - p3;
    if (line.norm() < MinLength)
        throw GeometryError(lead + QStringLiteral("%1 and %2 coincide.").arg(names[1], names[2]));
    Point3 x = p1 - origin;
    if (x.norm() < MinLength)
        throw GeometryError(
            lead +
            QStringLiteral("%1 lies midway between %2 and %3.").arg(names[0], names[1], names[2]));
    x /= x.norm();
    Point3 z = x.cross(line);
    if (z.norm() < MinLength * 1e-3 * std::max(1.0, line.norm()))
        throw GeometryError(lead + QStringLiteral("%1 lies on the line through %2 and %3.")
                                       .arg(names[0], names[1], names[2]));
    z /= z.norm();
    const Point3 y = z.cross(x);

    Frame f{Transform4::Identity(), Transform4::Identity()};
    Transform4 t = Transform4::Identity();
    if (direction == 0) {
        f.rotation.block<1, 3>(0, 0) = x.transpose();
        f.rotation.block<1, 3>(1, 0) = y.transpose();
        f.rotation.block<1, 3>(2, 0) = z.transpose();
        t.block<3, 1>(0, 3) = -origin;
        f.position = f.rotation * t;
    } else {
        f.rotation.block<3, 1>(0, 0) = x;
        f.rotation.block<3, 1>(0, 1) = y;
        f.rotation.block<3, 1>(0, 2) = z;
        t.block<3, 1>(0, 3) = origin;
        f.position = t * f.rotation;
    }
    requireFinite(f.position, QStringLiteral("the frame"));
    return f;
}

void TransformPoint(const Transform4 &m, Point3 &p)
{
    p = m.block<3, 3>(0, 0) * p + m.block<3, 1>(0, 3);
}

Point3 transformed(const Transform4 &m, const Point3 &p)
{
    Point3 q = p;
    TransformPoint(m, q);
    return q;
}

Point3 rotated(const Transform4 &m, const Point3 &d)
{
    return m.block<3, 3>(0, 0) * d;
}
