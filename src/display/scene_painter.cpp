#include "scene_painter.h"

#include "display/dot_layer.h"
#include "geometry/frames.h"
#include "geometry/geometry_error.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace {
const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);
const QColor Black(0, 0, 0);
const QColor StationDots(128, 0, 128);
const QColor StationBoxes[2] = {QColor(128, 0, 128), QColor(128, 128, 0)};

const std::array<Eigen::Vector4d, 8> PlotCube = {
    Eigen::Vector4d(10, -10, -10, 1),  Eigen::Vector4d(10, 10, -10, 1),
    Eigen::Vector4d(10, 10, 10, 1),    Eigen::Vector4d(10, -10, 10, 1),
    Eigen::Vector4d(-10, -10, -10, 1), Eigen::Vector4d(-10, 10, -10, 1),
    Eigen::Vector4d(-10, 10, 10, 1),   Eigen::Vector4d(-10, -10, 10, 1)};
const std::array<Eigen::Vector4d, 4> PlotAxes = {
    Eigen::Vector4d(0, 0, 0, 1), Eigen::Vector4d(10, 0, 0, 1), Eigen::Vector4d(0, 10, 0, 1),
    Eigen::Vector4d(0, 0, 10, 1)};

struct Edge
{
    int from, to, width;
    const QColor *colour; // null: the drawing colour
};
// Edge 2-3 is left out; the coloured edges meet at corner 5.
const std::array<Edge, 11> CubeEdges = {{{1, 2, 2, nullptr},
                                         {3, 4, 2, nullptr},
                                         {4, 1, 2, nullptr},
                                         {5, 6, 1, &Red},
                                         {6, 7, 2, nullptr},
                                         {7, 8, 1, nullptr},
                                         {8, 5, 1, &Green},
                                         {1, 5, 1, &Blue},
                                         {2, 6, 2, nullptr},
                                         {3, 7, 2, nullptr},
                                         {4, 8, 1, nullptr}}};

constexpr int FiducialPenWidth = 4;
constexpr int ProbeFiducialPenWidth = 5;
constexpr int StationBoxHalfTwips = 100;
// A deep zoom would otherwise paint dots larger than any window.
constexpr int MaxDotWidth = 64;
constexpr double MarkRadius = 8; // pixels

QString labelCaption(const QString &name)
{
    return QStringLiteral("  ") + name.left(8).leftJustified(8, QLatin1Char(' '));
}
} // namespace

DisplayCopy PrepareElectrodeDisplay(const FidTriple &fid, const std::vector<Point3> &pos)
{
    double m = 0.0001;
    for (const Point3 &f : fid)
        m = std::max(m, f.cwiseAbs().maxCoeff());
    const double factor = 5 / m;
    DisplayCopy copy;
    for (int j = 0; j < 3; ++j)
        copy.fid[j] = factor * fid[j];
    copy.pos.reserve(pos.size());
    for (const Point3 &p : pos)
        copy.pos.push_back(factor * p);
    return copy;
}

int ElectrodePenWidth(double plotScale)
{
    const double w = std::floor(2 * plotScale / 150);
    if (!(w >= 1))
        return 1;
    return int(std::min<double>(w, MaxDotWidth));
}

double ProbeScale(const FidTriple &probeFid, const std::vector<CoilPose> &coils)
{
    double m = 1.0;
    for (const Point3 &f : probeFid)
        m = std::max(m, f.maxCoeff());
    for (const CoilPose &c : coils)
        m = std::max(m, c.centre.maxCoeff());
    return 10 / m;
}

ScenePainter::ScenePainter(QPainter &painter, QSize pixels, const ViewState &view,
                           const DrawOptions &options)
    : m_p(painter), m_pixels(pixels), m_view(view), m_options(options), m_projection(view)
{
    m_p.setRenderHint(QPainter::Antialiasing, false);
}

void ScenePainter::clear()
{
    m_p.fillRect(QRect(QPoint(0, 0), m_pixels), Qt::white);
}

