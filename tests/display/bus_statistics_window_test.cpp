// The bus statistics window over real poll windows: against the libmodbus
// slave its rows are the engine's counts for each window's slot; against a
// scripted slave that answers late, a window asking for more than the line
// gives is marked; reset, copy and CSV take what the window shows.
#include "display/bus_statistics_window.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "display/bus_statistics_table_model.h"
#include "values/csv_text.h"
#include "engine/engine.h"
#include "framework/window_registry.h"
#include "support/peer_link.h"
#include "support/poll_window.h"
#include "support/qt_test_app.h"
#include "support/recording_interaction.h"
#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using namespace std::chrono_literals;
using test::ScriptedTcpSlave;
using testing::PeerLink;
using testing::PollWindow;
using testing::ReadDefinition;

constexpr int kWaitMs = 20000;

class BusStatisticsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureQApplication();
        InitEngine();
        InstallEnginePoster();
    }
    void TearDown() override {
        delete window.data();
        windows.clear();
        link.reset();
        StopPolling();
        CloseTcpConnection();
        InitEngine();
    }

    PollWindow& Add(const PollDefinition& def) {
        windows.push_back(std::make_unique<PollWindow>(def));
        return *windows.back();
    }

    void OpenStatistics() {
        window = new BusStatisticsWindow(
            DefaultLine(),
            [this] {
                std::vector<PollWindowRequest> requests;
                for (const auto& w : windows)
                    requests.push_back(BusStatisticsWindow::RequestOf(*w->doc, DefaultLine()));
                return requests;
            },
            nullptr);
        window->show();
    }

    const std::vector<BusStatisticsRow>& Rows() const { return window->Table().Rows(); }

    std::uint32_t EngineTx(PollWindow& w) {
        std::uint32_t tx = 0, ok = 0;
        GetSlotCounters(w.model().slotIndex, &tx, &ok);
        return tx;
    }

    std::unique_ptr<PeerLink> link;
    std::vector<std::unique_ptr<PollWindow>> windows;
    QPointer<BusStatisticsWindow> window;
};

TEST_F(BusStatisticsWindowTest, RowsAreTheEngineFiguresOfEachWindowAgainstLibmodbus) {
    std::string error;
    link = PeerLink::Start(PeerLink::Peer::LibModbus, TCP, error);
    ASSERT_TRUE(link) << error;
    PollWindow& registers = Add(ReadDefinition(3, 0, 10, 0, 20));
    PollWindow& coils = Add(ReadDefinition(1, 5, 40, 0, 50));
    PollDefinition off = ReadDefinition(4, 0, 2, 0, 100);
    off.bEnable = 0;
    Add(off);
    OpenStatistics();
    EXPECT_TRUE(window->Refreshing());
    ASSERT_TRUE(registers.waitForPolls(10, kWaitMs));
    ASSERT_TRUE(coils.waitForPolls(4, kWaitMs));
    StopPolling();  // the counts hold still while they are compared
    window->Refresh();

    ASSERT_EQ(Rows().size(), 3u);
    for (int i = 0; i < 2; ++i) {
        const BusStatisticsRow& row = Rows()[static_cast<std::size_t>(i)];
        SCOPED_TRACE(row.request.name.toStdString());
        EXPECT_EQ(row.transactions, EngineTx(*windows[static_cast<std::size_t>(i)]));
        EXPECT_EQ(row.answered, row.transactions);
        EXPECT_TRUE(row.achievedPerSecond);
        EXPECT_TRUE(row.p95Ms);
        EXPECT_LE(row.minMs.value_or(0), row.p95Ms.value_or(0));
        EXPECT_LE(row.p95Ms.value_or(0), row.maxMs.value_or(0));
        EXPECT_EQ(row.timeouts + row.checksumErrors + row.exceptions, 0u);
    }
    EXPECT_EQ(Rows()[0].request.function, 3);
    EXPECT_EQ(Rows()[1].request.scanRate, 50);
    const BusStatisticsRow& idle = Rows()[2];
    EXPECT_FALSE(idle.request.polling);
    EXPECT_EQ(idle.transactions, 0u);
    EXPECT_FALSE(idle.achievedPerSecond);
    EXPECT_FALSE(idle.slow);

    EXPECT_EQ(window->Table().rowCount(), 3);
    EXPECT_EQ(window->Table().columnCount(), BusStatistics::Headers().size());
    EXPECT_EQ(window->Table().index(2, 0).data().toString(), windows[2]->doc->GetTitle());
    EXPECT_EQ(window->Line().transactions,
              std::uint64_t{Rows()[0].transactions} + Rows()[1].transactions);
    EXPECT_TRUE(window->LineLabelText().startsWith("总线占用"))
        << window->LineLabelText().toStdString();

    window->Reset();
    for (const BusStatisticsRow& row : Rows())
        EXPECT_EQ(row.transactions, 0u);
    EXPECT_EQ(window->Line().transactions, 0u);
    EXPECT_EQ(window->LineLabelText(), "总线：尚无通讯") << "the worker is stopped: no wall time";

    window->hide();
    EXPECT_FALSE(window->Refreshing()) << "nothing is read while nobody looks";
}

