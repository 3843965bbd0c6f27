// The state of one connection (a ModbusLine), shared by its slot table,
// connection operations and poll worker. Internal to the engine.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "engine/engine_types.h"
#include "engine/line_cancel.h"
#include "engine/modbus_function.h"
#include "engine/posix_serial_port.h"
#include "engine/serial_transport.h"
#include "engine/tcp_transport.h"
#include "engine/transaction_timing.h"

namespace zentiq {

struct EngineState {
    EngineState() {
        port.SetCancel(&cancel);
        tcp.Line().SetCancel(&cancel);
    }

    // Guards slots, results and monitorWindow; never held during a transaction.
    std::mutex lock;
    PollSlot slots[kSlotCount]{};
    PollResult results[kSlotCount]{};
    WindowHandle monitorWindow = 0;
    // Set by PausePollSlots: only slot 0 is served.
    bool pollSlotsPaused = false;
    // Bumped (under the lock) whenever a slot is claimed or released, and
    // whenever its mode is set. The worker compares them after a transaction
    // (which runs without the lock) so that its clean-up never undoes a
    // request made meanwhile.
    std::uint32_t registrations[kSlotCount] = {};
    std::uint32_t modeChanges[kSlotCount] = {};
    // An idle worker (no delay between polls, nothing due) waits on this with
    // the lock; every operation that can make a slot due notifies it.
    std::condition_variable wake;
    bool wakeRequested = false;

    // Raised by StopPolling: every wait of the worker's transaction, sleep or
    // pause ends at once, so that the GUI never waits for the line.
    LineCancel cancel;

    // Connection (touched by the GUI thread only while the worker is stopped).
    int mode = RTU;
    HandshakeFlags handshake = 0;
    std::uint16_t rtsDelay = 0;
    bool echo = false;
    std::array<std::string, 64> serialDevices;
    PosixSerialPort port;
    RtuTransport rtu{port};
    AsciiTransport ascii{port};
    TcpTransport tcp;
    RtuTransport rtuOverTcp{tcp.Line()};  // never echo removal: TCP has no echo

    // Worker.
    std::atomic<bool> running{false};
    bool polling = false;
    std::thread worker;
    std::atomic<std::uint32_t> delayBetweenPolls{10};
    std::uint64_t lastTickUs = 0;
    // The last cycle ran a transaction: the delay between polls is due.
    bool transactedLastCycle = false;
    // Time below a millisecond not yet added to a slot's elapsed, so that
    // "more than scanRate ms" is judged to the microsecond: a scan rate of 0
    // means as fast as the wire allows, not once per tick.
    std::uint32_t elapsedRemainderUs[kSlotCount] = {};
    int lastServed = kLastSlot;
    WorkArea work;
    Captures captures;

    std::atomic<PostMessageFn> poster{nullptr};
    // Seam for the schedule tests: a transport that stands in for the wire
    // and counts as a connection.
    Transport* testTransport = nullptr;
    // The port's error flags after the last transaction, for the GUI thread.
    std::atomic<std::uint32_t> writeFlags{0};
    std::atomic<std::uint32_t> readFlags{0};
    // errno of the system call that failed the last transaction (0: none).
    std::atomic<int> lineError{0};
    // The answers of the last one-shot requests served, by ticket (the
    // registration count of slot 0 that claimed them); guarded by lock.
    struct KeptAnswer {
        std::uint32_t ticket = 0;
        bool kept = false;
        OneShotAnswer answer;
    };
    std::array<KeptAnswer, 4> oneShotAnswers{};
    // Response times and failures per slot, busy time of the line; guarded by lock.
    TimingTable timing;
    // When each slot's captured request left and its answer came, on the
    // transaction clock (0: not known); guarded by lock.
    struct CaptureMoments {
        std::uint64_t requestUs = 0;
        std::uint64_t responseUs = 0;
    };
    CaptureMoments captureMoments[kSlotCount];
};

// The default line's state (tests of the slot table and the worker).
EngineState& Engine();

// Keeps the answer of the one-shot request `ticket` that the worker just
// served in slot 0; call with e.lock held, after the result is stored.
void KeepOneShotAnswer(EngineState& e, std::uint32_t ticket, EngineStatus status,
                       const WorkArea& work, std::uint32_t responseUs);

// Tells an idle worker to look at the slots again; call with e.lock held.
void WakeWorker(EngineState& e);

// Microseconds from a steady clock.
std::uint64_t TickUs();

// Posts through the line's poster; no-op without a window or a poster.
void Post(const EngineState& e, WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
          std::intptr_t lParam);

// A line is open (or a test transport stands in for one).
bool Connected(const EngineState& e);

// The transport the line's mode selects.
Transport& CurrentTransport(EngineState& e);

// Makes the default line's worker use transport; see ModbusLine.
void UseTransportForTesting(Transport* transport);

}  // namespace zentiq
