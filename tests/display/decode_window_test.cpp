// The decode assistant of a poll window: which registers it decodes, the
// readings it lists and marks, how it follows new values, typed registers,
// the verdict on the best reading and the row type or display format it
// applies, its life with the poll window, and against a real pymodbus slave that the
// display formats read the registers as the readings they are mapped to.
#include "display/decode_window.h"

#include <QAction>
#include <QMenu>
#include <QTableView>
#include <QtTest/QTest>
#include <bit>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "display/decode_table_model.h"
#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "framework/window_registry.h"
#include "grid/grid_ctrl.h"
#include "resources/menus.h"
#include "support/peer_data.h"
#include "support/peer_process.h"
#include "support/poll_window.h"
#include "support/widget_environment.h"
#include "values/register_decode.h"
#include "values/value_format.h"

namespace zentiq {
namespace {

using testing::PollWindow;
using testing::ReadDefinition;

int rowOf(DecodeKind kind, ByteOrder order = ByteOrder::ABCD) { return DecodeTableModel::RowOf({kind, order}); }

QString cell(const DecodeWindow& w, int row, int column) {
    return w.Table().data(w.Table().index(row, column)).toString();
}

class OfflineDecodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngine();
        InstallEnginePoster();
    }
    // A stopped holding-register poll of `length` registers from `address`
    // whose registers are `words` (what the slave would have sent).
    std::unique_ptr<PollWindow> poll(int length, int address = 0, int format = 0) {
        PollDefinition def = ReadDefinition(3, address, length, format);
        def.bEnable = 0;
        def.OneBased = 1;
        return std::make_unique<PollWindow>(def);
    }
    DecodeWindow* open(PollWindow& w) {
        DecodeWindow* d = w.view->OpenDecodeWindow();
        if (d)
            d->SetWordSource([this]() -> std::optional<std::vector<std::uint16_t>> { return words; });
        return d;
    }
    std::vector<std::uint16_t> words;
};

TEST_F(OfflineDecodeTest, SelectedRegistersBecomeColumnsOfEveryReading) {
    struct Case {
        int function, format, length;
        bool selectAll;  // else rows 2..3 of the first value column
        std::vector<int> items;
    };
    const Case cases[] = {
        {3, 0, 10, false, {1, 2}},
        // Every register of a selected pair counts, whatever the format.
        {4, 4, 5, true, {0, 1, 2, 3, 4}},
        {1, 0, 10, true, {}},   // coils: nothing to decode
        {16, 0, 10, true, {}},  // a write poll reads nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "function " << c.function << " format " << c.format);
        PollDefinition def = ReadDefinition(c.function, 0, c.length, c.format);
        def.bEnable = 0;
        PollWindow w(def);
        CGridModel& g = w.doc->Grid()->model();
        if (c.selectAll)
            g.selectAll();
        else
            g.setSelectedRange(2, 2, 3, 2);
        EXPECT_EQ(w.view->SelectedDecodeItems(), c.items);
        EXPECT_TRUE(w.query(cmd::Decode).enabled);
    }
    auto w = poll(10);
    w->doc->Grid()->model().setSelectedRange(1, 1, 4, 1);  // alias cells only
    DecodeWindow* d = open(*w);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->Live());
    EXPECT_EQ(d->Table().columnCount(), 0);
}

