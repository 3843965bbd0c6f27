#include "documents/zentiq_setup.h"

#include <QApplication>

#include "support/dialog_test_helpers.h"
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "framework/dialog_data_exchange.h"
#include "engine/engine.h"

namespace zentiq {
namespace {

void ensureApp() { testing::EnsureQApplication(); }
using testing::child;
using testing::press;
using testing::type;
using testing::RecordingInteraction;

QStringList items(QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

struct WithApp {
    WithApp() { ensureApp(); }
};

class SetupDialogTest : public ::testing::Test, private WithApp {
protected:
    void SetUp() override { InitEngine(); }

    std::unique_ptr<CZentiqSetup> open(const DefinitionDialogValues& v = {}) {
        auto d = std::make_unique<CZentiqSetup>(v);
        d->show();
        return d;
    }
    QLineEdit* edit(CZentiqSetup* d, const char* name) { return child<QLineEdit>(d, name); }
    void click(CZentiqSetup* d, const char* name) { child<QPushButton>(d, name)->click(); }

    RecordingInteraction warnings;
};

TEST_F(SetupDialogTest, CaptionListsAndOpeningValues) {
    DefinitionDialogValues v;
    v.shownAddress = 41;
    v.functionIndex = 6;
    v.length = 17;
    v.scanRate = 250;
    v.slaveId = 9;
    v.enable = 0;
    v.oneBased = 1;
    v.rowsDialog = 2;
    v.displayAddr = 1;
    v.displayFormat = 7;
    v.hideAlias = 1;
    auto d = open(v);
    EXPECT_EQ(d->windowTitle(), "读写定义");
    auto* functions = child<QComboBox>(d.get(), "functionCombo");
    EXPECT_EQ(items(functions), QStringList({"01读取线圈(0X)", "02读取输入状态(1X)", "03读保持寄存器(4X)",
                                             "04读输入寄存器(3X)", "05写单个线圈", "06写单个寄存器",
                                             "15写多个线圈", "16写多个寄存器"}));
    auto* formats = child<QComboBox>(d.get(), "formatCombo");
    EXPECT_EQ(items(formats), QStringList({"Signed", "Unsigned", "Hex", "Binary", "Float (CDAB)",
                                           "Float Inverse (ABCD)", "Double (CDAB)", "Double Inverse (ABCD)",
                                           "Long (CDAB)", "Long Inverse (ABCD)"}));
    EXPECT_EQ(edit(d.get(), "addressEdit")->text(), "41");
    EXPECT_EQ(functions->currentText(), "15写多个线圈");
    EXPECT_EQ(edit(d.get(), "lengthEdit")->text(), "17");
    EXPECT_EQ(edit(d.get(), "scanRateEdit")->text(), "250");
    EXPECT_EQ(edit(d.get(), "slaveEdit")->text(), "9");
    EXPECT_FALSE(child<QCheckBox>(d.get(), "enableCheck")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(d.get(), "plcAddressCheck")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(d.get(), "rows50Radio")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(d.get(), "addressInCellCheck")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(d.get(), "hideAliasCheck")->isChecked());
    EXPECT_EQ(formats->currentText(), "Double Inverse (ABCD)");

    const std::pair<const char*, int> ids[] = {
        {"addressEdit", 1004}, {"functionCombo", 1005}, {"lengthEdit", 1006}, {"scanRateEdit", 1002},
        {"slaveEdit", 1001}, {"enableCheck", 1080}, {"hideAliasCheck", 1140}, {"rows10Radio", 1136},
        {"rows20Radio", 1137}, {"rows50Radio", 1141}, {"rows100Radio", 1138}, {"addressInCellCheck", 1147},
        {"plcAddressCheck", 1150}, {"formatCombo", 1151}, {"applyButton", 1115}, {"readOnceButton", 1117}};
    for (const auto& [name, id] : ids)
        EXPECT_EQ(child<QWidget>(d.get(), name)->property("controlId").toInt(), id) << name;

    // Unchanged controls give the opening values back.
    click(d.get(), "okButton");
    EXPECT_EQ(d->result(), QDialog::Accepted);
    const DefinitionDialogValues r = d->values();
    EXPECT_EQ(r.shownAddress, 41);
    EXPECT_EQ(r.functionIndex, 6);
    EXPECT_EQ(r.length, 17);
    EXPECT_EQ(r.scanRate, 250);
    EXPECT_EQ(r.slaveId, 9);
    EXPECT_EQ(r.enable, 0);
    EXPECT_EQ(r.oneBased, 1);
    EXPECT_EQ(r.rowsDialog, 2);
    EXPECT_EQ(r.displayAddr, 1);
    EXPECT_EQ(r.displayFormat, 7);
    EXPECT_EQ(r.hideAlias, 1);
}

struct Check {
    int functionIndex;
    bool plc;
    const char* address;
    const char* length;
    const char* scanRate;
    const char* slave;
    const char* failingField;  // nullptr: accepted
    const char* message;
};

TEST_F(SetupDialogTest, ValidationOrderLimitsAndFocus) {
    const Check checks[] = {
        {2, false, "65536", "10", "1000", "1", "addressEdit", "请输入一个整数,0和65535之间。"},
        {2, false, "0", "0", "1000", "1", "lengthEdit", "请输入一个整数,1和2000之间。"},
        {0, false, "0", "2001", "1000", "1", "lengthEdit", "请输入一个整数,1和2000之间。"},
        {2, false, "0", "10", "0", "1", "scanRateEdit", "请输入一个整数,1和60000之间。"},
        {2, false, "0", "10", "60001", "1", "scanRateEdit", "请输入一个整数,1和60000之间。"},
        {2, false, "0", "10", "1000", "0", "slaveEdit", "请输入一个整数,1和255之间。"},
        {2, false, "0", "10", "1000", "256", "slaveEdit", "请输入一个整数,1和255之间。"},
        {2, false, "x", "10", "1000", "1", "addressEdit", "请输入一个整数。"},
        // The length for the function comes after the slave.
        {7, false, "0", "124", "1000", "1", "lengthEdit", "请输入一个整数,1和123之间。"},
        {7, false, "0", "124", "1000", "0", "slaveEdit", "请输入一个整数,1和255之间。"},
        {7, false, "0", "123", "1000", "1", nullptr, nullptr},
        {6, false, "0", "1968", "1000", "1", nullptr, nullptr},
        {6, false, "0", "1969", "1000", "1", "lengthEdit", "请输入一个整数,1和1968之间。"},
        {4, false, "0", "2", "1000", "1", "lengthEdit", "请输入一个整数,1和1之间。"},
        {5, false, "0", "2", "1000", "1", "lengthEdit", "请输入一个整数,1和1之间。"},
        {2, false, "0", "126", "1000", "1", "lengthEdit", "请输入一个整数,1和125之间。"},
        {3, false, "0", "125", "1000", "1", nullptr, nullptr},
        {1, false, "0", "2000", "60000", "255", nullptr, nullptr},
        // PLC addresses start at 1, checked after everything else.
        {2, true, "0", "10", "1000", "1", "addressEdit", "请输入一个整数,1和65535之间。"},
        {7, true, "0", "124", "1000", "1", "lengthEdit", "请输入一个整数,1和123之间。"},
        {2, true, "0", "10", "1000", "0", "slaveEdit", "请输入一个整数,1和255之间。"},
        {2, true, "1", "10", "1000", "1", nullptr, nullptr},
        {2, false, "0", "10", "1000", "1", nullptr, nullptr},
    };
    for (const Check& c : checks) {
        SCOPED_TRACE(QString("function %1 plc %2 address %3 length %4 scan %5 slave %6")
                         .arg(c.functionIndex).arg(c.plc).arg(c.address, c.length, c.scanRate, c.slave)
                         .toStdString());
        warnings.messages.clear();
        auto d = open();
        child<QComboBox>(d.get(), "functionCombo")->setCurrentIndex(c.functionIndex);
        if (c.plc)
            press(child<QCheckBox>(d.get(), "plcAddressCheck"));
        type(edit(d.get(), "addressEdit"), c.address);
        type(edit(d.get(), "lengthEdit"), c.length);
        type(edit(d.get(), "scanRateEdit"), c.scanRate);
        type(edit(d.get(), "slaveEdit"), c.slave);
        click(d.get(), "okButton");
        if (c.failingField == nullptr) {
            EXPECT_EQ(d->result(), QDialog::Accepted);
            EXPECT_TRUE(warnings.texts().isEmpty()) << warnings.texts().join('|').toStdString();
            EXPECT_EQ(d->values().length, QString(c.length).toInt());
            EXPECT_EQ(d->values().oneBased, c.plc ? 1 : 0);
        } else {
            EXPECT_NE(d->result(), QDialog::Accepted);
            EXPECT_TRUE(d->isVisible());
            EXPECT_EQ(warnings.texts(), QStringList{QString::fromUtf8(c.message)});
            EXPECT_EQ(d->focusWidget(), edit(d.get(), c.failingField));
        }
    }
}

TEST_F(SetupDialogTest, ApplyHandsOverWithoutClosingAndOnlyValidValues) {
    auto d = open();
    QList<DefinitionDialogValues> applied;
    d->setApplyHandler([&](const DefinitionDialogValues& v) { applied << v; });
    type(edit(d.get(), "lengthEdit"), "0");
    click(d.get(), "applyButton");
    EXPECT_TRUE(applied.isEmpty());
    EXPECT_EQ(warnings.texts().size(), 1);

    type(edit(d.get(), "lengthEdit"), "20");
    type(edit(d.get(), "addressEdit"), "5");
    press(child<QCheckBox>(d.get(), "plcAddressCheck"));
    click(d.get(), "applyButton");
    ASSERT_EQ(applied.size(), 1);
    EXPECT_EQ(applied[0].length, 20);
    EXPECT_EQ(applied[0].shownAddress, 5);
    EXPECT_EQ(applied[0].oneBased, 1);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->result(), 0);

    click(d.get(), "applyButton");  // usable again
    EXPECT_EQ(applied.size(), 2);
    click(d.get(), "cancelButton");
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_EQ(applied.size(), 2);
}

TEST_F(SetupDialogTest, ReadOnceRefusedWhilePollingIsEnabled) {
    auto d = open();  // enable is checked by default
    int calls = 0;
    DefinitionDialogValues seen;
    d->setReadOnceHandler([&](const DefinitionDialogValues& v) {
        ++calls;
        seen = v;
    });
    auto* readOnce = child<QPushButton>(d.get(), "readOnceButton");
    readOnce->setEnabled(true);  // as if connected; the gate is tested below
    readOnce->click();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(warnings.texts(), QStringList{"Disable \"Enable Read/Write\" before read/write once"});

    // Validation comes before that check.
    warnings.messages.clear();
    type(edit(d.get(), "slaveEdit"), "0");
    readOnce->click();
    EXPECT_EQ(warnings.texts(), QStringList{"请输入一个整数,1和255之间。"});

    warnings.messages.clear();
    type(edit(d.get(), "slaveEdit"), "3");
    press(child<QCheckBox>(d.get(), "enableCheck"));
    readOnce->click();
    EXPECT_TRUE(warnings.texts().isEmpty());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen.slaveId, 3);
    EXPECT_EQ(seen.enable, 0);
    EXPECT_TRUE(d->isVisible());
}

// A listening socket on 127.0.0.1 that the engine can connect to.
class LocalListener {
public:
    LocalListener() {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_fd, 4) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        m_port = ntohs(a.sin_port);
    }
    ~LocalListener() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    std::uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

TEST_F(SetupDialogTest, ReadOnceOnlyWhileConnected) {
    ASSERT_EQ(IsConnected(), 0);
    EXPECT_FALSE(child<QPushButton>(open().get(), "readOnceButton")->isEnabled());

    LocalListener listener;
    ASSERT_NE(listener.port(), 0);
    ASSERT_EQ(OpenTcpConnection("127.0.0.1", listener.port(), 1000, 1000), 0);
    ASSERT_NE(IsConnected(), 0);
    EXPECT_TRUE(child<QPushButton>(open().get(), "readOnceButton")->isEnabled());
    CloseTcpConnection();
    EXPECT_FALSE(child<QPushButton>(open().get(), "readOnceButton")->isEnabled());
}

// ---- the document's side -------------------------------------------------------

class SetupModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngine();
        model.def.Address = 100;
        model.def.FunctionValue = 3;
        model.def.Length = 10;
        model.def.ScanRate = 1000;
        model.def.SlaveID = 1;
        model.def.bEnable = 1;
        model.ComputeGridSize();
        ASSERT_TRUE(model.RegisterWithEngine(0));
        model.values.fill(0x5A);
    }
    PollDocumentModel model;
};

