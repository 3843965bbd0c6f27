// The data view of a poll window against real slaves on 127.0.0.1: the
// pymodbus TCP server for values, layouts, exceptions and coil writes, and a
// scripted TCP slave for timeouts and single polls. The engine is connected
// directly, the way the connection command drives it.
#include "display/zentiq_view.h"

#include <QFontMetrics>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPrinter>
#include <QScopeGuard>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "display/decode_window.h"
#include "framework/dialog_data_exchange.h"
#include "framework/language.h"
#include "framework/settings_store.h"
#include "framework/slot_results.h"
#include "framework/window_registry.h"
#include "documents/data_logger.h"
#include "documents/poll_document_model.h"
#include "documents/register_map_commands.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_setup.h"
#include "engine/engine.h"
#include "grid/grid_clipboard.h"
#include "grid/grid_ctrl.h"
#include "support/recording_interaction.h"
#include "support/peer_data.h"
#include "support/peer_link.h"
#include "support/peer_process.h"
#include "support/scripted_tcp_slave.h"
#include "support/widget_environment.h"
#include "values/last_good_read.h"

namespace zentiq {
namespace {

using test::PeerProcess;
using test::ScriptedTcpSlave;

constexpr int kWaitMs = 10000;


// One poll window: a document and its view, shown offscreen.
struct PollWindow {
    std::unique_ptr<CZentiqDoc> doc;
    QPointer<CZentiqView> view;

    explicit PollWindow(const PollDefinition& def, const std::vector<quint8>& values = {}) {
        doc = std::make_unique<CZentiqDoc>();
        doc->OnNewDocument();
        doc->Model().def = def;
        std::copy(values.begin(), values.end(), doc->Model().values.begin());
        if (!values.empty())
            doc->Model().MarkValuesRead(QDateTime::currentMSecsSinceEpoch());  // as if read
        doc->ComputeGridSize();
        view = new CZentiqView(doc.get(), nullptr);
        view->resize(900, 500);
        view->show();  // initial update: grid filled, slot registered
    }
    ~PollWindow() {
        delete view.data();
        doc.reset();
    }
    PollDocumentModel& model() { return doc->Model(); }
    CGridModel& grid() { return doc->Grid()->model(); }
    QString cell(int row, int column) { return grid().itemText(row, column); }
    // The cell of poll item i.
    QString item(int i) {
        int row = 0, column = 0;
        if (!model().CellOfItem(i, row, column))
            return QStringLiteral("<no cell>");
        return cell(row, column);
    }
    bool waitForPolls(quint32 count) {
        return QTest::qWaitFor([&] { return model().txCount >= count; }, kWaitMs);
    }
    bool waitForItem(int i, const QString& text) {
        return QTest::qWaitFor([&] { return item(i) == text; }, kWaitMs);
    }
};

PollDefinition definition(int function, int address, int length, int format = 0, int scanRate = 50) {
    PollDefinition d;
    d.FunctionValue = function;
    d.Address = address;
    d.Length = length;
    d.DisplayFormat = format;
    d.ScanRate = scanRate;
    d.SlaveID = 1;
    d.bEnable = 1;
    return d;
}

template <class... Args>
QString cfmt(const char* format, Args... args) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return QString::fromLatin1(buffer);
}

QString binary(std::uint16_t w) {
    QString s;
    for (int bit = 15; bit >= 0; --bit) {
        s += (w >> bit) & 1 ? QLatin1Char('1') : QLatin1Char('0');
        if (bit % 4 == 0)
            s += QLatin1Char(' ');
    }
    return s;
}

QString paddedFloat(double v) {
    const QString fixed = cfmt("%15.6f", v);
    return fixed.size() > 15 ? cfmt("%1.7e", v) : fixed;
}

QString paddedDouble(double v) {
    const QString fixed = cfmt("%17.10f", v);
    return fixed.size() > 17 ? cfmt("%1.9e", v) : fixed;
}

template <class T>
std::vector<quint8> bytesOf(const std::vector<T>& v) {
    std::vector<quint8> out(v.size() * sizeof(T));
    std::memcpy(out.data(), v.data(), out.size());
    return out;
}

// ---- against pymodbus ---------------------------------------------------------------------

class PyModbusViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_peer = PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", s_error, 1);
    }
    static void TearDownTestSuite() { s_peer.reset(); }

    void SetUp() override {
        ASSERT_TRUE(s_peer) << s_error;
        InitEngine();
        InstallEnginePoster();
        Connect();
    }
    void TearDown() override { Disconnect(); }

    void Connect() {
        SetPollDelay(1);
        ASSERT_EQ(OpenTcpConnection("127.0.0.1", s_peer->Port(), 1000, 3000), 0)
            << "socket error " << LastSocketError();
        ASSERT_EQ(SetTransmissionMode(TCP), 1);
        ASSERT_EQ(StartPolling(), 1);
    }
    void Disconnect() {
        StopPolling();
        CloseTcpConnection();
    }

    static std::unique_ptr<PeerProcess> s_peer;
    static std::string s_error;
};

std::unique_ptr<PeerProcess> PyModbusViewTest::s_peer;
std::string PyModbusViewTest::s_error;

