#include "engine/engine_trace.h"

#include <atomic>

namespace zentiq {
namespace {

std::atomic<TraceFn> g_trace{nullptr};
thread_local int t_lineError = 0;

}  // namespace

TraceFn SetTraceCallback(TraceFn trace) {
    return g_trace.exchange(trace, std::memory_order_acq_rel);
}

TraceFn TraceCallback() { return g_trace.load(std::memory_order_acquire); }

void NoteLineError(int error) { t_lineError = error; }

int TakeLineError() {
    const int error = t_lineError;
    t_lineError = 0;
    return error;
}

}  // namespace zentiq
