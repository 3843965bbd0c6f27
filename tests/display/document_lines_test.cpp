// Poll windows on connections of their own: two windows with the same
// definition, one on a line to the libmodbus slave and one on a line to
// pymodbus, each slave holding other values; each window shows its own
// slave's values, in every format. A window moved to the other line keeps
// what it shows until that line answers, then shows that slave's values,
// and its slot on the old line is free again. A write poll moved hands its
// values to the new line, whose slave alone receives them. A move onto a
// line without a free slot is told as a refused registration.
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/modbus_line.h"
#include "resources/menus.h"
#include "resources/strings.h"
#include "support/peer_lines.h"
#include "support/poll_window.h"
#include "support/recording_interaction.h"
#include "support/widget_environment.h"

namespace zentiq {
namespace {

using testing::PeerKind;
using testing::PollWindow;
using testing::ReadDefinition;
using Words = std::vector<std::uint16_t>;

constexpr int kWaitMs = 15000;

using DocumentLinesTest = testing::TwoPeerLines;

// The poll item's cell as the window shows it, without its padding.
QString shownItem(PollWindow& w, int item) {
    int row = 0, column = 0;
    if (!w.model().CellOfItem(item, row, column))
        return QStringLiteral("<no cell>");
    return w.doc->Grid()->model().itemText(row, column).trimmed();
}

// Whether the window shows `texts` from item 0 on ("*": any text, the
// second cell of a wide value).
bool shows(PollWindow& w, const QStringList& texts) {
    for (int i = 0; i < texts.size(); ++i)
        if (texts[i] != QLatin1String("*") && shownItem(w, i) != texts[i])
            return false;
    return true;
}

bool waitForShown(PollWindow& w, const QStringList& texts) {
    return QTest::qWaitFor([&] { return shows(w, texts); }, kWaitMs);
}

QStringList shownItems(PollWindow& w, int count) {
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts << shownItem(w, i);
    return texts;
}

struct ShowCase {
    const char* name;
    int function;
    int address;
    int format;
    std::array<Words, 2> held;         // what each line's slave holds there
    std::array<QStringList, 2> shown;  // what a window on each line shows
};

const ShowCase kShowCases[] = {
    {"SignedRegisters",
     3,
     100,
     0,
     {Words{101, 102, 65535, 4}, Words{201, 202, 203, 32768}},
     {QStringList{"101", "102", "-1", "4"}, QStringList{"201", "202", "203", "-32768"}}},
    {"HexRegisters",
     3,
     110,
     2,
     {Words{0xA1, 0xBEEF, 0, 7}, Words{0xB2, 0xCAFE, 1, 8}},
     {QStringList{"0x00A1", "0xBEEF", "0x0000", "0x0007"},
      QStringList{"0x00B2", "0xCAFE", "0x0001", "0x0008"}}},
    // Low word first, and the other way round.
    {"Longs",
     3,
     120,
     8,
     {Words{1, 2, 5, 0}, Words{3, 0, 0, 1}},
     {QStringList{"131073", "*", "5", "*"}, QStringList{"3", "*", "65536", "*"}}},
    {"LongsInverse",
     3,
     130,
     9,
     {Words{1, 2, 0, 5}, Words{0, 3, 1, 0}},
     {QStringList{"65538", "*", "5", "*"}, QStringList{"3", "*", "65536", "*"}}},
    {"Coils",
     1,
     140,
     0,
     {Words{1, 0, 1, 1}, Words{0, 1, 0, 0}},
     {QStringList{"1", "0", "1", "1"}, QStringList{"0", "1", "0", "0"}}},
};

TEST_F(DocumentLinesTest, EachWindowShowsItsOwnSlaveAndFollowsAMove) {
    for (const ShowCase& c : kShowCases) {
        SCOPED_TRACE(c.name);
        const bool coils = c.function == 1;
        const int count = static_cast<int>(c.held[0].size());
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(testing::Put(line(i), coils, c.address, c.held[i])) << "line " << i;

        std::array<std::unique_ptr<PollWindow>, 2> w;
        for (int i = 0; i < 2; ++i) {
            w[i] = std::make_unique<PollWindow>(
                ReadDefinition(c.function, c.address, count, c.format));
            ASSERT_TRUE(w[i]->doc->SetLine(line(i)));
            EXPECT_EQ(&w[i]->doc->Line(), &line(i));
            ASSERT_NE(w[i]->model().slotIndex, -1);
        }
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(waitForShown(*w[i], c.shown[i]))
                << "line " << i << " shows " << shownItems(*w[i], count).join(' ').toStdString();

        // Window 0 moves to line 1: nothing changes before line 1 answers.
        const int oldSlot = w[0]->model().slotIndex;
        ASSERT_TRUE(w[0]->doc->SetLine(line(1)));
        EXPECT_EQ(&w[0]->doc->Line(), &line(1));
        EXPECT_NE(w[0]->model().slotIndex, -1);
        EXPECT_FALSE(w[0]->model().valuesUnknown);
        EXPECT_TRUE(shows(*w[0], c.shown[0]));
        EXPECT_EQ(testing::LowestFreeSlot(line(0)), oldSlot) << "the old line keeps the slot";

        EXPECT_TRUE(waitForShown(*w[0], c.shown[1]))
            << "moved window shows " << shownItems(*w[0], count).join(' ').toStdString();
        EXPECT_TRUE(shows(*w[1], c.shown[1]));
        EXPECT_TRUE(w[0]->doc->NotPollingText().isEmpty());
    }
}

TEST_F(DocumentLinesTest, AMovedWritePollSendsItsValuesToTheNewSlaveOnly) {
    struct WriteCase {
        const char* name;
        int function;
        int address;
        int format;
        Words values;  // as the window holds them, register or coil each
    };
    const WriteCase cases[] = {
        {"Registers", 16, 200, 0, {0x1234, 0x5678, 0x9ABC}},
        {"LongsInverse", 16, 210, 9, {0x0001, 0x0002, 0x0003, 0x0004}},
        {"Coils", 15, 220, 0, {1, 1, 0, 1, 0}},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const bool coils = c.function == 15;
        const int count = static_cast<int>(c.values.size());
        const Words before(c.values.size(), coils ? 0 : 0x7777);
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(testing::Put(line(i), coils, c.address, before));

        // Switched off on line 0, so that line 0's slave never sees it.
        PollDefinition def = ReadDefinition(c.function, c.address, count, c.format);
        def.bEnable = 0;
        PollWindow w(def);
        ASSERT_TRUE(w.doc->SetLine(line(0)));
        PollDocumentModel& m = w.model();
        if (coils) {
            std::copy(c.values.begin(), c.values.end(), m.values.begin());
        } else {
            // In the window's layout: each long as a whole, low word first
            // in memory, whatever the order on the wire.
            std::memcpy(m.values.data(), c.values.data(), 2 * c.values.size());
        }
        ASSERT_TRUE(w.doc->SetLine(line(1)));
        ASSERT_NE(m.slotIndex, -1);
        w.view->OnCommand(cmd::ReadOnce);

        Words expected = c.values;
        if (c.format == 9)  // most significant word first on the wire
            for (std::size_t i = 0; i + 1 < expected.size(); i += 2)
                std::swap(expected[i], expected[i + 1]);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return testing::Get(line(1), coils, c.address, count) == expected; }, kWaitMs));
        EXPECT_EQ(testing::Get(line(0), coils, c.address, count), before);
    }
}

