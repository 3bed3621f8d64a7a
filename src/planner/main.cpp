#include "CommandLine.h"
#include "DateSerial.h"
#include "NumberText.h"
#include "PlannerStyle.h"
#include "Platform.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "frmTermin.h"

#include <QApplication>

int main(int argc, char** argv) {
    if (const std::optional<int> status = moravel::planner::runCommandLine(argc, argv))
        return *status;
    // Always-on-top windows and window positions need X11; under Wayland run through XWayland
    // unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Moravel"));
    QApplication::setOrganizationName(QStringLiteral("BriskoMoravel"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(MORAVEL_VERSION_MAJOR)
                                            .arg(MORAVEL_VERSION_MINOR)
                                            .arg(MORAVEL_VERSION_PATCH));
    moravel::ui::installGermanTranslations(application);
    // The desktop's style, or the one the user chose, with the planner's own standard pictures.
    QApplication::setStyle(new moravel::planner::PlannerStyle(QApplication::style()->name()));

    moravel::ui::SingleInstance instance(moravel::ui::kPlannerInstance);
    // A planner started while one runs (a click on the monitor's tray icon, the menu) hands over
    // before its start-up, which would report the missed appointments again. Like every orderly
    // end it leaves its moment as the planner's last closing.
    if (!instance.isPrimary() && instance.notifyPrimary()) {
        moravel::settings::write(moravel::settings::kSectionTermin, QStringLiteral("MoravelBeendet"),
                                 moravel::numtext::general(moravel::serial::now()));
        return 0;
    }
    moravel::planner::frmTermin window(&instance);
    window.Form_Load(moravel::planner::frmTermin::FirstList::ScreenFirst);
    window.show();
    return QApplication::exec();
}
