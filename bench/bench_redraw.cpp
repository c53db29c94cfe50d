// Redraw of the head-shape data set in the Home view into an offscreen image, per point count.
#include "display/scene_painter.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {
// Points on a head-sized ellipsoid (metres), upper half, in ten sequences.
Scene headShape(int n)
{
    Scene s;
    s.fiducials = {Point3(0.1, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, 1);
    s.points.reserve(n);
    for (int i = 0; i < n; ++i) {
        const double phi = 2 * M_PI * u(rng);
        const double cosTheta = u(rng);
        const double sinTheta = std::sqrt(1 - cosTheta * cosTheta);
        s.points.emplace_back(0.1 * sinTheta * std::cos(phi), 0.08 * sinTheta * std::sin(phi),
                              0.11 * cosTheta - 0.02);
    }
    for (int k = 0; k < 10; ++k)
        s.sequenceStarts.push_back(k * n / 10);
    s.selectedSequence = 10;
    return s;
}

double msPerRedraw(const Scene &scene, QImage &image, const ViewState &view)
{
    std::vector<double> times;
    QElapsedTimer total;
    total.start();
    while (times.size() < 5 || (total.elapsed() < 1000 && times.size() < 200)) {
        QElapsedTimer t;
        t.start();
        QPainter painter(&image);
        RedrawView(painter, image.size(), view, scene);
        painter.end();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    // Drawing goes into an offscreen image: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QSize size(800, 600);
    QImage image(size, QImage::Format_RGB32);
    const ViewState view = homeView(size, DisplaySets::Shape);
    std::printf("redraw of the head shape, Home view, %dx%d pixels (median of repeats)\n",
                size.width(), size.height());
    for (int n : {1000, 10000, 100000, 1000000}) {
        const Scene scene = headShape(n);
        const double ms = msPerRedraw(scene, image, view);
        std::printf("%8d points: %8.2f ms per redraw, %6.1f ns per point\n", n, ms, ms * 1e6 / n);
    }
    return 0;
}
