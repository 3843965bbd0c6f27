#include "framework/address_map_planner.h"

#include <algorithm>

namespace zentiq {
namespace {

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

AddressMapPlanner::AddressMapPlanner(int first, int last, int maxQuantity, int budget)
    : m_first(std::clamp(first, 0, 65535)), m_last(std::clamp(last, 0, 65535)),
      m_budget(std::max(budget, 1)) {
    if (m_last < m_first)
        std::swap(m_first, m_last);
    const int top = PowerOfTwoAtMost(std::max(maxQuantity, 1));
    const int span = m_last - m_first + 1;
    // Empty space costs about 2 x span / granularity requests; half the
    // budget is kept for it, the rest for the edges.
    m_granularity = std::min(top, PowerOfTwoAtLeast((4 * span + m_budget - 1) / m_budget));
    for (int a = m_last - (m_last - m_first) % top; a >= m_first; a -= top)
        m_blocks.push_back({a, std::min(top, m_last - a + 1)});
}

std::optional<AddressMapPlanner::Request> AddressMapPlanner::Next() {
    if (m_pending)
        return m_pending;
    if (!m_blocks.empty()) {
        if (m_requests >= m_budget) {
            m_budgetSpent = true;
            return std::nullopt;
        }
        const Block b = m_blocks.back();
        m_pending = Request{b.address, b.quantity};
        m_pendingIsEdge = false;
        ++m_requests;
        return m_pending;
    }
    if (!m_edgesStarted)
        startEdges();
    while (!m_edges.empty()) {
        Edge& e = m_edges.back();
        if (e.lo >= e.hi) {
            AddressRange& r = m_ranges[e.range];
            (e.left ? r.first : r.last) = e.lo;
            m_edges.pop_back();
            if (m_edges.empty())
                merge();
            continue;
        }
        if (m_requests >= m_budget) {
            m_budgetSpent = true;
            return std::nullopt;
        }
        m_pending = edgeRequest();
        m_pendingIsEdge = true;
        ++m_requests;
        return m_pending;
    }
    return std::nullopt;
}

AddressMapPlanner::Request AddressMapPlanner::edgeRequest() const {
    const Edge& e = m_edges.back();
    const AddressRange& r = m_ranges[e.range];
    if (e.left) {
        const int mid = e.lo + (e.hi - e.lo) / 2;
        return {mid, r.first - mid};
    }
    const int mid = e.lo + (e.hi - e.lo + 1) / 2;
    return {r.last + 1, mid - r.last};
}

void AddressMapPlanner::Answer(bool readable) {
    if (!m_pending)
        return;
    const Request q = *m_pending;
    m_pending.reset();
    if (!m_pendingIsEdge) {
        m_blocks.pop_back();
        if (readable) {
            m_ranges.push_back({q.address, q.address + q.quantity - 1});
        } else if (q.quantity > m_granularity) {
            const int half = q.quantity / 2;
            m_blocks.push_back({q.address + half, q.quantity - half});
            m_blocks.push_back({q.address, half});
        }
        return;
    }
    Edge& e = m_edges.back();
    if (e.left) {
        const int mid = q.address;
        readable ? e.hi = mid : e.lo = mid + 1;
    } else {
        const int mid = q.address + q.quantity - 1;
        readable ? e.lo = mid : e.hi = mid - 1;
    }
}

namespace {

std::vector<AddressRange> Merged(std::vector<AddressRange> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const AddressRange& a, const AddressRange& b) { return a.first < b.first; });
    std::vector<AddressRange> merged;
    for (const AddressRange& r : ranges) {
        if (!merged.empty() && r.first <= merged.back().last + 1)
            merged.back().last = std::max(merged.back().last, r.last);
        else
            merged.push_back(r);
    }
    return merged;
}

}  // namespace

void AddressMapPlanner::merge() { m_ranges = Merged(std::move(m_ranges)); }

void AddressMapPlanner::startEdges() {
    m_edgesStarted = true;
    merge();
    // Only the failed block next to a range can hold more of it, and failed
    // blocks are no larger than the granularity.
    for (std::size_t i = m_ranges.size(); i-- > 0;) {
        const AddressRange& r = m_ranges[i];
        if (r.last < m_last)
            m_edges.push_back({i, false, r.last, std::min(m_last, r.last + m_granularity)});
        if (r.first > m_first)
            m_edges.push_back({i, true, std::max(m_first, r.first - m_granularity), r.first});
    }
}

std::vector<AddressRange> AddressMapPlanner::Readable() const { return Merged(m_ranges); }

}  // namespace zentiq
