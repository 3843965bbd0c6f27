#include "engine/modbus_function.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/device_identity.h"

namespace zentiq {
namespace {

void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v & 0xFF);
}

std::uint16_t HostRegister(const std::uint8_t* data, std::size_t i) {
    std::uint16_t v;
    std::memcpy(&v, data + 2 * i, sizeof v);
    return v;
}

std::size_t BitBytes(std::uint16_t n) { return (static_cast<std::size_t>(n) + 7) / 8; }

// ---- request builders ------------------------------------------------------

std::size_t BuildRead(const WorkArea& w, std::uint8_t* r) {
    r[0] = static_cast<std::uint8_t>(w.slaveId);
    r[1] = static_cast<std::uint8_t>(w.function);
    PutU16(r + 2, w.readAddress);
    PutU16(r + 4, w.readQuantity);
    return 6;
}

std::size_t BuildWriteCoil(const WorkArea& w, std::uint8_t* r) {
    r[0] = static_cast<std::uint8_t>(w.slaveId);
    r[1] = Code(FunctionCode::WriteSingleCoil);
    PutU16(r + 2, w.writeAddress);
    r[4] = w.data[0] != 0 ? 0xFF : 0x00;
    r[5] = 0x00;
    return 6;
}

std::size_t BuildWriteRegister(const WorkArea& w, std::uint8_t* r) {
    r[0] = static_cast<std::uint8_t>(w.slaveId);
    r[1] = Code(FunctionCode::WriteSingleRegister);
    PutU16(r + 2, w.writeAddress);
    PutU16(r + 4, HostRegister(w.data, 0));
    return 6;
}

