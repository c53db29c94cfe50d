#pragma once

#include "data/transform4.h"
#include "digitizer/emulator/virtual_head.h"

#include <vector>

// Poses and points that fixed-column records carry without rounding: rotations about one axis
// whose cosine and sine have two decimals (0.96 and 0.28, 16.26 degrees) or quarter turns,
// translations on the 0.01 cm grid and points on the 0.25 cm grid.
namespace ExactPoses {

// A rotation about `axis` (0 x, 1 y, 2 z) by the angle of cosine c and sine s, then a shift.
inline Transform4 turned(int axis, double c, double s, const Point3 &shift)
{
    Transform4 m = Transform4::Identity();
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    m(a, a) = m(b, b) = c;
    m(a, b) = -s;
    m(b, a) = s;
    m.block<3, 1>(0, 3) = shift;
    return m;
}
// About 16 degrees one way (sign 1), the other (-1) or not at all (0).
inline Transform4 turn(int axis, int sign, const Point3 &shift)
{
    return turned(axis, sign == 0 ? 1.0 : 0.96, 0.28 * sign, shift);
}
inline Transform4 quarter(int axis, const Point3 &shift)
{
    return turned(axis, 0.0, 1.0, shift);
}

// Head poses up to 10 cm and about 16 to 23 degrees apart.
inline const std::vector<Transform4> &headPoses()
{
    static const std::vector<Transform4> poses = {
        turn(2, 0, {0.02, -0.01, 0.30}), turn(2, 1, {0.05, 0.03, 0.33}),
        turn(0, 1, {-0.03, 0.02, 0.28}), turn(1, -1, {0.07, -0.04, 0.36}),
        turn(2, -1, {-0.01, 0.06, 0.31})};
    return poses;
}

inline Point3 gridSite(const VirtualHead &head, const QString &name)
{
    return (head.site(name) * 400).array().round().matrix() / 400;
}

} // namespace ExactPoses
