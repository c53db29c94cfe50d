#pragma once

#include "display/scene.h"
#include "display/view_state.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QStringList>
#include <vector>

class DotLayer;
class QPainter;

inline const QString DewarMessage = QStringLiteral("Drawing dewar data...");

// Where the window puts NameLabel(index + 1): its top-left corner in twips.
struct NameLabel
{
    int index;
    QString caption; // two blanks, then the eight-character name
    QPointF topLeft;
};

struct DrawOptions
{
    bool drawLabels = false;       // draw the NameLabel captions as text (images without labels)
    QColor foreground = Qt::black; // the plot's drawing colour: plain cube edges, probe circles
    QColor highlight = QColor(255, 128, 0); // the selected shape sequence, the marked point
};

// What a redraw leaves for its caller to show.
struct DrawResult
{
    std::vector<NameLabel> labels;
    bool dewarMessage = false; // show DewarMessage through Dialogs
    QStringList problems;      // stations whose fiducials give no frame (drawn without them)
};

// Display copies: the fiducials and points scaled so the largest fiducial coordinate is 5.
struct DisplayCopy
{
    FidTriple fid;
    std::vector<Point3> pos;
};
DisplayCopy PrepareElectrodeDisplay(const FidTriple &fid, const std::vector<Point3> &pos);
inline DisplayCopy PrepareShapeDisplay(const FidTriple &fid, const std::vector<Point3> &pos)
{
    return PrepareElectrodeDisplay(fid, pos);
}
// Pen width in pixels of electrode and shape dots; grows with the zoom.
int ElectrodePenWidth(double plotScale);
// Factor that brings the probe's largest coordinate (at least 1) to 10.
double ProbeScale(const FidTriple &probeFid, const std::vector<CoilPose> &coils);

// Draws onto a painter whose coordinates are pixels of a plot of `pixels` (a pixel is 15 twips).
class ScenePainter
{
public:
    ScenePainter(QPainter &painter, QSize pixels, const ViewState &view,
                 const DrawOptions &options = {});

    void clear();
    void DrawCube();
    void DrawAxes();
    // Returns the messages of stations whose fiducials span no frame.
    QStringList DrawFiducialSets(const std::vector<FidTriple> &stations);
    std::vector<NameLabel> DrawElectrodes(const Scene &scene);
    void DrawShape(const Scene &scene);
    void DrawProbe(const Scene &scene);

private:
    void dot(const Point3 &p, const QColor &colour, int width);
    void dots(DotLayer &layer, const std::vector<Point3> &pts, std::size_t from, std::size_t to,
              const QColor &colour, int width);
    void line(const Eigen::Vector4d &a, const Eigen::Vector4d &b, const QColor &colour, int width);
    void fiducialDots(const FidTriple &fid, int width);
    void markRow(const DisplayCopy &copy, int row);

    QPainter &m_p;
    QSize m_pixels;
    const ViewState &m_view;
    DrawOptions m_options;
    Projection m_projection;
};

// RedrawView: clears, draws the cube, the axes and the data set chosen by view.DisplaySet.
DrawResult RedrawView(QPainter &painter, QSize pixels, const ViewState &view, const Scene &scene,
                      const DrawOptions &options = {});
// The plot of `pixels` as the window would show it, on white.
QImage renderScene(const Scene &scene, const ViewState &view, QSize pixels,
                   const DrawOptions &options = {}, DrawResult *result = nullptr);
