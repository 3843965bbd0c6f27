// The sweep's time estimate as arithmetic: the timeouts of what is left,
// scaled by how the probes done compared with their own timeouts.
#include "framework/probe_time_estimate.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace zentiq {
namespace {

TEST(ProbeTimeEstimateTest, TimeoutsLeftScaledByWhatTheProbesSoFarTook) {
    struct Step {
        enum { Plan, Skip, Done } what;
        int count;        // probes (Done: 1)
        unsigned timeout; // ms per probe
        long elapsed;     // Done only
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        long remainingMs;
        int probesLeft;
    };
    const Case cases[] = {
        {"nothing measured: timeout x probes", {{Step::Plan, 10, 100, 0}, {Step::Plan, 10, 50, 0}}, 1500, 20},
        {"probes as slow as their timeout",
         {{Step::Plan, 10, 100, 0}, {Step::Done, 1, 100, 100}, {Step::Done, 1, 100, 100}}, 800, 8},
        {"answers twice as fast as the timeout halve the rest",
         {{Step::Plan, 4, 100, 0}, {Step::Plan, 4, 40, 0}, {Step::Done, 1, 100, 50}, {Step::Done, 1, 100, 50}},
         (2 * 100 + 4 * 40) / 2, 6},
        {"overhead beyond the timeout lengthens it",
         {{Step::Plan, 3, 100, 0}, {Step::Done, 1, 100, 300}}, 600, 2},
        {"a skipped combination leaves the estimate",
         {{Step::Plan, 5, 100, 0}, {Step::Plan, 5, 20, 0}, {Step::Skip, 5, 100, 0}}, 100, 5},
        {"more done than planned never goes negative",
         {{Step::Plan, 1, 100, 0}, {Step::Done, 1, 100, 90}, {Step::Done, 1, 100, 90}, {Step::Skip, 3, 100, 0}},
         0, 0},
        {"a clock going backwards counts as no time",
         {{Step::Plan, 2, 100, 0}, {Step::Done, 1, 100, 10}, {Step::Done, 1, 100, -50}}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProbeTimeEstimate e;
        for (const Step& s : c.steps) {
            switch (s.what) {
            case Step::Plan: e.Plan(s.count, s.timeout); break;
            case Step::Skip: e.Skip(s.count, s.timeout); break;
            case Step::Done: e.Done(s.timeout, s.elapsed); break;
            }
        }
        EXPECT_EQ(e.RemainingMs(), c.remainingMs);
        EXPECT_EQ(e.ProbesLeft(), c.probesLeft);
    }
}

}  // namespace
}  // namespace zentiq
