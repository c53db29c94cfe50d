#include "dot_layer.h"

#include <QPainter>

DotLayer::DotLayer(QSize pixels)
    : m_image(pixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied)
{
    if (m_image.isNull())
        return;
    m_image.fill(Qt::transparent);
    m_size = pixels.expandedTo(QSize(0, 0));
    m_bits = m_image.bits();
    m_stride = m_image.bytesPerLine();
}

void DotLayer::addClipped(int x0, int y0, QRgb colour, int width)
{
    const double half = width / 2.0;
    const double r2 = half * half;
    for (int j = 0; j < width; ++j) {
        const int y = y0 + j;
        if (y < 0 || y >= m_size.height())
            continue;
        QRgb *row = pixel(0, y);
        for (int i = 0; i < width; ++i) {
            const int x = x0 + i;
            if (x < 0 || x >= m_size.width())
                continue;
            const double dx = i + 0.5 - half, dy = j + 0.5 - half;
            if (width >= 4 && dx * dx + dy * dy > r2)
                continue;
            row[x] = colour;
        }
    }
    grow(x0, y0, width);
}

void DotLayer::drawOnto(QPainter &painter) const
{
    if (m_touched.isEmpty())
        return;
    painter.drawImage(m_touched.topLeft(), m_image, m_touched);
}
