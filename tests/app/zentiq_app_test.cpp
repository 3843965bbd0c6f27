#include "app/zentiq_app.h"

#include <grp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QtTest/QTest>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "app/app_test_support.h"
#include "app/child_frame.h"
#include "app/connect_failure_text.h"
#include "app/connection_settings_store.h"
#include "app/main_frame.h"
#include "app/mb_comm_setup.h"
#include "framework/window_registry.h"
#include "documents/zentiq_doc.h"
#include "resources/menus.h"
#include "engine/posix_serial_port.h"
#include "support/peer_process.h"
#include "support/pty_pair.h"
#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using test::AppTestBase;
using test::PeerProcess;

std::unique_ptr<PeerProcess> startTcpPeer() {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    EXPECT_NE(peer, nullptr) << error;
    return peer;
}

// A loopback port on which nobody listens (bound, then released).
int closedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

void storeTcpSettings(SettingsStore& s, int port, int autoEnable) {
    s.SetInt("CommSetup", "Serial", 1);
    s.SetString("CommSetup", "IPAddress", "127.0.0.1");
    s.SetInt("CommSetup", "ServicePort", port);
    s.SetInt("CommSetup", "AutoEnable", autoEnable);
    s.Sync();
}

// ---- window-free parts ----------------------------------------------------------------------

class CommSetupStoreTest : public AppTestBase {};

TEST_F(CommSetupStoreTest, DefaultsOfAnEmptyStore) {
    bool autoEnable = true;
    const ConnectionSettings s = ConnectionSettingsStore::Read(*store(), &autoEnable);
    EXPECT_EQ(s.Port, 0);
    EXPECT_EQ(s.BaudRate, 2);
    EXPECT_EQ(s.DataBits, 1);
    EXPECT_EQ(s.Parity, 2);
    EXPECT_EQ(s.StopBits, 0);
    EXPECT_EQ(s.Timeout, 1000);
    EXPECT_EQ(s.DTRDSR, 0);
    EXPECT_EQ(s.RTSCTS, 0);
    EXPECT_EQ(s.RTS, 1);
    EXPECT_EQ(s.CLRRTSDelay, 1);
    EXPECT_EQ(s.RTU_ASCII, 0);
    EXPECT_EQ(s.IPAddress, "0.0.0.0");
    EXPECT_EQ(s.ServicePort, 502);
    EXPECT_EQ(s.ConnectionTimeout, 3000);
    EXPECT_EQ(s.DelayBetweenPolls, 10);
    EXPECT_EQ(s.Echo, 0);
    EXPECT_EQ(s.Serial, 0) << "no \"Serial\" and port index 0: the serial line";
    EXPECT_FALSE(autoEnable);
    EXPECT_EQ(ConnectionController::PaneText(s), "端口 1: 9600-8-E-1");
}

TEST_F(CommSetupStoreTest, BaudIndexOutsideTheTableMeans9600Everywhere) {
    for (const int stored : {-1, 14, 99}) {
        store()->SetInt("CommSetup", "BaudRate", stored);
        store()->SetInt("CommSetup", "Serial", 0);
        const ConnectionSettings s = ConnectionSettingsStore::Read(*store(), nullptr);
        EXPECT_EQ(s.BaudRate, 2) << stored;
        EXPECT_EQ(ConnectionController::PaneText(s), "端口 1: 9600-8-E-1") << stored;
        // What the line would be opened with, and what the dialog shows.
        EXPECT_EQ(BaudTimingForIndex(stored).baud, 9600u) << stored;
        EXPECT_EQ(CMBCommSetup::BaudPositionToIndex(CMBCommSetup::BaudIndexToPosition(stored)), 2)
            << stored;
    }
}

