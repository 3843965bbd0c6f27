// The headless logger's footprint beside the windowed program, in the same
// run: each polls the same 32 documents (10 holding registers, scan rate
// 1 ms, no delay between polls: as fast as the line allows) from a
// libmodbus TCP slave of its own on 127.0.0.1. The windowed program runs
// offscreen with its 32 poll windows; the headless one logs each document
// once a second (a line per poll would measure the disk, not the program).
// Measured one after the other, twice each (windowed, headless, headless,
// windowed), each after a warm-up: processor share (user + system time over
// wall time), resident memory, the polls per second the slave answered and
// the processor time per poll, and, for the headless run, the transactions
// per second its status lines count.
//
//   bench_headless_footprint [seconds per program, default 10]
//
// Goals: resident memory under half of the windowed program's, processor
// time per poll below it. `zentiq --headless` runs as zentiq-headless, which loads
// Qt's core library only.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/workspace_file.h"
#include "bench_goal.h"
#include "documents/grid_layout_data.h"
#include "documents/poll_document_model.h"
#include "documents/stored_log.h"
#include "documents/zqd_file.h"
#include "framework/settings_store.h"
#include "support/peer_process.h"

namespace {

using namespace zentiq;
using Clock = std::chrono::steady_clock;
namespace process = test::process;

constexpr int kDocuments = 32;
constexpr int kRegisters = 10;
constexpr int kWarmUpSeconds = 3;
constexpr int kRounds = 2;

struct Sample {
    double cpuSeconds = 0;
    long rssKb = 0;
};

// utime + stime of /proc/PID/stat, VmRSS of /proc/PID/status.
Sample sample(pid_t pid) {
    Sample s;
    const std::string dir = "/proc/" + std::to_string(pid);
    std::ifstream stat(dir + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close != std::string::npos) {
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14)
                utime = std::stoull(field);
            if (i == 15)
                stime = std::stoull(field);
        }
        s.cpuSeconds = double(utime + stime) / double(::sysconf(_SC_CLK_TCK));
    }
    std::ifstream status(dir + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            s.rssKb = std::atol(line.c_str() + 6);
    return s;
}

// The transactions of every document in the last status line ("Tx = n"
// per document), -1 before the first.
long long statusTransactions(const std::string& errPath) {
    const std::string text = process::ReadTail(errPath, 100000);
    const std::size_t end = text.rfind("Tx = ");
    if (end == std::string::npos)
        return -1;
    const std::size_t begin = text.rfind('\n', end);
    std::istringstream line(text.substr(begin == std::string::npos ? 0 : begin + 1));
    long long total = 0;
    std::string previous, equals, count;
    for (std::string word; line >> word; previous = word)
        if (previous == "Tx" && word == "=" && line >> count)
            total += std::atoll(count.c_str());
    return total;
}

struct Figures {
    double cpuShare = 0;
    long rssKb = 0;
    double requestsPerSecond = 0;
    double pollsPerSecond = 0;  // as the slave counts them
    double cpuMicrosPerPoll = 0;
    bool ok = false;
};

// Starts the program, lets it warm up, measures for `seconds`, ends it.
Figures measure(const std::vector<std::string>& argv, test::PeerProcess& slave, bool counts,
                int seconds) {
    Figures f;
    std::string error;
    const std::string errPath = process::UniqueTmpName("footprint-stderr");
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = process::Spawn(argv, -1, -1, err, error);
    ::close(err);
    if (pid <= 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", argv[0].c_str(), error.c_str());
        return f;
    }
    std::this_thread::sleep_for(std::chrono::seconds(kWarmUpSeconds));
    const Sample a = sample(pid);
    const long long servedA = slave.Served();
    const long long txA = counts ? statusTransactions(errPath) : 0;
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const Sample b = sample(pid);
    const long long servedB = slave.Served();
    const long long txB = counts ? statusTransactions(errPath) : 0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const bool running = ::waitpid(pid, nullptr, WNOHANG) == 0;
    process::Stop(pid, std::chrono::milliseconds(0));
    if (!running || b.rssKb == 0) {
        std::fprintf(stderr, "%s ended early:\n%s\n", argv[0].c_str(), process::ReadTail(errPath).c_str());
        return f;
    }
    f.cpuShare = (b.cpuSeconds - a.cpuSeconds) / wall;
    f.rssKb = b.rssKb;
    f.requestsPerSecond = double(txB - txA) / wall;
    if (servedA < 0 || servedB <= servedA) {
        std::fprintf(stderr, "%s: the slave did not report its requests\n", argv[0].c_str());
        return f;
    }
    f.pollsPerSecond = double(servedB - servedA) / wall;
    f.cpuMicrosPerPoll = (b.cpuSeconds - a.cpuSeconds) * 1e6 / double(servedB - servedA);
    f.ok = !counts || (txA >= 0 && txB > txA);
    if (!f.ok) {
        std::fprintf(stderr, "%s polled nothing:\n%s\n", argv.back().c_str(), process::ReadTail(errPath).c_str());
        return f;
    }
    ::unlink(errPath.c_str());
    return f;
}

