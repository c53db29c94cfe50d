#include "plot_area.h"

#include "display/point_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

PointNameLabel::PointNameLabel(int index, QWidget *parent) : QLabel(parent), m_index(index)
{
    setObjectName(QStringLiteral("NameLabel"));
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_TranslucentBackground);
}

void PointNameLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        emit clicked(m_index);
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

PlotArea::PlotArea(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Picture1"));
    setAccessibleName(QStringLiteral("3-D point view"));
    setMinimumSize(200, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotArea::setView(PointView *view)
{
    m_view = view;
    if (!view)
        return;
    connect(view, &PointView::rendered, this, [this] {
        placeLabels();
        update();
    });
    connect(view, &PointView::labelsChanged, this, &PlotArea::placeLabels);
    view->setPlotSize(size());
    placeLabels();
}

std::vector<PointNameLabel *> PlotArea::nameLabels() const
{
    return {m_labels.begin(), m_labels.begin() + std::ptrdiff_t(m_inUse)};
}

void PlotArea::placeLabels()
{
    if (!m_view)
        return;
    const std::vector<::NameLabel> &placed = m_view->lastDraw().labels;
    const bool shown = m_view->labelsShown();
    while (m_labels.size() < placed.size()) {
        auto *label = new PointNameLabel(int(m_labels.size()), this);
        connect(label, &PointNameLabel::clicked, this, [this](int index) {
            if (m_view)
                m_view->clickNameLabel(index);
        });
        m_labels.push_back(label);
    }
    m_inUse = placed.size();
    for (std::size_t i = 0; i < m_labels.size(); ++i) {
        PointNameLabel *label = m_labels[i];
        if (i >= placed.size()) {
            label->hide();
            continue;
        }
        const ::NameLabel &p = placed[i];
        if (label->text() != p.caption) {
            label->setText(p.caption);
            label->setAccessibleName(p.caption.trimmed());
            label->adjustSize();
        }
        label->move((p.topLeft / TwipsPerPixel).toPoint());
        label->setVisible(shown);
    }
}

void PlotArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_view) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    const QImage &image = m_view->image();
    painter.drawImage(0, 0, image);
    // Between a resize and its render the widget may be larger than the picture.
    if (image.width() < width())
        painter.fillRect(image.width(), 0, width() - image.width(), height(), Qt::white);
    if (image.height() < height())
        painter.fillRect(0, image.height(), width(), height() - image.height(), Qt::white);
}

void PlotArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_view)
        m_view->setPlotSize(size());
}

void PlotArea::mousePressEvent(QMouseEvent *event)
{
    if (!m_view || event->button() != Qt::LeftButton || !m_view->acceptsViewSteps()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_pressAt = event->position();
    m_view->beginDrag();
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void PlotArea::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !m_view) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    m_view->dragBy(event->position() - m_pressAt);
    event->accept();
}

void PlotArea::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    if (m_view)
        m_view->endDrag();
    unsetCursor();
    event->accept();
}

void PlotArea::wheelEvent(QWheelEvent *event)
{
    if (!m_view || !m_view->acceptsViewSteps()) {
        QWidget::wheelEvent(event);
        return;
    }
    m_view->wheel(event->angleDelta().y());
    event->accept();
}
