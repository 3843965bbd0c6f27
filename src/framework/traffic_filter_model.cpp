#include "framework/traffic_filter_model.h"

#include "framework/traffic_frame_model.h"

namespace zentiq {

void TrafficFilterModel::SetFilter(int slave, int function) {
    if (slave == m_slave && function == m_function)
        return;
    m_slave = slave;
    m_function = function;
    invalidateRowsFilter();
}

bool TrafficFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    return (m_slave == kAll || index.data(TrafficFrameModel::SlaveRole).toInt() == m_slave) &&
           (m_function == kAll || index.data(TrafficFrameModel::FunctionRole).toInt() == m_function);
}

}  // namespace zentiq