// A hand-edited or damaged store: a timeout of 0 used to fail every poll, a
// delay of 2147483647 ms to stop polling without a word.
TEST_F(CommSetupStoreTest, ValuesOutsideTheDialogsRangesReadAsTheirDefaults) {
    struct Case {
        const char* key;
        int stored;
        int ConnectionSettings::*field;
        int expected;
    };
    const Case cases[] = {
        {"Timeout", 0, &ConnectionSettings::Timeout, 1000},
        {"Timeout", -5, &ConnectionSettings::Timeout, 1000},
        {"Timeout", 100001, &ConnectionSettings::Timeout, 1000},
        {"Timeout", 50, &ConnectionSettings::Timeout, 50},
        {"DelayBetweenPolls", 2147483647, &ConnectionSettings::DelayBetweenPolls, 10},
        {"DelayBetweenPolls", 1000, &ConnectionSettings::DelayBetweenPolls, 1000},
        {"ConnectionTimeout", 99, &ConnectionSettings::ConnectionTimeout, 3000},
        {"ConnectionTimeout", 30000, &ConnectionSettings::ConnectionTimeout, 30000},
        {"ServicePort", 0, &ConnectionSettings::ServicePort, 502},
        {"ServicePort", 65536 + 502, &ConnectionSettings::ServicePort, 502},
        {"ServicePort", 65535, &ConnectionSettings::ServicePort, 65535},
        {"CLRRTSDelay", 101, &ConnectionSettings::CLRRTSDelay, 1},
        {"Port", 64, &ConnectionSettings::Port, 0},
        {"Port", 63, &ConnectionSettings::Port, 63},
        {"Parity", 3, &ConnectionSettings::Parity, 2},
        {"DataBits", -1, &ConnectionSettings::DataBits, 1},
        {"StopBits", 2, &ConnectionSettings::StopBits, 0},
        {"RTS", 7, &ConnectionSettings::RTS, 1},
        {"RTU/ASCII", 2, &ConnectionSettings::RTU_ASCII, 0},
        {"Echo", -1, &ConnectionSettings::Echo, 0},
        {"Serial", 5, &ConnectionSettings::Serial, 0},  // as if never stored: converted from "Port"
    };
    const QString path = store()->FileName();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    int stamp = 0;
    for (const Case& c : cases) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QString("[CommSetup]\n%1=%2\n").arg(c.key).arg(c.stored).toUtf8());
        file.close();
        // Qt keeps parsed settings files by size and time stamp: a rewrite of
        // the same size within one millisecond would go unseen.
        ++stamp;
        ASSERT_TRUE(file.open(QIODevice::Append));
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(1700000000 + stamp),
                                     QFileDevice::FileModificationTime));
        file.close();
        const ConnectionSettings read = ConnectionSettingsStore::Read(*store(), nullptr);
        EXPECT_EQ(read.*c.field, c.expected) << c.key << " = " << c.stored;
    }
}

TEST_F(CommSetupStoreTest, MissingSerialIsConvertedFromThePortIndex) {
    auto s = store();
    s->SetInt("CommSetup", "Port", 8);
    s->Sync();
    ConnectionSettings c = ConnectionSettingsStore::Read(*s, nullptr);
    EXPECT_EQ(c.Serial, 1) << "port index 8 meant Modbus/TCP";
    EXPECT_EQ(c.Port, 0);

    s->SetInt("CommSetup", "Port", 7);
    c = ConnectionSettingsStore::Read(*s, nullptr);
    EXPECT_EQ(c.Serial, 0);
    EXPECT_EQ(c.Port, 7);

    // Once "Serial" is stored, port index 8 is just COM9.
    s->SetInt("CommSetup", "Port", 8);
    s->SetInt("CommSetup", "Serial", 0);
    c = ConnectionSettingsStore::Read(*s, nullptr);
    EXPECT_EQ(c.Serial, 0);
    EXPECT_EQ(c.Port, 8);
}

TEST_F(CommSetupStoreTest, WriteStoresTheSeventeenKeysThatReadTakesBack) {
    ConnectionSettings c;
    c.Port = 4;
    c.BaudRate = 8;
    c.DataBits = 0;
    c.Parity = 1;
    c.StopBits = 1;
    c.Timeout = 750;
    c.DTRDSR = 1;
    c.RTSCTS = 1;
    c.RTS = 0;
    c.CLRRTSDelay = 7;
    c.RTU_ASCII = 1;
    c.IPAddress = "10.1.2.3";
    c.ServicePort = 1502;
    c.ConnectionTimeout = 1234;
    c.DelayBetweenPolls = 33;
    c.Echo = 1;
    c.Serial = 0;
    auto s = store();
    ConnectionSettingsStore::Write(*s, c);
    EXPECT_EQ(ConnectionSettingsStore::Keys().size(), 17);
    for (const QString& key : ConnectionSettingsStore::Keys())
        EXPECT_TRUE(store()->Contains("CommSetup", key)) << key.toStdString();
    EXPECT_FALSE(store()->Contains("CommSetup", "AutoEnable")) << "not one of the connection keys";
    const ConnectionSettings back = ConnectionSettingsStore::Read(*store(), nullptr);
    EXPECT_EQ(back.Port, 4);
    EXPECT_EQ(back.BaudRate, 8);
    EXPECT_EQ(back.DataBits, 0);
    EXPECT_EQ(back.Parity, 1);
    EXPECT_EQ(back.StopBits, 1);
    EXPECT_EQ(back.Timeout, 750);
    EXPECT_EQ(back.DTRDSR, 1);
    EXPECT_EQ(back.RTSCTS, 1);
    EXPECT_EQ(back.RTS, 0);
    EXPECT_EQ(back.CLRRTSDelay, 7);
    EXPECT_EQ(back.RTU_ASCII, 1);
    EXPECT_EQ(back.IPAddress, "10.1.2.3");
    EXPECT_EQ(back.ServicePort, 1502);
    EXPECT_EQ(back.ConnectionTimeout, 1234);
    EXPECT_EQ(back.DelayBetweenPolls, 33);
    EXPECT_EQ(back.Echo, 1);
    EXPECT_EQ(back.Serial, 0);
    EXPECT_EQ(ConnectionController::PaneText(back), "端口 5: 115200-7-O-2");
}

