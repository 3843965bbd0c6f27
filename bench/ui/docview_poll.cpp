// GUI-thread cost of poll windows, offscreen, against the libmodbus TCP
// slave on 127.0.0.1.
//
// 1. One WM_POLL_RESULT for a window of 125 holding registers: the view's
//    handler (accessor, counters, status text, formatting, changed cells),
//    as the event loop meets it at fast rates (cells and status band are
//    refreshed at most every 40 ms), and with the refresh of the changed
//    cells for unchanged values, for every value changed, and for every
//    value changed plus painting the window. Beside it the floor: the
//    accessor and the counters alone.
// 2. 32 windows of 125 registers polling as fast as the engine can (scan
//    rate 1 ms, no delay between polls), first with the slave's fixed values,
//    then with every cell rewritten on each result: GUI-thread CPU share,
//    resident memory, and polls per second in total, beside the rate of the
//    engine alone with the same 32 slots and no windows in the same run.
//
//   bench_docview_poll [seconds per run, default 4]
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/language.h"
#include "framework/settings_store.h"
#include "framework/window_registry.h"
#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "values/row_type.h"
#include "support/peer_process.h"
#include "ui_bench_common.h"
#include "bench_goal.h"

namespace {

using namespace zentiq;
using Clock = std::chrono::steady_clock;
using zentiq::bench::runEventLoop;
using zentiq::bench::threadCpuSeconds;

constexpr int kRegisters = 125;

// Runs the event loop until done() or the limit.
template <class F>
bool waitFor(F&& done, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        runEventLoop(5);
    }
    return true;
}
constexpr int kWindows = 32;

// Resident and peak resident memory in MB, from /proc/self/status.
std::pair<double, double> residentMb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    double rss = 0, hwm = 0;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            rss = std::atof(line.c_str() + 6) / 1024.0;
        else if (line.rfind("VmHWM:", 0) == 0)
            hwm = std::atof(line.c_str() + 6) / 1024.0;
    }
    return {rss, hwm};
}

struct Window : zentiq::bench::BenchWindow {
    Window(int scanRate, bool enable) : BenchWindow(kRegisters, scanRate, enable, 800, 300) {}
};

// Scrambles the shown copy before a result reaches a view, so that every
// cell counts as changed.
class EveryValueChanges : public QObject {
public:
    explicit EveryValueChanges(CZentiqDoc* doc) : m_doc(doc) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == EngineMessageEvent::Type()) {
            auto& prev = m_doc->Model().previousValues;
            for (auto& b : prev)
                b = static_cast<quint8>(~b);
        }
        return false;
    }

private:
    CZentiqDoc* m_doc;
};

struct Stats {
    double meanUs = 0;
    double medianUs = 0;
};

template <class F>
Stats timeIt(int iterations, F&& body) {
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(iterations));
    for (int i = 0; i < iterations; ++i) {
        const auto t0 = Clock::now();
        body(i);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    Stats s;
    for (double v : us)
        s.meanUs += v;
    s.meanUs /= double(us.size());
    std::nth_element(us.begin(), us.begin() + long(us.size() / 2), us.end());
    s.medianUs = us[us.size() / 2];
    return s;
}

// ---- 1: one result ------------------------------------------------------------------------

// Types for `count` registers from `address`: every reading in turn (texts
// of three registers), every third one scaled with a unit, as a device's map
// mixes them.
RowTypes mixedRowTypes(int address, int count) {
    RowTypes types;
    const auto readings = AllReadings();
    int at = address;
    for (std::size_t i = 0; at < address + count; ++i) {
        RowType type;
        type.reading = readings[i % readings.size()];
        type.textRegisters = 3;
        if (i % 3 == 0 && type.Numeric()) {
            type.scale = 0.1;
            type.offset = -40;
            type.unit = QStringLiteral("°C");
        }
        types[at] = type;
        at += type.Registers();
    }
    return types;
}

