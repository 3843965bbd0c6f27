// What a poll window on one of two connections writes reaches that
// connection's slave only: two windows poll the same addresses, one on a
// line to the libmodbus slave and one on a line to pymodbus, each slave
// holding values of its own; every write the second window offers (its
// dialogs, the test center, the automation's one-off writes, the values of
// a write poll) is read back from both slaves afterwards. The write dialogs
// show the current value the window on their own line read.
#include <QComboBox>
#include <QRadioButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "documents/poll_document_model.h"
#include "documents/value_edit_request.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_doc_automation.h"
#include "engine/modbus_line.h"
#include "resources/menus.h"
#include "support/peer_lines.h"
#include "support/poll_window.h"
#include "support/recording_interaction.h"
#include "testcenter/test_center.h"
#include "writes/mb_force_multible_coils.h"
#include "writes/mb_input_register.h"
#include "writes/mb_mask_write.h"
#include "writes/mb_preset_multible_register.h"
#include "writes/mb_read_write_register.h"
#include "writes/register_items.h"
#include "writes/single_write_test_support.h"
#include "writes/write_poll_value_editor.h"

namespace zentiq {
namespace {

using testing::PeerKind;
using testing::PollWindow;
using testing::ReadDefinition;
using testing::RecordingInteraction;
using Words = std::vector<std::uint16_t>;

constexpr int kWaitMs = 15000;

template <class Dialog>
bool waitUntilAnswered(Dialog& d) {
    return QTest::qWaitFor([&] { return !d.IsPending(); }, kWaitMs);
}

void setWords(RegisterValueList::Buffer& buffer, const Words& words) {
    for (std::size_t i = 0; i < words.size(); ++i)
        RegisterItems::SetWord(buffer.data(), buffer.size(), static_cast<int>(i), words[i]);
}

// What the test's windows see: `reader` on line 1 (the one that writes) and
// its twin on line 0.
struct Scene {
    PollWindow& reader;
    RecordingInteraction& ui;
    ModbusLine& line;
    int address;
};

struct WriteCase {
    const char* name;
    bool coils;
    int address;
    Words written;  // what reaches line 1's slave from `address` on
    std::function<void(Scene&)> write;
};

std::vector<WriteCase> writeCases() {
    return {
        {"RegisterDialog",
         false,
         400,
         {0x1234},
         [](Scene& s) {
             s.ui.onModal<CMBWriteRegister>([&](CMBWriteRegister& d) {
                 // Line 1's slave holds 0x2222 there, line 0's 0x1111.
                 EXPECT_TRUE(QTest::qWaitFor(
                     [&] { return d.CurrentValueText() == QString::fromUtf8("当前值: 8738"); },
                     kWaitMs))
                     << d.CurrentValueText().toStdString();
                 testing::SetField(&d, "addressEdit", QString::number(s.address));
                 testing::SetField(&d, "signedEdit", QStringLiteral("4660"));
                 EXPECT_TRUE(testing::SendAndWait(d));
                 return 0;
             });
             s.reader.view->OnCommand(cmd::WriteSingleRegister);
         }},
        {"CoilDialog",
         true,
         410,
         {1},
         [](Scene& s) {
             s.ui.onModal<CMBWriteCoil>([&](CMBWriteCoil& d) {
                 testing::SetField(&d, "addressEdit", QString::number(s.address));
                 testing::child<QRadioButton>(&d, "coilOnRadio")->click();
                 EXPECT_TRUE(testing::SendAndWait(d));
                 return 0;
             });
             s.reader.view->OnCommand(cmd::WriteSingleCoil);
         }},
        {"MultipleRegisters",
         false,
         420,
         {0xA1, 0xA2, 0xA3},
         [](Scene& s) {
             s.ui.onModal<CMBPresetMultibleRegister>([&](CMBPresetMultibleRegister& d) {
                 setWords(d.values(), {0xA1, 0xA2, 0xA3});
                 d.Send();
                 EXPECT_TRUE(waitUntilAnswered(d));
                 return 0;
             });
             s.reader.view->OnCommand(cmd::WriteMultipleRegisters);
         }},
        {"MultipleCoils",
         true,
         430,
         {1, 0, 1},
         [](Scene& s) {
             s.ui.onModal<CMBForceMultibleCoils>([&](CMBForceMultibleCoils& d) {
                 d.coils().fill(0);
                 d.coils()[0] = d.coils()[2] = 1;
                 d.Send();
                 EXPECT_TRUE(waitUntilAnswered(d));
                 return 0;
             });
             s.reader.view->OnCommand(cmd::WriteMultipleCoils);
         }},
        {"MaskWrite",
         false,
         440,
         {0x4321},
         [](Scene& s) {
             s.ui.onModal<CMBMaskWrite>([&](CMBMaskWrite& d) {
                 testing::SetField(&d, "addressEdit", QString::number(s.address));
                 d.andBoxes().Show(0);
                 d.orBoxes().Show(0x4321);
                 d.Send();
                 EXPECT_TRUE(waitUntilAnswered(d));
                 return 0;
             });
             s.reader.view->OnCommand(cmd::MaskWrite);
         }},
        {"ReadWriteRegisters",
         false,
         450,
         {0xB1, 0xB2, 0xB3},
         [](Scene& s) {
             s.ui.onModal<CMBReadWriteRegister>([&](CMBReadWriteRegister& d) {
                 setWords(d.values(), {0xB1, 0xB2, 0xB3});
                 d.Send();
                 EXPECT_TRUE(waitUntilAnswered(d));
                 return 0;
             });
             s.reader.view->OnCommand(cmd::ReadWriteRegisters);
         }},
        {"TestCenter",
         false,
         460,
         {0x0BAD},
         [](Scene& s) {
             s.ui.onModal<CTestCenter>([&](CTestCenter& d) {
                 // A whole Modbus/TCP frame: header, unit 1, function 6 at
                 // 0x01CC (460).
                 EXPECT_EQ(s.address, 0x01CC);
                 d.FrameCombo()->setEditText(QStringLiteral("00 07 00 00 00 06 01 06 01 CC 0B AD"));
                 d.Send();
                 EXPECT_TRUE(QTest::qWaitFor([&] { return !d.IsWaiting(); }, kWaitMs));
                 return 0;
             });
             s.reader.view->OnCommand(cmd::TestCenter);
         }},
        {"AutomationOneOffWrite",
         false,
         470,
         {0x55AA},
         [](Scene& s) {
             CZentiqDocAutomation automation(s.reader.doc.get());
             automation.SetRegister(0, static_cast<qint16>(0x55AA));
             EXPECT_TRUE(automation.PresetSingleRegister(1, s.address));
         }},
        {"WritePollValue",
         false,
         480,
         {0x0ACE},
         [](Scene& s) {
             // Switched off, so that it sends only after the edit.
             PollDefinition def = ReadDefinition(6, s.address, 1);
             def.bEnable = 0;
             PollWindow writer(def);
             ASSERT_TRUE(writer.doc->SetLine(s.line));
             s.ui.onModal<CMBInputRegister>([&](CMBInputRegister& d) {
                 testing::SetField(&d, "signedEdit", QStringLiteral("2766"));
                 d.accept();
                 return d.result();
             });
             ValueEditRequest request;
             request.function = 6;
             request.shownAddress = s.address;
             request.keyCode = -1;
             ASSERT_TRUE(WritePollValueEditor::Edit(*writer.doc, request));
             writer.view->OnCommand(cmd::ReadOnce);
             EXPECT_TRUE(QTest::qWaitFor(
                 [&] { return writer.model().txCount >= 1 && writer.model().lastStatus == 0; },
                 kWaitMs));
         }},
    };
}

class DocumentLineWritesTest : public testing::TwoPeerLines {
protected:
    void SetUp() override {
        PollDocumentModel::ApplicationWide() = {};
        TwoPeerLines::SetUp();
    }
};

TEST_F(DocumentLineWritesTest, WritesOfAWindowReachItsOwnLinesSlaveOnly) {
    for (const WriteCase& c : writeCases()) {
        SCOPED_TRACE(c.name);
        const int count = static_cast<int>(c.written.size());
        // Each slave holds values of its own there.
        const std::array<Words, 2> held{Words(c.written.size(), c.coils ? 0 : 0x1111),
                                        Words(c.written.size(), c.coils ? 0 : 0x2222)};
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(testing::Put(line(i), c.coils, c.address, held[i])) << "line " << i;

        std::array<std::unique_ptr<PollWindow>, 2> w;
        for (int i = 0; i < 2; ++i) {
            w[i] = std::make_unique<PollWindow>(ReadDefinition(c.coils ? 1 : 3, c.address, count));
            ASSERT_TRUE(w[i]->doc->SetLine(line(i)));
        }
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(QTest::qWaitFor([&] { return w[i]->model().valuesRead; }, kWaitMs));

        RecordingInteraction ui;
        Scene scene{*w[1], ui, line(1), c.address};
        c.write(scene);
        if (::testing::Test::HasFatalFailure())
            return;

        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return testing::Get(line(1), c.coils, c.address, count) == c.written; }, kWaitMs))
            << "line 1's slave did not receive the write";
        EXPECT_EQ(testing::Get(line(0), c.coils, c.address, count), held[0])
            << "line 0's slave was written";
    }
}

}  // namespace
}  // namespace zentiq
