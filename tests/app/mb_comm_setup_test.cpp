#include "app/mb_comm_setup.h"

#include <QApplication>

#include "support/dialog_test_helpers.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "app/advanced.h"
#include "framework/dialog_data_exchange.h"
#include "framework/settings_store.h"
#include "engine/engine.h"

namespace zentiq {
namespace {

void ensureApp() { testing::EnsureQApplication(); }
using testing::child;
using testing::press;
using testing::RecordingInteraction;
using testing::type;

// Runs `action` on the next modal dialog of type T once its loop is up
// (tried for about three seconds). The action must close the dialog; if it
// does not, the dialog is rejected so that no test hangs.
template <class T>
void whenModal(std::function<void(T*)> action) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, action, tries = 0]() mutable {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(d);
            if (d->isVisible())
                d->reject();
        } else if (++tries > 300) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

struct WithApp {
    WithApp() { ensureApp(); }
};

class CommSetupTest : public ::testing::Test, private WithApp {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        store = std::make_unique<SettingsStore>(dir.filePath("zentiq.ini"));
    }
    void TearDown() override {
        for (int n = 1; n <= CMBCommSetup::kPortCount; ++n)
            SetSerialDevice(n, "");  // back to the default device
    }

    std::unique_ptr<CMBCommSetup> open(const ConnectionSettings& s = {}) {
        auto d = std::make_unique<CMBCommSetup>(s, nullptr, store.get());
        d->show();
        return d;
    }

    static QStringList items(QComboBox* combo) {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i)
            out << combo->itemText(i);
        return out;
    }

    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    RecordingInteraction warnings;
};

TEST_F(CommSetupTest, CaptionListsAndControlIds) {
    auto d = open();
    EXPECT_EQ(d->windowTitle(), "通信设置");
    QStringList ports;
    for (int n = 1; n <= 64; ++n)
        ports << QString("端口 %1").arg(n);
    EXPECT_EQ(items(child<QComboBox>(d.get(), "portCombo")), ports);
    EXPECT_EQ(items(child<QComboBox>(d.get(), "baudCombo")),
              QStringList({"300 波特", "600 波特", "1200 波特", "2400 波特", "4800 波特",
                           "9600 波特", "14400 波特", "19200 波特", "38400 波特", "56000 波特",
                           "57600 波特", "115200 波特", "128000 波特", "256000 波特"}));
    EXPECT_EQ(items(child<QComboBox>(d.get(), "dataBitsCombo")),
              QStringList({"7 数据位", "8 数据位"}));
    EXPECT_EQ(items(child<QComboBox>(d.get(), "parityCombo")),
              QStringList({"无校验", "奇校验", "偶校验"}));
    EXPECT_EQ(items(child<QComboBox>(d.get(), "stopBitsCombo")),
              QStringList({"1 停止位", "2 停止位"}));

    const std::pair<const char*, int> ids[] = {
        {"baudCombo", 1001},      {"parityCombo", 1002},
        {"portCombo", 1000},      {"stopBitsCombo", 1003},
        {"timeoutEdit", 1006},    {"dataBitsCombo", 1032},
        {"ipAddressEdit", 1113},  {"rtuRadio", 1004},
        {"asciiRadio", 1005},     {"servicePortEdit", 1114},
        {"delayEdit", 1126},      {"serialRadio", 1131},
        {"tcpRadio", 1132},       {"connectionTimeoutEdit", 1152},
        {"advancedButton", 1128}, {"okButton", 1},
        {"cancelButton", 2},      {"rtuOverTcpCheck", 1153}};
    for (const auto& [name, id] : ids)
        EXPECT_EQ(child<QWidget>(d.get(), name)->property("controlId").toInt(), id) << name;
    EXPECT_EQ(child<QPushButton>(d.get(), "advancedButton")->text(), "高级");
    EXPECT_EQ(child<QRadioButton>(d.get(), "tcpRadio")->text(), "TCP/IP(网络)");
}

