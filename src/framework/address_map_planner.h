// Which addresses of one table answer, within a request budget.
//
// Small maps sit at a few usual places, so single addresses at the start of
// the range and at the common bases (0, 1, 100, 1000, ... 40000, 40001, ...)
// are tried first, and every hit is grown to its edges (doubling reads, then
// binary search). The rest of the range is then bisected: blocks that read
// are kept, blocks that fail are halved down to a granularity the budget
// allows, and the edges of what read are found to the address. Whatever the
// budget still allows goes to finer passes over what failed, halving the
// blocks again until every address is known or the budget is spent.
// UncoveredRanges() says what may still hide readable addresses.
//
// A read is taken to succeed exactly when every address it touches exists.
// Pure logic: the caller sends each request and reports whether it read.
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
    // Addresses of unknown state. `block` 0: never read; otherwise the
    // smallest failed read that covered them, so a readable run there is
    // shorter than 2 x block - 1 addresses.
    struct Uncovered {
        AddressRange range;
        int block = 0;
        bool operator==(const Uncovered&) const = default;
    };

    // [first, last] within 0..65535; maxQuantity the most one request may
    // read (125 registers, 2000 bits); budget the most requests (>= 1).
    AddressMapPlanner(int first, int last, int maxQuantity, int budget);

    // The addresses tried singly before the bisection, lowest first.
    static std::vector<int> Seeds(int first, int last);

    // The next request, or nothing when the map is complete or the budget
    // is spent.
    std::optional<Request> Next();
    // Whether the request Next() gave read.
    void Answer(bool readable);

    std::vector<AddressRange> Readable() const;
    std::vector<Uncovered> UncoveredRanges() const;
    int Requests() const { return m_requests; }
    // The block size of the first bisection pass: every run of at least
    // 2 x granularity - 1 addresses is found (given the budget it is sized for).
    int Granularity() const { return m_granularity; }
    // Work was left when the budget ran out.
    bool BudgetSpent() const { return m_budgetSpent; }

private:
    enum class State : std::uint8_t { Unknown, Readable, Unreadable };
    enum class Phase { Seeds, Bisect };
    enum class Kind { Seed, Block, Edge };
    struct Block {
        int address;
        int quantity;
        bool split;  // a failure halves it again
    };
    struct Edge {
        bool right;
        int good;   // the readable address furthest out so far
        int bound;  // the furthest the run can reach
        int step;   // doubling reads while > 0
    };

    State& at(int address) { return m_state[static_cast<std::size_t>(address - m_first)]; }
    State at(int address) const { return m_state[static_cast<std::size_t>(address - m_first)]; }
    void mark(int first, int last, State state);
    void failed(int first, int last);
    std::optional<Request> issue(Request request, Kind kind);
    bool startEdge();
    Request edgeRequest() const;
    void edgeAnswer(const Request& q, bool readable);
    void pushAligned(int first, int last, int size, bool split);
    bool refine();

    int m_first;
    int m_last;
    int m_maxQuantity;
    int m_top;
    int m_granularity = 1;
    int m_budget;
    int m_requests = 0;
    bool m_budgetSpent = false;
    Phase m_phase = Phase::Seeds;
    std::vector<int> m_seeds;     // a stack: the lowest on top
    std::vector<Block> m_blocks;  // a stack: the lowest address on top
    std::vector<State> m_state;
    std::vector<std::uint16_t> m_probed;  // the smallest failed read over each address
    std::vector<AddressRange> m_failed;   // every read that failed
    std::optional<Edge> m_edge;
    std::optional<Request> m_pending;
    Kind m_pendingKind = Kind::Seed;
    bool m_pendingSplit = false;
};

}  // namespace zentiq
