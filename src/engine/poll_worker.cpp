// The poll worker: one slot per cycle, the one-shot slot first, poll slots in
// round-robin order once their scan time has come.
#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <system_error>

#include "engine/engine.h"
#include "engine/engine_state.h"
#include "engine/engine_trace.h"
#include "engine/modbus_line.h"
#include "engine/transaction_timing.h"

namespace zentiq {
namespace {

// Picks the slot to serve under the lock; -1 when none is due.
int ChooseSlot(EngineState& e, std::uint64_t elapsedUs) {
    if (e.slots[0].ready) return 0;
    for (int i = 0; i < kSlotCount; ++i) {
        const std::uint64_t total = e.elapsedRemainderUs[i] + elapsedUs;
        e.slots[i].elapsed += static_cast<std::uint32_t>(total / 1000);
        e.elapsedRemainderUs[i] = static_cast<std::uint32_t>(total % 1000);
    }
    if (e.pollSlotsPaused) return -1;
    int probe = e.lastServed;
    for (int i = 0; i < kSlotCount; ++i) {
        probe = probe % kLastSlot + 1;  // 1..32, slot 0 is never probed
        PollSlot& s = e.slots[probe];
        const bool due =
            s.elapsed > s.scanRate || (s.elapsed == s.scanRate && e.elapsedRemainderUs[probe] > 0);
        if (s.ready && s.pollMode != Stopped && due) {
            e.lastServed = probe;
            s.elapsed = 0;
            e.elapsedRemainderUs[probe] = 0;
            return probe;
        }
    }
    e.lastServed = probe;
    return -1;
}

bool Eligible(const PollSlot& s) { return s.ready && s.pollMode != Stopped; }

// Microseconds until the first poll slot falls due; nullopt when no slot can
// fall due without a request from the GUI. A slot is due once more than
// scanRate ms have accumulated (see ChooseSlot).
std::optional<std::uint64_t> MicrosUntilDue(const EngineState& e) {
    std::optional<std::uint64_t> next;
    if (e.pollSlotsPaused) return next;
    for (int i = kFirstPollSlot; i <= kLastSlot; ++i) {
        const PollSlot& s = e.slots[i];
        if (!Eligible(s)) continue;
        const std::uint64_t have = std::uint64_t{s.elapsed} * 1000 + e.elapsedRemainderUs[i];
        const std::uint64_t need = std::uint64_t{s.scanRate} * 1000 + 1;
        const std::uint64_t wait = need > have ? need - have : 0;
        if (!next || wait < *next) next = wait;
    }
    return next;
}

// A worker with nothing due sleeps until a slot falls due or an operation
// wakes it: without a delay between polls it would spin, with one it would
// wake once per delay for nothing. Called with the lock held.
void WaitWhileIdle(EngineState& e, std::unique_lock<std::mutex>& lock) {
    const auto woken = [&] { return e.wakeRequested || !e.running.load(); };
    if (const auto due = MicrosUntilDue(e))
        e.wake.wait_for(lock, std::chrono::microseconds(*due), woken);
    else
        e.wake.wait(lock, woken);
}

bool IsSerial(const EngineState& e, const Transport& t) { return &t == &e.rtu || &t == &e.ascii; }

// A transaction told to the trace listener, if there is one: the captures
// are lent for the call, nothing is copied. Its duration is the one the
// transaction timing measured anyway.
struct TransactionTrace {
    TraceFn listener = TraceCallback();
    std::chrono::system_clock::time_point began;

