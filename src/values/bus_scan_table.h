// The bus scanner's results as a table of texts: the rows it shows, copies
// as tab-separated text and saves as CSV.
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/device_identity.h"
#include "engine/engine_types.h"

namespace zentiq {

struct BusScanTable {
    Q_DECLARE_TR_FUNCTIONS(BusScanTable)
public:
    QStringList header;
    QList<QStringList> rows;

    // Header and rows, fields separated by tabs, one line each.
    QString ToText() const;
    // The same through the program's CSV writer.
    QString ToCsv() const;

    static BusScanTable ForIds();
    static BusScanTable ForSettings();
    static BusScanTable ForAddressMap();
    // One host, its units: a TCP sweep over several hosts.
    static BusScanTable ForHosts();
    // The table of a scanner mode (0 IDs, 1 serial settings, 2 address map, 3 hosts).
    static BusScanTable ForMode(int mode);

    // "正常" for an answer, the exception code for an exception.
    static QString AnswerText(EngineStatus status);
    static QString Milliseconds(qint64 microseconds);
    static QString TableName(int function);
    static QString ParityText(int parity);
    // What a found device says it is: its identification objects by name
    // ("VendorName=...; ProductCode=..."), else its report slave ID as text.
    static QString IdentityText(const std::optional<std::vector<std::uint8_t>>& report,
                                const std::vector<DeviceIdObject>& objects);
};

}  // namespace zentiq
