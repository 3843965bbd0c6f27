// Arbitrary bytes as a slave's answer to every function, through the RTU and
// the ASCII framing. The first input bytes choose the request and how the
// answer is cut into reads; the rest is the answer.
#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "engine/modbus_function.h"
#include "engine/serial_transport.h"

namespace {

using namespace zentiq;

class ScriptedLine final : public SerialLine {
public:
    std::deque<std::vector<std::uint8_t>> reads;
    bool IsOpen() const override { return true; }
    int Write(const std::uint8_t*, std::size_t) override { return 1; }
    int Read(std::uint8_t* buffer, std::size_t n) override {
        if (reads.empty()) return 0;
        auto chunk = std::move(reads.front());
        reads.pop_front();
        const std::size_t k = std::min(n, chunk.size());
        if (k) std::memcpy(buffer, chunk.data(), k);
        return static_cast<int>(k);
    }
    void Purge() override {}
    std::uint32_t WriteFlags() const override { return 0; }
    std::uint32_t ReadFlags() const override { return 0; }
};

constexpr std::uint16_t kFunctions[] = {0, 1, 2, 3, 4, 5, 6, 15, 16, 22, 23, 7};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    WorkArea work;
    work.function = kFunctions[data[0] % std::size(kFunctions)];
    work.slaveId = data[1];
    // Quantities within the registration limits, as the worker only sees those.
    const std::uint16_t q = static_cast<std::uint16_t>((data[2] << 8) | data[3]);
    const bool registers = work.function == 3 || work.function == 4 || work.function == 23 || work.function == 16;
    work.readQuantity = registers ? q % 128 : q % 2001;
    work.writeQuantity = work.function == 15 ? q % 2001 : (registers ? (q >> 3) % 128 : q % 2001);
    const bool ascii = data[4] & 1;
    const bool echo = data[4] & 2;
    const std::size_t split = data[5];
    data += 6;
    size -= 6;

    ScriptedLine line;
    if (echo) line.reads.push_back({});
    std::size_t offset = 0;
    while (offset < size) {
        const std::size_t n = split == 0 ? size - offset : std::min(split, size - offset);
        line.reads.emplace_back(data + offset, data + offset + n);
        offset += n;
    }
    Captures captures;
    if (ascii) {
        AsciiTransport transport(line);
        transport.SetEchoRemoval(echo);
        RunFunction(transport, work, captures);
    } else {
        RtuTransport transport(line);
        transport.SetEchoRemoval(echo);
        RunFunction(transport, work, captures);
    }
    if (captures.requestLength > sizeof captures.request || captures.responseLength > sizeof captures.response)
        __builtin_trap();
    return 0;
}
