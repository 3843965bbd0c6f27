// Log and test texts name every engine result apart, exceptions by code.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/status_name.h"

namespace zentiq {
namespace {

TEST(StatusNameTest, EachResultHasItsOwnName) {
    const struct {
        EngineStatus value;
        const char* name;
    } cases[] = {
        {status::Ok, "Ok"},
        {status::Timeout, "Timeout"},
        {status::ChecksumError, "ChecksumError"},
        {status::BytesMissing, "BytesMissing"},
        {status::ConnectTimeout, "ConnectTimeout"},
        {status::TransactionIdError, "TransactionIdError"},
        {status::UnhandledFunction, "UnhandledFunction"},
        {static_cast<EngineStatus>(status::ExceptionBase + 2), "Exception 2"},
        {static_cast<EngineStatus>(status::ExceptionBase + 0xFF), "Exception 255"},
        {status::MalformedAnswer, "MalformedAnswer"},
        {status::ConnectionClosed, "ConnectionClosed"},
        {23, "Status 23"},
        {status::ExceptionBase + 0x100, "Status 384"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusName(c.value), c.name) << c.value;

    // No two results the engine produces may read alike in a log.
    std::set<std::string> seen;
    for (EngineStatus v = status::Ok; v <= status::ConnectionClosed; ++v) {
        const std::string name = StatusName(v);
        EXPECT_NE(name.rfind("Status ", 0), 0u) << v << " has no name";
        EXPECT_TRUE(seen.insert(name).second) << name << " named twice";
    }
}

}  // namespace
}  // namespace zentiq
