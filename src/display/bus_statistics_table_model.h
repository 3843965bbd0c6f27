// The table of the bus statistics window: one row per poll window, the
// texts of BusStatistics::Cells, the achieved rate marked where a window
// gets less than it asked for.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

#include "values/bus_statistics.h"

namespace zentiq {

class BusStatisticsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit BusStatisticsTableModel(QObject* parent = nullptr);

    // New figures: the same windows update in place, others reset the table.
    void SetRows(std::vector<BusStatisticsRow> rows);
    const std::vector<BusStatisticsRow>& Rows() const { return m_rows; }
    // The column titles in the current language.
    void Retranslate();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<BusStatisticsRow> m_rows;
    std::vector<QStringList> m_cells;
    QStringList m_headers;
};

}  // namespace zentiq
