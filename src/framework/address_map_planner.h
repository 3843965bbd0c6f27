// Which addresses of one table answer, found by bisection over blocks: a
// block that reads is readable as a whole; one that does not is halved down
// to the granularity, and the edges of every readable range are then found
// to the address by binary search. Runs of at least 2 x granularity - 1
// addresses are always found; the budget decides the granularity. Pure
// logic: the caller sends each request and reports whether it read.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zentiq {

struct AddressRange {
    int first = 0;  // inclusive, 0-based protocol addresses
    int last = 0;
    bool operator==(const AddressRange&) const = default;
};

class AddressMapPlanner {
public:
    struct Request {
        int address = 0;
        int quantity = 0;
    };

    // [first, last] within 0..65535; maxQuantity the most one request may
    // read (125 registers, 2000 bits); budget the most requests (>= 1).
    AddressMapPlanner(int first, int last, int maxQuantity, int budget);

    // The next request, or nothing when the map is complete or the budget
    // is spent.
    std::optional<Request> Next();
    // Whether the request Next() gave read.
    void Answer(bool readable);

    std::vector<AddressRange> Readable() const;
    int Requests() const { return m_requests; }
    int Granularity() const { return m_granularity; }
    // Work was left when the budget ran out.
    bool BudgetSpent() const { return m_budgetSpent; }

private:
    struct Block {
        int address;
        int quantity;
    };
    struct Edge {
        std::size_t range;
        bool left;
        int lo;
        int hi;
    };
    void startEdges();
    void merge();
    Request edgeRequest() const;

    int m_first;
    int m_last;
    int m_granularity = 1;
    int m_budget;
    int m_requests = 0;
    bool m_budgetSpent = false;
    std::vector<Block> m_blocks;  // a stack: the lowest address on top
    std::vector<AddressRange> m_ranges;
    std::vector<Edge> m_edges;
    bool m_edgesStarted = false;
    std::optional<Request> m_pending;
    bool m_pendingIsEdge = false;
};

}  // namespace zentiq
