#include "framework/engine_trace_log.h"

#include <QLoggingCategory>
#include <QStringList>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "engine/engine.h"
#include "support/engine_driver.h"
#include "support/peer_link.h"

namespace zentiq {
namespace {

// The lines of the zentiq.engine category; the worker thread writes them.
struct EngineLog {
    static std::mutex& lock() {
        static std::mutex m;
        return m;
    }
    static QStringList& lines() {
        static QStringList l;
        return l;
    }
    static QStringList take() {
        std::lock_guard guard(lock());
        return std::exchange(lines(), {});
    }
    static void handler(QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (context.category != nullptr && qstrcmp(context.category, "zentiq.engine") == 0) {
            std::lock_guard guard(lock());
            lines() << text;
        }
    }
};

QString hex(const std::uint8_t* bytes, int n) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes), n).toHex(' ').toUpper());
}

// A port on 127.0.0.1 that nobody listens on.
std::uint16_t closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

class EngineTraceLogTest : public ::testing::Test, protected testing::EngineDriver {
protected:
    EngineTraceLogTest() : EngineDriver(0x7100) {}
    void SetUp() override {
        m_previous = qInstallMessageHandler(&EngineLog::handler);
        InstallEngineTraceLog();
        StartRecording();
    }
    void TearDown() override {
        SetTraceCallback(nullptr);
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(m_previous);
        EngineLog::take();
    }

private:
    QtMessageHandler m_previous = nullptr;
};

// Against a real slave: with the category on, the opening and each
// transaction are logged with the bytes as they went over the wire; with it
// off (the default), the route formats nothing at all.
TEST_F(EngineTraceLogTest, ATransactionIsLoggedWithItsBytesOnlyWhileTheCategoryIsOn) {
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "zentiq.engine.debug=true" : "default rules");
        QLoggingCategory::setFilterRules(on ? QStringLiteral("zentiq.engine.debug=true")
                                            : QString());
        const std::uint64_t formatted = EngineTraceLinesFormatted();
        std::string error;
        auto link =
            testing::PeerLink::Start(testing::PeerLink::Peer::LibModbus, TCP, error, 1, {}, Line());
        ASSERT_TRUE(link) << error;
        int slot = -1;
        ASSERT_EQ(PollOnce(testing::kPeerSlave, 3, 0, 2, slot), status::Ok);
        std::uint8_t request[kRequestCaptureSize];
        std::uint8_t answer[kResponseCaptureSize];
        const int requestLength = Line().GetRequestCapture(slot, request);
        const int answerLength = Line().GetResponseCapture(slot, answer);
        Line().ReleasePollSlot(slot);
        link.reset();
        const QStringList lines = EngineLog::take();
        if (!on) {
            EXPECT_TRUE(lines.isEmpty()) << lines.join('\n').toStdString();
            EXPECT_EQ(EngineTraceLinesFormatted(), formatted);
            continue;
        }
        ASSERT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
        EXPECT_TRUE(lines[0].contains(QStringLiteral(" open 127.0.0.1:")))
            << lines[0].toStdString();
        EXPECT_TRUE(lines[0].contains(QStringLiteral(": ok, "))) << lines[0].toStdString();
        // Holding registers 0 and 1 of every peer hold 3 and 10.
        ASSERT_GT(answerLength, 4);
        EXPECT_TRUE(hex(answer, answerLength).endsWith(QStringLiteral("01 03 04 00 03 00 0A")));
        const QString expected = QStringLiteral(" slot %1 Ok ").arg(slot);
        EXPECT_TRUE(lines[1].contains(expected)) << lines[1].toStdString();
        EXPECT_TRUE(
            lines[1].endsWith(QStringLiteral(" ms >> %1 << %2")
                                  .arg(hex(request, requestLength), hex(answer, answerLength))))
            << lines[1].toStdString();
        EXPECT_EQ(EngineTraceLinesFormatted(), formatted + 2);
    }
}

// A failure says which errno was behind it.
TEST_F(EngineTraceLogTest, AFailedOpeningNamesItsErrno) {
    QLoggingCategory::setFilterRules(QStringLiteral("zentiq.engine.debug=true"));
    const std::uint16_t port = closedPort();
    ASSERT_NE(Line().OpenTcpConnection("127.0.0.1", port, 1000, 3000), 0);
    const QStringList lines = EngineLog::take();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains(QStringLiteral(" open 127.0.0.1:%1: failed (").arg(port)))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral(", errno %1 (").arg(ECONNREFUSED)))
        << lines[0].toStdString();
}

}  // namespace
}  // namespace zentiq