TEST_F(PyModbusViewTest, HoldingRegistersInEachIntegerFormatWithLayoutAndLabels) {
    // Address 5 in blocks of 10: the first block starts 5 rows down and the
    // poll ends half-way through the third.
    PollWindow w(definition(3, 5, 20));
    ASSERT_TRUE(w.waitForPolls(1));
    EXPECT_EQ(w.grid().rowCount(), 11);
    EXPECT_EQ(w.grid().columnCount(), 7);
    EXPECT_EQ(w.cell(0, 1), "标注");
    EXPECT_EQ(w.cell(0, 2), "00000");
    EXPECT_EQ(w.cell(0, 4), "00010");
    EXPECT_EQ(w.cell(0, 6), "00020");
    EXPECT_EQ(w.cell(1, 0), "0");
    EXPECT_EQ(w.cell(10, 0), "9");

    struct Case {
        int command;
        int format;
    };
    for (const Case c : {Case{cmd::FormatUnsigned, 1}, Case{cmd::FormatHex, 2},
                         Case{cmd::FormatBinary, 3}, Case{cmd::FormatSigned, 0}}) {
        SCOPED_TRACE(c.format);
        ASSERT_TRUE(w.doc->OnCommand(c.command));
        EXPECT_EQ(w.model().def.DisplayFormat, c.format);
        const auto expected = [&](int i) {
            const std::uint16_t word = zq_peer_holding(5 + i);
            switch (c.format) {
            case 0: return cfmt("%6hi", static_cast<short>(word));
            case 1: return cfmt("%5hu", word);
            case 2: return cfmt("0x%04hX", word);
            default: return binary(word);
            }
        };
        ASSERT_TRUE(w.waitForItem(19, expected(19))) << w.item(19).toStdString();
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(w.item(i), expected(i)) << "item " << i;
    }
    // Item 0 sits in row 6 of the first value column; rows 1 to 5 and the
    // rows after the last item are empty.
    EXPECT_EQ(w.cell(6, 2), cfmt("%6hi", static_cast<short>(zq_peer_holding(5))));
    for (int r = 1; r <= 5; ++r) {
        EXPECT_EQ(w.cell(r, 2), "") << r;
        EXPECT_EQ(w.cell(r + 5, 6), "") << r;
    }

    // PLC addresses: table headers, rows from 1, and with addresses in the
    // cells the prefix plus the zero-padded value.
    ASSERT_TRUE(w.doc->OnCommand(cmd::PlcAddresses));
    EXPECT_EQ(w.cell(0, 2), "4x0000");
    EXPECT_EQ(w.cell(0, 6), "4x0020");
    EXPECT_EQ(w.cell(1, 0), "1");
    EXPECT_EQ(w.cell(10, 0), "10");
    DefinitionDialogValues v;
    v.shownAddress = 6;
    v.functionIndex = 2;
    v.length = 20;
    v.scanRate = 50;
    v.slaveId = 1;
    v.enable = 1;
    v.oneBased = 1;
    v.displayAddr = 1;
    w.doc->ApplyDefinition(v);
    ASSERT_EQ(w.model().def.Address, 5);
    ASSERT_TRUE(w.waitForItem(0, cfmt("40006 = %06hi", static_cast<short>(zq_peer_holding(5)))))
        << w.item(0).toStdString();
    EXPECT_EQ(w.item(19), cfmt("40025 = %06hi", static_cast<short>(zq_peer_holding(24))));

    // Protocol addresses with the prefix.
    ASSERT_TRUE(w.doc->OnCommand(cmd::ProtocolAddresses));
    EXPECT_EQ(w.cell(0, 2), "00000");
    EXPECT_EQ(w.item(0), cfmt("5 = %06hi", static_cast<short>(zq_peer_holding(5))));
}

TEST_F(PyModbusViewTest, InputRegistersCoilsAndDiscreteInputsWithTheirTableLabels) {
    PollWindow inputs(definition(4, 20, 10, 1));
    PollWindow coils(definition(1, 30, 12));
    PollWindow discretes(definition(2, 40, 12, 4));  // the format does not apply to bits
    for (PollWindow* w : {&inputs, &coils, &discretes})
        w->doc->OnCommand(cmd::PlcAddresses);
    ASSERT_TRUE(inputs.waitForItem(9, cfmt("%5hu", zq_peer_input(29))));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(inputs.item(i), cfmt("%5hu", zq_peer_input(20 + i))) << i;
    EXPECT_EQ(inputs.cell(0, 2), "3x0020");

    ASSERT_TRUE(coils.waitForPolls(1));
    ASSERT_TRUE(discretes.waitForPolls(1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return coils.item(11) == cfmt("%hi", zq_peer_coil(41)); }, kWaitMs));
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(coils.item(i), cfmt("%hi", zq_peer_coil(30 + i))) << i;
        EXPECT_EQ(discretes.item(i), cfmt("%hi", zq_peer_discrete(40 + i))) << i;
    }
    EXPECT_EQ(coils.cell(0, 2), "0x0030");
    EXPECT_EQ(coils.cell(0, 4), "0x0040");
    EXPECT_EQ(discretes.cell(0, 2), "1x0040");
}

