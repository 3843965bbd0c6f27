// The device identity dialog: a clear message without a connection or with a
// bad pattern, the poll window's 功能 command that opens it for the window's
// slave, and against a pymodbus slave with a known identity what the fields,
// the object table, the loopback counts and the copied text show.
#include "display/device_identity_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPointer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "display/bus_scanner_window.h"
#include "engine/engine.h"
#include "framework/device_identity_reader.h"
#include "framework/function_support_scan.h"
#include "framework/window_registry.h"
#include "values/device_identity_text.h"
#include "resources/menus.h"
#include "support/peer_link.h"
#include "support/poll_window.h"
#include "support/scripted_tcp_slave.h"
#include "support/widget_environment.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace zentiq {
namespace {

using testing::WidgetEnvironment;

constexpr int kWaitMs = 20000;

template <class W>
W* child(QWidget& dialog, const char* name) {
    return dialog.findChild<W*>(QString::fromLatin1(name));
}

std::vector<DeviceIdentityDialog*> OpenIdentityWindows() {
    std::vector<DeviceIdentityDialog*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<DeviceIdentityDialog*>(w); d != nullptr && d->isVisible())
            found.push_back(d);
    return found;
}

// Closes them as the user does; they delete themselves.
void CloseAll(const std::vector<DeviceIdentityDialog*>& windows) {
    std::vector<QPointer<DeviceIdentityDialog>> alive(windows.begin(), windows.end());
    for (DeviceIdentityDialog* d : windows)
        child<QPushButton>(*d, "closeButton")->click();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return std::all_of(alive.begin(), alive.end(), [](auto& p) { return p.isNull(); }); },
        kWaitMs));
}

QString Title(QWidget& d, const char* box) { return child<QGroupBox>(d, box)->title(); }

TEST(DeviceIdentityDialog, SaysWhatIsMissingBeforeSendingAnything) {
    InitEngine();
    InstallEnginePoster();
    auto& ui = WidgetEnvironment::Ui();
    DeviceIdentityDialog dialog(DefaultLine(), 5);
    const std::pair<const char*, std::function<bool()>> commands[] = {
        {"report slave ID", [&] { return dialog.ReadSlaveId(); }},
        {"identity", [&] { return dialog.ReadIdentity(); }},
        {"loopback", [&] { return dialog.StartLoopback(); }},
    };
    for (const auto& [what, run] : commands) {
        ui.messages.clear();
        EXPECT_FALSE(run()) << what;
        EXPECT_EQ(ui.texts(), QStringList{DeviceIdentityDialog::NotConnectedText()}) << what;
        EXPECT_FALSE(dialog.IsBusy()) << what;
    }
}

