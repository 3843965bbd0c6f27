#include "writes/current_value_watch.h"

#include "engine/modbus_line.h"

namespace zentiq {

CurrentValueWatch::CurrentValueWatch(QObject* parent) : QObject(parent), m_line(&DefaultLine()) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CurrentValueWatch::refresh);
    PolledValueLookup& lookup = PolledValueLookup::Instance();
    connect(&lookup, &PolledValueLookup::valuesRead, this, [this](const PolledRange& read) {
        if (m_range && m_range->Overlaps(read))
            schedule();
    });
    connect(&lookup, &PolledValueLookup::pollsChanged, this, &CurrentValueWatch::schedule);
}

void CurrentValueWatch::SetLine(const ModbusLine& line) {
    m_line = &line;
    SetRange(m_range);
}

void CurrentValueWatch::SetRange(std::optional<PolledRange> range) {
    if (range)
        range->line = m_line;
    m_range = range;
    m_timer.stop();
    m_lastRefresh.start();
    m_items = m_range ? PolledValueLookup::Instance().Read(*m_range) : std::vector<PolledItem>();
    emit changed();
}

void CurrentValueWatch::schedule() {
    if (!m_range || m_timer.isActive())
        return;
    const qint64 since = m_lastRefresh.isValid() ? m_lastRefresh.elapsed() : kRefreshMs;
    if (since >= kRefreshMs)
        refresh();
    else
        m_timer.start(int(kRefreshMs - since));
}

void CurrentValueWatch::refresh() {
    m_lastRefresh.start();
    if (!m_range)
        return;
    std::vector<PolledItem> items = PolledValueLookup::Instance().Read(*m_range);
    if (items == m_items)
        return;
    m_items = std::move(items);
    emit changed();
}

}  // namespace zentiq