void perResult() {
    Window w(1000, false);
    PollDocumentModel& m = w.doc->Model();
    // One real poll fills the slot's data.
    SetPollMode(m.slotIndex, Once);
    if (!waitFor([&] { return m.txCount >= 1; }, 10000) || m.lastStatus != 0) {
        std::fprintf(stderr, "the first poll did not succeed (status %d)\n", m.lastStatus);
        return;
    }
    const int slot = m.slotIndex;
    constexpr int kIterations = 20000;
    std::vector<std::uint16_t> regs(kDataSize / 2);
    const Stats floor = timeIt(kIterations, [&](int) {
        ReadRegisters(slot, regs.data());
        std::uint32_t tx = 0, ok = 0;
        GetSlotCounters(slot, &tx, &ok);
    });
    // The handler as the event loop calls it: at fast rates the cells and
    // the band are refreshed at most every 40 ms.
    const Stats paced = timeIt(kIterations, [&](int) {
        for (auto& b : m.previousValues)
            b = static_cast<quint8>(~b);
        w.doc->TakePollResult(status::Ok, slot);
    });
    // A failed poll looks its text up in the string table: in Chinese (the
    // sources) and through the English translation.
    const auto timeoutPaced = [&] {
        return timeIt(kIterations, [&](int) { w.doc->TakePollResult(status::Timeout, slot); });
    };
    const Stats timeoutChinese = timeoutPaced();
    ApplyLanguage(Language::English);
    const Stats timeoutEnglish = timeoutPaced();
    ApplyLanguage(Language::Chinese);
    // One result with its refresh, as after a pause in polling.
    const Stats same = timeIt(kIterations, [&](int) {
        w.doc->TakePollResult(status::Ok, slot);
        w.view->FillCells(false);
    });
    const Stats changed = timeIt(kIterations, [&](int) {
        for (auto& b : m.previousValues)
            b = static_cast<quint8>(~b);
        w.doc->TakePollResult(status::Ok, slot);
        w.view->FillCells(false);
    });
    // Every row typed, a mix of every reading and some scaled rows, against
    // the window's one format, in alternating rounds of the same run. The
    // slave's values are fixed, so every other result flips the lowest bit
    // of each register as read: each typed value then differs from the one
    // shown and stays a value of the same size (the format path, too,
    // formats the slave's own values).
    const RowTypes types = mixedRowTypes(m.def.Address, kRegisters);
    const auto oneFormat = [&] {
        m.rowTypes.clear();
        w.doc->UpdateAllViews();
        return timeIt(kIterations, [&](int) {
            for (auto& b : m.previousValues)
                b = static_cast<quint8>(~b);
            w.doc->TakePollResult(status::Ok, slot);
            w.view->FillCells(false);
        });
    };
    const auto everyRowTyped = [&] {
        w.doc->ReplaceRowTypes(types);
        return timeIt(kIterations, [&](int i) {
            for (auto& b : m.previousValues)
                b = static_cast<quint8>(~b);
            w.doc->TakePollResult(status::Ok, slot);
            if (i % 2 == 0)
                for (auto& word : m.words)
                    word ^= 1;
            w.view->FillCells(false);
        });
    };
    std::vector<double> formatRounds, typedRounds;
    for (int round = 0; round < 3; ++round) {
        formatRounds.push_back(oneFormat().medianUs);
        typedRounds.push_back(everyRowTyped().medianUs);
    }
    m.rowTypes.clear();
    w.doc->UpdateAllViews();
    std::sort(formatRounds.begin(), formatRounds.end());
    std::sort(typedRounds.begin(), typedRounds.end());
    const double formatUs = formatRounds[1], typedUs = typedRounds[1];
    constexpr int kPaintIterations = 2000;
    const Stats painted = timeIt(kPaintIterations, [&](int) {
        for (auto& b : m.previousValues)
            b = static_cast<quint8>(~b);
        w.doc->TakePollResult(status::Ok, slot);
        w.view->FillCells(false);
        w.view->repaint();
        w.doc->Grid()->viewport()->repaint();
    });
    const auto line = [&](const char* what, const Stats& st) {
        std::printf("  %-44s median %8.2f us  mean %8.2f us  (%.0fx floor)\n", what, st.medianUs, st.meanUs,
                    st.medianUs / std::max(floor.medianUs, 1e-3));
    };
    std::printf("one WM_POLL_RESULT, %d registers, GUI thread (goal <= 50 us):\n", kRegisters);
    line("accessor + counters alone (floor)", floor);
    line("handler, every value changed, paced", paced);
    line("handler, timeout status, Chinese", timeoutChinese);
    line("handler, timeout status, English translation", timeoutEnglish);
    line("handler + cell update, values unchanged", same);
    line("handler + cell update, every value changed", changed);
    line("the same + painting view and grid", painted);
    std::printf("  %-44s median %8.2f us  (3 rounds, alternating)\n",
                "every value changed, one format per window", formatUs);
    std::printf("  %-44s median %8.2f us  (%zu typed rows)\n",
                "every value changed, every row typed", typedUs, types.size());
    ::bench::PrintGoal("docview_typed_vs_format_changed", typedUs / std::max(formatUs, 1e-3),
                       ::bench::Better::Lower, 1.2);
    ::bench::PrintGoal("docview_result_paced_us", paced.medianUs, ::bench::Better::Lower, 50.0, "us");
    ::bench::PrintGoal("docview_result_timeout_zh_us", timeoutChinese.medianUs, ::bench::Better::Lower, 50.0, "us");
    ::bench::PrintGoal("docview_result_timeout_en_us", timeoutEnglish.medianUs, ::bench::Better::Lower, 50.0, "us");
}

