// The line that ends a slave-ID scan and the verdict of each row: devices
// found, and apart from them what answered without being one; what was not
// probed, and why.
#pragma once

#include <QCoreApplication>
#include <QString>

#include "framework/bus_id_scan.h"

namespace zentiq {

class IdScanSummary {
    Q_DECLARE_TR_FUNCTIONS(IdScanSummary)
public:
    static QString Text(const IdScanReport& report, bool cancelled);
    // The answer column of a row: "正常", the exception, or what answered
    // instead of a device ("网关: 无设备", ...).
    static QString Verdict(const ScanHit& hit);
};

}  // namespace zentiq
