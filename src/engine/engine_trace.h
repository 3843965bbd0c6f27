// What the line does, for whoever listens: each transaction with its
// request and answer bytes as they went over the wire, when it began and
// how long it took, and the errno behind a failure; each attempt to open
// the line. One callback, set once; while none is set the engine copies
// nothing for it (a transaction's duration comes from the transaction
// timing, which measures every one anyway).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "engine/engine_types.h"

namespace zentiq {

struct TraceRecord {
    enum class Kind : std::uint8_t { Transaction, Open };
    Kind kind = Kind::Transaction;
    // The slot of a transaction (0 for one-shot requests); -1 for an opening.
    int slot = -1;
    // When it began (wall clock) and how long it took.
    std::chrono::system_clock::time_point began;
    std::chrono::microseconds elapsed{0};
    // As on the wire, including framing; empty when nothing went or came.
    const std::uint8_t* request = nullptr;
    std::size_t requestLength = 0;
    const std::uint8_t* answer = nullptr;
    std::size_t answerLength = 0;
    // Ok or why not: the transaction's status, or the opening's result code
    // (0 = opened).
    int status = 0;
    // errno of the system call that failed, 0 when none did.
    int error = 0;
    // An opening's device path or "address:port"; null for a transaction.
    const char* line = nullptr;
};

// Called on the thread that did the work (the poll worker for
// transactions); must not call back into the engine.
using TraceFn = void (*)(const TraceRecord& record);

// nullptr: nobody listens. Returns the previous callback.
TraceFn SetTraceCallback(TraceFn trace);
TraceFn TraceCallback();

// For the lines: the errno of a failed system call of the current
// transaction (the last one counts). Per thread.
void NoteLineError(int error);
// Clears and returns the noted errno.
int TakeLineError();

}  // namespace zentiq
