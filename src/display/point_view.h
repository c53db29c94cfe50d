#pragma once

#include "display/hold_repeat.h"
#include "display/scene.h"
#include "display/scene_painter.h"
#include "display/view_state.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QTimer>
#include <functional>

// The point view of the window without its widgets: view state, the scene on display, what the
// plot holds, the view buttons' repeat, mouse turning, and the picture. The widget only shows
// image() and places the labels of lastDraw(); tests drive it headless.
class PointView : public QObject
{
    Q_OBJECT
public:
    // What the plot holds: cleared, the cube alone, or the full redraw.
    enum class Content { Empty, CubeOnly, Scene };

    // Pause that gathers redraw requests (held buttons, streamed points) into one picture.
    static constexpr int RedrawBatchMs = 15;
    static constexpr QSize DefaultPlotSize{600, 450};

    explicit PointView(QObject *parent = nullptr);

    ViewState &state() { return m_state; }
    const ViewState &state() const { return m_state; }
    HoldRepeat &hold() { return m_hold; }

    // Where the scene of each data set comes from (the workspace, in the program).
    void setSceneSource(std::function<Scene(int displaySet)> source);
    void setAzimuthDirectionSource(std::function<AzimuthDirection()> source);
    // Re-reads the scene of the data set on display; redraws when the plot shows it.
    void dataChanged();
    const Scene &scene() const { return m_scene; }

    // The plot's size in pixels; a new size keeps the scene's origin where it was relative to
    // the plot's centre.
    void setPlotSize(QSize pixels);
    QSize plotSize() const { return m_plotSize; }

    // Home values with the origin at the plot's centre; clears the plot, draws nothing.
    void setHome();
    void clearPlot();
    void drawCubeOnly();
    // The full redraw of the data set on display (every view step ends with it).
    void redraw();
    Content content() const { return m_content; }

    // The view buttons: press and release codes, cmdHome.
    void press(int pressCode);
    void release(int releaseCode);
    void home();
    // ShowViewButtons: unavailable buttons also end a repeat and stop mouse turning.
    void setInteractive(bool on);
    bool interactive() const { return m_interactive; }
    // Electrode digitizing lets the buttons step whatever HoldActive says.
    void setViewButtonLoop(bool on);
    // Whether a button, a drag or the wheel changes the view now.
    bool acceptsViewSteps() const;

    // Mouse: a drag turns from where it started, the wheel zooms.
    void beginDrag();
    void dragBy(QPointF pixels);
    void endDrag();
    void wheel(int angleDelta);

    // Electrode name labels (LabelOption); neither showing nor hiding redraws.
    void setLabelsShown(bool on);
    bool labelsShown() const { return m_labelsShown; }
    // The point marked from the points table: 0..2 fiducials, then points; -1 none.
    void setMarkedRow(int row);
    // Head-shape sequences: first point of each, and the selected one (1-based, 0 none).
    void setShapeSequences(std::vector<int> starts, int selected);
    // A click on NameLabel(index + 1).
    void clickNameLabel(int index) { emit nameLabelClicked(index); }

    // The plot as last rendered, and where its labels go.
    const QImage &image() const { return m_image; }
    const DrawResult &lastDraw() const { return m_lastDraw; }
    bool renderPending() const { return m_renderTimer.isActive(); }
    // Renders now whatever is pending.
    void renderNow();
    // The plot with the labels on show drawn in, for export.
    QImage picture();

signals:
    void rendered();
    void sceneChanged();
    void labelsChanged();
    // A redraw of the dewar set: the caller tells the operator.
    void dewarMessageRequested();
    void nameLabelClicked(int index);

private:
    void setContent(Content content);
    void scheduleRender();
    void render();
    AzimuthDirection direction() const;

    ViewState m_state;
    HoldRepeat m_hold;
    QTimer m_renderTimer;
    std::function<Scene(int)> m_sceneSource;
    std::function<AzimuthDirection()> m_directionSource;
    Scene m_scene;
    int m_sceneSet = -1;
    QSize m_plotSize = DefaultPlotSize;
    Content m_content = Content::Empty;
    bool m_interactive = false;
    bool m_viewButtonLoop = false;
    bool m_labelsShown = false;
    bool m_dragging = false;
    ViewState m_atDragStart;
    QImage m_image;
    DrawResult m_lastDraw;
};
