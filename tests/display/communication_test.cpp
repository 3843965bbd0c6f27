// The traffic monitor against real slaves: the lines of RTU and ASCII polls
// over a pty pair and of TCP polls on 127.0.0.1 are the bytes on the wire;
// a silent scripted slave makes it stop on error; the process-wide numbering
// goes on across monitors; frozen, it filters by slave and function.
#include "display/communication.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QRegularExpression>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/traffic_frame_model.h"
#include "framework/traffic_filter_model.h"
#include "framework/traffic_table_view.h"
#include "engine/engine.h"
#include "framework/window_registry.h"
#include "support/dialog_test_helpers.h"
#include "support/peer_link.h"
#include "support/scripted_tcp_slave.h"
#include "support/wire_frames.h"

namespace zentiq {
namespace {

using testing::AsAscii;
using testing::HexText;
using testing::PeerLink;
using testing::RecordingInteraction;
using testing::WithCrc;

constexpr int kWaitMs = 10000;

// The window a poll slot reports to: counts its results, so that a test
// knows the monitor (posted to first) has seen the transaction too.
class ResultCounter : public QObject {
public:
    ResultCounter() { handle = RegisterWindow(this); }
    bool event(QEvent* e) override {
        if (e->type() != EngineMessageEvent::Type())
            return QObject::event(e);
        ++results;
        return true;
    }
    WindowHandle handle = 0;
    int results = 0;
};

// One transaction through a poll slot in Once mode; returns whether its
// result arrived.
bool pollOnce(ResultCounter& window, std::uint16_t slave, std::uint16_t function,
              std::uint16_t address, std::uint16_t quantity) {
    const int before = window.results;
    const int slot = RegisterPollSlot(window.handle, WM_POLL_RESULT, 0, slave, function, address,
                                      quantity, 0, 0);
    if (slot < 1)
        return false;
    SetPollMode(slot, Once);
    const bool arrived = QTest::qWaitFor([&] { return window.results > before; }, kWaitMs);
    ReleasePollSlot(slot);
    return arrived;
}

struct MonitorWindow {
    QPointer<CCommunication> dialog;
    MonitorWindow() {
        dialog = new CCommunication(DefaultLine());
        dialog->show();
    }
    ~MonitorWindow() { delete dialog.data(); }
    TrafficFrameModel& frames() const {
        dialog->List()->Flush();
        return *dialog->List()->Frames();
    }
    // The numbered hex lines of every frame kept, oldest first.
    QStringList lines() const {
        QStringList texts;
        for (int row = 0; row < frames().rowCount(); ++row)
            texts.append(frames().LineText(row));
        return texts;
    }
    // The lines the view shows (filtered or not), as Copy and Save take them.
    QStringList shown() const { return frames().RowTexts(dialog->List()->ShownRows()); }
    QPushButton* button(const char* name) { return testing::child<QPushButton>(dialog, name); }
};

unsigned lineNumber(const QString& line) { return line.left(6).toUInt(); }

// ---- the lines are the bytes on the wire, per transport ------------------------------------

struct WireCase {
    const char* name;
    PeerLink::Peer peer;
    TransmissionMode mode;
};

void PrintTo(const WireCase& c, std::ostream* os) { *os << c.name; }

class MonitorWireTest : public ::testing::TestWithParam<WireCase> {
protected:
    void SetUp() override {
        InitEngine();
        InstallEnginePoster();
        std::string error;
        m_link = PeerLink::Start(GetParam().peer, GetParam().mode, error);
        ASSERT_TRUE(m_link) << error;
    }
    void TearDown() override { m_link.reset(); }
    std::unique_ptr<PeerLink> m_link;
};

TEST_P(MonitorWireTest, TxAndRxLinesAreTheFramesAsOnTheWire) {
    MonitorWindow monitor;
    ResultCounter window;
    const unsigned first = TrafficLines::MonitorCounter();
    ASSERT_TRUE(pollOnce(window, 1, 3, 0, 10));
    ASSERT_EQ(monitor.lines().size(), 2);
    const QString tx = monitor.lines()[0];
    const QString rx = monitor.lines()[1];
    EXPECT_EQ(lineNumber(tx), first);
    EXPECT_EQ(lineNumber(rx), first + 1);
    EXPECT_EQ(tx.mid(6, 4), "-Tx:");
    EXPECT_EQ(rx.mid(6, 4), "-Rx:");

    const testing::Bytes request{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
    const testing::Bytes response = testing::ReadHoldingAnswer(10);
    switch (GetParam().mode) {
    case RTU:
    case RTU_OVER_TCP:  // the same frames, with no header around them
        EXPECT_EQ(tx.mid(10), "01 03 00 00 00 0A C5 CD ");
        EXPECT_EQ(rx.mid(10), HexText(WithCrc(response)));
        break;
    case ASCII:
        EXPECT_EQ(tx.mid(10), HexText(AsAscii(request)));
        EXPECT_TRUE(tx.endsWith("46 32 0D 0A ")) << tx.toStdString();
        EXPECT_EQ(rx.mid(10), HexText(AsAscii(response)));
        break;
    case TCP: {
        // The MBAP header leads: the transaction id the engine chose, the
        // protocol id 0 and the length; the answer repeats the id.
        const QString id = tx.mid(10, 6);
        EXPECT_EQ(tx.mid(10), id + "00 00 00 06 " + HexText(request));
        EXPECT_EQ(rx.mid(10), id + "00 00 00 17 " + HexText(response));
        break;
    }
    }
    EXPECT_FALSE(monitor.dialog->IsStopped());
}

INSTANTIATE_TEST_SUITE_P(
    Transports, MonitorWireTest,
    ::testing::Values(WireCase{"Rtu", PeerLink::Peer::LibModbus, RTU},
                      WireCase{"Ascii", PeerLink::Peer::PyModbus, ASCII},
                      WireCase{"Tcp", PeerLink::Peer::LibModbus, TCP},
                      WireCase{"RtuOverTcp", PeerLink::Peer::PyModbus, RTU_OVER_TCP}),
    [](const ::testing::TestParamInfo<WireCase>& info) { return std::string(info.param.name); });

TEST(MonitorSerialTest, BroadcastGivesATxLineAndNoRxLine) {
    InitEngine();
    InstallEnginePoster();
    std::string error;
    auto link = PeerLink::Start(PeerLink::Peer::LibModbus, RTU, error);
    ASSERT_TRUE(link) << error;
    RecordingInteraction warnings;
    MonitorWindow monitor;
    testing::press(testing::child<QCheckBox>(monitor.dialog, "stopOnErrorCheck"));
    ResultCounter window;
    const std::uint16_t value = 0x1234;
    ASSERT_EQ(SubmitOneShot(window.handle, WM_POLL_RESULT, 0, 6, 0, 0, 10, 0), 1);
    ASSERT_EQ(SetWriteRegisters(0, 1, &value), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.results == 1; }, kWaitMs));
    ASSERT_EQ(monitor.lines().size(), 1);
    EXPECT_EQ(monitor.lines()[0].mid(6),
              "-Tx:" + HexText(WithCrc({0x00, 0x06, 0x00, 0x0A, 0x12, 0x34})));
    // Nothing was expected back, so nothing failed.
    EXPECT_FALSE(monitor.dialog->IsStopped());
    EXPECT_TRUE(warnings.texts().isEmpty());
}

// ---- stop on error, freezing, numbering -----------------------------------------------------

TEST(MonitorStopTest, SilentSlaveFreezesTheMonitorWithTheTimeoutText) {
    test::ScriptedTcpSlave slave({test::ScriptedTcpSlave::Silent()});
    ASSERT_TRUE(slave.Listening());
    InitEngine();
    InstallEnginePoster();
    SetPollDelay(1);
    ASSERT_EQ(OpenTcpConnection("127.0.0.1", slave.Port(), 300, 3000), 0);
    ASSERT_EQ(SetTransmissionMode(TCP), 1);
    ASSERT_EQ(StartPolling(), 1);
    {
        RecordingInteraction warnings;
        MonitorWindow monitor;
        testing::press(testing::child<QCheckBox>(monitor.dialog, "stopOnErrorCheck"));
        ResultCounter window;
        ASSERT_TRUE(pollOnce(window, 1, 3, 0, 2));
        EXPECT_EQ(warnings.texts(), QStringList{"超时错误"});
        EXPECT_TRUE(monitor.dialog->IsStopped());
        ASSERT_EQ(monitor.lines().size(), 1) << "a request without an answer";
        EXPECT_EQ(monitor.lines()[0].mid(6, 4), "-Tx:");
        EXPECT_EQ(monitor.button("stopButton")->text(), "继续(&C)");
        EXPECT_TRUE(monitor.button("saveButton")->isEnabled());
        EXPECT_TRUE(monitor.button("copyButton")->isEnabled());
    }
    StopPolling();
    CloseTcpConnection();
}

TEST(MonitorStopTest, KeepsEveryLineAndNumbersOnAcrossMonitors) {
    InitEngine();
    InstallEnginePoster();
    std::string error;
    auto link = PeerLink::Start(PeerLink::Peer::LibModbus, TCP, error, 0);
    ASSERT_TRUE(link) << error;
    ResultCounter window;
    const unsigned first = TrafficLines::MonitorCounter();
    {
        MonitorWindow monitor;
        EXPECT_EQ(monitor.button("stopButton")->text(), "停止(&S)");
        EXPECT_FALSE(monitor.button("saveButton")->isEnabled());
        EXPECT_FALSE(monitor.button("copyButton")->isEnabled());
        for (int i = 0; i < 150; ++i)
            ASSERT_TRUE(pollOnce(window, 1, 3, i, 1)) << "transaction " << i;
        // 300 lines: far more than the 101 a list once kept, all still there.
        ASSERT_EQ(monitor.lines().size(), 300);
        EXPECT_EQ(lineNumber(monitor.lines().first()), first);
        EXPECT_EQ(lineNumber(monitor.lines().last()), first + 299);
        EXPECT_TRUE(monitor.lines().last().startsWith(QString::asprintf("%06u-Rx:", first + 299)));
        EXPECT_EQ(monitor.dialog->List()->model()->rowCount(), 300);

        // Frozen, it ignores what goes over the wire.
        QTest::mouseClick(monitor.button("stopButton"), Qt::LeftButton);
        ASSERT_TRUE(monitor.dialog->IsStopped());
        const QStringList frozen = monitor.lines();
        ASSERT_TRUE(pollOnce(window, 1, 3, 0, 1));
        EXPECT_EQ(monitor.lines(), frozen);
        EXPECT_EQ(TrafficLines::MonitorCounter(), first + 300);
        QTest::mouseClick(monitor.button("stopButton"), Qt::LeftButton);
        EXPECT_FALSE(monitor.dialog->IsStopped());
        EXPECT_EQ(monitor.button("stopButton")->text(), "停止(&S)");

        // "退出" closes and destroys the window; the engine forgets it.
        QTest::mouseClick(monitor.button("closeButton"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(monitor.dialog.isNull());
    }
    ASSERT_TRUE(pollOnce(window, 1, 3, 0, 1));
    EXPECT_EQ(TrafficLines::MonitorCounter(), first + 300) << "no monitor, no lines";
    MonitorWindow again;
    ASSERT_TRUE(pollOnce(window, 1, 3, 0, 1));
    ASSERT_EQ(again.lines().size(), 2);
    EXPECT_EQ(lineNumber(again.lines()[0]), first + 300);
}

// ---- filtering a frozen monitor ------------------------------------------------------------

// Frames from a pymodbus slave that answers IDs 1 and 2: while capturing the
// boxes are off and everything shows; frozen, the boxes list the slaves and
// functions seen and show only the matching lines (an exception answer
// under the function it answers); "全部" or going on shows all again.
TEST(MonitorFilterTest, FrozenMonitorShowsOnlyTheChosenSlaveAndFunction) {
    InitEngine();
    InstallEnginePoster();
    std::string error;
    auto link = PeerLink::Start(PeerLink::Peer::PyModbus, TCP, error, 1, {"--slave", "1,2"});
    ASSERT_TRUE(link) << error;
    RecordingInteraction user;
    MonitorWindow monitor;
    ResultCounter window;
    struct Poll {
        std::uint16_t slave, function, address;
    };
    // The last one asks beyond the slave's registers: an exception answer.
    for (const Poll& p : {Poll{1, 3, 0}, Poll{2, 3, 0}, Poll{1, 1, 0}, Poll{2, 3, 60000}})
        ASSERT_TRUE(pollOnce(window, p.slave, p.function, p.address, 1))
            << p.slave << "/" << p.function;
    ASSERT_EQ(monitor.lines().size(), 8);
    EXPECT_TRUE(monitor.lines()[7].contains("-Rx:")) << "the exception answer is listed";

    // Times ascend and each gap is the difference to the frame before.
    TrafficFrameModel& frames = monitor.frames();
    for (int row = 1; row < frames.rowCount(); ++row) {
        EXPECT_LE(frames.TimeMs(row - 1), frames.TimeMs(row)) << row;
        ASSERT_TRUE(frames.GapMs(row).has_value());
        EXPECT_EQ(*frames.GapMs(row), frames.TimeMs(row) - frames.TimeMs(row - 1)) << row;
    }

    auto* slaves = testing::child<QComboBox>(monitor.dialog, "slaveFilter");
    auto* functions = testing::child<QComboBox>(monitor.dialog, "functionFilter");
    EXPECT_FALSE(slaves->isEnabled());
    EXPECT_FALSE(functions->isEnabled());
    monitor.dialog->ToggleStop();
    ASSERT_TRUE(slaves->isEnabled());
    const auto items = [](QComboBox* box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    };
    EXPECT_EQ(items(slaves), (QStringList{"全部", "1", "2"}));
    EXPECT_EQ(items(functions), (QStringList{"全部", "01", "03"}));

    const QStringList all = monitor.shown();
    ASSERT_EQ(all.size(), 8);
    constexpr int kAll = TrafficFilterModel::kAll;
    struct Case {
        int slave, function;
        QList<int> rows;  // of all eight, in order
    };
    const Case cases[] = {
        {1, kAll, {0, 1, 4, 5}},
        {kAll, 3, {0, 1, 2, 3, 6, 7}},
        {2, 3, {2, 3, 6, 7}},
        {1, 1, {4, 5}},
        {2, 1, {}},
        {kAll, kAll, {0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.slave) + "/" + std::to_string(c.function));
        slaves->setCurrentIndex(slaves->findData(c.slave));
        functions->setCurrentIndex(functions->findData(c.function));
        QStringList expected;
        for (int row : c.rows)
            expected << all[row];
        EXPECT_EQ(monitor.shown(), expected);
        EXPECT_EQ(monitor.dialog->List()->model()->rowCount(), c.rows.size());
        EXPECT_EQ(monitor.dialog->List()->IsFiltering(), c.slave != kAll || c.function != kAll);
    }

    // Copy and Save take the lines shown.
    monitor.dialog->SetFilter(2, kAll);
    TrafficTableView* list = monitor.dialog->List();
    list->selectAll();
    monitor.dialog->Copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text().split("\r\n").size(), 4 + 1);
    QTemporaryDir dir;
    user.filePath = dir.filePath("slave2.txt");
    monitor.dialog->Save();
    QFile saved(user.filePath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), monitor.shown().join('\n') + '\n');
    EXPECT_TRUE(user.texts().isEmpty());

    // Going on shows every line again, and the boxes say so.
    monitor.dialog->SetFilter(1, 3);
    ASSERT_EQ(monitor.shown().size(), 2);
    monitor.dialog->ToggleStop();
    EXPECT_FALSE(list->IsFiltering());
    EXPECT_EQ(monitor.shown(), all);
    EXPECT_FALSE(slaves->isEnabled());
    EXPECT_EQ(slaves->currentText(), "全部");
    EXPECT_EQ(functions->currentText(), "全部");
    ASSERT_TRUE(pollOnce(window, 1, 3, 0, 1));
    EXPECT_EQ(monitor.shown().size(), 10) << "captured while unfiltered";
}

// ---- save and copy ---------------------------------------------------------------------------

class MonitorFileTest : public ::testing::Test {
protected:
    void SetUp() override { InitEngine(); }
    // Captures fed in as the engine would hand them over, 5 ms apart.
    static void addLines(CCommunication& monitor, int count) {
        const qint64 base = QDateTime::currentMSecsSinceEpoch();
        for (int i = 0; i < count; ++i) {
            const std::uint8_t bytes[] = {0x01, static_cast<std::uint8_t>(i), 0xFF};
            monitor.List()->Add(TrafficLines::Direction::Tx, RTU, bytes, sizeof bytes,
                                base + 5 * i);
        }
    }

