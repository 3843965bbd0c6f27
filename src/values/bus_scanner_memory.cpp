#include "values/bus_scanner_memory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "framework/settings_store.h"

namespace zentiq {
namespace {

const QString kSection = QStringLiteral("BusScanner");
const QString kResults = QStringLiteral("LastResults");

struct IntField {
    const char* key;
    int BusScannerSettings::*field;
    int low, high;
};

constexpr IntField kIntFields[] = {
    {"Mode", &BusScannerSettings::mode, 0, 3},
    {"FirstId", &BusScannerSettings::firstId, 0, 255},
    {"LastId", &BusScannerSettings::lastId, 0, 255},
    {"Probe", &BusScannerSettings::probe, 0, 2},
    {"ProbeAddress", &BusScannerSettings::probeAddress, 0, 65535},
    {"Timeout", &BusScannerSettings::timeoutMs, 0, 10000},
    {"FirstAddress", &BusScannerSettings::firstAddress, 0, 65535},
    {"LastAddress", &BusScannerSettings::lastAddress, 0, 65535},
    {"Budget", &BusScannerSettings::budget, 1, 10000},
    {"Retries", &BusScannerSettings::retries, 0, 5},
    {"HostPort", &BusScannerSettings::hostPort, 1, 65535},
};

QStringList Strings(const QJsonValue& value) {
    QStringList list;
    for (const QJsonValue& v : value.toArray())
        list << v.toString();
    return list;
}

}  // namespace

BusScannerSettings BusScannerSettings::Load(const SettingsStore& store) {
    BusScannerSettings s;
    for (const IntField& f : kIntFields) {
        const int value = store.GetInt(kSection, QLatin1String(f.key), s.*f.field);
        if (value >= f.low && value <= f.high)
            s.*f.field = value;
    }
    s.stopAtFirst = store.GetInt(kSection, QStringLiteral("StopAtFirst"), 0) == 1;
    s.hosts = store.GetString(kSection, QStringLiteral("Hosts"), QString()).left(100);
    return s;
}

void BusScannerSettings::Save(SettingsStore& store) const {
    for (const IntField& f : kIntFields)
        store.SetInt(kSection, QLatin1String(f.key), this->*f.field);
    store.SetInt(kSection, QStringLiteral("StopAtFirst"), stopAtFirst ? 1 : 0);
    store.SetString(kSection, QStringLiteral("Hosts"), hosts);
}

std::optional<BusScannerResults> BusScannerResults::Load(const SettingsStore& store) {
    const QString text = store.GetString(kSection, kResults, QString());
    if (text.isEmpty())
        return std::nullopt;
    const QJsonObject o = QJsonDocument::fromJson(text.toUtf8()).object();
    BusScannerResults r;
    r.mode = o.value(QStringLiteral("mode")).toInt(-1);
    r.table.header = Strings(o.value(QStringLiteral("header")));
    r.status = o.value(QStringLiteral("status")).toString();
    if (r.mode < 0 || r.mode > 3 || r.table.header.isEmpty())
        return std::nullopt;
    for (const QJsonValue& row : o.value(QStringLiteral("rows")).toArray()) {
        QStringList fields = Strings(row);
        if (fields.size() != r.table.header.size())
            return std::nullopt;
        r.table.rows.append(std::move(fields));
        if (r.table.rows.size() >= kMaxRows)
            break;
    }
    return r;
}

void BusScannerResults::Save(SettingsStore& store) const {
    QJsonArray rows;
    for (const QStringList& row : table.rows.mid(0, kMaxRows))
        rows.append(QJsonArray::fromStringList(row));
    const QJsonObject o{{QStringLiteral("mode"), mode},
                        {QStringLiteral("header"), QJsonArray::fromStringList(table.header)},
                        {QStringLiteral("rows"), rows},
                        {QStringLiteral("status"), status}};
    store.SetString(kSection, kResults,
                    QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
}

}  // namespace zentiq
