// The copy of a document's polled values that the automation object reads on
// the bus thread: reads on another thread see one whole store at a time.
// (The bus tests in tests/app read it back after every kind of change.)
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "documents/polled_values_copy.h"

namespace zentiq {
namespace {

using Buffer = PolledValuesCopy::Buffer;

TEST(PolledValuesCopyTest, ReadsOnAnotherThreadSeeOneWholeStoreAtATime) {
    PolledValuesCopy copy;
    EXPECT_EQ(copy.Snapshot(), Buffer{}) << "zeros before the first store";

    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, torn{0};
    std::thread reader([&] {
        while (!done.load()) {
            const bool whole = copy.Read([](const PolledValuesCopy::Data& d) {
                const Buffer& b = d.values;
                return std::all_of(b.begin(), b.end(), [&](quint8 v) { return v == b.front(); });
            });
            if (!whole)
                ++torn;
            ++reads;
        }
    });
    Buffer last{};
    // Every store fills all bytes alike: a read that mixes two stores shows.
    for (int i = 0; i < 200000 && (i < 2000 || reads.load() < 500); ++i) {
        last.fill(static_cast<quint8>(i));
        copy.Store(last);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0) << "of " << reads.load() << " reads";
    EXPECT_EQ(copy.Snapshot(), last) << "the last store stays";
}

}  // namespace
}  // namespace zentiq
