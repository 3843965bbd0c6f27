// The test center against pymodbus: hand-made frames with CRC, with LRC and
// with a typed MBAP header reach the slave and its answers are listed; input
// errors are pointed out in the edit field; list files and the settings.
#include "testcenter/test_center.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/traffic_list_view.h"
#include "engine/engine.h"
#include "framework/one_shot_request.h"
#include "framework/settings_store.h"
#include "support/dialog_test_helpers.h"
#include "support/one_shot_overtake.h"
#include "support/peer_link.h"
#include "support/wire_frames.h"

namespace zentiq {
namespace {

using testing::child;
using testing::HexText;
using testing::PeerLink;
using testing::RecordingInteraction;

constexpr int kWaitMs = 10000;

struct Dialog {
    std::unique_ptr<CTestCenter> dialog;
    explicit Dialog(CTestCenter::Settings settings = {}) {
        dialog = std::make_unique<CTestCenter>(settings);
        dialog->show();
    }
    QLineEdit* edit() { return dialog->FrameCombo()->lineEdit(); }
    QPushButton* send() { return child<QPushButton>(dialog.get(), "sendButton"); }
    const QStringList& lines() { return dialog->List()->Lines().lines(); }
    void typeAndSend(const QString& text) {
        edit()->clear();
        QTest::keyClicks(edit(), text);
        QTest::mouseClick(send(), Qt::LeftButton);
    }
    bool waitForAnswer() {
        return QTest::qWaitFor([&] { return !dialog->IsWaiting(); }, kWaitMs) && send()->isEnabled();
    }
};

// ---- frames against the slave, per transport -------------------------------------------------

struct FrameCase {
    const char* name;
    TransmissionMode mode;
    const char* typed;  // as the user types it (lower case is upper-cased)
    CTestCenter::Settings check;
    testing::Bytes sent;
    testing::Bytes answer;
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

const testing::Bytes kAsciiRequest{':', '0', '1', '0', '3', '0', '0', '0', '0', '0', '0', '0', 'A'};

testing::Bytes concat(testing::Bytes a, const testing::Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class TestCenterFrameTest : public ::testing::TestWithParam<FrameCase> {
protected:
    void SetUp() override {
        InitEngine();
        std::string error;
        m_link = PeerLink::Start(PeerLink::Peer::PyModbus, GetParam().mode, error);
        ASSERT_TRUE(m_link) << error;
        // A raw frame without an answer in time is listed as sent only, so a
        // slave slowed down by a busy machine gets more than a second.
        if (GetParam().mode != TCP)
            SetSerialTimeouts(1000, 1, 3000, 1, 200);
    }
    void TearDown() override { m_link.reset(); }
    std::unique_ptr<PeerLink> m_link;
};

TEST_P(TestCenterFrameTest, FrameGoesOutAsTypedWithItsCheckAndTheAnswerIsListed) {
    const FrameCase& c = GetParam();
    RecordingInteraction warnings;
    for (int opening = 0; opening < 2; ++opening) {
        // A raw frame is sent once; the line is purged after the request has
        // left, so an answer that a busy machine lets in before that purge is
        // gone. Such an opening is tried again, a bounded number of times.
        QStringList lines;
        for (int attempt = 0; attempt < 3 && lines.size() != 2; ++attempt) {
            Dialog d(c.check);
            d.typeAndSend(QString::fromLatin1(c.typed));
            EXPECT_FALSE(d.send()->isEnabled()) << "until the answer is there";
            ASSERT_TRUE(d.waitForAnswer());
            lines = d.lines();
        }
        ASSERT_EQ(lines.size(), 2) << lines.join('|').toStdString() << " status " << GetSlotStatus(0);
        // Numbered from 0 at every opening.
        EXPECT_EQ(lines[0], "000-Tx:" + HexText(c.sent));
        EXPECT_EQ(lines[1], "001-Rx:" + HexText(c.answer));
    }
    EXPECT_TRUE(warnings.texts().isEmpty()) << warnings.texts().join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Transports, TestCenterFrameTest,
    ::testing::Values(
        FrameCase{"RtuWithCrc", RTU, "01 03 00 00 00 0a", {1, 0},
                  {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD},
                  testing::WithCrc(testing::ReadHoldingAnswer(10))},
        FrameCase{"AsciiWithLrc", ASCII, "3A 30 31 30 33 30 30 30 30 30 30 30 41", {1, 1},
                  concat(kAsciiRequest, {0x46, 0x32, 0x0D, 0x0A}),
                  testing::AsAscii(testing::ReadHoldingAnswer(10))},
        FrameCase{"TcpWithTypedHeader", TCP, "00,2A.00 00,00,06 01 03 00 00 00 0A", {0, 0},
                  {0x00, 0x2A, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x00, 0x00, 0x0A},
                  concat({0x00, 0x2A, 0x00, 0x00, 0x00, 0x17}, testing::ReadHoldingAnswer(10))}),
    [](const ::testing::TestParamInfo<FrameCase>& info) { return std::string(info.param.name); });

// ---- input checks --------------------------------------------------------------------------

class TestCenterInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngine();
        std::string error;
        m_link = PeerLink::Start(PeerLink::Peer::LibModbus, TCP, error);
        ASSERT_TRUE(m_link) << error;
    }
    void TearDown() override { m_link.reset(); }
    std::unique_ptr<PeerLink> m_link;
    RecordingInteraction warnings;
};

TEST_F(TestCenterInputTest, RefusedTextsSendNothingAndPointAtTheOffendingCharacter) {
    struct Case {
        QString text;
        const char* message;
        int selected;  // start of the one selected character, -1 for none
    };
    const Case cases[] = {
        {"", "错误输入", -1},
        {"01  03", "错误输入", 3},
        {"01 0 03", "错误输入", 4},
        {"01 03 G0", "错误输入", 6},
        {" 01", "错误输入", 0},
        {"01 0", "错误输入", -1},
        {QString(901, QLatin1Char('0')), "Max length 900", -1},
    };
    Dialog d;
    for (const Case& c : cases) {
        warnings.messages.clear();
        d.edit()->setText(c.text);
        d.edit()->deselect();
        QTest::mouseClick(d.send(), Qt::LeftButton);
        EXPECT_EQ(warnings.texts(), QStringList{QString::fromUtf8(c.message)}) << c.text.toStdString();
        EXPECT_EQ(d.edit()->selectionStart(), c.selected) << c.text.toStdString();
        if (c.selected >= 0) {
            EXPECT_EQ(d.edit()->selectedText().size(), 1);
        }
        EXPECT_FALSE(d.dialog->IsWaiting());
        EXPECT_TRUE(d.send()->isEnabled());
    }
    EXPECT_TRUE(d.lines().isEmpty());
}

TEST_F(TestCenterInputTest, ABusyOneShotSlotIsSaidPlainly) {
    // Another write holds slot 0 and has not loaded its value yet.
    ASSERT_EQ(SubmitOneShot(0, WM_POLL_RESULT, 1, 6, 0, 0, 10, 0), 1);
    Dialog d;
    d.typeAndSend("01 03 00 00 00 01");
    EXPECT_EQ(warnings.texts(), QStringList{OneShotRequest::RefusedText()});
    EXPECT_TRUE(d.lines().isEmpty());
    EXPECT_TRUE(d.send()->isEnabled());
}

// Slot 0 is free once the frame is served: a request of another program may
// be served there before the dialog takes its answer. The Rx line is the
// frame's own answer, not the other request's.
TEST_F(TestCenterInputTest, TheListedAnswerIsTheFramesOwnWhenAnotherRequestFollows) {
    Dialog d;
    d.typeAndSend("00 07 00 00 00 06 01 03 00 00 00 02");
    ASSERT_TRUE(d.dialog->IsWaiting());
    ASSERT_TRUE(testing::OvertakeWithWrite(40, {0x0BAD, 0xF00D}));
    ASSERT_TRUE(d.waitForAnswer());
    ASSERT_EQ(d.lines().size(), 2);
    EXPECT_EQ(d.lines()[1], "001-Rx:" + HexText(concat({0x00, 0x07, 0x00, 0x00, 0x00, 0x07},
                                                      testing::ReadHoldingAnswer(2))));
    EXPECT_TRUE(warnings.texts().isEmpty());
}

TEST(TestCenterOfflineTest, WithoutConnectionNothingIsSent) {
    InitEngine();
    RecordingInteraction warnings;
    Dialog d;
    d.typeAndSend("01 03 00 00 00 01");
    EXPECT_EQ(warnings.texts(), QStringList{"没有连接"});
    EXPECT_TRUE(d.lines().isEmpty());
    EXPECT_TRUE(d.send()->isEnabled());
    // Letters are upper case however they reach the edit field.
    d.dialog->FrameCombo()->setEditText("0a,fb");
    EXPECT_EQ(d.edit()->text(), "0A,FB");
}

// ---- list files and settings -----------------------------------------------------------------

class TestCenterFileTest : public ::testing::Test {
protected:
    void SetUp() override { SettingsStore::setFilePathOverride(dir.filePath("Zentiq.ini")); }
    void TearDown() override { SettingsStore::setFilePathOverride(QString()); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QStringList entries(CTestCenter& dialog) {
        QStringList out;
        for (int i = 0; i < dialog.FrameCombo()->count(); ++i)
            out << dialog.FrameCombo()->itemText(i);
        return out;
    }

    QTemporaryDir dir;
    RecordingInteraction user;
    RecordingInteraction& files = user;     // answers the file dialogs
    RecordingInteraction& warnings = user;  // records the boxes

};

TEST_F(TestCenterFileTest, ListsLoadAtMostAHundredFramesAndSaveAsKept) {
    QByteArray many = "TestCenter\n";
    for (int i = 0; i < 150; ++i)
        many += QByteArray::number(i % 256, 16).rightJustified(2, '0').toUpper() + " 03\n";
    write("many.txt", many);
    Dialog d;
    files.filePath = dir.filePath("many.txt");
    QTest::mouseClick(child<QPushButton>(d.dialog.get(), "openListButton"), Qt::LeftButton);
    ASSERT_EQ(files.fileRequests.size(), 1u);
    EXPECT_FALSE(files.fileRequests[0].save);
    EXPECT_EQ(files.fileRequests[0].proposedName, "testdata");
    EXPECT_EQ(files.fileRequests[0].filter, "modbus test. data (*.txt)");
    const QStringList loaded = entries(*d.dialog);
    ASSERT_EQ(loaded.size(), 100);
    EXPECT_EQ(loaded.first(), "00 03");
    EXPECT_EQ(loaded.last(), "63 03");
    EXPECT_EQ(d.edit()->text(), "00 03");

    // A full list refuses Add and says so: a list file keeps only what
    // Open reads back. Save writes the header and every entry.
    d.edit()->setText("01 06 00 01 00 03");
    QTest::mouseClick(child<QPushButton>(d.dialog.get(), "addListButton"), Qt::LeftButton);
    EXPECT_EQ(warnings.texts(), QStringList{CTestCenter::ListFullText()});
    EXPECT_EQ(entries(*d.dialog), loaded);
    files.filePath = dir.filePath("saved.txt");
    QTest::mouseClick(child<QPushButton>(d.dialog.get(), "saveListButton"), Qt::LeftButton);
    ASSERT_EQ(files.fileRequests.size(), 2u);
    EXPECT_TRUE(files.fileRequests[1].save);
    QFile saved(files.filePath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), "TestCenter\n" + loaded.join('\n') + "\n");
    warnings.messages.clear();

