#include "framework/serial_settings_sweep.h"

#include "engine/engine.h"
#include "engine/modbus_line.h"

namespace zentiq {
namespace {

// BaudRate indexes, the rates met most often first.
constexpr int kBaudOrder[] = {2, 4, 5, 8, 7, 1, 0, 11, 10, 9, 3, 6, 12, 13};
// Parity 0 none, 2 even, 1 odd; StopBits 0 one, 1 two.
constexpr int kParityOrder[] = {0, 2, 1};
constexpr int kStopOrder[] = {0, 1};

}  // namespace

SerialSettingsSweep::SerialSettingsSweep(ModbusLine& line, SerialLineHost& host, QObject* parent)
    : QObject(parent), m_line(line), m_host(host) {
    m_scan = new BusIdScan(m_line, this);
    connect(m_scan, &BusIdScan::found, this,
            [this](const ScanHit& hit) { emit found(m_combinations[m_index], hit); });
    connect(m_scan, &BusIdScan::finished, this, &SerialSettingsSweep::combinationDone);
    connect(m_scan, &BusIdScan::progress, this, &SerialSettingsSweep::probed);
}

std::uint32_t SerialSettingsSweep::timeoutMs(std::size_t combination) const {
    return DefaultScanTimeoutMs(false,
                                BaudTimingForIndex(m_combinations[combination].BaudRate).baud);
}

void SerialSettingsSweep::probed(int done, int total) {
    if (!m_running)
        return;
    if (done > 0)
        m_estimate.Done(timeoutMs(m_index), m_clock.restart());
    if (done < total && !m_cancel)
        emit trying(m_combinations[m_index], m_options.first + done, m_estimate.RemainingMs());
}

SerialSettingsSweep::~SerialSettingsSweep() {
    if (m_running) {
        m_host.RestoreUser();
        m_lease.Give();
    }
}

std::vector<ConnectionSettings> SerialSettingsSweep::Combinations(
    const ConnectionSettings& user, const std::vector<int>& baudIndexes) {
    std::vector<int> bauds = baudIndexes;
    if (bauds.empty())
        bauds.assign(std::begin(kBaudOrder), std::end(kBaudOrder));
    std::vector<ConnectionSettings> out;
    for (int baud : bauds)
        for (int parity : kParityOrder)
            for (int stop : kStopOrder) {
                ConnectionSettings s = user;
                s.BaudRate = baud;
                s.Parity = parity;
                s.StopBits = stop;
                out.push_back(s);
            }
    return out;
}

bool SerialSettingsSweep::Start(const Options& options) {
    const ConnectionSettings user = m_host.UserSettings();
    if (m_running || user.Serial != 0 || options.first < 1 || options.last > 247 ||
        options.first > options.last)
        return false;
    m_options = options;
    m_combinations = Combinations(user, options.baudIndexes);
    m_index = 0;
    m_cancel = false;
    m_running = true;
    m_estimate = ProbeTimeEstimate();
    for (std::size_t i = 0; i < m_combinations.size(); ++i)
        m_estimate.Plan(ids(), timeoutMs(i));
    m_clock.start();
    m_lease.Take(DefaultScanTimeoutMs(false, BaudTimingForIndex(user.BaudRate).baud));
    emit progress(0, static_cast<int>(m_combinations.size()));
    nextCombination();
    return true;
}

void SerialSettingsSweep::Cancel() {
    if (!m_running)
        return;
    m_cancel = true;
    if (m_scan->IsRunning())
        m_scan->Cancel();
}

void SerialSettingsSweep::nextCombination() {
    while (m_index < m_combinations.size() && !m_cancel) {
        const ConnectionSettings& s = m_combinations[m_index];
        if (m_host.OpenTrial(s) == 0) {
            m_lease.Retime(DefaultScanTimeoutMs(false, BaudTimingForIndex(s.BaudRate).baud));
            BusIdScan::Options o;
            o.first = m_options.first;
            o.last = m_options.last;
            o.probe = m_options.probe;
            o.takeLine = false;
            if (m_scan->Start(o))
                return;
        }
        // The line refuses this combination: on to the next.
        m_estimate.Skip(ids(), timeoutMs(m_index));
        ++m_index;
        emit progress(static_cast<int>(m_index), static_cast<int>(m_combinations.size()));
    }
    m_running = false;
    m_host.RestoreUser();
    m_lease.Give();
    emit finished(m_cancel);
}

void SerialSettingsSweep::combinationDone(bool cancelled) {
    if (cancelled)
        m_cancel = true;
    ++m_index;
    emit progress(static_cast<int>(m_index), static_cast<int>(m_combinations.size()));
    nextCombination();
}

}  // namespace zentiq