TEST_F(DocumentLinesTest, AMoveOntoAFullLineIsRefusedAsARegistrationIs) {
    testing::RecordingInteraction ui;
    std::vector<int> taken;
    for (int slot = 0; slot >= 0;) {
        slot = line(1).RegisterPollSlot(0, WM_POLL_RESULT, 1000, 1, 3, 0, 1, 0, 0);
        if (slot >= 0)
            taken.push_back(slot);
    }
    ASSERT_EQ(taken.size(), 32u);

    PollWindow w(ReadDefinition(3, 300, 2));
    ASSERT_TRUE(w.doc->SetLine(line(0)));
    const int oldSlot = w.model().slotIndex;
    ASSERT_NE(oldSlot, -1);
    EXPECT_FALSE(w.doc->SetLine(line(1)));
    EXPECT_EQ(w.model().slotIndex, -1);
    EXPECT_EQ(ui.texts(), QStringList{LoadString(ids::OutOfSlots)});
    EXPECT_FALSE(w.doc->NotPollingText().isEmpty());
    EXPECT_EQ(testing::LowestFreeSlot(line(0)), oldSlot);

    // Back on the line with room, it polls again.
    EXPECT_TRUE(w.doc->SetLine(line(0)));
    EXPECT_NE(w.model().slotIndex, -1);
    EXPECT_TRUE(w.doc->NotPollingText().isEmpty());
    EXPECT_EQ(ui.texts().size(), 1);
    for (int slot : taken)
        line(1).ReleasePollSlot(slot);
}

}  // namespace
}  // namespace zentiq
