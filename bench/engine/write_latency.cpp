// How long a one-shot write waits while 32 poll slots keep the connection
// busy: from SubmitOneShot to the request on the wire (seen by a relay in
// front of the libmodbus TCP slave) and to the result posted, against the
// time of one transaction on the same connection in the same run.
//
//   bench_write_latency [seconds of writes, 0.5..60; default 2]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "support/peer_process.h"
#include "writes/tcp_tap.h"

namespace {

using Clock = std::chrono::steady_clock;
using zentiq::test::TcpTap;

constexpr zentiq::WindowHandle kPollWindow = 0x7001;
constexpr zentiq::WindowHandle kWriteWindow = 0x7002;
constexpr int kPollSlots = 32;
constexpr std::uint16_t kWriteAddress = 1900;

std::mutex g_lock;
std::condition_variable g_changed;
bool g_resultIn = false;
int g_resultStatus = -1;
Clock::time_point g_resultTime;
std::atomic<long> g_pollsOk{0}, g_pollsFailed{0};

void Poster(zentiq::WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    if (message != zentiq::WM_POLL_RESULT) return;
    if (window == kPollWindow) {
        (wParam == 0 ? g_pollsOk : g_pollsFailed).fetch_add(1, std::memory_order_relaxed);
        return;
    }
    if (window != kWriteWindow) return;
    const auto now = Clock::now();
    std::lock_guard guard(g_lock);
    g_resultIn = true;
    g_resultStatus = static_cast<int>(wParam);
    g_resultTime = now;
    g_changed.notify_all();
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// The wire time of the write request that carried `value`.
bool SeenOnWire(const TcpTap& tap, std::uint16_t value, Clock::time_point& seen) {
    for (const TcpTap::Request& r : tap.Requests()) {
        if (r.pdu.size() == 5 && r.pdu[0] == 6 && ((r.pdu[1] << 8) | r.pdu[2]) == kWriteAddress &&
            ((r.pdu[3] << 8) | r.pdu[4]) == value) {
            seen = r.seen;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    if (!(seconds >= 0.5 && seconds <= 60)) {
        std::fprintf(stderr, "usage: %s [seconds of writes, 0.5..60]\n", argv[0]);
        return 2;
    }
    constexpr int kMaxWrites = 20000;
    std::string error;
    auto peer = zentiq::test::PeerProcess::LibModbus(zentiq::test::PeerProcess::Mode::Tcp, "", error);
    if (!peer) {
        std::fprintf(stderr, "libmodbus slave: %s\n", error.c_str());
        return 1;
    }
    auto tap = TcpTap::Start(peer->Port(), error);
    if (!tap) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    zentiq::InitEngine();
    zentiq::SetMessagePoster(&Poster);
    zentiq::SetPollDelay(0);
    if (zentiq::OpenTcpConnection("127.0.0.1", tap->Port(), 1000, 3000) != 0) {
        std::fprintf(stderr, "cannot connect to the slave\n");
        return 1;
    }
    zentiq::SetTransmissionMode(zentiq::TCP);
    // 32 poll windows reading ten registers each, as fast as they can.
    for (int i = 0; i < kPollSlots; ++i) {
        const int slot = zentiq::RegisterPollSlot(kPollWindow, zentiq::WM_POLL_RESULT, 0, 1, 3,
                                                  static_cast<std::uint16_t>(i * 10), 10, 0, 0);
        zentiq::SetPollMode(slot, zentiq::Continuous);
    }
    zentiq::StartPolling();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    std::vector<double> toWire, toResult;
    std::mt19937 random(7);
    int failed = 0, unseen = 0;
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (int k = 0; k < kMaxWrites && Clock::now() < end; ++k) {
        // Land at a random point of the polling cycle.
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
        const auto value = static_cast<std::uint16_t>(k + 1);
        {
            std::lock_guard guard(g_lock);
            g_resultIn = false;
        }
        const auto t0 = Clock::now();
        if (!zentiq::SubmitOneShot(kWriteWindow, zentiq::WM_POLL_RESULT, 1, 6, 0, 0, kWriteAddress, 1)) {
            ++failed;
            continue;
        }
        zentiq::SetWriteRegisters(0, 1, &value);
        std::unique_lock lock(g_lock);
        if (!g_changed.wait_for(lock, std::chrono::seconds(5), [] { return g_resultIn; }) || g_resultStatus != 0) {
            ++failed;
            continue;
        }
        toResult.push_back(Ms(g_resultTime - t0));
        lock.unlock();
        Clock::time_point seen;
        if (SeenOnWire(*tap, value, seen))
            toWire.push_back(Ms(seen - t0));
        else
            ++unseen;
        if (k % 50 == 49) tap->Clear();  // keep the search short
    }

    // One transaction on this connection: the gap between consecutive poll
    // requests with no write between them.
    tap->Clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    zentiq::StopPolling();
    const std::vector<TcpTap::Request> polls = tap->Requests();
    std::vector<double> transaction;
    for (std::size_t i = 1; i < polls.size(); ++i) transaction.push_back(Ms(polls[i].seen - polls[i - 1].seen));
    zentiq::CloseTcpConnection();
    zentiq::SetMessagePoster(nullptr);

    const double tx = Percentile(transaction, 0.5);
    std::printf("write latency with %d busy poll slots, libmodbus TCP slave on 127.0.0.1\n", kPollSlots);
    const double meanTx = polls.size() > 1 ? Ms(polls.back().seen - polls.front().seen) / double(polls.size() - 1) : 0;
    std::printf("  one transaction (median of %zu):      %8.3f ms (mean %.3f ms)\n", transaction.size(), tx, meanTx);
    std::printf("  Submit -> request on the wire: median %8.3f ms (%.2f transactions), p99 %8.3f ms (%.2f)\n",
                Percentile(toWire, 0.5), Percentile(toWire, 0.5) / tx, Percentile(toWire, 0.99),
                Percentile(toWire, 0.99) / tx);
    std::printf("  Submit -> result posted:       median %8.3f ms (%.2f transactions), p99 %8.3f ms (%.2f)\n",
                Percentile(toResult, 0.5), Percentile(toResult, 0.5) / tx, Percentile(toResult, 0.99),
                Percentile(toResult, 0.99) / tx);
    std::printf("  writes: %zu measured, %d failed, %d not found on the wire; polls: %ld good, %ld failed\n",
                toResult.size(), failed, unseen, g_pollsOk.load(), g_pollsFailed.load());
    return failed == 0 && unseen == 0 && g_pollsFailed == 0 ? 0 : 1;
}
