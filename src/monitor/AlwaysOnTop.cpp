#include "AlwaysOnTop.h"

#include "Platform.h"

namespace moravel::monitor {

void FensterImmerOben(QWidget* window) {
    ui::stayOnTop(window);
}

} // namespace moravel::monitor
