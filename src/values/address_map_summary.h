// What the bus scanner says after an address map: the requests it made and
// what may still hide readable addresses, table by table, so that a spent
// budget or a cancel never passes for a complete map.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <array>
#include <vector>

#include "framework/address_map_scan.h"

namespace zentiq {

struct AddressMapSummary {
    Q_DECLARE_TR_FUNCTIONS(AddressMapSummary)
public:
    // Ranges listed per table before "等 N 段".
    static constexpr int kRangesShown = 4;

    // `tables` the tables the scan was asked for (functions 1..4).
    static QString Text(const std::vector<AddressMapScan::TableResult>& results,
                        const std::array<bool, 4>& tables);
    // "3–20, 517, ..." with at most kRangesShown ranges.
    static QString Ranges(const std::vector<AddressRange>& ranges);
};

}  // namespace zentiq
