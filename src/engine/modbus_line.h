// One Modbus connection as a value: its line (serial port or TCP socket),
// 33 slots, poll worker, response-time table and error flags. Lines share
// nothing, so several can poll at once, each on its own worker; creating one
// opens nothing and destroying one stops its worker and closes its line.
//
// The operations keep the return conventions of the engine's free functions
// (engine.h), which act on DefaultLine().
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/engine_types.h"
#include "engine/slot_timing.h"

namespace zentiq {

struct EngineState;
class Transport;

using PostMessageFn = void (*)(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam);

class ModbusLine {
public:
    ModbusLine();
    ~ModbusLine();
    ModbusLine(const ModbusLine&) = delete;
    ModbusLine& operator=(const ModbusLine&) = delete;

    // ---- notifications
    void SetMessagePoster(PostMessageFn poster);

    // ---- connection
    int InitEngine();
    int SetHandshakeFlags(std::uint8_t flags);
    int SetPollDelay(std::uint32_t milliseconds);
    std::uint32_t GetPollDelay() const;
    int SetRtsDelay(std::uint16_t milliseconds);
    int SetEchoRemoval(int on);
    int SetSerialDevice(int portNumber, const char* devicePath);
    int GetSerialDevice(int portNumber, char* out, std::size_t outSize) const;
    int OpenSerialPort(int portNumber, std::uint32_t baud, int dataBits, int parity, int stopBits);
    int LastSerialOpenErrno() const;
    int OpenTcpConnection(const char* ipAddress, std::uint16_t servicePort,
                          std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs);
    int LastSocketError() const;
    int BeginTcpConnection(const char* ipAddress, std::uint16_t servicePort,
                           std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs);
    int TcpConnectingSocket() const;
    int FinishTcpConnection();
    int AbandonTcpConnection();
    int SetSerialTimeouts(std::uint32_t readInterval, std::uint32_t readMultiplier,
                          std::uint32_t readConstant, std::uint32_t writeMultiplier,
                          std::uint32_t writeConstant);
    int SetTcpResponseTimeout(std::uint32_t milliseconds);
    std::uint32_t GetTcpResponseTimeout() const;
    int GetSerialTimeouts(std::uint32_t* readInterval, std::uint32_t* readMultiplier,
                          std::uint32_t* readConstant, std::uint32_t* writeMultiplier,
                          std::uint32_t* writeConstant) const;
    int SetTransmissionMode(int mode);
    int GetTransmissionMode() const;
    int StartPolling();
    int StopPolling();
    int CloseSerialPort();
    int CloseTcpConnection();
    int IsConnected() const;
    int NotifyAllSlotWindows();
    // Makes the worker use transport (and count as connected); nullptr
    // undoes it. Only for tests: the real transports follow the mode.
    void UseTransportForTesting(Transport* transport);

    // ---- slots
    int RegisterPollSlot(WindowHandle window, std::uint32_t message, std::uint16_t scanRate,
                         std::uint16_t slaveId, std::uint16_t function, std::uint16_t readAddress,
                         std::uint16_t readQuantity, std::uint16_t writeAddress,
                         std::uint16_t writeQuantity);
    int SetPollMode(int slot, int mode);
    int ReleasePollSlot(int slot);
    // Poll slots no window has claimed (a window moving here needs one).
    int FreePollSlots() const;
    int SubmitOneShot(WindowHandle window, std::uint32_t message, std::uint16_t slaveId,
                      std::uint16_t function, std::uint16_t readAddress, std::uint16_t readQuantity,
                      std::uint16_t writeAddress, std::uint16_t writeQuantity);
    std::uint32_t OneShotTicket() const;
    int GetOneShotAnswer(std::uint32_t ticket, OneShotAnswer* answer) const;
    int SetWriteBytes(int slot, int count, const std::uint8_t* bytes);
    int SetWriteRegisters(int slot, int count, const std::uint16_t* values);
    int SetWriteLongs(int slot, int count, const std::int32_t* values, int inverse);
    int SetWriteFloats(int slot, int count, const float* values, int inverse);
    int SetWriteDoubles(int slot, int count, const double* values, int inverse);
    int ReadBytes(int slot, std::uint8_t* destination) const;
    int ReadRegisters(int slot, std::uint16_t* destination) const;
    int ReadLongs(int slot, std::int32_t* destination, int inverse) const;
    int ReadFloats(int slot, float* destination, int inverse) const;
    int ReadDoubles(int slot, double* destination, int inverse) const;
    int GetSlotCounters(int slot, std::uint32_t* tx, std::uint32_t* ok) const;
    int ResetSlotCounters(int slot);
    int GetSlotStatus(int slot) const;
    int GetRequestCapture(int slot, std::uint8_t* destination) const;
    int GetResponseCapture(int slot, std::uint8_t* destination) const;
    int GetCaptureMoments(int slot, std::int64_t* requestMs, std::int64_t* responseMs) const;
    int SetMonitorWindow(WindowHandle window);
    int PausePollSlots(int paused);
    int PollSlotsPaused() const;

    // ---- response times
    int GetSlotTiming(int slot, SlotTiming* timing) const;
    int ResetSlotTiming(int slot);
    int GetLineTiming(LineTiming* timing) const;
    int ResetLineTiming();

    // ---- error flags of the last transaction
    std::uint32_t GetWriteErrorFlags() const;
    std::uint32_t GetReadErrorFlags() const;
    int GetLastLineError() const;

    // The engine's own parts (the worker, tests of the slot table).
    EngineState& State() { return *m_state; }
    const EngineState& State() const { return *m_state; }

private:
    void StopWorkerIfRunning();

    std::unique_ptr<EngineState> m_state;
};

// The line the engine's free functions act on.
ModbusLine& DefaultLine();

}  // namespace zentiq
