// Documents take the results of their own slot, with or without a view:
// a document alone on a line of its own to a real slave (the libmodbus
// slave over loopback TCP) polls, takes each result into its values and
// counters and logs it; two documents with the same poll on two lines (so
// on the same slot number of each) each take only their own line's results.
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "documents/data_logger.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/modbus_line.h"
#include "support/peer_lines.h"
#include "support/widget_environment.h"

namespace zentiq {
namespace {

using Items = std::vector<std::uint16_t>;

constexpr int kWaitMs = 15000;

struct PollCase {
    const char* what;
    bool coils;
    int function;
    int address;
    std::array<Items, 2> held;  // what the slave of line 0 and of line 1 holds
};

const PollCase kPolls[] = {
    {"holding registers", false, 3, 40, {Items{4711, 2, 30000, 9}, Items{815, 16, 7, 12345}}},
    {"coils", true, 1, 60, {Items{1, 0, 1, 1}, Items{0, 1, 1, 0}}},
};

// Two lines, each to a libmodbus slave of its own, for the whole suite.
class DocumentResultsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (auto& peer : s_peers)
            peer = testing::StartTcpPeer(testing::PeerKind::LibModbusTcp, s_error);
    }
    static void TearDownTestSuite() {
        for (auto& peer : s_peers)
            peer.reset();
    }
    void SetUp() override {
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            ASSERT_TRUE(s_peers[i]) << s_error;
            std::string error;
            m_lines[i] = testing::ConnectLine(s_peers[i]->Port(), error);
            ASSERT_TRUE(m_lines[i]) << error;
        }
    }

    ModbusLine& line(std::size_t i) { return *m_lines[i]; }

    // A document without a view polling `c` on line i.
    std::unique_ptr<CZentiqDoc> pollingDocument(const PollCase& c, std::size_t i) {
        auto doc = std::make_unique<CZentiqDoc>();
        doc->OnNewDocument();
        PollDefinition& def = doc->Model().def;
        def.SlaveID = 1;
        def.FunctionValue = c.function;
        def.Address = c.address;
        def.Length = int(c.held[0].size());
        def.ScanRate = 50;
        def.bEnable = 1;
        doc->ComputeGridSize();
        EXPECT_TRUE(doc->SetLine(line(i)));
        EXPECT_TRUE(doc->RegisterWithEngine());
        return doc;
    }

    static inline std::array<std::unique_ptr<test::PeerProcess>, 2> s_peers;
    static inline std::string s_error;
    // Before the documents of a test, so that they go first.
    std::array<std::unique_ptr<ModbusLine>, 2> m_lines;
};

Items itemsOf(const PollDocumentModel& m, bool coils) {
    Items items;
    for (int i = 0; i < m.def.Length; ++i)
        items.push_back(coils ? m.values[std::size_t(i)] : m.words[std::size_t(i)]);
    return items;
}

// Every result a document told its views of, with the values it held then.
struct Told {
    std::vector<int> slotsTold;
    std::vector<Items> goodValues;
    int connectionChanges = 0;
};

void record(CZentiqDoc& doc, bool coils, Told& told) {
    QObject::connect(&doc, &CZentiqDoc::resultTaken,
                     [&doc, coils, &told](EngineStatus status, int slot, const TakenPollResult&) {
                         told.slotsTold.push_back(slot);
                         if (status == status::Ok)
                             told.goodValues.push_back(itemsOf(doc.Model(), coils));
                     });
    QObject::connect(&doc, &CZentiqDoc::connectionChanged, [&told] { ++told.connectionChanges; });
}

// The log's lines whose last fields are `items`.
int linesEndingWith(const QString& path, const Items& items) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    int count = 0;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QStringList fields =
            QString::fromUtf8(raw).trimmed().split(QRegularExpression(QStringLiteral("[,;\\t ]+")));
        if (fields.size() < qsizetype(items.size()))
            continue;
        bool all = true;
        for (std::size_t i = 0; i < items.size(); ++i)
            all = all && fields[fields.size() - qsizetype(items.size()) + qsizetype(i)] ==
                             QString::number(items[i]);
        count += all ? 1 : 0;
    }
    return count;
}

TEST_F(DocumentResultsTest, ADocumentWithoutAViewPollsTakesItsResultsAndLogsThem) {
    for (const PollCase& c : kPolls) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(testing::Put(line(0), c.coils, c.address, c.held[0]));
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("alone.txt"));

        auto doc = pollingDocument(c, 0);
        ASSERT_EQ(doc->View(), nullptr);
        const int slot = doc->Model().slotIndex;
        ASSERT_GT(slot, 0);
        Told told;
        record(*doc, c.coils, told);
        ASSERT_TRUE(doc->Logger().Start(path));

        ASSERT_TRUE(QTest::qWaitFor([&] { return told.goodValues.size() >= 3; }, kWaitMs))
            << "results taken: " << told.slotsTold.size();
        for (const Items& values : told.goodValues)
            EXPECT_EQ(values, c.held[0]);
        EXPECT_EQ(told.slotsTold, std::vector<int>(told.slotsTold.size(), slot));
        const PollDocumentModel& m = doc->Model();
        EXPECT_GE(m.okCount, 3u);
        EXPECT_EQ(m.txCount, m.okCount);
        EXPECT_FALSE(m.ValuesStale());

        doc->Logger().Stop();  // its last line whole
        EXPECT_GE(linesEndingWith(path, c.held[0]), 3);
        doc.reset();
        EXPECT_EQ(testing::LowestFreeSlot(line(0)), slot) << "the slot goes with the document";
    }
}

TEST_F(DocumentResultsTest, TwoDocumentsOnTwoLinesEachTakeOnlyTheirOwnResults) {
    for (const PollCase& c : kPolls) {
        SCOPED_TRACE(c.what);
        for (std::size_t i = 0; i < 2; ++i)
            ASSERT_TRUE(testing::Put(line(i), c.coils, c.address, c.held[i]));
        std::array<std::unique_ptr<CZentiqDoc>, 2> docs;
        std::array<Told, 2> told;
        for (std::size_t i = 0; i < 2; ++i) {
            docs[i] = pollingDocument(c, i);
            record(*docs[i], c.coils, told[i]);
        }
        // The same poll on two empty lines: the same slot number on each.
        ASSERT_EQ(docs[0]->Model().slotIndex, docs[1]->Model().slotIndex);

        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return told[0].goodValues.size() >= 3 && told[1].goodValues.size() >= 3; },
            kWaitMs));
        for (std::size_t i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            for (const Items& values : told[i].goodValues)
                EXPECT_EQ(values, c.held[i]);
            // Each result counted once, by its own document only.
            EXPECT_EQ(docs[i]->Model().txCount, told[i].slotsTold.size());
        }

        // A line closed tells only the documents on it; their values are
        // stale, the other's live.
        line(1).CloseTcpConnection();
        ASSERT_TRUE(QTest::qWaitFor([&] { return told[1].connectionChanges > 0; }, kWaitMs));
        EXPECT_TRUE(docs[1]->Model().ValuesStale());
        EXPECT_EQ(told[0].connectionChanges, 0);
        EXPECT_FALSE(docs[0]->Model().ValuesStale());
        docs = {};
        std::string error;
        m_lines[1] = testing::ConnectLine(s_peers[1]->Port(), error);
        ASSERT_TRUE(m_lines[1]) << error;
    }
}

}  // namespace
}  // namespace zentiq