TEST_F(OfflineDecodeTest, EveryReadingSideBySideWithDoubtfulOnesMarked) {
    auto w = poll(6, 0);
    // 230.5 as float ABCD, then a NaN word pair, then text "AB".
    words = {0x4366, 0x8000, 0x7FC0, 0x0000, 0x4142, 0x0000};
    w->doc->Grid()->model().selectAll();
    DecodeWindow* d = open(*w);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->Live());
    ASSERT_EQ(d->Table().columnCount(), 6);
    EXPECT_EQ(d->Table().rowCount(), int(AllReadings().size()));
    EXPECT_EQ(d->Table().headerData(0, Qt::Horizontal).toString(), "40001");
    EXPECT_EQ(d->Table().headerData(5, Qt::Horizontal).toString(), "40006");
    EXPECT_EQ(cell(*d, rowOf(DecodeKind::Unsigned16), 0), "17254");
    EXPECT_EQ(cell(*d, rowOf(DecodeKind::Hex16), 0), "0x4366");
    EXPECT_EQ(cell(*d, rowOf(DecodeKind::Float32), 0), "230.5");
    EXPECT_EQ(cell(*d, rowOf(DecodeKind::Float32), 2), "nan");
    EXPECT_EQ(cell(*d, rowOf(DecodeKind::Text), 4), "AB");
    // Past the end of the poll a 32/64-bit reading has nothing to show.
    EXPECT_EQ(cell(*d, rowOf(DecodeKind::Float32), 5), "—");
    EXPECT_EQ(cell(*d, rowOf(DecodeKind::Float64), 3), "—");
    const auto marked = [&](int row, int column) {
        return d->Table().data(d->Table().index(row, column), Qt::BackgroundRole).isValid();
    };
    EXPECT_FALSE(marked(rowOf(DecodeKind::Float32), 0));
    EXPECT_TRUE(marked(rowOf(DecodeKind::Float32), 2));
    EXPECT_EQ(d->Table().data(d->Table().index(rowOf(DecodeKind::Float32), 2), Qt::ToolTipRole).toString(),
              "NaN");
    // Text of the first register runs to the last: the NaN's bytes show escaped.
    EXPECT_TRUE(marked(rowOf(DecodeKind::Text), 0));
    EXPECT_TRUE(cell(*d, rowOf(DecodeKind::Text), 0).contains("\\x7f"));
}

TEST_F(OfflineDecodeTest, FollowsNewValuesAndTheMovingPoll) {
    auto w = poll(4, 10);
    words = {1, 2, 3, 4};
    w->doc->Grid()->model().setSelectedRange(2, 2, 2, 2);  // register 11 (item 1)
    DecodeWindow* d = open(*w);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->Table().Starts(), std::vector<int>({1}));
    EXPECT_EQ(cell(*d, rowOf(DecodeKind::Unsigned16), 0), "2");
    // A result of the poll: within the refresh interval the table shows it.
    words = {1, 77, 3, 4};
    emit w->view->valuesTaken();
    EXPECT_TRUE(QTest::qWaitFor([&] { return cell(*d, rowOf(DecodeKind::Unsigned16), 0) == "77"; }, 5000));
    // The poll now starts two registers earlier: the same register is item 3.
    w->doc->Model().def.Address = 8;
    w->doc->UpdateAllViews();
    EXPECT_EQ(d->Table().Starts(), std::vector<int>({3}));
    // A poll that reads coils now has no registers to follow.
    w->doc->Model().def.FunctionValue = 1;
    w->doc->UpdateAllViews();
    EXPECT_FALSE(d->Live());
}

TEST_F(OfflineDecodeTest, ApplyTypesTheStartRegisterOrWithTheOptionTheWholeWindow) {
    struct Case {
        const char* name;
        std::vector<std::uint16_t> words;
        int format;       // the window's display format before
        int selectedRow;  // grid row of the one selected cell
        const char* expected;
        int start;            // item whose row Apply types; -1: nothing to type
        DecodeReading reading;
        int registers;        // of the type
        double scale;
        int wholeWindow;      // display format the option sets, -1: option disabled
        const char* verdict;  // a part of the verdict
        int hexRow = 3;       // item typed Hex before: Apply leaves it, unless it is the start
    };
    using K = DecodeKind;
    using O = ByteOrder;
    const std::vector<std::uint16_t> floatCdab = EncodeBits(std::bit_cast<std::uint32_t>(230.5f), 2, ByteOrder::CDAB);
    const std::vector<std::uint16_t> floatBadc = EncodeBits(std::bit_cast<std::uint32_t>(230.5f), 2, ByteOrder::BADC);
    const std::vector<std::uint16_t> minusTwo = EncodeBits(std::uint64_t(-2), 4, ByteOrder::ABCD);
    const int F = int(DisplayFormat::Float), FI = int(DisplayFormat::FloatInverse);
    const Case cases[] = {
        {"float", {floatCdab[0], floatCdab[1], 0, 0}, 0, 1, "230.5", 0, {K::Float32, O::CDAB}, 2, 1, F, "Float (CDAB)"},
        {"float inverse", {0x4366, 0x8000, 0, 0}, 0, 1, "230.5", 0, {K::Float32, O::ABCD}, 2, 1, FI, "Float Inverse (ABCD)"},
        // The user picked the second register of the pair: the type goes
        // where the value starts.
        {"off by one", {floatCdab[0], floatCdab[1], 0, 0}, 0, 2, "230.5", 0, {K::Float32, O::CDAB}, 2, 1, F, "40001"},
        {"signed", {0, 0xFFF4, 0, 0}, 1, 2, "-12", 1, {K::Signed16, O::ABCD}, 1, 1, int(DisplayFormat::Signed), "Signed"},
        {"already shown", {0, 0xFFF4, 0, 0}, 0, 2, "-12", -1, {}, 0, 1, -1, "窗口已使用显示格式 Signed"},
        {"hex typed", {0x00A5, 0, 0, 0}, 0, 1, "0xa5", 0, {K::Hex16, O::ABCD}, 1, 1, int(DisplayFormat::Hex), "Hex"},
        // What no display format shows is still a row type.
        {"byte-swapped float", {floatBadc[0], floatBadc[1], 0, 0}, 0, 1, "230.5", 0, {K::Float32, O::BADC}, 2, 1, -1, "字节交换"},
        {"64-bit integer", minusTwo, 0, 1, "-2", 0, {K::Signed64, O::ABCD}, 4, 1, -1, "64"},
        {"text", {0x4142, 0x4300, 0, 0}, 0, 1, "\"ABC\"", 0, {K::Text, O::ABCD}, 2, 1, -1, "文本"},
        {"a float at an odd register", {0, floatCdab[0], floatCdab[1], 0}, 0, 2, "230.5", 1, {K::Float32, O::CDAB}, 2, 1, -1, "40002"},
        {"scaled integer", {0, 235, 0, 0}, 0, 2, "23.5", 1, {K::Unsigned16, O::ABCD}, 1, 0.1, -1, "×10"},
        // The format would show it, but the row has a type of its own.
        {"row typed otherwise", {0, 0xFFF4, 0, 0}, 0, 2, "-12", 1, {K::Signed16, O::ABCD}, 1, 1, -1, "40002", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool whole : {false, true}) {
            SCOPED_TRACE(whole ? "whole window" : "row");
            auto w = poll(4, 0, c.format);
            RowType other;
            other.reading = {K::Hex16, O::ABCD};
            ASSERT_TRUE(w->doc->SetRowTypes({c.hexRow}, other));
            words = c.words;
            w->doc->Grid()->model().setSelectedRange(c.selectedRow, 2, c.selectedRow, 2);
            DecodeWindow* d = open(*w);
            ASSERT_NE(d, nullptr);
            d->SetApplyToWholeWindow(whole);
            d->SetExpectation(QString::fromUtf8(c.expected));
            ASSERT_FALSE(d->Candidates().empty());
            EXPECT_EQ(d->Candidates()[0].score, 0);
            EXPECT_TRUE(d->Verdict().contains(QString::fromUtf8(c.verdict))) << d->Verdict().toStdString();
            EXPECT_EQ(d->ApplicableFormat(), c.wholeWindow);
            EXPECT_EQ(d->WholeWindowPossible(), c.wholeWindow >= 0);
            ASSERT_EQ(d->ApplicableType().has_value(), c.start >= 0);
            const bool applies = c.start >= 0 || (whole && c.wholeWindow >= 0);
            EXPECT_EQ(d->ApplyEnabled(), applies);
            w->doc->SetModifiedFlag(false);
            EXPECT_EQ(d->ApplyBest(), applies);
            EXPECT_EQ(w->doc->IsModified(), applies);
            const RowTypes types{{c.hexRow, other}};
            if (whole && c.wholeWindow >= 0) {
                // As the display menu does it; no row gets a type.
                EXPECT_EQ(w->doc->Model().def.DisplayFormat, c.wholeWindow);
                EXPECT_EQ(w->doc->Model().rowTypes, types);
                continue;
            }
            EXPECT_EQ(w->doc->Model().def.DisplayFormat, c.format);
            if (c.start >= 0) {
                ASSERT_EQ(w->doc->Model().rowTypes.size(), c.hexRow == c.start ? 1u : 2u);
                const RowType& typed = w->doc->Model().rowTypes.at(c.start);
                EXPECT_EQ(typed.reading, c.reading);
                EXPECT_EQ(typed.Registers(), c.registers);
                EXPECT_DOUBLE_EQ(typed.scale, c.scale);
                // Now shown by the row's type: nothing left to apply there.
                EXPECT_FALSE(d->ApplicableType().has_value());
                EXPECT_TRUE(d->Verdict().contains("该行的类型")) << d->Verdict().toStdString();
                EXPECT_FALSE(d->ApplyEnabled());
            } else {
                EXPECT_EQ(w->doc->Model().rowTypes, types);
            }
            // Still in view here, live.
            EXPECT_FALSE(d->Candidates()[0].value.text.isEmpty());
        }
    }
}