// The baud table's order (index) differs from the list's (ascending); the
// rate a list entry names must be the rate of the index it stands for.
TEST_F(CommSetupTest, BaudIndexAndListPositionNameTheSameRate) {
    for (int index = 0; index < CMBCommSetup::kBaudCount; ++index) {
        ConnectionSettings s;
        s.BaudRate = index;
        auto d = open(s);
        auto* baud = child<QComboBox>(d.get(), "baudCombo");
        EXPECT_EQ(baud->currentText(), QString("%1 波特").arg(BaudTimingForIndex(index).baud))
            << index;
        child<QPushButton>(d.get(), "okButton")->click();
        EXPECT_EQ(d->settings().BaudRate, index);
    }
    for (int position = 0; position < CMBCommSetup::kBaudCount; ++position) {
        auto d = open();
        auto* baud = child<QComboBox>(d.get(), "baudCombo");
        baud->setCurrentIndex(position);
        child<QPushButton>(d.get(), "okButton")->click();
        ASSERT_EQ(d->result(), QDialog::Accepted);
        EXPECT_EQ(QString("%1 波特").arg(BaudTimingForIndex(d->settings().BaudRate).baud),
                  baud->itemText(position));
    }
    // Ascending list, and the two maps undo each other.
    for (int p = 0; p < CMBCommSetup::kBaudCount; ++p) {
        EXPECT_EQ(CMBCommSetup::BaudIndexToPosition(CMBCommSetup::BaudPositionToIndex(p)), p);
        if (p > 0) {
            EXPECT_LT(BaudTimingForIndex(CMBCommSetup::BaudPositionToIndex(p - 1)).baud,
                      BaudTimingForIndex(CMBCommSetup::BaudPositionToIndex(p)).baud);
        }
    }
    // A stored index outside the table shows 9600.
    ConnectionSettings odd;
    odd.BaudRate = 77;
    EXPECT_EQ(child<QComboBox>(open(odd).get(), "baudCombo")->currentText(), "9600 波特");
    EXPECT_EQ(CMBCommSetup::BaudPositionToIndex(-1), 2);
}

TEST_F(CommSetupTest, AllFieldsComeBackOnOk) {
    ConnectionSettings s;
    s.DTRDSR = 1;
    s.CLRRTSDelay = 7;  // advanced fields pass through untouched
    auto d = open(s);
    child<QComboBox>(d.get(), "portCombo")->setCurrentIndex(4);
    child<QComboBox>(d.get(), "parityCombo")->setCurrentIndex(1);
    child<QComboBox>(d.get(), "dataBitsCombo")->setCurrentIndex(0);
    child<QComboBox>(d.get(), "stopBitsCombo")->setCurrentIndex(1);
    press(child<QRadioButton>(d.get(), "asciiRadio"));
    type(child<QLineEdit>(d.get(), "timeoutEdit"), "100000");
    type(child<QLineEdit>(d.get(), "delayEdit"), "0");
    press(child<QRadioButton>(d.get(), "tcpRadio"));
    type(child<QLineEdit>(d.get(), "ipAddressEdit"), "192.168.100.200");  // 15 characters
    type(child<QLineEdit>(d.get(), "servicePortEdit"), "65535");
    type(child<QLineEdit>(d.get(), "connectionTimeoutEdit"), "100");
    child<QPushButton>(d.get(), "okButton")->click();
    ASSERT_EQ(d->result(), QDialog::Accepted);
    EXPECT_TRUE(warnings.texts().isEmpty()) << warnings.texts().join('|').toStdString();

    const ConnectionSettings r = d->settings();
    EXPECT_EQ(r.Port, 4);
    EXPECT_EQ(r.Parity, 1);
    EXPECT_EQ(r.DataBits, 0);
    EXPECT_EQ(r.StopBits, 1);
    EXPECT_EQ(r.RTU_ASCII, 1);
    EXPECT_EQ(r.Timeout, 100000);
    EXPECT_EQ(r.DelayBetweenPolls, 0);
    EXPECT_EQ(r.Serial, 1);
    EXPECT_EQ(r.IPAddress, "192.168.100.200");
    EXPECT_EQ(r.ServicePort, 65535);
    EXPECT_EQ(r.ConnectionTimeout, 100);
    EXPECT_EQ(r.DTRDSR, 1);
    EXPECT_EQ(r.CLRRTSDelay, 7);
}

struct RangeCase {
    const char* field;
    const char* text;
    const char* message;
};

TEST_F(CommSetupTest, EachRangeIsCheckedWithItsLimits) {
    const RangeCase cases[] = {
        {"timeoutEdit", "40", "请输入一个整数,50和100000之间。"},
        {"timeoutEdit", "100001", "请输入一个整数,50和100000之间。"},
        {"timeoutEdit", "", "请输入一个整数。"},
        {"ipAddressEdit", "192.168.100.2001", "请输入不超过15个字符。"},
        {"servicePortEdit", "0", "请输入一个整数,1和65535之间。"},
        {"servicePortEdit", "65536", "请输入一个整数,1和65535之间。"},
        {"delayEdit", "1001", "请输入一个整数,0和1000之间。"},
        {"delayEdit", "-1", "请输入一个整数,0和1000之间。"},
        {"connectionTimeoutEdit", "99", "请输入一个整数,100和30000之间。"},
        {"connectionTimeoutEdit", "30001", "请输入一个整数,100和30000之间。"},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::string(c.field) + "=" + c.text);
        warnings.messages.clear();
        ConnectionSettings s;
        s.Serial = 1;  // every edit enabled, so the focus can go there
        auto d = open(s);
        auto* edit = child<QLineEdit>(d.get(), c.field);
        type(edit, QString::fromLatin1(c.text));
        child<QPushButton>(d.get(), "okButton")->click();
        EXPECT_NE(d->result(), QDialog::Accepted);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(warnings.texts(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(d->focusWidget(), edit);
        EXPECT_EQ(edit->selectedText(), edit->text());
    }
}

TEST_F(CommSetupTest, FirstFailingFieldInExchangeOrderWins) {
    ConnectionSettings s;
    s.Serial = 1;
    auto d = open(s);
    // Exchange order: timeout, address, service port, delay, connection timeout.
    type(child<QLineEdit>(d.get(), "connectionTimeoutEdit"), "5");
    type(child<QLineEdit>(d.get(), "delayEdit"), "5000");
    type(child<QLineEdit>(d.get(), "servicePortEdit"), "0");
    child<QPushButton>(d.get(), "okButton")->click();
    EXPECT_EQ(warnings.texts(), QStringList{"请输入一个整数,1和65535之间。"});
    EXPECT_EQ(d->focusWidget(), child<QLineEdit>(d.get(), "servicePortEdit"));

    warnings.messages.clear();
    type(child<QLineEdit>(d.get(), "servicePortEdit"), "502");
    type(child<QLineEdit>(d.get(), "timeoutEdit"), "1");  // now the earliest
    child<QPushButton>(d.get(), "okButton")->click();
    EXPECT_EQ(warnings.texts(), QStringList{"请输入一个整数,50和100000之间。"});

    warnings.messages.clear();
    type(child<QLineEdit>(d.get(), "timeoutEdit"), "1000");
    child<QPushButton>(d.get(), "okButton")->click();
    EXPECT_EQ(warnings.texts(), QStringList{"请输入一个整数,0和1000之间。"});
    EXPECT_NE(d->result(), QDialog::Accepted);
}

TEST_F(CommSetupTest, DisabledFieldsAreCheckedToo) {
    ConnectionSettings s;
    s.IPAddress = "1234567890123456";  // 16 characters, stored by hand
    auto d = open(s);                  // serial mode: the address edit is disabled
    ASSERT_FALSE(child<QLineEdit>(d.get(), "ipAddressEdit")->isEnabled());
    EXPECT_EQ(child<QLineEdit>(d.get(), "ipAddressEdit")->text().size(), 16);
    child<QPushButton>(d.get(), "okButton")->click();
    EXPECT_EQ(warnings.texts(), QStringList{"请输入不超过15个字符。"});
    EXPECT_NE(d->result(), QDialog::Accepted);
}

TEST_F(CommSetupTest, ModeEnablesItsControls) {
    const char* serialSide[] = {"advancedButton", "portCombo",   "deviceCombo",
                                "baudCombo",      "parityCombo", "dataBitsCombo",
                                "stopBitsCombo",  "rtuRadio",    "asciiRadio"};
    const char* tcpSide[] = {"ipAddressEdit", "servicePortEdit", "connectionTimeoutEdit",
                             "rtuOverTcpCheck"};
    const auto expectMode = [&](CMBCommSetup* d, bool tcp) {
        for (const char* n : serialSide)
            EXPECT_EQ(child<QWidget>(d, n)->isEnabled(), !tcp) << n;
        for (const char* n : tcpSide)
            EXPECT_EQ(child<QWidget>(d, n)->isEnabled(), tcp) << n;
        EXPECT_TRUE(child<QWidget>(d, "timeoutEdit")->isEnabled());
        EXPECT_TRUE(child<QWidget>(d, "delayEdit")->isEnabled());
    };

    auto d = open();
    expectMode(d.get(), false);
    press(child<QRadioButton>(d.get(), "tcpRadio"));
    expectMode(d.get(), true);
    press(child<QRadioButton>(d.get(), "serialRadio"));
    expectMode(d.get(), false);
    EXPECT_TRUE(warnings.texts().isEmpty());

    ConnectionSettings tcp;
    tcp.Serial = 1;
    expectMode(open(tcp).get(), true);

    // The mode buttons take the values first: a bad field is reported, and
    // the controls still follow the chosen mode.
    type(child<QLineEdit>(d.get(), "timeoutEdit"), "40");
    press(child<QRadioButton>(d.get(), "tcpRadio"));
    EXPECT_EQ(warnings.texts(), QStringList{"请输入一个整数,50和100000之间。"});
    expectMode(d.get(), true);
}

TEST_F(CommSetupTest, RtuOverTcpIsAChoiceOfTheTcpConnection) {
    // Opened with each framing, switched to the other one, OK.
    struct Case {
        int serial, framing;
        bool check;  // the box's new state
        int wantFraming;
    };
    for (const Case& c :
         {Case{0, kTcpFramingMbap, true, kTcpFramingRtu},
          Case{1, kTcpFramingRtu, false, kTcpFramingMbap}, Case{1, 7, true, kTcpFramingRtu}}) {
        ConnectionSettings s;
        s.Serial = c.serial;
        s.TcpFraming = c.framing;
        auto d = open(s);
        auto* box = child<QCheckBox>(d.get(), "rtuOverTcpCheck");
        EXPECT_EQ(box->text(), "RTU over TCP");
        EXPECT_EQ(box->isChecked(), c.framing == kTcpFramingRtu) << c.framing;
        press(child<QRadioButton>(d.get(), "tcpRadio"));
        ASSERT_TRUE(box->isEnabled());
        if (box->isChecked() != c.check)
            press(box);
        child<QPushButton>(d.get(), "okButton")->click();
        ASSERT_EQ(d->result(), QDialog::Accepted);
        EXPECT_EQ(d->settings().Serial, 1);
        EXPECT_EQ(d->settings().TcpFraming, c.wantFraming) << c.serial << " " << c.framing;
    }
    EXPECT_TRUE(warnings.texts().isEmpty());
}

TEST_F(CommSetupTest, StoredValuesWithoutListEntryFallBackToDefaults) {
    ConnectionSettings s;
    s.Port = 64;  // port 65 does not exist
    s.Parity = 9;
    s.DataBits = 5;
    s.StopBits = 3;
    s.Serial = 8;
    auto d = open(s);
    EXPECT_EQ(child<QComboBox>(d.get(), "portCombo")->currentText(), "端口 1");
    EXPECT_EQ(child<QComboBox>(d.get(), "parityCombo")->currentText(), "偶校验");
    EXPECT_EQ(child<QComboBox>(d.get(), "dataBitsCombo")->currentText(), "8 数据位");
    EXPECT_EQ(child<QComboBox>(d.get(), "stopBitsCombo")->currentText(), "2 停止位");
    EXPECT_TRUE(child<QRadioButton>(d.get(), "tcpRadio")->isChecked());
    child<QPushButton>(d.get(), "okButton")->click();
    const ConnectionSettings r = d->settings();
    EXPECT_EQ(r.Port, 0);
    EXPECT_EQ(r.Parity, 2);
    EXPECT_EQ(r.Serial, 1);
}

// ---- advanced options ---------------------------------------------------------

TEST_F(CommSetupTest, AdvancedDialogItself) {
    AdvancedOptions o;
    o.RTS = 0;
    o.CLRRTSDelay = 5;
    CAdvanced a(o);
    a.show();
    EXPECT_EQ(a.windowTitle(), "高级");
    auto* delay = child<QLineEdit>(&a, "rtsDelayEdit");
    auto* rts = child<QCheckBox>(&a, "rtsCheck");
    EXPECT_EQ(rts->text(), "RTS 触发");
    EXPECT_EQ(child<QCheckBox>(&a, "echoCheck")->text(), "移除回应 (如果有必要)");
    EXPECT_EQ(delay->property("controlId").toInt(), 1123);
    EXPECT_EQ(delay->text(), "5");
    EXPECT_FALSE(delay->isEnabled());
    press(rts);
    EXPECT_TRUE(delay->isEnabled());

    for (const char* bad : {"101", "-1"}) {
        warnings.messages.clear();
        type(delay, QString::fromLatin1(bad));
        child<QPushButton>(&a, "okButton")->click();
        EXPECT_EQ(warnings.texts(), QStringList{"请输入一个整数,0和100之间。"}) << bad;
        EXPECT_NE(a.result(), QDialog::Accepted);
        EXPECT_EQ(a.focusWidget(), delay);
        EXPECT_EQ(a.options(), o);  // nothing taken from a refused OK
    }
    type(delay, "100");
    press(child<QCheckBox>(&a, "dsrCheck"));
    press(child<QCheckBox>(&a, "echoCheck"));
    child<QPushButton>(&a, "okButton")->click();
    EXPECT_EQ(a.result(), QDialog::Accepted);
    const AdvancedOptions expected{1, 0, 1, 100, 1};
    EXPECT_EQ(a.options(), expected);

    AdvancedOptions withRts;
    CAdvanced b(withRts);
    b.show();
    EXPECT_TRUE(child<QLineEdit>(&b, "rtsDelayEdit")->isEnabled());
    press(child<QCheckBox>(&b, "rtsCheck"));
    EXPECT_FALSE(child<QLineEdit>(&b, "rtsDelayEdit")->isEnabled());
}

TEST_F(CommSetupTest, AdvancedDialogOpensWithTheCarriedOptions) {
    ConnectionSettings s;
    s.RTS = 0;
    s.CLRRTSDelay = 9;
    auto d = open(s);
    int opened = 0;
    warnings.onModal<CAdvanced>([&](CAdvanced& a) {
        ++opened;
        EXPECT_EQ(a.options(), (AdvancedOptions{0, 0, 0, 9, 0}));
        EXPECT_FALSE(child<QLineEdit>(&a, "rtsDelayEdit")->isEnabled());
        return int(QDialog::Rejected);
    });
    child<QPushButton>(d.get(), "advancedButton")->click();
    EXPECT_EQ(opened, 1);
    // Disabled over TCP.
    press(child<QRadioButton>(d.get(), "tcpRadio"));
    child<QPushButton>(d.get(), "advancedButton")->click();
    EXPECT_EQ(opened, 1);
}

// Through the modal loops the connect command runs.
TEST_F(CommSetupTest, AdvancedChangesReachTheCallerOnlyWhenBothDialogsEndWithOk) {
    struct Case {
        bool advancedOk;
        bool setupOk;
    };
    // The dialogs run their own modal loops here; boxes are still recorded.
    warnings.onModal<QDialog>([](QDialog& dialog) {
        dialog.hide();  // shown without modality by the recorder: exec() shows it modal
        return dialog.exec();
    });
    for (const Case c : {Case{true, false}, Case{true, true}, Case{false, true}}) {
        SCOPED_TRACE(
            QString("advanced %1, setup %2").arg(c.advancedOk).arg(c.setupOk).toStdString());
        ConnectionSettings settings;
        settings.Timeout = 1234;
        const ConnectionSettings before = settings;
        bool sawAdvanced = false;
        whenModal<CMBCommSetup>([&](CMBCommSetup* d) {
            whenModal<CAdvanced>([&](CAdvanced* a) {
                sawAdvanced = true;
                press(child<QCheckBox>(a, "dsrCheck"));
                press(child<QCheckBox>(a, "echoCheck"));
                type(child<QLineEdit>(a, "rtsDelayEdit"), "42");
                child<QPushButton>(a, c.advancedOk ? "okButton" : "cancelButton")->click();
            });
            child<QPushButton>(d, "advancedButton")->click();
            type(child<QLineEdit>(d, "timeoutEdit"), "777");
            child<QPushButton>(d, c.setupOk ? "okButton" : "cancelButton")->click();
        });
        const bool accepted = CMBCommSetup::Edit(settings, nullptr, store.get());
        EXPECT_TRUE(sawAdvanced);
        EXPECT_EQ(accepted, c.setupOk);
        const bool taken = c.advancedOk && c.setupOk;
        EXPECT_EQ(settings.DTRDSR, taken ? 1 : 0);
        EXPECT_EQ(settings.Echo, taken ? 1 : 0);
        EXPECT_EQ(settings.CLRRTSDelay, taken ? 42 : before.CLRRTSDelay);
        EXPECT_EQ(settings.Timeout, c.setupOk ? 777 : 1234);
    }
    EXPECT_TRUE(warnings.texts().isEmpty());
}

// ---- serial devices -------------------------------------------------------------

TEST_F(CommSetupTest, PortListShowsEachPortsDevice) {
    store->SetString("Ports", "COM2", "/dev/ttyUSB7");
    ConnectionSettings s;
    s.Port = 1;
    auto d = open(s);
    auto* ports = child<QComboBox>(d.get(), "portCombo");
    auto* device = child<QComboBox>(d.get(), "deviceCombo");
    EXPECT_EQ(device->currentText(), "/dev/ttyUSB7");
    EXPECT_EQ(ports->itemData(1, Qt::ToolTipRole).toString(), "/dev/ttyUSB7");
    EXPECT_EQ(ports->itemData(0, Qt::ToolTipRole).toString(), "/dev/ttyS0");
    EXPECT_EQ(ports->itemData(63, Qt::ToolTipRole).toString(), "/dev/ttyS63");
    ports->setCurrentIndex(9);
    EXPECT_EQ(device->currentText(), "/dev/ttyS9");
}

TEST_F(CommSetupTest, TypedDeviceIsStoredForItsPortOnOkOnly) {
    const QString path = dir.filePath("ttyFAKE0");
    {
        auto d = open();
        child<QComboBox>(d.get(), "portCombo")->setCurrentIndex(2);
        type(child<QComboBox>(d.get(), "deviceCombo")->lineEdit(), path);
        child<QPushButton>(d.get(), "cancelButton")->click();
    }
    EXPECT_FALSE(store->Contains("Ports", "COM3"));
    char buffer[512];
    GetSerialDevice(3, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "/dev/ttyS2");

    auto d = open();
    auto* ports = child<QComboBox>(d.get(), "portCombo");
    auto* device = child<QComboBox>(d.get(), "deviceCombo");
    ports->setCurrentIndex(2);
    type(device->lineEdit(), path);
    // Looking at another port keeps the edit.
    ports->setCurrentIndex(3);
    EXPECT_EQ(device->currentText(), "/dev/ttyS3");
    ports->setCurrentIndex(2);
    EXPECT_EQ(device->currentText(), path);
    EXPECT_EQ(ports->itemData(2, Qt::ToolTipRole).toString(), path);

    type(child<QLineEdit>(d.get(), "timeoutEdit"), "10");
    child<QPushButton>(d.get(), "okButton")->click();  // refused: nothing stored yet
    EXPECT_FALSE(store->Contains("Ports", "COM3"));
    type(child<QLineEdit>(d.get(), "timeoutEdit"), "1000");
    child<QPushButton>(d.get(), "okButton")->click();
    ASSERT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->settings().Port, 2);
    EXPECT_EQ(store->GetString("Ports", "COM3", ""), path);
    GetSerialDevice(3, buffer, sizeof buffer);
    EXPECT_EQ(QString::fromLocal8Bit(buffer), path);
    // Ports nobody touched are not written.
    EXPECT_FALSE(store->Contains("Ports", "COM4"));
    EXPECT_FALSE(store->Contains("Ports", "COM1"));
}

TEST_F(CommSetupTest, EmptiedDeviceMeansTheUsualOne) {
    store->SetString("Ports", "COM1", "/dev/ttyACM0");
    auto d = open();
    type(child<QComboBox>(d.get(), "deviceCombo")->lineEdit(), "   ");
    child<QPushButton>(d.get(), "okButton")->click();
    ASSERT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(store->GetString("Ports", "COM1", ""), "/dev/ttyS0");
    EXPECT_EQ(CMBCommSetup::PortDevice(*store, 1), "/dev/ttyS0");
}

TEST_F(CommSetupTest, DevicesFoundOnTheSystemInNaturalOrder) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath("serial/by-id"));
    for (const char* name :
         {"ttyS10", "ttyS2", "ttyS0", "ttyUSB10", "ttyUSB2", "ttyACM0", "tty0", "console",
          "serial/by-id/usb-FTDI_B-if00", "serial/by-id/usb-FTDI_A-if00"}) {
        QFile f(root.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name;
    }
    const QString r = root.path();
    EXPECT_EQ(CMBCommSetup::FindSerialDevices(r),
              QStringList({r + "/serial/by-id/usb-FTDI_A-if00", r + "/serial/by-id/usb-FTDI_B-if00",
                           r + "/ttyUSB2", r + "/ttyUSB10", r + "/ttyACM0", r + "/ttyS0",
                           r + "/ttyS2", r + "/ttyS10"}));
    EXPECT_TRUE(CMBCommSetup::FindSerialDevices(r + "/missing").isEmpty());
}

TEST_F(CommSetupTest, StoredDevicesReachTheEngine) {
    store->SetString("Ports", "COM5", "/dev/serial/by-id/usb-x");
    CMBCommSetup::LoadPortDevices(*store, DefaultLine());
    char buffer[512];
    GetSerialDevice(5, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "/dev/serial/by-id/usb-x");
    GetSerialDevice(6, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "/dev/ttyS5");
}

}  // namespace
}  // namespace zentiq
