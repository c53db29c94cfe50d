#pragma once

#include "display/points_table.h"

#include <QAbstractTableModel>
#include <QTimer>

class PointView;

// The points table beside the view: the electrodes or head-shape points on display, with the
// fiducials first. Row r marks the point Scene::markedRow = r.
class PointsTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Name, Type, X, Y, Z, Nearest, ColumnCount };
    // Streamed head-shape points change the scene many times a second; the table follows at
    // this pace.
    static constexpr int RefreshMs = 250;

    explicit PointsTableModel(PointView &view, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const std::vector<PointRow> &rows() const { return m_rows; }
    // Rebuilds the rows from the view's scene now.
    void refresh();

private:
    PointView &m_view;
    QTimer m_pending;
    bool m_stale = false;
    int m_set = -1;
    std::vector<PointRow> m_rows;
};
