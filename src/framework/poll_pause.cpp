#include "framework/poll_pause.h"

#include "engine/engine.h"

namespace zentiq {

PollPause& PollPause::Instance() {
    static PollPause pause;
    return pause;
}

void PollPause::SetPaused(bool paused) {
    if (IsPaused() == paused)
        return;
    PausePollSlots(paused ? 1 : 0);
    emit changed(paused);
}

bool PollPause::IsPaused() const { return PollSlotsPaused() != 0; }

}  // namespace zentiq
