#pragma once

#include <Eigen/Dense>
#include <array>

// Homogeneous 4x4 transform: rotation in the upper 3x3 block, translation in column 3 (0-based);
// points are column vectors (x, y, z, 1). Row 3 is (0, 0, 0, 1) once built.
using Transform4 = Eigen::Matrix4d;
using Point3 = Eigen::Vector3d;
// Fiducials in order: index 0..2 as the data set defines them (e.g. nasion, LPA, RPA).
using FidTriple = std::array<Point3, 3>;

inline FidTriple zeroFids()
{
    return {Point3::Zero(), Point3::Zero(), Point3::Zero()};
}