// A write poll (16) puts typed values into the slave, a read poll shows
// them: both convert through the same display format.
TEST_F(PyModbusViewTest, WideFormatsRoundTripThroughAWritePollAndAReadPoll) {
    const std::vector<float> floats = {1.5f, -2.25f, 1.0e20f, 0.1f};
    const std::vector<double> doubles = {1234.5678, -0.001};
    const std::vector<std::int32_t> longs = {-1, 123456789, 7, -70000};
    for (int format = 4; format <= 9; ++format) {
        SCOPED_TRACE(format);
        const int address = 200 + 10 * format;
        std::vector<quint8> bytes = format <= 5   ? bytesOf(floats)
                                    : format <= 7 ? bytesOf(doubles)
                                                  : bytesOf(longs);
        PollWindow writer(definition(16, address, 8, format), bytes);
        PollWindow reader(definition(3, address, 8, format));
        PollWindow raw(definition(3, address, 8, 2));
        ASSERT_NE(writer.model().slotIndex, -1);
        const auto expected = [&](int i) -> QString {
            if (format <= 5)
                return i % 2 ? QString() : paddedFloat(floats[i / 2]);
            if (format <= 7)
                return i % 4 ? QString() : paddedDouble(doubles[i / 4]);
            return i % 2 ? QString() : cfmt("%10i", longs[i / 2]);
        };
        ASSERT_TRUE(reader.waitForItem(0, expected(0))) << reader.item(0).toStdString();
        ASSERT_TRUE(reader.waitForItem(6, expected(6))) << reader.item(6).toStdString();
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(reader.item(i), expected(i)) << i;
        // On the wire the plain formats put the low word first, the inverse
        // ones the high word: 1.5f is 0x3FC00000, 123456789 is 0x075BCD15.
        if (format == 4 || format == 5) {
            ASSERT_TRUE(raw.waitForItem(format == 4 ? 1 : 0, "0x3FC0"));
            EXPECT_EQ(raw.item(format == 4 ? 0 : 1), "0x0000");
        } else if (format == 8 || format == 9) {
            ASSERT_TRUE(raw.waitForItem(format == 8 ? 3 : 2, "0x075B"));
            EXPECT_EQ(raw.item(format == 8 ? 2 : 3), "0xCD15");
        }
    }
}

// A window refused a slot says in its band that it does not poll and why,
// shows no numbers, and tries again when its definition is applied.
TEST_F(PyModbusViewTest, AWindowWithoutASlotSaysWhyAndRegistersAgainOnOk) {
    const QString memory = QStringLiteral("内存不足，请关闭部分窗口！");
    const struct {
        const char* name;
        int slaveId;     // of the refused window
        int fillSlots;   // slots taken by other windows first
    } cases[] = {{"33rd window", 1, 32}, {"read from slave ID 0", 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int> taken;
        for (int i = 0; i < c.fillSlots; ++i)
            taken.push_back(RegisterPollSlot(1, WM_POLL_RESULT, 100, 1, 3, 0, 1, 0, 0));
        testing::WidgetEnvironment::Ui().messages.clear();
        PollDefinition def = definition(3, 0, 4);
        def.SlaveID = c.slaveId;
        PollWindow w(def);
        ASSERT_EQ(w.model().slotIndex, -1);
        ASSERT_EQ(testing::WidgetEnvironment::Ui().texts().size(), 1);
        const QString message = testing::WidgetEnvironment::Ui().texts().first();
        EXPECT_EQ(message == memory, c.slaveId != 0) << message.toStdString();
        if (c.slaveId == 0) {
            EXPECT_TRUE(message.contains("ID 0")) << message.toStdString();
        }
        EXPECT_EQ(w.view->StatusLine2(), w.doc->NotPollingText());
        EXPECT_TRUE(w.view->StatusLine2().startsWith("不轮询")) << w.view->StatusLine2().toStdString();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(w.item(i), QString()) << "no zeros that read as values, item " << i;

        // OK on the same definition while still refused: refused again, said again.
        w.doc->ApplyDefinition(CZentiqSetup::FromModel(w.model()));
        EXPECT_EQ(w.model().slotIndex, -1);
        EXPECT_EQ(testing::WidgetEnvironment::Ui().texts().size(), 2);

        // Once the cause is gone, OK on the definition makes it poll.
        DefinitionDialogValues values = CZentiqSetup::FromModel(w.model());
        if (c.fillSlots > 0) {
            ReleasePollSlot(taken[5]);
            taken.erase(taken.begin() + 5);
        } else
            values.slaveId = 1;
        w.doc->ApplyDefinition(values);
        ASSERT_NE(w.model().slotIndex, -1);
        EXPECT_TRUE(w.doc->NotPollingText().isEmpty());
        EXPECT_FALSE(w.view->StatusLine2().startsWith("不轮询"));
        ASSERT_TRUE(w.waitForItem(0, cfmt("%6hi", static_cast<short>(zq_peer_holding(0)))));
        EXPECT_EQ(w.item(3), cfmt("%6hi", static_cast<short>(zq_peer_holding(3))));
        EXPECT_EQ(testing::WidgetEnvironment::Ui().texts().size(), 2);
        for (int slot : taken)
            ReleasePollSlot(slot);
    }
}

// A window whose reads the slave refuses from the start has read nothing:
// its cells stay empty (no zeros), a copy of them holds no number, and the
// register map exports the addresses without values.
TEST_F(PyModbusViewTest, ExceptionIllegalDataAddressShowsItsTextAndCounts) {
    PollWindow w(definition(3, 1995, 10));  // the slave's table ends at 1999
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.model().lastStatus == 130; }, kWaitMs))
        << w.model().lastStatus;
    EXPECT_EQ(w.view->StatusLine2(), "不合法数据地址");
    EXPECT_GE(w.model().errorCounters[21], 1);
    EXPECT_EQ(w.model().errorCounters[0], 0);
    const PollDocumentModel& m = w.model();
    EXPECT_EQ(m.txCount - m.okCount, m.txCount);
    EXPECT_TRUE(w.view->StatusLine1().startsWith(
        QStringLiteral("Tx = %1: Err = %1: ID = 1: F = 03: SR = 50ms").arg(m.txCount)));

    ASSERT_TRUE(w.waitForPolls(m.txCount + 2));  // failures after the first change nothing
    QCoreApplication::processEvents();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(w.item(i), QString()) << "item " << i;
    w.grid().setSelectedRange(1, 2, w.grid().rowCount() - 1, w.grid().columnCount() - 1);
    EXPECT_FALSE(CGridClipboard::copyText(w.grid()).contains(QRegularExpression(QStringLiteral("\\d"))));
    QTemporaryDir dir;
    ASSERT_TRUE(RegisterMapCommands::ExportFile(*w.doc, dir.filePath(QStringLiteral("map.csv"))));
    QFile file(dir.filePath(QStringLiteral("map.csv")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.mid(1, 2), QStringList({"1995,,,,,,,,,", "1996,,,,,,,,,"}));
}

