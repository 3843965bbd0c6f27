// Cost of the decode assistant, offscreen, against the libmodbus TCP slave
// on 127.0.0.1: one poll window of 125 holding registers polled as fast as
// the engine can (scan rate 0, no delay between polls), first alone, then
// with the assistant open on all 125 registers and an expected value typed
// (so every refresh also ranks the readings). Every result changes every
// register (a counter is added to the slave's registers before the
// assistant takes them), so no refresh is skipped as unchanged. The two
// runs alternate over several rounds, the assistant opened afresh for each
// run with it and closed after, so that a spell of load on a shared machine
// falls on both. Printed: GUI-thread CPU share and polls per second of both
// runs of each round, and the points of a core the assistant adds (the
// median of the rounds).
//
//   bench_decode_poll [seconds per run, default 4] [rounds, default 5]
#include <QApplication>
#include <QTableView>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

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

// Opens the assistant on all 125 registers with an expected value typed,
// reading the slave's registers as the engine holds them, changed on every
// take; counts its takes.
DecodeWindow* openAssistant(zentiq::bench::BenchWindow& w, int& takes) {
    w.doc->Grid()->model().selectAll();
    DecodeWindow* decode = w.view->OpenDecodeWindow();
    if (decode == nullptr || decode->Table().columnCount() != kRegisters) {
        std::fprintf(stderr, "the assistant did not take %d registers\n", kRegisters);
        return nullptr;
    }
    decode->SetWordSource([&w, &takes, tick = std::uint16_t(0)]() mutable -> std::optional<std::vector<std::uint16_t>> {
        std::array<std::uint16_t, kDataSize / 2> registers{};
        ReadRegisters(w.doc->Model().slotIndex, registers.data());
        ++tick;
        ++takes;
        std::vector<std::uint16_t> words(registers.begin(), registers.begin() + kRegisters);
        for (std::uint16_t& word : words)
            word = std::uint16_t(word + tick);
        return words;
    });
    decode->SetExpectation(QStringLiteral("230.5"));
    decode->resize(1200, 800);
    decode->show();
    return decode;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double seconds = argc > 1 ? std::max(2.0, std::atof(argv[1])) : 4.0;
    const int rounds = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 25) : 5;
    QApplication app(argc, argv);
    zentiq::bench::TcpBenchSession session(true);
    if (!session.ok())
        return 1;

    zentiq::bench::BenchWindow w(kRegisters, 0, true, 800, 300);
    runEventLoop(500);  // warm up

    std::printf("decode assistant on %d registers, scan rate 0, every register changing on each take,\n"
                "expected value typed (ranking on every refresh, at most one per %d ms), %.1f s per run:\n",
                kRegisters, DecodeWindow::kRefreshMs, seconds);
    std::vector<double> added;
    for (int round = 0; round < rounds; ++round) {
        Run alone, with;
        int takes = 0;
        // Which run goes first alternates, so that neither always follows the other.
        for (const bool withAssistant : {round % 2 == 1, round % 2 == 0}) {
            if (!withAssistant) {
                alone = measure(w, seconds);
                continue;
            }
            DecodeWindow* decode = openAssistant(w, takes);
            if (decode == nullptr)
                return 1;
            runEventLoop(300);
            takes = 0;
            with = measure(w, seconds);
            // Closing only hides it until an event loop at the top level
            // deletes it, and this program runs none.
            decode->close();
            delete decode;
            runEventLoop(300);
        }
        added.push_back(100 * (with.guiShare - alone.guiShare));
        std::printf(" round %d: alone GUI %5.1f %% %7.0f polls/s; with the assistant GUI %5.1f %% %7.0f polls/s "
                    "(%.1f refreshes/s); added %+.1f points\n",
                    round + 1, 100 * alone.guiShare, alone.pollsPerSecond, 100 * with.guiShare,
                    with.pollsPerSecond, takes / seconds, added.back());
    }
    const double points = median(added);
    std::printf("  added by the assistant:   %+.1f points of a core, median of %d rounds (goal: under 5)\n", points,
                rounds);

    // One refresh by itself, and the repainting of the table it causes, as
    // the timer does it at most every DecodeWindow::kRefreshMs.
    int takes = 0;
    DecodeWindow* decode = openAssistant(w, takes);
    if (decode == nullptr)
        return 1;
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
    std::printf("  one refresh:              %.2f ms taking and ranking, %.2f ms painting the table\n",
                refreshMs / kRefreshes, paintMs / kRefreshes);
    ::bench::PrintGoal("decode_window_points", points, ::bench::Better::Lower, 5.0, "points");
    return 0;
}
