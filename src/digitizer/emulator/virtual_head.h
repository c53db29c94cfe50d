#pragma once

#include "data/transform4.h"

#include <QMap>
#include <QString>
#include <vector>

// An adult-sized ellipsoidal head in its own frame (metres): x to the nasion, y to the left
// preauricular point, z up, origin at the centre. Sites follow the 10-20 and 10-10 naming.
class VirtualHead
{
public:
    VirtualHead(double a = 0.095, double b = 0.075, double c = 0.105);

    // The surface point at polar angle theta from the vertex and azimuth phi from the nose
    // towards the left ear, both in degrees.
    Point3 surface(double thetaDeg, double phiDeg) const;
    bool hasSite(const QString &name) const;
    // Throws std::out_of_range for an unknown name.
    Point3 site(const QString &name) const;
    QStringList siteNames() const { return m_sites.keys(); }

    // Semi-axes along x, y and z, metres; the centre is the frame's origin.
    Point3 semiAxes() const { return {m_a, m_b, m_c}; }
    // "# ellipsoid CX CY CZ AX AY AZ" in centimetres, for tools that check points on the scalp;
    // the centre as seen from the frame the listing uses.
    QString ellipsoidComment(const Point3 &centreCm = Point3::Zero()) const;
    // How far `p` lies off the surface along its ray from the centre, metres (outside > 0).
    double surfaceDistance(const Point3 &p) const;
    // Points on the surface from `from` to `to` (both on it), at most `stepMetres` apart: the
    // great circle of the unit sphere that the ellipsoid's axes stretch, ends included.
    std::vector<Point3> surfacePath(const Point3 &from, const Point3 &to, double stepMetres) const;

private:
    double m_a, m_b, m_c;
    QMap<QString, Point3> m_sites;
};
