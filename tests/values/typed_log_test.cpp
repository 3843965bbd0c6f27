// Logs of polls whose rows carry types of their own, for every kind of type:
// the text log's line, the CSV log's header and row, and the number the
// trend and automation take; the registers a typed value spans give no
// field, the rows after it follow the display format again.
#include <QStringList>

#include <array>
#include <cstring>
#include <optional>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "values/csv_log.h"
#include "values/log_line.h"
#include "values/row_type.h"
#include "values/typed_items.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace zentiq {
namespace {

using K = DecodeKind;
using O = ByteOrder;

RowType typeOf(K kind, O order, double scale = 1, const char* unit = "", int decimals = -1,
               int textRegisters = 1) {
    RowType t;
    t.reading = {kind, order};
    t.scale = scale;
    t.unit = QString::fromUtf8(unit);
    t.decimals = decimals;
    t.textRegisters = textRegisters;
    return t;
}

// Holding registers 40101..40106 shown as Signed; the value buffer holds
// the registers as read (what Signed keeps), the rest are 7.
struct TypedPoll {
    TypedPoll(const std::vector<std::uint16_t>& first, RowTypes rowTypes) : types(std::move(rowTypes)) {
        words.fill(7);
        std::copy(first.begin(), first.end(), words.begin());
        std::memcpy(values.data(), words.data(), 2 * kLength);
        poll = {100, 1, 3, kLength, 0, values};
        poll.words = words;
        poll.rowTypes = &types;
    }
    static constexpr int kLength = 6;
    std::array<std::uint16_t, 1000> words{};
    std::array<std::uint8_t, 2000> values{};
    RowTypes types;
    LogLine::Poll poll;
};

TEST(TypedLogTest, EveryTypeLogsAsTheRowShowsIt) {
    struct Case {
        RowType type;
        std::vector<std::uint16_t> words;
        const char* text;  // in the log line (the grid's text)
        const char* cell;  // in the CSV row
        std::optional<double> number;
    };
    const Case cases[] = {
        {typeOf(K::Unsigned16, O::ABCD), {0xFFFF}, "65535", "65535", 65535},
        {typeOf(K::Signed16, O::ABCD, 0.1, "°C"), {0xFF16}, "-23.4 °C", "-23.4", -23.4},
        {typeOf(K::Hex16, O::ABCD), {0x00A5}, "0x00A5", "0x00A5", 165},
        {typeOf(K::Bcd16, O::ABCD), {0x1234}, "1234", "1234", 1234},
        {typeOf(K::Unsigned32, O::ABCD), {0x0001, 0x0000}, "65536", "65536", 65536},
        {typeOf(K::Unsigned32, O::CDAB), {0xFFFF, 0xFFFF}, "4294967295", "4294967295", 4294967295.0},
        {typeOf(K::Signed32, O::BADC), {0xFFFF, 0xFEFF}, "-2", "-2", -2},
        {typeOf(K::Float32, O::DCBA, 1, "kWh", 2), {0x0080, 0x6643}, "230.50 kWh", "230.50", 230.5},
        {typeOf(K::Unsigned64, O::DCBA), {0x0100, 0, 0, 0}, "1", "1", 1},
        {typeOf(K::Signed64, O::CDAB), {0xFFFE, 0xFFFF, 0xFFFF, 0xFFFF}, "-2", "-2", -2},
        {typeOf(K::Float64, O::ABCD, 2), {0x3FF8, 0, 0, 0}, "3.0000000000", "3.0000000000", 3},  // 1.5 × 2
        {typeOf(K::Text, O::BADC, 1, "", -1, 3), {0x4241, 0x4443, 0x0045}, "ABCDE", "ABCDE", std::nullopt},
    };
    const std::time_t t = 1'700'000'000;
    for (const Case& c : cases) {
        SCOPED_TRACE(RowTypeLabel(c.type).toStdString());
        ASSERT_TRUE(c.type.Valid());
        const TypedPoll typed(c.words, {{100, c.type}});
        const int spans = c.type.Registers();
        QStringList fields{c.text}, cells{c.cell};
        QStringList names{c.type.unit.isEmpty() ? QStringLiteral("40101") : "40101 [" + c.type.unit + "]"};
        for (int i = spans; i < TypedPoll::kLength; ++i) {
            fields << QStringLiteral("7");
            cells << QStringLiteral("7");
            names << QString::number(40101 + i);
        }
        EXPECT_EQ(LogLine::Build(t, LogLine::Comma, typed.poll, false, {}),
                  LogLine::TimeText(t) + ",<" + LogLine::Label(typed.poll) + ">," + fields.join(','));
        EXPECT_EQ(CsvLog::Header(typed.poll, {}), "Time," + names.join(',') + ",Status");
        EXPECT_EQ(CsvLog::Row(0, typed.poll, false, {}), CsvLog::Time(0) + ',' + cells.join(',') + ',');

        // The number the trend charts and automation reads; none where spanned.
        const std::optional<double> number = ItemNumber(typed.poll, 0);
        ASSERT_EQ(number.has_value(), c.number.has_value());
        if (number) {
            EXPECT_NEAR(*number, *c.number, 1e-9 * std::max(1.0, std::abs(*c.number)));
        }
        EXPECT_EQ(ItemNumber(typed.poll, 1).has_value(), spans == 1);
    }
}

TEST(TypedLogTest, AValueTypedBeforeThePollSpansItsStartAndAliasesKeepTheUnit) {
    const TypedPoll typed({0x0001, 0xFFFE, 0x4F4B, 0x2121, 3, 9},
                          {{99, typeOf(K::Unsigned32, O::ABCD)},
                           {102, typeOf(K::Text, O::ABCD, 1, "", -1, 2)},
                           {105, typeOf(K::Unsigned16, O::ABCD, 0.5, "V")}});
    const std::time_t t = 1'700'000'000;
    EXPECT_EQ(LogLine::Build(t, LogLine::Tab, typed.poll, false, {}),
              LogLine::TimeText(t) + "\t<" + LogLine::Label(typed.poll) + ">\t-2\tOK!!\t3\t4.5 V");
    EXPECT_EQ(CsvLog::ValueItems(typed.poll), std::vector<int>({1, 2, 4, 5}));
    const auto alias = [](int item) { return item == 5 ? QStringLiteral("Supply") : QString(); };
    EXPECT_EQ(CsvLog::Header(typed.poll, alias), "Time,40102,40103,40105,Supply [V],Status");
    EXPECT_EQ(CsvLog::Row(0, typed.poll, false, {}).section(',', 1), "-2,OK!!,3,4.5,");
}

}  // namespace
}  // namespace zentiq
