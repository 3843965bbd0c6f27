#include "display/bus_statistics_table_model.h"

#include <QBrush>
#include <QColor>

#include "framework/contrast.h"

namespace zentiq {
namespace {

// The window's name reads from the left; figures line up on the right.
constexpr int kNameColumn = 0;
constexpr int kSlowColumn = BusStatistics::kAchievedColumn + 1;

bool SameWindows(const std::vector<BusStatisticsRow>& a, const std::vector<BusStatisticsRow>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].request.name != b[i].request.name)
            return false;
    return true;
}

// A window that gets less than it asked for: orange, dark on dark palettes.
CellMark slowMark() { return MarkOnPalette(QColor(255, 205, 180), QColor(120, 60, 20)); }

}  // namespace

BusStatisticsTableModel::BusStatisticsTableModel(QObject* parent)
    : QAbstractTableModel(parent), m_headers(BusStatistics::Headers()) {}

void BusStatisticsTableModel::SetRows(std::vector<BusStatisticsRow> rows) {
    std::vector<QStringList> cells;
    cells.reserve(rows.size());
    for (const BusStatisticsRow& row : rows)
        cells.push_back(BusStatistics::Cells(row));
    if (SameWindows(m_rows, rows)) {
        m_rows = std::move(rows);
        m_cells = std::move(cells);
        if (!m_rows.empty())
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    m_cells = std::move(cells);
    endResetModel();
}

void BusStatisticsTableModel::Retranslate() {
    m_headers = BusStatistics::Headers();
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_cells[i] = BusStatistics::Cells(m_rows[i]);
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int BusStatisticsTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int BusStatisticsTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant BusStatisticsTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const BusStatisticsRow& row = m_rows[static_cast<std::size_t>(index.row())];
    const bool marked = row.slow && (index.column() == BusStatistics::kAchievedColumn ||
                                     index.column() == kSlowColumn);
    switch (role) {
    case Qt::DisplayRole:
        return m_cells[static_cast<std::size_t>(index.row())].value(index.column());
    case Qt::TextAlignmentRole:
        return index.column() == kNameColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                             : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        if (marked)
            return QBrush(slowMark().background);
        return {};
    case Qt::ForegroundRole:
        if (marked)
            return QBrush(slowMark().text);
        return {};
    case Qt::ToolTipRole:
        if (marked)
            return BusStatistics::SlowText(row);
        return {};
    default: return {};
    }
}

QVariant BusStatisticsTableModel::headerData(int section, Qt::Orientation orientation,
                                             int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_headers.value(section);
    return section + 1;
}

}  // namespace zentiq
