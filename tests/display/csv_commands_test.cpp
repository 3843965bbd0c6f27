// The CSV commands of a poll window as the menus reach them: register maps
// into the aliases and back out, and the data view as CSV (file and copy).
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "display/zentiq_view.h"
#include "documents/register_map_commands.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_setup.h"
#include "engine/engine.h"
#include "framework/window_registry.h"
#include "grid/grid_ctrl.h"
#include "resources/menus.h"
#include "support/dialog_test_helpers.h"
#include "support/recording_interaction.h"
#include "support/row_type_samples.h"
#include "support/poll_window.h"
#include "support/widget_environment.h"

namespace zentiq {
namespace {

using testing::PollWindow;

class CsvCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngine();
        InstallEnginePoster();
    }
    QString write(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_EQ(f.write(bytes), bytes.size());
        return path;
    }
    static QString aliasAt(PollWindow& w, int item) { return RegisterMapCommands::AliasOf(*w.doc, item); }
    static void run(PollWindow& w, int id) {
        CommandState state;
        ASSERT_TRUE(w.view->OnUpdateCommand(id, state)) << id;
        ASSERT_TRUE(state.enabled) << id;
        ASSERT_TRUE(w.view->OnCommand(id)) << id;
    }

    QTemporaryDir dir;
    testing::RecordingInteraction ui;
};

TEST_F(CsvCommandsTest, ImportNamesTheRowsOfThePollAndReportsTheRest) {
    PollDefinition def = testing::ReadDefinition(3, 10, 5);
    def.OneBased = 1;
    PollWindow w(def);
    ui.filePath = write("map.csv", "\xEF\xBB\xBF" "Register;Name;Unit\n40011;Spannung;V\n40013;Strom;A\n"
                                    "40001;Vorher;\n40016;Danach;\n");
    run(w, cmd::ImportRegisterMap);
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_FALSE(ui.fileRequests[0].save);
    EXPECT_EQ(ui.fileRequests[0].filter, "CSV (*.csv)");
    EXPECT_EQ(aliasAt(w, 0), "Spannung [V]");
    EXPECT_EQ(aliasAt(w, 1), "");
    EXPECT_EQ(aliasAt(w, 2), "Strom [A]");
    // As typing an alias does: the document asks to be saved.
    EXPECT_TRUE(w.doc->IsModified());
    EXPECT_TRUE(w.doc->Grid()->model().isModified());
    ASSERT_EQ(ui.texts().size(), 1);
    EXPECT_TRUE(ui.texts()[0].startsWith("已导入 2 个标注。以下 2 行的地址不在本窗口的轮询范围内，未导入："));
    EXPECT_TRUE(ui.texts()[0].contains("第 4 行：40001 Vorher"));
    EXPECT_TRUE(ui.texts()[0].contains("第 5 行：40016 Danach"));
}

// Names belong to addresses: a poll shrunk, grown back or moved keeps them;
// what a .zqd cannot hold is counted when saving and still exported.
TEST_F(CsvCommandsTest, AliasesOutsideTheChangedPollAreKeptCountedAndExported) {
    PollDefinition def = testing::ReadDefinition(3, 0, 64);
    def.OneBased = 1;
    PollWindow w(def);
    ASSERT_EQ(RegisterMapCommands::ImportFile(*w.doc, write("map.csv", "40001;A\n40041;B\n40064;C\n")), 3);
    const auto redefine = [&](int shownAddress, int length) {
        DefinitionDialogValues v = CZentiqSetup::FromModel(w.doc->Model());
        v.shownAddress = shownAddress;
        v.length = length;
        w.doc->ApplyDefinition(v);
    };
    redefine(1, 10);
    EXPECT_EQ(aliasAt(w, 0), "A");
    EXPECT_EQ(w.doc->AliasesOffGrid(), (std::map<int, QString>{{40, "B"}, {63, "C"}}));
    ui.messages.clear();
    ASSERT_TRUE(w.doc->DoSave(dir.filePath("shrunk.zqd"), true));
    const QStringList told = ui.texts(testing::RecordingInteraction::Kind::Notification);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("2 个标注"))) << told[0].toStdString();
    ASSERT_TRUE(RegisterMapCommands::ExportFile(*w.doc, dir.filePath("shrunk.csv")));
    QFile exported(dir.filePath("shrunk.csv"));
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QByteArray text = exported.readAll();
    EXPECT_TRUE(text.contains("\r\n40041,B,") && text.contains("\r\n40064,C,")) << text.toStdString();

    redefine(1, 64);
    EXPECT_EQ(aliasAt(w, 0), "A");
    EXPECT_EQ(aliasAt(w, 40), "B");
    EXPECT_EQ(aliasAt(w, 63), "C");
    EXPECT_TRUE(w.doc->AliasesOffGrid().empty());
    // Moved by four blocks: the names move with their addresses.
    redefine(41, 24);
    EXPECT_EQ(aliasAt(w, 0), "B");
    EXPECT_EQ(aliasAt(w, 23), "C");
    EXPECT_EQ(w.doc->AliasesOffGrid(), (std::map<int, QString>{{0, "A"}}));
    // A name typed away while it is shown stays away.
    int row = 0, column = 0;
    ASSERT_TRUE(w.model().CellOfItem(0, row, column));
    w.doc->Grid()->model().setItemText(row, column - 1, QString());
    redefine(1, 64);
    EXPECT_EQ(aliasAt(w, 0), "A");
    EXPECT_EQ(aliasAt(w, 40), "");
    EXPECT_EQ(aliasAt(w, 63), "C");
}

TEST_F(CsvCommandsTest, ADevicesWholeMapNamesThePollAndCountsTheRowsItDoesNotList) {
    PollWindow w(testing::ReadDefinition(3, 10, 5));
    QByteArray map = "Address,Name\n";
    for (int i = 0; i < 1000; ++i)
        map += QByteArray::number(i) + ",r" + QByteArray::number(i) + "\n";
    EXPECT_EQ(RegisterMapCommands::ImportFile(*w.doc, write("whole.csv", map)), 5);
    EXPECT_EQ(aliasAt(w, 0), "r10");
    EXPECT_EQ(aliasAt(w, 4), "r14");
    ASSERT_EQ(ui.texts().size(), 1);
    const QStringList lines = ui.texts()[0].split('\n');
    EXPECT_TRUE(lines.value(0).startsWith("已导入 5 个标注。以下 995 行")) << lines.value(0).toStdString();
    ASSERT_EQ(lines.size(), 1 + 15 + 1);
    EXPECT_EQ(lines[1], "第 2 行：0 r0");
    EXPECT_EQ(lines[11], "第 17 行：15 r15") << "the rows before the poll, then those after it";
    EXPECT_EQ(lines[15], "第 21 行：19 r19");
    EXPECT_EQ(lines[16], "……另有 980 行");
}

TEST_F(CsvCommandsTest, BadFilesChangeNothingAndSayWhy) {
    PollWindow w(testing::ReadDefinition(3, 0, 10));
    w.doc->Grid()->model().setItemText(1, 1, "kept");
    w.doc->Grid()->model().setModified(false);
    w.doc->SetModifiedFlag(false);
    // Which faults a file can have is the reader's test; here: nothing changes.
    const struct {
        QString path;
        const char* says;
    } cases[] = {
        {write("columns.csv", "1\n2\n"), "第 1 行有 1 列"},
        {write("binary.csv", QByteArray("0,a\n\0\x01\x02\xFF", 8)), "二进制"},
        {write("range.csv", "0,a\n1,b\n65536,c\n"), "第 3 行：地址 65536 超出范围"},
        {dir.filePath("missing.csv"), "无法打开"},
    };
    for (const auto& c : cases) {
        ui.messages.clear();
        EXPECT_EQ(RegisterMapCommands::ImportFile(*w.doc, c.path), 0);
        ASSERT_EQ(ui.texts().size(), 1) << c.says;
        EXPECT_TRUE(ui.texts()[0].contains(QString::fromUtf8(c.says))) << ui.texts()[0].toStdString();
        EXPECT_EQ(aliasAt(w, 0), "kept");
        EXPECT_FALSE(w.doc->IsModified());
        EXPECT_FALSE(w.doc->Grid()->model().isModified());
    }
}

TEST_F(CsvCommandsTest, AnExportImportedIntoAnotherWindowGivesTheSameAliases) {
    PollWindow a(testing::ReadDefinition(4, 20, 6, 4));
    const QStringList aliases{"=SUM(A1)", "", "Druck, bar", "'+1", "", "温度"};
    for (int i = 0; i < aliases.size(); ++i) {
        int row = 0, column = 0;
        ASSERT_TRUE(a.model().CellOfItem(i, row, column));
        a.doc->Grid()->model().setItemText(row, column - 1, aliases[i]);
    }
    ui.filePath = dir.filePath("export.csv");
    run(a, cmd::ExportRegisterMap);
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_TRUE(ui.fileRequests[0].save);

    PollWindow b(testing::ReadDefinition(4, 20, 6, 4));
    run(b, cmd::ImportRegisterMap);
    EXPECT_TRUE(ui.texts().isEmpty()) << ui.texts().join('\n').toStdString();
    for (int i = 0; i < aliases.size(); ++i)
        EXPECT_EQ(aliasAt(b, i), aliases[i]) << i;
}

