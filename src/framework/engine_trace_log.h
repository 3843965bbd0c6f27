// Routes the engine's trace to the zentiq.engine logging category. Nothing
// is formatted while the category's debug output is off.
#pragma once

#include <QString>
#include <cstdint>

#include "engine/engine_trace.h"

namespace zentiq {

// Installs the route (once is enough; again does no harm).
void InstallEngineTraceLog();

// One record as a log line, e.g.
// "12:00:01.250 slot 1 Ok 3.2 ms >> 00 01 00 00 00 06 01 03 00 00 00 02 << ..."
QString EngineTraceLine(const TraceRecord& record);

// How many records have been formatted for the log so far.
std::uint64_t EngineTraceLinesFormatted();

}  // namespace zentiq