TEST_F(CommSetupStoreTest, TcpFramingIsStoredBesideTheSeventeenOnceChosen) {
    ConnectionSettings c;
    c.Serial = 1;
    c.IPAddress = "10.1.2.3";
    c.ServicePort = 4001;
    auto s = store();
    // Modbus/TCP leaves the store as it always was.
    ConnectionSettingsStore::Write(*s, c);
    EXPECT_FALSE(s->Contains("CommSetup", "TcpFraming"));
    EXPECT_EQ(ConnectionSettingsStore::Read(*s, nullptr).TcpFraming, kTcpFramingMbap);

    // RTU over TCP: "Serial" stays 1, so a version that knows only Modbus/TCP
    // connects to the same host rather than opening a serial port.
    c.TcpFraming = kTcpFramingRtu;
    ConnectionSettingsStore::Write(*s, c);
    EXPECT_EQ(s->GetInt("CommSetup", "TcpFraming", -1), 1);
    EXPECT_EQ(s->GetInt("CommSetup", "Serial", -1), 1);
    const ConnectionSettings back = ConnectionSettingsStore::Read(*s, nullptr);
    EXPECT_EQ(back.TcpFraming, kTcpFramingRtu);
    EXPECT_EQ(ConnectionController::PaneText(back), "10.1.2.3: 4001 (RTU)");

    // Back to Modbus/TCP: the key stays and says so.
    c.TcpFraming = kTcpFramingMbap;
    ConnectionSettingsStore::Write(*s, c);
    EXPECT_EQ(s->GetInt("CommSetup", "TcpFraming", -1), 0);
    EXPECT_EQ(ConnectionSettingsStore::Read(*s, nullptr).TcpFraming, kTcpFramingMbap);

    // Hand-edited values other than 1 are Modbus/TCP.
    for (const int stored : {2, -1, 100}) {
        s->SetInt("CommSetup", "TcpFraming", stored);
        EXPECT_EQ(ConnectionSettingsStore::Read(*s, nullptr).TcpFraming, kTcpFramingMbap) << stored;
    }
}

TEST(ConnectionPaneTest, TcpAndSerialTexts) {
    ConnectionSettings c;
    c.Serial = 1;
    c.IPAddress = "192.168.0.7";
    EXPECT_EQ(ConnectionController::PaneText(c), "192.168.0.7: 502");
    c.TcpFraming = kTcpFramingRtu;
    EXPECT_EQ(ConnectionController::PaneText(c), "192.168.0.7: 502 (RTU)");
    c.TcpFraming = kTcpFramingMbap;
    c.Serial = 0;
    c.Port = 63;
    c.BaudRate = 13;
    c.Parity = 0;
    EXPECT_EQ(ConnectionController::PaneText(c), "端口 64: 256000-8-N-1");
    c.BaudRate = 99;  // a hand-edited store: the table's value is clamped, not read past its end
    EXPECT_FALSE(ConnectionController::PaneText(c).isEmpty());
}

TEST(ConnectFailureTest, EveryFailedOpenIsReported) {
    ConnectionSettings serial;
    serial.Serial = 0;
    serial.Port = 2;
    SetSerialDevice(3, "/nonexistent/zq-tty3");
    EXPECT_EQ(ConnectFailureText::Message(DefaultLine(), serial, 1, 0), "端口 3 不可用");
    EXPECT_EQ(ConnectFailureText::Message(DefaultLine(), serial, 4), "设置端口参数失败，错误 4。");
    EXPECT_FALSE(ConnectFailureText::Message(DefaultLine(), serial, 9).isEmpty())
        << "no failure goes unreported";
    EXPECT_TRUE(ConnectFailureText::Message(DefaultLine(), serial, 0).isEmpty());
    SetSerialDevice(3, "");

    ConnectionSettings tcp;
    tcp.Serial = 1;
    EXPECT_EQ(ConnectFailureText::Message(DefaultLine(), tcp, 13),
              "Modbus/TCP 连接失败：IP 地址无效");
    EXPECT_EQ(ConnectFailureText::Message(DefaultLine(), tcp, 15), "Modbus/TCP 连接失败：连接超时");
    EXPECT_TRUE(
        ConnectFailureText::Message(DefaultLine(), tcp, 19).startsWith("Modbus/TCP 连接失败："));
}

// Real failed opens: the message of the Parts, then what is wrong in words.
TEST_F(CommSetupStoreTest, FailedOpensNameTheirCause) {
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok()) << pty.error();
    PosixSerialPort holder;  // another program that has the port open
    ASSERT_EQ(holder.Open(pty.slavePath(), 9600, 8, 0, 0, 0), 0);
    const QString plainFile = dirPath() + "/not-a-tty";
    QFile f(plainFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    struct Case {
        const char* name;
        QString device;
        QString cause;
    };
    const Case cases[] = {
        {"in use", QString::fromStdString(pty.slavePath()),
         ConnectFailureText::tr("被其他程序占用")},
        {"a plain file", plainFile, ConnectFailureText::tr("不是串口设备")},
        {"a folder", dirPath(), ConnectFailureText::tr("不是串口设备")},
        {"missing", dirPath() + "/gone", QString::fromLocal8Bit(std::strerror(ENOENT))},
    };
    ConnectionSettings serial;
    serial.Serial = 0;
    serial.Port = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(SetSerialDevice(3, c.device.toLocal8Bit().constData()), 1);
        ASSERT_EQ(OpenSerialPort(3, 9600, 8, 0, 0), 1);
        EXPECT_EQ(ConnectFailureText::Message(DefaultLine(), serial, 1),
                  "端口 3 不可用: " + c.cause);
    }

    // A port where nothing listens: the number and its description.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size), 0);
    ::close(probe);
    ConnectionSettings tcp;
    tcp.Serial = 1;
    ASSERT_EQ(OpenTcpConnection("127.0.0.1", ntohs(address.sin_port), 1000, 1000),
              status::ConnectError);
    EXPECT_EQ(ConnectFailureText::Message(DefaultLine(), tcp, status::ConnectError),
              QString("Modbus/TCP 连接失败：连接错误 %1: %2")
                  .arg(ECONNREFUSED)
                  .arg(QString::fromLocal8Bit(std::strerror(ECONNREFUSED))));
}

TEST(PermissionHintTest, NamesTheGroupThatOwnsTheDevice) {
    QTemporaryDir dir;
    const QString device = dir.filePath("ttyFake0");
    QFile f(device);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(device).constData(), &info), 0);
    const struct group* g = ::getgrgid(info.st_gid);
    ASSERT_NE(g, nullptr);
    const QString group = QString::fromLocal8Bit(g->gr_name);

    const QString hint = ConnectFailureText::SerialPermissionHint(device, EACCES);
    EXPECT_TRUE(hint.contains(device));
    if (group == "root")
        EXPECT_TRUE(hint.contains("\"dialout\"")) << hint.toStdString();
    else
        EXPECT_TRUE(hint.contains("\"" + group + "\"")) << hint.toStdString();
    EXPECT_FALSE(ConnectFailureText::SerialPermissionHint(device, EPERM).isEmpty());
    EXPECT_TRUE(ConnectFailureText::SerialPermissionHint(device, ENOENT).isEmpty())
        << "only refusals get the hint";
    EXPECT_TRUE(
        ConnectFailureText::SerialPermissionHint(dir.filePath("gone"), EACCES).contains("dialout"));
}

// ---- the application object -----------------------------------------------------------------

class ZentiqAppTest : public AppTestBase {
protected:
    ~ZentiqAppTest() override { app.reset(); }
    CZentiqApp& start(const QStringList& args = {}) {
        app = std::make_unique<CZentiqApp>();
        started = app->InitInstance(args);
        return *app;
    }
    std::unique_ptr<CZentiqApp> app;
    bool started = false;
};

