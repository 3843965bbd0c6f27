#include "documents/poll_document_model.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "framework/settings_store.h"
#include "engine/engine.h"
#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using test::ScriptedTcpSlave;

class PollDocumentModelSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_store = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("Zentiq.ini")));
    }
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
};

TEST_F(PollDocumentModelSettings, EmptyStoreGivesTheDocumentedDefaults) {
    PollDocumentModel doc(*m_store);
    EXPECT_EQ(doc.def, PollDefinition());
    EXPECT_EQ(doc.def.FunctionValue, 3);
    EXPECT_EQ(doc.def.Length, 10);
    EXPECT_EQ(doc.font, PollDocumentModel::DefaultFont());
    EXPECT_EQ(doc.font.faceName, QStringLiteral("Courier New"));
    EXPECT_EQ(doc.font.pitchAndFamily, 33);
    EXPECT_EQ(doc.gridSize(), (GridSize{11, 3}));
}

TEST_F(PollDocumentModelSettings, SetAsDefaultIsSeenByNewDocumentsOnly) {
    PollDocumentModel first(*m_store);
    first.def = {.Address = 1234, .FunctionValue = 16, .Length = 40, .ScanRate = 250,
                 .SlaveID = 17, .bEnable = 0, .DisplayFormat = 4, .OneBased = 1,
                 .HideAlias = 1, .DisplayAddr = 1, .RowsDialog = 2};
    first.font.setFaceName(QStringLiteral("DejaVu Sans Mono"));
    first.font.height = -14;
    first.font.weight = 700;
    first.font.quality = 5;
    PollDocumentModel existing(*m_store);
    PollDocumentModel::ApplicationWide().CloseOnSuccess = 1;

    first.SetAsDefault(*m_store);
    m_store->Sync();

    SettingsStore reopened(m_dir.filePath(QStringLiteral("Zentiq.ini")));
    PollDocumentModel second(reopened);
    EXPECT_EQ(second.def, first.def);
    EXPECT_EQ(second.font.faceName, QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(second.font.height, -14);
    EXPECT_EQ(second.font.weight, 700);
    EXPECT_EQ(second.font.quality, 5);
    EXPECT_EQ(reopened.GetInt("PollDefinition", "CloseOnSuccess", 0), 1);
    EXPECT_EQ(second.gridSize(), (GridSize{51, 2 * 2 + 1}));  // 34 + 40 over blocks of 50

    EXPECT_EQ(existing.def, PollDefinition());
    PollDocumentModel::ApplicationWide() = {};
}

TEST_F(PollDocumentModelSettings, OutOfRangeStoredValuesFallBackToBuiltInDefaults) {
    m_store->SetInt("PollDefinition", "RowsDialog", 9);
    m_store->SetInt("PollDefinition", "FunctionValue", 7);
    m_store->SetInt("PollDefinition", "Length", 500);  // too long for function 3
    m_store->SetInt("PollDefinition", "Address", -5);
    m_store->SetInt("PollDefinition", "DisplayFormat", 10);
    m_store->SetInt("PollDefinition", "ScanRate", 12345);
    m_store->SetInt("Font", "Quality", 300);
    PollDocumentModel doc(*m_store);
    EXPECT_EQ(doc.def.RowsDialog, 0);
    EXPECT_EQ(doc.def.FunctionValue, 3);
    EXPECT_EQ(doc.def.Length, 10);
    EXPECT_EQ(doc.def.Address, 0);
    EXPECT_EQ(doc.def.DisplayFormat, 0);
    EXPECT_EQ(doc.def.ScanRate, 12345);
    EXPECT_EQ(doc.font.quality, 2);

    // A single write keeps its one value even when the stored length says 10.
    m_store->SetInt("PollDefinition", "FunctionValue", 6);
    m_store->SetInt("PollDefinition", "Length", 10);
    EXPECT_EQ(PollDocumentModel(*m_store).def.Length, 1);
}

TEST_F(PollDocumentModelSettings, ApplicationWideOptionsLoadAndStore) {
    m_store->SetInt("PollDefinition", "PresetSingle", 1);
    PollDocumentModel doc(*m_store);
    EXPECT_EQ(PollDocumentModel::ApplicationWide().PresetSingle, 1);
    EXPECT_EQ(PollDocumentModel::ApplicationWide().CloseOnSuccess, 0);
    PollDocumentModel::ApplicationWide().CloseOnSuccess = 1;
    PollDocumentModel::ApplicationWide().PresetSingle = 0;
    PollDocumentModel::StoreApplicationWide(*m_store);
    EXPECT_EQ(m_store->GetInt("PollDefinition", "CloseOnSuccess", -1), 1);
    EXPECT_EQ(m_store->GetInt("PollDefinition", "PresetSingle", -1), 0);
    PollDocumentModel::ApplicationWide() = {};
}

// Every closing document stores these: with hundreds closing at once, a
// rewrite each time made closing them take minutes.
TEST_F(PollDocumentModelSettings, ApplicationWideOptionsRewriteTheFileOnlyWhenOneChanged) {
    const QString path = m_dir.filePath(QStringLiteral("Zentiq.ini"));
    const auto store = [&] {
        SettingsStore s(path);
        PollDocumentModel::StoreApplicationWide(s);
    };
    const auto text = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    // A comment, which the settings never write, shows whether the file was rewritten.
    const QString note = QStringLiteral("; kept while the file is not rewritten\n");
    const auto addNote = [&] {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(note.toUtf8());
    };
    PollDocumentModel::ApplicationWide() = {};
    store();
    EXPECT_TRUE(text().contains("CloseOnSuccess=0")) << "missing keys are written";
    addNote();
    store();
    store();
    EXPECT_TRUE(text().contains(note)) << "unchanged: left alone";
    PollDocumentModel::ApplicationWide().PresetSingle = 1;
    store();
    EXPECT_FALSE(text().contains(note));
    EXPECT_TRUE(text().contains("PresetSingle=1"));
    PollDocumentModel::ApplicationWide() = {};
}

// ---- grid geometry ---------------------------------------------------------------

TEST(PollDocumentGrid, ComputeGridSizeCoversTheAddressRange) {
    struct Case {
        int address, length, rowsDialog, rows, valueColumns;
    };
    const Case cases[] = {
        {0, 10, 0, 10, 2},   {0, 11, 0, 10, 4},      {9, 2, 0, 10, 4},
        {5, 10, 0, 10, 4},   {95, 2000, 0, 10, 402}, {150, 100, 3, 100, 4},
        {65535, 1, 1, 20, 2}, {40, 0, 2, 50, 2}, {0, 0, 2, 50, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.address << "+" << c.length << " rows " << c.rowsDialog);
        PollDocumentModel doc;
        doc.def.Address = c.address;
        doc.def.Length = c.length;
        doc.def.RowsDialog = c.rowsDialog;
        const GridSize size = doc.ComputeGridSize();
        EXPECT_EQ(doc.rowsPerColumn, c.rows);
        EXPECT_EQ(doc.valueColumns, c.valueColumns);
        EXPECT_EQ(size, (GridSize{c.rows + 1, c.valueColumns + 1}));
    }
}

TEST(PollDocumentGrid, CellsItemsAndAddressesAgree) {
    PollDocumentModel doc;
    doc.def.Address = 15;
    doc.def.Length = 27;
    doc.def.OneBased = 1;
    doc.ComputeGridSize();  // addresses 10..49 in four blocks
    ASSERT_EQ(doc.valueColumns, 8);

    EXPECT_EQ(doc.AddressAtCell(1, 2), 10);
    EXPECT_EQ(doc.ItemAtCell(1, 2), -1);  // before the first item
    EXPECT_EQ(doc.AddressAtCell(6, 2), 15);
    EXPECT_EQ(doc.ShownAddressAtCell(6, 2), 16);
    EXPECT_EQ(doc.ItemAtCell(6, 2), 0);
    EXPECT_EQ(doc.AddressAtCell(1, 4), 20);
    EXPECT_EQ(doc.ItemAtCell(1, 4), 5);
    EXPECT_EQ(doc.ItemAtCell(2, 8), 26);  // address 41, the last item
    EXPECT_EQ(doc.ItemAtCell(3, 8), -1);  // past the end

    // Not value cells: headers, alias columns, beyond the grid.
    for (auto [r, c] : {std::pair{0, 2}, {1, 0}, {1, 1}, {1, 3}, {11, 2}, {1, 10}, {-1, 2}})
        EXPECT_EQ(doc.AddressAtCell(r, c), -1) << r << "," << c;

    for (int item = 0; item < doc.def.Length; ++item) {
        int row = 0, column = 0;
        ASSERT_TRUE(doc.CellOfItem(item, row, column));
        EXPECT_EQ(doc.ItemAtCell(row, column), item);
        EXPECT_EQ(doc.AddressAtCell(row, column), doc.def.Address + item);
    }
    int row = 0, column = 0;
    EXPECT_FALSE(doc.CellOfItem(27, row, column));
    EXPECT_FALSE(doc.CellOfItem(-1, row, column));
}

TEST(PollDocumentGrid, MappingSurvivesAGeometryWithoutRows) {
    PollDocumentModel doc;
    doc.rowsPerColumn = 0;  // never produced, but must not divide by zero
    int row = 0, column = 0;
    EXPECT_EQ(doc.AddressAtCell(1, 2), -1);
    EXPECT_EQ(doc.ItemAtCell(1, 2), -1);
    EXPECT_FALSE(doc.CellOfItem(0, row, column));
}

// ---- ApplyDefinition -------------------------------------------------------------

DefinitionDialogValues dialogOf(const PollDefinition& d) {
    DefinitionDialogValues v;
    v.shownAddress = d.Address + d.OneBased;
    v.functionIndex = PollDefinition::IndexFromFunction(d.FunctionValue);
    v.length = d.Length;
    v.scanRate = d.ScanRate;
    v.slaveId = d.SlaveID;
    v.enable = d.bEnable;
    v.oneBased = d.OneBased;
    v.rowsDialog = d.RowsDialog;
    v.displayAddr = d.DisplayAddr;
    v.displayFormat = d.DisplayFormat;
    v.hideAlias = d.HideAlias;
    return v;
}

PollDocumentModel writePoll(int function, int length, int format) {
    PollDocumentModel doc;
    doc.def.FunctionValue = function;
    doc.def.Length = length;
    doc.def.DisplayFormat = format;
    for (int i = 0; i < PollDocumentModel::kValueBytes; ++i)
        doc.values[i] = static_cast<quint8>(i % 251 + 1);
    return doc;
}

TEST(PollDocumentApply, SameValuesChangeNothing) {
    PollDocumentModel doc = writePoll(16, 10, 0);
    doc.def.OneBased = 1;
    doc.def.Address = 99;
    const auto before = doc.values;
    const ApplyDefinitionResult r = doc.ApplyDefinition(dialogOf(doc.def));
    EXPECT_FALSE(r.changed);
    EXPECT_FALSE(r.rejected);
    EXPECT_EQ(doc.values, before);
}

TEST(PollDocumentApply, FunctionChangesClearOrKeepValues) {
    {  // registers must not become coil states
        PollDocumentModel doc = writePoll(16, 10, 0);
        auto v = dialogOf(doc.def);
        v.functionIndex = PollDefinition::IndexFromFunction(15);
        const ApplyDefinitionResult r = doc.ApplyDefinition(v);
        EXPECT_TRUE(r.changed);
        EXPECT_TRUE(r.valuesCleared);
        EXPECT_EQ(doc.def.FunctionValue, 15);
        EXPECT_EQ(std::count(doc.values.begin(), doc.values.end(), 0), PollDocumentModel::kValueBytes);
    }
    {  // coils stay coils
        PollDocumentModel doc = writePoll(5, 1, 0);
        const auto before = doc.values;
        auto v = dialogOf(doc.def);
        v.functionIndex = PollDefinition::IndexFromFunction(15);
        v.length = 8;
        const ApplyDefinitionResult r = doc.ApplyDefinition(v);
        EXPECT_TRUE(r.changed);
        EXPECT_FALSE(r.valuesCleared);
        EXPECT_EQ(doc.values, before);
        EXPECT_EQ(doc.def.Length, 8);
    }
    {  // a read poll starts from zero
        PollDocumentModel doc = writePoll(16, 10, 0);
        auto v = dialogOf(doc.def);
        v.functionIndex = PollDefinition::IndexFromFunction(3);
        EXPECT_TRUE(doc.ApplyDefinition(v).valuesCleared);
        EXPECT_EQ(doc.values[0], 0);
    }
}

TEST(PollDocumentApply, SingleRegisterWriteFallsBackToSigned) {
    PollDocumentModel doc = writePoll(16, 10, 4);  // Float
    const auto before = doc.values;
    auto v = dialogOf(doc.def);
    v.functionIndex = PollDefinition::IndexFromFunction(6);
    v.length = 1;
    const ApplyDefinitionResult r = doc.ApplyDefinition(v);
    EXPECT_TRUE(r.formatReset);
    EXPECT_EQ(doc.def.DisplayFormat, 0);
    EXPECT_EQ(doc.values, before);

    PollDocumentModel binary = writePoll(16, 10, 3);
    v = dialogOf(binary.def);
    v.functionIndex = PollDefinition::IndexFromFunction(6);
    v.length = 1;
    binary.ApplyDefinition(v);
    EXPECT_EQ(binary.def.DisplayFormat, 3);
}

TEST(PollDocumentApply, StoresEverythingAndRecomputesTheGrid) {
    PollDocumentModel doc;
    doc.def.HideAlias = 1;
    DefinitionDialogValues v = dialogOf(doc.def);
    v.shownAddress = 40001;
    v.oneBased = 1;
    v.functionIndex = 7;
    v.length = 123;
    v.scanRate = 60000;
    v.slaveId = 255;
    v.enable = 0;
    v.rowsDialog = 1;
    v.displayAddr = 1;
    v.displayFormat = 9;
    v.hideAlias = 0;
    ASSERT_TRUE(doc.ApplyDefinition(v).changed);
    const PollDefinition expected{.Address = 40000, .FunctionValue = 16, .Length = 123,
                                  .ScanRate = 60000, .SlaveID = 255, .bEnable = 0,
                                  .DisplayFormat = 9, .OneBased = 1, .HideAlias = 0,
                                  .DisplayAddr = 1, .RowsDialog = 1};
    EXPECT_EQ(doc.def, expected);
    EXPECT_TRUE(doc.restoreAliasColumns);
    EXPECT_EQ(doc.rowsPerColumn, 20);
    EXPECT_EQ(doc.valueColumns, 14);  // 0 + 123 over blocks of 20
}

TEST(PollDocumentApply, OutOfRangeDialogValuesAreRefusedWhole) {
    PollDocumentModel doc;
    const PollDefinition before = doc.def;
    const GridSize size = doc.gridSize();
    DefinitionDialogValues v = dialogOf(doc.def);
    v.oneBased = 1;  // shown address 0 with PLC addresses: protocol address -1
    EXPECT_TRUE(doc.ApplyDefinition(v).rejected);
    v = dialogOf(doc.def);
    v.functionIndex = 8;
    EXPECT_TRUE(doc.ApplyDefinition(v).rejected);
    v = dialogOf(doc.def);
    v.rowsDialog = 4;
    EXPECT_TRUE(doc.ApplyDefinition(v).rejected);
    v = dialogOf(doc.def);
    v.length = 128;  // function 3
    EXPECT_TRUE(doc.ApplyDefinition(v).rejected);
    EXPECT_EQ(doc.def, before);
    EXPECT_EQ(doc.gridSize(), size);
}

// ---- engine ----------------------------------------------------------------------

class PollDocumentEngine : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitEngine(); }
    void TearDown() override {
        StopPolling();
        CloseTcpConnection();
        for (int s = kFirstPollSlot; s <= kLastSlot; ++s)
            ReleasePollSlot(s);
    }
};