TEST_F(PyModbusViewTest, DisabledPollShowsItAndEnablingStartsPolling) {
    PollDefinition def = definition(3, 0, 4);
    def.bEnable = 0;
    PollWindow w(def);
    ASSERT_NE(w.model().slotIndex, -1);
    const QString line = w.view->StatusLine1();
    EXPECT_EQ(line, QStringLiteral("Tx = 0: Err = 0: ID = 1: F = 03: SR = 50ms  (DISABLED)") +
                        QString(24, QLatin1Char(' ')));
    EXPECT_FALSE(w.doc->IsModified());

    CommandState state;
    ASSERT_TRUE(w.doc->OnUpdateCommand(cmd::EnableReadWrite, state));
    EXPECT_FALSE(state.checked);
    ASSERT_TRUE(w.doc->OnCommand(cmd::EnableReadWrite));
    EXPECT_TRUE(w.doc->IsModified());
    ASSERT_TRUE(w.waitForPolls(2));
    EXPECT_FALSE(w.view->StatusLine1().contains("DISABLED"));
    EXPECT_TRUE(w.view->StatusLine1().endsWith(QStringLiteral("SR = 50ms") + QString(26, QLatin1Char(' '))));
    EXPECT_EQ(w.item(3), cfmt("%6hi", static_cast<short>(zq_peer_holding(3))));
}

TEST_F(PyModbusViewTest, ClosedConnectionReadsNoConnectionAndAChangeClearsTheText) {
    PollWindow w(definition(3, 1995, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.view->StatusText() == "不合法数据地址"; }, kWaitMs));
    w.doc->OnCommand(cmd::EnableReadWrite);  // off, so no new result arrives
    Disconnect();
    // Closing the connection tells the window, which drops the old failure.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.view->StatusText().isEmpty(); }, kWaitMs));
    EXPECT_EQ(w.view->StatusLine2(), "没有连接");
    // Whatever comes in while disconnected, the line says so.
    w.doc->TakePollResult(status::Timeout, w.model().slotIndex);
    EXPECT_EQ(w.view->StatusText(), "超时错误");
    EXPECT_EQ(w.view->StatusLine2(), "没有连接");

    Connect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.view->StatusText().isEmpty(); }, kWaitMs));
    EXPECT_EQ(w.view->StatusLine2(), "");
}

TEST_F(PyModbusViewTest, StatusTextFollowsALanguageSwitchAtOnce) {
    PollWindow w(definition(3, 1995, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.view->StatusText() == "不合法数据地址"; }, kWaitMs));
    // No new result may bring the text: the worker stops, the connection stays.
    ASSERT_EQ(StopPolling(), 1);
    QCoreApplication::sendPostedEvents();
    ASSERT_TRUE(IsConnected());
    const quint32 polls = w.model().txCount;
    const auto chineseAgain = qScopeGuard([] { ApplyLanguage(Language::Chinese); });
    struct Switch {
        Language language;
        const char* line2;
    };
    for (const Switch& s : {Switch{Language::English, "Illegal data address"},
                            Switch{Language::Chinese, "不合法数据地址"}}) {
        ASSERT_TRUE(ApplyLanguage(s.language));
        EXPECT_EQ(w.view->StatusText(), QString::fromUtf8(s.line2));
        EXPECT_EQ(w.view->StatusLine2(), QString::fromUtf8(s.line2));
    }
    EXPECT_EQ(w.model().txCount, polls) << "a poll came in and hid whether the text followed";
}

TEST_F(PyModbusViewTest, TypingOnACoilOfAWritePollChangesItAtOnce) {
    // Coils 301 and 302 start off in the slave and the writer sends zeros,
    // so a 1 can only come from typing.
    PollWindow writer(definition(15, 300, 10));
    PollWindow reader(definition(1, 300, 10));
    ASSERT_TRUE(writer.waitForPolls(1));
    EXPECT_FALSE(writer.doc->IsModified());

    CGridCtrl* grid = writer.doc->Grid();
    const auto focusItem = [&](int i) {
        int row = 0, column = 0;
        ASSERT_TRUE(writer.model().CellOfItem(i, row, column));
        writer.grid().setFocusCell(row, column);
    };
    focusItem(1);
    QTest::keyClick(grid, Qt::Key_Space, Qt::NoModifier);
    EXPECT_EQ(writer.model().values[1], 1);
    EXPECT_EQ(writer.item(1), "1");
    EXPECT_TRUE(writer.doc->IsModified());
    EXPECT_FALSE(grid->isEditing());
    ASSERT_TRUE(reader.waitForItem(1, "1"));

    focusItem(2);
    QTest::keyClicks(grid, "1");
    QTest::keyClick(grid, Qt::Key_F2);  // a double-click or F2 changes nothing
    EXPECT_EQ(writer.model().values[2], 1);
    focusItem(1);
    QTest::keyClicks(grid, "0");
    EXPECT_EQ(writer.model().values[1], 0);
    ASSERT_TRUE(reader.waitForItem(2, "1"));
    ASSERT_TRUE(reader.waitForItem(1, "0"));
}