TEST_F(SetupModelTest, DialogValuesOfADocument) {
    model.def.OneBased = 1;
    model.def.FunctionValue = 16;
    model.def.DisplayFormat = 8;
    model.def.RowsDialog = 3;
    const DefinitionDialogValues v = CZentiqSetup::FromModel(model);
    EXPECT_EQ(v.shownAddress, 101);
    EXPECT_EQ(v.functionIndex, 7);
    EXPECT_EQ(v.displayFormat, 8);
    EXPECT_EQ(v.rowsDialog, 3);
    EXPECT_EQ(v.oneBased, 1);
    model.def.FunctionValue = 22;  // no list entry
    EXPECT_EQ(CZentiqSetup::FromModel(model).functionIndex, 0);
}

TEST_F(SetupModelTest, ApplyTakesTheCommunicationPartOnly) {
    DefinitionDialogValues v = CZentiqSetup::FromModel(model);
    v.shownAddress = 1;
    v.oneBased = 1;  // newly checked
    v.functionIndex = 7;
    v.length = 25;
    v.scanRate = 500;
    v.slaveId = 17;
    v.enable = 0;
    v.displayFormat = 4;
    v.rowsDialog = 1;
    v.hideAlias = 1;
    EXPECT_EQ(CZentiqSetup::ApplyToModel(model, v, 0), CZentiqSetup::ActionResult::Redefined);
    EXPECT_EQ(model.def.Address, 0);
    EXPECT_EQ(model.def.OneBased, 0);  // waits for OK
    EXPECT_EQ(model.def.FunctionValue, 16);
    EXPECT_EQ(model.def.Length, 25);
    EXPECT_EQ(model.def.ScanRate, 500);
    EXPECT_EQ(model.def.SlaveID, 17);
    EXPECT_EQ(model.def.bEnable, 0);
    EXPECT_EQ(model.def.DisplayFormat, 0);
    EXPECT_EQ(model.def.RowsDialog, 0);
    EXPECT_EQ(model.def.HideAlias, 0);
    EXPECT_EQ(model.values[0], 0);
    EXPECT_EQ(model.values[1999], 0);
    EXPECT_EQ(model.valueColumns, 6);  // 25 registers from 0 in columns of 10
    EXPECT_NE(model.slotIndex, -1);
    EXPECT_EQ(GetSlotStatus(model.slotIndex), 10);

    // OK afterwards with the same values takes the display settings.
    const ApplyDefinitionResult r = model.ApplyDefinition(v);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(model.def.OneBased, 1);
    EXPECT_EQ(model.def.Address, 0);
    EXPECT_EQ(model.def.DisplayFormat, 4);
    // And once more: nothing left to do.
    EXPECT_FALSE(model.ApplyDefinition(v).changed);
}

