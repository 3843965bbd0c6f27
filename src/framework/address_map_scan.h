// Address map of one slave: the four tables in turn (coils, discrete
// inputs, holding and input registers), each mapped by an
// AddressMapPlanner through the one-shot slot. A read that answers is
// readable; exception 02 (or any other failure) is not.
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <array>
#include <memory>
#include <vector>

#include "framework/address_map_planner.h"
#include "framework/one_shot_request.h"
#include "framework/scan_line_lease.h"

namespace zentiq {

class ModbusLine;

class AddressMapScan final : public QObject {
    Q_OBJECT
public:
    struct Options {
        int slaveId = 1;
        int first = 0;
        int last = 9999;
        int budgetPerTable = 500;
        std::uint32_t timeoutMs = 100;
        // Functions 1 to 4, in this order; a table left out is not mapped.
        std::array<bool, 4> tables{true, true, true, true};
    };
    struct TableResult {
        int function = 0;
        std::vector<AddressRange> readable;
        // What may still hide readable addresses (all of it for a table
        // the scan did not finish).
        std::vector<AddressMapPlanner::Uncovered> uncovered;
        int requests = 0;
        int granularity = 0;
        bool budgetSpent = false;
        bool cancelled = false;  // stopped part way: what it had found so far
    };

    explicit AddressMapScan(ModbusLine& line, QObject* parent = nullptr);
    ~AddressMapScan() override;

    // The most one request reads of a table (function 1..4).
    static int MaxQuantity(int function);

    bool Start(const Options& options);
    void Cancel();
    bool IsRunning() const { return m_running; }
    const Options& LastOptions() const { return m_options; }
    // One per table mapped or begun, in table order; a cancelled scan ends
    // with the table it was in.
    const std::vector<TableResult>& Results() const { return m_results; }
    const QString& Failure() const { return m_failure; }

signals:
    // Requests sent so far, and the most the budgets allow.
    void progress(int done, int total);
    void tableDone(const zentiq::AddressMapScan::TableResult& result);
    void finished(bool cancelled);

private:
    ModbusLine& m_line;
    void nextTable();
    void send();
    void answered(int status);
    void finish(bool cancelled);
    void tableEnded(bool cancelled);

    Options m_options;
    OneShotRequest* m_request = nullptr;
    ScanLineLease m_lease{m_line};
    std::unique_ptr<AddressMapPlanner> m_planner;
    int m_table = -1;
    int m_done = 0;
    int m_total = 0;
    bool m_running = false;
    bool m_cancel = false;
    std::vector<TableResult> m_results;
    QString m_failure;
};

}  // namespace zentiq
