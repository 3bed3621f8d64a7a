#pragma once

#include <Qt>

namespace moravel::monitor {

// The monitor's small fixed side windows (info, calendar): a title and a close box only.
inline constexpr Qt::WindowFlags kSmallWindowFlags =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

} // namespace moravel::monitor
