// The connection controller on its own (no window anywhere) and, for the
// connect to a host that does not answer, inside the running program.
#include "app/connection_controller.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <memory>
#include <vector>

#include "app/app_test_support.h"
#include "app/main_frame.h"
#include "engine/engine.h"
#include "framework/settings_store.h"
#include "resources/menus.h"
#include "app/connection_settings_store.h"
#include "support/peer_process.h"
#include "support/pty_pair.h"
#include "support/termios_gated_slave.h"
#include "support/unanswered_listener.h"

namespace zentiq {
namespace {

using State = ConnectionController::State;
using test::AppTestBase;

constexpr int kHangingTimeoutMs = 1500;

ConnectionSettings tcpSettings(int port, int connectionTimeoutMs = 3000) {
    ConnectionSettings s;
    s.Serial = 1;
    s.IPAddress = "127.0.0.1";
    s.ServicePort = port;
    s.ConnectionTimeout = connectionTimeoutMs;
    return s;
}

class ConnectionControllerTest : public AppTestBase {
protected:
    ConnectionControllerTest() {
        InitEngine();
        controller = std::make_unique<ConnectionController>(settings, DefaultLine());
        QObject::connect(controller.get(), &ConnectionController::stateChanged,
                         [this](State s) { states.push_back(s); });
        QObject::connect(controller.get(), &ConnectionController::connectFailed,
                         [this](const QString& text) { failures << text; });
    }
    ~ConnectionControllerTest() override {
        controller->Shutdown();
        controller.reset();
    }

    CommandState command(int id) {
        CommandState state;
        EXPECT_TRUE(controller->OnUpdateCommand(id, state)) << id;
        return state;
    }

    SettingsStore settings{dirPath() + "/controller.ini"};
    std::unique_ptr<ConnectionController> controller;
    std::vector<State> states;
    QStringList failures;
};

TEST_F(ConnectionControllerTest, ConnectsToAPeerAndReconnectsThroughClosing) {
    std::string error;
    auto peer = test::PeerProcess::LibModbus(test::PeerProcess::Mode::Tcp, "", error);
    ASSERT_NE(peer, nullptr) << error;
    controller->SetSettings(tcpSettings(peer->Port()));

    EXPECT_EQ(controller->Connect(false), State::Connecting);
    EXPECT_FALSE(command(cmd::Connect).enabled);
    EXPECT_FALSE(command(cmd::QuickConnect).enabled);
    EXPECT_TRUE(command(cmd::Disconnect).enabled) << "a connect under way can be given up";
    ASSERT_TRUE(test::WaitForConnectEnd(*controller));
    EXPECT_EQ(IsConnected(), 1);
    EXPECT_EQ(GetTransmissionMode(), TCP);
    EXPECT_EQ(states, (std::vector<State>{State::Connecting, State::Connected}));
    EXPECT_FALSE(command(cmd::QuickConnect).enabled);
    EXPECT_TRUE(command(cmd::Disconnect).enabled);

    // Quick connect while connected: the open connection is closed first.
    states.clear();
    EXPECT_EQ(controller->Connect(false), State::Connecting);
    ASSERT_TRUE(test::WaitForConnectEnd(*controller));
    EXPECT_EQ(states, (std::vector<State>{State::Closing, State::Unconnected, State::Connecting,
                                          State::Connected}));

    states.clear();
    controller->Disconnect();
    EXPECT_EQ(states, (std::vector<State>{State::Closing, State::Unconnected}));
    EXPECT_EQ(IsConnected(), 0);
    EXPECT_TRUE(command(cmd::QuickConnect).enabled);
    EXPECT_FALSE(command(cmd::Disconnect).enabled);
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(controller->error(), ConnectionController::Error::NoError);
    EXPECT_FALSE(settings.Contains("CommSetup", "ServicePort"))
        << "only the dialog's values are stored";
}

TEST_F(ConnectionControllerTest, OneAttemptAtATimeAndF4GivesItUpQuietly) {
    test::UnansweredListener host;
    ASSERT_TRUE(host.ok()) << host.error();
    controller->SetSettings(tcpSettings(host.Port(), 30000));

    ASSERT_EQ(controller->Connect(false), State::Connecting);
    // A second connect, quick or through the dialog, does not start another.
    bool asked = false;
    controller->SetSettingsAsker([&asked](ConnectionSettings&) { return asked = true; });
    EXPECT_EQ(controller->Connect(false), State::Connecting);
    EXPECT_EQ(controller->Connect(true), State::Connecting);
    EXPECT_FALSE(asked) << "no dialog while a connect waits";
    EXPECT_EQ(states, std::vector<State>{State::Connecting});

    controller->Disconnect();
    EXPECT_EQ(controller->state(), State::Unconnected);
    EXPECT_EQ(IsConnected(), 0);
    EXPECT_EQ(TcpConnectingSocket(), -1) << "the socket of the attempt is closed";
    QTest::qWait(50);  // a late notification of the dropped socket changes nothing
    EXPECT_EQ(controller->state(), State::Unconnected);
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}

TEST_F(ConnectionControllerTest, NothingStartsOrStopsWhileClosing) {
    std::string error;
    auto peer = test::PeerProcess::LibModbus(test::PeerProcess::Mode::Tcp, "", error);
    ASSERT_NE(peer, nullptr) << error;
    controller->SetSettings(tcpSettings(peer->Port()));
    controller->Connect(false);
    ASSERT_TRUE(test::WaitForConnectEnd(*controller));

    // Whatever a listener does when the closing begins is refused.
    State fromConnect = State::Unconnected;
    int closings = 0;
    QObject::connect(controller.get(), &ConnectionController::stateChanged, [&](State s) {
        if (s != State::Closing)
            return;
        ++closings;
        fromConnect = controller->Connect(false);
        controller->Disconnect();
    });
    states.clear();
    controller->Disconnect();
    EXPECT_EQ(fromConnect, State::Closing);
    EXPECT_EQ(closings, 1);
    EXPECT_EQ(states, (std::vector<State>{State::Closing, State::Unconnected}));
    EXPECT_EQ(IsConnected(), 0);
}

TEST_F(ConnectionControllerTest, FailedOpensEndUnconnectedWithTheirMessage) {
    struct Case {
        const char* name;
        ConnectionSettings settings;
        State returned;
        QString message;
        ConnectionController::Error error;
    };
    using Error = ConnectionController::Error;
    ASSERT_EQ(SetSerialDevice(9, "/nonexistent/zq-tty9"), 1);
    const Case cases[] = {
        {"refused", tcpSettings(test::RefusingPort()), State::Connecting,
         QString("Modbus/TCP 连接失败：连接错误 %1").arg(ECONNREFUSED), Error::ConnectionError},
        {"no address",
         [] {
             auto s = tcpSettings(502);
             s.IPAddress = "999.1.1.1";
             return s;
         }(),
         State::Unconnected, "Modbus/TCP 连接失败：IP 地址无效", Error::ConfigurationError},
        {"no serial device",
         [] {
             ConnectionSettings s;
             s.Port = 8;
             return s;
         }(),
         State::Unconnected, "端口 9 不可用", Error::ConnectionError},
        {"hand-edited port", tcpSettings(70000), State::Unconnected,
         "Modbus/TCP 连接失败：端口 70000 无效", Error::ConfigurationError},
    };
    std::vector<Error> errors;
    QObject::connect(controller.get(), &ConnectionController::errorOccurred,
                     [&](Error e) { errors.push_back(e); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        failures.clear();
        errors.clear();
        controller->SetSettings(c.settings);
        EXPECT_EQ(controller->Connect(false), c.returned);
        EXPECT_FALSE(test::WaitForConnectEnd(*controller));
        ASSERT_EQ(failures.size(), 1);
        EXPECT_TRUE(failures[0].startsWith(c.message)) << failures[0].toStdString();
        EXPECT_EQ(errors, std::vector<Error>{c.error});
        EXPECT_EQ(controller->error(), c.error);
        EXPECT_EQ(controller->errorString(), failures[0]);
        EXPECT_EQ(IsConnected(), 0);
        EXPECT_TRUE(command(cmd::QuickConnect).enabled);
    }
    SetSerialDevice(9, "");  // the usual device again
    // A dialog that is cancelled changes nothing and starts nothing.
    controller->SetSettingsAsker([](ConnectionSettings& s) {
        s.ServicePort = 1;
        return false;
    });
    EXPECT_EQ(controller->Connect(true), State::Unconnected);
    EXPECT_EQ(controller->Settings().ServicePort, 70000);
    EXPECT_EQ(failures.size(), 1);
}

TEST_F(ConnectionControllerTest, ScannerTrialsLeaveTheUserSettingsUntilOneIsApplied) {
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok()) << pty.error();
    SetSerialDevice(1, pty.slavePath().c_str());
    ConnectionSettings user;  // port 1, 9600, 8 bits, even parity, one stop bit
    controller->SetSettings(user);
    ASSERT_EQ(controller->Connect(false), State::Connected);
    ConnectionSettings trial = user;
    trial.BaudRate = 4;  // 19200
    trial.Parity = 1;    // odd
    trial.StopBits = 1;  // two

    using test::LineFraming;
    struct Step {
        const char* name;
        std::function<int()> operation;
        LineFraming line;
        int settingsBaud;  // the user's BaudRate afterwards, in memory and stored
    };
    const Step steps[] = {
        {"trial", [&] { return controller->OpenSerialTrial(trial); }, {B19200, 'O', 2}, 2},
        {"back to the user's", [&] { return controller->ReopenSerial(); }, {B9600, 'E', 1}, 2},
        {"applied", [&] { return controller->ApplySerial(trial); }, {B19200, 'O', 2}, 4},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(step.operation(), 0);
        EXPECT_EQ(test::ReadFraming(pty.slaveFd()), step.line);
        EXPECT_EQ(controller->state(), State::Connected);
        EXPECT_EQ(controller->Settings().BaudRate, step.settingsBaud);
        EXPECT_EQ(ConnectionSettingsStore::Read(settings, nullptr).BaudRate, step.settingsBaud);
    }
    EXPECT_EQ(controller->Settings().Parity, 1);
    EXPECT_EQ(controller->Settings().StopBits, 1);
    EXPECT_TRUE(failures.isEmpty());
    // Not on a TCP connection.
    controller->Disconnect();
    EXPECT_EQ(controller->OpenSerialTrial(trial), status::NoConnection);
}

// ---- in the program ---------------------------------------------------------------------------

class HangingConnectTest : public AppTestBase {
protected:
    ~HangingConnectTest() override { app.reset(); }
    std::unique_ptr<CZentiqApp> app;
};

// A host that does not answer: the windows keep running while the connect
// waits for its time-out, and the outcome is the one it always was.
TEST_F(HangingConnectTest, TheEventLoopRunsWhileAConnectWaitsForItsTimeout) {
    test::UnansweredListener host;
    ASSERT_TRUE(host.ok()) << host.error();
    auto s = store();
    s->SetInt("CommSetup", "Serial", 1);
    s->SetString("CommSetup", "IPAddress", "127.0.0.1");
    s->SetInt("CommSetup", "ServicePort", host.Port());
    s->SetInt("CommSetup", "ConnectionTimeout", kHangingTimeoutMs);
    s->Sync();
    app = std::make_unique<CZentiqApp>();
    ASSERT_TRUE(app->InitInstance({"--automation"}));
    CMainFrame* frame = app->MainFrame();

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);
    ASSERT_TRUE(frame->ExecuteCommand(cmd::QuickConnect));
    const int ticksWhenCommandReturned = ticks;
    EXPECT_FALSE(frame->QueryCommand(cmd::QuickConnect).enabled) << "no second connect meanwhile";
    EXPECT_FALSE(frame->QueryCommand(cmd::Connect).enabled);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !recorder.messages.empty(); }, 10 * kHangingTimeoutMs));
    const int ticksWhileConnecting = ticks - ticksWhenCommandReturned;

    EXPECT_GE(ticksWhileConnecting, 10) << "the timer was starved while the connect waited";
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].title, "Connection");
    EXPECT_EQ(recorder.messages[0].text, "Modbus/TCP 连接失败：连接超时");
    EXPECT_EQ(app->Connection().error(), ConnectionController::Error::TimeoutError);
    EXPECT_FALSE(app->Connection().IsConnected());
    EXPECT_EQ(IsConnected(), 0);
    EXPECT_TRUE(frame->QueryCommand(cmd::QuickConnect).enabled);
    EXPECT_FALSE(frame->QueryCommand(cmd::Disconnect).enabled);
}

}  // namespace
}  // namespace zentiq
