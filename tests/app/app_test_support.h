// Shared by the application and frame tests: a QApplication on the offscreen
// platform, a settings store of each test's own, and a recorder that stands
// in for the user (boxes, questions, file choosers, modal dialogs).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "framework/settings_store.h"
#include "app/connection_controller.h"
#include "app/document_manager.h"
#include "app/workspace_controller.h"
#include "app/zentiq_app.h"
#include "engine/engine.h"
#include "support/qt_test_app.h"
#include "support/recording_interaction.h"

namespace zentiq::test {

// Waits (at most 10 s) until a connect under way has ended; whether the
// connection is open then.
inline bool WaitForConnectEnd(ConnectionController& connection) {
    return QTest::qWaitFor([&] { return connection.state() != ConnectionController::State::Connecting; }, 10000) &&
           connection.IsConnected();
}

// Connects the way the commands do and waits for the outcome.
inline bool ConnectNow(CZentiqApp& app, bool withDialog) {
    app.Connection().Connect(withDialog);
    return WaitForConnectEnd(app.Connection());
}

// Modbus/TCP to `address`:`port` with a 1 s answer and a 3 s connect timeout.
inline ConnectionSettings TcpTo(int port, const char* address = "127.0.0.1") {
    ConnectionSettings s;
    s.Serial = 1;
    s.IPAddress = address;
    s.ServicePort = port;
    s.Timeout = 1000;
    s.ConnectionTimeout = 3000;
    return s;
}

// A loopback port nobody listens on: a connect there is refused at once.
inline int RefusingPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// How many lines of the file at `path` contain `needle`.
inline int CountLines(const std::string& path, const std::string& needle) {
    std::ifstream in(path);
    std::string line;
    int count = 0;
    while (std::getline(in, line))
        count += line.find(needle) != std::string::npos;
    return count;
}

inline void ensureApp() { zentiq::testing::EnsureQApplication().setQuitOnLastWindowClosed(false); }

// A test with a settings store of its own (the program's default location is
// redirected into a temporary folder) and message boxes recorded.
class AppTestBase : public ::testing::Test {
protected:
    AppTestBase() {
        ensureApp();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }
    ~AppTestBase() override {
        for (int n = 1; n <= 64; ++n)
            SetSerialDevice(n, "");  // every port back to its default device
    }

    // A store on the same file the program uses.
    std::unique_ptr<SettingsStore> store() const { return std::make_unique<SettingsStore>(); }
    QString dirPath() const { return m_dir.path(); }

    QTemporaryDir m_dir;
    testing::RecordingInteraction recorder;
};

}  // namespace zentiq::test
