// The single-value write dialogs against real slaves: pymodbus and the
// libmodbus slave over TCP (through a relay that notes every request on the
// wire) and the libmodbus slave over an RTU pty pair. What a dialog sends is
// read back from the slave afterwards.
#include <QCheckBox>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "values/status_texts.h"
#include "engine/engine.h"
#include "framework/one_shot_request.h"
#include "framework/window_registry.h"
#include "support/peer_data.h"
#include "support/peer_process.h"
#include "support/socat_pty_pair.h"
#include "writes/single_write_test_support.h"
#include "writes/tcp_tap.h"

namespace zentiq {
namespace {

using namespace zentiq::testing;
using test::PeerProcess;
using test::SocatPtyPair;
using test::TcpTap;

constexpr int kWaitMs = 10000;

enum class Link { PyModbusTcp, LibModbusTcp, LibModbusRtu };

std::string LinkName(const ::testing::TestParamInfo<Link>& info) {
    constexpr const char* names[] = {"PyModbusTcp", "LibModbusTcp", "LibModbusRtu"};
    return names[static_cast<int>(info.param)];
}

// One slave per link for the whole process; its tables carry over between
// tests, so every test writes its own addresses.
struct Slave {
    std::unique_ptr<SocatPtyPair> line;
    std::unique_ptr<PeerProcess> peer;
    std::unique_ptr<TcpTap> tap;
    std::string error;

    static Slave& For(Link link) {
        static std::map<Link, Slave> slaves;
        Slave& s = slaves[link];
        if (s.peer || !s.error.empty())
            return s;
        if (link == Link::LibModbusRtu) {
            s.line = SocatPtyPair::Create(s.error);
            if (!s.line)
                return s;
            s.peer = PeerProcess::LibModbus(PeerProcess::Mode::Rtu, s.line->PathB(), s.error);
            return s;
        }
        s.peer = link == Link::PyModbusTcp
                     ? PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", s.error)
                     : PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", s.error);
        if (s.peer)
            s.tap = TcpTap::Start(s.peer->Port(), s.error);
        return s;
    }
};

// Reads the slave's table through slot 0 (functions 1 and 3).
std::vector<std::uint16_t> ReadBack(std::uint16_t function, std::uint16_t address,
                                    std::uint16_t count) {
    OneShotRequest request;
    int status = -1;
    QObject::connect(&request, &OneShotRequest::Finished, [&](int s) { status = s; });
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return request.Submit(DefaultLine(), {1, function, address, count, 0, 0}, {});
        },
        kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return status >= 0; }, kWaitMs));
    EXPECT_EQ(status, 0) << "read back " << function << " at " << address;
    std::vector<std::uint16_t> out(count);
    if (function == 3) {
        ReadRegisters(0, out.data());
    } else {
        std::vector<std::uint8_t> bits(count);
        ReadBytes(0, bits.data());
        std::copy(bits.begin(), bits.end(), out.begin());
    }
    return out;
}

// The PDU of the last request through slot 0 (no MBAP header, slave ID or CRC).
std::vector<std::uint8_t> LastRequestPdu() {
    std::uint8_t capture[kRequestCaptureSize] = {};
    const int n = GetRequestCapture(0, capture);
    const bool tcp = GetTransmissionMode() == TCP;
    const int begin = tcp ? 7 : 1, end = tcp ? n : n - 2;
    return n > begin ? std::vector<std::uint8_t>(capture + begin, capture + end)
                     : std::vector<std::uint8_t>{};
}

class WriteIntegrationTest : public ::testing::TestWithParam<Link> {
protected:
    void SetUp() override {
        Slave& s = Slave::For(GetParam());
        ASSERT_TRUE(s.peer) << s.error;
        InitEngine();
        InstallEnginePoster();
        SetPollDelay(1);
        if (GetParam() == Link::LibModbusRtu) {
            ASSERT_EQ(SetSerialDevice(1, s.line->PathA().c_str()), 1);
            ASSERT_EQ(OpenSerialPort(1, 19200, 8, 0, 0), 0) << "errno " << LastSerialOpenErrno();
            ASSERT_EQ(SetSerialTimeouts(32, 1, 1000, 1, 200), 1);
            SetTransmissionMode(RTU);
        } else {
            ASSERT_EQ(OpenTcpConnection("127.0.0.1", s.tap->Port(), 1000, 3000), 0);
            SetTransmissionMode(TCP);
        }
        ASSERT_EQ(StartPolling(), 1);
    }
    void TearDown() override {
        StopPolling();
        CloseSerialPort();
        CloseTcpConnection();
    }
    TcpTap* tap() { return Slave::For(GetParam()).tap.get(); }
};

