// How the look for an answer learns a peer's pace, and that it never holds
// the worker past its budget or a stop.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/answer_spin.h"
#include "engine/line_cancel.h"
#include "engine/processor_pressure.h"

namespace zentiq {
namespace {

using namespace std::chrono_literals;
using Us = std::chrono::microseconds;

// The looks here are judged without the machine's own pressure figure,
// which a busy machine would raise.
const char* const kNoPressure = "/nonexistent/pressure";

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
        AnswerSpin spin(kNoPressure);
        for (Us took : c.answers) spin.Note(took);
        EXPECT_EQ(std::chrono::duration_cast<Us>(spin.Budget()), c.budget) << c.name;
    }
    AnswerSpin spin(kNoPressure);
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

// Over a socket pair, with the probe a terminal's port uses.
TEST_F(AnswerSpinLookTest, SeesQueuedBytesAndOtherwiseGivesUp) {
    const auto queued = [this] { return AnswerSpin::InputQueued(m_fds[0]); };
    // A fresh look for each case: one that lost the processor on a busy
    // machine would rest.
    const auto learnt = [] {
        AnswerSpin spin(kNoPressure);
        spin.Note(50us);
        spin.Sent();
        return spin;
    };
    AnswerSpin fresh(kNoPressure);
    fresh.Sent();
    EXPECT_FALSE(fresh.Look(nullptr, queued)) << "no pace learnt: no look";

    AnswerSpin spin = learnt();
    EXPECT_FALSE(spin.Look(nullptr, queued)) << "nothing came within the budget";
    spin = learnt();
    EXPECT_FALSE(spin.Look(nullptr, [] { return AnswerSpin::InputQueued(-1); })) << "a line that is gone";

    const char byte = 1;
    ASSERT_EQ(::write(m_fds[1], &byte, 1), 1);
    spin = learnt();
    EXPECT_TRUE(spin.Look(nullptr, queued));

    LineCancel cancel;
    cancel.Raise();
    spin = learnt();
    EXPECT_FALSE(spin.Look(&cancel, queued)) << "a stop ends the look before it sees the byte";
}

// The look asks at least once however late it starts, stops at an answer or
// a give-up, and otherwise at its budget; it never yields in between (a
// look that yields is what a busy machine punishes).
TEST(AnswerSpinTest, LooksUntilSeenOrGivenUp) {
    using Seen = AnswerSpin::Seen;
    struct Case {
        const char* name;
        Seen first;  // what the first look sees
        bool found;
    };
    for (const Case& c : {Case{"an answer", Seen::Answer, true}, Case{"the line gave up", Seen::GiveUp, false},
                          Case{"never came", Seen::Nothing, false}}) {
        AnswerSpin spin(kNoPressure);
        spin.Note(15us);
        spin.Sent();
        int looks = 0;
        const bool found = spin.Look(nullptr, [&] { return ++looks == 1 ? c.first : Seen::Nothing; });
        EXPECT_EQ(found, c.found) << c.name;
        if (c.first == Seen::Nothing) {
            EXPECT_GE(looks, 1) << c.name;
        } else {
            EXPECT_EQ(looks, 1) << c.name;
        }
    }
}

// A look that lost the processor for longer than an interrupt takes was
// pre-empted by a busy program: the answers are then slept for a while.
TEST(AnswerSpinTest, ALookThatLostTheProcessorRests) {
    AnswerSpin spin(kNoPressure);
    spin.Note(15us);
    spin.Sent();
    int looks = 0;
    EXPECT_FALSE(spin.Look(nullptr, [&] {
        if (++looks == 1) std::this_thread::sleep_for(2 * AnswerSpin::kPreempted);
        return AnswerSpin::Seen::Nothing;
    }));
    EXPECT_EQ(looks, 1);
    EXPECT_TRUE(spin.Resting());
    EXPECT_EQ(spin.Budget(), AnswerSpin::Clock::duration::zero());
    spin.Sent();
    looks = 0;
    EXPECT_FALSE(spin.Look(nullptr, [&] {
        ++looks;
        return AnswerSpin::Seen::Answer;
    }));
    EXPECT_EQ(looks, 0) << "no look while resting";
}

// The machine's processor pressure, from the kernel's figure: no look while
// other programs wait for a processor.
TEST(AnswerSpinTest, NoLookWhileOtherProgramsWaitForAProcessor) {
    struct Case {
        const char* name;
        const char* text;  // of the pressure file; nullptr: no such file
        std::optional<double> some;
        bool busy;
    };
    const Case cases[] = {
        {"idle", "some avg10=0.00 avg60=0.00 avg300=0.00 total=0\nfull avg10=0.00", 0.0, false},
        {"a little", "some avg10=4.25 avg60=1.00 avg300=0.50 total=123\n", 4.25, false},
        {"a busy machine", "some avg10=37.50 avg60=20.00 avg300=9.00 total=999\n", 37.5, true},
        {"no figure in the kernel", nullptr, std::nullopt, false},
        {"not a pressure file", "full avg10=50.00\n", std::nullopt, false},
        {"a broken number", "some avg10=12x avg60=1\n", std::nullopt, false},
        {"out of range", "some avg10=400.00 avg60=1\n", std::nullopt, false},
    };
    const std::string path = ::testing::TempDir() + "zentiq_cpu_pressure";
    for (const Case& c : cases) {
        ::unlink(path.c_str());
        if (c.text != nullptr) {
            FILE* f = std::fopen(path.c_str(), "w");
            ASSERT_NE(f, nullptr);
            std::fputs(c.text, f);
            std::fclose(f);
            EXPECT_EQ(ProcessorPressure::SomeAvg10(c.text), c.some) << c.name;
        }
        ProcessorPressure pressure(path);
        EXPECT_EQ(pressure.Busy(), c.busy) << c.name;

        AnswerSpin spin(path);
        spin.Note(15us);
        spin.Sent();
        int looks = 0;
        const bool found = spin.Look(nullptr, [&] {
            ++looks;
            return AnswerSpin::Seen::Answer;
        });
        EXPECT_EQ(found, !c.busy) << c.name;
        EXPECT_EQ(looks, c.busy ? 0 : 1) << c.name;
    }
    ::unlink(path.c_str());
}

}  // namespace
}  // namespace zentiq
