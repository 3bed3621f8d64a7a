#include "FreedesktopNotifier.h"
#include "Pictures.h"
#include "Platform.h"
#include "SingleInstance.h"
#include "SyncRunner.h"
#include "ThemeSound.h"
#include "TrayIcon.h"
#include "frmAutostart.h"
#include "frmTray.h"

#include <QApplication>
#include <QDBusConnection>

namespace {

// The monitor's platform services, with the reminder's beep from the desktop's sound theme.
class MonitorPlatform : public moravel::ui::Platform {
public:
    void beep() override { m_bell.play(); }

private:
    moravel::monitor::ThemeSound m_bell{&QApplication::beep};
};

} // namespace

int main(int argc, char** argv) {
    // The windows' stay-on-top placement and position need X; Wayland ignores both.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wardolin"));
    // The monitor lives on with every window hidden; only the main window's unload ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    moravel::ui::installGermanTranslations(application);
    // Made now, so that the sound is ready at the server before the first reminder.
    MonitorPlatform platform;
    moravel::ui::Platform::setInstance(&platform);

    // One monitor per user: a second one (the planner's "Wardo.", a start at logon beside a
    // running monitor) would give every reminder twice. It hands over to the first and ends
    // before it opens anything.
    moravel::ui::SingleInstance instance(moravel::ui::kMonitorInstance);
    if (!instance.isPrimary()) {
        instance.notifyPrimary();
        return 0;
    }

    moravel::monitor::FreedesktopNotifier notifier(moravel::monitor::programIcon(64),
                                                   QDBusConnection::sessionBus());
    moravel::monitor::frmAutostart window;
    window.setNotifier(&notifier);
    moravel::monitor::frmTray tray(window, std::make_unique<moravel::monitor::SystemTrayIcon>());
    window.setBackground(&tray);
    QObject::connect(&instance, &moravel::ui::SingleInstance::activationRequested, &tray,
                     &moravel::monitor::frmTray::anderenStartUebernehmen);
    QObject::connect(&window, &moravel::monitor::frmAutostart::entladen, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    window.Form_Load();
    // A reminder entered on another machine comes here too: synced every five minutes when set so.
    moravel::sync::AutoSync calendarSync;
    calendarSync.start();
    return application.exec();
}
