// What the automation benches share: their clock, the median of rounds and
// a blocking call to the program's bus service.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>

#include <algorithm>
#include <chrono>
#include <vector>

namespace automation_bench {

using Clock = std::chrono::steady_clock;

inline const QString kService = QStringLiteral("Zentiq.Document");

inline double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A call that blocks for at most `timeoutMs` (a busy program may be slow to answer).
inline QDBusMessage call(QDBusConnection& c, const QString& path, const QString& iface, const QString& member,
                         const QVariantList& args = {}, int timeoutMs = 60000) {
    QDBusMessage m = QDBusMessage::createMethodCall(kService, path, iface, member);
    m.setArguments(args);
    return c.call(m, QDBus::Block, timeoutMs);
}

}  // namespace automation_bench
