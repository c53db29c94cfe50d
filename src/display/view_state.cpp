#include "view_state.h"

namespace {
const double Pi = 4.0 * std::atan(1.0);

// The counters are 16-bit in the settings' world; a whole number of turns keeps the view.
void keepAngleInRange(int &degrees)
{
    if (degrees > 32767 || degrees < -32768)
        degrees %= 360;
}
} // namespace

AzimuthDirection azimuthDirectionOf(const QString &coordinateSystem)
{
    if (coordinateSystem == QLatin1String("BESA") || coordinateSystem == QLatin1String("Curry"))
        return AzimuthDirection::BesaCurry;
    return AzimuthDirection::Tevo;
}

void SetHomeView(ViewState &v, double plotWidthTwips, double plotHeightTwips)
{
    v.ViewAzimuth = 180;
    v.ViewElevation = -90;
    v.ViewShift = {0, 0, 0};
    v.EyeDistance = -30;
    v.PlotScale = 150;
    v.PlotOffsetX = plotWidthTwips / 2;
    v.PlotOffsetY = plotHeightTwips / 2;
}

ViewState homeView(QSize pixels, int displaySet)
{
    ViewState v;
    SetHomeView(v, pixels.width() * TwipsPerPixel, pixels.height() * TwipsPerPixel);
    v.DisplaySet = displaySet;
    return v;
}

ViewMatrices ComputeViewMatrices(const ViewState &v)
{
    ViewMatrices m;
    m.T = Transform4::Identity();
    for (int i = 0; i < 3; ++i)
        m.T(i, 3) = v.ViewShift[i];

    const double a = v.ViewAzimuth * Pi / 180;
    m.Rz = Transform4::Zero();
    m.Rz(0, 0) = std::cos(a);
    m.Rz(0, 1) = std::sin(a);
    m.Rz(1, 0) = -std::sin(a);
    m.Rz(1, 1) = std::cos(a);
    m.Rz(2, 2) = m.Rz(3, 3) = 1;

    const double e = v.ViewElevation * Pi / 180;
    m.Ry = Transform4::Zero();
    m.Ry(0, 0) = std::cos(e);
    m.Ry(0, 2) = -std::sin(e);
    m.Ry(2, 0) = std::sin(e);
    m.Ry(2, 2) = std::cos(e);
    m.Ry(1, 1) = m.Ry(3, 3) = 1;

    // x becomes depth only; it enters through the fourth row.
    m.P = Transform4::Zero();
    m.P(1, 1) = m.P(2, 2) = m.P(3, 3) = 1;
    m.P(3, 0) = 1 / v.EyeDistance;

    m.DisplayMatrix = m.P * m.Ry * m.Rz * m.T;
    return m;
}

Transform4 PlacementMatrix(const Point3 &centre, const Point3 &normal)
{
    Transform4 tc = Transform4::Identity();
    tc.block<3, 1>(0, 3) = centre;
    Transform4 v = Transform4::Identity();
    const double length = normal.norm();
    if (length > 0 && std::isfinite(length)) {
        const Point3 n = normal / length;
        const double s = std::sqrt(std::max(0.0, 1 - n.z() * n.z()));
        if (s != 0) {
            v.setZero();
            v.block<3, 1>(0, 0) = Point3(-n.y() / s, n.x() / s, 0);
            v.block<3, 1>(0, 1) = Point3(-n.x() * n.z() / s, -n.y() * n.z() / s, s);
            v.block<3, 1>(0, 2) = n;
            v(3, 3) = 1;
        }
    }
    return tc * v;
}

std::array<Eigen::Vector4d, CirclePoints> CircleTemplate(double radius)
{
    std::array<Eigen::Vector4d, CirclePoints> c;
    for (int i = 0; i < CirclePoints; ++i) {
        const double t = (i + 1) * 18.0 * Pi / 180;
        c[i] = Eigen::Vector4d(radius * std::cos(t), radius * std::sin(t), 0, 1);
    }
    return c;
}

Projection::Projection(const ViewState &v)
    : m_display(ComputeViewMatrices(v).DisplayMatrix), m_scale(v.PlotScale), m_offX(v.PlotOffsetX),
      m_offY(v.PlotOffsetY)
{
    for (int c = 0; c < 4; ++c) {
        m_r2[c] = m_display(1, c);
        m_r3[c] = m_display(2, c);
        m_r4[c] = m_display(3, c);
    }
}

std::optional<QPointF> Projection::toPlot(const Eigen::Vector4d &p) const
{
    const Eigen::Vector4d q = m_display * p;
    if (q(3) == 0)
        return std::nullopt;
    const QPointF plot(m_scale * q(1) / q(3) + m_offX, m_offY - m_scale * q(2) / q(3));
    if (!drawable(plot.x() / TwipsPerPixel) || !drawable(plot.y() / TwipsPerPixel))
        return std::nullopt;
    return plot;
}

std::optional<QPointF> Projection::toPixels(const Eigen::Vector4d &p) const
{
    const auto plot = toPlot(p);
    if (!plot)
        return std::nullopt;
    return *plot / TwipsPerPixel;
}

std::optional<QPointF> Projection::toPixels(const Point3 &p) const
{
    return toPixels(p.homogeneous().eval());
}

bool ViewStep(ViewState &v, int pressCode, AzimuthDirection direction)
{
    const int turn = direction == AzimuthDirection::Tevo ? 1 : -1;
    switch (pressCode) {
    case ViewButtons::Left:
        v.ViewAzimuth += turn;
        break;
    case ViewButtons::Right:
        v.ViewAzimuth -= turn;
        break;
    case ViewButtons::Up:
        v.ViewElevation += 1;
        break;
    case ViewButtons::Down:
        v.ViewElevation -= 1;
        break;
    case ViewButtons::ZoomOut:
        v.PlotScale -= 10;
        break;
    case ViewButtons::ZoomIn:
        v.PlotScale += 10;
        break;
    case ViewButtons::PlotUp:
        v.PlotOffsetY -= 100;
        break;
    case ViewButtons::PlotDown:
        v.PlotOffsetY += 100;
        break;
    case ViewButtons::PlotLeft:
        v.PlotOffsetX -= 100;
        break;
    case ViewButtons::PlotRight:
        v.PlotOffsetX += 100;
        break;
    default:
        return false;
    }
    keepAngleInRange(v.ViewAzimuth);
    keepAngleInRange(v.ViewElevation);
    return true;
}

ViewState turnedByDrag(const ViewState &atPress, QPointF dragPixels, AzimuthDirection direction)
{
    const int turn = direction == AzimuthDirection::Tevo ? 1 : -1;
    ViewState v = atPress;
    v.ViewAzimuth += turn * int(std::lround(dragPixels.x() * DragDegreesPerPixel));
    v.ViewElevation -= int(std::lround(dragPixels.y() * DragDegreesPerPixel));
    keepAngleInRange(v.ViewAzimuth);
    keepAngleInRange(v.ViewElevation);
    return v;
}

void zoomByWheel(ViewState &v, int angleDelta)
{
    const double notches = angleDelta / 120.0;
    // A scale stepped to zero by the buttons would stay there under a factor.
    if (v.PlotScale == 0)
        v.PlotScale = 10 * notches;
    else
        v.PlotScale *= std::pow(WheelZoomPerNotch, notches);
}