TEST_F(PyModbusViewTest, ResultsReachAnOpenLogFile) {
    PollWindow w(definition(3, 0, 3));
    QTemporaryDir dir;
    const QString file = dir.filePath("log.txt");
    ASSERT_TRUE(w.waitForPolls(1));
    ASSERT_TRUE(w.doc->Logger().Start(file));
    const quint32 before = w.model().txCount;
    ASSERT_TRUE(w.waitForPolls(before + 3));
    EXPECT_TRUE(w.doc->Logger().active());
    CommandState stop;
    ASSERT_TRUE(w.doc->OnUpdateCommand(cmd::StopLogging, stop));
    EXPECT_TRUE(stop.enabled);
    ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));
    EXPECT_FALSE(w.doc->Logger().active());
    const quint32 logged = w.model().txCount;
    QTest::qWait(200);  // later results write nothing

    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(in.readAll()).split('\n', Qt::SkipEmptyParts);
    EXPECT_GE(lines.size(), 3);
    EXPECT_LE(lines.size(), int(logged - before) + 1);
    for (const QString& line : lines) {
        EXPECT_TRUE(line.contains(" <00000> ")) << line.toStdString();
        EXPECT_TRUE(line.endsWith(cfmt("%6hi %6hi %6hi", zq_peer_holding(0), zq_peer_holding(1),
                                       zq_peer_holding(2))))
            << line.toStdString();
    }
}

// ---- stale values ------------------------------------------------------------------------

// Values the slave no longer confirms look stale: a slave stopped mid-poll
// (over TCP the connection is refused, over RTU nothing answers) turns every
// value cell grey and italic with the time of the last good read in its
// tooltip and in the decode assistant's title, while the cells keep the last
// good values; the first answer after the slave is back makes them live. A
// closed connection makes them stale as well.
TEST(StaleValuesTest, ValuesTurnStaleWhenTheSlaveStopsAndLiveWithItsFirstAnswer) {
    constexpr int kLength = 12;
    for (const TransmissionMode mode : {TCP, RTU}) {
        SCOPED_TRACE(mode == TCP ? "Modbus/TCP" : "RTU over a pty pair");
        InitEngine();
        InstallEnginePoster();
        std::string error;
        auto link = testing::PeerLink::Start(testing::PeerLink::Peer::PyModbus, mode, error);
        ASSERT_TRUE(link) << error;
        PollWindow w(definition(3, 0, kLength));
        const auto staleCells = [&] {
            int stale = 0;
            for (int i = 0; i < kLength; ++i) {
                int row = 0, column = 0;
                w.model().CellOfItem(i, row, column);
                stale += (w.grid().itemState(row, column) & GVIS_STALE) != 0;
            }
            return stale;
        };
        const auto showsTheSlavesValues = [&] {
            for (int i = 0; i < kLength; ++i)
                if (w.item(i) != cfmt("%6hi", static_cast<short>(zq_peer_holding(unsigned(i)))))
                    return false;
            return true;
        };
        int row = 0, column = 0;
        ASSERT_TRUE(w.model().CellOfItem(3, row, column));
        ASSERT_TRUE(QTest::qWaitFor(showsTheSlavesValues, kWaitMs));
        EXPECT_EQ(staleCells(), 0);
        EXPECT_EQ(w.view->CellToolTip(row, column), QString());
        w.grid().setSelectedRange(row, column, row + 1, column);
        DecodeWindow* decode = w.view->OpenDecodeWindow();
        ASSERT_NE(decode, nullptr);
        const QString live = QStringLiteral("%1 的寄存器 3 – 4（2 个起始地址，实时）").arg(w.doc->GetTitle());
        EXPECT_EQ(decode->SourceText(), live);
        const auto titleShown = [&](const QString& title) {
            const QList<QLabel*> labels = decode->findChildren<QLabel*>();
            return std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->text() == title; });
        };

        link->StopPeer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return staleCells() == kLength; }, kWaitMs))
            << staleCells() << " stale cells, last status " << w.model().lastStatus;
        EXPECT_TRUE(showsTheSlavesValues()) << "the last good values stay";
        const QString since =
            LastGoodReadText(w.model().lastGoodRead, QDateTime::currentMSecsSinceEpoch());
        EXPECT_EQ(w.view->CellToolTip(row, column), since);
        EXPECT_EQ(w.view->CellToolTip(row, column - 1), QString()) << "an alias is no value";
        EXPECT_EQ(w.view->CellToolTip(w.grid().rowCount() - 1, column + 2), QString()) << "an empty cell";
        const QString stale =
            QStringLiteral("%1 的寄存器 3 – 4（2 个起始地址，%2）").arg(w.doc->GetTitle(), since);
        EXPECT_EQ(decode->SourceText(), stale);
        EXPECT_TRUE(titleShown(stale));

        ASSERT_TRUE(link->RestartPeer(error)) << error;
        ASSERT_TRUE(QTest::qWaitFor([&] { return staleCells() == 0; }, kWaitMs))
            << staleCells() << " stale cells, last status " << w.model().lastStatus;
        EXPECT_TRUE(showsTheSlavesValues());
        EXPECT_EQ(w.view->CellToolTip(row, column), QString());
        EXPECT_EQ(decode->SourceText(), live);
        EXPECT_TRUE(titleShown(live));

        StopPolling();
        mode == TCP ? CloseTcpConnection() : CloseSerialPort();
        ASSERT_TRUE(QTest::qWaitFor([&] { return staleCells() == kLength; }, kWaitMs));
        EXPECT_TRUE(showsTheSlavesValues());
    }
}

// ---- against a scripted slave ---------------------------------------------------------------

ScriptedTcpSlave::Frame holdingAnswer(std::uint16_t a, std::uint16_t b) {
    return ScriptedTcpSlave::Answer({0x01, 0x03, 0x04, static_cast<std::uint8_t>(a >> 8),
                                     static_cast<std::uint8_t>(a & 0xFF), static_cast<std::uint8_t>(b >> 8),
                                     static_cast<std::uint8_t>(b & 0xFF)});
}

