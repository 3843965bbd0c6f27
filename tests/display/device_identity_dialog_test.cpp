// The device identity dialog: a clear message without a connection or with a
// bad pattern, the poll window's 功能 command that opens it for the window's
// slave, and against a pymodbus slave with a known identity what the fields,
// the object table, the loopback counts and the copied text show.
#include "display/device_identity_dialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "framework/window_registry.h"
#include "resources/menus.h"
#include "support/peer_link.h"
#include "support/poll_window.h"
#include "support/widget_environment.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zentiq {
namespace {

using testing::WidgetEnvironment;

constexpr int kWaitMs = 20000;

template <class W>
W* child(QWidget& dialog, const char* name) {
    return dialog.findChild<W*>(QString::fromLatin1(name));
}

TEST(DeviceIdentityDialog, SaysWhatIsMissingBeforeSendingAnything) {
    InitEngine();
    InstallEnginePoster();
    auto& ui = WidgetEnvironment::Ui();
    DeviceIdentityDialog dialog(5);
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
    auto& ui = WidgetEnvironment::Ui();
    PollDefinition def = testing::ReadDefinition(3, 0, 4);
    def.SlaveID = 42;
    def.bEnable = 0;
    testing::PollWindow window(def);
    int shownSlave = -1;
    ui.onModal<DeviceIdentityDialog>([&](DeviceIdentityDialog& d) {
        shownSlave = child<QSpinBox>(d, "slaveIdEdit")->value();
        return int(QDialog::Rejected);
    });
    CommandState state;
    ASSERT_TRUE(window.view->OnUpdateCommand(cmd::DeviceIdentity, state));
    EXPECT_TRUE(state.enabled);
    EXPECT_TRUE(window.view->OnCommand(cmd::DeviceIdentity));
    EXPECT_EQ(shownSlave, 42);
    ui.clearModal();
}

TEST(DeviceIdentityDialog, ShowsAndCopiesWhatAPyModbusSlaveSays) {
    InitEngine();
    InstallEnginePoster();
    auto& ui = WidgetEnvironment::Ui();
    std::string error;
    auto link = testing::PeerLink::Start(
        testing::PeerLink::Peer::PyModbus, TCP, error, 1,
        {"--vendor", "Zentiq Test", "--product-code", "ZQ-9", "--revision", "2.5", "--model-name",
         "BP-1", "--object", "0x80=extended"});
    ASSERT_TRUE(link) << error;

    DeviceIdentityDialog dialog(1);
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

}  // namespace
}  // namespace zentiq
