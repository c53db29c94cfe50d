#include "points_table_model.h"

#include "display/point_view.h"

PointsTableModel::PointsTableModel(PointView &view, QObject *parent)
    : QAbstractTableModel(parent), m_view(view)
{
    m_pending.setSingleShot(true);
    m_pending.setInterval(RefreshMs);
    // Another data set, or the first change after a quiet spell, shows at once; a stream of
    // changes is followed at the pace.
    connect(&m_pending, &QTimer::timeout, this, [this] {
        if (m_stale)
            refresh();
    });
    connect(&view, &PointView::sceneChanged, this, [this] {
        if (m_pending.isActive() && m_set == m_view.state().DisplaySet) {
            m_stale = true;
            return;
        }
        refresh();
    });
    refresh();
}

void PointsTableModel::refresh()
{
    const int set = m_set = m_view.state().DisplaySet;
    const bool listed = set == DisplaySets::Electrodes || set == DisplaySets::Shape;
    beginResetModel();
    m_rows = listed ? PointsTable(m_view.scene()) : std::vector<PointRow>();
    endResetModel();
    m_stale = false;
    m_pending.start();
}

int PointsTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PointsTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PointsTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const PointRow &r = m_rows[std::size_t(index.row())];
    if (role == Qt::TextAlignmentRole)
        return index.column() >= X ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Name:
        return r.name;
    case Type:
        return r.type;
    case X:
    case Y:
    case Z:
        return QString::number(r.cm[index.column() - X], 'f', 2);
    case Nearest:
        return r.nearestCm ? QString::number(*r.nearestCm, 'f', 2) : QString();
    default:
        return {};
    }
}

QVariant PointsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char *const titles[ColumnCount] = {"Name",   "Type",   "x (cm)",
                                                    "y (cm)", "z (cm)", "Nearest (cm)"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section])
                                                 : QVariant();
}
