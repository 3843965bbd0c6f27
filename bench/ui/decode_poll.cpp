// Cost of the decode assistant, offscreen, against the libmodbus TCP slave
// on 127.0.0.1: one poll window of 125 holding registers polled as fast as
// the engine can (scan rate 0, no delay between polls), first alone, then
// with the assistant open on all 125 registers and an expected value typed
// (so every refresh also ranks the readings). Every result changes every
// register (a counter is added to the slave's registers before the
// assistant takes them), so no refresh is skipped as unchanged. Printed:
// GUI-thread CPU share and polls per second of both runs, in the same run,
// and the points of a core the assistant adds.
//
//   bench_decode_poll [seconds per run, default 10]
#include <QApplication>
#include <QTableView>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "display/decode_table_model.h"
#include "display/decode_window.h"
#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "grid/grid_ctrl.h"

#include "ui_bench_common.h"
#include "bench_goal.h"

namespace {

using namespace zentiq;
using Clock = std::chrono::steady_clock;
using zentiq::bench::runEventLoop;
using zentiq::bench::threadCpuSeconds;

constexpr int kRegisters = 125;

struct Run {
    double guiShare = 0;
    double pollsPerSecond = 0;
};

Run measure(zentiq::bench::BenchWindow& w, double seconds) {
    const quint32 polls0 = w.doc->Model().txCount;
    const double cpu0 = threadCpuSeconds();
    const auto t0 = Clock::now();
    runEventLoop(int(seconds * 1000));
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    return {(threadCpuSeconds() - cpu0) / elapsed, double(w.doc->Model().txCount - polls0) / elapsed};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double seconds = argc > 1 ? std::max(2.0, std::atof(argv[1])) : 10.0;
    QApplication app(argc, argv);
    zentiq::bench::TcpBenchSession session(true);
    if (!session.ok())
        return 1;

    zentiq::bench::BenchWindow w(kRegisters, 0, true, 800, 300);
    runEventLoop(500);  // warm up
    const Run alone = measure(w, seconds);

    w.doc->Grid()->model().selectAll();
    DecodeWindow* decode = w.view->OpenDecodeWindow();
    if (decode == nullptr || decode->Table().columnCount() != kRegisters) {
        std::fprintf(stderr, "the assistant did not take %d registers\n", kRegisters);
        return 1;
    }
    // The slave's registers as the engine holds them, changed on every take.
    std::uint16_t tick = 0;
    int refreshes = 0;
    decode->SetWordSource([&]() -> std::optional<std::vector<std::uint16_t>> {
        std::array<std::uint16_t, kDataSize / 2> registers{};
        ReadRegisters(w.doc->Model().slotIndex, registers.data());
        ++tick;
        ++refreshes;
        std::vector<std::uint16_t> words(registers.begin(), registers.begin() + kRegisters);
        for (std::uint16_t& word : words)
            word = std::uint16_t(word + tick);
        return words;
    });
    decode->SetExpectation(QStringLiteral("230.5"));
    decode->resize(1200, 800);
    decode->show();
    runEventLoop(500);
    refreshes = 0;
    const Run with = measure(w, seconds);
    const int takes = refreshes;

    // One refresh by itself, and the repainting of the table it causes, as
    // the timer does it at most every DecodeWindow::kRefreshMs.
    constexpr int kRefreshes = 20;
    double refreshMs = 0, paintMs = 0;
    for (int i = 0; i < kRefreshes; ++i) {
        const auto t0 = Clock::now();
        decode->Refresh();
        const auto t1 = Clock::now();
        decode->TableView()->viewport()->repaint();
        refreshMs += std::chrono::duration<double, std::milli>(t1 - t0).count();
        paintMs += std::chrono::duration<double, std::milli>(Clock::now() - t1).count();
    }
    refreshMs /= kRefreshes;
    paintMs /= kRefreshes;

    std::printf("decode assistant on %d registers, scan rate 0, every register changing on each take,\n"
                "expected value typed (ranking on every refresh, at most one per %d ms):\n",
                kRegisters, DecodeWindow::kRefreshMs);
    std::printf("  poll window alone:        GUI thread %5.1f %%   %7.0f polls/s\n", 100 * alone.guiShare,
                alone.pollsPerSecond);
    std::printf("  with the assistant open:  GUI thread %5.1f %%   %7.0f polls/s   (%.1f refreshes/s)\n",
                100 * with.guiShare, with.pollsPerSecond, takes / seconds);
    std::printf("  added by the assistant:   %+.1f points of a core (goal: under 5)\n",
                100 * (with.guiShare - alone.guiShare));
    std::printf("  one refresh:              %.2f ms taking and ranking, %.2f ms painting the table\n", refreshMs,
                paintMs);
    ::bench::PrintGoal("decode_window_points", 100 * (with.guiShare - alone.guiShare), ::bench::Better::Lower, 5.0,
                     "points");
    return 0;
}