TEST(ScriptedSlaveViewTest, TimeoutShowsInRedLineAndCountsAndTheNextGoodResultClearsIt) {
    ScriptedTcpSlave slave({ScriptedTcpSlave::Reply(holdingAnswer(42, 7)), ScriptedTcpSlave::Silent(),
                            ScriptedTcpSlave::Reply(holdingAnswer(43, 7))});
    ASSERT_TRUE(slave.Listening());
    InitEngine();
    InstallEnginePoster();
    SetPollDelay(1);
    ASSERT_EQ(OpenTcpConnection("127.0.0.1", slave.Port(), 300, 3000), 0);
    ASSERT_EQ(SetTransmissionMode(TCP), 1);
    ASSERT_EQ(StartPolling(), 1);
    {
        PollDefinition def = definition(3, 0, 2, 0, 1000);
        def.bEnable = 0;
        PollWindow w(def);
        CommandState state;
        ASSERT_TRUE(w.doc->OnUpdateCommand(cmd::ReadOnce, state));
        EXPECT_TRUE(state.enabled);

        const auto readOnce = [&](quint32 polls) {
            EXPECT_TRUE(w.doc->OnCommand(cmd::ReadOnce));
            return w.waitForPolls(polls);
        };
        ASSERT_TRUE(readOnce(1));
        EXPECT_TRUE(w.waitForItem(0, "    42"));
        EXPECT_EQ(w.model().lastStatus, 0);
        EXPECT_EQ(w.view->StatusLine2(), "");

        ASSERT_TRUE(readOnce(2));
        EXPECT_EQ(w.model().lastStatus, 1);
        EXPECT_EQ(w.view->StatusLine2(), "超时错误");
        EXPECT_EQ(w.model().errorCounters[0], 1);
        EXPECT_EQ(w.item(0), "    42");  // the last good values stay

        ASSERT_TRUE(readOnce(3));
        EXPECT_EQ(w.model().lastStatus, 0);
        EXPECT_EQ(w.view->StatusLine2(), "");
        // Results that follow each other closely reach the cells together.
        EXPECT_TRUE(w.waitForItem(0, "    43"));
        EXPECT_EQ(w.model().errorCounters[0], 1);
        EXPECT_TRUE(w.view->StatusLine1().startsWith("Tx = 3: Err = 1: ID = 1: F = 03: SR = 1000ms  (DISABLED)"));

        // Each read once was one request: nothing more goes out.
        QTest::qWait(300);
        EXPECT_EQ(slave.Requests().size(), 3u);
        EXPECT_EQ(w.model().txCount, 3u);

        // Clearing the counters keeps the document unmodified.
        w.doc->SetModifiedFlag(false);
        ASSERT_TRUE(w.doc->OnCommand(cmd::ClearCounters));
        EXPECT_EQ(w.model().errorCounters[0], 0);
        EXPECT_TRUE(w.view->StatusLine1().startsWith("Tx = 0: Err = 0:"));
        EXPECT_FALSE(w.doc->IsModified());
    }
    StopPolling();
    CloseTcpConnection();
}

// ---- without a slave --------------------------------------------------------------------------

class OfflineViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngine();
        InstallEnginePoster();
    }

private:
    // The write dialogs that value editing opens are cancelled at once.
    testing::RecordingInteraction m_ui;
};

TEST_F(OfflineViewTest, ValueEditingAsksForTheDialogAtTheValuesFirstAddress) {
    PollDefinition def = definition(3, 12, 5, 1);
    def.OneBased = 1;
    PollWindow w(def);
    std::vector<ValueEditRequest> seen;
    QObject::connect(w.view, &CZentiqView::valueEditRequested,
                     [&](const ValueEditRequest& r) { seen.push_back(r); });
    CGridCtrl* grid = w.doc->Grid();
    int row = 0, column = 0;
    ASSERT_TRUE(w.model().CellOfItem(2, row, column));
    w.grid().setFocusCell(row, column);
    QTest::keyClicks(grid, "7");
    QTest::keyClicks(grid, "a");  // no digit of an unsigned value
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].keyCode, 7);
    EXPECT_EQ(seen[0].shownAddress, 15);
    EXPECT_EQ(seen[0].function, 3);
    EXPECT_FALSE(grid->isEditing());

    ASSERT_TRUE(w.doc->OnCommand(cmd::FormatHex));
    w.grid().setFocusCell(row, column);
    QTest::keyClicks(grid, "a");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].keyCode, 10);

    // Float: the second register of a pair opens at the pair's address; the
    // last register of an odd length belongs to no value.
    ASSERT_TRUE(w.doc->OnCommand(cmd::FormatFloat));
    ASSERT_TRUE(w.model().CellOfItem(3, row, column));
    w.grid().setFocusCell(row, column);
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].keyCode, -1);
    EXPECT_EQ(seen[2].shownAddress, 15);
    EXPECT_EQ(seen[2].item, 2);
    ASSERT_TRUE(w.model().CellOfItem(4, row, column));
    EXPECT_FALSE(w.view->OnValueEdit(row, column, 1));
    // Headers, alias cells and empty cells are no values.
    EXPECT_FALSE(w.view->OnValueEdit(0, 2, '1'));
    EXPECT_FALSE(w.view->OnValueEdit(2, 1, '1'));
    EXPECT_FALSE(w.view->OnValueEdit(2, 2, '1'));  // before the first item (address 12)
    EXPECT_FALSE(w.view->OnValueEdit(8, 2, '1'));  // after the last item
    EXPECT_EQ(seen.size(), 3u);

    // Codes of the other characters.
    const int none = CZentiqView::kNoKeyCode;
    EXPECT_EQ(CZentiqView::TypedKeyCode(3, 3, '2'), none);  // binary takes 0 and 1
    EXPECT_EQ(CZentiqView::TypedKeyCode(16, 4, '-'), -2);
    EXPECT_EQ(CZentiqView::TypedKeyCode(3, 1, '-'), none);
    EXPECT_EQ(CZentiqView::TypedKeyCode(1, 0, ' '), 32);
    EXPECT_EQ(CZentiqView::TypedKeyCode(2, 0, '5'), none);
}

