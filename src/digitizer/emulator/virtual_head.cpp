#include "virtual_head.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {
struct SiteAngles
{
    const char *name;
    double theta;
    double phi;
};

// Polar angle from the vertex and azimuth from the nose towards the left ear.
constexpr SiteAngles Sites[] = {
    {"Nasion", 112.5, 0}, {"LPA", 112.5, 90},    {"RPA", 112.5, -90}, {"Nz", 112.5, 0},
    {"Iz", 112.5, 180},   {"Fpz", 90, 0},        {"Fp1", 90, 18},     {"Fp2", 90, -18},
    {"AF7", 90, 36},      {"AF3", 72, 30},       {"AFz", 67.5, 0},    {"AF4", 72, -30},
    {"AF8", 90, -36},     {"F7", 90, 54},        {"F5", 75, 49},      {"F3", 60, 42},
    {"F1", 50, 25},       {"Fz", 45, 0},         {"F2", 50, -25},     {"F4", 60, -42},
    {"F6", 75, -49},      {"F8", 90, -54},       {"FT7", 90, 72},     {"FC5", 72, 69},
    {"FC3", 52, 62},      {"FC1", 32, 45},       {"FCz", 22.5, 0},    {"FC2", 32, -45},
    {"FC4", 52, -62},     {"FC6", 72, -69},      {"FT8", 90, -72},    {"T7", 90, 90},
    {"C5", 67.5, 90},     {"C3", 45, 90},        {"C1", 22.5, 90},    {"Cz", 0, 0},
    {"C2", 22.5, -90},    {"C4", 45, -90},       {"C6", 67.5, -90},   {"T8", 90, -90},
    {"TP7", 90, 108},     {"CP5", 72, 111},      {"CP3", 52, 118},    {"CP1", 32, 135},
    {"CPz", 22.5, 180},   {"CP2", 32, -135},     {"CP4", 52, -118},   {"CP6", 72, -111},
    {"TP8", 90, -108},    {"P7", 90, 126},       {"P5", 75, 131},     {"P3", 60, 138},
    {"P1", 50, 155},      {"Pz", 45, 180},       {"P2", 50, -155},    {"P4", 60, -138},
    {"P6", 75, -131},     {"P8", 90, -126},      {"PO7", 90, 144},    {"PO3", 72, 150},
    {"POz", 67.5, 180},   {"PO4", 72, -150},     {"PO8", 90, -144},   {"O1", 90, 162},
    {"Oz", 90, 180},      {"O2", 90, -162},      {"T3", 90, 90},      {"T4", 90, -90},
    {"T5", 90, 126},      {"T6", 90, -126},      {"A1", 112.5, 95},   {"A2", 112.5, -95},
    {"AF1", 69, 16},      {"AF2", 69, -16},      {"AF5", 81, 33},     {"AF6", 81, -33},
    {"PO1", 69, 164},     {"PO2", 69, -164},     {"PO5", 81, 147},    {"PO6", 81, -147},
    {"AF9", 112.5, 36},   {"AF10", 112.5, -36},  {"F9", 112.5, 54},   {"F10", 112.5, -54},
    {"FT9", 112.5, 72},   {"FT10", 112.5, -72},  {"T9", 112.5, 90},   {"T10", 112.5, -90},
    {"TP9", 112.5, 108},  {"TP10", 112.5, -108}, {"P9", 112.5, 126},  {"P10", 112.5, -126},
    {"PO9", 112.5, 144},  {"PO10", 112.5, -144}, {"O9", 112.5, 162},  {"O10", 112.5, -162},
};
} // namespace

VirtualHead::VirtualHead(double a, double b, double c) : m_a(a), m_b(b), m_c(c)
{
    for (const SiteAngles &s : Sites)
        m_sites.insert(QString::fromLatin1(s.name), surface(s.theta, s.phi));
}

Point3 VirtualHead::surface(double thetaDeg, double phiDeg) const
{
    const double t = thetaDeg * M_PI / 180.0;
    const double p = phiDeg * M_PI / 180.0;
    return {m_a * std::sin(t) * std::cos(p), m_b * std::sin(t) * std::sin(p), m_c * std::cos(t)};
}

bool VirtualHead::hasSite(const QString &name) const
{
    return m_sites.contains(name);
}

Point3 VirtualHead::site(const QString &name) const
{
    const auto it = m_sites.constFind(name);
    if (it == m_sites.constEnd())
        throw std::out_of_range("unknown site");
    return *it;
}

QString VirtualHead::ellipsoidComment(const Point3 &centreCm) const
{
    auto cm = [](double v) { return QString::number(std::abs(v) < 5e-4 ? 0.0 : v, 'f', 3); };
    return QStringLiteral("# ellipsoid %1 %2 %3 %4 %5 %6")
        .arg(cm(centreCm.x()), cm(centreCm.y()), cm(centreCm.z()))
        .arg(m_a * 100, 0, 'g', 10)
        .arg(m_b * 100, 0, 'g', 10)
        .arg(m_c * 100, 0, 'g', 10);
}

double VirtualHead::surfaceDistance(const Point3 &p) const
{
    const double k = Point3(p.x() / m_a, p.y() / m_b, p.z() / m_c).norm();
    if (k == 0)
        return -std::min({m_a, m_b, m_c});
    return p.norm() * (1.0 - 1.0 / k);
}

std::vector<Point3> VirtualHead::surfacePath(const Point3 &from, const Point3 &to,
                                             double stepMetres) const
{
    const Point3 axes(m_a, m_b, m_c);
    const Point3 u0 = from.cwiseQuotient(axes).normalized();
    Point3 u1 = to.cwiseQuotient(axes).normalized();
    std::vector<Point3> out;
    // Opposite points have no single great circle: go over the vertex.
    if (u0.dot(u1) < -0.999) {
        const Point3 mid = surface(0, 0);
        out = surfacePath(from, mid, stepMetres);
        const std::vector<Point3> rest = surfacePath(mid, to, stepMetres);
        out.insert(out.end(), rest.begin() + 1, rest.end());
        return out;
    }
    const double angle = std::acos(std::clamp(u0.dot(u1), -1.0, 1.0));
    const double longest = std::max({m_a, m_b, m_c});
    const int steps = std::max(1, int(std::ceil(angle * longest / std::max(stepMetres, 1e-5))));
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        Point3 u;
        if (angle < 1e-9)
            u = u0;
        else
            u = (std::sin((1 - t) * angle) * u0 + std::sin(t * angle) * u1) / std::sin(angle);
        out.push_back(u.normalized().cwiseProduct(axes));
    }
    return out;
}
