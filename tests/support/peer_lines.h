// Connections of their own for tests of several at once: each a ModbusLine
// on a real slave (the libmodbus slave or pymodbus over loopback TCP) that
// posts to windows as the program's lines do, and writes and reads through
// slot 0 of one line, by which a test sets a slave apart and reads back
// what reached it.
#pragma once

#include <QObject>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/modbus_line.h"
#include "framework/one_shot_request.h"
#include "framework/window_registry.h"
#include "support/peer_process.h"

namespace zentiq::testing {

enum class PeerKind { LibModbusTcp, PyModbusTcp };

inline const char* PeerKindName(PeerKind kind) {
    return kind == PeerKind::LibModbusTcp ? "libmodbus" : "pymodbus";
}

inline std::unique_ptr<test::PeerProcess> StartTcpPeer(PeerKind kind, std::string& error) {
    using test::PeerProcess;
    return kind == PeerKind::LibModbusTcp
               ? PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error)
               : PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error);
}

// A new line connected to the slave on `port` and polling; nullptr with
// `error` set when it could not connect.
inline std::unique_ptr<ModbusLine> ConnectLine(std::uint16_t port, std::string& error) {
    InstallEnginePoster();
    auto line = std::make_unique<ModbusLine>();
    line->SetMessagePoster(&PostToWindow);
    line->SetPollDelay(1);
    if (const int failure = line->OpenTcpConnection("127.0.0.1", port, 2000, 3000); failure != 0) {
        error = "connect to port " + std::to_string(port) + " failed: " + std::to_string(failure);
        return nullptr;
    }
    if (line->SetTransmissionMode(TCP) != 1 || line->StartPolling() != 1) {
        error = "the line does not poll";
        return nullptr;
    }
    return line;
}

inline constexpr int kLineWaitMs = 15000;

// One request through slot 0 of `line`, retried (bounded) while the slot is
// busy; the answer, none when it was refused or did not come.
inline std::optional<OneShotAnswer> Exchange(ModbusLine& line, const OneShotArgs& args,
                                             const OneShotRequest::Loader& load = {}) {
    OneShotRequest request;
    int status = -1;
    std::optional<OneShotAnswer> answer;
    QObject::connect(&request, &OneShotRequest::Finished, [&](int s) {
        status = s;
        if (const OneShotAnswer* a = request.Answer())
            answer = *a;
    });
    if (!QTest::qWaitFor([&] { return request.Submit(line, args, load); }, kLineWaitMs) ||
        !QTest::qWaitFor([&] { return status >= 0; }, kLineWaitMs))
        return std::nullopt;
    return answer;
}

// Writes registers (function 16) or coils (15, one item each) from `at`;
// true when the slave took them.
inline bool Put(ModbusLine& line, bool coils, int at, const std::vector<std::uint16_t>& items) {
    const auto n = static_cast<std::uint16_t>(items.size());
    const std::vector<std::uint8_t> bits(items.begin(), items.end());
    const std::optional<OneShotAnswer> answer = Exchange(
        line, {1, std::uint16_t(coils ? 15 : 16), 0, 0, std::uint16_t(at), n}, [&](ModbusLine& l) {
            return coils ? l.SetWriteBytes(0, n, bits.data())
                         : l.SetWriteRegisters(0, n, items.data());
        });
    return answer && answer->status == status::Ok;
}

// Reads `count` holding registers (function 3) or coils (1) from `at`;
// empty when the read failed.
inline std::vector<std::uint16_t> Get(ModbusLine& line, bool coils, int at, int count) {
    const std::optional<OneShotAnswer> answer = Exchange(
        line, {1, std::uint16_t(coils ? 1 : 3), std::uint16_t(at), std::uint16_t(count), 0, 0});
    if (!answer || answer->status != status::Ok)
        return {};
    std::vector<std::uint16_t> items(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (coils) {
            items[i] = answer->data[i];
        } else {
            std::uint16_t word = 0;
            std::memcpy(&word, answer->data + 2 * i, 2);
            items[i] = word;
        }
    }
    return items;
}

// The slot a new poll on `line` would be given: the lowest free one (-1
// when none is free). Claims it and gives it back at once.
inline int LowestFreeSlot(ModbusLine& line) {
    const int slot = line.RegisterPollSlot(0, WM_POLL_RESULT, 1000, 1, 3, 0, 1, 0, 0);
    if (slot > 0)
        line.ReleasePollSlot(slot);
    return slot;
}

// Two lines for a whole test suite's slaves: line 0 on the libmodbus slave,
// line 1 on pymodbus. The slaves live for the suite (every test writes
// addresses of its own); each test connects lines of its own to them.
class TwoPeerLines : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (int i = 0; i < 2; ++i)
            s_peers[i] =
                StartTcpPeer(i == 0 ? PeerKind::LibModbusTcp : PeerKind::PyModbusTcp, s_error);
    }
    static void TearDownTestSuite() {
        for (auto& peer : s_peers)
            peer.reset();
    }
    void SetUp() override {
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(s_peers[i]) << s_error;
            std::string error;
            m_lines[i] = ConnectLine(s_peers[i]->Port(), error);
            ASSERT_TRUE(m_lines[i]) << error;
        }
    }

    ModbusLine& line(int i) { return *m_lines[static_cast<std::size_t>(i)]; }

    static inline std::array<std::unique_ptr<test::PeerProcess>, 2> s_peers;
    static inline std::string s_error;
    // Before the windows of a test, so that they go first.
    std::array<std::unique_ptr<ModbusLine>, 2> m_lines;
};

}  // namespace zentiq::testing