TEST_F(ZentiqAppTest, StartWithoutArgumentsOpensNumberedNewDocuments) {
    CZentiqApp& a = start();
    ASSERT_TRUE(started);
    ASSERT_EQ(a.Documents().size(), 1);
    EXPECT_EQ(a.Documents()[0]->GetTitle(), "Zentiq1");
    EXPECT_TRUE(a.MainFrame()->isVisible());
    EXPECT_TRUE(a.MainFrame()->ShowsDocumentMenu());
    EXPECT_FALSE(a.Connection().IsConnected());
    EXPECT_TRUE(a.StartupCheckPending());

    EXPECT_TRUE(a.MainFrame()->ExecuteCommand(cmd::FileNew));
    ASSERT_EQ(a.Documents().size(), 2);
    EXPECT_EQ(a.Documents()[1]->GetTitle(), "Zentiq2");

    // The numbers keep counting after a window is closed.
    a.ChildFrames()[1]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(a.Documents().size(), 1);
    a.OnFileNew();
    EXPECT_EQ(a.Documents().last()->GetTitle(), "Zentiq3");
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(ZentiqAppTest, AutomationStartShowsNothingAndCreatesNoDocument) {
    CZentiqApp& a = start({"--automation"});
    ASSERT_TRUE(started);
    EXPECT_TRUE(a.Documents().isEmpty());
    EXPECT_FALSE(a.MainFrame()->isVisible());
}

TEST_F(ZentiqAppTest, CommandLineDocumentIsOpenedAndRemembered) {
    const QString source =
        QString::fromStdString(PeerProcess::SourceDir()) + "/fuzz/corpus/zqd_load/v4201.zqd";
    const QString path = dirPath() + "/pump station.zqd";
    ASSERT_TRUE(QFile::copy(source, path)) << source.toStdString();
    CZentiqApp& a = start({path});
    ASSERT_TRUE(started);
    ASSERT_EQ(a.Documents().size(), 1);
    CZentiqDoc* doc = a.Documents()[0];
    EXPECT_EQ(doc->GetPathName(), QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(doc->GetTitle(), "pump station.zqd");
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(a.DocManager().RecentFiles().value(0), QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(store()->GetString("Recent File List", "File1", ""),
              QFileInfo(path).absoluteFilePath());

    // Opening it again activates the window it has.
    EXPECT_EQ(a.DocManager().OpenDocumentFile(path), doc);
    EXPECT_EQ(a.Documents().size(), 1);
}

TEST_F(ZentiqAppTest, UnreadableCommandLineDocumentEndsTheStart) {
    const QString path = dirPath() + "/short.zqd";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromHex("6910000001"));  // version 4201, then the file ends
    f.close();
    start({path});
    EXPECT_FALSE(started);
    EXPECT_TRUE(app->Documents().isEmpty());
    EXPECT_FALSE(recorder.messages.empty()) << "the failure is shown";
}

TEST_F(ZentiqAppTest, PrintSwitchWithoutItsDocumentEndsTheStartWithUsage) {
    start({"/p"});
    EXPECT_FALSE(started) << "the start ends, and says why on stderr";
    EXPECT_EQ(app->StartupExitCode(), 2);
    EXPECT_TRUE(app->Documents().isEmpty());
}

TEST_F(ZentiqAppTest, PrintDocumentFilePrintsWithoutAWindowAndLeavesNothingOpen) {
    const QString source =
        QString::fromStdString(PeerProcess::SourceDir()) + "/fuzz/corpus/zqd_load/v4201.zqd";
    const QString path = dirPath() + "/to print.zqd";
    ASSERT_TRUE(QFile::copy(source, path));
    CZentiqApp& a = start({});
    ASSERT_TRUE(started);
    const int before = a.Documents().size();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dirPath() + "/out.pdf");
    QString error;
    EXPECT_GE(a.PrintDocumentFile(path, printer, &error), 1) << error.toStdString();
    QFile pdf(dirPath() + "/out.pdf");
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_EQ(a.Documents().size(), before) << "the printed document is closed again";
    EXPECT_TRUE(a.DocManager().RecentFiles().isEmpty() ||
                a.DocManager().RecentFiles().first() != QFileInfo(path).absoluteFilePath());

    EXPECT_EQ(a.PrintDocumentFile(dirPath() + "/missing.zqd", printer, &error), 0);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ZentiqAppTest, RecentFileListKeepsSixNewestFirst) {
    auto s = store();
    s->SetString("Recent File List", "File1", "/data/old1.zqd");
    s->SetString("Recent File List", "File2", "/data/old2.zqd");
    s->Sync();
    CZentiqApp& a = start({"--automation"});
    EXPECT_EQ(a.DocManager().RecentFiles(), QStringList({"/data/old1.zqd", "/data/old2.zqd"}));
    for (int i = 1; i <= 6; ++i)
        a.DocManager().AddToRecentFileList(QString("/data/n%1.zqd").arg(i));
    a.DocManager().AddToRecentFileList("/data/n3.zqd");
    const QStringList expected = {"/data/n3.zqd", "/data/n6.zqd", "/data/n5.zqd",
                                  "/data/n4.zqd", "/data/n2.zqd", "/data/n1.zqd"};
    EXPECT_EQ(a.DocManager().RecentFiles(), expected);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(store()->GetString("Recent File List", QString("File%1").arg(i + 1), ""),
                  expected[i]);

    // A vanished file chosen from the list is reported and leaves the list.
    EXPECT_TRUE(a.MainFrame()->QueryCommand(cmd::RecentFileFirst + 5).enabled);
    a.OnCommand(cmd::RecentFileFirst);
    EXPECT_FALSE(recorder.messages.empty());
    EXPECT_FALSE(a.DocManager().RecentFiles().contains("/data/n3.zqd"));
    EXPECT_EQ(a.DocManager().RecentFiles().size(), 5);
    EXPECT_FALSE(a.MainFrame()->QueryCommand(cmd::RecentFileFirst + 5).enabled);
}

TEST_F(ZentiqAppTest, AutoEnableConnectsAboutASecondAfterStart) {
    auto peer = startTcpPeer();
    ASSERT_NE(peer, nullptr);
    storeTcpSettings(*store(), peer->Port(), 1);
    CZentiqApp& a = start();
    ASSERT_TRUE(started);
    EXPECT_TRUE(a.Connection().AutoEnable());
    EXPECT_FALSE(a.Connection().IsConnected()) << "not before the start-up check";
    EXPECT_TRUE(QTest::qWaitFor([&] { return a.Connection().IsConnected(); }, 10000));
    EXPECT_FALSE(a.StartupCheckPending());
    EXPECT_EQ(IsConnected(), 1);
    EXPECT_EQ(GetTransmissionMode(), TCP);
    EXPECT_TRUE(recorder.messages.empty());
    a.MainFrame()->UpdateIdle();
    EXPECT_EQ(a.MainFrame()->CommPane()->text(), QString("127.0.0.1: %1").arg(peer->Port()));
    EXPECT_FALSE(a.MainFrame()->QueryCommand(cmd::QuickConnect).enabled);
    EXPECT_TRUE(a.MainFrame()->QueryCommand(cmd::Disconnect).enabled);

    // Leaving the program closes the connection.
    app.reset();
    EXPECT_EQ(IsConnected(), 0);
}

TEST_F(ZentiqAppTest, WithoutAutoEnableTheStartupCheckLeavesTheProgramDisconnected) {
    auto peer = startTcpPeer();
    ASSERT_NE(peer, nullptr);
    storeTcpSettings(*store(), peer->Port(), 0);
    CZentiqApp& a = start({"--automation"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !a.StartupCheckPending(); }, 10000));
    EXPECT_FALSE(a.Connection().IsConnected());

    // The auto-connect switch is stored at once.
    EXPECT_FALSE(a.MainFrame()->QueryCommand(cmd::AutoConnectOff).enabled);
    EXPECT_TRUE(a.MainFrame()->ExecuteCommand(cmd::AutoConnectOn));
    EXPECT_EQ(store()->GetInt("CommSetup", "AutoEnable", -1), 1);
    EXPECT_FALSE(a.MainFrame()->QueryCommand(cmd::AutoConnectOn).enabled);
    EXPECT_TRUE(a.MainFrame()->ExecuteCommand(cmd::AutoConnectOff));
    EXPECT_EQ(store()->GetInt("CommSetup", "AutoEnable", -1), 0);
}