const QString kOk = QString::fromUtf8("应答正确");

struct SendCase {
    Kind kind;
    int format;
    int multiple;  // the 15/16 radio
    std::vector<std::pair<const char*, const char*>> fields;
    std::vector<int> checkedBits;     // bitwise dialog
    int address;                      // protocol address
    std::uint8_t function;            // on the wire
    std::vector<std::uint16_t> held;  // afterwards, from the address on
};

std::unique_ptr<SingleWriteDialog> Prepared(const SendCase& c, int base) {
    auto d = MakeDialog(c.kind);
    d->addressBase = base;
    d->address = c.address + base;
    if (auto* r = dynamic_cast<CMBWriteRegister*>(d.get()))
        r->displayFormat = c.format;
    if (auto* l = dynamic_cast<CMBWriteRegisterInt*>(d.get()))
        l->displayFormat = c.format;
    if (auto* f = dynamic_cast<CMBWriteFloat*>(d.get()))
        f->displayFormat = c.format;
    d->show();
    for (const auto& [name, value] : c.fields)
        SetField(d.get(), name, QString::fromUtf8(value));
    if (auto* b = dynamic_cast<CMBWriteRegisterBin*>(d.get()))
        for (int bit : c.checkedBits)
            b->BitBox(bit)->setChecked(true);
    if (c.kind == Kind::Coil && !c.held.empty())
        child<QRadioButton>(d.get(), c.held[0] ? "coilOnRadio" : "coilOffRadio")->setChecked(true);
    if (auto* radio = d->findChild<QRadioButton*>(c.multiple ? "multipleFunctionRadio"
                                                             : "singleFunctionRadio"))
        radio->setChecked(true);
    return d;
}

TEST_P(WriteIntegrationTest, EveryDialogAndFormatReachesTheSlave) {
    const SendCase cases[] = {
        {Kind::Coil, 0, 0, {}, {}, 301, 5, {1}},  // ON; coil 301 starts OFF
        {Kind::Coil, 0, 0, {}, {}, 303, 5, {0}},  // OFF; starts ON
        {Kind::Coil, 0, 1, {}, {}, 304, 15, {1}},
        {Kind::Coil, 0, 1, {}, {}, 306, 15, {0}},
        {Kind::Register, 0, 0, {{"signedEdit", "-2"}}, {}, 310, 6, {0xFFFE}},
        {Kind::Register, 1, 1, {{"unsignedEdit", "40000"}}, {}, 311, 16, {40000}},
        {Kind::Register, 2, 0, {{"hexEdit", "ffff"}}, {}, 312, 6, {0xFFFF}},
        {Kind::Register, 2, 1, {{"hexEdit", "1a"}}, {}, 313, 16, {0x001A}},
        {Kind::Bin, 0, 0, {}, {15, 0}, 314, 6, {0x8001}},
        {Kind::Bin, 0, 1, {}, {3}, 315, 16, {0x0008}},
        {Kind::Long, 8, 0, {{"longEdit", "1"}}, {}, 320, 16, {0x0001, 0x0000}},
        {Kind::Long, 9, 0, {{"longEdit", "1"}}, {}, 322, 16, {0x0000, 0x0001}},
        {Kind::Long, 8, 0, {{"longEdit", "-2147483646"}}, {}, 324, 16, {0x0002, 0x8000}},
        {Kind::Float, 4, 0, {{"floatEdit", "1"}}, {}, 330, 16, {0x0000, 0x3F80}},
        {Kind::Float, 5, 0, {{"floatEdit", "1.0"}}, {}, 332, 16, {0x3F80, 0x0000}},
        {Kind::Float, 6, 0, {{"doubleEdit", "1"}}, {}, 334, 16, {0, 0, 0, 0x3FF0}},
        {Kind::Float, 7, 0, {{"doubleEdit", "1"}}, {}, 338, 16, {0x3FF0, 0, 0, 0}},
    };
    int n = 0;
    for (const SendCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << KindName(c.kind) << " format " << c.format << " at " << c.address);
        const std::uint16_t readFunction = c.kind == Kind::Coil ? 1 : 3;
        const auto count = static_cast<std::uint16_t>(c.held.size());
        const auto address = static_cast<std::uint16_t>(c.address);
        ASSERT_NE(ReadBack(readFunction, address, count), c.held) << "the slave holds it already";
        auto d = Prepared(c, n++ % 2);  // both address bases
        ASSERT_TRUE(SendAndWait(*d));
        EXPECT_EQ(d->ResultText(), kOk);
        const std::vector<std::uint8_t> pdu = LastRequestPdu();
        ASSERT_FALSE(pdu.empty());
        EXPECT_EQ(pdu[0], c.function);
        EXPECT_EQ((pdu[1] << 8) | pdu[2], c.address);
        if (c.kind == Kind::Coil && c.function == 15) {
            // Quantity 1, one data byte whose bit 0 is the coil.
            EXPECT_EQ(pdu, (std::vector<std::uint8_t>{15, pdu[1], pdu[2], 0, 1, 1,
                                                      std::uint8_t(c.held[0])}));
        } else if (c.kind == Kind::Coil) {
            EXPECT_EQ(pdu, (std::vector<std::uint8_t>{5, pdu[1], pdu[2],
                                                      std::uint8_t(c.held[0] ? 0xFF : 0), 0}));
        }
        EXPECT_EQ(ReadBack(readFunction, address, count), c.held);
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(SendButton(d.get())->isEnabled());
    }
}

