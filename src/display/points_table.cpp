#include "points_table.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Uniform grid over the points' bounding box with the points sorted by cell.
class Grid
{
public:
    explicit Grid(const std::vector<Point3> &pts) : m_pts(pts)
    {
        m_min = pts.front();
        Point3 max = pts.front();
        for (const Point3 &p : pts) {
            m_min = m_min.cwiseMin(p);
            max = max.cwiseMax(p);
        }
        const Point3 extent = max - m_min;
        const double n = double(pts.size());
        // Cells about one point each over the box, flat boxes included.
        double side = extent.maxCoeff() / std::cbrt(n);
        const double volume = extent.prod();
        if (volume > 0)
            side = std::max(side, std::cbrt(volume / n));
        if (!(side > 0) || !std::isfinite(side))
            side = 1;
        m_cell = side;
        for (int a = 0; a < 3; ++a)
            m_dims[a] = int(std::min(extent[a] / side, 2 * n)) + 1;

        std::vector<std::size_t> keys(pts.size());
        m_order.resize(pts.size());
        for (std::size_t i = 0; i < pts.size(); ++i) {
            keys[i] = key(cellOf(pts[i]));
            m_order[i] = i;
        }
        std::sort(m_order.begin(), m_order.end(),
                  [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
        m_sortedKeys.resize(pts.size());
        for (std::size_t i = 0; i < pts.size(); ++i)
            m_sortedKeys[i] = keys[m_order[i]];
    }

    double nearest(std::size_t i) const
    {
        const std::array<int, 3> c = cellOf(m_pts[i]);
        double best = std::numeric_limits<double>::infinity();
        const int maxRing = *std::max_element(m_dims.begin(), m_dims.end());
        for (int r = 0; r <= maxRing; ++r) {
            visitRing(c, r, [&](std::size_t k) {
                for (auto it = std::lower_bound(m_sortedKeys.begin(), m_sortedKeys.end(), k);
                     it != m_sortedKeys.end() && *it == k; ++it) {
                    const std::size_t j = m_order[std::size_t(it - m_sortedKeys.begin())];
                    if (j != i)
                        best = std::min(best, (m_pts[j] - m_pts[i]).norm());
                }
            });
            // Points in farther rings are at least r cells away.
            if (best <= r * m_cell)
                break;
        }
        return best;
    }

private:
    std::array<int, 3> cellOf(const Point3 &p) const
    {
        std::array<int, 3> c;
        for (int a = 0; a < 3; ++a)
            c[a] = std::clamp(int((p[a] - m_min[a]) / m_cell), 0, m_dims[a] - 1);
        return c;
    }
    std::size_t key(const std::array<int, 3> &c) const
    {
        return (std::size_t(c[0]) * m_dims[1] + c[1]) * m_dims[2] + c[2];
    }
    template <typename F> void visitRing(const std::array<int, 3> &c, int r, F &&visit) const
    {
        for (int x = c[0] - r; x <= c[0] + r; ++x) {
            if (x < 0 || x >= m_dims[0])
                continue;
            for (int y = c[1] - r; y <= c[1] + r; ++y) {
                if (y < 0 || y >= m_dims[1])
                    continue;
                const bool onShell = std::abs(x - c[0]) == r || std::abs(y - c[1]) == r;
                for (int z = c[2] - r; z <= c[2] + r; z += (onShell || r == 0) ? 1 : 2 * r) {
                    if (z >= 0 && z < m_dims[2])
                        visit(key({x, y, z}));
                }
            }
        }
    }

    const std::vector<Point3> &m_pts;
    Point3 m_min;
    double m_cell = 1;
    std::array<int, 3> m_dims{1, 1, 1};
    std::vector<std::size_t> m_order;
    std::vector<std::size_t> m_sortedKeys;
};
} // namespace

std::vector<std::optional<double>> nearestDistances(const std::vector<Point3> &pts)
{
    std::vector<std::optional<double>> out(pts.size());
    std::vector<Point3> finite;
    std::vector<std::size_t> index;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (pts[i].allFinite()) {
            finite.push_back(pts[i]);
            index.push_back(i);
        }
    }
    if (finite.size() < 2)
        return out;
    const Grid grid(finite);
    for (std::size_t i = 0; i < finite.size(); ++i)
        out[index[i]] = grid.nearest(i);
    return out;
}

std::vector<PointRow> PointsTable(const Scene &scene)
{
    std::vector<Point3> all(scene.fiducials.begin(), scene.fiducials.end());
    all.insert(all.end(), scene.points.begin(), scene.points.end());
    const auto nearest = nearestDistances(all);

    std::vector<PointRow> rows;
    rows.reserve(all.size());
    for (std::size_t r = 0; r < all.size(); ++r) {
        PointRow row;
        const std::size_t i = r - 3;
        if (r < 3) {
            row.name = scene.fiducialNames[r];
            row.type = scene.fiducialTypes[r];
        } else {
            row.name = i < scene.names.size() ? scene.names[i].trimmed() : QString();
            row.type = i < scene.types.size() ? scene.types[i] : QString();
        }
        row.cm = 100 * all[r];
        if (nearest[r])
            row.nearestCm = 100 * *nearest[r];
        rows.push_back(row);
    }
    return rows;
}
