#pragma once

#include "data/transform4.h"
#include "digitizer/emulator/virtual_head.h"

#include <vector>

// Poses and points that fixed-column records carry without rounding: rotations about one axis
// whose cosine and sine have two decimals (0.96 and 0.28, 16.26 degrees) or quarter turns,
// translations on the 0.01 cm grid and points on the 0.25 cm grid.
namespace ExactPoses {

inline Transform4 turn(int axis, int sign, double tx = 0, double ty = 0, double tz = 0)
{
    const double c = sign == 0 ? 1.0 : 0.96, s = 0.28 * sign;
    Transform4 t = Transform4::Identity();
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    t(a, a) = c;
    t(a, b) = -s;
    t(b, a) = s;
    t(b, b) = c;
    t(0, 3) = tx;
    t(1, 3) = ty;
    t(2, 3) = tz;
    return t;
}

// Head poses up to 10 cm and about 16 to 23 degrees apart.
inline const std::vector<Transform4> &headPoses()
{
    static const std::vector<Transform4> poses = {
        turn(2, 0, 0.02, -0.01, 0.30), turn(2, 1, 0.05, 0.03, 0.33), turn(0, 1, -0.03, 0.02, 0.28),
        turn(1, -1, 0.07, -0.04, 0.36), turn(2, -1, -0.01, 0.06, 0.31)};
    return poses;
}

inline Point3 grid(const Point3 &p)
{
    return (p * 400).array().round().matrix() / 400;
}

inline Point3 gridSite(const VirtualHead &head, const QString &name)
{
    return grid(head.site(name));
}

inline Transform4 placed(const Eigen::Matrix3d &rotation, const Point3 &position)
{
    Transform4 t = Transform4::Identity();
    t.block<3, 3>(0, 0) = rotation;
    t.block<3, 1>(0, 3) = position;
    return t;
}

inline Eigen::Matrix3d quarterAboutZ()
{
    Eigen::Matrix3d r;
    r << 0, -1, 0, 1, 0, 0, 0, 0, 1;
    return r;
}

inline Eigen::Matrix3d quarterAboutX()
{
    Eigen::Matrix3d r;
    r << 1, 0, 0, 0, 0, -1, 0, 1, 0;
    return r;
}

} // namespace ExactPoses
