// A value that the user only looks at goes back to the slave bit for bit,
// although its text shows fewer digits than it holds: a read cell's dialog
// sent unchanged, a write poll's value confirmed unchanged, and the 16 and
// 23 register lists edited and sent unchanged. Against pymodbus on
// 127.0.0.1; every case writes its own registers.
#include <QAbstractButton>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "framework/one_shot_request.h"
#include "framework/window_registry.h"
#include "support/peer_link.h"
#include "writes/mb_input_register.h"
#include "writes/mb_preset_multible_register.h"
#include "writes/mb_read_write_register.h"
#include "writes/single_write_dialog.h"
#include "writes/pymodbus_suite.h"
#include "writes/write_test_support.h"

namespace zentiq {
namespace {

using testing::child;
using testing::kWaitMs;
using testing::RecordingInteraction;
using testing::sendAndWait;
using Words = std::vector<std::uint16_t>;

struct Case {
    const char* name;
    int index;  // registers of its own per case
    int format;
    QByteArray value;  // the value as the document holds it (host layout)
    Words wire;        // the registers on the slave, first address first
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

template <class T>
QByteArray bytesOf(T value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

// Values whose shown text (6 significant digits for a float, 15 for a
// double) reads back as another number.
const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"Float", 0, 4, bytesOf(123456.79f), {0x2065, 0x47F1}},
        {"FloatInverse", 1, 5, bytesOf(123456.79f), {0x47F1, 0x2065}},
        {"Double", 2, 6, bytesOf(3.141592653589793), {0x2D18, 0x5444, 0x21FB, 0x4009}},
        {"DoubleInverse", 3, 7, bytesOf(3.141592653589793), {0x4009, 0x21FB, 0x5444, 0x2D18}},
        {"LongInverse", 4, 9, bytesOf(std::int32_t(-1985229329)), {0x89AB, 0xCDEF}},
    };
    return all;
}

class ValueRoundTripTest : public testing::PyModbusSuite<::testing::TestWithParam<Case>> {
protected:
    // Each format and path has registers of its own.
    int address(int path) const { return 500 + 20 * path + 4 * GetParam().index; }
    int length() const { return static_cast<int>(GetParam().wire.size()); }

    // A one-shot through slot 0, retried (bounded) while the slot is busy.
    int oneShot(const OneShotArgs& args, const OneShotRequest::Loader& load) {
        OneShotRequest request;
        int status = -1;
        QObject::connect(&request, &OneShotRequest::Finished, [&](int s) { status = s; });
        const bool submitted =
            QTest::qWaitFor([&] { return request.Submit(DefaultLine(), args, load); }, kWaitMs);
        EXPECT_TRUE(submitted) << "slot 0 stayed busy";
        EXPECT_TRUE(submitted && QTest::qWaitFor([&] { return status >= 0; }, kWaitMs));
        return status;
    }
    Words holding(int at) {
        Words words(GetParam().wire.size());
        const auto a = static_cast<std::uint16_t>(at), n = static_cast<std::uint16_t>(length());
        EXPECT_EQ(oneShot({1, 3, a, n, 0, 0}, {}), 0);
        ReadRegisters(0, words.data());
        return words;
    }
    void put(int at, const Words& words) {
        const auto a = static_cast<std::uint16_t>(at), n = static_cast<std::uint16_t>(words.size());
        EXPECT_EQ(
            oneShot({1, 16, 0, 0, a, n},
                    [&](ModbusLine& line) { return line.SetWriteRegisters(0, n, words.data()); }),
            0);
    }
    // Something else than the case's registers, so that only a write of the
    // original bits brings them back.
    Words other() const { return Words(GetParam().wire.size(), 0); }

