// A serial line that answers from a script instead of a device: each Read
// hands out the next queued chunk (cut to the count asked), every Write is
// recorded. Used to drive the framing code without a port.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "engine/serial_line.h"

namespace zentiq::testing {

class FakeSerialLine final : public SerialLine {
public:
    bool open = true;
    bool failWrites = false;
    bool failReads = false;
    std::vector<std::vector<std::uint8_t>> written;
    std::deque<std::vector<std::uint8_t>> reads;  // one entry per Read call
    // Reads take what they ask for from the front entry and leave the rest
    // for the next Read, as a byte stream does.
    bool stream = false;
    int purges = 0;
    // A line that behaves like a port: Purge discards what came in, and a
    // write makes these bytes arrive (an answer, an echo) before it returns.
    bool purgeDiscards = false;
    std::vector<std::uint8_t> arriveOnWrite;

    bool IsOpen() const override { return open; }
    int Write(const std::uint8_t* bytes, std::size_t n) override {
        if (!open || failWrites) return 0;
        written.emplace_back(bytes, bytes + n);
        if (!arriveOnWrite.empty()) reads.push_back(arriveOnWrite);
        return 1;
    }
    int Read(std::uint8_t* buffer, std::size_t n) override {
        if (!open || failReads) return -1;
        if (reads.empty()) return 0;
        std::vector<std::uint8_t> chunk = std::move(reads.front());
        reads.pop_front();
        const std::size_t k = std::min(n, chunk.size());
        if (k > 0) std::memcpy(buffer, chunk.data(), k);
        if (stream && k < chunk.size()) reads.emplace_front(chunk.begin() + k, chunk.end());
        return static_cast<int>(k);
    }
    void Purge() override {
        ++purges;
        if (purgeDiscards) reads.clear();
    }
    std::uint32_t WriteFlags() const override { return 0; }
    std::uint32_t ReadFlags() const override { return 0; }
};

}  // namespace zentiq::testing
