#include "point_view.h"

#include <QPainter>

PointView::PointView(QObject *parent) : QObject(parent), m_hold(m_state)
{
    m_renderTimer.setSingleShot(true);
    m_renderTimer.setInterval(RedrawBatchMs);
    connect(&m_renderTimer, &QTimer::timeout, this, &PointView::render);
    connect(&m_hold, &HoldRepeat::redrawRequested, this, &PointView::redraw);
    m_image = QImage(m_plotSize, QImage::Format_RGB32);
    m_image.fill(Qt::white);
}

void PointView::setSceneSource(std::function<Scene(int)> source)
{
    m_sceneSource = std::move(source);
    dataChanged();
}

void PointView::setAzimuthDirectionSource(std::function<AzimuthDirection()> source)
{
    m_directionSource = std::move(source);
}

AzimuthDirection PointView::direction() const
{
    return m_directionSource ? m_directionSource() : AzimuthDirection::Tevo;
}

void PointView::dataChanged()
{
    const int set = m_state.DisplaySet;
    Scene next = m_sceneSource ? m_sceneSource(set) : Scene();
    // Marks and sequences belong to the set on display; another set starts without them.
    if (set == m_sceneSet) {
        next.markedRow = m_scene.markedRow;
        next.sequenceStarts = std::move(m_scene.sequenceStarts);
        next.selectedSequence = m_scene.selectedSequence;
    }
    m_scene = std::move(next);
    m_sceneSet = set;
    emit sceneChanged();
    if (m_content == Content::Scene)
        scheduleRender();
}

void PointView::setPlotSize(QSize pixels)
{
    pixels = pixels.expandedTo(QSize(1, 1));
    if (pixels == m_plotSize)
        return;
    m_state.PlotOffsetX += (pixels.width() - m_plotSize.width()) * TwipsPerPixel / 2;
    m_state.PlotOffsetY += (pixels.height() - m_plotSize.height()) * TwipsPerPixel / 2;
    m_plotSize = pixels;
    render();
}

void PointView::setHome()
{
    SetHomeView(m_state, m_plotSize.width() * TwipsPerPixel, m_plotSize.height() * TwipsPerPixel);
    setContent(Content::Empty);
}

void PointView::clearPlot()
{
    setContent(Content::Empty);
}

void PointView::drawCubeOnly()
{
    setContent(Content::CubeOnly);
}

void PointView::redraw()
{
    if (m_sceneSet != m_state.DisplaySet)
        dataChanged();
    setContent(Content::Scene);
    if (m_state.DisplaySet == DisplaySets::Dewar) {
        // The message box takes the mouse; a held button would never see its release.
        m_hold.stop();
        m_dragging = false;
        emit dewarMessageRequested();
    }
}

void PointView::setContent(Content content)
{
    m_content = content;
    scheduleRender();
}

void PointView::press(int pressCode)
{
    if (!m_interactive) {
        m_state.HoldCode = pressCode;
        return;
    }
    m_hold.setAzimuthDirection(direction());
    m_hold.press(pressCode);
}

void PointView::release(int releaseCode)
{
    m_hold.release(releaseCode);
}

void PointView::home()
{
    if (m_state.HoldActive == 0)
        return;
    m_hold.stop();
    SetHomeView(m_state, m_plotSize.width() * TwipsPerPixel, m_plotSize.height() * TwipsPerPixel);
    redraw();
}

void PointView::setInteractive(bool on)
{
    m_interactive = on;
    if (!on) {
        m_hold.stop();
        m_dragging = false;
    }
}

void PointView::setViewButtonLoop(bool on)
{
    m_viewButtonLoop = on;
    m_hold.setStepWithoutHold(on);
}

bool PointView::acceptsViewSteps() const
{
    return m_interactive && (m_viewButtonLoop || m_state.HoldActive != 0);
}

void PointView::beginDrag()
{
    m_dragging = acceptsViewSteps();
    m_atDragStart = m_state;
}

void PointView::dragBy(QPointF pixels)
{
    if (!m_dragging || !acceptsViewSteps())
        return;
    const ViewState turned = turnedByDrag(m_atDragStart, pixels, direction());
    if (turned.ViewAzimuth == m_state.ViewAzimuth && turned.ViewElevation == m_state.ViewElevation)
        return;
    m_state.ViewAzimuth = turned.ViewAzimuth;
    m_state.ViewElevation = turned.ViewElevation;
    redraw();
}

void PointView::endDrag()
{
    m_dragging = false;
}

void PointView::wheel(int angleDelta)
{
    if (angleDelta == 0 || !acceptsViewSteps())
        return;
    zoomByWheel(m_state, angleDelta);
    redraw();
}

void PointView::setLabelsShown(bool on)
{
    if (on == m_labelsShown)
        return;
    m_labelsShown = on;
    emit labelsChanged();
}

void PointView::setMarkedRow(int row)
{
    if (row == m_scene.markedRow)
        return;
    m_scene.markedRow = row;
    if (m_content == Content::Scene)
        scheduleRender();
}

void PointView::setShapeSequences(std::vector<int> starts, int selected)
{
    m_scene.sequenceStarts = std::move(starts);
    m_scene.selectedSequence = selected;
    if (m_content == Content::Scene)
        scheduleRender();
}

void PointView::scheduleRender()
{
    if (!m_renderTimer.isActive())
        m_renderTimer.start();
}

void PointView::renderNow()
{
    if (m_renderTimer.isActive())
        render();
}

void PointView::render()
{
    m_renderTimer.stop();
    if (m_image.size() != m_plotSize)
        m_image = QImage(m_plotSize, QImage::Format_RGB32);
    QPainter painter(&m_image);
    m_lastDraw = DrawResult();
    switch (m_content) {
    case Content::Empty:
        painter.fillRect(m_image.rect(), Qt::white);
        break;
    case Content::CubeOnly: {
        ScenePainter p(painter, m_plotSize, m_state);
        p.clear();
        p.DrawCube();
        break;
    }
    case Content::Scene:
        m_lastDraw = RedrawView(painter, m_plotSize, m_state, m_scene);
        break;
    }
    emit rendered();
}

QImage PointView::picture()
{
    renderNow();
    if (m_content != Content::Scene)
        return m_image;
    DrawOptions options;
    options.drawLabels = m_labelsShown;
    return renderScene(m_scene, m_state, m_plotSize, options);
}
