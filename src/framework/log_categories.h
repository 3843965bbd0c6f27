// The program's logging categories. Debug output is off unless rules turn
// it on, e.g. QT_LOGGING_RULES="zentiq.engine.debug=true"; warnings are
// always shown.
#pragma once

#include <QLoggingCategory>

namespace zentiq {

// The line: each transaction's bytes, times and failures, each opening.
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
// The application: connecting, automation clients, the end of the program.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
// What the user is told and asked.
Q_DECLARE_LOGGING_CATEGORY(lcUi)

}  // namespace zentiq