TEST_F(PollDocumentEngine, RegistrationClaimsOneSlotAndReleasesTheOldOne) {
    PollDocumentModel doc;
    doc.lastStatus = 0;
    ASSERT_TRUE(doc.RegisterWithEngine(0));
    EXPECT_GE(doc.slotIndex, kFirstPollSlot);
    EXPECT_EQ(doc.lastStatus, 10);
    EXPECT_EQ(GetSlotStatus(doc.slotIndex), 10);
    // Re-registering many times must not use up the table.
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(doc.RegisterWithEngine(0)) << i;
    const int held = doc.slotIndex;
    doc.ReleaseFromEngine();
    EXPECT_EQ(doc.slotIndex, -1);
    EXPECT_EQ(RegisterPollSlot(0, WM_POLL_RESULT, 1000, 1, 3, 0, 1, 0, 0), held);
}

TEST_F(PollDocumentEngine, FullTableOrRefusedDefinitionLeavesNoSlot) {
    PollDocumentModel doc;
    ASSERT_TRUE(doc.RegisterWithEngine(0));
    for (int i = 1; i < 32; ++i)
        ASSERT_GE(RegisterPollSlot(0, WM_POLL_RESULT, 1000, 1, 3, 0, 1, 0, 0), 1);
    // The document's own slot is released first, so it gets it back.
    ASSERT_TRUE(doc.RegisterWithEngine(0));
    PollDocumentModel other;
    other.lastStatus = 3;
    EXPECT_FALSE(other.RegisterWithEngine(0));
    EXPECT_EQ(other.slotIndex, -1);
    EXPECT_EQ(other.lastStatus, 3);

    doc.ReleaseFromEngine();
    other.def.SlaveID = 0;  // reads refuse the broadcast address
    EXPECT_FALSE(other.RegisterWithEngine(0));
    EXPECT_EQ(other.slotIndex, -1);
}

