#include "engine/status_name.h"

#include <array>
#include <string>
#include <utility>

namespace zentiq {
namespace {

constexpr std::array<std::pair<EngineStatus, const char*>, 24> kNames{{
    {status::Ok, "Ok"},
    {status::Timeout, "Timeout"},
    {status::ChecksumError, "ChecksumError"},
    {status::ResponseError, "ResponseError"},
    {status::WriteError, "WriteError"},
    {status::ReadError, "ReadError"},
    {status::NoConnection, "NoConnection"},
    {status::ThreadError, "ThreadError"},
    {status::BadSlot, "BadSlot"},
    {status::TooFewRegisters, "TooFewRegisters"},
    {status::NoTransactionYet, "NoTransactionYet"},
    {status::BytesMissing, "BytesMissing"},
    {status::SocketStartupFailed, "SocketStartupFailed"},
    {status::InvalidIpAddress, "InvalidIpAddress"},
    {status::ConnectError, "ConnectError"},
    {status::ConnectTimeout, "ConnectTimeout"},
    {status::BlockingSwitchFailed, "BlockingSwitchFailed"},
    {status::ByteCountError, "ByteCountError"},
    {status::SocketCreateFailed, "SocketCreateFailed"},
    {status::ConnectWaitFailed, "ConnectWaitFailed"},
    {status::TransactionIdError, "TransactionIdError"},
    {status::MalformedAnswer, "MalformedAnswer"},
    {status::ConnectionClosed, "ConnectionClosed"},
    {status::UnhandledFunction, "UnhandledFunction"},
}};

}  // namespace

std::string StatusName(EngineStatus value) {
    for (const auto& [code, name] : kNames)
        if (code == value) return name;
    // An exception answer carries one byte of code.
    if (value >= status::ExceptionBase && value <= status::ExceptionBase + 0xFF)
        return "Exception " + std::to_string(value - status::ExceptionBase);
    return "Status " + std::to_string(value);
}

}  // namespace zentiq
