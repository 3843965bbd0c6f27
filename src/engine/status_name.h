// Untranslated names of engine results, for logs and test messages; the
// user reads the translated texts of the status pane instead.
#pragma once

#include <string>

#include "engine/engine_types.h"

namespace zentiq {

// The constant's own name ("Ok", "Timeout", "ConnectError", ...),
// "Exception <code>" for a slave's exception answer, "Status <value>" for a
// value the engine does not produce.
std::string StatusName(EngineStatus value);

}  // namespace zentiq