// ---- 2: 32 windows ---------------------------------------------------------------------------

std::atomic<std::uint64_t> g_enginePolls{0};
void countPost(WindowHandle, std::uint32_t message, std::uintptr_t, std::intptr_t) {
    if (message == WM_POLL_RESULT)
        g_enginePolls.fetch_add(1, std::memory_order_relaxed);
}

// The engine alone: the same slots without windows, results only counted.
double engineAloneRate(double seconds, int slotCount, std::uint16_t scanRate) {
    SetMessagePoster(&countPost);
    std::vector<int> held;
    for (int i = 0; i < slotCount; ++i) {
        held.push_back(RegisterPollSlot(1, WM_POLL_RESULT, scanRate, 1, 3, 0, kRegisters, 0, 0));
        SetPollMode(held.back(), Continuous);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::uint64_t n0 = g_enginePolls.load();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const std::uint64_t n1 = g_enginePolls.load();
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    for (int slot : held)
        ReleasePollSlot(slot);
    InstallEnginePoster();
    return double(n1 - n0) / elapsed;
}

void manyWindows(double seconds, bool everyValueChanges, double engineAlone, double engineOne) {
    std::vector<std::unique_ptr<Window>> windows;
    std::vector<std::unique_ptr<EveryValueChanges>> filters;
    for (int i = 0; i < kWindows; ++i) {
        windows.push_back(std::make_unique<Window>(1, true));
        if (everyValueChanges) {
            filters.push_back(std::make_unique<EveryValueChanges>(windows.back()->doc.get()));
            windows.back()->view->installEventFilter(filters.back().get());
        }
    }
    const auto total = [&] {
        std::uint64_t n = 0;
        for (const auto& w : windows)
            n += w->doc->Model().txCount;
        return n;
    };
    runEventLoop(500);  // warm up
    const std::uint64_t polls0 = total();
    const double cpu0 = threadCpuSeconds();
    const auto t0 = Clock::now();
    runEventLoop(int(seconds * 1000));
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = threadCpuSeconds() - cpu0;
    const std::uint64_t polls = total() - polls0;
    const auto [rss, hwm] = residentMb();
    int failed = 0;
    for (const auto& w : windows)
        failed += w->doc->Model().lastStatus != 0;
    std::printf("%d windows x %d registers, scan rate 1 ms, %s:\n", kWindows, kRegisters,
                everyValueChanges ? "every cell rewritten on each result" : "fixed slave values");
    std::printf("  polls per second in total   %9.0f  (%.2fx the engine alone with %d slots: %.0f/s;"
                " with one slot of scan rate 0: %.0f/s)\n",
                double(polls) / elapsed, double(polls) / elapsed / std::max(engineAlone, 1.0), kWindows,
                engineAlone, engineOne);
    std::printf("  GUI thread CPU share        %8.1f %%  (goal < 50 %%)\n", 100.0 * cpu / elapsed);
    std::printf("  GUI thread per result       %8.2f us\n", polls ? 1e6 * cpu / double(polls) : 0.0);
    std::printf("  resident memory             %8.1f MB  (peak %.1f MB, goal <= 80 MB)\n", rss, hwm);
    const std::string kind = everyValueChanges ? "changing" : "fixed";
    ::bench::PrintGoal(("docview_32_windows_gui_share_" + kind).c_str(), 100.0 * cpu / elapsed, ::bench::Better::Lower,
                     50.0, "%");
    ::bench::PrintGoal(("docview_32_windows_rss_" + kind + "_mb").c_str(), rss, ::bench::Better::Lower, 80.0, "MB");
    if (failed)
        std::printf("  windows whose last poll failed: %d\n", failed);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 4.0;
    QApplication app(argc, argv);
    // Documents read and write settings: the session keeps the user's store out of it.
    zentiq::bench::TcpBenchSession session(true);
    if (!session.ok())
        return 1;

    perResult();
    const double one = engineAloneRate(seconds, 1, 0);
    const double alone = engineAloneRate(seconds, kWindows, 1);
    const auto [rss0, hwm0] = residentMb();
    std::printf("resident memory before the windows: %.1f MB\n", rss0);
    (void)hwm0;
    manyWindows(seconds, false, alone, one);
    manyWindows(seconds, true, alone, one);
    return 0;
}