TEST_F(ZentiqAppTest, QuickConnectToAnUnavailablePortShowsTheMessageAndStaysDisconnected) {
    auto s = store();
    s->SetInt("CommSetup", "Serial", 0);
    s->SetInt("CommSetup", "Port", 4);
    s->SetString("Ports", "COM5", dirPath() + "/no-such-tty");
    s->Sync();
    CZentiqApp& a = start({"--automation"});
    EXPECT_TRUE(a.MainFrame()->ExecuteCommand(cmd::QuickConnect));
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].title, "Connection");
    EXPECT_EQ(recorder.messages[0].text,
              "端口 5 不可用: " + QString::fromLocal8Bit(std::strerror(ENOENT)));
    EXPECT_FALSE(a.Connection().IsConnected());
    EXPECT_EQ(IsConnected(), 0);
    EXPECT_TRUE(a.MainFrame()->QueryCommand(cmd::Connect).enabled);
    EXPECT_TRUE(a.MainFrame()->QueryCommand(cmd::QuickConnect).enabled);
    EXPECT_FALSE(a.MainFrame()->QueryCommand(cmd::Disconnect).enabled);
}

TEST_F(ZentiqAppTest, HandEditedServicePortIsRefusedWithoutConnecting) {
    auto peer = startTcpPeer();
    ASSERT_NE(peer, nullptr);
    // 65536 + port would reach the peer if it were cut to 16 bits.
    storeTcpSettings(*store(), 65536 + peer->Port(), 0);
    CZentiqApp& a = start({"--automation"});
    EXPECT_FALSE(test::ConnectNow(a, false));
    EXPECT_EQ(IsConnected(), 0);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].title, "Connection");
}

