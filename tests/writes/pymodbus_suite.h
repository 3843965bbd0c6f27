// A test suite that shares one pymodbus slave over loopback TCP, connected
// for the whole suite, with each test's application-wide options fresh.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "documents/poll_document_model.h"
#include "engine/engine.h"
#include "support/peer_link.h"

namespace zentiq::testing {

template <class Base = ::testing::Test>
class PyModbusSuite : public Base {
protected:
    static void SetUpTestSuite() {
        InitEngine();
        InstallEnginePoster();
        std::string error;
        s_link = PeerLink::Start(PeerLink::Peer::PyModbus, TCP, error);
        s_error = error;
    }
    static void TearDownTestSuite() { s_link.reset(); }
    void SetUp() override {
        ASSERT_TRUE(s_link) << s_error;
        PollDocumentModel::ApplicationWide() = {};
    }

    static inline std::unique_ptr<PeerLink> s_link;
    static inline std::string s_error;
};

}  // namespace zentiq::testing