// Runs one transaction of a registered write poll against a scripted slave
// and returns the request as it went over the wire.
std::vector<std::uint8_t> captureWrite(PollDocumentModel& doc, const std::vector<std::uint8_t>& answer) {
    ScriptedTcpSlave slave({ScriptedTcpSlave::Reply(ScriptedTcpSlave::Answer(answer))});
    EXPECT_TRUE(slave.Listening());
    if (OpenTcpConnection("127.0.0.1", slave.Port(), 1000, 1000) != 0)
        return {};
    SetTransmissionMode(TCP);
    SetPollDelay(1);
    doc.def.ScanRate = 60000;  // one transaction within the test
    if (!doc.RegisterWithEngine(0) || StartPolling() != 1)
        return {};
    slave.WaitForSteps(1, std::chrono::milliseconds(5000));
    StopPolling();
    CloseTcpConnection();
    doc.ReleaseFromEngine();
    const auto requests = slave.Requests();
    return requests.empty() ? std::vector<std::uint8_t>() : requests.front();
}

TEST_F(PollDocumentEngine, CoilWritePollHandsEveryCoil) {
    PollDocumentModel doc = writePoll(15, 1968, 0);
    doc.def.Address = 100;
    for (int i = 0; i < 1968; ++i)
        doc.values[i] = (i % 3 == 0 || i == 1967) ? 1 : 0;
    const auto req = captureWrite(doc, {1, 0x0F, 0x00, 0x64, 0x07, 0xB0});
    ASSERT_EQ(req.size(), 7u + 6u + 246u);
    EXPECT_EQ(req[7], 0x0F);
    EXPECT_EQ((req[8] << 8) | req[9], 100);
    EXPECT_EQ((req[10] << 8) | req[11], 1968);
    EXPECT_EQ(req[12], 246);
    for (int i = 0; i < 1968; ++i)
        ASSERT_EQ((req[13 + i / 8] >> (i % 8)) & 1, doc.values[i]) << "coil " << i;
}

