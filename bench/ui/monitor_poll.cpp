// GUI-thread cost of the traffic monitor, offscreen, against the libmodbus
// TCP slave on 127.0.0.1: 32 poll windows of 10 holding registers poll as
// fast as the engine can (scan rate 1 ms, no delay between polls), without
// the monitor and with it open, in turn, for several rounds (on a shared
// machine single runs vary a lot; the median of the rounds' ratios is the
// figure). For each run: polls per second in total, the GUI thread's share
// of a core, and, with the monitor, whether every transaction got its Tx and
// Rx lines.
//
// Each run starts with the slots switched on after the monitor is open and
// ends with the worker stopped and every posted result handled, so that the
// engine's transaction counts and the monitor's line numbers cover exactly
// the same transactions.
//
//   bench_monitor_poll [seconds per run, default 3] [rounds, default 5]
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "display/communication.h"
#include "framework/traffic_lines.h"
#include "framework/traffic_table_view.h"
#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "ui_bench_common.h"
#include "bench_goal.h"

namespace {

using namespace zentiq;
using Clock = std::chrono::steady_clock;
using zentiq::bench::runEventLoop;
using zentiq::bench::threadCpuSeconds;

constexpr int kWindows = 32;
constexpr int kRegisters = 10;

// Switched on when a run begins.
struct Window : zentiq::bench::BenchWindow {
    Window() : BenchWindow(kRegisters, 1, false, 600, 240) {}
};

struct Run {
    double pollsPerSecond = 0;
    double guiShare = 0;
    double guiUsPerPoll = 0;
    unsigned long long transactions = 0;
    unsigned long long lines = 0;
    int shownRows = 0;
};

Run run(std::vector<std::unique_ptr<Window>>& windows, double seconds, bool withMonitor) {
    CCommunication* monitor = nullptr;
    if (withMonitor) {
        monitor = new CCommunication(DefaultLine());
        monitor->resize(620, 360);
        monitor->show();
    }
    std::vector<std::uint32_t> tx0;
    for (const auto& w : windows) {
        std::uint32_t tx = 0, ok = 0;
        GetSlotCounters(w->doc->Model().slotIndex, &tx, &ok);
        tx0.push_back(tx);
    }
    const unsigned lines0 = TrafficLines::MonitorCounter();
    StartPolling();
    for (const auto& w : windows)
        SetPollMode(w->doc->Model().slotIndex, Continuous);
    const double cpu0 = threadCpuSeconds();
    const auto t0 = Clock::now();
    runEventLoop(int(seconds * 1000));
    StopPolling();  // no transaction after this
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    // Every result posted so far is handled before the counts are compared.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    const double cpu = threadCpuSeconds() - cpu0;
    Run r;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        std::uint32_t tx = 0, ok = 0;
        GetSlotCounters(windows[i]->doc->Model().slotIndex, &tx, &ok);
        r.transactions += tx - tx0[i];
        SetPollMode(windows[i]->doc->Model().slotIndex, Stopped);
    }
    r.lines = TrafficLines::MonitorCounter() - lines0;
    r.pollsPerSecond = double(r.transactions) / elapsed;
    r.guiShare = 100.0 * cpu / elapsed;
    r.guiUsPerPoll = r.transactions ? 1e6 * cpu / double(r.transactions) : 0.0;
    if (monitor) {
        monitor->List()->Flush();
        r.shownRows = monitor->List()->model()->rowCount();
        delete monitor;
    }
    return r;
}

