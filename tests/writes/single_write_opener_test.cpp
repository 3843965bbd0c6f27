// The write commands and value cells of a poll document open the right
// single-value dialog with the right start values, and the application-wide
// options come back from it only through Send.
#include <QRadioButton>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "framework/command_target.h"
#include "grid/grid_ctrl.h"
#include "values/value_format.h"
#include "writes/single_write_opener.h"
#include "support/recording_interaction.h"
#include "writes/single_write_test_support.h"

namespace zentiq {
namespace {

using namespace zentiq::testing;

// What a dialog held when it opened.
struct Opened {
    Kind kind{};
    int slaveId = 0, address = 0, base = 0, closeOnSuccess = 0;
    int format = -1, typedKey = -99, presetSingle = -1, coilState = -1;
    int signedValue = 0, unsignedValue = 0;
    QString hex;
    long long integer = 0;  // bitwise word or long value
    double real = 0;        // float or double value
};

Opened describe(SingleWriteDialog& d) {
    Opened o;
    o.slaveId = d.slaveId;
    o.address = d.address;
    o.base = d.addressBase;
    o.closeOnSuccess = d.closeOnSuccess;
    if (auto* c = dynamic_cast<CMBWriteCoil*>(&d)) {
        o.kind = Kind::Coil;
        o.coilState = c->coilState;
        o.presetSingle = c->presetSingle;
    } else if (auto* r = dynamic_cast<CMBWriteRegister*>(&d)) {
        o.kind = Kind::Register;
        o.format = r->displayFormat;
        o.typedKey = r->typedKey;
        o.presetSingle = r->presetSingle;
        o.signedValue = r->signedValue;
        o.unsignedValue = r->unsignedValue;
        o.hex = r->hexText;
    } else if (auto* b = dynamic_cast<CMBWriteRegisterBin*>(&d)) {
        o.kind = Kind::Bin;
        o.integer = b->value;
        o.presetSingle = b->presetSingle;
    } else if (auto* l = dynamic_cast<CMBWriteRegisterInt*>(&d)) {
        o.kind = Kind::Long;
        o.format = l->displayFormat;
        o.typedKey = l->typedKey;
        o.integer = l->value;
    } else if (auto* f = dynamic_cast<CMBWriteFloat*>(&d)) {
        o.kind = Kind::Float;
        o.format = f->displayFormat;
        o.typedKey = f->typedKey;
        o.real = f->IsDouble() ? f->doubleValue : f->floatValue;
    }
    return o;
}

class OpenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngine();
        PollDocumentModel::ApplicationWide() = {};
        warnings.onModal<SingleWriteDialog>([this](SingleWriteDialog& d) {
            opened.push_back(describe(d));
            if (inside) inside(d);
            return int(QDialog::Rejected);
        });
        PollDefinition def;
        def.FunctionValue = 3;
        def.Address = 10;
        def.Length = 5;
        def.SlaveID = 7;
        def.OneBased = 1;
        def.bEnable = 0;
        doc.OnNewDocument();
        doc.Model().def = def;
        doc.ComputeGridSize();
        view = new CZentiqView(&doc, nullptr);
        view->resize(800, 400);
        view->show();
    }
    void TearDown() override {
        delete view.data();
    }

    // Double-click (character 1) or typed character on poll item i.
    bool edit(int item, int character) {
        int row = 0, column = 0;
        EXPECT_TRUE(doc.Model().CellOfItem(item, row, column));
        return view->OnValueEdit(row, column, character);
    }
    void setFormat(int format) { doc.Model().def.DisplayFormat = format; }
    template <class T>
    void put(int item, T value) { std::memcpy(doc.Model().values.data() + 2 * item, &value, sizeof value); }

    std::vector<Opened> opened;
    std::function<void(SingleWriteDialog&)> inside;
    RecordingInteraction warnings;
    CZentiqDoc doc;
    QPointer<CZentiqView> view;
};

