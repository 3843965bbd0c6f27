// The multiple-write, mask-write and read/write dialogs, the document's
// write commands and the editing of register write polls against real
// slaves: pymodbus and the libmodbus slave on 127.0.0.1 TCP, and the
// libmodbus slave in RTU over a socat pty pair. What a dialog sent is read
// back from the slave.
#include <QCheckBox>
#include <QListWidget>
#include <QTreeWidget>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "framework/dialog_data_exchange.h"
#include "framework/one_shot_request.h"
#include "framework/window_registry.h"
#include "support/peer_data.h"
#include "support/one_shot_overtake.h"
#include "support/peer_process.h"
#include "support/socat_pty_pair.h"
#include "writes/mb_force_multible_coils.h"
#include "writes/mb_mask_write.h"
#include "writes/mb_preset_multible_register.h"
#include "writes/mb_read_write_register.h"
#include "writes/register_list_lines.h"
#include "writes/write_test_support.h"

namespace zentiq {
namespace {

using test::PeerProcess;
using test::SocatPtyPair;
using testing::child;
using testing::kWaitMs;
using testing::lines;
using testing::RecordingInteraction;
using testing::sendAndWait;
using testing::setField;
using Words = std::vector<std::uint16_t>;

enum class Peer { PyModbusTcp, LibModbusTcp, LibModbusRtu };

struct PeerCase {
    const char* name;
    Peer peer;
};

void PrintTo(const PeerCase& c, std::ostream* os) { *os << c.name; }

// One slave per kind for the whole program; tests use addresses of their own.
struct Link {
    std::unique_ptr<SocatPtyPair> line;
    std::unique_ptr<PeerProcess> peer;
    std::string error;
};

std::map<Peer, Link>& links() {
    static std::map<Peer, Link> all;
    return all;
}

Link& linkFor(Peer kind) {
    Link& link = links()[kind];
    if (link.peer || !link.error.empty())
        return link;
    switch (kind) {
    case Peer::PyModbusTcp:
        link.peer = PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", link.error);
        break;
    case Peer::LibModbusTcp:
        link.peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", link.error);
        break;
    case Peer::LibModbusRtu:
        link.line = SocatPtyPair::Create(link.error);
        if (link.line)
            link.peer =
                PeerProcess::LibModbus(PeerProcess::Mode::Rtu, link.line->PathB(), link.error);
        break;
    }
    return link;
}

class PeerEnvironment : public ::testing::Environment {
public:
    void TearDown() override { links().clear(); }
};

[[maybe_unused]] ::testing::Environment* const kPeers =
    ::testing::AddGlobalTestEnvironment(new PeerEnvironment);

QByteArray wordsOf(const void* data, std::size_t bytes) {
    return QByteArray(static_cast<const char*>(data), static_cast<qsizetype>(bytes));
}

class MultiWritePeerTest : public ::testing::TestWithParam<PeerCase> {
protected:
    void SetUp() override {
        Link& link = linkFor(GetParam().peer);
        ASSERT_TRUE(link.peer) << link.error;
        InitEngine();
        InstallEnginePoster();
        SetPollDelay(1);
        if (GetParam().peer == Peer::LibModbusRtu) {
            ASSERT_EQ(SetSerialDevice(1, link.line->PathA().c_str()), 1);
            ASSERT_EQ(OpenSerialPort(1, 19200, 8, 0, 0), 0) << "errno " << LastSerialOpenErrno();
            ASSERT_EQ(SetSerialTimeouts(32, 1, 1000, 1, 200), 1);
            ASSERT_EQ(SetTransmissionMode(RTU), 1);
        } else {
            ASSERT_EQ(OpenTcpConnection("127.0.0.1", link.peer->Port(), 1000, 3000), 0)
                << "socket error " << LastSocketError();
            ASSERT_EQ(SetTransmissionMode(TCP), 1);
        }
        ASSERT_EQ(StartPolling(), 1);
    }
    void TearDown() override {
        StopPolling();
        CloseTcpConnection();
        CloseSerialPort();
    }

