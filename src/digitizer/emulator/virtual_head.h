#pragma once

#include "data/transform4.h"

#include <QMap>
#include <QString>

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

private:
    double m_a, m_b, m_c;
    QMap<QString, Point3> m_sites;
};
