// How the look for an answer learns a peer's pace, and that it never holds
// the worker past its budget or a stop.
#include <poll.h>
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
         {1ms,  10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us,
          10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us, 10us},
         AnswerSpin::kLongest},
        {"a clock step back counts as at once", {-5us, 0us}, 0us},
    };
    for (const PaceCase& c : cases) {
        AnswerSpin spin(kNoPressure);
        for (Us took : c.answers)
            spin.Note(took);
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

// A probe as the TCP line's: poll() without waiting.
AnswerSpin::Seen Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, 0);
    if (r == 0)
        return AnswerSpin::Seen::Nothing;
    return r > 0 && (p.revents & POLLIN) ? AnswerSpin::Seen::Answer : AnswerSpin::Seen::GiveUp;
}

// Over a socket pair.
TEST_F(AnswerSpinLookTest, SeesQueuedBytesAndOtherwiseGivesUp) {
    const auto queued = [this] { return Readable(m_fds[0]); };
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
    EXPECT_FALSE(spin.Look(nullptr, [] { return Readable(1 << 20); })) << "a line that is gone";

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
    for (const Case& c :
         {Case{"an answer", Seen::Answer, true}, Case{"the line gave up", Seen::GiveUp, false},
          Case{"never came", Seen::Nothing, false}}) {
        AnswerSpin spin(kNoPressure);
        spin.Note(15us);
        spin.Sent();
        int looks = 0;
        const bool found =
            spin.Look(nullptr, [&] { return ++looks == 1 ? c.first : Seen::Nothing; });
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
        if (++looks == 1)
            std::this_thread::sleep_for(2 * AnswerSpin::kPreempted);
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

void WritePressure(const std::string& path, const char* text) {
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(text, f);
    std::fclose(f);
}

// The machine counts as busy when some task waited for a processor more
// than half of the time between two readings of the kernel's figure.
TEST(ProcessorPressureTest, BusyWhenTasksWaitedMoreThanHalfTheTime) {
    using Clock = ProcessorPressure::Clock;
    const std::string path = ::testing::TempDir() + "zentiq_cpu_pressure";
    struct Step {
        const char* name;
        int atMs;          // since the start
        const char* text;  // of the file; nullptr: no such file
        bool busy;
    };
    const Step steps[] = {
        {"the first reading says nothing", 0, "some avg10=90.00 avg60=0 avg300=0 total=1000000\n",
         false},
        {"read again only after its period", 100, "some avg10=0 avg60=0 avg300=0 total=9000000\n",
         false},
        {"60 % of 500 ms", 500, "some avg10=0 avg60=0 avg300=0 total=1300000\nfull avg10=0", true},
        {"20 % of 500 ms", 1000, "some avg10=0 avg60=0 avg300=0 total=1400000\n", false},
        {"a counter that went back", 1500, "some avg10=0 avg60=0 avg300=0 total=5\n", false},
        {"no figure in the kernel", 2000, nullptr, false},
        {"back, but nothing to compare with", 2500, "some avg10=0 avg60=0 avg300=0 total=9000000\n",
         false},
        {"not the figure", 3000, "full avg10=0.00 avg60=0 avg300=0 total=99999999\n", false},
        {"a broken count", 3500, "some avg10=0 avg60=0 avg300=0 total=12x\n", false},
    };
    const Clock::time_point start = Clock::now();
    ProcessorPressure pressure(path);
    for (const Step& step : steps) {
        ::unlink(path.c_str());
        if (step.text != nullptr)
            WritePressure(path, step.text);
        EXPECT_EQ(pressure.Busy(start + std::chrono::milliseconds(step.atMs)), step.busy)
            << step.name;
    }
    EXPECT_EQ(ProcessorPressure::SomeTotalUs("some avg10=1.00 avg60=2.00 avg300=3.00 total=42\n"),
              42u);
    ::unlink(path.c_str());
}

// No look while other programs wait for a processor.
TEST(AnswerSpinTest, NoLookOnABusyMachine) {
    const std::string path = ::testing::TempDir() + "zentiq_cpu_pressure_look";
    WritePressure(path, "some avg10=0 avg60=0 avg300=0 total=0\n");
    AnswerSpin spin(path);
    spin.Note(15us);
    int looks = 0;
    const auto answer = [&] {
        ++looks;
        return AnswerSpin::Seen::Answer;
    };
    spin.Sent();
    EXPECT_TRUE(spin.Look(nullptr, answer)) << "an idle machine";
    // Ten seconds of waiting since the last reading, whenever this runs.
    std::this_thread::sleep_for(ProcessorPressure::kPeriod + 50ms);
    WritePressure(path, "some avg10=0 avg60=0 avg300=0 total=10000000\n");
    spin.Sent();
    EXPECT_FALSE(spin.Look(nullptr, answer)) << "a busy machine";
    EXPECT_EQ(looks, 1);
    ::unlink(path.c_str());
}

}  // namespace
}  // namespace zentiq