    // A one-shot read through slot 0, retried (bounded) while the slot is busy.
    EngineStatus read(std::uint16_t function, int address, int count) {
        OneShotRequest request;
        int status = -1;
        QObject::connect(&request, &OneShotRequest::Finished, [&](int s) { status = s; });
        const OneShotArgs args{
            1, function, static_cast<std::uint16_t>(address), static_cast<std::uint16_t>(count),
            0, 0};
        const bool submitted =
            QTest::qWaitFor([&] { return request.Submit(DefaultLine(), args, nullptr); }, kWaitMs);
        EXPECT_TRUE(submitted) << "slot 0 stayed busy";
        EXPECT_TRUE(submitted && QTest::qWaitFor([&] { return status >= 0; }, kWaitMs));
        return static_cast<EngineStatus>(status);
    }
    Words holding(int address, int count) {
        Words words(static_cast<std::size_t>(count));
        EXPECT_EQ(read(3, address, count), 0);
        ReadRegisters(0, words.data());
        return words;
    }
    std::vector<std::uint8_t> coils(int address, int count) {
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(count));
        EXPECT_EQ(read(1, address, count), 0);
        ReadBytes(0, bits.data());
        return bits;
    }
    static Words pattern(int address, int count) {
        Words words;
        for (int i = 0; i < count; ++i)
            words.push_back(zq_peer_holding(static_cast<unsigned>(address + i)));
        return words;
    }
};

TEST_P(MultiWritePeerTest, CoilsCheckedInTheListAreWritten) {
    CMBForceMultibleCoils d(WriteBlock{1, 101, 10, 1});
    d.show();
    auto* list = child<QTreeWidget>(&d, "coilList");
    for (int line : {0, 2, 3, 9})
        list->topLevelItem(line)->setCheckState(0, Qt::Checked);
    RecordingInteraction boxes;
    ASSERT_TRUE(sendAndWait(d));
    EXPECT_EQ(boxes.texts(), QStringList{"应答正确"});
    // Address 101 as the user sees it is protocol address 100 with base 1.
    EXPECT_EQ(coils(100, 11),
              (std::vector<std::uint8_t>{1, 0, 1, 1, 0, 0, 0, 0, 0, 1, zq_peer_coil(110)}));
}

TEST_P(MultiWritePeerTest, RegisterFormatsSendTheirWords) {
    struct Case {
        const char* name;
        int format;
        int quantity;
        QByteArray buffer;  // the list's values as they lie
        Words sent;         // what the slave holds afterwards from the address on
    };
    const float floats[2] = {1.0f, -2.0f};
    const double one = 1.0;
    const std::int32_t longs[2] = {1, -2};
    const std::uint16_t tail = 0x1234;
    const QByteArray floatBuffer = wordsOf(floats, 8) + wordsOf(&tail, 2);
    const std::vector<Case> cases = {
        // The fifth register goes as it lies in "Float"; "Float inverse" sends whole values only.
        {"float", 4, 5, floatBuffer, {0x0000, 0x3F80, 0x0000, 0xC000, 0x1234}},
        {"float inverse", 5, 5, floatBuffer, {0x3F80, 0x0000, 0xC000, 0x0000}},
        {"double inverse", 7, 4, wordsOf(&one, 8), {0x3FF0, 0x0000, 0x0000, 0x0000}},
        {"long", 8, 4, wordsOf(longs, 8), {0x0001, 0x0000, 0xFFFE, 0xFFFF}},
        {"long inverse", 9, 3, wordsOf(longs, 8), {0x0000, 0x0001}},
        {"hex", 2, 2, wordsOf(&tail, 2) + wordsOf(&tail, 2), {0x1234, 0x1234}},
    };
    int address = 600;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        address += 10;
        CMBPresetMultibleRegister d(WriteBlock{1, address, c.quantity, 0}, c.format);
        std::memcpy(d.values().data(), c.buffer.constData(),
                    static_cast<std::size_t>(c.buffer.size()));
        d.show();
        RecordingInteraction boxes;
        ASSERT_TRUE(sendAndWait(d));
        EXPECT_EQ(boxes.texts(), QStringList{"应答正确"});
        // One register beyond what was sent keeps the slave's own value.
        Words expected = c.sent;
        const int after = address + static_cast<int>(c.sent.size());
        expected.push_back(zq_peer_holding(static_cast<unsigned>(after)));
        EXPECT_EQ(holding(address, static_cast<int>(expected.size())), expected);
    }
}

