// A poll document's move from one connection to another, without windows
// and without slaves: which slot each line holds afterwards, what becomes
// of the values and of a refusal, and that a result still queued from the
// old line is not read from the new line's slot of the same number.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "documents/poll_document_model.h"
#include "documents/poll_result_intake.h"
#include "engine/modbus_line.h"

namespace zentiq {
namespace {

constexpr WindowHandle kWindow = 4711;  // no window of that handle: posts are dropped

// The lowest free slot of a line (claimed and given back at once).
int lowestFree(ModbusLine& line) {
    const int slot = line.RegisterPollSlot(0, WM_POLL_RESULT, 1000, 1, 3, 0, 1, 0, 0);
    if (slot > 0)
        line.ReleasePollSlot(slot);
    return slot;
}

// Claims every free slot of a line but the last `leave`.
std::vector<int> fill(ModbusLine& line, int leave = 0) {
    std::vector<int> taken;
    while (lowestFree(line) > 0)
        taken.push_back(line.RegisterPollSlot(0, WM_POLL_RESULT, 1000, 1, 3, 0, 1, 0, 0));
    for (int i = 0; i < leave && !taken.empty(); ++i) {
        line.ReleasePollSlot(taken.back());
        taken.pop_back();
    }
    return taken;
}

enum class Before { Polling, NeverRegistered, Refused };

struct MoveCase {
    const char* name;
    int function;
    Before before;
    WindowHandle window;
    bool newLineFull;
    // Afterwards:
    bool moved;       // MoveToLine's result
    bool holdsSlot;   // on the new line
    bool valuesKept;  // the values and whether they are known
};

const MoveCase kMoves[] = {
    {"ReadPoll", 3, Before::Polling, kWindow, false, true, true, true},
    {"WritePoll", 16, Before::Polling, kWindow, false, true, true, true},
    {"WithoutWindow", 3, Before::Polling, 0, false, true, true, true},
    {"NeverRegistered", 3, Before::NeverRegistered, kWindow, false, true, false, true},
    {"RefusedTriesTheNewLine", 3, Before::Refused, kWindow, false, true, true, true},
    {"RefusedWithoutWindowWaits", 3, Before::Refused, 0, false, true, false, true},
    {"OntoAFullLine", 3, Before::Polling, kWindow, true, false, false, false},
    {"WritePollOntoAFullLine", 16, Before::Polling, kWindow, true, false, false, true},
};

TEST(DocumentLineTest, MovingGivesTheOldSlotBackAndClaimsOneOnTheNewLine) {
    for (const MoveCase& c : kMoves) {
        SCOPED_TRACE(c.name);
        ModbusLine oldLine, newLine;
        PollDocumentModel doc;
        doc.def.FunctionValue = c.function;
        doc.def.Length = 4;
        doc.values[0] = 42;
        doc.valuesUnknown = false;
        ASSERT_TRUE(doc.MoveToLine(oldLine, 0));  // never registered: only takes the line
        EXPECT_EQ(lowestFree(oldLine), kFirstPollSlot);
        std::vector<int> blockers;
        if (c.before == Before::Polling) {
            ASSERT_TRUE(doc.RegisterWithEngine(kWindow));
            EXPECT_EQ(lowestFree(oldLine), doc.slotIndex + 1);
        } else if (c.before == Before::Refused) {
            blockers = fill(oldLine);
            ASSERT_FALSE(doc.RegisterWithEngine(kWindow));
            doc.valuesUnknown = false;
        }
        const std::vector<int> taken = c.newLineFull ? fill(newLine) : std::vector<int>{};

        EXPECT_EQ(doc.MoveToLine(newLine, c.window), c.moved);
        EXPECT_EQ(&doc.Line(), &newLine);
        EXPECT_EQ(doc.slotIndex != -1, c.holdsSlot);
        if (c.holdsSlot) {
            EXPECT_EQ(doc.slotIndex, kFirstPollSlot);
        } else if (!c.newLineFull) {
            EXPECT_EQ(lowestFree(newLine), kFirstPollSlot) << "claimed a slot it does not hold";
        }
        EXPECT_EQ(doc.slotRefusal, c.moved ? (c.before == Before::Refused && !c.holdsSlot
                                                  ? PollDocumentModel::SlotRefusal::NoFreeSlot
                                                  : PollDocumentModel::SlotRefusal::None)
                                           : PollDocumentModel::SlotRefusal::NoFreeSlot);
        EXPECT_EQ(doc.values[0], 42);
        EXPECT_EQ(!doc.valuesUnknown, c.valuesKept);
        // Nothing stays claimed on the old line.
        for (int slot : blockers)
            oldLine.ReleasePollSlot(slot);
        EXPECT_EQ(lowestFree(oldLine), kFirstPollSlot);
    }
}

TEST(DocumentLineTest, AResultOfTheOldLineIsNotReadFromTheNewSlot) {
    ModbusLine oldLine, newLine;
    PollDocumentModel doc;
    doc.def.FunctionValue = 3;
    doc.def.Length = 2;
    ASSERT_TRUE(doc.MoveToLine(oldLine, 0));
    ASSERT_TRUE(doc.RegisterWithEngine(kWindow));
    const std::array<quint16, 2> read{7, 8};
    std::memcpy(doc.values.data(), read.data(), sizeof read);
    doc.words[0] = 7;
    doc.words[1] = 8;
    doc.MarkValuesRead(1);
    doc.txCount = 5;
    const int slot = doc.slotIndex;

    ASSERT_TRUE(doc.MoveToLine(newLine, kWindow));
    ASSERT_EQ(doc.slotIndex, slot) << "the case needs the same slot number on both lines";
    // The old line's result for that number, taken after the move: the new
    // slot has sent nothing, so its empty data must not replace the values.
    const TakenPollResult taken = PollResultIntake::Take(doc, status::Ok, slot);
    EXPECT_FALSE(taken.accepted);
    EXPECT_EQ(doc.words[0], 7);
    EXPECT_EQ(doc.values[0], 7);
    EXPECT_EQ(doc.txCount, 5u);
    EXPECT_FALSE(doc.valuesUnknown);
    // A one-off result of the window is no poll result: taken as before.
    EXPECT_TRUE(PollResultIntake::Take(doc, status::Ok, 0).accepted);
}

}  // namespace
}  // namespace zentiq
