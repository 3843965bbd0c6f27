// Another program's one-shot request served in slot 0 after a window's own
// request and before the window takes its result: what a D-Bus client does
// when its call is handled between the worker's post and its delivery. The
// waits do not run the Qt event loop, so the window's result stays queued.
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "engine/engine.h"

namespace zentiq::testing {

// Waits (bounded, without running the Qt event loop) until the request in
// slot 0 has been served.
inline bool WaitSlotZeroServed(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (GetSlotStatus(0) == status::NoTransactionYet) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The window's request served, then an automation write of `words` to
// holding registers from `address` (slave 1), served too.
inline bool OvertakeWithWrite(std::uint16_t address, const std::vector<std::uint16_t>& words) {
    if (!WaitSlotZeroServed()) return false;
    const auto count = static_cast<std::uint16_t>(words.size());
    if (SubmitOneShot(0, WM_POLL_RESULT, 1, 16, 0, 0, address, count) != 1) return false;
    if (SetWriteRegisters(0, count, words.data()) != 1) return false;
    return WaitSlotZeroServed();
}

}  // namespace zentiq::testing