TEST_F(PollDocumentEngine, CoilWritePollIgnoresAWideDisplayFormat) {
    PollDocumentModel doc = writePoll(15, 10, 5);  // Float inverse chosen on a coil poll
    const std::uint8_t coils[10] = {1, 1, 0, 0, 0, 1, 0, 0, 1, 0};
    std::memcpy(doc.values.data(), coils, sizeof coils);
    const auto req = captureWrite(doc, {1, 0x0F, 0x00, 0x00, 0x00, 0x0A});
    ASSERT_EQ(req.size(), 7u + 6u + 2u);
    EXPECT_EQ((req[10] << 8) | req[11], 10);
    EXPECT_EQ(req[13], 0b00100011);
    EXPECT_EQ(req[14], 0b00000001);
}

TEST_F(PollDocumentEngine, RegisterWritePollHandsValuesByFormat) {
    struct Case {
        int format;
        int length;
        std::vector<std::uint16_t> expectedRegisters;
    };
    // values: float 1.5 (0x3FC00000) low word first, then 0x1234 0x5678.
    const Case cases[] = {
        {0, 3, {0x0000, 0x3FC0, 0x1234}},
        {4, 4, {0x0000, 0x3FC0, 0x1234, 0x5678}},
        {5, 4, {0x3FC0, 0x0000, 0x5678, 0x1234}},
        {5, 3, {0x3FC0, 0x0000}},  // counts round toward zero
        {9, 2, {0x3FC0, 0x0000}},
        {7, 4, {0x5678, 0x1234, 0x3FC0, 0x0000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        PollDocumentModel doc = writePoll(16, c.length, c.format);
        const std::uint16_t regs[4] = {0x0000, 0x3FC0, 0x1234, 0x5678};
        std::memcpy(doc.values.data(), regs, sizeof regs);
        const auto n = static_cast<std::uint8_t>(c.expectedRegisters.size());
        const auto req = captureWrite(doc, {1, 0x10, 0x00, 0x00, 0x00, n});
        ASSERT_EQ(req.size(), 7u + 6u + 2u * n);
        EXPECT_EQ((req[10] << 8) | req[11], n);
        for (std::size_t i = 0; i < n; ++i)
            EXPECT_EQ((req[13 + 2 * i] << 8) | req[14 + 2 * i], c.expectedRegisters[i]) << i;
    }
}

}  // namespace
}  // namespace zentiq