TEST_F(OpenerTest, CommandsOpenAtTheFocusCellWithTheDocumentsSlaveAndBase) {
    for (int id : {cmd::WriteSingleCoil, cmd::WriteSingleRegister}) {
        CommandState state;
        EXPECT_TRUE(view->OnUpdateCommand(id, state));
        EXPECT_TRUE(state.enabled) << id;
    }
    int row = 0, column = 0;
    ASSERT_TRUE(doc.Model().CellOfItem(3, row, column));
    doc.Grid()->model().setFocusCell(row, column);
    struct Case {
        int command, format;
        Kind kind;
        int dialogFormat;
    };
    const Case cases[] = {
        {cmd::WriteSingleCoil, 0, Kind::Coil, -1},
        {cmd::WriteSingleRegister, 1, Kind::Register, 1},
        {cmd::WriteSingleRegister, 2, Kind::Register, 2},
        {cmd::WriteSingleRegister, 3, Kind::Bin, -1},
        {cmd::WriteSingleRegister, 8, Kind::Register, 0},  // wide formats edit as Signed
        {cmd::WriteSingleRegister, 6, Kind::Register, 0},
    };
    for (const Case& c : cases) {
        setFormat(c.format);
        opened.clear();
        ASSERT_TRUE(view->OnCommand(c.command));
        ASSERT_EQ(opened.size(), 1u) << c.format;
        const Opened& o = opened[0];
        EXPECT_EQ(o.kind, c.kind) << c.format;
        EXPECT_EQ(o.format, c.dialogFormat);
        EXPECT_EQ(o.address, 14);  // 10 + base 1 + item 3
        EXPECT_EQ(o.slaveId, 7);
        EXPECT_EQ(o.base, 1);
        EXPECT_EQ(o.integer, 0);
        EXPECT_EQ(o.coilState, c.kind == Kind::Coil ? CMBWriteCoil::kOff : -1);
        if (c.kind == Kind::Register) {
            EXPECT_EQ(o.hex, "0");
            EXPECT_EQ(o.typedKey, kNoTypedKey);
        }
    }
    // No value cell in focus: the address base itself.
    doc.Grid()->model().setFocusCell(0, 0);
    opened.clear();
    view->OnCommand(cmd::WriteSingleCoil);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].address, 1);
}

TEST_F(OpenerTest, OptionsComeBackOnlyThroughSend) {
    auto& options = PollDocumentModel::ApplicationWide();
    // Changed and sent (the register dialog takes its fields before it finds
    // no connection): kept.
    inside = [](SingleWriteDialog& d) {
        d.show();
        press(child<QAbstractButton>(&d, "closeOnSuccessCheck"));
        press(child<QAbstractButton>(&d, "multipleFunctionRadio"));
        QTest::mouseClick(SendButton(&d), Qt::LeftButton);
        EXPECT_EQ(d.ResultText(), QString::fromUtf8("没有连接"));
    };
    view->OnCommand(cmd::WriteSingleRegister);
    EXPECT_EQ(options.CloseOnSuccess, 1);
    EXPECT_EQ(options.PresetSingle, 1);
    // Changed, but the coil dialog stops before it takes its fields: not kept.
    opened.clear();
    inside = [](SingleWriteDialog& d) {
        d.show();
        press(child<QAbstractButton>(&d, "closeOnSuccessCheck"));
        press(child<QAbstractButton>(&d, "singleFunctionRadio"));
        QTest::mouseClick(SendButton(&d), Qt::LeftButton);
    };
    view->OnCommand(cmd::WriteSingleCoil);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].closeOnSuccess, 1);
    EXPECT_EQ(opened[0].presetSingle, 1);
    EXPECT_EQ(options.CloseOnSuccess, 1);
    EXPECT_EQ(options.PresetSingle, 1);
    // The long dialog hands back its close-on-success only.
    setFormat(8);
    inside = [](SingleWriteDialog& d) {
        d.show();
        press(child<QAbstractButton>(&d, "closeOnSuccessCheck"));
        QTest::mouseClick(SendButton(&d), Qt::LeftButton);
    };
    EXPECT_TRUE(edit(0, 1));
    EXPECT_EQ(options.CloseOnSuccess, 0);
    EXPECT_EQ(options.PresetSingle, 1);
}

