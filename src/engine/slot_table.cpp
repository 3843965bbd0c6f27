// Slot operations: registration, modes, write data and the typed accessors.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <ctime>

#include "engine/engine.h"
#include "engine/engine_state.h"
#include "engine/modbus_line.h"

namespace zentiq {
namespace {

bool ValidSlot(int slot) { return slot >= 0 && slot <= kLastSlot; }

// Functions 16 and 23 carry at most 127 registers; a write of more would go
// out cut short while the slave answers OK.
constexpr int kMaxWriteRegisters = 127;

bool FunctionReadyAtOnce(std::uint16_t function, std::uint16_t writeQuantity) {
    switch (static_cast<FunctionCode>(function)) {
    case FunctionCode::ReadCoils:
    case FunctionCode::ReadDiscreteInputs:
    case FunctionCode::ReadHoldingRegisters:
    case FunctionCode::ReadInputRegisters:
    case FunctionCode::MaskWriteRegister:
    case FunctionCode::ReportSlaveId:
    case FunctionCode::DeviceIdentification: return true;
    // Without values to send there is nothing to wait for: a write of
    // quantity 0 goes out as it is (a harmless request a slave must refuse).
    case FunctionCode::WriteMultipleCoils:
    case FunctionCode::WriteMultipleRegisters:
    case FunctionCode::ReadWriteRegisters:
    case FunctionCode::Diagnostics: return writeQuantity == 0;
    default: return false;
    }
}

void FillSlot(PollSlot& s, WindowHandle window, std::uint32_t message, std::uint16_t slaveId,
              std::uint16_t function, std::uint16_t readAddress, std::uint16_t readQuantity,
              std::uint16_t writeAddress, std::uint16_t writeQuantity) {
    s.window = window;
    s.message = message;
    s.slaveId = slaveId;
    s.function = function;
    s.readAddress = readAddress;
    s.readQuantity = readQuantity;
    s.writeAddress = writeAddress;
    s.writeQuantity = writeQuantity;
    s.inUse = 1;
    s.ready = FunctionReadyAtOnce(function, writeQuantity) ? 1 : 0;
    s.txCount = 0;
    s.okCount = 0;
    std::memset(s.writeData, 0, sizeof s.writeData);
}

void ResetResult(PollResult& r) {
    std::memset(r.data, 0, sizeof r.data);
    std::atomic_ref<EngineStatus>(r.status).store(status::NoTransactionYet,
                                                  std::memory_order_relaxed);
}

// Stores count values of 16-bit words per value, in the order of the value
// layout: low word first, or reversed with inverse.
template <typename T>
int StoreWide(EngineState& e, int slot, int count, const T* values, int inverse) {
    constexpr int kWords = sizeof(T) / 2;
    if (!ValidSlot(slot) || count < 1 || count > kMaxWriteRegisters / kWords || values == nullptr)
        return 0;
    std::lock_guard guard(e.lock);
    PollSlot& s = e.slots[slot];
    for (int i = 0; i < count; ++i) {
        std::uint16_t words[kWords];
        std::memcpy(words, &values[i], sizeof(T));  // host order, little-endian: low word first
        for (int w = 0; w < kWords; ++w) {
            const std::uint16_t word = inverse ? words[kWords - 1 - w] : words[w];
            std::memcpy(s.writeData + 2 * (i * kWords + w), &word, 2);
        }
    }
    s.writeQuantity = static_cast<std::uint16_t>(count * kWords);
    s.ready = 1;
    WakeWorker(e);
    return 1;
}

template <typename T>
int ReadWide(EngineState& e, int slot, T* destination, int inverse) {
    constexpr int kWords = sizeof(T) / 2;
    if (!ValidSlot(slot)) return status::BadSlot;
    std::lock_guard guard(e.lock);
    const int count = e.slots[slot].readQuantity / kWords;
    const PollResult& r = e.results[slot];
    if (count < 1) return status::TooFewRegisters;
    if (destination == nullptr) return r.status;
    for (int i = 0; i < count && (i + 1) * kWords * 2 <= static_cast<int>(kDataSize); ++i) {
        std::uint16_t words[kWords];
        for (int w = 0; w < kWords; ++w) {
            std::uint16_t word;
            std::memcpy(&word, r.data + 2 * (i * kWords + w), 2);
            words[inverse ? kWords - 1 - w : w] = word;
        }
        std::memcpy(&destination[i], words, sizeof(T));
    }
    return r.status;
}

}  // namespace

int ModbusLine::RegisterPollSlot(WindowHandle window, std::uint32_t message, std::uint16_t scanRate,
                     std::uint16_t slaveId, std::uint16_t function, std::uint16_t readAddress,
                     std::uint16_t readQuantity, std::uint16_t writeAddress,
                     std::uint16_t writeQuantity) {
    if (!RequestWithinLimits(false, slaveId, function, readQuantity, writeQuantity, readAddress,
                             writeAddress))
        return -1;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    for (int i = kFirstPollSlot; i <= kLastSlot; ++i) {
        PollSlot& s = e.slots[i];
        if (s.inUse) continue;
        FillSlot(s, window, message, slaveId, function, readAddress, readQuantity, writeAddress,
                 writeQuantity);
        s.scanRate = scanRate;
        s.pollMode = Stopped;
        s.elapsed = static_cast<std::uint32_t>(scanRate) + 1;
        ResetResult(e.results[i]);
        e.timing.ResetSlot(i);
        ++e.registrations[i];
        WakeWorker(e);
        return i;
    }
    return -1;
}

int ModbusLine::FreePollSlots() const {
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    int free = 0;
    for (int i = kFirstPollSlot; i <= kLastSlot; ++i)
        free += e.slots[i].inUse ? 0 : 1;
    return free;
}

int ModbusLine::SubmitOneShot(WindowHandle window, std::uint32_t message, std::uint16_t slaveId,
                  std::uint16_t function, std::uint16_t readAddress, std::uint16_t readQuantity,
                  std::uint16_t writeAddress, std::uint16_t writeQuantity) {
    // On Modbus/TCP unit 0 is an address like any other (many devices
    // answer to it), judged as unit 1 is; on a serial line it is the
    // broadcast, which nobody answers.
    const bool unitZeroAddressed = slaveId == 0 && GetTransmissionMode() == TCP;
    if (!RequestWithinLimits(true, unitZeroAddressed ? 1 : slaveId, function, readQuantity,
                             writeQuantity, readAddress, writeAddress))
        return 0;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    PollSlot& s = e.slots[0];
    if (s.inUse) return 0;
    FillSlot(s, window, message, slaveId, function, readAddress, readQuantity, writeAddress,
             writeQuantity);
    s.pollMode = Once;
    ResetResult(e.results[0]);
    ++e.registrations[0];
    WakeWorker(e);
    return 1;
}

std::uint32_t ModbusLine::OneShotTicket() const {
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    return e.registrations[0];
}

void KeepOneShotAnswer(EngineState& e, std::uint32_t ticket, EngineStatus status,
                       const WorkArea& work, std::uint32_t responseUs) {
    auto& kept = e.oneShotAnswers[ticket % e.oneShotAnswers.size()];
    const PollSlot& s = e.slots[0];
    kept.ticket = ticket;
    kept.kept = true;
    OneShotAnswer& a = kept.answer;
    a.status = status;
    a.function = work.function;
    a.readQuantity = work.readQuantity;
    a.responseLength = s.responseLength;
    std::memcpy(a.response, s.responseCapture, sizeof a.response);
    if (status == status::Ok)
        std::memcpy(a.data, work.data, sizeof a.data);
    else
        std::memset(a.data, 0, sizeof a.data);
    a.answerLength = status == status::Ok ? work.answerLength : 0;
    a.responseUs = responseUs;
}

int ModbusLine::GetOneShotAnswer(std::uint32_t ticket, OneShotAnswer* answer) const {
    if (answer == nullptr) return 0;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    const auto& kept = e.oneShotAnswers[ticket % e.oneShotAnswers.size()];
    if (!kept.kept || kept.ticket != ticket) return 0;
    *answer = kept.answer;
    return 1;
}

int ModbusLine::SetPollMode(int slot, int mode) {
    // An unchecked index here would write outside the table.
    if (!ValidSlot(slot)) return 0;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    PollSlot& s = e.slots[slot];
    s.pollMode = static_cast<std::uint16_t>(mode);
    s.elapsed = static_cast<std::uint32_t>(s.scanRate) + 1;
    ++e.modeChanges[slot];
    WakeWorker(e);
    return 1;
}

int ModbusLine::ReleasePollSlot(int slot) {
    if (!ValidSlot(slot)) return 0;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    e.slots[slot].inUse = 0;
    e.slots[slot].ready = 0;
    ++e.registrations[slot];
    return 1;
}

int ModbusLine::SetWriteBytes(int slot, int count, const std::uint8_t* bytes) {
    if (!ValidSlot(slot) || count < 1 || count > static_cast<int>(kDataSize) || bytes == nullptr)
        return 0;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    PollSlot& s = e.slots[slot];
    std::memcpy(s.writeData, bytes, static_cast<std::size_t>(count));
    s.writeQuantity = static_cast<std::uint16_t>(count);
    s.ready = 1;
    WakeWorker(e);
    return 1;
}

int ModbusLine::SetWriteRegisters(int slot, int count, const std::uint16_t* values) {
    if (!ValidSlot(slot) || count < 1 || count > kMaxWriteRegisters || values == nullptr) return 0;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    PollSlot& s = e.slots[slot];
    std::memcpy(s.writeData, values, 2 * static_cast<std::size_t>(count));
    s.writeQuantity = static_cast<std::uint16_t>(count);
    s.ready = 1;
    WakeWorker(e);
    return 1;
}

int ModbusLine::SetWriteLongs(int slot, int count, const std::int32_t* values, int inverse) {
    return StoreWide(*m_state, slot, count, values, inverse);
}
int ModbusLine::SetWriteFloats(int slot, int count, const float* values, int inverse) {
    return StoreWide(*m_state, slot, count, values, inverse);
}
int ModbusLine::SetWriteDoubles(int slot, int count, const double* values, int inverse) {
    return StoreWide(*m_state, slot, count, values, inverse);
}

int ModbusLine::ReadBytes(int slot, std::uint8_t* destination) const {
    if (!ValidSlot(slot)) return status::BadSlot;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    const std::size_t n = std::min<std::size_t>(e.slots[slot].readQuantity, kDataSize);
    if (destination != nullptr && n > 0) std::memcpy(destination, e.results[slot].data, n);
    return e.results[slot].status;
}

int ModbusLine::ReadRegisters(int slot, std::uint16_t* destination) const {
    if (!ValidSlot(slot)) return status::BadSlot;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    const std::size_t n = std::min<std::size_t>(e.slots[slot].readQuantity, kDataSize / 2);
    if (destination != nullptr && n > 0) std::memcpy(destination, e.results[slot].data, 2 * n);
    return e.results[slot].status;
}

int ModbusLine::ReadLongs(int slot, std::int32_t* destination, int inverse) const {
    return ReadWide(*m_state, slot, destination, inverse);
}
int ModbusLine::ReadFloats(int slot, float* destination, int inverse) const {
    return ReadWide(*m_state, slot, destination, inverse);
}
int ModbusLine::ReadDoubles(int slot, double* destination, int inverse) const {
    return ReadWide(*m_state, slot, destination, inverse);
}

int ModbusLine::GetSlotCounters(int slot, std::uint32_t* tx, std::uint32_t* ok) const {
    if (!ValidSlot(slot)) return 0;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    if (tx) *tx = e.results[slot].txCount;
    if (ok) *ok = e.results[slot].okCount;
    return 1;
}

// These two touch a single word without the lock, as an atomic access.
int ModbusLine::ResetSlotCounters(int slot) {
    if (!ValidSlot(slot)) return 0;
    std::atomic_ref<std::uint32_t>(m_state->results[slot].resetRequest)
        .store(1, std::memory_order_relaxed);
    return 1;
}

int ModbusLine::GetSlotStatus(int slot) const {
    if (!ValidSlot(slot)) return status::BadSlot;
    return std::atomic_ref<EngineStatus>(m_state->results[slot].status)
        .load(std::memory_order_relaxed);
}

int ModbusLine::GetRequestCapture(int slot, std::uint8_t* destination) const {
    if (!ValidSlot(slot)) return status::BadSlot;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    const PollSlot& s = e.slots[slot];
    if (destination != nullptr && s.requestLength > 0)
        std::memcpy(destination, s.requestCapture, s.requestLength);
    return s.requestLength;
}

int ModbusLine::GetResponseCapture(int slot, std::uint8_t* destination) const {
    if (!ValidSlot(slot)) return status::BadSlot;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    const PollSlot& s = e.slots[slot];
    if (destination != nullptr && s.responseLength > 0)
        std::memcpy(destination, s.responseCapture, s.responseLength);
    return s.responseLength;
}

int ModbusLine::GetCaptureMoments(int slot, std::int64_t* requestMs, std::int64_t* responseMs) const {
    if (!ValidSlot(slot) || requestMs == nullptr || responseMs == nullptr) return 0;
    auto& e = *m_state;
    EngineState::CaptureMoments m;
    {
        std::lock_guard guard(e.lock);
        m = e.captureMoments[slot];
    }
    // On the wall clock: each moment's age now, taken from now.
    const std::uint64_t nowUs = TransactionClockUs();
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    const std::int64_t wallMs = std::int64_t{wall.tv_sec} * 1000 + wall.tv_nsec / 1000000;
    const auto onWall = [&](std::uint64_t us) -> std::int64_t {
        if (us == 0 || nowUs == 0 || us > nowUs) return 0;
        return wallMs - static_cast<std::int64_t>((nowUs - us) / 1000);
    };
    *requestMs = onWall(m.requestUs);
    *responseMs = onWall(m.responseUs);
    return 1;
}

int ModbusLine::SetMonitorWindow(WindowHandle window) {
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    e.monitorWindow = window;
    return 1;
}

int ModbusLine::PausePollSlots(int paused) {
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    if (e.pollSlotsPaused != (paused != 0)) e.timing.PollSlotsPaused(paused != 0, TransactionClockUs());
    e.pollSlotsPaused = paused != 0;
    WakeWorker(e);
    return 1;
}

int ModbusLine::PollSlotsPaused() const {
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    return e.pollSlotsPaused ? 1 : 0;
}

}  // namespace zentiq