    TransactionTrace() {
        if (listener == nullptr) return;
        began = std::chrono::system_clock::now();
    }
    void Tell(int slot, const Captures& captures, EngineStatus status,
              const TransactionMoments& moments, int lineError) const {
        if (listener == nullptr) return;
        TraceRecord r;
        r.slot = slot;
        r.began = began;
        r.elapsed = std::chrono::microseconds(moments.endUs - moments.startUs);
        r.request = captures.request;
        r.requestLength = captures.requestLength;
        r.answer = captures.response;
        r.answerLength = captures.responseLength;
        r.status = status;
        r.error = lineError;
        listener(r);
    }
};

void RunCycle(EngineState& e) {
    const std::uint64_t now = TickUs();
    const std::uint64_t elapsedUs = now - e.lastTickUs;
    e.lastTickUs = now;
    const std::uint32_t delay = e.delayBetweenPolls.load();
    // The delay is the gap after a transaction. Without one the next
    // transaction follows at once: a yield here would hand the processor to
    // any busy program for a whole time slice on every transaction. A worker
    // with nothing due sleeps below until a slot falls due or a request
    // wakes it, rather than waking once per delay to find nothing to do.
    if (delay > 0 && e.transactedLastCycle) e.cancel.SleepFor(std::chrono::milliseconds(delay));
    e.transactedLastCycle = false;
    if (!e.running.load()) return;

    int s;
    std::uint32_t registration, modeChange;
    bool counted = false;
    {
        std::unique_lock lock(e.lock);
        e.wakeRequested = false;
        s = ChooseSlot(e, elapsedUs);
        if (s < 0) {
            WaitWhileIdle(e, lock);
            return;
        }
        registration = e.registrations[s];
        modeChange = e.modeChanges[s];
        PollSlot& slot = e.slots[s];
        PollResult& result = e.results[s];
        std::atomic_ref<std::uint32_t> reset(result.resetRequest);
        if (reset.load(std::memory_order_relaxed)) {
            reset.store(0, std::memory_order_relaxed);
            slot.txCount = 0;
            slot.okCount = 0;
        }
        counted = Connected(e);
        if (counted) ++slot.txCount;
        e.work.slaveId = slot.slaveId;
        e.work.function = slot.function;
        e.work.readAddress = slot.readAddress;
        e.work.readQuantity = slot.readQuantity;
        e.work.writeAddress = slot.writeAddress;
        e.work.writeQuantity = slot.writeQuantity;
        std::memcpy(e.work.data, slot.writeData, kDataSize);
    }

    Transport& transport = CurrentTransport(e);
    TakeLineError();  // what an earlier transaction left
    const TransactionTrace trace;
    TransactionMoments moments;
    moments.startUs = TransactionClockUs();
    const EngineStatus status = RunFunction(transport, e.work, e.captures);
    moments.endUs = TransactionClockUs();
    moments.sentUs = e.captures.sentUs;
    moments.answeredUs = e.captures.answeredUs;
    // Cut short by a stop: the slave did not fail, the transaction never
    // ended. Nothing of it is kept or shown, and it was not counted; slot 0
    // keeps its request for the next connection.
    if (e.cancel.CutShort()) {
        std::lock_guard guard(e.lock);
        PollSlot& slot = e.slots[s];
        if (counted && e.registrations[s] == registration && slot.txCount != 0) --slot.txCount;
        return;
    }
    e.transactedLastCycle = true;
    const int lineError = TakeLineError();
    e.lineError.store(lineError);
    trace.Tell(s, e.captures, status, moments, lineError);
    // Only a serial transaction has serial error flags.
    const bool serial = IsSerial(e, transport);
    e.writeFlags = serial ? e.port.WriteFlags() : 0;
    e.readFlags = serial ? e.port.ReadFlags() : 0;

    bool portError = false;
    // Posted once the lock is let go: a post allocates and may wake the GUI
    // thread, which meanwhile must not wait on the lock for the captures or
    // the values. Either way the GUI thread takes the result only after its
    // current work, so it sees nothing it could not have seen before.
    WindowHandle monitor = 0, owner = 0;
    std::uint32_t ownerMessage = 0;
    {
        std::lock_guard guard(e.lock);
        PollSlot& slot = e.slots[s];
        PollResult& result = e.results[s];
        std::memcpy(slot.requestCapture, e.captures.request, e.captures.requestLength);
        slot.requestLength = e.captures.requestLength;
        std::memcpy(slot.responseCapture, e.captures.response, e.captures.responseLength);
        slot.responseLength = e.captures.responseLength;
        e.captureMoments[s] = {e.captures.sentUs, e.captures.responseLength > 0 ? e.captures.answeredUs : 0};
        monitor = e.monitorWindow;
        portError = status == status::WriteError || status == status::ReadError;
        if (counted) e.timing.Record(s, e.registrations[s] == registration, moments, status);
        // Released or claimed anew during the transaction: the slot now
        // holds someone else's request, which must neither be cleared nor
        // get this result.
        if (e.registrations[s] == registration) {
            if (s == 0) {
                slot.ready = 0;
                slot.inUse = 0;
            }
            // A mode set during the transaction (Once again, say) is a new
            // request and stays.
            if (slot.pollMode == Once && e.modeChanges[s] == modeChange) slot.pollMode = Stopped;
            if (status == status::Ok && slot.txCount != 0) ++slot.okCount;
            result.txCount = slot.txCount;
            result.okCount = slot.okCount;
            if (slot.txCount != 0) {
                if (status == status::Ok) std::memcpy(result.data, e.work.data, kDataSize);
                std::atomic_ref<EngineStatus>(result.status)
                    .store(status, std::memory_order_relaxed);
                if (s == 0)
                    KeepOneShotAnswer(e, registration, status, e.work,
                                      ResponseTimeUs(moments, status).value_or(0));
                owner = slot.window;
                ownerMessage = slot.message;
            } else {
                portError = false;
            }
        }
    }
    Post(e, monitor, WM_POLL_RESULT, status, s);
    Post(e, owner, ownerMessage, status, s);
    // A failing port is retried at most about four times a second. The lock
    // is not held during the pause so that the GUI never waits on it.
    if (portError) {
        const std::uint32_t pause = 250 - std::min<std::uint32_t>(delay, 250);
        e.cancel.SleepFor(std::chrono::milliseconds(pause));
    }
}

void NoteLineRunning(EngineState& e, bool running) {
    const std::uint64_t now = TransactionClockUs();
    std::lock_guard guard(e.lock);
    e.timing.LineRunning(running, now);
}

void WorkerBody(EngineState& e) {
    NoteLineRunning(e, true);
    while (e.running.load()) RunCycle(e);
    NoteLineRunning(e, false);
}

}  // namespace

int ModbusLine::StartPolling() {
    auto& e = *m_state;
    if (e.polling) return 1;
    e.cancel.Clear();
    e.running = true;
    NotifyAllSlotWindows();
    try {
        e.worker = std::thread(WorkerBody, std::ref(e));
    } catch (const std::system_error&) {
        e.running = false;
        return 0;
    }
    e.polling = true;
    return 1;
}

int ModbusLine::StopPolling() {
    auto& e = *m_state;
    e.running = false;
    e.cancel.Raise();
    {
        std::lock_guard guard(e.lock);
        e.wake.notify_all();
    }
    if (e.worker.joinable()) e.worker.join();
    e.cancel.Clear();
    e.polling = false;
    return 1;
}

}  // namespace zentiq