TEST_P(MultiWritePeerTest, MaskWriteChangesOnlyTheChosenBits) {
    // Protocol address 201 holds an even value; the dialog shows it as 202 with base 1.
    const std::uint16_t before = zq_peer_holding(201);
    ASSERT_EQ(before & 1, 0);
    CMBMaskWrite d(1, 202, 1);
    d.show();
    RecordingInteraction boxes;
    ASSERT_TRUE(sendAndWait(d));
    EXPECT_EQ(holding(201, 1), Words{before});
    d.andBoxes().Box(0)->click();
    d.orBoxes().Box(0)->click();
    ASSERT_TRUE(sendAndWait(d));
    EXPECT_EQ(holding(201, 1), Words{static_cast<std::uint16_t>(before | 1)});
    EXPECT_EQ(boxes.texts(), (QStringList{"应答正确", "应答正确"}));
}

TEST_P(MultiWritePeerTest, ReadWriteWritesAndReadsInOneRequest) {
    struct Case {
        const char* name;
        int format;
        ReadWriteBlock block;
        QByteArray values;
        QStringList readLines;
        QString box;
    };
    const std::uint16_t words[3] = {0x1111, 0x2222, 0xF333};
    const float half = 1.5f;
    const auto signedLine = [](int address, std::uint16_t w) {
        return QStringLiteral("%1 = %2")
            .arg(address, 3, 10, QLatin1Char('0'))
            .arg(static_cast<std::int16_t>(w));
    };
    const std::vector<Case> cases = {
        // Base 1: write 701..703 (protocol 700..702), read 700..704 (protocol 699..703).
        {"signed, base 1",
         0,
         ReadWriteBlock{1, 701, 3, 700, 5, 1},
         wordsOf(words, 6),
         {signedLine(700, zq_peer_holding(699)), "701 = 4369", "702 = 8738", "703 = -3277",
          signedLine(704, zq_peer_holding(703))},
         "应答正确"},
        // Three registers read as floats make one line.
        {"float",
         4,
         ReadWriteBlock{1, 720, 2, 720, 3, 0},
         wordsOf(&half, 4),
         {"720 = 1.5000"},
         "应答正确"},
        {"exception",
         0,
         ReadWriteBlock{1, 730, 1, 1990, 20, 0},
         wordsOf(words, 2),
         {},
         "不合法数据地址"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMBReadWriteRegister d(c.block, c.format);
        std::memcpy(d.values().data(), c.values.constData(),
                    static_cast<std::size_t>(c.values.size()));
        d.show();
        RecordingInteraction boxes;
        ASSERT_TRUE(sendAndWait(d));
        EXPECT_EQ(boxes.texts(), QStringList{c.box});
        EXPECT_EQ(lines(child<QListWidget>(&d, "readList")), c.readLines);
    }
    EXPECT_EQ(holding(700, 3), (Words{0x1111, 0x2222, 0xF333}));
    EXPECT_EQ(holding(730, 1), pattern(730, 1));
}

// Slot 0 is free once the 23 request is served: a write from automation may
// be served before the dialog takes its answer. The list shows what the 23
// request itself read back (here, what it wrote: the write goes first), in
// every word order.
TEST_P(MultiWritePeerTest, ReadWriteListsItsOwnAnswerWhenAnotherRequestFollows) {
    struct Case {
        int format;
        QByteArray values;
    };
    const float floats[2] = {1.5f, -1234.125f};
    const double wide = -9.75e100;
    const std::int32_t longs[2] = {-70000, 123456789};
    const std::uint16_t words[4] = {0x1234, 0x8001, 0x7FFF, 0x0102};
    const Case cases[] = {
        {0, wordsOf(words, 8)},
        {5, wordsOf(floats, 8)},
        {7, wordsOf(&wide, 8)},
        {9, wordsOf(longs, 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const int address = 760 + 10 * c.format;
        CMBReadWriteRegister d(ReadWriteBlock{1, address, 4, address, 4, 0}, c.format);
        std::memcpy(d.values().data(), c.values.constData(),
                    static_cast<std::size_t>(c.values.size()));
        d.show();
        RecordingInteraction boxes;
        child<QPushButton>(&d, "sendButton")->click();
        ASSERT_TRUE(d.IsPending());
        ASSERT_TRUE(testing::OvertakeWithWrite(750, {0xDEAD, 0xBEEF, 0xDEAD, 0xBEEF}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d.IsPending(); }, kWaitMs));
        EXPECT_EQ(boxes.texts(), QStringList{"应答正确"});
        EXPECT_EQ(
            lines(child<QListWidget>(&d, "readList")),
            RegisterListLines::Build(c.format, address, 4, d.values().data(), d.values().size()));
    }
    EXPECT_EQ(holding(750, 2), (Words{0xDEAD, 0xBEEF}));
}

// The document's commands open their dialogs with the poll's slave, block
// and current values; Send refuses the 2000 coils of a coil poll until the
// user lowers the quantity.
TEST_P(MultiWritePeerTest, DocumentCommandsOpenTheirDialogsWithThePollsValues) {
    CZentiqDoc doc;
    doc.OnNewDocument();
    // The view opens the dialogs for its document.
    CZentiqView view(&doc, nullptr);
    PollDefinition& def = doc.Model().def;
    def.SlaveID = 1;
    def.bEnable = 0;
    def.OneBased = 0;
    def.FunctionValue = 1;
    def.Address = 300;
    def.Length = 2000;
    const std::uint8_t states[5] = {1, 0, 1, 1, 0};
    std::copy(std::begin(states), std::end(states), doc.Model().values.begin());
    CommandState state;
    ASSERT_TRUE(view.OnUpdateCommand(cmd::WriteMultipleCoils, state));
    EXPECT_TRUE(state.enabled);

    RecordingInteraction modal;
    RecordingInteraction& boxes = modal;
    modal.onModal<QDialog>([&](QDialog& dialog) {
        auto& d = dynamic_cast<CMBForceMultibleCoils&>(dialog);
        EXPECT_EQ(d.block().quantity, 2000);
        EXPECT_FALSE(sendAndWait(d));
        EXPECT_EQ(boxes.texts(), QStringList{DialogDataExchange::IntRangeMessage(1, 1968)});
        setField(&d, "quantityEdit", "5");
        EXPECT_TRUE(sendAndWait(d));
        return int(QDialog::Rejected);
    });
    view.OnCommand(cmd::WriteMultipleCoils);
    EXPECT_EQ(modal.modalRuns, 1);
    EXPECT_EQ(coils(300, 6), (std::vector<std::uint8_t>{1, 0, 1, 1, 0, zq_peer_coil(305)}));

    // A holding-register poll of 200 registers: the 16 dialog takes 127 of its words.
    def.FunctionValue = 3;
    def.Address = 800;
    def.Length = 200;
    def.DisplayFormat = 1;
    doc.Model().values.fill(0);
    for (int i = 0; i < 200; ++i)
        doc.Model().values[2 * i] = static_cast<std::uint8_t>(i + 1);
    modal.onModal<QDialog>([&](QDialog& dialog) {
        auto& d = dynamic_cast<CMBPresetMultibleRegister&>(dialog);
        EXPECT_EQ(d.block().quantity, 127);
        EXPECT_EQ(d.windowTitle(), "16: 写寄存器组 (unsigned)");
        EXPECT_EQ(lines(child<QTreeWidget>(&d, "valueList")).first(), "800 = 1");
        // More than a slave takes in one request: the user sees its refusal.
        boxes.messages.clear();
        EXPECT_TRUE(sendAndWait(d));
        setField(&d, "quantityEdit", "100");
        EXPECT_TRUE(sendAndWait(d));
        EXPECT_EQ(boxes.texts().size(), 2);
        EXPECT_NE(boxes.texts().value(0), "应答正确");
        EXPECT_EQ(boxes.texts().value(1), "应答正确");
        return int(QDialog::Rejected);
    });
    view.OnCommand(cmd::WriteMultipleRegisters);
    EXPECT_EQ(holding(800, 2), (Words{1, 2}));
    EXPECT_EQ(holding(898, 3), (Words{99, 100, zq_peer_holding(900)}));

    // 22 opens at the address base whatever the poll's address.
    def.OneBased = 1;
    modal.onModal<QDialog>([&](QDialog& dialog) {
        EXPECT_EQ(dynamic_cast<CMBMaskWrite&>(dialog).address(), 1);
        return int(QDialog::Rejected);
    });
    view.OnCommand(cmd::MaskWrite);
    EXPECT_EQ(modal.modalRuns, 3);
}

// A request still waiting in slot 0 is never changed by a refused Send.
TEST_P(MultiWritePeerTest, ARefusedSendLoadsNothingAndGivesSendBack) {
    ASSERT_EQ(SubmitOneShot(0xDEAD0001, WM_POLL_RESULT, 1, 16, 0, 0, 900, 1), 1);
    CMBPresetMultibleRegister d(WriteBlock{1, 900, 2, 0}, 0);
    d.values()[0] = 0x99;
    d.show();
    RecordingInteraction boxes;
    EXPECT_FALSE(sendAndWait(d));
    EXPECT_EQ(boxes.texts(), QStringList{OneShotRequest::RefusedText()});
    EXPECT_TRUE(child<QPushButton>(&d, "sendButton")->isEnabled());
    const std::uint16_t waiting[2] = {0x0BB0, 0x0CC0};
    ASSERT_EQ(SetWriteRegisters(0, 2, waiting), 1);
    EXPECT_EQ(holding(900, 2), (Words{0x0BB0, 0x0CC0}));
}

// Editing a value of a register write poll stores it and the next poll sends it.
TEST_P(MultiWritePeerTest, WritePollEditsAreSentWithTheNextPoll) {
    struct Case {
        const char* name;
        int format;
        int item;
        int character;  // what started the edit: 1 double-click, else the key
        std::function<void(QDialog&)> enter;
        Words held;  // registers 0..3 of the poll afterwards
    };
    const std::vector<Case> cases = {
        {"typed digit continues",
         0,
         1,
         '7',
         [](QDialog& d) { QTest::keyClicks(d.focusWidget(), "5"); },
         {0, 75, 0, 0}},
        {"float inverse pair",
         5,
         3,
         1,
         [](QDialog& d) { setField(&d, "floatEdit", "1"); },
         {0, 0, 0x3F80, 0x0000}},
        {"binary",
         3,
         2,
         1,
         [](QDialog& d) { child<QCheckBox>(&d, "bit15Check")->setChecked(true); },
         {0, 0, 0x8000, 0}},
    };
    int address = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        address += 10;
        CZentiqDoc doc;
        doc.OnNewDocument();
        PollDefinition& def = doc.Model().def;
        def.SlaveID = 1;
        def.FunctionValue = 16;
        def.Address = address;
        def.Length = 4;
        def.DisplayFormat = c.format;
        def.ScanRate = 50;
        def.bEnable = 1;
        doc.ComputeGridSize();
        std::unique_ptr<CZentiqView> view(new CZentiqView(&doc, nullptr));
        view->show();
        ASSERT_NE(doc.Model().slotIndex, -1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return holding(address, 4) == Words(4, 0); }, kWaitMs));

        RecordingInteraction modal;
        modal.onModal<QDialog>([&](QDialog& d) {
            c.enter(d);
            d.accept();
            return d.result();
        });
        int row = 0, column = 0;
        ASSERT_TRUE(doc.Model().CellOfItem(c.item, row, column));
        EXPECT_TRUE(view->OnValueEdit(row, column, c.character));
        EXPECT_EQ(modal.modalRuns, 1);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_TRUE(QTest::qWaitFor([&] { return holding(address, 4) == c.held; }, kWaitMs));
    }
}

INSTANTIATE_TEST_SUITE_P(Peers, MultiWritePeerTest,
                         ::testing::Values(PeerCase{"PyModbusTcp", Peer::PyModbusTcp},
                                           PeerCase{"LibModbusTcp", Peer::LibModbusTcp},
                                           PeerCase{"LibModbusRtu", Peer::LibModbusRtu}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentiq
