// The address map's bisection against simulated tables: the readable ranges
// come out exactly, within the request budget, and a spent budget says so.
#include "framework/address_map_planner.h"

#include <gtest/gtest.h>

#include <vector>

namespace zentiq {
namespace {

// Answers as a slave does: a read is good only when every address it
// touches exists.
bool Reads(const std::vector<AddressRange>& map, int address, int quantity) {
    for (const AddressRange& r : map)
        if (address >= r.first && address + quantity - 1 <= r.last)
            return true;
    return false;
}

struct Outcome {
    std::vector<AddressRange> readable;
    int requests = 0;
    bool budgetSpent = false;
    bool everyRequestValid = true;
};

Outcome Map(int first, int last, int maxQuantity, int budget, const std::vector<AddressRange>& map) {
    AddressMapPlanner planner(first, last, maxQuantity, budget);
    Outcome o;
    for (int guard = 0; guard < 100000; ++guard) {
        const auto q = planner.Next();
        if (!q)
            break;
        if (q->quantity < 1 || q->quantity > maxQuantity || q->address < first ||
            q->address + q->quantity - 1 > last)
            o.everyRequestValid = false;
        planner.Answer(Reads(map, q->address, q->quantity));
    }
    o.readable = planner.Readable();
    o.requests = planner.Requests();
    o.budgetSpent = planner.BudgetSpent();
    return o;
}

TEST(AddressMapPlannerTest, FindsTheReadableRangesExactlyWithinTheBudget) {
    struct Case {
        const char* name;
        int first, last, maxQuantity, budget;
        std::vector<AddressRange> map;
    };
    const Case cases[] = {
        {"nothing there", 0, 9999, 125, 500, {}},
        {"everything there", 0, 999, 125, 100, {{0, 999}}},
        {"sparse registers", 0, 1999, 125, 300, {{100, 179}, {1030, 1129}, {1500, 1599}}},
        {"block at both ends", 0, 1999, 125, 300, {{0, 99}, {1900, 1999}}},
        {"odd edges, one apart", 0, 4999, 125, 500, {{257, 400}, {402, 703}}},
        {"coils in a large space", 0, 65535, 2000, 600, {{3000, 3999}, {40001, 41234}}},
        {"range starting off zero", 40000, 40999, 125, 200, {{40100, 40227}}},
        {"single readable address in a fine search", 0, 63, 125, 300, {{17, 17}}},
        {"fully readable, window inside a larger map", 500, 700, 125, 50, {{0, 9999}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = Map(c.first, c.last, c.maxQuantity, c.budget, c.map);
        std::vector<AddressRange> expected;
        for (AddressRange r : c.map) {
            r.first = std::max(r.first, c.first);
            r.last = std::min(r.last, c.last);
            if (r.first <= r.last)
                expected.push_back(r);
        }
        EXPECT_EQ(o.readable, expected);
        EXPECT_LE(o.requests, c.budget);
        EXPECT_FALSE(o.budgetSpent);
        EXPECT_TRUE(o.everyRequestValid);
    }
}

TEST(AddressMapPlannerTest, StopsAtTheBudgetAndSaysSo) {
    struct Case {
        const char* name;
        int budget;
    };
    // A map whose edges take more requests than a tiny budget allows.
    const std::vector<AddressRange> map{{5, 9}, {300, 301}, {777, 900}};
    for (const Case& c : {Case{"one request", 1}, Case{"a handful", 7}}) {
        SCOPED_TRACE(c.name);
        const Outcome o = Map(0, 999, 125, c.budget, map);
        EXPECT_EQ(o.requests, c.budget);
        EXPECT_TRUE(o.budgetSpent);
        // Whatever it reports as readable is readable.
        for (const AddressRange& r : o.readable)
            EXPECT_TRUE(Reads(map, r.first, r.last - r.first + 1)) << r.first << ".." << r.last;
    }
}

TEST(AddressMapPlannerTest, RunsOfTwiceTheGranularityAreAlwaysFound) {
    // Every placement of a run of 2g - 1 addresses in a window of 16 g.
    AddressMapPlanner probe(0, 1023, 125, 128);
    const int g = probe.Granularity();
    ASSERT_GT(g, 1);
    for (int start = 0; start + 2 * g - 1 <= 1024; start += 3) {
        const std::vector<AddressRange> map{{start, start + 2 * g - 2}};
        const Outcome o = Map(0, 1023, 125, 128, map);
        ASSERT_EQ(o.readable, map) << "run at " << start;
        ASSERT_LE(o.requests, 128);
    }
}

}  // namespace
}  // namespace zentiq