// "Address in each cell": the prefix names the value's own address in the
// style of the poll (the table digit and four or, past 9999, five digits in
// PLC style; the bare protocol address otherwise), and the value is shown
// zero-padded behind it.
TEST_F(OfflineViewTest, AddressInEachCellPrefixesEveryValueWithItsAddress) {
    const std::vector<quint8> words = bytesOf(std::vector<std::uint16_t>{7, 0xFFFE, 0x3F80, 0x0000, 5});
    const std::vector<quint8> bits = {1, 0, 1, 1, 0};
    const std::vector<quint8> oneFloat = bytesOf(std::vector<float>{1.5f});
    struct Case {
        int function, oneBased, address, length, format;
        std::vector<quint8> values;
        int item;
        const char* text;
    };
    const Case cases[] = {
        {3, 1, 5, 5, 0, words, 0, "40006 = 000007"},
        {3, 1, 5, 5, 0, words, 1, "40007 = -00002"},
        {3, 1, 5, 5, 1, words, 1, "40007 = 65534"},
        {3, 1, 5, 5, 2, words, 2, "40008 = 0x3F80"},
        {4, 1, 0, 5, 0, words, 4, "30005 = 000005"},
        {6, 1, 0, 1, 0, words, 0, "40001 = 000007"},
        {1, 1, 99, 5, 0, bits, 2, "00102 = 1"},
        {2, 1, 0, 5, 0, bits, 1, "10002 = 0"},
        {15, 1, 0, 5, 0, bits, 0, "00001 = 1"},
        // Past 9999 every label of the poll takes five digits.
        {3, 1, 9995, 10, 0, words, 0, "409996 = 000007"},
        {3, 1, 9995, 10, 0, words, 4, "410000 = 000005"},
        {1, 1, 9998, 4, 0, bits, 3, "010002 = 1"},
        {4, 1, 65530, 5, 0, words, 4, "365535 = 000005"},
        // Protocol addresses: the number alone.
        {3, 0, 5, 5, 0, words, 1, "6 = -00002"},
        {1, 0, 0, 5, 0, bits, 0, "0 = 1"},
        {3, 0, 9995, 10, 1, words, 4, "9999 = 00005"},
        // A wide value is labelled with its first register.
        {3, 1, 20, 2, 4, oneFloat, 0, "40021 = 00000001.500000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "F" << c.function << " base " << c.oneBased << " at "
                                          << c.address << " format " << c.format << " item " << c.item);
        PollDefinition def = definition(c.function, c.address, c.length, c.format);
        def.OneBased = c.oneBased;
        def.DisplayAddr = 1;
        PollWindow w(def, c.values);
        EXPECT_EQ(w.item(c.item).toStdString(), c.text);
    }
}

TEST_F(OfflineViewTest, AliasColumnsHideAndComeBackAtTheirContentWidth) {
    PollDefinition def = definition(3, 0, 30);
    def.HideAlias = 1;
    PollWindow w(def);
    for (int c = 1; c < w.grid().columnCount(); c += 2)
        EXPECT_EQ(w.grid().columnWidth(c), 0) << c;
    EXPECT_GT(w.grid().columnWidth(2), 0);
    EXPECT_FALSE(w.grid().isModified());

    DefinitionDialogValues v;
    v.functionIndex = 2;
    v.length = 30;
    v.scanRate = 50;
    v.slaveId = 1;
    v.enable = 1;
    v.hideAlias = 0;
    w.doc->ApplyDefinition(v);
    EXPECT_FALSE(w.model().restoreAliasColumns);
    for (int c = 1; c < w.grid().columnCount(); c += 2)
        EXPECT_GT(w.grid().columnWidth(c), 1) << c;
}

