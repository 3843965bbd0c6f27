#include "documents/poll_result_intake.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>

#include "documents/poll_document_model.h"
#include "values/error_counter_model.h"
#include "values/status_texts.h"
#include "values/value_format.h"

namespace zentiq {
namespace {

// The wall clock in milliseconds since the epoch, to the last tick: the time
// of a good read is shown to the second, and this runs for every result,
// where the precise clock would add a tenth to the cost of taking one in.
qint64 coarseNowMs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Copies `count` values of an accessor's typed buffer into the byte buffer.
template <class T, std::size_t N>
void copyValues(const std::array<T, N>& from, int count, std::array<quint8, kDataSize>& to) {
    const std::size_t bytes = std::min<std::size_t>(
        sizeof(T) * static_cast<std::size_t>(std::clamp<int>(count, 0, N)), to.size());
    std::memcpy(to.data(), from.data(), bytes);
}

template <std::size_t N>
void copyWords(const std::array<std::uint16_t, N>& from, int count,
               std::array<quint16, N>& to) {
    std::copy_n(from.begin(), std::clamp<int>(count, 0, int(N)), to.begin());
}

}  // namespace

void PollResultIntake::CopySlotData(PollDocumentModel& m, int slot) {
    const PollDefinition& def = m.def;
    const ModbusLine& line = m.Line();
    const int length = std::clamp(def.Length, 0, PollDocumentModel::kValueBytes);
    if (def.FunctionValue == FunctionCode::ReadCoils ||
        def.FunctionValue == FunctionCode::ReadDiscreteInputs) {
        std::array<std::uint8_t, kDataSize> bytes{};
        line.ReadBytes(slot, bytes.data());
        copyValues(bytes, length, m.values);
        return;
    }
    // Rows with a type of their own read the registers as they came.
    std::array<std::uint16_t, kDataSize / sizeof(std::uint16_t)> registers{};
    line.ReadRegisters(slot, registers.data());
    copyWords(registers, length, m.words);
    switch (static_cast<DisplayFormat>(def.DisplayFormat)) {
    case DisplayFormat::Float:
    case DisplayFormat::FloatInverse: {
        std::array<float, kDataSize / sizeof(float)> floats{};
        line.ReadFloats(slot, floats.data(), def.DisplayFormat == DisplayFormat::FloatInverse);
        copyValues(floats, length / 2, m.values);
        break;
    }
    case DisplayFormat::Double:
    case DisplayFormat::DoubleInverse: {
        std::array<double, kDataSize / sizeof(double)> doubles{};
        line.ReadDoubles(slot, doubles.data(), def.DisplayFormat == DisplayFormat::DoubleInverse);
        copyValues(doubles, length / 4, m.values);
        break;
    }
    case DisplayFormat::Long:
    case DisplayFormat::LongInverse: {
        std::array<std::int32_t, kDataSize / sizeof(std::int32_t)> longs{};
        line.ReadLongs(slot, longs.data(), def.DisplayFormat == DisplayFormat::LongInverse);
        copyValues(longs, length / 2, m.values);
        break;
    }
    default: copyValues(registers, length, m.values); break;
    }
}

TakenPollResult PollResultIntake::Take(PollDocumentModel& m, EngineStatus status, int slot) {
    TakenPollResult taken;
    // A result still queued for a slot this document has given up (it
    // re-registered) may come from a slot that now serves another window.
    if (slot != 0 && (slot != m.slotIndex || m.slotIndex == -1))
        return taken;
    const ModbusLine& line = m.Line();
    // Just moved to another line: until the new slot has counted a request,
    // a result for its number was posted by the old line.
    if (slot != 0 && m.awaitingNewLine) {
        std::uint32_t sent = 0;
        if (line.GetSlotCounters(slot, &sent, nullptr) == 0 || sent == 0)
            return taken;
        m.awaitingNewLine = false;
    }
    taken.accepted = true;
    if (slot != 0 && PollDefinition::IsReadFunction(m.def.FunctionValue)) {
        CopySlotData(m, slot);
        taken.firstValues = status == status::Ok && m.valuesUnknown;
        taken.freshnessChanged = status == status::Ok
                                     ? m.MarkValuesRead(coarseNowMs())
                                     : m.MarkValuesStale();
    }
    taken.valuesRead = slot != 0 && status == status::Ok && PollDefinition::IsReadFunction(m.def.FunctionValue);
    if (taken.valuesRead)
        m.valuesRead = true;
    if (m.slotIndex != -1) {
        std::uint32_t tx = 0, ok = 0;
        if (line.GetSlotCounters(m.slotIndex, &tx, &ok)) {
            m.txCount = tx;
            m.okCount = ok;
        }
    }
    m.lastStatus = status >= status::ExceptionBase ? status::ExceptionBase + status % 128 : status;
    const std::uint32_t writeFlags = status == status::WriteError ? line.GetWriteErrorFlags() : 0;
    const std::uint32_t readFlags = status == status::ReadError ? line.GetReadErrorFlags() : 0;
    taken.writeFlags = writeFlags;
    taken.readFlags = readFlags;
    taken.statusText = zentiq::StatusText(status, StatusFlavour::DataView, writeFlags, readFlags);
    const int lineError =
        status == status::WriteError || status == status::ReadError ? line.GetLastLineError() : 0;
    taken.logStatusText = LogStatusText(status, lineError, writeFlags, readFlags);
    ErrorCounterModel::Count(m.errorCounters, status, writeFlags, readFlags);
    return taken;
}

}  // namespace zentiq
