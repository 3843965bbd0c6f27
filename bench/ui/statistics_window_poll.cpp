// GUI-thread cost of the bus statistics window, offscreen, against the
// libmodbus TCP slave on 127.0.0.1: 32 poll windows of 10 holding registers
// poll as fast as the engine can (scan rate 1 ms, no delay between polls),
// without the statistics window and with it open, in turn, for several
// rounds. For each run: polls per second and the GUI thread's share of a
// core; the window's own share is the difference (goal: at most 5 points).
// Beside it, one refresh of the window with its 32 rows timed alone.
//
//   bench_statistics_window_poll [seconds per run, default 3] [rounds, default 5]
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "display/bus_statistics_window.h"
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
};

BusStatisticsWindow::RequestSource Source(std::vector<std::unique_ptr<Window>>& windows) {
    return [&windows] {
        std::vector<PollWindowRequest> requests;
        for (const auto& w : windows)
            requests.push_back(BusStatisticsWindow::RequestOf(*w->doc, DefaultLine()));
        return requests;
    };
}

Run run(std::vector<std::unique_ptr<Window>>& windows, double seconds, bool withStatistics) {
    BusStatisticsWindow* statistics = nullptr;
    if (withStatistics) {
        statistics = new BusStatisticsWindow(DefaultLine(), Source(windows), nullptr);
        statistics->show();
    }
    LineTiming line0;
    GetLineTiming(&line0);
    StartPolling();
    for (const auto& w : windows)
        SetPollMode(w->doc->Model().slotIndex, Continuous);
    const double cpu0 = threadCpuSeconds();
    const auto t0 = Clock::now();
    runEventLoop(int(seconds * 1000));
    StopPolling();
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    const double cpu = threadCpuSeconds() - cpu0;
    LineTiming line1;
    GetLineTiming(&line1);
    for (const auto& w : windows)
        SetPollMode(w->doc->Model().slotIndex, Stopped);
    delete statistics;
    Run r;
    r.pollsPerSecond = double(line1.transactions - line0.transactions) / elapsed;
    r.guiShare = 100.0 * cpu / elapsed;
    return r;
}

// One refresh with every row filled: the engine's figures of 32 slots and
// the table's texts. Median of many, which a busy machine disturbs little.
double refreshMicros(std::vector<std::unique_ptr<Window>>& windows) {
    BusStatisticsWindow statistics(DefaultLine(), Source(windows), nullptr);
    statistics.show();
    std::vector<double> times;
    for (int i = 0; i < 2000; ++i) {
        const auto t0 = Clock::now();
        statistics.Refresh();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        if (i % 50 == 0)
            QCoreApplication::processEvents();  // its painting
    }
    std::nth_element(times.begin(), times.begin() + long(times.size() / 2), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 3.0;
    const int rounds = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 20) : 5;
    QApplication app(argc, argv);
    zentiq::bench::TcpBenchSession session(false);
    if (!session.ok())
        return 1;

    std::vector<std::unique_ptr<Window>> windows;
    for (int i = 0; i < kWindows; ++i)
        windows.push_back(std::make_unique<Window>());
    runEventLoop(200);

    std::printf(
        "%d windows x %d registers, scan rate 1 ms, no delay between polls, %.1f s per run\n"
        "(goal: the statistics window adds at most 5 points of a core to the GUI thread)\n",
        kWindows, kRegisters, seconds);
    std::vector<double> added, ratios;
    for (int round = 1; round <= rounds; ++round) {
        Run a, b;
        if (round % 2 == 1) {
            a = run(windows, seconds, false);
            b = run(windows, seconds, true);
        } else {
            b = run(windows, seconds, true);
            a = run(windows, seconds, false);
        }
        std::printf(
            " round %d: without polls/s %8.0f GUI %5.1f %%   with polls/s %8.0f GUI %5.1f %%"
            "   added %+5.1f points\n",
            round, a.pollsPerSecond, a.guiShare, b.pollsPerSecond, b.guiShare,
            b.guiShare - a.guiShare);
        added.push_back(b.guiShare - a.guiShare);
        ratios.push_back(b.pollsPerSecond / std::max(a.pollsPerSecond, 1.0));
    }
    std::sort(added.begin(), added.end());
    std::sort(ratios.begin(), ratios.end());
    const double refresh = refreshMicros(windows);
    std::printf(
        " median added GUI share: %+.2f points of a core (rounds from %+.1f to %+.1f);"
        " poll rate with the window %.1f %% of without\n"
        " one refresh of %d rows: median %.1f us, every %d ms = %.3f %% of a core\n",
        added[added.size() / 2], added.front(), added.back(), 100 * ratios[ratios.size() / 2],
        kWindows, refresh, BusStatisticsWindow::kRefreshMs,
        refresh / (10.0 * BusStatisticsWindow::kRefreshMs));
    ::bench::PrintGoal("statistics_window_points", added[added.size() / 2], ::bench::Better::Lower,
                       5.0, "points");
    windows.clear();
    return 0;
}
