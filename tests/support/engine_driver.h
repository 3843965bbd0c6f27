// Drives the engine the way the application does, for the integration tests:
// polls once through a slot, sends one-shot requests, waits (bounded) for the
// posted results and reads the values back.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/engine.h"
#include "support/peer_data.h"
#include "support/post_recorder.h"

namespace zentiq::testing {

// A status no transaction produces: the result never arrived.
inline constexpr EngineStatus kNoResult = 0xFFFE;
inline constexpr std::uint16_t kPeerSlave = 1;

inline std::vector<std::uint16_t> HoldingPattern(unsigned from, unsigned count) {
    std::vector<std::uint16_t> v;
    for (unsigned i = from; i < from + count; ++i) v.push_back(zq_peer_holding(i));
    return v;
}

class EngineDriver {
protected:
    explicit EngineDriver(WindowHandle firstWindow) : m_lastWindow(firstWindow) {}

    // Call before the engine polls (it installs the message poster).
    void StartRecording() { m_posts = std::make_unique<PostRecorder>(); }
    void StopRecording() { m_posts.reset(); }

    WindowHandle NextWindow() { return ++m_lastWindow; }

    // Status of the n-th (1-based) WM_POLL_RESULT posted to window.
    EngineStatus WaitResult(WindowHandle window, int slot, std::size_t n = 1) {
        if (!m_posts->WaitFor(window, WM_POLL_RESULT, n, std::chrono::seconds(10))) {
            ADD_FAILURE() << "no result for slot " << slot << " within the limit";
            return kNoResult;
        }
        std::size_t seen = 0;
        for (const auto& p : m_posts->Posts()) {
            if (p.window != window || p.message != WM_POLL_RESULT) continue;
            if (++seen == n) {
                EXPECT_EQ(p.lParam, slot);
                return static_cast<EngineStatus>(p.wParam);
            }
        }
        return kNoResult;
    }

    // One poll of a read function through a poll slot in Once mode.
    EngineStatus PollOnce(std::uint16_t slave, std::uint16_t function, std::uint16_t address,
                          std::uint16_t quantity, int& slot) {
        const WindowHandle window = NextWindow();
        slot = RegisterPollSlot(window, WM_POLL_RESULT, 0, slave, function, address, quantity, 0, 0);
        if (slot < 1) {
            ADD_FAILURE() << "RegisterPollSlot refused function " << function;
            return kNoResult;
        }
        EXPECT_EQ(SetPollMode(slot, Once), 1);
        return WaitResult(window, slot);
    }

    std::vector<std::uint16_t> ReadRegs(std::uint16_t function, std::uint16_t address,
                                        std::uint16_t quantity, EngineStatus* statusOut = nullptr,
                                        std::uint16_t slave = kPeerSlave) {
        int slot = -1;
        const EngineStatus st = PollOnce(slave, function, address, quantity, slot);
        if (statusOut != nullptr) {
            *statusOut = st;
        } else {
            EXPECT_EQ(st, status::Ok) << "function " << function << " at " << address;
        }
        std::vector<std::uint16_t> values(quantity);
        if (slot >= 1) {
            EXPECT_EQ(ReadRegisters(slot, values.data()), st);
            ReleasePollSlot(slot);
        }
        return values;
    }

    std::vector<std::uint8_t> ReadBits(std::uint16_t function, std::uint16_t address,
                                       std::uint16_t quantity) {
        int slot = -1;
        const EngineStatus st = PollOnce(kPeerSlave, function, address, quantity, slot);
        EXPECT_EQ(st, status::Ok) << "function " << function << " at " << address;
        std::vector<std::uint8_t> values(quantity);
        if (slot >= 1) {
            EXPECT_EQ(ReadBytes(slot, values.data()), st);
            ReleasePollSlot(slot);
        }
        return values;
    }

    // A one-shot request through slot 0; load puts the write data in.
    template <typename Load>
    EngineStatus OneShot(std::uint16_t slave, std::uint16_t function, std::uint16_t readAddress,
                         std::uint16_t readQuantity, std::uint16_t writeAddress,
                         std::uint16_t writeQuantity, Load load) {
        const WindowHandle window = NextWindow();
        if (SubmitOneShot(window, WM_POLL_RESULT, slave, function, readAddress, readQuantity,
                          writeAddress, writeQuantity) != 1) {
            ADD_FAILURE() << "SubmitOneShot refused function " << function;
            return kNoResult;
        }
        load();
        return WaitResult(window, 0);
    }

    std::unique_ptr<PostRecorder> m_posts;
    WindowHandle m_lastWindow;
};

}  // namespace zentiq::testing