    QTemporaryDir dir;
    RecordingInteraction user;
    RecordingInteraction& files = user;     // answers the file dialogs
    RecordingInteraction& warnings = user;  // records the boxes
};

TEST_F(MonitorFileTest, SavesEveryLineAndAnEmptyListAsAnEmptyFile) {
    MonitorWindow monitor;
    monitor.dialog->ToggleStop();
    files.filePath = dir.filePath("empty");  // the default extension is added
    QTest::mouseClick(monitor.button("saveButton"), Qt::LeftButton);
    ASSERT_EQ(files.fileRequests.size(), 1u);
    EXPECT_TRUE(files.fileRequests[0].save);
    EXPECT_EQ(files.fileRequests[0].proposedName, "commdata");
    EXPECT_EQ(files.fileRequests[0].filter, "modbus comm. data (*.txt)");
    QFile empty(dir.filePath("empty.txt"));
    ASSERT_TRUE(empty.exists());
    EXPECT_EQ(empty.size(), 0);

    addLines(*monitor.dialog, 3);
    files.filePath = dir.filePath("three.txt");
    monitor.dialog->Save();
    QFile three(files.filePath);
    ASSERT_TRUE(three.open(QIODevice::ReadOnly));
    // Each line reads back as time of day, gap and the line itself.
    const QStringList saved = QString::fromUtf8(three.readAll()).split('\n');
    ASSERT_EQ(saved.size(), 4);
    EXPECT_TRUE(saved.back().isEmpty()) << "every line ends with a line end";
    const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d$"));
    for (int row = 0; row < 3; ++row) {
        const QStringList fields = saved[row].split('\t');
        ASSERT_EQ(fields.size(), 3) << saved[row].toStdString();
        EXPECT_TRUE(time.match(fields[0]).hasMatch()) << fields[0].toStdString();
        EXPECT_EQ(fields[0], monitor.frames().TimeText(row));
        EXPECT_EQ(fields[1], row == 0 ? QString() : QStringLiteral("5"));
        EXPECT_EQ(fields[2], monitor.lines()[row]);
    }

    files.filePath = dir.filePath("no/such/folder/x.txt");
    monitor.dialog->Save();
    EXPECT_EQ(warnings.texts(), QStringList{"文件打开错误"});
    files.filePath.clear();  // cancelled: nothing happens
    monitor.dialog->Save();
    EXPECT_EQ(warnings.texts().size(), 1);
}

TEST_F(MonitorFileTest, ResultsForSlotsOutsideTheTableAddNothing) {
    MonitorWindow monitor;
    testing::press(testing::child<QCheckBox>(monitor.dialog, "stopOnErrorCheck"));
    for (int slot : {-1, kSlotCount, 1 << 20})
        monitor.dialog->OnPollResult(status::Timeout, slot);
    EXPECT_TRUE(monitor.lines().isEmpty());
    EXPECT_FALSE(monitor.dialog->IsStopped());
    EXPECT_TRUE(warnings.texts().isEmpty());
}

TEST_F(MonitorFileTest, CopyPutsTheSelectedLinesTrimmedWithCrLf) {
    MonitorWindow monitor;
    addLines(*monitor.dialog, 5);
    monitor.dialog->ToggleStop();
    monitor.dialog->Copy();
    EXPECT_EQ(warnings.texts(), QStringList{"No string selected"});

    TrafficTableView* list = monitor.dialog->List();
    for (int row : {1, 2, 4})
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
    QTest::mouseClick(monitor.button("copyButton"), Qt::LeftButton);
    const TrafficFrameModel& frames = monitor.frames();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), frames.RowText(1).trimmed() + "\r\n" +
                                                        frames.RowText(2).trimmed() + "\r\n" +
                                                        frames.RowText(4).trimmed() + "\r\n");
    EXPECT_TRUE(frames.RowText(1).startsWith(frames.TimeText(1) + '\t')) << "with its time";
    EXPECT_TRUE(frames.LineText(1).endsWith(' ')) << "the list keeps the blank after the last byte";
}

