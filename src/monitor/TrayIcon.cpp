#include "TrayIcon.h"

namespace moravel::monitor {

SystemTrayIcon::SystemTrayIcon() {
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
}

bool SystemTrayIcon::available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIcon::install(const QIcon& icon, const QString& toolTip) {
    m_icon.setIcon(icon);
    m_icon.setToolTip(toolTip);
    m_icon.show();
}

void SystemTrayIcon::remove() {
    m_icon.hide();
}

bool SystemTrayIcon::installed() const {
    return m_icon.isVisible();
}

} // namespace moravel::monitor