TEST_F(OfflineDecodeTest, ANearReadingIsNeverCalledTheValue) {
    struct Case {
        const char* name;
        std::vector<std::uint16_t> words;
        int firstRow, lastRow;  // grid rows of the selected cells
        const char* expected;
        bool applies;
        const char* verdict;  // a part of the verdict
        const char* absent;   // what it must not say
    };
    const std::vector<std::uint16_t> pair = EncodeBits(std::bit_cast<std::uint32_t>(230.5f), 2, ByteOrder::CDAB);
    const Case cases[] = {
        // 57 in the next register is 43 % from 100: the nearest, not the value.
        {"no match", {2305, 57, 0, 0}, 1, 1, "100", false, "没有读数接近期望值；", "差一"},
        // A scaled integer is the value once its row is typed with the scale.
        {"scaled integer", {0, 235, 0, 0}, 2, 2, "23.5", true, "×10", "没有读数"},
        // Two registers chosen, the pair starts at the second: one numbering.
        {"pair from the second of two", {0, pair[0], pair[1], 0}, 1, 2, "230.5", true, "第二个 40002", "第 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto w = poll(4, 0, int(DisplayFormat::Signed));
        words = c.words;
        w->doc->Grid()->model().setSelectedRange(c.firstRow, 2, c.lastRow, 2);
        DecodeWindow* d = open(*w);
        ASSERT_NE(d, nullptr);
        d->SetExpectation(QString::fromLatin1(c.expected));
        ASSERT_FALSE(d->Candidates().empty());
        EXPECT_EQ(d->ApplyEnabled(), c.applies);
        EXPECT_TRUE(d->Verdict().contains(QString::fromUtf8(c.verdict))) << d->Verdict().toStdString();
        EXPECT_FALSE(d->Verdict().contains(QString::fromUtf8(c.absent))) << d->Verdict().toStdString();
    }
}

TEST_F(OfflineDecodeTest, TypedRegistersAreDecodedAndBadOnesRefused) {
    auto w = poll(2);
    words = {1, 2};
    w->doc->Grid()->model().selectAll();
    DecodeWindow* d = open(*w);
    ASSERT_NE(d, nullptr);
    d->SetTypedWords("4366 8000");
    EXPECT_FALSE(d->Live());
    EXPECT_EQ(d->Table().Words(), std::vector<std::uint16_t>({0x4366, 0x8000}));
    EXPECT_EQ(d->Table().headerData(0, Qt::Horizontal).toString(), "#1");
    d->SetExpectation("230.5");
    ASSERT_FALSE(d->Candidates().empty());
    EXPECT_EQ(d->Candidates()[0].reading, (DecodeReading{DecodeKind::Float32, ByteOrder::ABCD}));
    // Typed registers belong to no poll: nothing to apply, but the format is named.
    EXPECT_FALSE(d->ApplyEnabled());
    EXPECT_TRUE(d->Verdict().contains("Float Inverse (ABCD)"));
    // A typo keeps the table and says what is wrong.
    d->SetTypedWords("4366 80G0");
    EXPECT_FALSE(d->InputError().isEmpty());
    EXPECT_EQ(d->Table().Words(), std::vector<std::uint16_t>({0x4366, 0x8000}));
    // Cleared: back to the poll's registers.
    d->SetTypedWords("");
    EXPECT_TRUE(d->Live());
    EXPECT_TRUE(d->InputError().isEmpty());
    EXPECT_EQ(d->Table().Words(), std::vector<std::uint16_t>({1, 2}));
}

TEST_F(OfflineDecodeTest, OpenedFromBothMenusAndClosedWithThePollWindow) {
    bool inDisplayMenu = false;
    for (const MenuEntry& e : MenuWithDocuments())
        inDisplayMenu = inDisplayMenu || e.id == cmd::Decode;
    EXPECT_TRUE(inDisplayMenu);
    auto w = poll(4);
    const std::unique_ptr<QMenu> menu = w->view->CreateContextMenu();
    QAction* action = nullptr;
    for (QAction* a : menu->actions())
        if (a->data().toInt() == cmd::Decode)
            action = a;
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->isEnabled());
    action->trigger();
    QPointer<DecodeWindow> d = w->view->findChild<DecodeWindow*>();
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->isVisible());
    w.reset();
    EXPECT_TRUE(d.isNull());
}

