#pragma once

#include <QLabel>
#include <QWidget>
#include <vector>

class PointView;

// NameLabel(index + 1): a point's name over the plot; a click reports the point.
class PointNameLabel final : public QLabel
{
    Q_OBJECT
public:
    PointNameLabel(int index, QWidget *parent);
    int index() const { return m_index; }

signals:
    void clicked(int index);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    int m_index;
};

// Picture1: shows the point view's picture, places the name labels over it, and turns the view
// by mouse drag and zooms it by the wheel.
class PlotArea final : public QWidget
{
    Q_OBJECT
public:
    explicit PlotArea(QWidget *parent = nullptr);
    void setView(PointView *view);
    // The labels in use, NameLabel(1) first; surplus ones are kept hidden for reuse.
    std::vector<PointNameLabel *> nameLabels() const;
    QSize sizeHint() const override { return {560, 460}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void placeLabels();

    PointView *m_view = nullptr;
    std::vector<PointNameLabel *> m_labels;
    std::size_t m_inUse = 0;
    QPointF m_pressAt;
    bool m_dragging = false;
};
