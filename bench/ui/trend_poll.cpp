// Cost of a trend window, offscreen, against the libmodbus TCP slave on
// 127.0.0.1: one poll window of 32 holding registers polled as fast as the
// engine can (scan rate 0, no delay between polls), first alone, then with
// a trend of all 32 values over the 10-minute span. Every result changes
// every value (a sawtooth per register is written into the document's
// values before the trend samples them), so each bucket keeps two points.
// The trend's clock runs fast (kSpeedUp x real time), so that a bounded run
// covers more than the whole span and the second half of the run draws a
// full 10-minute window. Printed: GUI-thread CPU share and polls per second
// of both runs (ratio trend / alone), the GUI thread's time per result in
// the trend's sampling (timed around each call while the window is full)
// and in all of the trend (sampling, filing, redraws: the share it adds
// over the poll rate), points drawn, one full redraw, and resident memory
// before the trend, at half time and at the end (the growth in the second
// half shows that the stores are bounded).
//
//   bench_trend_poll [seconds per run, default 10]
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "values/trend_series.h"
#include "display/trend_window.h"
#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "grid/grid_ctrl.h"

#include <QChart>
#include "bench_goal.h"
#include "ui_bench_common.h"

namespace {

using namespace zentiq;
using Clock = std::chrono::steady_clock;
using zentiq::bench::runEventLoop;
using zentiq::bench::threadCpuSeconds;

constexpr int kSeries = 32;
constexpr int kTenMinutes = 3;  // index of the 10-minute span

double residentMb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

struct Run {
    double guiShare = 0;  // GUI thread CPU / wall time
    double pollsPerSecond = 0;
};

// Runs the event loop for `seconds`, measuring the GUI thread's share and
// the poll rate of the window.
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

    zentiq::bench::BenchWindow w(kSeries, 0, true, 800, 300);
    // A changing value in every register on every result.
    std::uint16_t tick = 0;
    QObject::connect(w.view, &CZentiqView::valuesTaken, [&] {
        ++tick;
        auto& values = w.doc->Model().values;
        for (int i = 0; i < kSeries; ++i) {
            const std::uint16_t v = std::uint16_t((tick * (i + 1)) % 1000);
            std::memcpy(values.data() + 2 * i, &v, sizeof v);
        }
    });
    runEventLoop(500);  // warm up
    const Run alone = measure(w, seconds);
    const double rssBefore = residentMb();

    w.doc->Grid()->model().selectAll();
    TrendWindow* trend = w.view->OpenTrendWindow();
    if (trend == nullptr || int(trend->Items().size()) != kSeries) {
        std::fprintf(stderr, "the trend did not take %d values\n", kSeries);
        return 1;
    }
    // The trend's clock covers twice the span in the run.
    const double speedUp = 2.0 * double(kTrendSpansMs[kTenMinutes]) / (seconds * 1000.0);
    QElapsedTimer real;
    real.start();
    trend->SetClock([&] { return qint64(double(real.elapsed()) * speedUp); });
    trend->SetSpanIndex(kTenMinutes);
    trend->resize(1200, 600);

    const Run filling = measure(w, seconds / 2);
    const double rssHalf = residentMb();
    // The result path of the full window, timed call by call.
    QObject::disconnect(w.view, &CZentiqView::valuesTaken, trend, &TrendWindow::Sample);
    double sampleSeconds = 0;
    quint64 samples = 0;
    QObject::connect(w.view, &CZentiqView::valuesTaken, trend, [&] {
        const auto t0 = Clock::now();
        trend->Sample();
        sampleSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
        ++samples;
    });
    const Run full = measure(w, seconds / 2);
    const double sampleUs = 1e6 * sampleSeconds / double(std::max<quint64>(samples, 1));
    const double trendUs =
        1e6 * (full.guiShare - alone.guiShare) / std::max(full.pollsPerSecond, 1.0);
    const double rssEnd = residentMb();
    std::size_t points = 0;
    for (const auto& series : trend->Plotted())
        points += series.size();

    // One redraw of the full window with its painting, as the timer does
    // it at most every TrendWindow::kRedrawMs. The first grabs allocate a
    // fresh picture each time and fault its pages in (until the allocator
    // keeps the size on its heap); that is the bench's cost, not the
    // window's, which paints into a backing store made once. So they are
    // not counted, and the figure is the median of the counted ones.
    constexpr int kUncounted = 3;
    constexpr int kRedraws = 21;
    std::vector<double> redraws;
    for (int i = 0; i < kUncounted + kRedraws; ++i) {
        trend->Sample();
        // The GUI thread's own time: other programs on a busy machine do
        // not count.
        const double cpu0 = threadCpuSeconds();
        trend->Redraw();
        // grab() paints every widget of the window, the chart's items too
        // (repaint() would leave the chart's scene to the event loop).
        const QPixmap picture = trend->grab();
        if (i >= kUncounted)
            redraws.push_back(1000.0 * (threadCpuSeconds() - cpu0));
    }
    std::sort(redraws.begin(), redraws.end());
    const double redrawMs = redraws[redraws.size() / 2];

    std::printf("trend of %d registers, scan rate 0, every value changing on each result,\n"
                "10-minute span, trend clock at %.0fx real time (%.0f s of trend in %.0f s):\n",
                kSeries, speedUp, 2.0 * double(kTrendSpansMs[kTenMinutes]) / 1000.0, seconds);
    std::printf("  poll window alone:        GUI thread %5.1f %%   %7.0f polls/s\n", 100 * alone.guiShare,
                alone.pollsPerSecond);
    std::printf("  with trend, filling:      GUI thread %5.1f %%   %7.0f polls/s\n", 100 * filling.guiShare,
                filling.pollsPerSecond);
    std::printf("  with trend, window full:  GUI thread %5.1f %%   %7.0f polls/s"
                "  (%.2fx the GUI share alone, %.2fx the poll rate)\n",
                100 * full.guiShare, full.pollsPerSecond, full.guiShare / std::max(alone.guiShare, 1e-6),
                full.pollsPerSecond / std::max(alone.pollsPerSecond, 1.0));
    std::printf("  GUI thread per result:    %.2f us sampling (%llu results), %.2f us for all of the trend\n",
                sampleUs, static_cast<unsigned long long>(samples), trendUs);
    std::printf("  points drawn at the end:  %zu in %d lines, %.0f pixel columns wide"
                " (at most 2 points per column and line)\n",
                points, kSeries, trend->Chart()->plotArea().width());
    std::printf("  one redraw with painting: %.1f ms, median of %d  (%.1f %% of the GUI thread at one per %d ms)\n", redrawMs, kRedraws,
                100 * redrawMs / TrendWindow::kRedrawMs, TrendWindow::kRedrawMs);
    std::printf("  resident memory:          %.1f MB before the trend, %.1f MB at half time, %.1f MB at the end"
                "  (second half grew %.1f MB)\n",
                rssBefore, rssHalf, rssEnd, rssEnd - rssHalf);
    ::bench::PrintGoal("trend_us_per_result", sampleUs, ::bench::Better::Lower, 2.0, "us");
    ::bench::PrintGoal("trend_redraw_ms", redrawMs, ::bench::Better::Lower, 8.0, "ms");
    return 0;
}
