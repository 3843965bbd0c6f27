#include "framework/address_map_planner.h"

#include <algorithm>
#include <cstdlib>

namespace zentiq {
namespace {

// Where device makers put their tables, as protocol addresses.
constexpr int kCommonBases[] = {0,     1,     100,   1000,  2000,  3000,  4000,  5000, 9000,
                                10000, 20000, 30000, 30001, 40000, 40001, 50000, 60000};

int PowerOfTwoAtMost(int n) {
    int p = 1;
    while (p * 2 <= n)
        p *= 2;
    return p;
}

int PowerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

}  // namespace

std::vector<int> AddressMapPlanner::Seeds(int first, int last) {
    std::vector<int> seeds{first};
    for (int base : kCommonBases)
        if (base > first && base <= last)
            seeds.push_back(base);
    return seeds;
}

AddressMapPlanner::AddressMapPlanner(int first, int last, int maxQuantity, int budget)
    : m_first(std::clamp(first, 0, 65535)), m_last(std::clamp(last, 0, 65535)),
      m_maxQuantity(std::clamp(maxQuantity, 1, 2000)), m_budget(std::max(budget, 1)) {
    if (m_last < m_first)
        std::swap(m_first, m_last);
    m_top = PowerOfTwoAtMost(m_maxQuantity);
    const int span = m_last - m_first + 1;
    m_state.assign(static_cast<std::size_t>(span), State::Unknown);
    m_probed.assign(static_cast<std::size_t>(span), 0);
    m_seeds = Seeds(m_first, m_last);
    std::reverse(m_seeds.begin(), m_seeds.end());
    // Empty space costs about 2 x span / granularity requests; half of what
    // the seeds leave is kept for it, the rest for the edges.
    const int left = std::max(1, m_budget - static_cast<int>(m_seeds.size()));
    m_granularity = std::min(m_top, PowerOfTwoAtLeast((4 * span + left - 1) / left));
}

void AddressMapPlanner::mark(int first, int last, State state) {
    for (int a = first; a <= last; ++a)
        at(a) = state;
}

void AddressMapPlanner::failed(int first, int last) {
    m_failed.push_back({first, last});
    const int size = last - first + 1;
    if (size == 1) {
        at(first) = State::Unreadable;
        return;
    }
    for (int a = first; a <= last; ++a) {
        std::uint16_t& p = m_probed[static_cast<std::size_t>(a - m_first)];
        if (p == 0 || size < p)
            p = static_cast<std::uint16_t>(size);
    }
}

std::optional<AddressMapPlanner::Request> AddressMapPlanner::issue(Request request, Kind kind) {
    m_pending = request;
    m_pendingKind = kind;
    ++m_requests;
    return m_pending;
}

std::optional<AddressMapPlanner::Request> AddressMapPlanner::Next() {
    if (m_pending)
        return m_pending;
    const auto spent = [this] {
        if (m_requests < m_budget)
            return false;
        m_budgetSpent = true;
        return true;
    };
    for (;;) {
        if (m_edge) {
            if (spent())
                return std::nullopt;
            return issue(edgeRequest(), Kind::Edge);
        }
        if (m_phase == Phase::Seeds) {
            // A hit is grown to its edges before the next seed: it may
            // swallow that seed.
            if (startEdge())
                continue;
            while (!m_seeds.empty() && at(m_seeds.back()) != State::Unknown)
                m_seeds.pop_back();
            if (!m_seeds.empty()) {
                if (spent())
                    return std::nullopt;
                const int seed = m_seeds.back();
                m_seeds.pop_back();
                return issue({seed, 1}, Kind::Seed);
            }
            m_phase = Phase::Bisect;
            pushAligned(m_first, m_last, m_top, true);
            continue;
        }
        if (!m_blocks.empty()) {
            const Block b = m_blocks.back();
            const int end = b.address + b.quantity - 1;
            int u = -1;
            int v = -1;
            bool knownToFail = false;
            for (int a = b.address; a <= end; ++a) {
                if (at(a) == State::Unreadable)
                    knownToFail = true;
                else if (at(a) == State::Unknown) {
                    if (u < 0)
                        u = a;
                    v = a;
                }
            }
            if (u < 0) {  // read already, whole
                m_blocks.pop_back();
                continue;
            }
            if (knownToFail) {  // fails without asking
                m_blocks.pop_back();
                if (b.split && b.quantity > m_granularity) {
                    const int half = b.quantity / 2;
                    m_blocks.push_back({b.address + half, b.quantity - half, true});
                    m_blocks.push_back({b.address, half, true});
                } else {
                    for (int a = u; a <= v; ++a) {
                        std::uint16_t& p = m_probed[static_cast<std::size_t>(a - m_first)];
                        if (at(a) == State::Unknown && (p == 0 || b.quantity < p))
                            p = static_cast<std::uint16_t>(b.quantity);
                    }
                }
                continue;
            }
            if (spent())
                return std::nullopt;
            m_blocks.pop_back();
            m_pendingSplit = b.split;
            return issue({u, v - u + 1}, Kind::Block);
        }
        // Edges once a pass is done: a neighbouring block may have read.
        if (startEdge())
            continue;
        if (refine())
            continue;
        return std::nullopt;
    }
}

void AddressMapPlanner::Answer(bool readable) {
    if (!m_pending)
        return;
    const Request q = *m_pending;
    m_pending.reset();
    const int last = q.address + q.quantity - 1;
    switch (m_pendingKind) {
    case Kind::Seed:
        readable ? mark(q.address, last, State::Readable) : failed(q.address, last);
        return;
    case Kind::Block:
        if (readable) {
            mark(q.address, last, State::Readable);
            return;
        }
        failed(q.address, last);
        if (m_pendingSplit && q.quantity > m_granularity) {
            const int half = q.quantity / 2;
            m_blocks.push_back({q.address + half, q.quantity - half, true});
            m_blocks.push_back({q.address, half, true});
        }
        return;
    case Kind::Edge: edgeAnswer(q, readable); return;
    }
}

void AddressMapPlanner::pushAligned(int first, int last, int size, bool split) {
    for (int a = last - (last - first) % size; a >= first; a -= size)
        m_blocks.push_back({a, std::min(size, last - a + 1), split});
}

bool AddressMapPlanner::startEdge() {
    for (int a = m_first; a <= m_last; ++a) {
        if (at(a) != State::Readable)
            continue;
        int b = a;
        while (b < m_last && at(b + 1) == State::Readable)
            ++b;
        const bool left = a > m_first && at(a - 1) == State::Unknown;
        const bool right = b < m_last && at(b + 1) == State::Unknown;
        if (!left && !right) {
            a = b;
            continue;
        }
        Edge e{right, right ? b : a, 0, 0};
        // How far the run can reach: to the next known address, and short
        // of the end of any failed read it would otherwise cover whole.
        if (right) {
            int x = b + 1;
            while (x <= m_last && at(x) == State::Unknown)
                ++x;
            e.bound = x - 1;
            for (const AddressRange& f : m_failed)
                if (f.last > b && f.first >= a)
                    e.bound = std::min(e.bound, f.last - 1);
        } else {
            int x = a - 1;
            while (x >= m_first && at(x) == State::Unknown)
                --x;
            e.bound = x + 1;
            for (const AddressRange& f : m_failed)
                if (f.first < a && f.last <= b)
                    e.bound = std::max(e.bound, f.first + 1);
        }
        // Far bounds are approached by doubling reads: a small table is
        // found in a few of them.
        e.step = std::abs(e.bound - e.good) > m_maxQuantity ? 1 : 0;
        m_edge = e;
        if (e.good == e.bound)
            edgeAnswer({0, 0}, false);  // nothing left to read: settles it
        return true;
    }
    return false;
}

AddressMapPlanner::Request AddressMapPlanner::edgeRequest() const {
    const Edge& e = *m_edge;
    const int distance = std::abs(e.bound - e.good);
    int q = e.step > 0 ? std::min(e.step, distance) : (distance + 1) / 2;
    q = std::min(q, m_maxQuantity);
    return e.right ? Request{e.good + 1, q} : Request{e.good - q, q};
}

void AddressMapPlanner::edgeAnswer(const Request& q, bool readable) {
    Edge& e = *m_edge;
    const int dir = e.right ? 1 : -1;
    if (q.quantity > 0) {
        const int last = q.address + q.quantity - 1;
        if (readable) {
            mark(q.address, last, State::Readable);
            e.good += dir * q.quantity;
            if (e.step > 0)
                e.step = std::min(2 * e.step, m_maxQuantity);
        } else {
            failed(q.address, last);
            e.bound = e.good + dir * (q.quantity - 1);
            e.step = 0;
        }
    }
    if (e.good != e.bound)
        return;
    // The run ends here. Unless a known address or the range's end stopped
    // it, a failed read showed the next address does not answer.
    const int next = e.good + dir;
    if (next >= m_first && next <= m_last && at(next) == State::Unknown)
        at(next) = State::Unreadable;
    m_edge.reset();
}

bool AddressMapPlanner::refine() {
    // The coarsest unknown stretches first, each cut in blocks of half the
    // failed reads that covered it.
    int coarsest = 0;
    for (int a = m_first; a <= m_last; ++a)
        if (at(a) == State::Unknown) {
            const int p = m_probed[static_cast<std::size_t>(a - m_first)];
            coarsest = std::max(coarsest, p == 0 ? 2 * m_top : p);
        }
    if (coarsest == 0)
        return false;
    std::vector<Block> blocks;
    for (int a = m_first; a <= m_last; ++a) {
        if (at(a) != State::Unknown)
            continue;
        int b = a;
        int widest = 0;
        for (; b <= m_last && at(b) == State::Unknown; ++b) {
            const int p = m_probed[static_cast<std::size_t>(b - m_first)];
            widest = std::max(widest, p == 0 ? 2 * m_top : p);
        }
        --b;
        if (widest == coarsest) {
            const int size = std::max(1, (coarsest + 1) / 2);
            for (int x = a; x <= b; x += size)
                blocks.push_back({x, std::min(size, b - x + 1), false});
        }
        a = b;
    }
    m_blocks.assign(blocks.rbegin(), blocks.rend());
    return true;
}

std::vector<AddressRange> AddressMapPlanner::Readable() const {
    std::vector<AddressRange> out;
    for (int a = m_first; a <= m_last; ++a) {
        if (at(a) != State::Readable)
            continue;
        if (!out.empty() && out.back().last == a - 1)
            out.back().last = a;
        else
            out.push_back({a, a});
    }
    return out;
}

std::vector<AddressMapPlanner::Uncovered> AddressMapPlanner::UncoveredRanges() const {
    std::vector<Uncovered> out;
    bool open = false;
    for (int a = m_first; a <= m_last; ++a) {
        if (at(a) != State::Unknown) {
            open = false;
            continue;
        }
        const int p = m_probed[static_cast<std::size_t>(a - m_first)];
        if (open && (out.back().block == 0) == (p == 0)) {
            out.back().range.last = a;
            out.back().block = std::max(out.back().block, p);
        } else {
            out.push_back({{a, a}, p});
            open = true;
        }
    }
    return out;
}

}  // namespace zentiq
