#pragma once

#include "data/transform4.h"

#include <QPointF>
#include <QSize>
#include <QString>
#include <array>
#include <cmath>
#include <optional>

// Plot coordinates are twips of the plot area, y growing downwards; a pixel is 15 twips.
inline constexpr double TwipsPerPixel = 15.0;

// Values of DisplaySet: the data set drawn after the axes.
namespace DisplaySets {
inline constexpr int None = 0;
inline constexpr int Dewar = 1;
inline constexpr int FiducialSets = 3;
inline constexpr int Probe = 4;
inline constexpr int Shape = 5;
inline constexpr int Electrodes = 6;
} // namespace DisplaySets

// Press codes of the ten stepping view buttons; each release code is the press code + 1.
namespace ViewButtons {
inline constexpr int Left = 1;
inline constexpr int Right = 3;
inline constexpr int Up = 5;
inline constexpr int Down = 7;
inline constexpr int ZoomOut = 9;    // SSCommand1
inline constexpr int ZoomIn = 11;    // SSCommand2
inline constexpr int PlotUp = 13;    // SSCommand6
inline constexpr int PlotDown = 15;  // SSCommand3
inline constexpr int PlotLeft = 17;  // SSCommand4
inline constexpr int PlotRight = 19; // SSCommand5
} // namespace ViewButtons

// The azimuth buttons turn the other way in the BESA and Curry systems.
enum class AzimuthDirection { Tevo, BesaCurry };
AzimuthDirection azimuthDirectionOf(const QString &coordinateSystem);

// Everything the point view remembers between redraws; zeros until the first SetHomeView.
struct ViewState
{
    int ViewAzimuth = 0;   // degrees about z, not wrapped
    int ViewElevation = 0; // degrees about y, not wrapped
    std::array<int, 3> ViewShift{0, 0, 0};
    double EyeDistance = 0;
    double PlotScale = 0;   // twips per scene unit
    double PlotOffsetX = 0; // twips
    double PlotOffsetY = 0;
    int DisplaySet = DisplaySets::None;
    int HoldActive = 0;
    int HoldCode = 0;
};

// Home values; the offsets put the scene origin at the centre of a plot of the given size.
void SetHomeView(ViewState &v, double plotWidthTwips, double plotHeightTwips);
// The Home view of a plot of `pixels`, drawing `displaySet`.
ViewState homeView(QSize pixels, int displaySet);

struct ViewMatrices
{
    Transform4 T, Rz, Ry, P;
    Transform4 DisplayMatrix; // P * Ry * Rz * T
};
ViewMatrices ComputeViewMatrices(const ViewState &v);

// Carries the circle template's plane z = 0 into the plane through `centre` normal to `normal`.
inline const Point3 DefaultPlacementCentre{2, 5, 7};
inline const Point3 DefaultPlacementNormal{0.4, 0.4, std::sqrt(0.68)};
Transform4 PlacementMatrix(const Point3 &centre = DefaultPlacementCentre,
                           const Point3 &normal = DefaultPlacementNormal);

inline constexpr int CirclePoints = 20;
inline constexpr double CircleRadius = 1.0;
// Points at 18, 36, ..., 360 degrees in the plane z = 0.
std::array<Eigen::Vector4d, CirclePoints> CircleTemplate(double radius = CircleRadius);

// Maps scene points to the plot with the matrices of one view state.
class Projection
{
public:
    explicit Projection(const ViewState &v);

    // Empty when the point cannot be mapped (fourth component zero, or no finite result).
    std::optional<QPointF> toPlot(const Eigen::Vector4d &p) const;
    std::optional<QPointF> toPlot(const Point3 &p) const { return toPlot(p.homogeneous().eval()); }
    std::optional<QPointF> toPixels(const Point3 &p) const;
    std::optional<QPointF> toPixels(const Eigen::Vector4d &p) const;
    const Transform4 &displayMatrix() const { return m_display; }

    // The same mapping without Eigen temporaries, for large point sets; false when unmapped.
    bool pixelOf(double x, double y, double z, double &px, double &py) const
    {
        const double w = m_r4[0] * x + m_r4[1] * y + m_r4[2] * z + m_r4[3];
        if (w == 0)
            return false;
        const double q2 = (m_r2[0] * x + m_r2[1] * y + m_r2[2] * z + m_r2[3]) / w;
        const double q3 = (m_r3[0] * x + m_r3[1] * y + m_r3[2] * z + m_r3[3]) / w;
        px = (m_scale * q2 + m_offX) / TwipsPerPixel;
        py = (m_offY - m_scale * q3) / TwipsPerPixel;
        return drawable(px) && drawable(py);
    }

private:
    // Beyond this a coordinate cannot be rasterised and only comes from a point near the eye.
    static bool drawable(double pixel) { return pixel > -1e7 && pixel < 1e7; }

    Transform4 m_display;
    std::array<double, 4> m_r2{}, m_r3{}, m_r4{};
    double m_scale, m_offX, m_offY;
};

// The step of one repeat of a view button; false (state untouched) for anything but 1, 3, ..., 19.
bool ViewStep(ViewState &v, int pressCode, AzimuthDirection direction);
inline bool isStepCode(int code)
{
    return code >= 1 && code <= 19 && code % 2 == 1;
}

// Degrees per pixel of mouse drag, and scale factor per wheel notch (120 eighths of a degree).
inline constexpr double DragDegreesPerPixel = 0.5;
inline constexpr double WheelZoomPerNotch = 1.15;
// Turns from the state at the start of a drag by the whole drag so far: the scene follows the
// mouse (right turns like the left button, up raises the elevation).
ViewState turnedByDrag(const ViewState &atPress, QPointF dragPixels, AzimuthDirection direction);
// Zooms for a wheel turn of `angleDelta` eighths of a degree (positive zooms in).
void zoomByWheel(ViewState &v, int angleDelta);