TEST(DeviceIdentityDialog, PollWindowOpensItForItsSlave) {
    InitEngine();
    InstallEnginePoster();
    PollDefinition def = testing::ReadDefinition(3, 0, 4);
    def.SlaveID = 42;
    def.bEnable = 0;
    testing::PollWindow window(def);
    CommandState state;
    ASSERT_TRUE(window.view->OnUpdateCommand(cmd::DeviceIdentity, state));
    EXPECT_TRUE(state.enabled);
    // Twice: two windows of their own, neither blocking the program.
    EXPECT_TRUE(window.view->OnCommand(cmd::DeviceIdentity));
    EXPECT_TRUE(window.view->OnCommand(cmd::DeviceIdentity));
    const auto opened = OpenIdentityWindows();
    ASSERT_EQ(opened.size(), 2u);
    for (DeviceIdentityDialog* d : opened) {
        EXPECT_EQ(child<QSpinBox>(*d, "slaveIdEdit")->value(), 42);
        EXPECT_FALSE(d->isModal());
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    CloseAll(opened);
}

TEST(DeviceIdentityDialog, ShowsAndCopiesWhatAPyModbusSlaveSays) {
    InitEngine();
    InstallEnginePoster();
    auto& ui = WidgetEnvironment::Ui();
    std::string error;
    auto link =
        testing::PeerLink::Start(testing::PeerLink::Peer::PyModbus, TCP, error, 1,
                                 {"--vendor", "Zentiq Test", "--product-code", "ZQ-9", "--revision",
                                  "2.5", "--model-name", "BP-1", "--object", "0x80=extended"});
    ASSERT_TRUE(link) << error;

    DeviceIdentityDialog dialog(DefaultLine(), 1);
    dialog.show();
    const auto idle = [&] { return QTest::qWaitFor([&] { return !dialog.IsBusy(); }, kWaitMs); };

    ASSERT_TRUE(dialog.ReadSlaveId());
    ASSERT_TRUE(idle());
    EXPECT_EQ(child<QLineEdit>(dialog, "reportTextEdit")->text(), "Zentiq Test-ZQ-9-2.5.");
    EXPECT_TRUE(child<QLineEdit>(dialog, "reportHexEdit")->text().startsWith("5A 65 6E"));
    EXPECT_TRUE(child<QLineEdit>(dialog, "reportHexEdit")->text().endsWith("35 FF"));

    ASSERT_TRUE(dialog.ReadIdentity());  // extended, the dialog's first choice
    ASSERT_TRUE(idle());
    auto* table = child<QTableWidget>(dialog, "objectTable");
    const QStringList want[] = {{"0x00", "VendorName", "Zentiq Test"},
                                {"0x01", "ProductCode", "ZQ-9"},
                                {"0x02", "MajorMinorRevision", "2.5"},
                                {"0x05", "ModelName", "BP-1"},
                                {"0x80", "", "extended"}};
    ASSERT_EQ(table->rowCount(), static_cast<int>(std::size(want)));
    for (int row = 0; row < table->rowCount(); ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(table->item(row, column)->text(), want[row][column]) << row << "," << column;

    child<QSpinBox>(dialog, "echoCountEdit")->setValue(5);
    child<QLineEdit>(dialog, "patternEdit")->setText("12 34");
    ASSERT_TRUE(dialog.StartLoopback());
    ASSERT_TRUE(idle());
    EXPECT_EQ(child<QLabel>(dialog, "countsLabel")->text(),
              QString::fromUtf8("发送 5，正确 5，丢失 0，损坏 0，异常 0，失败 0"));

    ui.messages.clear();
    child<QLineEdit>(dialog, "patternEdit")->setText("12 3G");
    EXPECT_FALSE(dialog.StartLoopback());
    EXPECT_EQ(ui.texts(), QStringList{DeviceIdentityDialog::BadPatternText()});

    child<QPushButton>(dialog, "copyButton")->click();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains("VendorName\tZentiq Test\n")) << copied.toStdString();
    EXPECT_TRUE(copied.contains("0x80\textended\n")) << copied.toStdString();
    EXPECT_TRUE(copied.contains(QString::fromUtf8("回环测试 (08/00，数据 12 34)")))
        << copied.toStdString();

    if (const QByteArray shot = qgetenv("ZENTIQ_GRAB_DIR"); !shot.isEmpty())
        dialog.grab().save(QString::fromLocal8Bit(shot) + "/device_identity_dialog.png");
}

// Read after read the slave ID changes: every part says which slave it came
// from, on screen and in the copied text, and the function support table
// fills in for its own slave.
TEST(DeviceIdentityDialog, EachPartNamesTheSlaveItCameFrom) {
    InitEngine();
    InstallEnginePoster();
    std::string error;
    auto link = testing::PeerLink::Start(testing::PeerLink::Peer::PyModbus, TCP, error, 1,
                                         {"--slave", "1,13,16", "--vendor", "Zentiq Test"});
    ASSERT_TRUE(link) << error;
    DeviceIdentityDialog dialog(DefaultLine(), 1);
    dialog.show();
    const auto idle = [&] { return QTest::qWaitFor([&] { return !dialog.IsBusy(); }, kWaitMs); };
    auto* slave = child<QSpinBox>(dialog, "slaveIdEdit");
    EXPECT_EQ(Title(dialog, "reportBox"), QString::fromUtf8("报告从站 ID (17)"));

    ASSERT_TRUE(dialog.ReadSlaveId());
    ASSERT_TRUE(idle());
    slave->setValue(16);
    child<QComboBox>(dialog, "readCodeCombo")->setCurrentIndex(0);
    ASSERT_TRUE(dialog.ReadIdentity());
    ASSERT_TRUE(idle());
    slave->setValue(13);
    child<QSpinBox>(dialog, "echoCountEdit")->setValue(2);
    ASSERT_TRUE(dialog.StartLoopback());
    ASSERT_TRUE(idle());
    slave->setValue(16);
    ASSERT_TRUE(dialog.StartSupportScan());
    ASSERT_TRUE(idle());
    slave->setValue(5);  // nothing read from it yet

    const std::pair<const char*, const char*> titles[] = {
        {"reportBox", "报告从站 ID (17)，从站 1"},
        {"identityBox", "设备识别 (43/14)，从站 16"},
        {"loopbackBox", "回环测试 (08/00)，从站 13"},
        {"supportBox", "功能支持，从站 16"},
    };
    for (const auto& [box, title] : titles)
        EXPECT_EQ(Title(dialog, box), QString::fromUtf8(title));
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("设备信息 - 从站 5"));

    auto* table = child<QTableWidget>(dialog, "supportTable");
    ASSERT_EQ(table->rowCount(), static_cast<int>(FunctionSupportScan::Functions().size()));
    for (int row = 0; row < table->rowCount(); ++row) {
        ASSERT_NE(table->item(row, 3), nullptr) << row;
        EXPECT_EQ(table->item(row, 3)->text(), QString::fromUtf8("支持")) << row;
    }

    child<QPushButton>(dialog, "copyButton")->click();
    const QString copied = QGuiApplication::clipboard()->text();
    for (const char* line : {"报告从站 ID (17)，从站 1\n",
                             "设备识别 (43/14，读取代码 1)，从站 16\nVendorName\tZentiq Test\n",
                             "回环测试 (08/00，数据 A5 37)，从站 13\n发送 2，正确 2，",
                             "功能支持，从站 16\n01 读线圈\t"})
        EXPECT_TRUE(copied.contains(QString::fromUtf8(line))) << line << "\n"
                                                              << copied.toStdString();
    EXPECT_FALSE(copied.contains(QString::fromUtf8("从站 5"))) << copied.toStdString();
}