    // Another kind of file empties the list and says so.
    write("other.txt", "testcenter\n01 03\n");
    files.filePath = dir.filePath("other.txt");
    d.dialog->OpenList();
    EXPECT_EQ(warnings.texts(), QStringList{"This file is not a test center file"});
    EXPECT_EQ(d.dialog->FrameCombo()->count(), 0);
    files.filePath = dir.filePath("missing.txt");
    d.dialog->OpenList();
    EXPECT_EQ(warnings.texts().last(), "文件打开错误");
}

// Ctrl+C in the list copies as the Copy button does (the rules themselves
// are the monitor's, tested there).
TEST_F(TestCenterFileTest, CopyKeyCopiesTheSelectedLinesAsCopyDoes) {
    Dialog d;
    TrafficListView* list = d.dialog->List();
    for (std::uint8_t i = 0; i < 6; ++i) {
        const std::uint8_t bytes[] = {0x01, i};
        list->Add(TrafficLines::Direction::Tx, bytes, sizeof bytes);
    }
    list->Flush();
    list->setCurrentIndex(list->model()->index(3, 0));
    list->selectionModel()->select(list->model()->index(5, 0), QItemSelectionModel::Select);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "003-Tx:01 03\r\n005-Tx:01 05\r\n");
}

TEST_F(TestCenterFileTest, CheckSettingsAreReadBeforeAndWrittenAfter) {
    {
        SettingsStore store;
        store.SetInt("TestCenter", "AddCheck", 1);
        store.SetInt("TestCenter", "CRCLRC", 1);
    }
    bool ran = false;
    RecordingInteraction user;
    user.onModal<CTestCenter>([&](CTestCenter& dialog) {
        ran = true;
        EXPECT_EQ(dialog.windowTitle(), "测试工具");
        EXPECT_TRUE(child<QCheckBox>(&dialog, "addCheckBox")->isChecked());
        EXPECT_TRUE(child<QRadioButton>(&dialog, "lrcRadio")->isChecked());
        child<QCheckBox>(&dialog, "addCheckBox")->setChecked(false);
        child<QRadioButton>(&dialog, "crcRadio")->setChecked(true);
        dialog.close();  // the close box takes the controls' values
        return int(QDialog::Rejected);
    });
    CTestCenter::Open(nullptr);
    ASSERT_TRUE(ran);
    SettingsStore store;
    EXPECT_EQ(store.GetInt("TestCenter", "AddCheck", -1), 0);
    EXPECT_EQ(store.GetInt("TestCenter", "CRCLRC", -1), 0);
}

}  // namespace
}  // namespace zentiq
