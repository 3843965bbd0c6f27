// A typed row's writer against pymodbus: double-click on a row of each type,
// type the value as the row shows it, Send; the registers read back from the
// slave hold what the type means bit for bit, with function 06 for one
// register and 16 for more. A value the type cannot hold sends nothing, and
// a value left as shown sends the registers as they were read.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "display/zentiq_view.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "framework/one_shot_request.h"
#include "framework/window_registry.h"
#include "writes/mb_write_typed.h"
#include "writes/pymodbus_suite.h"
#include "writes/write_test_support.h"

namespace zentiq {
namespace {

using testing::kWaitMs;
using testing::RecordingInteraction;
using Words = std::vector<std::uint16_t>;

constexpr int kAt = 700;  // registers no other test of the suite writes
constexpr int kLength = 30;

RowType typeOf(DecodeKind kind, ByteOrder order = ByteOrder::ABCD, int textRegisters = 1) {
    RowType t;
    t.reading = {kind, order};
    t.textRegisters = textRegisters;
    return t;
}

class TypedWritePeerTest : public testing::PyModbusSuite<> {
protected:
    int oneShot(const OneShotArgs& args, const OneShotRequest::Loader& load) {
        OneShotRequest request;
        int status = -1;
        QObject::connect(&request, &OneShotRequest::Finished, [&](int s) { status = s; });
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return request.Submit(DefaultLine(), args, load); }, kWaitMs));
        EXPECT_TRUE(QTest::qWaitFor([&] { return status >= 0; }, kWaitMs));
        return status;
    }
    Words holding(int at, int n) {
        Words words(std::size_t(n), 0);
        EXPECT_EQ(oneShot({1, 3, std::uint16_t(at), std::uint16_t(n), 0, 0}, {}), 0);
        ReadRegisters(0, words.data());
        return words;
    }
    void put(int at, const Words& words) {
        const auto n = std::uint16_t(words.size());
        EXPECT_EQ(
            oneShot({1, 16, 0, 0, std::uint16_t(at), n},
                    [&](ModbusLine& line) { return line.SetWriteRegisters(0, n, words.data()); }),
            0);
    }
    int lastFunction() {
        std::uint8_t capture[kRequestCaptureSize] = {};
        return GetRequestCapture(0, capture) > 7 ? capture[7] : -1;  // after the MBAP header
    }

    void openWindow() {
        doc.OnNewDocument();
        PollDefinition& def = doc.Model().def;
        def.SlaveID = 1;
        def.FunctionValue = 3;
        def.Address = kAt;
        def.Length = kLength;
        def.ScanRate = 20;
        def.bEnable = 1;
        doc.ComputeGridSize();
        view = std::make_unique<CZentiqView>(&doc, nullptr);
        view->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return doc.Model().okCount > 0; }, kWaitMs));
    }
    // Double-click on the cell of `item`.
    bool edit(int item) {
        int row = 0, column = 0;
        return doc.Model().CellOfItem(item, row, column) && view->OnValueEdit(row, column, 1);
    }

    CZentiqDoc doc;
    std::unique_ptr<CZentiqView> view;
    RecordingInteraction ui;
};

TEST_F(TypedWritePeerTest, EveryTypeLandsBitForBitWithTheFunctionItsSizeNeeds) {
    RowType celsius = typeOf(DecodeKind::Signed16);
    celsius.scale = 0.1;
    celsius.unit = QStringLiteral("°C");
    struct Case {
        int item;
        RowType type;
        const char* text;
        Words words;
    };
    const Case cases[] = {
        {0, typeOf(DecodeKind::Signed16), "-1234", {0xFB2E}},
        {1, typeOf(DecodeKind::Unsigned32), "3000000000", {0xB2D0, 0x5E00}},
        {3, typeOf(DecodeKind::Float32, ByteOrder::CDAB), "21.5", {0x0000, 0x41AC}},
        {5, typeOf(DecodeKind::Float32, ByteOrder::BADC), "-3.25", {0x50C0, 0x0000}},
        {7, typeOf(DecodeKind::Float32, ByteOrder::DCBA), "1013.25", {0x0050, 0x7D44}},
        {9, typeOf(DecodeKind::Signed64), "-2", {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFE}},
        {13,
         typeOf(DecodeKind::Unsigned64, ByteOrder::CDAB),
         "12345678901234567890",
         {0x0AD2, 0xEB1F, 0xA98C, 0xAB54}},
        {17, typeOf(DecodeKind::Bcd16), "2024", {0x2024}},
        {18, typeOf(DecodeKind::Text, ByteOrder::ABCD, 4), "ZQ-7", {0x5A51, 0x2D37, 0, 0}},
        {22, typeOf(DecodeKind::Text, ByteOrder::BADC, 2), "SN", {0x4E53, 0}},
        {24, celsius, "23.5 °C", {235}},
        {25, typeOf(DecodeKind::Hex16), "0xBEEF", {0xBEEF}},
    };
    RowTypes types;
    for (const Case& c : cases)
        types[kAt + c.item] = c.type;
    put(kAt, Words(kLength, 0));
    openWindow();
    ASSERT_TRUE(doc.ReplaceRowTypes(types));

    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QString registers;
        int function = -1;
        ui.onModal<CMBWriteTyped>([&](CMBWriteTyped& d) {
            d.valueEdit()->setText(QString::fromUtf8(c.text));
            registers = d.registersLabel()->text();
            if (testing::sendAndWait(d))
                function = lastFunction();
            return int(QDialog::Rejected);
        });
        ASSERT_TRUE(edit(c.item));
        ui.clearModal();
        EXPECT_EQ(holding(kAt + c.item, int(c.words.size())), c.words);
        EXPECT_EQ(function, c.words.size() == 1 ? 6 : 16);
        EXPECT_TRUE(registers.startsWith(QString::asprintf("0x%04X", c.words[0])))
            << registers.toStdString();
    }
}

TEST_F(TypedWritePeerTest, AValueLeftAsShownSendsTheBitsReadAndOneThatDoesNotFitSendsNothing) {
    RowType coarse = typeOf(DecodeKind::Float32);
    coarse.decimals = 1;  // shows 123456.8 for 123456.79
    RowType small = typeOf(DecodeKind::Unsigned16);
    small.scale = 0.1;
    const Words bits = {0x47F1, 0x2065};
    put(kAt + 26, bits);
    put(kAt + 28, {7});
    openWindow();
    ASSERT_TRUE(doc.ReplaceRowTypes({{kAt + 26, coarse}, {kAt + 28, small}}));

    QString shown;
    ui.onModal<CMBWriteTyped>([&](CMBWriteTyped& d) {
        shown = d.valueEdit()->text();
        put(kAt + 26, {0, 0});  // only the original bits bring them back
        testing::sendAndWait(d);
        return int(QDialog::Rejected);
    });
    ASSERT_TRUE(edit(27));  // the second register of the value opens it too
    EXPECT_EQ(shown, QStringLiteral("123456.8"));
    EXPECT_EQ(holding(kAt + 26, 2), bits);

    // 7000 × 10 does not fit 16 bits: refused with the reason, nothing sent.
    QString why;
    bool sent = true;
    ui.onModal<CMBWriteTyped>([&](CMBWriteTyped& d) {
        d.valueEdit()->setText(QStringLiteral("7000"));
        why = d.registersLabel()->text();
        sent = testing::sendAndWait(d);
        return int(QDialog::Rejected);
    });
    ASSERT_TRUE(edit(28));
    EXPECT_FALSE(sent);
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(holding(kAt + 28, 1), Words{7});
}

}  // namespace
}  // namespace zentiq
