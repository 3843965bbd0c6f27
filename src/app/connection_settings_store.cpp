#include "app/connection_settings_store.h"

#include "app/advanced.h"
#include "app/mb_comm_setup.h"
#include "engine/engine.h"
#include "framework/settings_store.h"

namespace zentiq {
namespace {

const QString kCommSetup = QStringLiteral("CommSetup");
// Not one of the seventeen: older versions neither write nor read it.
const QString kTcpFramingKey = QStringLiteral("TcpFraming");
const QString kAutoEnableKey = QStringLiteral("AutoEnable");

// Every stored connection value with the range its dialog accepts and the
// default of an empty store. A hand-edited or damaged value outside the range
// reads as the default, as for every key alike: a timeout of 0 or a delay of
// years would otherwise break polling without a word.
struct CommSetupValue {
    const char* key;
    int ConnectionSettings::*field;
    int min, max, fallback;
};
constexpr CommSetupValue kCommSetupValues[] = {
    {"Port", &ConnectionSettings::Port, 0, CMBCommSetup::kPortCount - 1, 0},
    {"BaudRate", &ConnectionSettings::BaudRate, 0, CMBCommSetup::kBaudCount - 1, kDefaultBaudIndex},
    {"DataBits", &ConnectionSettings::DataBits, 0, 1, 1},
    {"Parity", &ConnectionSettings::Parity, 0, 2, 2},
    {"StopBits", &ConnectionSettings::StopBits, 0, 1, 0},
    {"Timeout", &ConnectionSettings::Timeout, CMBCommSetup::kTimeoutMin, CMBCommSetup::kTimeoutMax,
     1000},
    {"DTRDSR", &ConnectionSettings::DTRDSR, 0, 1, 0},
    {"RTSCTS", &ConnectionSettings::RTSCTS, 0, 1, 0},
    {"RTS", &ConnectionSettings::RTS, 0, 1, 1},
    {"CLRRTSDelay", &ConnectionSettings::CLRRTSDelay, CAdvanced::kRtsDelayMin,
     CAdvanced::kRtsDelayMax, 1},
    {"RTU/ASCII", &ConnectionSettings::RTU_ASCII, 0, 1, 0},
    {"ServicePort", &ConnectionSettings::ServicePort, CMBCommSetup::kServicePortMin,
     CMBCommSetup::kServicePortMax, 502},
    {"ConnectionTimeout", &ConnectionSettings::ConnectionTimeout,
     CMBCommSetup::kConnectionTimeoutMin, CMBCommSetup::kConnectionTimeoutMax, 3000},
    {"DelayBetweenPolls", &ConnectionSettings::DelayBetweenPolls, CMBCommSetup::kDelayMin,
     CMBCommSetup::kDelayMax, 10},
    {"Echo", &ConnectionSettings::Echo, 0, 1, 0},
    // -1: not stored yet, converted from the port index below.
    {"Serial", &ConnectionSettings::Serial, -1, 1, -1},
};

}  // namespace

ConnectionSettings ConnectionSettingsStore::Read(const SettingsStore& store, bool* autoEnable,
                                                 const QString& section) {
    ConnectionSettings s;
    auto get = [&](const char* key, int def) {
        return store.GetInt(section, QString::fromLatin1(key), def);
    };
    for (const CommSetupValue& v : kCommSetupValues) {
        const int stored = get(v.key, v.fallback);
        s.*v.field = stored < v.min || stored > v.max ? v.fallback : stored;
    }
    if (autoEnable != nullptr)
        *autoEnable = store.GetInt(kCommSetup, kAutoEnableKey, 0) != 0;
    s.IPAddress =
        store.GetString(section, QStringLiteral("IPAddress"), QStringLiteral("0.0.0.0"))
            .toLatin1()
            .toStdString();
    if (s.Serial == -1) {
        // Settings of old versions: port index 8 meant Modbus/TCP.
        if (s.Port == 8) {
            s.Serial = 1;
            s.Port = 0;
        } else {
            s.Serial = 0;
        }
    }
    // Absent from stores of older versions: Modbus/TCP.
    s.TcpFraming = store.GetInt(section, kTcpFramingKey, kTcpFramingMbap) == kTcpFramingRtu
                       ? kTcpFramingRtu
                       : kTcpFramingMbap;
    return s;
}

const QStringList& ConnectionSettingsStore::Keys() {
    static const QStringList keys = {QStringLiteral("Port"),
                                     QStringLiteral("BaudRate"),
                                     QStringLiteral("DataBits"),
                                     QStringLiteral("Parity"),
                                     QStringLiteral("StopBits"),
                                     QStringLiteral("Timeout"),
                                     QStringLiteral("DTRDSR"),
                                     QStringLiteral("RTSCTS"),
                                     QStringLiteral("RTS"),
                                     QStringLiteral("CLRRTSDelay"),
                                     QStringLiteral("RTU/ASCII"),
                                     QStringLiteral("IPAddress"),
                                     QStringLiteral("ServicePort"),
                                     QStringLiteral("ConnectionTimeout"),
                                     QStringLiteral("DelayBetweenPolls"),
                                     QStringLiteral("Echo"),
                                     QStringLiteral("Serial")};
    return keys;
}

QString ConnectionSettingsStore::Section() { return kCommSetup; }

void ConnectionSettingsStore::Write(SettingsStore& store, const ConnectionSettings& s,
                                    const QString& section) {
    const int values[] = {s.Port,
                          s.BaudRate,
                          s.DataBits,
                          s.Parity,
                          s.StopBits,
                          s.Timeout,
                          s.DTRDSR,
                          s.RTSCTS,
                          s.RTS,
                          s.CLRRTSDelay,
                          s.RTU_ASCII,
                          0,
                          s.ServicePort,
                          s.ConnectionTimeout,
                          s.DelayBetweenPolls,
                          s.Echo,
                          s.Serial};
    const QStringList& keys = Keys();
    for (int i = 0; i < keys.size(); ++i) {
        if (keys[i] == QLatin1String("IPAddress"))
            store.SetString(section, keys[i], QString::fromLatin1(s.IPAddress.c_str()));
        else
            store.SetInt(section, keys[i], values[i]);
    }
    // Written once RTU over TCP has been chosen, so that a store that never
    // used it stays as it was. "Serial" stays 1: a version that knows only
    // Modbus/TCP still connects to the right host instead of a serial port.
    if (s.TcpFraming != kTcpFramingMbap || store.Contains(section, kTcpFramingKey))
        store.SetInt(section, kTcpFramingKey, s.TcpFraming);
    store.Sync();
}

void ConnectionSettingsStore::WriteAutoEnable(SettingsStore& store, bool on) {
    store.SetInt(kCommSetup, kAutoEnableKey, on ? 1 : 0);
    store.Sync();
}

}  // namespace zentiq