TEST_F(CsvCommandsTest, TheDataViewGoesOutAsCsvWhileTheGridsCopyStaysTabSeparated) {
    PollWindow w(testing::ReadDefinition(3, 0, 2));
    CGridModel& g = w.doc->Grid()->model();
    g.setItemText(1, 1, "-volts");
    ui.filePath = dir.filePath("view.csv");
    run(w, cmd::ExportDataCsv);
    QFile f(ui.filePath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
    // Header row, then one row per grid row: the alias guarded, values
    // without the blanks that align them; the poll has read nothing yet,
    // so there are no values, not zeros.
    EXPECT_EQ(lines.value(0), ",标注,00000");
    EXPECT_EQ(lines.value(1), "0,'-volts,");
    EXPECT_EQ(lines.value(2), "1,,");
    EXPECT_EQ(lines.size(), 12);  // ten rows, the header, the empty end
    EXPECT_TRUE(lines.last().isEmpty());

    g.setSelectedRange(1, 1, 2, 2);
    run(w, cmd::CopyCsv);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "'-volts,\r\n,");
    ASSERT_TRUE(w.view->OnCommand(cmd::EditCopy));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "-volts\t\r\n\t");

    // A file that cannot be written: the standard message.
    ui.filePath = dir.filePath("no/such/folder/view.csv");
    run(w, cmd::ExportDataCsv);
    EXPECT_EQ(ui.texts(), QStringList{"文件打开错误"});
}

// ---- row types ------------------------------------------------------------------

TEST_F(CsvCommandsTest, AMapsTypesReplaceThoseOfItsAddressesAndABadTypeChangesNothing) {
    PollWindow w(testing::ReadDefinition(3, 0, 20));
    ASSERT_TRUE(w.doc->ReplaceRowTypes({{2, MakeRowType({DecodeKind::Float32})},
                                        {5, MakeRowType({DecodeKind::Signed32})},
                                        {30, MakeRowType({}, 1, 0, "V")}}));
    const RowTypes before = w.model().rowTypes;
    w.doc->Grid()->model().setItemText(1, 1, "kept");
    w.doc->Grid()->model().setModified(false);
    w.doc->SetModifiedFlag(false);

    EXPECT_EQ(RegisterMapCommands::ImportFile(
                  *w.doc, write("bad.csv", "Address,Name,Type\n0,a,int16\n2,b,quaternion\n")),
              0);
    ASSERT_EQ(ui.texts().size(), 1);
    EXPECT_TRUE(ui.texts()[0].contains(QString::fromUtf8("第 3 行：不认识的类型“quaternion”")))
        << ui.texts()[0].toStdString();
    EXPECT_EQ(aliasAt(w, 0), "kept");
    EXPECT_EQ(w.model().rowTypes, before);
    EXPECT_FALSE(w.doc->IsModified());

    ui.messages.clear();
    RegisterMapCommands::ImportFile(
        *w.doc, write("good.csv", "Address,Name,Type,Unit\n2,Temp,float,°C\n5,Plain,,\n"
                                  "7,Serial,string,\n12,Level,int16,m\n13,,uint16,\n"));
    EXPECT_TRUE(ui.texts().isEmpty()) << ui.texts().join('\n').toStdString();
    const RowTypes expected = {
        {2, MakeRowType({DecodeKind::Float32, ByteOrder::CDAB}, 1, 0, "°C")},
        {7, MakeRowType({DecodeKind::Text}, 1, 0, "", -1, 5)},  // up to the next address
        {12, MakeRowType({DecodeKind::Signed16}, 1, 0, "m")},
        {13, MakeRowType({DecodeKind::Unsigned16})},
        {30, before.at(30)}};
    EXPECT_EQ(w.model().rowTypes, expected);
    // The unit went to the type; the alias is the name.
    EXPECT_EQ(aliasAt(w, 2), "Temp");
    EXPECT_EQ(aliasAt(w, 12), "Level");
    EXPECT_TRUE(w.doc->IsModified());
}

}  // namespace
}  // namespace zentiq
