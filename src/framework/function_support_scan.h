// Which functions one slave answers: 01, 02, 03, 04, 05, 06, 08/00, 15, 16,
// 17, 22, 23 and 43/14, one harmless request each through the one-shot slot.
// Reads ask for one item at address 0. Writes must leave the device as it
// was: coil 0 and holding register 0 are written back with the value just
// read; where that read failed, 15, 16 and 23 go out with a write quantity
// of 0, which a conforming slave refuses with exception 03 (and a slave that
// takes it writes nothing), while 05 and 06, which carry no quantity, are
// not sent at all. 22 always goes out with AND 0xFFFF / OR 0x0000, which
// leaves any register as it is.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

#include "framework/one_shot_request.h"

namespace zentiq {

class ModbusLine;

// How a function was asked.
enum class ProbeKind {
    Read,            // one item at address 0
    WriteBack,       // the value just read, written to where it came from
    UnchangingMask,  // 22 with AND 0xFFFF, OR 0x0000
    ZeroQuantity,    // a write of 0 items, which the slave must refuse
    Echo,            // 08/00 with two data bytes
    Report,          // 17
    Identity,        // 43/14, basic objects from object 0
    NotSent,         // 05/06 after their read failed: no harmless request
};

// What a probe's answer says about the function.
enum class FunctionSupport {
    Supported,     // a normal answer, or an exception other than 01
    NotSupported,  // exception 01 (illegal function)
    NoAnswer,      // a time-out, or a gateway that reached no device
    Unclear,       // an answer that did not hold (checksum, content) or our side failed
    NotProbed,
};

struct FunctionProbe {
    std::uint8_t function = 0;
    int subFunction = -1;  // 08: 0, 43: 14, else -1
    ProbeKind kind = ProbeKind::Read;
    int status = -1;  // the engine status; -1 when not sent
    int slaveId = 0;

    FunctionSupport Support() const;
    static FunctionSupport SupportOf(int status);
};

class FunctionSupportScan final : public QObject {
    Q_OBJECT
public:
    // How long a probe waits for slot 0 while another window's request holds
    // it, before the scan gives up.
    static constexpr int kBusyWaitMs = 10000;
    static constexpr int kBusyRetryMs = 20;
    // The data bytes of the 08/00 probe.
    static constexpr std::uint8_t kEchoData[2] = {0x5A, 0xC3};

    explicit FunctionSupportScan(ModbusLine& line, QObject* parent = nullptr);
    ~FunctionSupportScan() override;

    // The functions probed, in order: function and sub-function (-1 none).
    static const std::vector<std::pair<std::uint8_t, int>>& Functions();

    // false when there is no connection, the ID is outside 1..247 or a scan
    // runs already.
    bool Start(int slaveId);
    // Stops after the answer on its way (finished(true)).
    void Cancel();
    bool IsRunning() const { return m_running; }
    int SlaveId() const { return m_slaveId; }
    const std::vector<FunctionProbe>& Results() const { return m_results; }
    // Why the scan stopped early (slot 0 stayed busy, data refused); empty
    // otherwise.
    const QString& Failure() const { return m_failure; }

signals:
    void probed(const zentiq::FunctionProbe& probe);
    void finished(bool cancelled);

private:
    ModbusLine& m_line;
    void next();
    void send();
    void answered(int status);
    void record(ProbeKind kind, int status);
    void finish(bool cancelled);

    OneShotRequest* m_request = nullptr;
    QTimer m_retry;
    QElapsedTimer m_busySince;
    int m_slaveId = 0;
    std::size_t m_step = 0;
    ProbeKind m_kind = ProbeKind::Read;
    bool m_running = false;
    bool m_cancel = false;
    std::optional<std::uint8_t> m_coil;
    std::optional<std::uint16_t> m_holding;
    std::vector<FunctionProbe> m_results;
    QString m_failure;
};

}  // namespace zentiq
