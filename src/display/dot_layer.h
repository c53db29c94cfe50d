#pragma once

#include <QImage>
#include <QRect>

class QPainter;

// Many equal dots set straight into pixels, then laid over the plot in one draw: QPainter
// strokes every wide point as a path, which is far too slow for a hundred thousand of them.
class DotLayer
{
public:
    explicit DotLayer(QSize pixels);

    // A dot of `width` pixels centred at (px, py): a square up to 3 pixels, rounded from 4.
    void add(double px, double py, QRgb colour, int width)
    {
        const double half = width / 2.0;
        const double fx = std::floor(px - half + 0.5), fy = std::floor(py - half + 0.5);
        if (!(fx > -width && fx < m_size.width() && fy > -width && fy < m_size.height()))
            return;
        const int x0 = int(fx), y0 = int(fy);
        if (width == 2 && x0 >= 0 && y0 >= 0 && x0 + 1 < m_size.width() &&
            y0 + 1 < m_size.height()) {
            QRgb *row = pixel(x0, y0);
            row[0] = row[1] = colour;
            row = pixel(x0, y0 + 1);
            row[0] = row[1] = colour;
            grow(x0, y0, 2);
            return;
        }
        addClipped(x0, y0, colour, width);
    }
    bool isEmpty() const { return m_touched.isEmpty(); }
    // Lays the touched part of the layer over the painter's plot.
    void drawOnto(QPainter &painter) const;

private:
    QRgb *pixel(int x, int y) { return reinterpret_cast<QRgb *>(m_bits + y * m_stride) + x; }
    void grow(int x0, int y0, int width)
    {
        m_touched |= QRect(x0, y0, width, width) & QRect(QPoint(0, 0), m_size);
    }
    void addClipped(int x0, int y0, QRgb colour, int width);

    QImage m_image;
    QSize m_size{0, 0};
    uchar *m_bits = nullptr;
    qsizetype m_stride = 0;
    QRect m_touched;
};