std::size_t BuildWriteCoils(const WorkArea& w, std::uint8_t* r) {
    const std::uint16_t n = std::min<std::uint16_t>(w.writeQuantity, kDataSize);
    const std::size_t bytes = BitBytes(n);
    r[0] = static_cast<std::uint8_t>(w.slaveId);
    r[1] = Code(FunctionCode::WriteMultipleCoils);
    PutU16(r + 2, w.writeAddress);
    PutU16(r + 4, n);
    r[6] = static_cast<std::uint8_t>(bytes);
    std::memset(r + 7, 0, bytes);
    for (std::size_t i = 0; i < n; ++i)
        if (w.data[i] != 0) r[7 + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
    return 7 + bytes;
}

std::size_t BuildWriteRegisters(const WorkArea& w, std::uint8_t* r) {
    const std::uint16_t n = std::min<std::uint16_t>(w.writeQuantity, 127);
    r[0] = static_cast<std::uint8_t>(w.slaveId);
    r[1] = Code(FunctionCode::WriteMultipleRegisters);
    PutU16(r + 2, w.writeAddress);
    PutU16(r + 4, n);
    r[6] = static_cast<std::uint8_t>(2 * n);
    for (std::size_t i = 0; i < n; ++i) PutU16(r + 7 + 2 * i, HostRegister(w.data, i));
    return 7 + 2 * static_cast<std::size_t>(n);
}

std::size_t BuildMaskWrite(const WorkArea& w, std::uint8_t* r) {
    r[0] = static_cast<std::uint8_t>(w.slaveId);
    r[1] = Code(FunctionCode::MaskWriteRegister);
    PutU16(r + 2, w.writeAddress);
    PutU16(r + 4, w.readAddress);   // AND mask
    PutU16(r + 6, w.readQuantity);  // OR mask
    return 8;
}

std::size_t BuildReadWrite(const WorkArea& w, std::uint8_t* r) {
    const std::uint16_t n = std::min<std::uint16_t>(w.writeQuantity, 127);
    r[0] = static_cast<std::uint8_t>(w.slaveId);
    r[1] = Code(FunctionCode::ReadWriteRegisters);
    PutU16(r + 2, w.readAddress);
    PutU16(r + 4, w.readQuantity);
    PutU16(r + 6, w.writeAddress);
    PutU16(r + 8, n);
    r[10] = static_cast<std::uint8_t>(2 * n);
    for (std::size_t i = 0; i < n; ++i) PutU16(r + 11 + 2 * i, HostRegister(w.data, i));
    return 11 + 2 * static_cast<std::size_t>(n);
}

std::size_t EchoBytes(const WorkArea& w) {
    return std::min<std::size_t>(w.writeQuantity, kMaxEchoBytes);
}

// Diagnostics: sub-function (readAddress), then the data to be echoed.
std::size_t BuildDiagnostics(const WorkArea& w, std::uint8_t* r) {
    const std::size_t n = EchoBytes(w);
    r[0] = static_cast<std::uint8_t>(w.slaveId);
    r[1] = Code(FunctionCode::Diagnostics);
    PutU16(r + 2, w.readAddress);
    std::memcpy(r + 4, w.data, n);
    return 4 + n;
}

std::size_t BuildReportSlaveId(const WorkArea& w, std::uint8_t* r) {
    r[0] = static_cast<std::uint8_t>(w.slaveId);
    r[1] = Code(FunctionCode::ReportSlaveId);
    return 2;
}

// Read device identification: read code (readAddress), object ID (writeAddress).
std::size_t BuildDeviceId(const WorkArea& w, std::uint8_t* r) {
    r[0] = static_cast<std::uint8_t>(w.slaveId);
    r[1] = Code(FunctionCode::DeviceIdentification);
    r[2] = kMeiReadDeviceId;
    r[3] = static_cast<std::uint8_t>(w.readAddress);
    r[4] = static_cast<std::uint8_t>(w.writeAddress);
    return 5;
}

// ---- data of counted answers -----------------------------------------------

std::size_t BitData(const WorkArea& w) { return BitBytes(w.readQuantity); }
std::size_t RegisterData(const WorkArea& w) { return 2 * static_cast<std::size_t>(w.readQuantity); }
// The echo repeats the sub-function's second byte and the data.
std::size_t EchoData(const WorkArea& w) { return 1 + EchoBytes(w); }

// ---- lengths the answers announce ------------------------------------------

std::size_t ByteCounted(const std::uint8_t* pdu, std::size_t got) {
    return got >= 3 ? std::min(3 + std::size_t{pdu[2]}, kMaxAnswerPdu + 1) : 0;
}

std::size_t DeviceIdAnnounced(const std::uint8_t* pdu, std::size_t got) {
    return DeviceIdAnswerLength(pdu, got, kMaxAnswerPdu);
}

// ---- checks ----------------------------------------------------------------

bool SameHeader(const std::uint8_t* req, const std::uint8_t* resp) {
    return req[0] == resp[0] && req[1] == resp[1];
}

EngineStatus CheckBits(const WorkArea& w, const std::uint8_t* req, const std::uint8_t* resp) {
    if (!SameHeader(req, resp)) return status::ResponseError;
    return resp[2] == BitBytes(w.readQuantity) ? status::Ok : status::ByteCountError;
}

EngineStatus CheckRegisters(const WorkArea& w, const std::uint8_t* req, const std::uint8_t* resp) {
    if (!SameHeader(req, resp)) return status::ResponseError;
    return resp[2] == static_cast<std::uint8_t>(2 * w.readQuantity) && 2 * w.readQuantity < 256
               ? status::Ok
               : status::ByteCountError;
}

template <std::size_t N>
EngineStatus CheckEcho(const WorkArea& w, const std::uint8_t* req, const std::uint8_t* resp) {
    if (w.slaveId == 0) return status::Ok;
    return std::memcmp(req, resp, N) == 0 ? status::Ok : status::ResponseError;
}

EngineStatus CheckHeaderOnly(const WorkArea&, const std::uint8_t* req, const std::uint8_t* resp) {
    return SameHeader(req, resp) ? status::Ok : status::ResponseError;
}

EngineStatus CheckDiagnostics(const WorkArea& w, const std::uint8_t* req,
                              const std::uint8_t* resp) {
    return std::memcmp(req, resp, 4 + EchoBytes(w)) == 0 ? status::Ok : status::ResponseError;
}

// The answer names the MEI type and the read code asked for.
EngineStatus CheckDeviceId(const WorkArea&, const std::uint8_t* req, const std::uint8_t* resp) {
    return std::memcmp(req, resp, 4) == 0 ? status::Ok : status::ResponseError;
}

// ---- decoding --------------------------------------------------------------

void UnpackBits(WorkArea& w, const std::uint8_t* resp) {
    const std::size_t n = std::min<std::size_t>(w.readQuantity, kDataSize);
    for (std::size_t i = 0; i < n; ++i) w.data[i] = (resp[3 + i / 8] >> (i % 8)) & 1;
}

void UnpackRegisters(WorkArea& w, const std::uint8_t* resp) {
    const std::size_t n = std::min<std::size_t>(w.readQuantity, kDataSize / 2);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint16_t v =
            static_cast<std::uint16_t>((resp[3 + 2 * i] << 8) | resp[4 + 2 * i]);
        std::memcpy(w.data + 2 * i, &v, sizeof v);
    }
}