TEST_F(OpenerTest, ValueCellsOfReadPollsOpenTheirDialog) {
    struct Case {
        int function, format, item, character;
        std::optional<Kind> kind;  // nothing opens
        int address = 0;
        long long integer = 0;
        double real = 0;
        int typedKey = -99;
        int coilState = -1;
    };
    const int on = CMBWriteCoil::kOn, off = CMBWriteCoil::kOff;
    const Case cases[] = {
        // Coils: item 2 is ON, item 3 OFF.
        {1, 0, 2, 1, Kind::Coil, 13, 0, 0, -99, on},
        {1, 0, 2, ' ', Kind::Coil, 13, 0, 0, -99, off},
        {2, 0, 3, ' ', Kind::Coil, 14, 0, 0, -99, on},
        {1, 0, 2, '0', Kind::Coil, 13, 0, 0, -99, off},
        {2, 0, 3, '1', Kind::Coil, 14, 0, 0, -99, on},
        {1, 0, 3, 1, Kind::Coil, 14, 0, 0, -99, off},
        // Registers: item 1 holds 40000.
        {3, 1, 1, 1, Kind::Register, 12, 40000, 0, -1},
        {4, 1, 1, '7', Kind::Register, 12, 7, 0, 7},
        {3, 2, 1, 'b', Kind::Register, 12, 11, 0, 11},
        {3, 3, 1, '1', Kind::Bin, 12, 40000, 0},  // the bitwise dialog starts from the word
        // Item 3 is the second register of the float pair 2-3.
        {3, 4, 3, 1, Kind::Float, 13, 0, 1.5, -1},
        {4, 5, 2, '-', Kind::Float, 13, 0, 1.5, -2},
        {3, 4, 4, 1, std::nullopt},  // pair cut off by the end of the poll
        {3, 7, 2, '4', Kind::Float, 11, 0, 4, 4},
        {3, 6, 4, 1, std::nullopt},
        {4, 9, 1, 1, Kind::Long, 11, -5, 0, -1},
        {4, 8, 4, 1, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "function " << c.function << " format " << c.format
                                          << " item " << c.item << " char " << c.character);
        doc.Model().def.FunctionValue = c.function;
        setFormat(c.format);
        doc.Model().values.fill(0);
        if (c.function <= 2)
            doc.Model().values[2] = 1;
        else if (c.format <= 3)
            put<std::uint16_t>(1, 40000);
        else if (c.format <= 5)
            put(2, 1.5f);
        else if (c.format <= 7)
            put(0, 2.25);
        else
            put<std::int32_t>(0, -5);
        opened.clear();
        edit(c.item, c.character);
        ASSERT_EQ(opened.size(), c.kind ? 1u : 0u);
        if (!c.kind) continue;
        const Opened& o = opened[0];
        EXPECT_EQ(o.kind, *c.kind);
        EXPECT_EQ(o.address, c.address);
        EXPECT_EQ(o.slaveId, 7);
        EXPECT_EQ(o.base, 1);
        EXPECT_EQ(o.coilState, c.coilState);
        if (o.kind == Kind::Register) {
            EXPECT_EQ(o.unsignedValue, c.integer);
            EXPECT_EQ(o.hex, QString::number(c.integer, 16).toUpper());
            EXPECT_EQ(o.format, c.format);
        } else if (o.kind != Kind::Coil) {
            EXPECT_EQ(o.integer, c.integer);
            EXPECT_EQ(o.real, c.real);
        }
        if (o.kind == Kind::Float || o.kind == Kind::Long || o.kind == Kind::Register) {
            EXPECT_EQ(o.typedKey, c.typedKey);
            EXPECT_EQ(o.format, c.format);
        }
    }
    // Typed on the grid itself.
    doc.Model().def.FunctionValue = 3;
    setFormat(1);
    int row = 0, column = 0;
    ASSERT_TRUE(doc.Model().CellOfItem(1, row, column));
    doc.Grid()->model().setFocusCell(row, column);
    opened.clear();
    QTest::keyClicks(doc.Grid(), "7");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].kind, Kind::Register);
    EXPECT_EQ(opened[0].unsignedValue, 7);
    EXPECT_EQ(opened[0].typedKey, 7);
    EXPECT_EQ(opened[0].address, 12);

    // Write polls are not this opener's.
    opened.clear();
    doc.Model().def.FunctionValue = 6;
    ValueEditRequest request;
    request.function = 6;
    request.keyCode = -1;
    EXPECT_FALSE(SingleWriteOpener::OpenForCell(doc, request));
    EXPECT_TRUE(opened.empty());
}


// A value cell of a read poll (its write dialog) and of a write poll (the
// value entry that changes what the poll sends) span the same registers per
// value: a double-click on any register of a whole value opens the value at
// its first register; a value cut off by the end of the poll opens nothing.
TEST_F(OpenerTest, BothCellOpenersSpanTheSameRegistersForEveryFormat) {
    constexpr int kRegisters[kDisplayFormatCount] = {1, 1, 1, 1, 2, 2, 4, 4, 2, 2};
    struct Seen {
        QString dialog;
        int address = -1;
    };
    std::vector<Seen> seen;
    warnings.onModal<QDialog>([&](QDialog& dialog) {
        Seen s{QString::fromLatin1(dialog.metaObject()->className()), -1};
        if (auto* d = dynamic_cast<SingleWriteDialog*>(&dialog)) s.address = d->address;
        seen.push_back(s);
        return int(QDialog::Rejected);
    });
    for (const int function : {3, 16}) {
        for (int format = 0; format < kDisplayFormatCount; ++format) {
            const int registers = kRegisters[format];
            for (int item = 0; item < doc.Model().def.Length; ++item) {
                SCOPED_TRACE(::testing::Message()
                             << "function " << function << " format " << format << " item " << item);
                doc.Model().def.FunctionValue = function;
                setFormat(format);
                seen.clear();
                edit(item, kEditByMouseOrF2);
                const int first = item - item % registers;
                if (first + registers > doc.Model().def.Length) {
                    EXPECT_TRUE(seen.empty());
                    continue;
                }
                ASSERT_EQ(seen.size(), 1u);
                if (function == 3) {
                    EXPECT_EQ(seen[0].address, 10 + 1 + first);
                } else {
                    EXPECT_EQ(seen[0].dialog, format == 3 ? "zentiq::CMBInputRegisterBin"
                                                          : "zentiq::CMBInputRegister");
                }
            }
        }
    }
}

}  // namespace
}  // namespace zentiq
