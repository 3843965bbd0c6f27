// The figures of the bus statistics window, without the window: each poll
// window's request beside what the engine measured for its slot (achieved
// rate, response times, failures), the line's busy share and transaction
// rate, and the same as copy text and CSV.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>
#include <vector>

#include "engine/slot_timing.h"

namespace zentiq {

// Where and when the figures were taken, written above them in a CSV file.
struct BusStatisticsSource {
    QString connection;  // "TCP 127.0.0.1:502", "/dev/ttyUSB0 19200 8E1 RTU"
    QDateTime start;     // the figures count from here
    QDateTime end;
    QString version;     // the program's
};

// What one poll window asks of the line.
struct PollWindowRequest {
    QString name;  // the window's title
    int slot = -1;  // its engine slot, -1 while it has none
    int slaveId = 1;
    int function = 3;
    int address = 0;  // first protocol address (0-based)
    int quantity = 0;
    int oneBased = 0;  // added to the addresses as they are shown
    int scanRate = 0;  // ms between polls; 0 = as fast as the line allows
    // Switched on, holding a slot and connected: only then is its rate judged.
    bool polling = false;
};

struct BusStatisticsRow {
    PollWindowRequest request;
    quint32 transactions = 0;
    quint32 answered = 0;
    std::optional<double> requestedPerSecond;  // none for scan rate 0
    std::optional<double> achievedPerSecond;   // none before two transactions
    // Polling, and getting less than kSlowShare of the rate it asked for.
    bool slow = false;
    // Response times in milliseconds; none before the first answer.
    std::optional<double> lastMs, minMs, avgMs, p95Ms, maxMs;
    quint32 timeouts = 0;
    quint32 checksumErrors = 0;
    quint32 exceptions = 0;
};

struct BusLineFigures {
    quint64 transactions = 0;
    double wallSeconds = 0;
    std::optional<double> busyShare;  // 0..1; none before the worker ran
    std::optional<double> transactionsPerSecond;
};

class BusStatistics {
    Q_DECLARE_TR_FUNCTIONS(BusStatistics)
public:
    static constexpr double kSlowShare = 0.9;
    // A window is judged only once it has this many polls (two periods).
    static constexpr quint32 kPollsToJudge = 3;

    static BusStatisticsRow Row(const PollWindowRequest& request, const SlotTiming& timing);
    // Polls per second over the figures' span. While the slot has waited
    // longer than its mean period since its last poll (a window that no
    // longer gets its turn), that wait counts too, so the rate falls.
    static std::optional<double> AchievedPerSecond(const SlotTiming& timing, bool polling);
    static BusLineFigures Line(const LineTiming& timing);

    // Column titles, and the texts of one row in that order.
    static QStringList Headers();
    static QStringList Cells(const BusStatisticsRow& row);
    // Column of the achieved rate (marked when slow).
    static constexpr int kAchievedColumn = 6;
    // Why a slow row is marked: what it asked for and what it got.
    static QString SlowText(const BusStatisticsRow& row);
    // "总线占用 …, … 事务/秒" for the line.
    static QString LineText(const BusLineFigures& line);

    // Tab-separated: the line's figures, then the headers and every row.
    static QString CopyText(const std::vector<BusStatisticsRow>& rows, const BusLineFigures& line);
    // The headers and every row, then a blank line and the line's figures
    // as name/value rows; UTF-8, CRLF, through the program's CSV writer.
    static QByteArray Csv(const std::vector<BusStatisticsRow>& rows, const BusLineFigures& line);
    // The same after a block of name/value rows saying where and when the
    // figures were taken, and by which version, and a blank line.
    static QByteArray Csv(const BusStatisticsSource& source, const std::vector<BusStatisticsRow>& rows,
                          const BusLineFigures& line);
};

}  // namespace zentiq
