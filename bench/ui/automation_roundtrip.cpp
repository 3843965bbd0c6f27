// Automation round trips through the session bus, with the real program
// (zentiq --automation, offscreen) as the server on a private bus and this
// process as its client, against the libmodbus TCP slave on 127.0.0.1.
//
// 1. GetRegister calls per second, beside the floor of the same bus round
//    trip to the same process without any work (org.freedesktop.DBus.Peer.Ping),
//    in alternating rounds; the figure is the median of the rounds' ratios
//    (goal: at least 0.85).
// 2. Time from CreateRequest to the first polled value readable by
//    GetRegister, beside its floor: the worker's delay between polls plus
//    one direct Modbus read of the same slave from this process (libmodbus,
//    measured in the same run before the program starts).
//
//   bench_automation_roundtrip [seconds per rate, default 3] [rounds, default 6]
#include <modbus.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/private_session_bus.h"
#include "automation_bench.h"
#include "bench_goal.h"
#include "support/peer_data.h"
#include "support/peer_process.h"

namespace {

using namespace automation_bench;
namespace process = zentiq::test::process;

constexpr int kScanRate = 20;
constexpr int kDelayBetweenPolls = 10;
constexpr int kFirstValueRuns = 20;
constexpr double kGetRegisterGoal = 0.85;

QVariant n(int v) { return QVariant::fromValue(static_cast<qint16>(v)); }

// Calls per second of one call repeated for `seconds`.
template <class F>
double rate(double seconds, F&& once) {
    const auto t0 = Clock::now();
    long calls = 0;
    while (msSince(t0) < seconds * 1000.0) {
        if (!once())
            return 0;
        ++calls;
    }
    return double(calls) / (msSince(t0) / 1000.0);
}

// Median milliseconds of one direct read of 10 holding registers.
double directReadMs(std::uint16_t port) {
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
    if (ctx == nullptr || modbus_connect(ctx) != 0) {
        if (ctx != nullptr)
            modbus_free(ctx);
        return 0;
    }
    modbus_set_slave(ctx, 1);
    std::vector<double> ms;
    std::uint16_t regs[10];
    for (int i = 0; i < 200; ++i) {
        const auto t0 = Clock::now();
        if (modbus_read_registers(ctx, 0, 10, regs) != 10)
            break;
        ms.push_back(msSince(t0));
    }
    modbus_close(ctx);
    modbus_free(ctx);
    return median(ms);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 3.0;
    const int rounds = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 50) : 6;
    QCoreApplication app(argc, argv);

    QTemporaryDir home;
    zentiq::test::PrivateSessionBus bus({"XDG_DATA_HOME=" + home.filePath("data").toStdString()});
    if (!bus.ok()) {
        std::fprintf(stderr, "no private session bus: %s\n", bus.error.c_str());
        return 1;
    }
    std::string error;
    auto peer = zentiq::test::PeerProcess::LibModbus(zentiq::test::PeerProcess::Mode::Tcp, "", error);
    if (!peer) {
        std::fprintf(stderr, "no libmodbus slave: %s\n", error.c_str());
        return 1;
    }
    // The slave serves one client at a time: the direct read comes first.
    const double directMs = directReadMs(peer->Port());

    // The program connects to the slave by itself, one second after it starts.
    {
        QSettings s(home.filePath("settings/Zentiq.ini"), QSettings::IniFormat);
        s.beginGroup(QStringLiteral("CommSetup"));
        s.setValue(QStringLiteral("Serial"), 1);
        s.setValue(QStringLiteral("IPAddress"), QStringLiteral("127.0.0.1"));
        s.setValue(QStringLiteral("ServicePort"), peer->Port());
        s.setValue(QStringLiteral("AutoEnable"), 1);
        s.setValue(QStringLiteral("DelayBetweenPolls"), kDelayBetweenPolls);
    }
    const std::string program = zentiq::test::PeerProcess::BinaryDir() + "/src/zentiq";
    const pid_t server = process::Spawn({"/usr/bin/env", "QT_QPA_PLATFORM=offscreen", program, "--automation",
                                         "--settings-dir", home.filePath("settings").toStdString()},
                                        -1, -1, -1, error);
    if (server <= 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), error.c_str());
        return 1;
    }

    QDBusConnection c = QDBusConnection::connectToBus(QString::fromStdString(bus.address), QStringLiteral("bench"));
    const auto t0 = Clock::now();
    while (!c.interface()->isServiceRegistered(kService).value() && msSince(t0) < 20000)
        QThread::msleep(20);
    const QString path = call(c, "/Zentiq", "Zentiq.Application", "CreateDocument")
                             .arguments()
                             .value(0)
                             .value<QDBusObjectPath>()
                             .path();
    const auto readResult = [&] {
        return call(c, path, "org.freedesktop.DBus.Properties", "Get", {kService, QStringLiteral("ReadResult")})
            .arguments()
            .value(0)
            .value<QDBusVariant>()
            .variant()
            .toInt();
    };
    const auto t1 = Clock::now();
    while (!path.isEmpty() && readResult() == 6 && msSince(t1) < 20000)
        QThread::msleep(50);
    if (path.isEmpty() || readResult() == 6) {
        std::fprintf(stderr, "the program did not serve a connected document\n");
        process::Stop(server, std::chrono::milliseconds(1000));
        return 1;
    }

    // ---- 1: calls per second -------------------------------------------------------------
    call(c, path, "Zentiq.Document", "CreateRequest", {1, 3, 0, 10, 1000});
    const auto getRegister = [&] {
        return call(c, path, "Zentiq.Document", "GetRegister", {n(3)}).type() == QDBusMessage::ReplyMessage;
    };
    const auto ping = [&] {
        return call(c, "/Zentiq", "org.freedesktop.DBus.Peer", "Ping").type() == QDBusMessage::ReplyMessage;
    };
    // Load on a shared machine drifts over seconds: the two rates alternate
    // (which goes first alternates too) and each round gives one ratio.
    const double perRound = seconds / rounds;
    std::vector<double> ratios, getRates, pingRates;
    for (int round = 0; round < rounds; ++round) {
        double getRate = 0, pingRate = 0;
        if (round % 2 == 0) {
            getRate = rate(perRound, getRegister);
            pingRate = rate(perRound, ping);
        } else {
            pingRate = rate(perRound, ping);
            getRate = rate(perRound, getRegister);
        }
        if (getRate <= 0 || pingRate <= 0) {
            std::fprintf(stderr, "a call failed in round %d\n", round + 1);
            process::Stop(server, std::chrono::milliseconds(1000));
            return 1;
        }
        getRates.push_back(getRate);
        pingRates.push_back(pingRate);
        ratios.push_back(getRate / pingRate);
        std::printf(" round %d: GetRegister %6.0f calls/s, Ping %6.0f calls/s, ratio %.3f\n", round + 1, getRate,
                    pingRate, getRate / pingRate);
    }
    const double ratio = median(ratios);
    std::printf("GetRegister over the session bus: %.0f calls/s; bus round trip alone (Ping): %.0f calls/s; "
                "ratio %.2f (median of %d rounds' ratios)\n",
                median(getRates), median(pingRates), ratio, rounds);
    bench::PrintGoal("automation_getregister_vs_ping", ratio, bench::Better::Higher, kGetRegisterGoal);

    // ---- 2: CreateRequest to the first value ---------------------------------------------------
    std::vector<double> firstValueMs;
    for (int run = 0; run < kFirstValueRuns; ++run) {
        const int address = 100 + 50 * run;
        const qint16 expected = static_cast<qint16>(zq_peer_holding(unsigned(address)));
        const auto start = Clock::now();
        if (call(c, path, "Zentiq.Document", "CreateRequest", {1, 3, address, 10, kScanRate}).arguments().value(0) !=
            1)
            break;
        while (call(c, path, "Zentiq.Document", "GetRegister", {n(0)}).arguments().value(0).value<qint16>() !=
                   expected &&
               msSince(start) < 5000) {
        }
        firstValueMs.push_back(msSince(start));
    }
    // The worker sleeps the delay between polls before it serves the new
    // slot: that sleep plus one read is the floor.
    const double first = median(firstValueMs);
    const double floorMs = kDelayBetweenPolls + directMs;
    std::printf("CreateRequest to the first value (scan rate %d ms, median of %zu): %.2f ms; floor (delay between "
                "polls %d ms + one direct Modbus read %.3f ms): %.2f ms; ratio %.2f\n",
                kScanRate, firstValueMs.size(), first, kDelayBetweenPolls, directMs, floorMs, first / floorMs);

    call(c, path, "Zentiq.Document", "Release");
    const int status = process::Stop(server, std::chrono::milliseconds(5000));
    std::printf("the program %s after its document was released\n",
                WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "ended by itself" : "had to be stopped");
    return 0;
}
