// A transport that stands in for a slave: it answers reads of registers with
// value = table[address], echoes writes into the table, and records every
// request. For the worker's schedule tests (no wire, no timing).
#pragma once

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/transport.h"

namespace zentiq::testing {

class LoopbackTransport final : public Transport {
public:
    std::uint16_t table[2000] = {};
    std::atomic<EngineStatus> forcedStatus{0};         // non-zero: every transaction fails so
    std::atomic<int> transactionDelayMs{0};
    std::atomic<bool> inTransaction{false};

    struct Request {
        std::uint8_t slave, function;
        std::uint16_t address;
        std::vector<std::uint8_t> bytes;
        std::chrono::steady_clock::time_point at;  // when the transaction began
    };
    std::vector<Request> Requests() const {
        std::lock_guard guard(m_mutex);
        return m_requests;
    }
    std::size_t RequestCount() const {
        std::lock_guard guard(m_mutex);
        return m_requests.size();
    }

    Delivery Exchange(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                      std::size_t expected, Captures& captures) override {
        inTransaction = true;
        const auto at = std::chrono::steady_clock::now();
        if (int d = transactionDelayMs.load()) std::this_thread::sleep_for(std::chrono::milliseconds(d));
        const std::uint16_t address = static_cast<std::uint16_t>((request[2] << 8) | request[3]);
        {
            std::lock_guard guard(m_mutex);
            m_requests.push_back({request[0], request[1], address,
                                  std::vector<std::uint8_t>(request, request + length), at});
        }
        captures.Sending();
        captures.CaptureRequest(request, length);
        const EngineStatus forced = forcedStatus.load();
        if (forced != 0) {
            inTransaction = false;
            return {forced};
        }
        std::memcpy(response, request, 6);
        const std::uint8_t fc = request[1];
        if (fc == 3 || fc == 4) {
            const std::uint16_t n = static_cast<std::uint16_t>((request[4] << 8) | request[5]);
            response[2] = static_cast<std::uint8_t>(2 * n);
            for (std::uint16_t i = 0; i < n; ++i) {
                const std::uint16_t v = table[(address + i) % 2000];
                response[3 + 2 * i] = static_cast<std::uint8_t>(v >> 8);
                response[4 + 2 * i] = static_cast<std::uint8_t>(v & 0xFF);
            }
        } else if (fc == 16) {
            const std::uint16_t n = static_cast<std::uint16_t>((request[4] << 8) | request[5]);
            for (std::uint16_t i = 0; i < n; ++i)
                table[(address + i) % 2000] = static_cast<std::uint16_t>((request[7 + 2 * i] << 8) | request[8 + 2 * i]);
        } else if (fc == 6) {
            table[address % 2000] = static_cast<std::uint16_t>((request[4] << 8) | request[5]);
        }
        captures.CaptureResponse(response, expected);
        inTransaction = false;
        return {status::Ok, expected};
    }
    EngineStatus TransactRaw(const std::uint8_t* bytes, std::size_t n, Captures& captures) override {
        captures.Sending();
        captures.CaptureRequest(bytes, n);
        captures.CaptureResponse(bytes, n);
        return 0;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Request> m_requests;
};

}  // namespace zentiq::testing
