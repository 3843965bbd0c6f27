#include "framework/log_categories.h"

namespace zentiq {

Q_LOGGING_CATEGORY(lcEngine, "zentiq.engine", QtWarningMsg)
Q_LOGGING_CATEGORY(lcApp, "zentiq.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "zentiq.ui", QtWarningMsg)

}  // namespace zentiq
