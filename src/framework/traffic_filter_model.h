// The monitor's frames of one slave and/or one function code, as a view on
// the frame model (no copy of the frames).
#pragma once

#include <QSortFilterProxyModel>

namespace zentiq {

class TrafficFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    static constexpr int kAll = -1;

    using QSortFilterProxyModel::QSortFilterProxyModel;

    // kAll lets every frame through.
    void SetFilter(int slave, int function);
    int Slave() const { return m_slave; }
    int Function() const { return m_function; }
    bool IsFiltering() const { return m_slave != kAll || m_function != kAll; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    int m_slave = kAll;
    int m_function = kAll;
};

}  // namespace zentiq
