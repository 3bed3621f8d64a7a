#include "TrayIcon.h"

namespace moravel::monitor {

SystemTrayIcon::SystemTrayIcon() {
    connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Qt has opened the menu of an XEmbed icon already; a panel that asks for it instead
        // (a StatusNotifierItem host that does not read menus) gets it opened here.
        const QMenu* menu = m_icon.contextMenu();
        if (reason == QSystemTrayIcon::Context && menu && menu->isVisible())
            return;
        Q_EMIT activated(reason);
    });
}

bool SystemTrayIcon::available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIcon::install(const QIcon& icon, const QString& toolTip, QMenu* menu) {
    m_icon.setContextMenu(menu);
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
