#include "conversions.h"

#include "data/workspace.h"
#include "geometry/frames.h"
#include "geometry/geometry_error.h"

#include <cmath>

namespace {
// The angle a = arctan(num / den) of both conversions; a zero denominator has no angle.
double angleOf(double num, double den, const QString &why)
{
    if (den == 0.0 || !std::isfinite(num) || !std::isfinite(den))
        throw GeometryError(why);
    return std::atan(num / den);
}
} // namespace

void TevoToBesa(Workspace &ws)
{
    const Point3 L = ws.tevo.Fid[1];
    const Point3 nz = ws.tevo.Fid[0];
    const double a =
        angleOf(L.x(), L.y(),
                QStringLiteral("Cannot convert to BESA: the left preauricular point of the "
                               "TEVO set has y = 0, so the set is not in a head frame."));
    const double s = std::sin(a), c = std::cos(a), k = s * nz.x();
    auto map = [&](const Point3 &p) {
        return Point3(-s * p.x() - c * p.y() + k, c * p.x() - s * p.y(), p.z());
    };
    FidTriple fid = {map(ws.tevo.Fid[1]), map(ws.tevo.Fid[0]), map(ws.tevo.Fid[2])};
    std::vector<Point3> pos;
    pos.reserve(ws.tevo.Pos.size());
    for (const Point3 &p : ws.tevo.Pos)
        pos.push_back(map(p));
    for (const Point3 &p : fid)
        requireFinite(p, QStringLiteral("the BESA fiducials"));
    ws.besa.Fid = fid;
    ws.besa.Pos = std::move(pos);
}

void BesaToCurry(Workspace &ws)
{
    auto flip = [](const Point3 &p) -> Point3 { return Point3(-p.x(), -p.y(), p.z()) * 1000.0; };
    const FidTriple &b = ws.besa.Fid;
    ws.curry.Fid = {flip(b[2]), flip(b[0]), flip(b[1])};
    const size_t n = std::min(ws.besa.Pos.size(), ws.tevo.Pos.size());
    ws.curry.Pos.assign(n, Point3::Zero());
    for (size_t i = 0; i < n; ++i)
        ws.curry.Pos[i] =
            Point3(-ws.besa.Pos[i].x(), -ws.besa.Pos[i].y(), ws.tevo.Pos[i].z()) * 1000.0;
}

void CurryOldToTevo(Workspace &ws)
{
    const FidTriple &c3 = ws.curry.Fid;
    const double a =
        angleOf(c3[2].y(), c3[2].x(),
                QStringLiteral("Cannot convert the Curry file: its nasion (third fiducial) "
                               "has x = 0."));
    const double s = std::sin(a), c = std::cos(a);
    auto map = [&](const Point3 &p) {
        return Point3((c * p.x() + s * p.y()) * 0.001, (-s * p.x() + c * p.y()) * 0.001,
                      p.z() * 0.001);
    };
    ws.tevo.Fid = {map(c3[2]), map(c3[1]), map(c3[0])};
    ws.tevo.Pos.resize(ws.curry.Pos.size());
    for (size_t i = 0; i < ws.curry.Pos.size(); ++i)
        ws.tevo.Pos[i] = map(ws.curry.Pos[i]);
}