bool writeWorkspace(const QString& path, int port, const QStringList& documents) {
    WorkspaceFile::Contents contents;
    contents.settings.Serial = 1;
    contents.settings.IPAddress = "127.0.0.1";
    contents.settings.ServicePort = port;
    contents.settings.DelayBetweenPolls = 0;
    contents.connected = true;  // the windowed program connects at start-up
    // The windowed program opens a workspace only with a main frame it can place.
    WindowPlacement frame;
    frame.showCmd = 1;
    frame.right = 1280;
    frame.bottom = 900;
    contents.mainFrame = frame;
    frame.right = 400;
    frame.bottom = 300;
    for (const QString& doc : documents)
        contents.documents.append({frame, doc});
    return WorkspaceFile::Save(path, contents) == WorkspaceFile::Status::Ok;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QTemporaryDir dir;
    QStringList documents;
    for (int i = 0; i < kDocuments; ++i) {
        PollDocumentModel model;
        model.def.FunctionValue = 3;
        model.def.Address = i * kRegisters;
        model.def.Length = kRegisters;
        model.def.ScanRate = 1;
        model.ComputeGridSize();
        const QString name = QStringLiteral("doc%1.zqd").arg(i + 1);
        if (!ZqdFile::Save(dir.filePath(name), model, GridLayoutData()).ok()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
        documents << name;
    }
    {
        // The log options --log-dir takes for each document: one line a second.
        QDir().mkpath(dir.filePath(QStringLiteral("headless-settings/Zentiq")));
        SettingsStore store(dir.filePath(QStringLiteral("headless-settings/Zentiq/Zentiq.ini")));
        StoredLog::Record record;
        record.options.mode = DataLogger::AtInterval;
        record.options.interval = 1;
        for (const QString& name : documents) {
            record.file = dir.filePath(name + QStringLiteral(".txt"));
            StoredLog::Remember(store, dir.filePath(name), record);
        }
    }
    std::string error;
    auto guiPeer = test::PeerProcess::LibModbus(test::PeerProcess::Mode::Tcp, "", error);
    auto headlessPeer = guiPeer ? test::PeerProcess::LibModbus(test::PeerProcess::Mode::Tcp, "", error) : nullptr;
    if (!guiPeer || !headlessPeer) {
        std::fprintf(stderr, "no libmodbus slave: %s\n", error.c_str());
        return 1;
    }
    if (!writeWorkspace(dir.filePath("gui.zqw"), guiPeer->Port(), documents) ||
        !writeWorkspace(dir.filePath("headless.zqw"), headlessPeer->Port(), documents)) {
        std::fprintf(stderr, "cannot write the workspaces\n");
        return 1;
    }
    const std::string program = test::PeerProcess::BinaryDir() + "/src/zentiq";
    const std::string d = dir.path().toStdString();
    const std::vector<std::string> guiArgs{"/usr/bin/env", "-u", "DBUS_SESSION_BUS_ADDRESS",
                                           "QT_QPA_PLATFORM=offscreen", "XDG_DATA_HOME=" + d + "/data",
                                           program, "--settings-dir", d + "/gui-settings", d + "/gui.zqw"};
    const QString logs = dir.filePath("logs");
    const std::vector<std::string> headlessArgs{
        "/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
        "ZENTIQ_HEADLESS_STATUS_SECONDS=1", program, "--settings-dir", d + "/headless-settings",
        "--headless", d + "/headless.zqw", "--log-dir", logs.toStdString()};
    // Two rounds each, windowed-headless-headless-windowed, so that a load
    // that rises or falls on the shared machine weighs on both alike.
    Figures gui, headless;
    gui.ok = headless.ok = true;
    const auto add = [](Figures& sum, const Figures& round) {
        sum.ok = sum.ok && round.ok;
        sum.cpuShare += round.cpuShare / kRounds;
        sum.requestsPerSecond += round.requestsPerSecond / kRounds;
        sum.pollsPerSecond += round.pollsPerSecond / kRounds;
        sum.cpuMicrosPerPoll += round.cpuMicrosPerPoll / kRounds;
        sum.rssKb = std::max(sum.rssKb, round.rssKb);
    };
    for (int round = 0; round < kRounds; ++round) {
        const bool guiFirst = round % 2 == 0;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == guiFirst)
                add(gui, measure(guiArgs, *guiPeer, false, seconds));
            else
                add(headless, measure(headlessArgs, *headlessPeer, true, seconds));
        }
    }
    if (!gui.ok || !headless.ok)
        return 1;
    std::printf("32 documents polled flat out from the libmodbus TCP slave, %d rounds of %d s each after %d s "
                "warm-up (largest RSS, mean processor share; polls as the slave counts them)\n",
                kRounds, seconds, kWarmUpSeconds);
    std::printf("%-28s %10s %10s %10s %14s %14s\n", "", "processor", "RSS (MB)", "polls/s", "us per poll",
                "logged tx/s");
    std::printf("%-28s %9.1f%% %10.1f %10.0f %14.2f %14s\n", "windowed (offscreen)", 100 * gui.cpuShare,
                gui.rssKb / 1024.0, gui.pollsPerSecond, gui.cpuMicrosPerPoll, "-");
    std::printf("%-28s %9.1f%% %10.1f %10.0f %14.2f %14.0f\n", "headless (logging)", 100 * headless.cpuShare,
                headless.rssKb / 1024.0, headless.pollsPerSecond, headless.cpuMicrosPerPoll,
                headless.requestsPerSecond);
    const double rssRatio = double(headless.rssKb) / double(gui.rssKb);
    const double shareRatio = gui.cpuShare > 0 ? headless.cpuShare / gui.cpuShare : 0;
    // Both programs poll as fast as the line allows, and on TCP the worker
    // looks for a fast peer's answers instead of sleeping: each takes the
    // processor it can get, so the shares tell little; the time per poll
    // says which program is lighter.
    const double cpuRatio =
        gui.cpuMicrosPerPoll > 0 ? headless.cpuMicrosPerPoll / gui.cpuMicrosPerPoll : 0;
    std::printf("headless / windowed: RSS %.2f (goal < 0.5), processor per poll %.2f (goal < 1), "
                "processor share %.2f\n",
                rssRatio, cpuRatio, shareRatio);
    bench::PrintGoal("headless_rss_ratio", rssRatio, bench::Better::Lower, 0.5);
    bench::PrintGoal("headless_cpu_per_poll_ratio", cpuRatio, bench::Better::Lower, 1.0);
    return 0;
}
