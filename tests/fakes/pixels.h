#pragma once

#include <QColor>
#include <QDebug>
#include <QImage>
#include <optional>

// Checks on drawn pictures.
namespace Pixels {

inline int nonWhite(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != qRgb(255, 255, 255);
    return n;
}

// Centre of the pixels of `colour` within `radius` of `at`.
inline std::optional<QPointF> centroid(const QImage &image, QPointF at, QColor colour, int radius)
{
    QPointF sum;
    int n = 0;
    for (int y = int(at.y()) - radius; y <= int(at.y()) + radius; ++y)
        for (int x = int(at.x()) - radius; x <= int(at.x()) + radius; ++x)
            if (image.rect().contains(x, y) && image.pixelColor(x, y) == colour) {
                sum += QPointF(x + 0.5, y + 0.5);
                ++n;
            }
    return n ? std::optional(sum / n) : std::nullopt;
}

// A dot of `colour` centred on `at` to within a pixel.
inline bool dotAt(const QImage &image, QPointF at, QColor colour, int radius = 4)
{
    const auto c = centroid(image, at, colour, radius);
    if (!c || (*c - at).manhattanLength() > 1.0)
        qWarning() << "expected a" << colour << "dot at" << at << "found" << (c ? *c : QPointF());
    return c && (*c - at).manhattanLength() <= 1.0;
}

inline bool colourNear(const QImage &image, QPointF at, QColor colour)
{
    return centroid(image, at, colour, 1).has_value();
}

} // namespace Pixels
