#include "DesktopNotifier.h"

#include "SettingsStore.h"

namespace moravel::monitor {

namespace {
const QString kBenachrichtigung = QStringLiteral("Benachrichtigung");
}

bool desktopNotificationsWanted() {
    return settings::read(settings::kSectionWardol, kBenachrichtigung, QStringLiteral("1")) !=
           QLatin1String("0");
}

bool setDesktopNotificationsWanted(bool wanted) {
    return settings::write(settings::kSectionWardol, kBenachrichtigung,
                           wanted ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace moravel::monitor
