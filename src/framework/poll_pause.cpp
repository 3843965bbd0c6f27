#include "framework/poll_pause.h"

#include <map>
#include <memory>
#include <mutex>

#include "engine/modbus_line.h"

namespace zentiq {

PollPause& PollPause::Of(ModbusLine& line) {
    static std::mutex lock;
    static std::map<const ModbusLine*, std::unique_ptr<PollPause>> pauses;
    std::lock_guard guard(lock);
    auto& pause = pauses[&line];
    if (!pause)
        pause.reset(new PollPause(line));
    return *pause;
}

void PollPause::SetPaused(bool paused) {
    if (IsPaused() == paused)
        return;
    m_line.PausePollSlots(paused ? 1 : 0);
    emit changed(paused);
}

bool PollPause::IsPaused() const { return m_line.PollSlotsPaused() != 0; }

}  // namespace zentiq