TEST_F(BusStatisticsWindowTest, MarksAWindowThatAsksForMoreThanALateSlaveGives) {
    // Every answer 30 ms late: at most 33 polls a second where 100 were asked.
    std::vector<ScriptedTcpSlave::Step> script;
    for (int i = 0; i < 40; ++i) {
        std::vector<std::uint8_t> pdu{1, 3, 2, 0, static_cast<std::uint8_t>(i)};
        ScriptedTcpSlave::Frame f = ScriptedTcpSlave::Answer(pdu);
        f.delay = 30ms;
        script.push_back(ScriptedTcpSlave::Reply(f));
    }
    ScriptedTcpSlave slave(script);
    ASSERT_EQ(OpenTcpConnection("127.0.0.1", slave.Port(), 1000, 3000), 0);
    SetTransmissionMode(TCP);
    SetPollDelay(1);
    PollWindow& greedy = Add(ReadDefinition(3, 0, 1, 0, 10));
    ASSERT_EQ(StartPolling(), 1);
    OpenStatistics();
    ASSERT_TRUE(greedy.waitForPolls(6, kWaitMs));
    window->Refresh();

    ASSERT_EQ(Rows().size(), 1u);
    const BusStatisticsRow& row = Rows()[0];
    EXPECT_TRUE(row.slow);
    EXPECT_LT(row.achievedPerSecond.value_or(100), 1000.0 / 30);
    EXPECT_GE(row.avgMs.value_or(0), 25.0);
    const QModelIndex achieved = window->Table().index(0, BusStatistics::kAchievedColumn);
    EXPECT_TRUE(achieved.data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(achieved.data(Qt::ToolTipRole).toString(), BusStatistics::SlowText(row));
    EXPECT_FALSE(window->Table().index(0, 0).data(Qt::BackgroundRole).isValid());
    StopPolling();
}

TEST_F(BusStatisticsWindowTest, CopyAndCsvTakeWhatTheWindowShows) {
    std::string error;
    link = PeerLink::Start(PeerLink::Peer::LibModbus, TCP, error);
    ASSERT_TRUE(link) << error;
    PollWindow& w = Add(ReadDefinition(3, 0, 10, 0, 20));
    OpenStatistics();
    QCoreApplication::setApplicationVersion("9.8.7");
    const QDateTime since = QDateTime::currentDateTime().addSecs(-3600);
    window->SetFiguresSince(since);
    window->SetConnectionSource([] {
        ConnectionSettings s;
        s.Serial = 1;
        s.IPAddress = "127.0.0.1";
        s.ServicePort = 1502;
        return std::optional(s);
    });
    ASSERT_TRUE(w.waitForPolls(3, kWaitMs));
    StopPolling();
    window->Refresh();

    window->CopyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              BusStatistics::CopyText(Rows(), window->Line()));

    QTemporaryDir dir;
    testing::RecordingInteraction answers;
    answers.filePath = dir.filePath("stats.csv");
    ASSERT_TRUE(window->SaveCsv());
    ASSERT_EQ(answers.fileRequests.size(), 1u);
    EXPECT_EQ(answers.fileRequests[0].defaultSuffix, "csv");
    QFile file(answers.filePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray csv = file.readAll();
    // The table as it always was, under a header of where, when and which version.
    EXPECT_TRUE(csv.endsWith(BusStatistics::Csv(Rows(), window->Line())));
    const CsvText::Table header = CsvText::Parse(csv);
    ASSERT_GE(header.rows.size(), 4u);
    EXPECT_EQ(header.rows[0], QStringList({"连接", "TCP 127.0.0.1:1502"}));
    EXPECT_EQ(header.rows[1], QStringList({"开始时间", since.toString("yyyy-MM-dd HH:mm:ss")}));
    const QDateTime end = QDateTime::fromString(header.rows[2].value(1), "yyyy-MM-dd HH:mm:ss");
    EXPECT_EQ(header.rows[2].value(0), "结束时间");
    EXPECT_GE(end, since.addSecs(-1));
    EXPECT_EQ(header.rows[3], QStringList({"程序版本", "9.8.7"}));
    // Reset starts the span afresh; unconnected says so.
    window->Reset();
    EXPECT_GT(window->FiguresSince(), since);
    window->SetConnectionSource([] { return std::optional<ConnectionSettings>(); });
    EXPECT_EQ(window->Source().connection, "未连接");

    answers.filePath.clear();
    EXPECT_FALSE(window->SaveCsv()) << "cancelled";
    answers.filePath = dir.filePath("missing/stats.csv");
    EXPECT_FALSE(window->SaveCsv());
    EXPECT_EQ(answers.texts().size(), 1) << "a file that cannot be written is told";
}

}  // namespace
}  // namespace zentiq
