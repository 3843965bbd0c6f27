// The address map's planner against simulated tables: the readable ranges
// come out exactly, within the request budget, small maps at the usual
// places are found with the window's defaults, a spent budget says so, and
// whatever was not found lies in what it reports as uncovered.
#include "framework/address_map_planner.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    std::vector<AddressMapPlanner::Uncovered> uncovered;
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
    o.uncovered = planner.UncoveredRanges();
    o.requests = planner.Requests();
    o.budgetSpent = planner.BudgetSpent();
    return o;
}

TEST(AddressMapPlannerTest, FindsTheReadableRangesExactlyWithinTheBudget) {
    struct Case {
        const char* name;
        int first, last, maxQuantity, budget;
        std::vector<AddressRange> map;
        bool spendsBudget;  // empty space left to refine when it runs out
    };
    const Case cases[] = {
        {"nothing there", 0, 9999, 125, 500, {}, true},
        {"everything there", 0, 999, 125, 100, {{0, 999}}, false},
        {"sparse registers", 0, 1999, 125, 300, {{100, 179}, {1030, 1129}, {1500, 1599}}, true},
        {"block at both ends", 0, 1999, 125, 300, {{0, 99}, {1900, 1999}}, true},
        {"odd edges, one apart", 0, 4999, 125, 500, {{257, 400}, {402, 703}}, true},
        {"coils in a large space", 0, 65535, 2000, 600, {{3000, 3999}, {40001, 41234}}, true},
        {"range starting off zero", 40000, 40999, 125, 200, {{40100, 40227}}, true},
        {"single readable address in a fine search", 0, 63, 125, 300, {{17, 17}}, false},
        {"fully readable, window inside a larger map", 500, 700, 125, 50, {{0, 9999}}, false},
        // Small tables at the usual places, with the window's defaults.
        {"ten registers at 0 and at 1000", 0, 9999, 125, 500, {{0, 9}, {1000, 1009}}, true},
        {"ten at 0 and 1000 in a range of 1100", 0, 1099, 125, 500, {{0, 9}, {1000, 1009}}, true},
        {"sixteen coils at 0 and at 1000", 0, 1099, 2000, 500, {{0, 15}, {1000, 1031}}, true},
        {"one-based table of ten", 0, 9999, 125, 500, {{1, 10}}, true},
        {"table at 40001 in the whole space", 0, 65535, 125, 500, {{40001, 40020}}, true},
        {"short table off every base, room to refine", 0, 999, 125, 2500, {{3, 20}, {517, 519}}, false},
        {"single addresses, room to refine", 0, 255, 125, 1000, {{7, 7}, {9, 9}, {200, 200}}, false},
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
        EXPECT_EQ(o.budgetSpent, c.spendsBudget);
        // A finished map leaves nothing uncovered; a spent budget is used up.
        EXPECT_EQ(o.uncovered.empty(), !c.spendsBudget);
        if (c.spendsBudget) {
            EXPECT_EQ(o.requests, c.budget);
        }
        EXPECT_TRUE(o.everyRequestValid);
    }
}

TEST(AddressMapPlannerTest, WhatASpentBudgetMissesLiesInWhatItReportsAsUncovered) {
    struct Case {
        const char* name;
        int last, budget;
        std::vector<AddressRange> map;
        bool tailUnprobed;  // the budget ended before the first pass reached the end
    };
    const Case cases[] = {
        {"short runs off the bases", 9999, 500, {{3, 20}, {2047, 2049}, {7000, 7005}}, false},
        {"runs beside a found table", 4999, 300, {{0, 9}, {12, 14}, {1000, 1199}, {1201, 1203}}, false},
        {"a budget too small for one pass", 9999, 40, {{0, 9}, {6000, 6099}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = Map(0, c.last, 125, c.budget, c.map);
        EXPECT_TRUE(o.budgetSpent);
        for (const AddressRange& r : o.readable)
            EXPECT_TRUE(Reads(c.map, r.first, r.last - r.first + 1)) << r.first << ".." << r.last;
        // Every stretch of readable addresses not found lies inside one
        // uncovered stretch, and is shorter than twice the block it was read in.
        for (const AddressRange& run : c.map) {
            for (int a = run.first; a <= run.last; ++a) {
                if (Reads(o.readable, a, 1))
                    continue;
                int end = a;
                while (end < run.last && !Reads(o.readable, end + 1, 1))
                    ++end;
                const auto in = std::find_if(o.uncovered.begin(), o.uncovered.end(), [&](const auto& u) {
                    return u.range.first <= a && end <= u.range.last;
                });
                ASSERT_NE(in, o.uncovered.end()) << a << ".." << end << " missed silently";
                if (in->block > 0) {
                    EXPECT_LT(end - a + 1, 2 * in->block - 1) << a << ".." << end;
                }
                a = end;
            }
        }
        for (const auto& u : o.uncovered)
            EXPECT_FALSE(Reads(o.readable, u.range.first, 1) || Reads(o.readable, u.range.last, 1));
        ASSERT_FALSE(o.uncovered.empty());
        EXPECT_EQ(o.uncovered.back().range.last == c.last && o.uncovered.back().block == 0,
                  c.tailUnprobed);
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