// A device that announces "more follows" on every page: after the request
// limit the window shows the objects that came and says the list was cut.
TEST(DeviceIdentityDialog, ListCutAtTheRequestLimitShowsWhatCame) {
    InitEngine();
    InstallEnginePoster();
    using test::ScriptedTcpSlave;
    std::vector<ScriptedTcpSlave::Step> script;
    for (int i = 0; i < DeviceIdentityReader::kMaxRequests + 3; ++i) {
        const auto id = static_cast<std::uint8_t>(0x80 + i);
        script.push_back(ScriptedTcpSlave::Reply(ScriptedTcpSlave::Answer(
            {9, 43, 14, 3, 0x83, 0xFF, static_cast<std::uint8_t>(id + 1), 1, id, 1, 'x'})));
    }
    ScriptedTcpSlave slave(script);
    ASSERT_EQ(OpenTcpConnection("127.0.0.1", slave.Port(), 1000, 2000), 0);
    SetPollDelay(1);
    SetTransmissionMode(TCP);
    ASSERT_EQ(StartPolling(), 1);

    DeviceIdentityDialog dialog(DefaultLine(), 9);
    ASSERT_TRUE(dialog.ReadIdentity());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.IsBusy(); }, kWaitMs));
    StopPolling();
    CloseTcpConnection();

    EXPECT_EQ(slave.Requests().size(),
              static_cast<std::size_t>(DeviceIdentityReader::kMaxRequests));
    auto* table = child<QTableWidget>(dialog, "objectTable");
    ASSERT_EQ(table->rowCount(), DeviceIdentityReader::kMaxRequests);
    EXPECT_EQ(table->item(0, 0)->text(), "0x80");
    EXPECT_EQ(table->item(31, 0)->text(), "0x9F");
    const QString cut = QString::fromUtf8("列表不完整：已达 32 次请求上限");
    EXPECT_TRUE(child<QLabel>(dialog, "statusLabel")->text().contains(cut));
    EXPECT_EQ(dialog.Findings().objects.size(), 32u);
    dialog.CopyText();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains("0x9F\tx\n" + cut + "\n")) << copied.toStdString();
    EXPECT_FALSE(copied.contains(QString::fromUtf8("错误"))) << copied.toStdString();
}

// The scanner's found-ID row opens identity windows that belong to the
// scanner's owner: they go on working after the scanner is closed.
TEST(DeviceIdentityDialog, WindowsFromTheScannerOutliveIt) {
    InitEngine();
    InstallEnginePoster();
    std::string error;
    auto link = testing::PeerLink::Start(testing::PeerLink::Peer::PyModbus, TCP, error, 1,
                                         {"--slave", "1,7", "--vendor", "Acme"});
    ASSERT_TRUE(link) << error;
    auto owner = std::make_unique<QWidget>();
    QPointer<BusScannerWindow> scanner = new BusScannerWindow({}, owner.get());
    scanner->show();
    auto* functions = child<QPushButton>(*scanner, "functionsButton");
    EXPECT_EQ(scanner->OpenSelectedIdentity(true), nullptr);  // nothing found yet
    scanner->SetMode(BusScannerWindow::Mode::Ids);
    scanner->SetIdRange(6, 8);
    scanner->SetTimeoutMs(200);
    ASSERT_TRUE(scanner->StartScan());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !scanner->IsScanning(); }, kWaitMs));
    ASSERT_EQ(scanner->Results().rows.size(), 1);
    EXPECT_FALSE(functions->isEnabled());
    child<QTableWidget>(*scanner, "resultTable")->selectRow(0);
    ASSERT_TRUE(functions->isEnabled());

    functions->click();
    QPointer<DeviceIdentityDialog> probing = OpenIdentityWindows().back();
    QPointer<DeviceIdentityDialog> plain = scanner->OpenSelectedIdentity(false);
    ASSERT_TRUE(probing && plain);
    EXPECT_NE(probing.data(), plain.data());
    EXPECT_TRUE(probing->IsBusy());  // probing began at once
    for (DeviceIdentityDialog* d : {probing.data(), plain.data()}) {
        EXPECT_EQ(d->parentWidget(), owner.get());
        EXPECT_EQ(child<QSpinBox>(*d, "slaveIdEdit")->value(), 7);
        EXPECT_FALSE(d->isModal());
    }

    scanner->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scanner.isNull(); }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !probing->IsBusy(); }, kWaitMs));
    EXPECT_EQ(probing->Findings().supportSlave, 7);
    EXPECT_EQ(probing->Findings().support.size(), FunctionSupportScan::Functions().size());
    ASSERT_TRUE(plain->ReadSlaveId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !plain->IsBusy(); }, kWaitMs));
    EXPECT_EQ(plain->Findings().reportSlave, 7);
    EXPECT_TRUE(plain->Findings().report.has_value());

    owner.reset();  // takes its windows along
    EXPECT_TRUE(probing.isNull());
    EXPECT_TRUE(plain.isNull());
}

}  // namespace
}  // namespace zentiq