    // A poll window; a write poll starts with the case's value.
    struct Window {
        CZentiqDoc doc;
        std::unique_ptr<CZentiqView> view;
    };
    std::unique_ptr<Window> open(int function, int at) {
        auto w = std::make_unique<Window>();
        w->doc.OnNewDocument();
        PollDefinition& def = w->doc.Model().def;
        def.SlaveID = 1;
        def.FunctionValue = function;
        def.Address = at;
        def.Length = length();
        def.DisplayFormat = GetParam().format;
        def.ScanRate = 20;
        def.bEnable = 1;
        if (function == 16)
            std::memcpy(w->doc.Model().values.data(), GetParam().value.constData(),
                        static_cast<std::size_t>(GetParam().value.size()));
        w->doc.ComputeGridSize();
        w->view.reset(new CZentiqView(&w->doc, nullptr));
        w->view->show();
        EXPECT_NE(w->doc.Model().slotIndex, -1);
        if (function == 3) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return w->doc.Model().okCount > 0; }, kWaitMs));
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(w->doc.Model().values.data()),
                                 GetParam().value.size()),
                      GetParam().value);
        }
        return w;
    }
    static bool doubleClick(Window& w) {
        int row = 0, column = 0;
        return w.doc.Model().CellOfItem(0, row, column) && w.view->OnValueEdit(row, column, 1);
    }
    // Enter in the dialog's focus field: its default button.
    static void pressEnter(QDialog& d) {
        QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, Qt::Key_Return);
    }
};

TEST_P(ValueRoundTripTest, ReadCellSentUnchangedWritesTheBitsItShowed) {
    const int at = address(0);
    put(at, GetParam().wire);
    auto w = open(3, at);
    RecordingInteraction modal;
    modal.onModal<QDialog>([&](QDialog& dialog) {
        auto& d = dynamic_cast<SingleWriteDialog&>(dialog);
        put(at, other());
        pressEnter(d);
        EXPECT_TRUE(d.IsPending());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !d.IsPending(); }, kWaitMs));
        EXPECT_EQ(d.ResultText(), QString::fromUtf8("应答正确"));
        return int(QDialog::Rejected);
    });
    ASSERT_TRUE(doubleClick(*w));
    EXPECT_EQ(modal.modalRuns, 1);
    EXPECT_EQ(holding(at), GetParam().wire);
}

TEST_P(ValueRoundTripTest, WritePollValueConfirmedUnchangedIsNoEdit) {
    const int at = address(1);
    put(at, other());
    auto w = open(16, at);
    ASSERT_TRUE(QTest::qWaitFor([&] { return holding(at) == GetParam().wire; }, kWaitMs));
    const auto before = w->doc.Model().values;

    RecordingInteraction modal;
    modal.onModal<QDialog>([&](QDialog& d) {
        EXPECT_NE(dynamic_cast<CMBInputRegister*>(&d), nullptr);
        pressEnter(d);
        return d.result();
    });
    ASSERT_TRUE(doubleClick(*w));
    EXPECT_EQ(modal.modalRuns, 1);
    EXPECT_FALSE(w->doc.IsModified());
    EXPECT_EQ(w->doc.Model().values, before);
    // The poll goes on writing the original bits.
    put(at, other());
    EXPECT_TRUE(QTest::qWaitFor([&] { return holding(at) == GetParam().wire; }, kWaitMs))
        << "the slave holds " << ::testing::PrintToString(holding(at));
}

// The 16 and 23 commands on a read poll: the first line edited with OK
// unchanged, then sent.
TEST_P(ValueRoundTripTest, RegisterListsEditedUnchangedSendTheirBits) {
    for (const int command : {cmd::WriteMultipleRegisters, cmd::ReadWriteRegisters}) {
        SCOPED_TRACE(command == cmd::WriteMultipleRegisters ? "16" : "23");
        const int at = address(command == cmd::WriteMultipleRegisters ? 2 : 3);
        put(at, GetParam().wire);
        auto w = open(3, at);
        RecordingInteraction modal;
        RecordingInteraction& boxes = modal;
        modal.onModal<QDialog>([&](QDialog& d) {
            if (dynamic_cast<CMBInputRegister*>(&d) != nullptr) {
                pressEnter(d);
                return d.result();
            }
            put(at, other());
            testing::selectRow(child<QTreeWidget>(&d, "valueList"), 0);
            child<QAbstractButton>(&d, "editButton")->click();
            if (auto* preset = dynamic_cast<CMBPresetMultibleRegister*>(&d))
                EXPECT_TRUE(sendAndWait(*preset));
            else
                EXPECT_TRUE(sendAndWait(dynamic_cast<CMBReadWriteRegister&>(d)));
            return int(QDialog::Rejected);
        });
        w->view->OnCommand(command);
        EXPECT_EQ(modal.modalRuns, 2);
        EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8("应答正确")});
        EXPECT_EQ(holding(at), GetParam().wire);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ValueRoundTripTest, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentiq
