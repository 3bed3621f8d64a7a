#pragma once

#include <QLoggingCategory>

namespace moravel::monitor {
Q_DECLARE_LOGGING_CATEGORY(lcMonitor)
}