// The monitor's handler alone for one transaction of a window's slot (its
// captures as the last poll left them), beside the floor of fetching the two
// captures: medians of many calls, which a busy machine disturbs little.
void perResult(std::vector<std::unique_ptr<Window>>& windows) {
    const int slot = windows.front()->doc->Model().slotIndex;
    StartPolling();
    SetPollMode(slot, Once);
    for (int i = 0; i < 200 && GetResponseCapture(slot, nullptr) <= 0; ++i)
        runEventLoop(5);
    StopPolling();
    QCoreApplication::sendPostedEvents();
    CCommunication monitor(zentiq::DefaultLine());
    monitor.show();
    constexpr int kCalls = 20000;
    std::vector<double> handler, floor;
    std::uint8_t buffer[kRequestCaptureSize];
    for (int i = 0; i < kCalls; ++i) {
        auto t0 = Clock::now();
        GetRequestCapture(slot, buffer);
        GetResponseCapture(slot, buffer);
        auto t1 = Clock::now();
        monitor.OnPollResult(status::Ok, slot);
        auto t2 = Clock::now();
        floor.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        handler.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
        if (i % 100 == 0)
            QCoreApplication::processEvents();  // the list's refresh and painting
    }
    const auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    const double h = median(handler), f = median(floor);
    std::printf(
        "one transaction in the monitor (Tx and Rx line of %d registers), GUI thread:\n"
        "  handler median %.2f us, fetching the two captures alone %.2f us (%.1fx);"
        " at 20000 transactions/s that is %.1f %% of a core\n",
        kRegisters, h, f, h / std::max(f, 1e-3), h * 20000 / 1e4);
}

void print(const char* what, const Run& r, const Run* without) {
    std::printf("  %-16s polls/s %8.0f", what, r.pollsPerSecond);
    if (without)
        std::printf(" (%5.1f %% of the run without)",
                    100.0 * r.pollsPerSecond / std::max(without->pollsPerSecond, 1.0));
    std::printf("  GUI %5.1f %% of a core, %6.2f us per poll", r.guiShare, r.guiUsPerPoll);
    if (without)
        std::printf("  lines %llu for %llu transactions (%s), %d shown", r.lines, r.transactions,
                    r.lines == 2 * r.transactions ? "Tx and Rx for every one" : "MISSING LINES",
                    r.shownRows);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 3.0;
    const int rounds = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 20) : 5;
    QApplication app(argc, argv);
    zentiq::bench::TcpBenchSession session(false);  // each run starts the worker itself
    if (!session.ok())
        return 1;

    std::vector<std::unique_ptr<Window>> windows;
    for (int i = 0; i < kWindows; ++i)
        windows.push_back(std::make_unique<Window>());
    runEventLoop(200);

    perResult(windows);
    std::printf(
        "%d windows x %d registers, scan rate 1 ms, no delay between polls, %.1f s per run\n"
        "(goal: GUI < 60 %% of a core with the monitor, poll rate at least 90 %% of the run "
        "without):\n",
        kWindows, kRegisters, seconds);
    std::vector<double> ratios;
    double worstShare = 0;
    bool everyLine = true;
    for (int round = 1; round <= rounds; ++round) {
        // Alternate which run goes first, so that neither always meets a
        // freshly started worker.
        Run a, b;
        if (round % 2 == 1) {
            a = run(windows, seconds, false);
            b = run(windows, seconds, true);
        } else {
            b = run(windows, seconds, true);
            a = run(windows, seconds, false);
        }
        std::printf(" round %d\n", round);
        print("without monitor", a, nullptr);
        print("with monitor", b, &a);
        ratios.push_back(b.pollsPerSecond / std::max(a.pollsPerSecond, 1.0));
        worstShare = std::max(worstShare, b.guiShare);
        everyLine = everyLine && b.lines == 2 * b.transactions;
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf(
        " median poll rate with the monitor: %.1f %% of the run without (rounds from %.1f to %.1f "
        "%%);\n"
        " highest GUI share with the monitor: %.1f %% of a core; every transaction listed: %s\n",
        100.0 * ratios[ratios.size() / 2], 100.0 * ratios.front(), 100.0 * ratios.back(),
        worstShare, everyLine ? "yes" : "NO");
    ::bench::PrintGoal("monitor_poll_rate_percent", 100.0 * ratios[ratios.size() / 2],
                       ::bench::Better::Higher, 90.0, "%");
    ::bench::PrintGoal("monitor_gui_share_max", worstShare, ::bench::Better::Lower, 60.0, "%");

    windows.clear();
    return 0;
}
