// The poll document with its view, offscreen, without a slave: file
// commands and the closing question, defaults, update rules, the modified
// flag, the definition dialog, cell formatting and the engine slot.
#include "documents/zentiq_doc.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/dialog_data_exchange.h"
#include "framework/settings_store.h"
#include "framework/window_registry.h"
#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_setup.h"
#include "documents/zqd_file.h"
#include "engine/engine.h"
#include "grid/grid_ctrl.h"
#include "grid/in_place_edit.h"
#include "support/qt_test_app.h"
#include "support/recording_interaction.h"

namespace zentiq {
namespace {

// Stands in for the user for the whole test program.
std::unique_ptr<testing::RecordingInteraction>& user() {
    static std::unique_ptr<testing::RecordingInteraction> instance;
    return instance;
}

// The boxes shown so far.
QStringList warnings() { return user()->texts(); }

class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        zentiq::testing::EnsureQApplication();
        user() = std::make_unique<testing::RecordingInteraction>();
    }
    void TearDown() override { user().reset(); }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new AppEnvironment);

// A document with its view shown offscreen.
struct PollWindow {
    std::unique_ptr<CZentiqDoc> doc;
    QPointer<CZentiqView> view;

    explicit PollWindow(std::unique_ptr<CZentiqDoc> d = nullptr) : doc(std::move(d)) {
        if (!doc) {
            doc = std::make_unique<CZentiqDoc>();
            doc->OnNewDocument();
        }
    }
    void show() {
        view = new CZentiqView(doc.get(), nullptr);
        view->resize(900, 500);
        view->show();
    }
    ~PollWindow() {
        delete view.data();
        doc.reset();
    }
    PollDocumentModel& model() { return doc->Model(); }
    CGridModel& grid() { return doc->Grid()->model(); }
    CGridCtrl* gridCtrl() { return doc->Grid(); }
    // Types a text into an alias cell the way a user does.
    void typeAlias(int row, int column, const QString& text) {
        grid().setFocusCell(row, column);
        QTest::keyClick(gridCtrl(), text.at(0).toLatin1());
        ASSERT_TRUE(gridCtrl()->isEditing());
        QWidget* editor = gridCtrl()->inPlaceEdit();
        QTest::keyClicks(editor, text.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
    }
};

// Hooks for every chooser and question; restores the old ones at the end.
// Answers the document's questions and choosers; questions are cancelled
// unless a test says otherwise.
struct UiAnswers : testing::RecordingInteraction {
    UiAnswers() { answer = QMessageBox::Cancel; }
};

class DocTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        SettingsStore::setFilePathOverride(m_dir.filePath(QStringLiteral("Zentiq.ini")));
        InitEngine();
        InstallEnginePoster();
        user()->messages.clear();
    }
    void TearDown() override { SettingsStore::setFilePathOverride(QString()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

PollDefinition someDefinition() {
    PollDefinition d;
    d.Address = 33;
    d.FunctionValue = 4;
    d.Length = 12;
    d.ScanRate = 250;
    d.SlaveID = 9;
    d.bEnable = 0;
    d.DisplayFormat = 2;
    d.OneBased = 1;
    d.HideAlias = 0;
    d.DisplayAddr = 1;
    d.RowsDialog = 1;
    return d;
}

TEST_F(DocTest, NewDocumentsAreNumberedAndSetAsDefaultReachesTheNextWindow) {
    CZentiqDoc first;
    first.OnNewDocument();
    CZentiqDoc second;
    second.OnNewDocument();
    ASSERT_TRUE(first.GetTitle().startsWith("Zentiq"));
    const int n = first.GetTitle().mid(6).toInt();
    EXPECT_GT(n, 0);
    EXPECT_EQ(second.GetTitle(), QStringLiteral("Zentiq%1").arg(n + 1));
    EXPECT_EQ(first.Model().def, PollDefinition());  // an empty store: built-in defaults

    PollWindow w;
    w.model().def = someDefinition();
    w.model().def.HideAlias = 1;
    w.model().font.setFaceName(QStringLiteral("DejaVu Sans Mono"));
    w.doc->ComputeGridSize();
    w.show();
    ASSERT_TRUE(w.doc->OnCommand(cmd::SetAsDefault));
    EXPECT_FALSE(w.doc->IsModified());

    PollWindow next;
    EXPECT_EQ(next.model().def, w.model().def);
    EXPECT_EQ(next.model().font.faceName, "DejaVu Sans Mono");
    EXPECT_EQ(next.grid().rowCount(), 21);  // RowsDialog 1: 20 rows
    next.show();
    EXPECT_EQ(next.grid().itemText(0, 2), "3x0020");
    EXPECT_EQ(next.grid().columnWidth(1), 0);
}

TEST_F(DocTest, SavedDocumentReopensWithDefinitionLayoutAndCellFormatting) {
    UiAnswers ui;
    WindowPlacement placement;
    placement.showCmd = 1;
    placement.left = 10;
    placement.top = 20;
    placement.right = 410;
    placement.bottom = 320;
    {
        PollWindow w;
        QObject::connect(w.doc.get(), &CZentiqDoc::placementRequested,
                         [&](WindowPlacement* p) { *p = placement; });
        w.model().def = someDefinition();
        w.doc->ComputeGridSize();
        w.show();
        w.typeAlias(2, 1, QStringLiteral("Pump"));
        ASSERT_EQ(w.grid().itemText(2, 1), "Pump");

        w.grid().setSelectedRange(3, 2, 4, 3);
        ui.colour = QColor(255, 0, 0);
        ASSERT_TRUE(w.doc->OnCommand(cmd::CellTextColour));
        ui.colour = QColor(0, 128, 0);
        ASSERT_TRUE(w.doc->OnCommand(cmd::CellBackgroundColour));
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPointSize(14);
        ui.font = font;
        ASSERT_TRUE(w.doc->OnCommand(cmd::CellFont));
        w.grid().setColumnWidth(2, 123);
        w.grid().setSelectedRange(5, 2, 5, 2);
        w.grid().setFocusCell(5, 2);

        ui.filePath = path("poll");  // the extension is added
        ASSERT_TRUE(w.doc->OnCommand(cmd::FileSaveAs));
        EXPECT_EQ(ui.fileRequests.size(), 1u);
        EXPECT_EQ(w.doc->GetTitle(), "poll.zqd");
        EXPECT_EQ(w.doc->GetPathName(), path("poll.zqd"));
        EXPECT_FALSE(w.doc->IsModified());
        // Save keeps the name: no dialog.
        ASSERT_TRUE(w.doc->OnCommand(cmd::FileSave));
        EXPECT_EQ(ui.fileRequests.size(), 1u);
    }
    ASSERT_TRUE(QFileInfo::exists(path("poll.zqd")));

    PollWindow r;
    QString error;
    ASSERT_TRUE(r.doc->OnOpenDocument(path("poll.zqd"), &error)) << error.toStdString();
    EXPECT_EQ(r.doc->GetTitle(), "poll.zqd");
    EXPECT_FALSE(r.doc->IsModified());
    EXPECT_EQ(r.model().def, someDefinition());
    EXPECT_EQ(r.doc->LoadedPlacement(), placement);
    r.show();
    EXPECT_EQ(r.grid().rowCount(), 21);
    EXPECT_EQ(r.grid().itemText(2, 1), "Pump");
    EXPECT_EQ(r.grid().itemFgColour(3, 2), gridRgb(255, 0, 0));
    EXPECT_EQ(r.grid().itemFgColour(4, 3), gridRgb(255, 0, 0));
    EXPECT_EQ(r.grid().itemBkColour(4, 2), gridRgb(0, 128, 0));
    EXPECT_EQ(r.grid().itemFgColour(5, 2), kDefaultColour);
    EXPECT_EQ(r.grid().itemFont(3, 3).family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(r.grid().itemFont(3, 3).pointSize(), 14);
    EXPECT_EQ(r.grid().columnWidth(2), 123);
    EXPECT_EQ(r.grid().focusCell(), CCellID(5, 2));
    EXPECT_FALSE(r.grid().isModified());
    // The file's values are no reading of the slave now: nothing shows
    // until the first poll brings one. Then PLC style, input registers,
    // address in the cell, hex.
    int row = 0, column = 0;
    ASSERT_TRUE(r.model().CellOfItem(0, row, column));
    EXPECT_EQ(r.grid().itemText(row, column), "");
    r.model().MarkValuesRead(QDateTime::currentMSecsSinceEpoch());
    r.doc->RefreshValues(true);
    EXPECT_EQ(r.grid().itemText(row, column), "30034 = 0x0000");
    EXPECT_TRUE(r.doc->SaveModified());
    EXPECT_TRUE(ui.questions.empty());
}

TEST_F(DocTest, ClosingAsksOnlyAfterAnAliasWasTypedAndSavesOnYes) {
    UiAnswers ui;
    PollWindow w;
    w.show();
    EXPECT_TRUE(w.doc->SaveModified());
    EXPECT_TRUE(ui.questions.empty());

    w.typeAlias(1, 1, QStringLiteral("Valve"));
    EXPECT_FALSE(w.doc->IsModified());  // only the closing check looks at the grid
    ui.answer = QMessageBox::Cancel;
    EXPECT_FALSE(w.doc->SaveModified());
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0], QStringLiteral("保存%1吗？").arg(w.doc->GetTitle()));
    EXPECT_TRUE(w.doc->IsModified());

    ui.answer = QMessageBox::No;
    EXPECT_TRUE(w.doc->SaveModified());

    const QString untitled = w.doc->GetTitle();
    ui.answer = QMessageBox::Yes;
    ui.filePath.clear();  // the save dialog is cancelled: do not close
    EXPECT_FALSE(w.doc->SaveModified());
    ui.filePath = path("valve.zqd");
    EXPECT_TRUE(w.doc->SaveModified());
    EXPECT_FALSE(w.doc->IsModified());
    ASSERT_TRUE(QFileInfo::exists(path("valve.zqd")));
    EXPECT_EQ(ui.questions.back(), QStringLiteral("保存%1吗？").arg(untitled));
    EXPECT_EQ(w.doc->GetTitle(), "valve.zqd");

    // Saved: the next closing check has nothing to ask.
    const std::size_t asked = ui.questions.size();
    EXPECT_TRUE(w.doc->SaveModified());
    EXPECT_EQ(ui.questions.size(), asked);
    EXPECT_EQ(ui.questions.size(), 4u);

    // The path is in the question once the document has one.
    w.doc->SetModifiedFlag(true);
    ui.answer = QMessageBox::Cancel;
    EXPECT_FALSE(w.doc->SaveModified());
    EXPECT_EQ(ui.questions.back(), QStringLiteral("保存%1吗？").arg(path("valve.zqd")));
}

TEST_F(DocTest, UnknownVersionOpensWithDefaultsAndDamagedFilesAreRefused) {
    QFile unknown(path("old.zqd"));
    ASSERT_TRUE(unknown.open(QIODevice::WriteOnly));
    const char version4100[] = {0x04, 0x10, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    unknown.write(version4100, sizeof version4100);
    unknown.close();
    PollWindow w;
    QString error;
    ASSERT_TRUE(w.doc->OnOpenDocument(path("old.zqd"), &error));
    EXPECT_EQ(warnings(), QStringList({"文件格式错误"}));
    EXPECT_EQ(w.doc->GetTitle(), "old.zqd");
    EXPECT_EQ(w.model().def, PollDefinition());

    // A good file cut short, and a missing one.
    {
        PollWindow s;
        s.model().def = someDefinition();
        s.doc->ComputeGridSize();
        ASSERT_TRUE(s.doc->OnSaveDocument(path("good.zqd"), &error));
    }
    QFile good(path("good.zqd"));
    ASSERT_TRUE(good.open(QIODevice::ReadWrite));
    good.resize(good.size() / 2);
    good.close();
    PollWindow d;
    error.clear();
    EXPECT_FALSE(d.doc->OnOpenDocument(path("good.zqd"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(d.model().def, PollDefinition());
    EXPECT_FALSE(d.doc->OnOpenDocument(path("missing.zqd"), &error));
    EXPECT_EQ(warnings().size(), 1);
}

// A file this program cannot read opens with the defaults but stays the
// user's: saving asks for a name and never replaces it.
TEST_F(DocTest, AnUnreadableFileIsNeverReplacedBySave) {
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"version 4100", QByteArray("\x04\x10\x00\x00\x05\x00\x00\x00", 8)},
        {"garbage", QByteArray(889, '\xA5')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        user()->messages.clear();
        const QString file = path(QStringLiteral("pump.zqd"));
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(c.bytes);
        out.close();

        UiAnswers ui;
        PollWindow w;
        w.show();
        QString error;
        ASSERT_TRUE(w.doc->OnOpenDocument(file, &error));
        EXPECT_EQ(ui.texts(), QStringList({"文件格式错误"}));
        EXPECT_EQ(w.doc->GetTitle(), "pump.zqd");
        EXPECT_TRUE(w.doc->GetPathName().isEmpty());
        EXPECT_EQ(w.model().def, PollDefinition());

        ASSERT_TRUE(w.doc->OnCommand(cmd::FileSave));  // cancelled
        EXPECT_EQ(ui.fileRequests.size(), 1u) << "Save asks for a name";
        ui.filePath = path(QStringLiteral("pump-new.zqd"));
        ASSERT_TRUE(w.doc->OnCommand(cmd::FileSave));
        EXPECT_EQ(ui.fileRequests.size(), 2u);
        EXPECT_EQ(w.doc->GetPathName(), ui.filePath);
        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        EXPECT_EQ(in.readAll(), c.bytes) << "the unreadable file is untouched";
        EXPECT_TRUE(QFile::exists(ui.filePath));
    }
}

// What is not a regular file is refused at once with a message naming it.
TEST_F(DocTest, APipeADeviceOrAFolderIsNotOpenedAsADocument) {
    const QString fifo = path(QStringLiteral("pipe.zqd"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = path(QStringLiteral("folder.zqd"));
    ASSERT_TRUE(QDir().mkdir(folder));
    // Should the open block on the pipe, a writer comes and goes after a
    // while so that the test ends (and fails) instead of hanging.
    std::atomic<bool> done{false};
    std::thread unblock([&] {
        for (int i = 0; i < 50 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (done)
            return;
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    });
    for (const QString& file : {fifo, QStringLiteral("/dev/null"), folder}) {
        SCOPED_TRACE(file.toStdString());
        PollWindow w;
        QString error;
        EXPECT_FALSE(w.doc->OnOpenDocument(file, &error));
        EXPECT_EQ(error, ZqdFile::NotRegularFileText(file));
        EXPECT_TRUE(w.doc->GetPathName().isEmpty());
    }
    done = true;
    unblock.join();
    EXPECT_TRUE(warnings().isEmpty());
}

TEST_F(DocTest, UpdateRulesFollowTheFunctionTheFormatAndTheConnection) {
    PollWindow w;
    w.show();
    const int integerCommands[] = {cmd::FormatSigned, cmd::FormatUnsigned,
                                   cmd::FormatHex, cmd::FormatBinary};
    const int wideCommands[] = {cmd::FormatFloat,       cmd::FormatFloatInverse,
                                cmd::FormatDouble,      cmd::FormatDoubleInverse,
                                cmd::FormatLong,        cmd::FormatLongInverse};
    for (int function : {1, 2, 3, 4, 5, 6, 15, 16}) {
        SCOPED_TRACE(function);
        w.model().def.FunctionValue = function;
        for (int id : integerCommands) {
            CommandState s;
            ASSERT_TRUE(w.view->OnUpdateCommand(id, s));
            EXPECT_EQ(s.enabled, function != 1 && function != 2 && function != 5) << id;
        }
        for (int id : wideCommands) {
            CommandState s;
            ASSERT_TRUE(w.view->OnUpdateCommand(id, s));
            EXPECT_EQ(s.enabled, function == 3 || function == 4 || function == 15 || function == 16) << id;
        }
    }
    // A disabled format cannot be forced through the command either.
    w.model().def.FunctionValue = 1;
    EXPECT_TRUE(w.doc->OnCommand(cmd::FormatFloat));
    EXPECT_EQ(w.model().def.DisplayFormat, 0);
    EXPECT_FALSE(w.doc->IsModified());
    w.model().def.FunctionValue = 3;
    ASSERT_TRUE(w.doc->OnCommand(cmd::FormatLongInverse));
    CommandState checked;
    w.view->OnUpdateCommand(cmd::FormatLongInverse, checked);
    EXPECT_TRUE(checked.checked);
    EXPECT_TRUE(w.doc->IsModified());

    // Stopping a log needs one.
    for (int id : {cmd::StopLogging}) {
        CommandState s;
        ASSERT_TRUE(w.view->OnUpdateCommand(id, s)) << id;
        EXPECT_FALSE(s.enabled) << id;
    }
    // The write, test center, error counter and logging commands are always there.
    for (int id : {cmd::WriteSingleCoil, cmd::WriteSingleRegister, cmd::WriteMultipleCoils,
                   cmd::WriteMultipleRegisters, cmd::MaskWrite, cmd::ReadWriteRegisters,
                   cmd::TestCenter, cmd::ErrorCounter, cmd::StartLogging}) {
        CommandState s;
        ASSERT_TRUE(w.view->OnUpdateCommand(id, s)) << id;
        EXPECT_TRUE(s.enabled) << id;
    }
    // Read once needs polling off and a connection.
    CommandState readOnce;
    w.view->OnUpdateCommand(cmd::ReadOnce, readOnce);
    EXPECT_FALSE(readOnce.enabled);
    w.model().def.bEnable = 0;
    w.view->OnUpdateCommand(cmd::ReadOnce, readOnce);
    EXPECT_FALSE(readOnce.enabled);  // not connected
}

TEST_F(DocTest, FullSlotTableShowsTheMessageAndTheSlotCommandsDoNothing) {
    std::vector<int> taken;
    for (int i = 0; i < 32; ++i)
        taken.push_back(RegisterPollSlot(1, WM_POLL_RESULT, 100, 1, 3, 0, 1, 0, 0));
    ASSERT_EQ(taken.back(), 32);
    PollWindow w;
    w.show();
    EXPECT_EQ(warnings(), QStringList({"内存不足，请关闭部分窗口！"}));
    EXPECT_EQ(w.model().slotIndex, -1);
    ASSERT_TRUE(w.doc->OnCommand(cmd::EnableReadWrite));
    EXPECT_EQ(w.model().def.bEnable, 1);
    EXPECT_FALSE(w.doc->IsModified());
    ASSERT_TRUE(w.doc->OnCommand(cmd::ClearCounters));

    // With a slot free again, the next change of definition gets it.
    ReleasePollSlot(taken[6]);
    DefinitionDialogValues v = CZentiqSetup::FromModel(w.model());
    v.length = 20;
    w.doc->ApplyDefinition(v);
    EXPECT_EQ(w.model().slotIndex, taken[6]);
    EXPECT_EQ(w.model().def.Length, 20);
    EXPECT_EQ(w.grid().columnCount(), 5);
    EXPECT_TRUE(w.doc->IsModified());
    EXPECT_EQ(warnings().size(), 1);
    for (int s : taken)
        ReleasePollSlot(s);
}

TEST_F(DocTest, DefinitionDialogAppliesItsValuesOnOkAndTheCommunicationPartOnApply) {
    UiAnswers ui;
    PollWindow w;
    w.show();
    const int firstSlot = w.model().slotIndex;
    ASSERT_NE(firstSlot, -1);

    ui.onModal<CZentiqSetup>([](CZentiqSetup& d) {
        d.findChild<QLineEdit*>("lengthEdit")->setText("37");
        d.findChild<QCheckBox*>("hideAliasCheck")->setChecked(true);
        d.accept();
        return d.result();
    });
    ASSERT_TRUE(w.doc->OnCommand(cmd::PollDefinition));
    EXPECT_EQ(w.model().def.Length, 37);
    EXPECT_EQ(w.model().def.HideAlias, 1);
    EXPECT_EQ(w.grid().columnCount(), 9);
    EXPECT_EQ(w.grid().columnWidth(3), 0);
    EXPECT_NE(w.model().slotIndex, -1);
    EXPECT_TRUE(w.doc->IsModified());

    // Apply takes address, scan rate and the like at once; the PLC style
    // waits for OK, which Cancel never comes to.
    w.doc->SetModifiedFlag(false);
    ui.onModal<CZentiqSetup>([](CZentiqSetup& d) {
        d.findChild<QLineEdit*>("scanRateEdit")->setText("250");
        d.findChild<QLineEdit*>("addressEdit")->setText("8");
        d.findChild<QCheckBox*>("plcAddressCheck")->setChecked(true);
        d.findChild<QPushButton*>("applyButton")->click();
        d.reject();
        return d.result();
    });
    ASSERT_TRUE(w.doc->OnCommand(cmd::PollDefinition));
    EXPECT_EQ(w.model().def.ScanRate, 250);
    EXPECT_EQ(w.model().def.Address, 7);
    EXPECT_EQ(w.model().def.OneBased, 0);
    EXPECT_TRUE(w.doc->IsModified());
    EXPECT_EQ(w.grid().itemText(0, 2), "00000");

    // Cancel alone changes nothing.
    w.doc->SetModifiedFlag(false);
    ui.onModal<CZentiqSetup>([](CZentiqSetup& d) {
        d.findChild<QLineEdit*>("lengthEdit")->setText("5");
        d.reject();
        return d.result();
    });
    ASSERT_TRUE(w.doc->OnCommand(cmd::PollDefinition));
    EXPECT_EQ(w.model().def.Length, 37);
    EXPECT_FALSE(w.doc->IsModified());
}

TEST_F(DocTest, CellColoursAndFontsChangeOnlySelectedCellsAndOnlyOnOk) {
    UiAnswers ui;
    PollWindow w;
    w.model().def.Length = 30;
    w.doc->ComputeGridSize();
    w.show();
    w.grid().setSelectedRange(0, 0, 2, 3);  // headers are never part of it
    ui.colour = QColor();  // cancelled
    ASSERT_TRUE(w.doc->OnCommand(cmd::CellBackgroundColour));
    EXPECT_EQ(w.grid().itemBkColour(1, 1), kDefaultColour);
    EXPECT_FALSE(w.doc->IsModified());
    ui.colour = QColor(1, 2, 3);
    ASSERT_TRUE(w.doc->OnCommand(cmd::CellBackgroundColour));
    EXPECT_TRUE(w.doc->IsModified());
    for (int r = 0; r <= 3; ++r) {
        for (int c = 0; c <= 4; ++c) {
            const bool inside = r >= 1 && r <= 2 && c >= 1 && c <= 3;
            EXPECT_EQ(w.grid().itemBkColour(r, c), inside ? gridRgb(1, 2, 3) : kDefaultColour) << r << "," << c;
        }
    }
    // The menu's colour entries reach the document through the view.
    ui.colour = QColor(9, 8, 7);
    ASSERT_TRUE(w.view->OnCommand(cmd::CellTextColour));
    EXPECT_EQ(w.grid().itemFgColour(2, 3), gridRgb(9, 8, 7));
}

}  // namespace
}  // namespace zentiq
