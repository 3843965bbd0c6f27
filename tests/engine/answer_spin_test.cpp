// How the look for an answer learns a peer's pace, and that it never holds
// the worker past its budget or a stop.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include <gtest/gtest.h>

#include "engine/answer_spin.h"
#include "engine/line_cancel.h"

namespace zentiq {
namespace {

using namespace std::chrono_literals;
using Us = std::chrono::microseconds;

struct PaceCase {
    const char* name;
    std::vector<Us> answers;
    Us budget;
};

TEST(AnswerSpinTest, TheBudgetFollowsThePeersPace) {
    const std::vector<PaceCase> cases = {
        {"nothing learnt yet", {}, 0us},
        {"a fast peer: twice its time", {20us, 20us, 20us}, 40us},
        {"a little slower: capped", {70us, 70us}, AnswerSpin::kLongest},
        {"slower than the cap: slept for", {150us}, 0us},
        {"a device across a network", {2ms, 3ms, 2ms}, 0us},
        // One hiccup moves the figure by an eighth: 20 + (1000 - 20) / 8 > 100.
        {"one hiccup among fast ones", {20us, 20us, 1ms}, 0us},
        {"a short hiccup is absorbed", {20us, 20us, 180us}, 80us},  // 2 x (20 + 160 / 8)
        {"fast again after a slow spell",
         {1ms, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us,
          10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us},
         AnswerSpin::kLongest},
        {"a clock step back counts as at once", {-5us, 0us}, 0us},
    };
    for (const PaceCase& c : cases) {
        AnswerSpin spin;
        for (Us took : c.answers) spin.Note(took);
        EXPECT_EQ(std::chrono::duration_cast<Us>(spin.Budget()), c.budget) << c.name;
    }
    AnswerSpin spin;
    spin.Note(20us);
    spin.Forget();
    EXPECT_EQ(spin.Budget(), AnswerSpin::Clock::duration::zero()) << "a new connection";
}

class AnswerSpinLookTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, m_fds), 0); }
    void TearDown() override {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    int m_fds[2] = {-1, -1};
};

// Both ways of asking: poll, and the count of queued bytes (a terminal's).
TEST_F(AnswerSpinLookTest, SeesQueuedBytesAndOtherwiseGivesUp) {
    for (const AnswerSpin::Probe probe : {AnswerSpin::Probe::Poll, AnswerSpin::Probe::InputQueue}) {
        SCOPED_TRACE(probe == AnswerSpin::Probe::Poll ? "poll" : "input queue");
        AnswerSpin spin;
        spin.Sent();
        EXPECT_FALSE(spin.Look(m_fds[0], nullptr, probe)) << "no pace learnt: no look";

        spin.Note(50us);
        spin.Sent();
        EXPECT_FALSE(spin.Look(m_fds[0], nullptr, probe)) << "nothing came within the budget";
        EXPECT_FALSE(spin.Look(-1, nullptr, probe));

        const char byte = 1;
        ASSERT_EQ(::write(m_fds[1], &byte, 1), 1);
        spin.Sent();
        EXPECT_TRUE(spin.Look(m_fds[0], nullptr, probe));

        LineCancel cancel;
        cancel.Raise();
        spin.Sent();
        EXPECT_FALSE(spin.Look(m_fds[0], &cancel, probe)) << "a stop ends the look before it sees the byte";
        char drained = 0;
        ASSERT_EQ(::read(m_fds[0], &drained, 1), 1);
    }
}

}  // namespace
}  // namespace zentiq
