#include "values/error_counter_model.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "values/status_texts.h"
#include "resources/strings.h"

namespace zentiq {
namespace {

struct CounterOf {
    int code;
    int counter;
};

// Engine failures below 128 that have a counter of their own; write and
// read errors are split by the port's flags, see CounterIndex.
constexpr std::array<CounterOf, 9> kFailureCounters = {{
    {status::Timeout, 0},
    {status::ChecksumError, 1},
    {status::ResponseError, 2},
    {status::ByteCountError, 3},
    {status::NoConnection, ErrorCounterModel::kNoConnectionCounter},
    {status::ThreadError, 17},
    {status::BytesMissing, 18},
    {status::TransactionIdError, 19},
    // A read that met the connection's end: a read error without flags.
    {status::ConnectionClosed, 15},
}};
constexpr int kFirstWriteErrorCounter = 4;  // 4..7 by flag, 8 without one
constexpr int kFirstReadErrorCounter = 9;   // 9..14 by flag, 15 without one

// Exception responses by exception code.
constexpr std::array<CounterOf, 9> kExceptionCounters = {{
    {1, 20},
    {2, 21},
    {3, 22},
    {4, 23},
    {5, 24},
    {6, 25},
    {7, 26},
    {10, 27},
    {11, 28},
}};
constexpr int kUnknownExceptionCounter = 29;
constexpr int kUnknownErrorCounter = 30;

template <std::size_t N>
int Lookup(const std::array<CounterOf, N>& table, int code, int otherwise) {
    for (const CounterOf& row : table) {
        if (row.code == code)
            return row.counter;
    }
    return otherwise;
}

}  // namespace

int ErrorCounterModel::CounterIndex(EngineStatus status, std::uint32_t writeErrorFlags,
                                    std::uint32_t readErrorFlags) {
    if (status == status::Ok)
        return -1;
    if (status >= status::ExceptionBase) {
        return Lookup(kExceptionCounters, status & 0x7F, kUnknownExceptionCounter);
    }
    if (status == status::WriteError)
        return kFirstWriteErrorCounter + WriteErrorSubKind(writeErrorFlags);
    if (status == status::ReadError)
        return kFirstReadErrorCounter + ReadErrorSubKind(readErrorFlags);
    return Lookup(kFailureCounters, status, kUnknownErrorCounter);
}

void ErrorCounterModel::Count(Counters& counters, EngineStatus status,
                              std::uint32_t writeErrorFlags, std::uint32_t readErrorFlags) {
    const int index = CounterIndex(status, writeErrorFlags, readErrorFlags);
    if (index < 0)
        return;
    std::int32_t& counter = counters[static_cast<std::size_t>(index)];
    if (counter < std::numeric_limits<std::int32_t>::max())
        ++counter;
}

QString ErrorCounterModel::LineText(int index, std::int32_t count) {
    if (index < 0 || index >= kCounterCount)
        return QString();
    const QByteArray format = LoadString(ids::ErrorCounterLineFirst + index).toUtf8();
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, format.constData(), static_cast<int>(count));
    return n < 0 ? QString() : QString::fromUtf8(buffer);
}

QStringList ErrorCounterModel::Lines(const Counters& counters) {
    QStringList lines;
    for (int i = 0; i < kCounterCount; ++i) {
        const std::int32_t count = counters[static_cast<std::size_t>(i)];
        if (i != kNoConnectionCounter && count != 0)
            lines.append(LineText(i, count));
    }
    if (lines.isEmpty())
        lines.append(LoadString(ids::NoErrors));
    return lines;
}

QStringList ErrorCounterModel::SortedLines(const Counters& counters) {
    QStringList lines = Lines(counters);
    std::stable_sort(lines.begin(), lines.end(), ListLess);
    return lines;
}

bool ErrorCounterModel::ListLess(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

QString ErrorCounterModel::CountingText(qint64 milliseconds) {
    const qint64 seconds = std::max<qint64>(0, milliseconds) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace zentiq