void ScenePainter::line(const Eigen::Vector4d &a, const Eigen::Vector4d &b, const QColor &colour,
                        int width)
{
    const auto pa = m_projection.toPixels(a);
    const auto pb = m_projection.toPixels(b);
    if (!pa || !pb)
        return;
    m_p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    m_p.drawLine(*pa, *pb);
}

void ScenePainter::dot(const Point3 &p, const QColor &colour, int width)
{
    const auto at = m_projection.toPixels(p);
    if (!at)
        return;
    m_p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    m_p.drawPoint(*at);
}

void ScenePainter::dots(DotLayer &layer, const std::vector<Point3> &pts, std::size_t from,
                        std::size_t to, const QColor &colour, int width)
{
    const QRgb rgb = colour.rgb();
    double px, py;
    for (std::size_t i = from; i < to; ++i) {
        const Point3 &p = pts[i];
        if (m_projection.pixelOf(p.x(), p.y(), p.z(), px, py))
            layer.add(px, py, rgb, width);
    }
}

void ScenePainter::fiducialDots(const FidTriple &fid, int width)
{
    dot(fid[0], Blue, width);
    dot(fid[1], Red, width);
    dot(fid[2], Red, width);
}

void ScenePainter::DrawCube()
{
    for (const Edge &e : CubeEdges)
        line(PlotCube[e.from - 1], PlotCube[e.to - 1], e.colour ? *e.colour : m_options.foreground,
             e.width);
}

void ScenePainter::DrawAxes()
{
    line(PlotAxes[0], PlotAxes[1], Blue, 1);
    line(PlotAxes[0], PlotAxes[2], Red, 1);
    line(PlotAxes[0], PlotAxes[3], Green, 1);
}