// The answer as it came, for the caller to take apart.
void KeepWhole(WorkArea& w, const std::uint8_t* resp) {
    std::memcpy(w.data, resp, std::min<std::size_t>(w.answerLength, kDataSize));
}

constexpr FunctionEntry kFunctions[] = {
    {FunctionCode::ReadCoils, BuildRead, 0, BitData, ByteCounted, CheckBits, UnpackBits},
    {FunctionCode::ReadDiscreteInputs, BuildRead, 0, BitData, ByteCounted, CheckBits, UnpackBits},
    {FunctionCode::ReadHoldingRegisters, BuildRead, 0, RegisterData, ByteCounted, CheckRegisters,
     UnpackRegisters},
    {FunctionCode::ReadInputRegisters, BuildRead, 0, RegisterData, ByteCounted, CheckRegisters,
     UnpackRegisters},
    {FunctionCode::WriteSingleCoil, BuildWriteCoil, 6, nullptr, nullptr, CheckEcho<6>, nullptr},
    {FunctionCode::WriteSingleRegister, BuildWriteRegister, 6, nullptr, nullptr, CheckEcho<6>,
     nullptr},
    {FunctionCode::Diagnostics, BuildDiagnostics, 0, EchoData, nullptr, CheckDiagnostics,
     KeepWhole},
    {FunctionCode::WriteMultipleCoils, BuildWriteCoils, 6, nullptr, nullptr, CheckEcho<6>, nullptr},
    {FunctionCode::WriteMultipleRegisters, BuildWriteRegisters, 6, nullptr, nullptr, CheckEcho<6>,
     nullptr},
    {FunctionCode::ReportSlaveId, BuildReportSlaveId, 0, nullptr, ByteCounted, CheckHeaderOnly,
     KeepWhole},
    {FunctionCode::MaskWriteRegister, BuildMaskWrite, 8, nullptr, nullptr, CheckEcho<8>, nullptr},
    {FunctionCode::ReadWriteRegisters, BuildReadWrite, 0, RegisterData, ByteCounted,
     CheckHeaderOnly, UnpackRegisters},
    {FunctionCode::DeviceIdentification, BuildDeviceId, 0, nullptr, DeviceIdAnnounced,
     CheckDeviceId, KeepWhole},
};

// An exception answer: slave, function | 0x80, exception code.
constexpr std::size_t kExceptionLength = 3;
bool IsException(const std::uint8_t* pdu) { return pdu[1] > 0x80; }

// Per-function registration limits; 0xFFFF = unlimited within 16 bits.
struct Limits {
    FunctionCode code;
    bool slaveZeroAllowed;
    std::uint16_t maxRead;
    std::uint16_t maxWrite;
    bool oneShotOnly;
};

constexpr Limits kLimits[] = {
    {FunctionCode::RawFrame, true, 2000, 0xFFFF, true},
    {FunctionCode::ReadCoils, false, 2000, 0xFFFF, false},
    {FunctionCode::ReadDiscreteInputs, false, 2000, 0xFFFF, false},
    {FunctionCode::ReadHoldingRegisters, false, 127, 0xFFFF, false},
    {FunctionCode::ReadInputRegisters, false, 127, 0xFFFF, false},
    {FunctionCode::WriteSingleCoil, true, 1, 0xFFFF, false},
    {FunctionCode::WriteSingleRegister, true, 1, 0xFFFF, false},
    {FunctionCode::WriteMultipleCoils, true, 0xFFFF, 2000, false},
    {FunctionCode::WriteMultipleRegisters, true, 0xFFFF, 127, false},
    {FunctionCode::MaskWriteRegister, true, 0xFFFF, 0xFFFF, false},
    {FunctionCode::ReadWriteRegisters, false, 127, 127, false},
    // Served once, never polled: nobody answers a broadcast of them.
    {FunctionCode::Diagnostics, false, 0, kMaxEchoBytes, true},
    {FunctionCode::ReportSlaveId, false, 0, 0, true},
    {FunctionCode::DeviceIdentification, false, 0, 0, true},
};

constexpr std::uint16_t kReturnQueryData = 0;

}  // namespace

const FunctionEntry* FindFunction(std::uint16_t code) {
    for (const auto& f : kFunctions)
        if (f.code == code) return &f;
    return nullptr;
}

std::size_t ExpectedAnswerLength(const FunctionEntry& entry, const WorkArea& work) {
    if (entry.fixedAnswer != 0) return entry.fixedAnswer;
    return entry.countedData != nullptr ? 3 + entry.countedData(work) : kMaxAnswerPdu;
}

