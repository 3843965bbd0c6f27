#include "framework/address_map_scan.h"

#include "engine/modbus_line.h"

namespace zentiq {

AddressMapScan::AddressMapScan(ModbusLine& line, QObject* parent) : QObject(parent), m_line(line) {
    m_request = new OneShotRequest(this);
    connect(m_request, &OneShotRequest::Finished, this, &AddressMapScan::answered);
}

AddressMapScan::~AddressMapScan() = default;

int AddressMapScan::MaxQuantity(int function) { return function <= 2 ? 2000 : 125; }

bool AddressMapScan::Start(const Options& options) {
    if (m_running || m_line.IsConnected() == 0 || options.slaveId < 1 || options.slaveId > 255 ||
        options.first < 0 || options.last > 65535 || options.first > options.last ||
        options.budgetPerTable < 1)
        return false;
    m_options = options;
    m_results.clear();
    m_failure.clear();
    m_table = -1;
    m_done = 0;
    m_total = 0;
    for (bool on : options.tables)
        m_total += on ? options.budgetPerTable : 0;
    m_cancel = false;
    m_running = true;
    m_lease.Take(options.timeoutMs);
    emit progress(0, m_total);
    nextTable();
    return true;
}

void AddressMapScan::Cancel() {
    if (!m_running)
        return;
    m_cancel = true;
    if (!m_request->IsPending())
        finish(true);
}

void AddressMapScan::nextTable() {
    while (++m_table < 4) {
        if (!m_options.tables[static_cast<std::size_t>(m_table)])
            continue;
        m_planner = std::make_unique<AddressMapPlanner>(
            m_options.first, m_options.last, MaxQuantity(m_table + 1), m_options.budgetPerTable);
        send();
        return;
    }
    finish(false);
}

void AddressMapScan::send() {
    if (m_cancel) {
        finish(true);
        return;
    }
    if (const auto q = m_planner->Next()) {
        OneShotArgs a;
        a.slaveId = static_cast<std::uint16_t>(m_options.slaveId);
        a.function = static_cast<std::uint16_t>(m_table + 1);
        a.readAddress = static_cast<std::uint16_t>(q->address);
        a.readQuantity = static_cast<std::uint16_t>(q->quantity);
        if (!m_request->Submit(m_line, a, {})) {
            m_failure = m_request->FailureText();
            finish(true);
        }
        return;
    }
    tableEnded(false);
    m_done += m_options.budgetPerTable -
              m_results.back().requests;  // the budget left over counts as done
    emit progress(m_done, m_total);
    nextTable();
}

void AddressMapScan::tableEnded(bool cancelled) {
    TableResult r;
    r.function = m_table + 1;
    r.readable = m_planner->Readable();
    r.uncovered = m_planner->UncoveredRanges();
    r.requests = m_planner->Requests();
    r.granularity = m_planner->Granularity();
    r.budgetSpent = m_planner->BudgetSpent();
    r.cancelled = cancelled;
    m_planner.reset();
    m_results.push_back(r);
    emit tableDone(r);
}

void AddressMapScan::answered(int status) {
    if (!m_running)
        return;
    m_planner->Answer(status == status::Ok);
    ++m_done;
    emit progress(m_done, m_total);
    send();
}

void AddressMapScan::finish(bool cancelled) {
    // The table it stopped in keeps what it found and the requests it made.
    if (cancelled && m_planner)
        tableEnded(true);
    m_running = false;
    if (m_lease.IsTaken())
        m_lease.Give();
    emit finished(cancelled);
}

}  // namespace zentiq