TEST_P(WriteIntegrationTest, ResultTextsAndCloseOnSuccessAsReadAtSend) {
    // Past the end of the slave's table: exception 2.
    const SendCase beyond{Kind::Register, 1, 0, {{"unsignedEdit", "5"}}, {}, 2500, 6, {}};
    auto d = Prepared(beyond, 0);
    child<QCheckBox>(d.get(), "closeOnSuccessCheck")->setChecked(true);
    ASSERT_TRUE(SendAndWait(*d));
    EXPECT_EQ(d->ResultText(), QString::fromUtf8("不合法数据地址"));
    EXPECT_TRUE(d->isVisible());  // only success closes

    // Checked while the request waits: that request's success leaves the
    // dialog open; the next Send reads the box and closes on success.
    const SendCase good{Kind::Register, 1, 0, {{"unsignedEdit", "77"}}, {}, 340, 6, {77}};
    d = Prepared(good, 1);
    QTest::mouseClick(SendButton(d.get()), Qt::LeftButton);
    EXPECT_TRUE(d->IsPending());
    EXPECT_FALSE(SendButton(d.get())->isEnabled());
    child<QCheckBox>(d.get(), "closeOnSuccessCheck")->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d->IsPending(); }, kWaitMs));
    EXPECT_EQ(d->ResultText(), kOk);
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(SendButton(d.get())->isEnabled());
    d->setResult(-1);
    ASSERT_TRUE(SendAndWait(*d));
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), 0);
    EXPECT_EQ(d->closeOnSuccess, 1);
}