QStringList ScenePainter::DrawFiducialSets(const std::vector<FidTriple> &stations)
{
    QStringList problems;
    for (std::size_t k = 0; k < stations.size() && k < 2; ++k) {
        const FidTriple &fid = stations[k];
        Transform4 position;
        try {
            position = BuildFrame(fid[0], fid[1], fid[2], 0).position;
        } catch (const GeometryError &e) {
            problems << QStringLiteral("Station %1: %2").arg(k + 1).arg(e.message());
            continue;
        }
        for (const Point3 &f : fid)
            dot(transformed(position, f), StationDots, FiducialPenWidth);
        const auto origin = m_projection.toPlot(transformed(position, Point3::Zero()));
        if (!origin)
            continue;
        const double h = StationBoxHalfTwips / TwipsPerPixel;
        m_p.setPen(QPen(StationBoxes[k], 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        m_p.setBrush(Qt::NoBrush);
        m_p.drawRect(QRectF(*origin / TwipsPerPixel - QPointF(h, h), QSizeF(2 * h, 2 * h)));
    }
    return problems;
}

std::vector<NameLabel> ScenePainter::DrawElectrodes(const Scene &scene)
{
    const DisplayCopy copy = PrepareElectrodeDisplay(scene.fiducials, scene.points);
    fiducialDots(copy.fid, FiducialPenWidth);
    DotLayer layer(m_pixels);
    dots(layer, copy.pos, 0, copy.pos.size(), Black, ElectrodePenWidth(m_view.PlotScale));
    layer.drawOnto(m_p);

    std::vector<NameLabel> labels;
    labels.reserve(copy.pos.size());
    for (std::size_t i = 0; i < copy.pos.size(); ++i) {
        const auto at = m_projection.toPlot(copy.pos[i]);
        if (!at)
            continue;
        const QString name = i < scene.names.size() ? scene.names[i] : QString();
        labels.push_back({int(i), labelCaption(name), *at - QPointF(30, 20)});
    }
    if (m_options.drawLabels) {
        m_p.setPen(m_options.foreground);
        const int ascent = m_p.fontMetrics().ascent();
        for (const NameLabel &l : labels)
            m_p.drawText(l.topLeft / TwipsPerPixel + QPointF(0, ascent), l.caption);
    }
    markRow(copy, scene.markedRow);
    return labels;
}

void ScenePainter::DrawShape(const Scene &scene)
{
    const DisplayCopy copy = PrepareShapeDisplay(scene.fiducials, scene.points);
    fiducialDots(copy.fid, FiducialPenWidth);
    const int width = ElectrodePenWidth(m_view.PlotScale);
    const std::size_t n = copy.pos.size();
    const int seq = scene.selectedSequence;
    std::size_t from = n, to = n;
    if (seq >= 1 && std::size_t(seq) <= scene.sequenceStarts.size()) {
        from = std::size_t(std::clamp<long long>(scene.sequenceStarts[seq - 1], 0, n));
        to = std::size_t(seq) < scene.sequenceStarts.size()
                 ? std::size_t(std::clamp<long long>(scene.sequenceStarts[seq], from, n))
                 : n;
    }
    DotLayer layer(m_pixels);
    dots(layer, copy.pos, 0, from, Black, width);
    dots(layer, copy.pos, to, n, Black, width);
    dots(layer, copy.pos, from, to, m_options.highlight, width);
    layer.drawOnto(m_p);
    markRow(copy, scene.markedRow);
}

void ScenePainter::DrawProbe(const Scene &scene)
{
    const double scale = ProbeScale(scene.fiducials, scene.probeCoils);
    FidTriple fid;
    for (int j = 0; j < 3; ++j)
        fid[j] = scale * scene.fiducials[j];
    fiducialDots(fid, ProbeFiducialPenWidth);

    const auto circle = CircleTemplate();
    m_p.setPen(QPen(m_options.foreground, 1));
    m_p.setBrush(Qt::NoBrush);
    for (const CoilPose &coil : scene.probeCoils) {
        const Transform4 place = PlacementMatrix(scale * coil.centre, coil.normal);
        QPolygonF polygon;
        for (const Eigen::Vector4d &c : circle) {
            const auto at = m_projection.toPixels((place * c).eval());
            if (!at)
                break;
            polygon << *at;
        }
        if (polygon.size() == CirclePoints)
            m_p.drawPolygon(polygon);
    }
}

void ScenePainter::markRow(const DisplayCopy &copy, int row)
{
    if (row < 0 || std::size_t(row) >= 3 + copy.pos.size())
        return;
    const Point3 &p = row < 3 ? copy.fid[row] : copy.pos[row - 3];
    const auto at = m_projection.toPixels(p);
    if (!at)
        return;
    m_p.setPen(QPen(m_options.highlight, 2));
    m_p.setBrush(Qt::NoBrush);
    m_p.drawEllipse(*at, MarkRadius, MarkRadius);
}

DrawResult RedrawView(QPainter &painter, QSize pixels, const ViewState &view, const Scene &scene,
                      const DrawOptions &options)
{
    DrawResult result;
    ScenePainter p(painter, pixels, view, options);
    p.clear();
    p.DrawCube();
    p.DrawAxes();
    switch (view.DisplaySet) {
    case DisplaySets::Dewar:
        result.dewarMessage = true;
        break;
    case DisplaySets::FiducialSets:
        result.problems = p.DrawFiducialSets(scene.receiverFids);
        break;
    case DisplaySets::Probe:
        p.DrawProbe(scene);
        break;
    case DisplaySets::Shape:
        p.DrawShape(scene);
        break;
    case DisplaySets::Electrodes:
        result.labels = p.DrawElectrodes(scene);
        break;
    default:
        break;
    }
    return result;
}

QImage renderScene(const Scene &scene, const ViewState &view, QSize pixels,
                   const DrawOptions &options, DrawResult *result)
{
    QImage image(pixels.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    DrawResult r = RedrawView(painter, pixels, view, scene, options);
    if (result)
        *result = std::move(r);
    return image;
}