TEST_F(SetupModelTest, ApplyOfASingleWriteUsesOneValue) {
    DefinitionDialogValues v = CZentiqSetup::FromModel(model);
    v.functionIndex = 5;  // function 6
    v.length = 8;
    EXPECT_EQ(CZentiqSetup::ApplyToModel(model, v, 0), CZentiqSetup::ActionResult::Redefined);
    EXPECT_EQ(model.def.FunctionValue, 6);
    EXPECT_EQ(model.def.Length, 1);
}

TEST_F(SetupModelTest, UnsoundValuesChangeNothing) {
    const PollDefinition before = model.def;
    const int slot = model.slotIndex;
    DefinitionDialogValues v = CZentiqSetup::FromModel(model);
    v.shownAddress = 70000;
    EXPECT_EQ(CZentiqSetup::ApplyToModel(model, v, 0), CZentiqSetup::ActionResult::Unsound);
    v.shownAddress = 0;
    v.functionIndex = 2;
    v.length = 500;  // beyond what a register poll can carry
    EXPECT_EQ(CZentiqSetup::ReadOnceOnModel(model, v, 0), CZentiqSetup::ActionResult::Unsound);
    EXPECT_EQ(model.def, before);
    EXPECT_EQ(model.slotIndex, slot);
    EXPECT_EQ(model.values[0], 0x5A);
}

TEST_F(SetupModelTest, ReadOnceWithTheSameDefinitionKeepsSlotAndValues) {
    DefinitionDialogValues v = CZentiqSetup::FromModel(model);
    v.enable = 0;
    v.displayFormat = 2;  // display settings play no part
    const int slot = model.slotIndex;
    EXPECT_EQ(CZentiqSetup::ReadOnceOnModel(model, v, 0), CZentiqSetup::ActionResult::SameDefinition);
    EXPECT_EQ(model.def.bEnable, 0);
    EXPECT_EQ(model.slotIndex, slot);
    EXPECT_EQ(model.values[0], 0x5A);
    EXPECT_EQ(model.def.DisplayFormat, 0);

    // With the PLC box the shown address is one more.
    model.def.bEnable = 1;
    v.oneBased = 1;
    v.shownAddress = 101;
    EXPECT_EQ(CZentiqSetup::ReadOnceOnModel(model, v, 0), CZentiqSetup::ActionResult::SameDefinition);
    EXPECT_EQ(model.def.OneBased, 0);
}

TEST_F(SetupModelTest, ReadOnceWithAChangedLengthRedefinesFirst) {
    DefinitionDialogValues v = CZentiqSetup::FromModel(model);
    v.enable = 0;
    v.length = 35;
    EXPECT_EQ(CZentiqSetup::ReadOnceOnModel(model, v, 0), CZentiqSetup::ActionResult::Redefined);
    EXPECT_EQ(model.def.Length, 35);
    EXPECT_EQ(model.def.bEnable, 0);
    EXPECT_EQ(model.values[0], 0);
    EXPECT_EQ(model.valueColumns, 8);  // addresses 100..134 over four column pairs
    EXPECT_NE(model.slotIndex, -1);
}

TEST_F(SetupModelTest, NoFreeSlotIsReported) {
    model.ReleaseFromEngine();
    int lastTaken = -1;
    for (int i = 0; i < 40; ++i) {
        const int slot = RegisterPollSlot(0, 0x8190, 1000, 1, 3, 0, 1, 0, 0);
        if (slot == -1)
            break;
        lastTaken = slot;
    }
    ASSERT_EQ(lastTaken, 32);
    DefinitionDialogValues v = CZentiqSetup::FromModel(model);
    v.length = 11;
    v.enable = 0;
    EXPECT_EQ(CZentiqSetup::ReadOnceOnModel(model, v, 0), CZentiqSetup::ActionResult::NoSlot);
    EXPECT_EQ(model.slotIndex, -1);
    EXPECT_EQ(model.def.Length, 11);  // stored all the same, as the document shows it
    EXPECT_EQ(CZentiqSetup::ApplyToModel(model, v, 0), CZentiqSetup::ActionResult::NoSlot);

    ReleasePollSlot(7);
    EXPECT_EQ(CZentiqSetup::ApplyToModel(model, v, 0), CZentiqSetup::ActionResult::Redefined);
    EXPECT_EQ(model.slotIndex, 7);
}

}  // namespace
}  // namespace zentiq