// Fills the connection dialog for Modbus/TCP and presses OK.
std::function<int(CMBCommSetup&)> tcpDialog(int port, const QString& address = "127.0.0.1") {
    return [port, address](CMBCommSetup& d) {
        d.show();
        d.findChild<QRadioButton*>("tcpRadio")->click();
        auto set = [&d](const char* name, const QString& text) {
            auto* edit = d.findChild<QLineEdit*>(name);
            edit->setText(text);
        };
        set("ipAddressEdit", address);
        set("servicePortEdit", QString::number(port));
        set("timeoutEdit", "800");
        set("delayEdit", "25");
        d.accept();
        return d.result();
    };
}

TEST_F(ZentiqAppTest, DialogConnectStoresAllKeysOnlyWhenTheConnectionOpens) {
    auto peer = startTcpPeer();
    ASSERT_NE(peer, nullptr);
    CZentiqApp& a = start({"--automation"});

    // A port where nobody listens: refused, nothing stored, the values kept.
    const int closed = closedLoopbackPort();
    ASSERT_NE(closed, 0);
    recorder.onModal<CMBCommSetup>(tcpDialog(closed));
    EXPECT_FALSE(test::ConnectNow(a, true));
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].title, "Connection");
    EXPECT_TRUE(recorder.messages[0].text.startsWith("Modbus/TCP 连接失败：连接错误"))
        << recorder.messages[0].text.toStdString();
    for (const QString& key : ConnectionSettingsStore::Keys())
        EXPECT_FALSE(store()->Contains("CommSetup", key)) << key.toStdString();
    EXPECT_EQ(a.Connection().Settings().ServicePort, closed);
    EXPECT_EQ(a.Connection().Settings().Serial, 1);

    // Cancel changes nothing.
    recorder.onModal<CMBCommSetup>([](CMBCommSetup& d) {
        d.reject();
        return d.result();
    });
    EXPECT_FALSE(test::ConnectNow(a, true));
    EXPECT_EQ(a.Connection().Settings().ServicePort, closed);
    EXPECT_EQ(recorder.messages.size(), 1u);

    // The live peer: connected, and all seventeen keys stored.
    recorder.onModal<CMBCommSetup>(tcpDialog(peer->Port()));
    EXPECT_TRUE(test::ConnectNow(a, true));
    EXPECT_TRUE(a.Connection().IsConnected());
    EXPECT_EQ(recorder.messages.size(), 1u);
    for (const QString& key : ConnectionSettingsStore::Keys())
        EXPECT_TRUE(store()->Contains("CommSetup", key)) << key.toStdString();
    EXPECT_EQ(store()->GetInt("CommSetup", "ServicePort", 0), peer->Port());
    EXPECT_EQ(store()->GetInt("CommSetup", "Serial", 0), 1);
    EXPECT_EQ(store()->GetString("CommSetup", "IPAddress", ""), "127.0.0.1");
    EXPECT_EQ(store()->GetInt("CommSetup", "Timeout", 0), 800);
    EXPECT_EQ(store()->GetInt("CommSetup", "DelayBetweenPolls", 0), 25);
    EXPECT_EQ(store()->GetInt("CommSetup", "RTS", -1), 1);
    EXPECT_EQ(store()->GetInt("CommSetup", "BaudRate", -1), 2);
}

// Records the engine's posts to one window.
class PostRecorder : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == EngineMessageEvent::Type()) {
            const auto* m = static_cast<EngineMessageEvent*>(e);
            if (m->message == WM_POLL_RESULT)
                results.push_back(static_cast<int>(m->wParam));
            else if (m->message == WM_CONNECTION_CHANGED)
                ++connectionChanges;
            return true;
        }
        return QObject::event(e);
    }
    std::vector<int> results;
    int connectionChanges = 0;
};