// ---- against pymodbus ----------------------------------------------------------------------

class PyModbusDecodeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_peer = test::PeerProcess::PyModbus(test::PeerProcess::Mode::Tcp, "", s_error, 1); }
    static void TearDownTestSuite() { s_peer.reset(); }
    void SetUp() override {
        ASSERT_TRUE(s_peer) << s_error;
        InitEngine();
        InstallEnginePoster();
        SetPollDelay(1);
        ASSERT_EQ(OpenTcpConnection("127.0.0.1", s_peer->Port(), 1000, 3000), 0);
        ASSERT_EQ(SetTransmissionMode(TCP), 1);
        ASSERT_EQ(StartPolling(), 1);
    }
    void TearDown() override {
        StopPolling();
        CloseTcpConnection();
    }
    static std::unique_ptr<test::PeerProcess> s_peer;
    static std::string s_error;
};
std::unique_ptr<test::PeerProcess> PyModbusDecodeTest::s_peer;
std::string PyModbusDecodeTest::s_error;

// The slave's registers reach the assistant as sent, in every display
// format; and each format shows the number of the reading it is mapped to
// (so "Float" really is CDAB and "Float inverse" ABCD, and so on).
TEST_F(PyModbusDecodeTest, DisplayFormatsShowTheReadingsTheyAreMappedTo) {
    constexpr int kAddress = 40;
    constexpr int kLength = 8;
    PollWindow w(ReadDefinition(3, kAddress, kLength, 0, 10));
    w.doc->Grid()->model().selectAll();
    DecodeWindow* d = w.view->OpenDecodeWindow();
    ASSERT_NE(d, nullptr);
    std::vector<std::uint16_t> sent;
    for (int i = 0; i < kLength; ++i)
        sent.push_back(zq_peer_holding(unsigned(kAddress + i)));
    for (int format = 0; format < kDisplayFormatCount; ++format) {
        SCOPED_TRACE(DisplayFormatLabel(format).toStdString());
        w.doc->Model().def.DisplayFormat = format;
        const quint32 seen = w.model().txCount;
        ASSERT_TRUE(w.waitForPolls(seen + 2));
        EXPECT_TRUE(QTest::qWaitFor([&] { return d->Table().Words() == sent; }, 5000));
        bool mapped = false;
        for (const DecodeReading& r : AllReadings()) {
            if (DisplayFormatFor(r, 0) != format)
                continue;
            mapped = true;
            const std::optional<double> shown = NumericValue(
                std::span<const std::uint8_t>(w.model().values.data(), w.model().values.size()), kLength, 3,
                format, 0);
            ASSERT_TRUE(shown);
            EXPECT_EQ(DecodeAt(d->Table().Words(), 0, r).number, *shown) << ReadingName(r).toStdString();
        }
        EXPECT_TRUE(mapped);
    }
}

}  // namespace
}  // namespace zentiq
