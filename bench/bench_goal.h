// One line per goal, in a form tools/bench.sh collects over its runs:
//
//   goal <name>: <figure> <unit> (goal >= <target>) met
//   goal <name>: <figure> <unit> (goal <= <target>) MISSED
//
// <name> has no spaces; the script prints the median of each name's figures.
#pragma once

#include <cstdio>

namespace bench {

enum class Better { Higher, Lower };

inline bool PrintGoal(const char* name, double figure, Better better, double target, const char* unit = "") {
    const bool met = better == Better::Higher ? figure >= target : figure <= target;
    std::printf("goal %s: %.3f %s (goal %s %.3f) %s\n", name, figure, unit, better == Better::Higher ? ">=" : "<=",
                target, met ? "met" : "MISSED");
    std::fflush(stdout);
    return met;
}

}  // namespace bench