TEST_P(WriteIntegrationTest, HexFieldMustHoldAHexNumber) {
    RecordingInteraction warnings;
    for (const char* text : {"12G", "", " 1"}) {
        SCOPED_TRACE(text);
        const SendCase c{Kind::Register, 2, 0, {{"hexEdit", text}}, {}, 341, 6, {}};
        auto d = Prepared(c, 0);
        const std::uint32_t before = tap() ? tap()->RequestCount() : 0;
        warnings.messages.clear();
        QTest::mouseClick(SendButton(d.get()), Qt::LeftButton);
        EXPECT_EQ(warnings.texts(), QStringList{"Please enter a hex number"});
        auto* hex = child<QLineEdit>(d.get(), "hexEdit");
        EXPECT_EQ(d->focusWidget(), hex);
        EXPECT_EQ(hex->selectedText(), hex->text());
        EXPECT_FALSE(d->IsPending());
        EXPECT_EQ(d->ResultText(), "尚未发送");
        QTest::qWait(50);
        if (tap()) {
            EXPECT_EQ(tap()->RequestCount(), before);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Slaves, WriteIntegrationTest,
                         ::testing::Values(Link::PyModbusTcp, Link::LibModbusTcp,
                                           Link::LibModbusRtu),
                         LinkName);

// ---- slot 0 under pressure, counted on the wire ---------------------------------

class SlotZeroTest : public WriteIntegrationTest {};

std::vector<std::uint16_t> WritesSeen(const TcpTap& tap, std::uint16_t address) {
    std::vector<std::uint16_t> values;
    for (const TcpTap::Request& r : tap.Requests()) {
        if (r.pdu.size() == 5 && r.pdu[0] == 6 && ((r.pdu[1] << 8) | r.pdu[2]) == address)
            values.push_back(static_cast<std::uint16_t>((r.pdu[3] << 8) | r.pdu[4]));
    }
    return values;
}

TEST_P(SlotZeroTest, ARefusedSendLoadsNothingAndGivesSendBack) {
    // The worker stands still, so an earlier request keeps slot 0.
    StopPolling();
    OneShotRequest earlier;
    int earlierStatus = -1;
    QObject::connect(&earlier, &OneShotRequest::Finished, [&](int s) { earlierStatus = s; });
    const std::uint16_t first = 0x1111;
    ASSERT_TRUE(earlier.Submit(DefaultLine(), {1, 6, 0, 0, 400, 1}, [&](ModbusLine& line) {
        return line.SetWriteRegisters(0, 1, &first);
    }));

    const SendCase c{Kind::Register, 1, 0, {{"unsignedEdit", "8738"}}, {}, 401, 6, {}};
    auto d = Prepared(c, 0);
    QTest::mouseClick(SendButton(d.get()), Qt::LeftButton);
    EXPECT_EQ(d->ResultText(), OneShotRequest::RefusedText());
    EXPECT_TRUE(SendButton(d.get())->isEnabled());
    EXPECT_FALSE(d->IsPending());

    tap()->Clear();
    ASSERT_EQ(StartPolling(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return earlierStatus >= 0; }, kWaitMs));
    EXPECT_EQ(earlierStatus, 0);
    EXPECT_EQ(ReadBack(3, 400, 2), (std::vector<std::uint16_t>{first, zq_peer_holding(401)}));
    EXPECT_EQ(WritesSeen(*tap(), 400), std::vector<std::uint16_t>{first});
    EXPECT_TRUE(WritesSeen(*tap(), 401).empty());
    // Now it goes.
    ASSERT_TRUE(SendAndWait(*d));
    EXPECT_EQ(d->ResultText(), kOk);
    EXPECT_EQ(WritesSeen(*tap(), 401), std::vector<std::uint16_t>{8738});
}

TEST_P(SlotZeroTest, ADialogClosedWhilePendingStillWritesAndItsResultGoesNowhere) {
    const SendCase c{Kind::Long, 9, 0, {{"longEdit", "305419896"}}, {}, 420, 16, {}};
    auto d = Prepared(c, 0);
    QTest::mouseClick(SendButton(d.get()), Qt::LeftButton);
    ASSERT_TRUE(d->IsPending());
    d.reset();
    // The read waits until slot 0 is free again; the late result meets no dialog.
    EXPECT_EQ(ReadBack(3, 420, 2), (std::vector<std::uint16_t>{0x1234, 0x5678}));
}

TEST_P(SlotZeroTest, BurstOfRequestsEachAcceptedOneOnTheWireOnce) {
    constexpr int kBurst = 200;
    constexpr std::uint16_t kAddress = 450;
    tap()->Clear();
    std::vector<std::unique_ptr<OneShotRequest>> requests;
    std::vector<std::uint16_t> accepted;
    int results = 0, wrongResults = 0;
    for (int k = 0; k < kBurst; ++k) {
        auto r = std::make_unique<OneShotRequest>();
        QObject::connect(r.get(), &OneShotRequest::Finished, [&](int s) {
            ++results;
            wrongResults += s != 0;
        });
        const auto value = static_cast<std::uint16_t>(k + 1);
        if (r->Submit(DefaultLine(), {1, 6, 0, 0, kAddress, 1},
                      [value](ModbusLine& line) { return line.SetWriteRegisters(0, 1, &value); }))
            accepted.push_back(value);
        // Now and then let the pending one finish, so that later ones get in.
        if (k % 5 == 4) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return results == int(accepted.size()); }, kWaitMs));
        }
        requests.push_back(std::move(r));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return results == int(accepted.size()); }, kWaitMs));
    QTest::qWait(100);  // a duplicate would show up by now
    EXPECT_GE(accepted.size(), std::size_t(kBurst / 5));
    EXPECT_LT(accepted.size(), std::size_t(kBurst));
    EXPECT_EQ(results, int(accepted.size()));
    EXPECT_EQ(wrongResults, 0);
    EXPECT_EQ(WritesSeen(*tap(), kAddress), accepted);
    EXPECT_EQ(ReadBack(3, kAddress, 1), std::vector<std::uint16_t>{accepted.back()});
}

INSTANTIATE_TEST_SUITE_P(Slaves, SlotZeroTest,
                         ::testing::Values(Link::LibModbusTcp, Link::PyModbusTcp), LinkName);

}  // namespace
}  // namespace zentiq
