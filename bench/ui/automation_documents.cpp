// Many automation documents of one client, with the real program
// (zentiq --automation, offscreen) as the server on a private session bus
// and this process as its client.
//
// 1. The client creates as many documents as one client may hold (256),
//    one call after the other, then releases them in the same order. The
//    figures compare the time per document of the last 32 created with the
//    first 32, and of the first 32 released (most documents still open)
//    with the last 32 (goal for both: at most 2, the cost stays flat).
// 2. A call that the GUI thread answers (Properties.GetAll of /Zentiq), with
//    all the documents open beside none (goal: at most 2).
// 3. The program's memory per document, for information.
//
//   bench_automation_documents [rounds, default 3]
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QStringList>
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
#include "support/peer_process.h"

namespace {

using namespace automation_bench;
namespace process = zentiq::test::process;

constexpr int kDocuments = 256;  // the most one client may hold
constexpr int kGroup = 32;
constexpr int kGuiCalls = 200;
constexpr double kFlatGoal = 2.0;

// Resident memory of a process in KiB, 0 when unknown.
long residentKiB(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Median milliseconds of a call the GUI thread answers.
double guiCallMs(QDBusConnection& c) {
    std::vector<double> ms;
    for (int i = 0; i < kGuiCalls; ++i) {
        const auto t0 = Clock::now();
        if (call(c, "/Zentiq", "org.freedesktop.DBus.Properties", "GetAll", {QStringLiteral("Zentiq.Application")})
                .type() != QDBusMessage::ReplyMessage)
            return 0;
        ms.push_back(msSince(t0));
    }
    return median(ms);
}

struct Round {
    double createFirst = 0, createLast = 0, releaseFirst = 0, releaseLast = 0;
    double guiEmpty = 0, guiFull = 0;
    long kibPerDocument = 0;
    bool ok = false;
};

Round runRound(QDBusConnection& c, pid_t server) {
    Round r;
    r.guiEmpty = guiCallMs(c);
    const long before = residentKiB(server);
    std::vector<double> created, released;
    QStringList paths;
    for (int i = 0; i < kDocuments; ++i) {
        const auto t0 = Clock::now();
        const QDBusMessage m = call(c, "/Zentiq", "Zentiq.Application", "CreateDocument");
        created.push_back(msSince(t0));
        if (m.type() != QDBusMessage::ReplyMessage) {
            std::fprintf(stderr, "document %d: %s\n", i + 1, qPrintable(m.errorMessage()));
            return r;
        }
        paths << m.arguments().value(0).value<QDBusObjectPath>().path();
    }
    const QDBusMessage extra = call(c, "/Zentiq", "Zentiq.Application", "CreateDocument");
    if (extra.errorName() != QLatin1String("org.freedesktop.DBus.Error.LimitsExceeded"))
        std::fprintf(stderr, "document %d was not refused: %s\n", kDocuments + 1, qPrintable(extra.errorName()));
    r.kibPerDocument = (residentKiB(server) - before) / kDocuments;
    r.guiFull = guiCallMs(c);
    // One call to keep the program alive while the last one goes: its own
    // detached document, released last.
    const QString keeper = call(c, "/Zentiq", "Zentiq.Application", "CreateDetachedDocument")
                               .arguments()
                               .value(0)
                               .value<QDBusObjectPath>()
                               .path();
    for (const QString& path : paths) {
        const auto t0 = Clock::now();
        const QDBusMessage m = call(c, path, "Zentiq.Document", "Release");
        released.push_back(msSince(t0));
        if (m.type() != QDBusMessage::ReplyMessage) {
            std::fprintf(stderr, "release of %s: %s\n", qPrintable(path), qPrintable(m.errorMessage()));
            return r;
        }
    }
    const auto group = [](const std::vector<double>& v, bool first) {
        return median(first ? std::vector<double>(v.begin(), v.begin() + kGroup)
                            : std::vector<double>(v.end() - kGroup, v.end()));
    };
    r.createFirst = group(created, true);
    r.createLast = group(created, false);
    r.releaseFirst = group(released, true);
    r.releaseLast = group(released, false);
    // The windows of released documents close once the program is idle:
    // the next round starts after a call the GUI thread answers.
    guiCallMs(c);
    r.ok = !keeper.isEmpty() && call(c, keeper, "Zentiq.Document", "Release").type() == QDBusMessage::ReplyMessage;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 20) : 3;
    QCoreApplication app(argc, argv);

    QTemporaryDir home;
    zentiq::test::PrivateSessionBus bus({"XDG_DATA_HOME=" + home.filePath("data").toStdString()});
    if (!bus.ok()) {
        std::fprintf(stderr, "no private session bus: %s\n", bus.error.c_str());
        return 1;
    }
    std::string error;
    const std::string program = zentiq::test::PeerProcess::BinaryDir() + "/src/zentiq";
    QDBusConnection c = QDBusConnection::connectToBus(QString::fromStdString(bus.address), QStringLiteral("bench"));
    std::vector<double> createRatios, releaseRatios, guiRatios;
    for (int round = 0; round < rounds; ++round) {
        // A program of its own for each round: a released document's window
        // ends the program with the last of them.
        const pid_t server = process::Spawn({"/usr/bin/env", "QT_QPA_PLATFORM=offscreen", program, "--automation",
                                             "--settings-dir", home.filePath("settings").toStdString()},
                                            -1, -1, -1, error);
        if (server <= 0) {
            std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), error.c_str());
            return 1;
        }
        const auto t0 = Clock::now();
        while (!c.interface()->isServiceRegistered(kService).value() && msSince(t0) < 20000)
            QThread::msleep(20);
        const Round r = runRound(c, server);
        process::Stop(server, std::chrono::milliseconds(5000));
        while (c.interface()->isServiceRegistered(kService).value() && msSince(t0) < 60000)
            QThread::msleep(20);
        if (!r.ok) {
            std::fprintf(stderr, "round %d failed\n", round + 1);
            return 1;
        }
        createRatios.push_back(r.createLast / r.createFirst);
        releaseRatios.push_back(r.releaseFirst / r.releaseLast);
        guiRatios.push_back(r.guiFull / r.guiEmpty);
        std::printf(" round %d: create %.2f ms (first %d) %.2f ms (last %d); release %.2f ms (first %d) %.2f ms "
                    "(last %d); GUI call %.3f ms with none, %.3f ms with %d; %ld KiB per document\n",
                    round + 1, r.createFirst, kGroup, r.createLast, kGroup, r.releaseFirst, kGroup, r.releaseLast,
                    kGroup, r.guiEmpty, r.guiFull, kDocuments, r.kibPerDocument);
        std::fflush(stdout);
    }
    std::printf("%d documents of one client, created and released one after the other (median of each group of %d "
                "per round, median of %d rounds' ratios)\n",
                kDocuments, kGroup, rounds);
    bench::PrintGoal("automation_create_last_vs_first", median(createRatios), bench::Better::Lower, kFlatGoal);
    bench::PrintGoal("automation_release_first_vs_last", median(releaseRatios), bench::Better::Lower, kFlatGoal);
    bench::PrintGoal("automation_gui_call_full_vs_empty", median(guiRatios), bench::Better::Lower, kFlatGoal);
    return 0;
}