// Ctrl+C in the list goes through Copy: nothing while the monitor runs (its
// Copy button is off then), and once frozen the selected lines at most 100,
// trimmed, each with CR LF; not the current line with its trailing blank.
TEST_F(MonitorFileTest, CopyKeyFollowsTheCopyRules) {
    struct Case {
        const char* name;
        bool frozen;
        QList<int> selected;  // empty: every line
        int copied;           // -1: the clipboard stays as it was
    };
    const Case cases[] = {
        {"running", false, {2, 4}, -1},
        {"frozen", true, {2, 4}, 2},
        {"frozen, all 101 selected", true, {}, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MonitorWindow monitor;
        addLines(*monitor.dialog, 101);
        if (c.frozen)
            monitor.dialog->ToggleStop();
        TrafficTableView* list = monitor.dialog->List();
        list->Flush();
        list->setCurrentIndex(
            list->model()->index(c.selected.isEmpty() ? 0 : c.selected.front(), 0));
        if (c.selected.isEmpty())
            list->selectAll();
        for (int row : c.selected)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select);
        QGuiApplication::clipboard()->setText("before");
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        const QString text = QGuiApplication::clipboard()->text();
        if (c.copied < 0) {
            EXPECT_EQ(text, "before");
            continue;
        }
        const QStringList copied = text.split("\r\n");
        ASSERT_EQ(copied.size(), c.copied + 1);
        EXPECT_TRUE(copied.back().isEmpty()) << "every line ends with CR LF";
        EXPECT_EQ(copied[0],
                  monitor.frames().RowText(c.selected.isEmpty() ? 0 : c.selected[0]).trimmed());
        EXPECT_EQ(copied[c.copied - 1],
                  monitor.frames().RowText(c.selected.isEmpty() ? 99 : c.selected[1]).trimmed());
    }
    EXPECT_TRUE(warnings.texts().isEmpty());
}

}  // namespace
}  // namespace zentiq
