// The bus scanner's slave-ID scan of IDs 1..247 over Modbus/TCP against
// pymodbus serving three IDs, against its lower bound measured in the same
// run: every silent ID costs its timeout, every found one a transaction.
// The goal is a scan within 10 % of that bound.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "framework/bus_id_scan.h"
#include "framework/one_shot_request.h"
#include "framework/settings_store.h"
#include "framework/window_registry.h"
#include "support/scan_peer.h"
#include "bench_goal.h"

namespace zentiq::bench {
namespace {

constexpr int kFound = 3;
constexpr int kIds = 247;
constexpr int kTransactions = 200;

// Mean time of one answered one-shot request, through the path a probe takes.
double TransactionMs() {
    OneShotRequest request;
    QEventLoop loop;
    int left = kTransactions;
    QObject::connect(&request, &OneShotRequest::Finished, [&](int) {
        if (--left == 0 || !request.Submit(zentiq::DefaultLine(), {1, 3, 0, 1, 0, 0}, {}))
            loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    if (!request.Submit(zentiq::DefaultLine(), {1, 3, 0, 1, 0, 0}, {}))
        return -1;
    loop.exec();
    return double(clock.nsecsElapsed()) / 1e6 / kTransactions;
}

double ScanMs(std::uint32_t timeoutMs, int* found) {
    BusIdScan scan(DefaultLine());
    QEventLoop loop;
    *found = 0;
    QObject::connect(&scan, &BusIdScan::found, [&](const ScanHit&) { ++*found; });
    QObject::connect(&scan, &BusIdScan::finished, &loop, &QEventLoop::quit);
    BusIdScan::Options o;
    o.first = 1;
    o.last = kIds;
    o.timeoutMs = timeoutMs;
    QElapsedTimer clock;
    clock.start();
    if (!scan.Start(o))
        return -1;
    loop.exec();
    return double(clock.nsecsElapsed()) / 1e6;
}

}  // namespace
}  // namespace zentiq::bench

int main(int argc, char** argv) {
    using namespace zentiq;
    QCoreApplication app(argc, argv);
    QTemporaryDir settings;
    SettingsStore::setFilePathOverride(settings.filePath(QStringLiteral("Zentiq.ini")));
    InitEngine();
    InstallEnginePoster();
    std::string error;
    auto peer = test::ScanPeer::Start(TCP, {"--slave", "1,100,247"}, error);
    if (!peer) {
        std::fprintf(stderr, "bus_scan_ids: %s\n", error.c_str());
        return 1;
    }
    std::printf("slave-ID scan 1..%d, Modbus/TCP, pymodbus serving %d IDs\n", zentiq::bench::kIds,
                zentiq::bench::kFound);
    for (const std::uint32_t timeoutMs : {50u, 100u}) {
        // The transaction under the scan's own settings (no delay between polls).
        ScanLineLease lease(DefaultLine());
        lease.Take(timeoutMs);
        const double transaction = zentiq::bench::TransactionMs();
        lease.Give();
        int found = 0;
        const double scan = zentiq::bench::ScanMs(timeoutMs, &found);
        const double bound = double(zentiq::bench::kIds - zentiq::bench::kFound) * timeoutMs +
                             zentiq::bench::kFound * transaction;
        std::printf(
            "  timeout %3u ms: found %d, scan %.0f ms, lower bound %.0f ms "
            "(one transaction %.3f ms), ratio %.3f (goal <= 1.10)\n",
            timeoutMs, found, scan, bound, transaction, scan / bound);
        ::bench::PrintGoal(("bus_scan_vs_bound_" + std::to_string(timeoutMs) + "ms").c_str(),
                           scan / bound, ::bench::Better::Lower, 1.10);
        if (found != zentiq::bench::kFound || transaction < 0 || scan < 0)
            return 1;
    }
    return 0;
}
