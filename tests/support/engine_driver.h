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
#include "engine/modbus_line.h"
#include "support/peer_data.h"
#include "support/post_recorder.h"

namespace zentiq::testing {

// A status no transaction produces: the result never arrived.
inline constexpr EngineStatus kNoResult = 0xFFFE;
inline constexpr std::uint16_t kPeerSlave = 1;

inline std::vector<std::uint16_t> HoldingPattern(unsigned from, unsigned count) {
    std::vector<std::uint16_t> v;
    for (unsigned i = from; i < from + count; ++i)
        v.push_back(zq_peer_holding(i));
    return v;
}

class EngineDriver {
protected:
    explicit EngineDriver(WindowHandle firstWindow) : m_lastWindow(firstWindow) {}

    // The line this test drives: its own, shared with no other test.
    ModbusLine& Line() { return m_line; }

    // Call before the engine polls (it installs the message poster).
    void StartRecording() { m_posts = std::make_unique<PostRecorder>(m_line); }
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
            if (p.window != window || p.message != WM_POLL_RESULT)
                continue;
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
        slot = m_line.RegisterPollSlot(window, WM_POLL_RESULT, 0, slave, function, address,
                                       quantity, 0, 0);
        if (slot < 1) {
            ADD_FAILURE() << "RegisterPollSlot refused function " << function;
            return kNoResult;
        }
        EXPECT_EQ(m_line.SetPollMode(slot, Once), 1);
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
            EXPECT_EQ(m_line.ReadRegisters(slot, values.data()), st);
            m_line.ReleasePollSlot(slot);
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
            EXPECT_EQ(m_line.ReadBytes(slot, values.data()), st);
            m_line.ReleasePollSlot(slot);
        }
        return values;
    }

    // A one-shot request through slot 0; load puts the write data in.
    template <typename Load>
    EngineStatus OneShot(std::uint16_t slave, std::uint16_t function, std::uint16_t readAddress,
                         std::uint16_t readQuantity, std::uint16_t writeAddress,
                         std::uint16_t writeQuantity, Load load) {
        const WindowHandle window = NextWindow();
        if (m_line.SubmitOneShot(window, WM_POLL_RESULT, slave, function, readAddress, readQuantity,
                                 writeAddress, writeQuantity) != 1) {
            ADD_FAILURE() << "SubmitOneShot refused function " << function;
            return kNoResult;
        }
        load();
        return WaitResult(window, 0);
    }

    // ---- scenarios every transport must pass against a peer slave ----

    // Each table read as the slave holds it, at the largest sizes it allows.
    void CheckReadsEveryTable() {
        EXPECT_EQ(ReadRegs(3, 0, 10), HoldingPattern(0, 10));
        EXPECT_EQ(ReadRegs(3, 1875, 125), HoldingPattern(1875, 125));
        const auto inputs = ReadRegs(4, 517, 33);
        for (unsigned i = 0; i < inputs.size(); ++i)
            EXPECT_EQ(inputs[i], zq_peer_input(517 + i)) << "input register " << 517 + i;
        // 2000 coils is the largest bit read; 13 inputs from 7 leave a partly
        // used last byte.
        const auto coils = ReadBits(1, 0, 2000);
        for (unsigned i = 0; i < coils.size(); ++i)
            ASSERT_EQ(coils[i], zq_peer_coil(i)) << "coil " << i;
        const auto discretes = ReadBits(2, 7, 13);
        for (unsigned i = 0; i < discretes.size(); ++i)
            EXPECT_EQ(discretes[i], zq_peer_discrete(7 + i)) << "input " << 7 + i;
    }

    // Exception answers become 128 + code, and the link stays in step.
    void CheckExceptionsBecomeStatuses() {
        EngineStatus st = 0;
        ReadRegs(3, 1990, 20, &st);  // past the end of the table
        EXPECT_EQ(st, status::ExceptionBase + 2);
        ReadRegs(4, 0, 126, &st);  // more than one read may carry
        EXPECT_EQ(st, status::ExceptionBase + 3);
        EXPECT_EQ(ReadRegs(3, 40, 3), HoldingPattern(40, 3));
    }

    // Function 22 (AND mask in readAddress, OR mask in readQuantity) and
    // function 23, which writes before it reads.
    void CheckMaskWriteAndReadWrite() {
        const std::uint16_t andMask = 0x00F2, orMask = 0x0025;
        EXPECT_EQ(OneShot(kPeerSlave, 22, andMask, orMask, 10, 0, [] {}), status::Ok);
        const std::uint16_t expected =
            static_cast<std::uint16_t>((zq_peer_holding(10) & andMask) | (orMask & ~andMask));
        EXPECT_EQ(ReadRegs(3, 10, 1), std::vector<std::uint16_t>{expected});

        const std::uint16_t written[3] = {0x1111, 0x2222, 0x3333};
        EXPECT_EQ(OneShot(kPeerSlave, 23, 699, 5, 700, 3,
                          [&] { m_line.SetWriteRegisters(0, 3, written); }),
                  status::Ok);
        std::uint16_t readBack[5] = {};
        EXPECT_EQ(m_line.ReadRegisters(0, readBack), status::Ok);
        EXPECT_EQ(std::vector<std::uint16_t>(readBack, readBack + 5),
                  (std::vector<std::uint16_t>{zq_peer_holding(699), 0x1111, 0x2222, 0x3333,
                                              zq_peer_holding(703)}));
    }

    // Declared first among the members: gone last, after the recorder.
    ModbusLine m_line;
    std::unique_ptr<PostRecorder> m_posts;
    WindowHandle m_lastWindow;
};

}  // namespace zentiq::testing
