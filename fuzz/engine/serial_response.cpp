// Arbitrary bytes as a slave's answer to every function, through the RTU and
// the ASCII framing. The first input bytes choose the request and how the
// answer is cut into reads (or read as a stream); the rest is the answer.
// The answers kept whole (08, 17, 43) go through their parsers as well.
#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "engine/device_identity.h"
#include "engine/modbus_function.h"
#include "engine/serial_transport.h"

namespace {

using namespace zentiq;

class ScriptedLine final : public SerialLine {
public:
    std::deque<std::vector<std::uint8_t>> reads;
    bool stream = false;  // a read leaves what it did not take for the next
    bool IsOpen() const override { return true; }
    int Write(const std::uint8_t*, std::size_t) override { return 1; }
    int Read(std::uint8_t* buffer, std::size_t n) override {
        if (reads.empty()) return 0;
        auto chunk = std::move(reads.front());
        reads.pop_front();
        const std::size_t k = std::min(n, chunk.size());
        if (k) std::memcpy(buffer, chunk.data(), k);
        if (stream && k < chunk.size()) reads.emplace_front(chunk.begin() + k, chunk.end());
        return static_cast<int>(k);
    }
    void Purge() override {}
    std::uint32_t WriteFlags() const override { return 0; }
    std::uint32_t ReadFlags() const override { return 0; }
};

constexpr std::uint16_t kFunctions[] = {0, 1, 2, 3, 4, 5, 6, 15, 16, 22, 23, 7, 8, 17, 43};

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// What the engine accepted as a whole answer must parse; anything else must
// not crash the parsers either.
void CheckKeptAnswer(const WorkArea& work, EngineStatus status) {
    Check(work.answerLength <= kMaxAnswerPdu);
    Check(status == status::Ok || work.answerLength == 0);
    if (status != status::Ok) return;
    if (work.function == 17) Check(ParseSlaveIdReport(work.data, work.answerLength).has_value());
    if (work.function == 43)
        Check(DeviceIdAnswerLength(work.data, work.answerLength, work.answerLength) ==
              work.answerLength);
    if (work.function == 8)
        Check(work.answerLength == 4 + std::min<std::size_t>(work.writeQuantity, kMaxEchoBytes));
}

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
    if (work.function == 8) {
        work.readAddress = 0;  // return query data, the only sub-function
        work.writeQuantity = q % (kMaxEchoBytes + 1);
    }
    if (work.function == 43) {
        work.readAddress = 1 + q % 4;
        work.writeAddress = q >> 8;
    }
    const bool ascii = data[4] & 1;
    const bool echo = data[4] & 2;
    const bool stream = data[4] & 4;
    const std::size_t split = data[5];
    data += 6;
    size -= 6;

    ParseDeviceIdPage(data, size);
    ParseSlaveIdReport(data, size);

    ScriptedLine line;
    line.stream = stream;
    if (echo) line.reads.push_back({});
    std::size_t offset = 0;
    while (offset < size) {
        const std::size_t n = split == 0 ? size - offset : std::min(split, size - offset);
        line.reads.emplace_back(data + offset, data + offset + n);
        offset += n;
    }
    Captures captures;
    EngineStatus status;
    if (ascii) {
        AsciiTransport transport(line);
        transport.SetEchoRemoval(echo);
        status = RunFunction(transport, work, captures);
    } else {
        RtuTransport transport(line);
        transport.SetEchoRemoval(echo);
        status = RunFunction(transport, work, captures);
    }
    CheckKeptAnswer(work, status);
    if (captures.requestLength > sizeof captures.request || captures.responseLength > sizeof captures.response)
        __builtin_trap();
    return 0;
}