bool LengthOnlyInAnswer(std::uint16_t code) {
    const FunctionEntry* entry = FindFunction(code);
    return entry != nullptr && entry->fixedAnswer == 0 && entry->countedData == nullptr;
}

std::size_t AnswerPduLength(const std::uint8_t* pdu, std::size_t got) {
    if (got < 2) return 0;
    if (IsException(pdu)) return kExceptionLength;
    const FunctionEntry* entry = FindFunction(pdu[1]);
    if (entry == nullptr) return 0;
    if (entry->fixedAnswer != 0) return entry->fixedAnswer;
    return entry->announced != nullptr ? entry->announced(pdu, got) : 0;
}

EngineStatus AnswerStatus(const Delivery& delivery, const std::uint8_t* response,
                          std::size_t expected) {
    if (delivery.status != status::Ok || !delivery.answered) return delivery.status;
    if (delivery.length >= 2 && IsException(response)) {
        if (delivery.length < kExceptionLength) return status::BytesMissing;
        if (!delivery.checksumOk) return status::ChecksumError;
        return static_cast<EngineStatus>(status::ExceptionBase + response[2]);
    }
    if (delivery.length < expected) return status::BytesMissing;
    return delivery.checksumOk ? status::Ok : status::ChecksumError;
}

EngineStatus AnnouncedAnswerStatus(const Delivery& delivery, const std::uint8_t* request,
                                   const std::uint8_t* response) {
    if (delivery.status != status::Ok || !delivery.answered ||
        (delivery.length >= 2 && IsException(response)))
        return AnswerStatus(delivery, response, kExceptionLength);
    if (delivery.length >= 2 && response[1] != request[1])
        return delivery.checksumOk ? status::ResponseError : status::ChecksumError;
    std::size_t announced = AnswerPduLength(response, delivery.length);
    // Bytes that do not even tell their length are short of something.
    if (announced == 0) announced = delivery.length + 1;
    if (delivery.length < announced)
        return delivery.checksumOk ? status::MalformedAnswer : status::BytesMissing;
    if (!delivery.checksumOk) return status::ChecksumError;
    return delivery.length == announced ? status::Ok : status::MalformedAnswer;
}

bool RequestWithinLimits(bool oneShot, std::uint16_t slaveId, std::uint16_t function,
                         std::uint16_t readQuantity, std::uint16_t writeQuantity,
                         std::uint16_t readAddress, std::uint16_t writeAddress) {
    if (slaveId > 255) return false;
    const auto* it = std::find_if(std::begin(kLimits), std::end(kLimits),
                                  [&](const Limits& l) { return l.code == function; });
    if (it == std::end(kLimits)) return false;
    if (it->oneShotOnly && !oneShot) return false;
    if (slaveId == 0 && !it->slaveZeroAllowed) return false;
    if (function == FunctionCode::Diagnostics && readAddress != kReturnQueryData) return false;
    if (function == FunctionCode::DeviceIdentification &&
        (readAddress < 1 || readAddress > 4 || writeAddress > 0xFF))
        return false;
    return readQuantity <= it->maxRead && writeQuantity <= it->maxWrite;
}

EngineStatus RunFunction(Transport& transport, WorkArea& work, Captures& captures) {
    if (work.function == FunctionCode::RawFrame) {
        const std::size_t n = std::min<std::size_t>(work.writeQuantity, kDataSize);
        return transport.TransactRaw(work.data, n, captures);
    }
    const FunctionEntry* entry = FindFunction(work.function);
    if (entry == nullptr) {
        captures.Clear();
        return status::UnhandledFunction;
    }
    std::uint8_t request[kRequestBufferSize];
    std::uint8_t response[kResponseBufferSize];
    const std::size_t length = entry->build(work, request);
    const std::size_t expected = ExpectedAnswerLength(*entry, work);

    std::memset(response, 0, std::min(sizeof response, expected + 8));
    work.answerLength = 0;
    EngineStatus result;
    if (LengthOnlyInAnswer(work.function)) {
        const Delivery delivery = transport.Exchange(request, length, response, expected, captures);
        result = AnnouncedAnswerStatus(delivery, request, response);
        if (result == status::Ok) work.answerLength = static_cast<std::uint16_t>(delivery.length);
    } else {
        result = transport.Transact(request, length, response, expected, captures);
        if (result == status::Ok && entry->unpack == KeepWhole)
            work.answerLength = static_cast<std::uint16_t>(expected);
    }
    if (result == status::Ok) result = entry->check(work, request, response);
    if (result != status::Ok) work.answerLength = 0;
    if (result == status::Ok && entry->unpack != nullptr) entry->unpack(work, response);
    return result;
}

}  // namespace zentiq