TEST_F(ZentiqAppTest, DialogConnectInRtuOverTcpPollsAGatewayAndKeepsTheChoice) {
    std::string error;
    auto peer = PeerProcess::PyModbus(PeerProcess::Mode::RtuOverTcp, "", error);
    ASSERT_NE(peer, nullptr) << error;
    CZentiqApp& a = start({"--automation"});
    const auto runDialog = tcpDialog(peer->Port());
    recorder.onModal<CMBCommSetup>([&runDialog](CMBCommSetup& d) {
        d.findChild<QCheckBox*>("rtuOverTcpCheck")->setChecked(true);
        return runDialog(d);
    });
    ASSERT_TRUE(test::ConnectNow(a, true));
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(GetTransmissionMode(), RTU_OVER_TCP);
    EXPECT_EQ(store()->GetInt("CommSetup", "TcpFraming", -1), 1);
    EXPECT_EQ(store()->GetInt("CommSetup", "Serial", -1), 1);
    a.MainFrame()->UpdateIdle();
    EXPECT_EQ(a.MainFrame()->CommPane()->text(), QString("127.0.0.1: %1 (RTU)").arg(peer->Port()));

    PostRecorder window;
    const int slot =
        RegisterPollSlot(RegisterWindow(&window), WM_POLL_RESULT, 1, 1, 3, 0, 10, 0, 0);
    ASSERT_GE(slot, 1);
    SetPollMode(slot, Continuous);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.results.size() >= 3; }, 10000));
    for (int status : window.results)
        EXPECT_EQ(status, 0);

    // Quick connect after a disconnect takes the same framing again.
    a.Connection().Disconnect();
    ASSERT_TRUE(test::ConnectNow(a, false));
    EXPECT_EQ(GetTransmissionMode(), RTU_OVER_TCP);
    a.Connection().Disconnect();
    ReleasePollSlot(slot);
}

TEST_F(ZentiqAppTest, DisconnectStopsTheWorkerBeforeClosing) {
    auto peer = startTcpPeer();
    ASSERT_NE(peer, nullptr);
    storeTcpSettings(*store(), peer->Port(), 0);
    auto s = store();
    s->SetInt("CommSetup", "DelayBetweenPolls", 0);
    s->Sync();
    CZentiqApp& a = start({"--automation"});

    PostRecorder window;
    const int slot =
        RegisterPollSlot(RegisterWindow(&window), WM_POLL_RESULT, 1, 1, 3, 0, 10, 0, 0);
    ASSERT_GE(slot, 1);
    SetPollMode(slot, Continuous);
    ASSERT_TRUE(test::ConnectNow(a, false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.results.size() >= 5; }, 10000));

    const int changesBefore = window.connectionChanges;
    a.Connection().Disconnect();
    EXPECT_FALSE(a.Connection().IsConnected());
    EXPECT_EQ(IsConnected(), 0);
    QCoreApplication::sendPostedEvents();
    const size_t served = window.results.size();
    // Nothing is served once Disconnect has returned, and no transaction met
    // a connection closed under it.
    QTest::qWait(300);
    EXPECT_EQ(window.results.size(), served);
    for (int status : window.results)
        EXPECT_EQ(status, 0);
    EXPECT_GT(window.connectionChanges, changesBefore) << "the poll windows hear of the change";
    ReleasePollSlot(slot);
}

// F4 while a request waits for a slave that never answers, with the longest
// response timeout the dialog allows: the window does not wait for it.
TEST_F(ZentiqAppTest, DisconnectDoesNotWaitForASilentSlave) {
    test::ScriptedTcpSlave slave({test::ScriptedTcpSlave::Silent()});
    ASSERT_TRUE(slave.Listening());
    storeTcpSettings(*store(), slave.Port(), 0);
    auto s = store();
    s->SetInt("CommSetup", "Timeout", CMBCommSetup::kTimeoutMax);
    s->Sync();
    CZentiqApp& a = start({"--automation"});

    PostRecorder window;
    const int slot =
        RegisterPollSlot(RegisterWindow(&window), WM_POLL_RESULT, 0, 1, 3, 0, 10, 0, 0);
    ASSERT_GE(slot, 1);
    SetPollMode(slot, Continuous);
    ASSERT_TRUE(test::ConnectNow(a, false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !slave.Requests().empty(); }, 10000));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(a.MainFrame()->ExecuteCommand(cmd::Disconnect));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(a.Connection().IsConnected());
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(window.results.empty()) << "the cut request is no error of the slave";
    ReleasePollSlot(slot);
}

}  // namespace
}  // namespace zentiq