// No text is cut: a column widens to the longest value or alias it shows
// (Binary, exponents), a typed alias included; a hidden alias column stays
// hidden, and fitting does not count as a change of the document.
TEST_F(OfflineViewTest, ColumnsWidenToTheirLongestTextAndHiddenOnesStayHidden) {
    struct Case {
        const char* what;
        int format;
        std::vector<quint8> values;
    };
    const Case cases[] = {
        {"binary", 3, bytesOf(std::vector<std::uint16_t>{0xFFFF, 0x8001})},
        {"float exponent", 4, bytesOf(std::vector<float>{-2.3021767e+23f, 1.0f})},
        {"double exponent", 6, bytesOf(std::vector<double>{-1.7976931348623157e+308})},
        {"signed", 0, bytesOf(std::vector<std::uint16_t>{0x8000, 1})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PollWindow w(definition(3, 0, 4, c.format), c.values);
        CGridModel& g = w.grid();
        for (int r = 1; r < g.rowCount(); ++r) {
            const int needed = QFontMetrics(g.itemFont(r, 2)).horizontalAdvance(g.itemText(r, 2));
            EXPECT_GE(g.columnWidth(2), needed) << g.itemText(r, 2).toStdString();
        }
        EXPECT_FALSE(g.isModified());
        const QString alias = QStringLiteral("Pump 3 discharge pressure setpoint");
        const int before = g.columnWidth(1);
        ASSERT_EQ(g.endEdit(1, 1, alias), CGridModel::EditResult::Changed);
        EXPECT_GT(g.columnWidth(1), before);
        EXPECT_GE(g.columnWidth(1), QFontMetrics(g.itemFont(1, 1)).horizontalAdvance(alias));
    }
    PollDefinition hidden = definition(3, 0, 4, 0);
    hidden.HideAlias = 1;
    PollWindow w(hidden);
    w.grid().endEdit(1, 1, QStringLiteral("a long alias that stays out of sight"));
    EXPECT_EQ(w.grid().columnWidth(1), 0);
}

TEST_F(OfflineViewTest, ContextMenuOffersCopyAndRoutesThroughTheGridFirst) {
    PollWindow w(definition(3, 0, 10));
    const std::unique_ptr<QMenu> menu = w.view->CreateContextMenu();
    QStringList texts;
    QList<int> ids;
    for (QAction* a : menu->actions()) {
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        ids << (a->isSeparator() ? 0 : a->data().toInt());
    }
    EXPECT_EQ(texts, QStringList({"读写定义\tF8", "-", "剪切\tCtrl+X", "复制\tCtrl+C", "粘贴\tCtrl+V",
                                  "全选\tCtrl+A", "-", "前景色\tCtrl+F", "背景色\tCtrl+B", "字体", "-",
                                  "数据类型", "解码助手", "趋势图"}));
    EXPECT_EQ(ids, QList<int>({32771, 0, 57635, 57634, 57637, 57642, 0, 32873, 32874, 32876, 0, 32924,
                               32893, 32890}));

    // Select all is the grid's: every non-header cell ends up selected.
    menu->actions()[5]->trigger();
    EXPECT_EQ(w.grid().selectedCount(), (w.grid().rowCount() - 1) * (w.grid().columnCount() - 1));
    CommandState copy;
    ASSERT_TRUE(w.view->OnUpdateCommand(57634, copy));
    EXPECT_TRUE(copy.enabled);

    // The menu opens at the focus cell's bottom-right corner.
    const std::optional<QRect> focus = w.doc->Grid()->cellRect(1, 2);
    ASSERT_TRUE(focus.has_value());
    EXPECT_EQ(w.view->ContextMenuPosition(), w.doc->Grid()->viewport()->mapToGlobal(focus->bottomRight()));
}

TEST_F(OfflineViewTest, ResultsOfAnotherSlotAndOutOfRangeMessagesChangeNothing) {
    PollWindow w(definition(3, 0, 10));
    const int slot = w.model().slotIndex;
    ASSERT_NE(slot, -1);
    const int other = slot == kLastSlot ? kFirstPollSlot : slot + 1;
    w.doc->TakePollResult(status::Timeout, other);
    // Posted where the engine posts the document's results.
    QObject* results = w.doc->findChild<SlotResults*>();
    ASSERT_NE(results, nullptr);
    QCoreApplication::postEvent(results, new EngineMessageEvent(WM_POLL_RESULT, status::Timeout, 999));
    QCoreApplication::postEvent(results, new EngineMessageEvent(WM_POLL_RESULT, status::Timeout, -5));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.model().errorCounters[0], 0);
    EXPECT_EQ(w.model().lastStatus, 10);
    EXPECT_EQ(w.view->StatusText(), "");

    // Its own slot counts (the engine has made no transaction: counters 0).
    QCoreApplication::postEvent(results, new EngineMessageEvent(WM_POLL_RESULT, 128 + 11, slot));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.model().lastStatus, 139);
    EXPECT_EQ(w.view->StatusText(), "网关设备不可用");
    EXPECT_EQ(w.model().errorCounters[28], 1);
}

TEST_F(OfflineViewTest, SlotGoesBackWithTheViewAndTheGridStaysWithTheDocument) {
    auto w = std::make_unique<PollWindow>(definition(3, 0, 10));
    const int slot = w->model().slotIndex;
    ASSERT_NE(slot, -1);
    CGridCtrl* grid = w->doc->Grid();
    delete w->view.data();
    EXPECT_EQ(w->model().slotIndex, -1);
    ASSERT_EQ(w->doc->Grid(), grid);  // still alive
    EXPECT_EQ(grid->parent(), nullptr);
    // All 32 slots are free again.
    std::vector<int> taken;
    for (int i = 0; i < 32; ++i)
        taken.push_back(RegisterPollSlot(1, WM_POLL_RESULT, 100, 1, 3, 0, 1, 0, 0));
    EXPECT_EQ(std::count(taken.begin(), taken.end(), -1), 0);
    for (int s : taken)
        ReleasePollSlot(s);

    // A document that goes before its view leaves the view harmless.
    auto doc = std::make_unique<CZentiqDoc>();
    QPointer<CZentiqView> view = new CZentiqView(doc.get(), nullptr);
    view->show();
    const int held = doc->Model().slotIndex;
    ASSERT_NE(held, -1);
    doc.reset();
    ASSERT_FALSE(view.isNull());
    EXPECT_EQ(view->Grid(), nullptr);
    QCoreApplication::postEvent(view, new EngineMessageEvent(WM_POLL_RESULT, 0, held));
    QCoreApplication::processEvents();
    view->OnUpdate();
    EXPECT_EQ(view->StatusLine1(), "");
    delete view.data();
    EXPECT_NE(RegisterPollSlot(1, WM_POLL_RESULT, 100, 1, 3, 0, 1, 0, 0), -1);
}

TEST_F(OfflineViewTest, PrintsTheGridIntoAPdf) {
    PollWindow w(definition(3, 0, 125));
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("grid.pdf"));
    EXPECT_GE(w.view->PrintTo(printer), 1);
    EXPECT_GT(QFileInfo(dir.filePath("grid.pdf")).size(), 0);
}

}  // namespace
}  // namespace zentiq
