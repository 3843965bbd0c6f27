// What the window benchmarks share: an event loop that runs for a while,
// the GUI thread's CPU time, and the engine connected to the libmodbus TCP
// slave on 127.0.0.1 with the settings store kept out of the user's folder.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "framework/settings_store.h"
#include "framework/window_registry.h"
#include "support/peer_process.h"

namespace zentiq::bench {

// Runs the event loop for ms milliseconds without spinning.
inline void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A poll window of holding registers from address 0, shown offscreen.
struct BenchWindow {
    std::unique_ptr<CZentiqDoc> doc;
    CZentiqView* view = nullptr;

    BenchWindow(int registers, int scanRate, bool enable, int width, int height) {
        doc = std::make_unique<CZentiqDoc>();
        doc->OnNewDocument();
        PollDefinition& d = doc->Model().def;
        d.FunctionValue = 3;
        d.Address = 0;
        d.Length = registers;
        d.ScanRate = scanRate;
        d.SlaveID = 1;
        d.bEnable = enable ? 1 : 0;
        doc->ComputeGridSize();
        view = new CZentiqView(doc.get(), nullptr);
        view->resize(width, height);
        view->show();
    }
    ~BenchWindow() {
        delete view;
        doc.reset();
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;
};

// The slave, the connection (no delay between polls) and a settings store
// of the run's own, for the life of the object.
class TcpBenchSession {
public:
    explicit TcpBenchSession(bool startPolling) {
        SettingsStore::setFilePathOverride(m_settingsDir.filePath(QStringLiteral("Zentiq.ini")));
        std::string error;
        m_peer = test::PeerProcess::LibModbus(test::PeerProcess::Mode::Tcp, "", error);
        if (!m_peer) {
            std::fprintf(stderr, "no libmodbus slave: %s\n", error.c_str());
            return;
        }
        InitEngine();
        InstallEnginePoster();
        SetPollDelay(0);
        if (OpenTcpConnection("127.0.0.1", m_peer->Port(), 1000, 3000) != 0) {
            std::fprintf(stderr, "cannot connect to 127.0.0.1:%u (errno %d)\n", unsigned(m_peer->Port()),
                         LastSocketError());
            return;
        }
        SetTransmissionMode(TCP);
        m_ok = !startPolling || StartPolling() == 1;
    }
    ~TcpBenchSession() {
        StopPolling();
        CloseTcpConnection();
        SettingsStore::setFilePathOverride(QString());
    }
    TcpBenchSession(const TcpBenchSession&) = delete;
    TcpBenchSession& operator=(const TcpBenchSession&) = delete;

    bool ok() const { return m_ok; }

private:
    QTemporaryDir m_settingsDir;
    std::unique_ptr<test::PeerProcess> m_peer;
    bool m_ok = false;
};

}  // namespace zentiq::bench
