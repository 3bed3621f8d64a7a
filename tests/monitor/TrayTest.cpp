#include "MonitorFixture.h"

#include "MessageBox.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "frmInfoMonitor.h"
#include "frmUhr.h"
#include "frmZeittermin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace moravel;
using namespace moravel::test;

namespace {

QString termin(const QString& key) {
    return settings::read(settings::kSectionTermin, key);
}

QString setting(const QString& key) {
    return settings::read(settings::kSectionSetting, key);
}

// The menu as the user reads it: captions, "-" for separators, "[ ]"/"[x]" before check items,
// and the submenu's entries indented behind its caption.
QStringList entries(const QMenu* menu, const QString& indent = QString()) {
    QStringList lines;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            lines << indent + QStringLiteral("-");
            continue;
        }
        const QString mark = action->isCheckable() ? (action->isChecked() ? "[x] " : "[ ] ") : "";
        lines << indent + mark + action->text();
        if (action->menu())
            lines << entries(action->menu(), indent + QStringLiteral("    "));
    }
    return lines;
}

QColor stripColour(const monitor::frmUhr& clock) {
    return child<QLabel>(clock, "Label1")->palette().color(QPalette::Window);
}

} // namespace

using TrayWindow = TrayTest;

TEST_F(TrayWindow, LoadingMarksTheMonitorRunningAndInstallsTheIconInsteadOfTheMainWindow) {
    settings::write(settings::kSectionTermin, "IstAktiv", "0");
    startWithTray();
    EXPECT_EQ(termin("IstAktiv"), QStringLiteral("1"));
    EXPECT_TRUE(tray->isLoaded());
    EXPECT_TRUE(icon->installed());
    EXPECT_EQ(icon->tip, QStringLiteral("Brisko Moravel"));
    EXPECT_FALSE(icon->installedIcon.pixmap(22, 22).isNull());
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(tray->isVisible());
    EXPECT_TRUE(Timer1()->isActive());

    main->close();
    EXPECT_EQ(termin("IstAktiv"), QStringLiteral("0"));
    EXPECT_FALSE(icon->installed());
}

TEST_F(TrayWindow, LeftClickStartsThePlannerFromTheMonitorsDirectoryAndOtherClicksDoNothing) {
    startWithTray();
    icon->click(QSystemTrayIcon::Trigger);
    EXPECT_EQ(platform.started, QStringList{main->PfadzurExe + QStringLiteral("/Moravel")});
    // The second of two quick clicks comes as a double click; it is a click all the same.
    icon->click(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(platform.started.size(), 2);

    icon->click(QSystemTrayIcon::MiddleClick);
    icon->click(QSystemTrayIcon::Unknown);
    EXPECT_EQ(platform.started.size(), 2);
    EXPECT_FALSE(child<QMenu>(*tray, "mnBar")->isVisible());

    child<QAction>(*tray, "mnNix")->trigger();
    EXPECT_EQ(platform.started.size(), 3);
    EXPECT_EQ(platform.started.last(), main->PfadzurExe + QStringLiteral("/Moravel"));

    // A running planner is asked to come to the front, and none is started.
    ui::SingleInstance planner(ui::kPlannerInstance);
    ASSERT_TRUE(planner.isPrimary());
    QSignalSpy raised(&planner, &ui::SingleInstance::activationRequested);
    icon->click(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(raised.count() == 1 || raised.wait(2000));
    EXPECT_EQ(platform.started.size(), 3);
}

TEST_F(TrayWindow, ASecondMonitorsStartShowsTheCurrentAppointmentsAsTheMenuDoes) {
    startWithTray();
    tray->anderenStartUebernehmen();
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(icon->installed());
    EXPECT_FALSE(Timer1()->isActive());
    // Once more while the window is shown: it stays, and the tray is not loaded behind it.
    tray->anderenStartUebernehmen();
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(tray->isLoaded());
}

TEST_F(TrayWindow, MenuHoldsEveryEntryInOrder) {
    startWithTray();
    EXPECT_EQ(entries(child<QMenu>(*tray, "mnBar")),
              QStringList({"Abbrechen",
                           "-",
                           "Moravel",
                           "Aktuelle Termine zeigen",
                           "-",
                           "[ ] Wardolin autom. mit Windows starten",
                           "[x] Erinnerungen auch als Desktop-Benachrichtigung",
                           "-",
                           "Uhr Einstellungen",
                           "    [ ] Uhr anzeigen",
                           "    -",
                           "    Hintergrundfarbe Transparent",
                           "    Hintergrundfarbe Schwarz",
                           "    Hintergrundfarbe Weiß",
                           "    Hintergrundfarbe Rot",
                           "    Hintergrundfarbe Grün",
                           "    Hintergrundfarbe Blau",
                           "    Hintergrundfarbe WinGrau",
                           "    -",
                           "    Textfarbe Transparent",
                           "    Textfarbe Schwarz",
                           "    Textfarbe Weiß",
                           "    Textfarbe Rot",
                           "    Textfarbe Grün",
                           "    Textfarbe Blau",
                           "    Textfarbe Gelb",
                           "-",
                           "Info...",
                           "Wardolin ganz beenden"}));
}

TEST_F(TrayWindow, RightClickOpensTheMenuAndAbbrechenClosesItWithoutAnyOtherEffect) {
    startWithTray();
    const QByteArray settingsBefore = readFile(env.settingsPath());
    icon->click(QSystemTrayIcon::Context);
    ASSERT_TRUE(child<QMenu>(*tray, "mnBar")->isVisible());

    QTest::mouseClick(
        child<QMenu>(*tray, "mnBar"), Qt::LeftButton, {},
        child<QMenu>(*tray, "mnBar")->actionGeometry(child<QAction>(*tray, "mnuAbbrechen")).center());
    EXPECT_FALSE(child<QMenu>(*tray, "mnBar")->isVisible());
    EXPECT_TRUE(platform.started.isEmpty());
    EXPECT_TRUE(icon->installed());
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(tray->uhr(), nullptr);
    EXPECT_EQ(readFile(env.settingsPath()), settingsBefore);
}

TEST_F(TrayWindow, AktuelleTermineZeigenRemovesTheIconAndShowsTheMainWindowUntilMonitoringResumes) {
    settings::write(settings::kSectionWardol, "WindowStateX", "1");
    startWithTray();
    child<QAction>(*tray, "mnBeep")->trigger();
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->isMinimized());
    EXPECT_FALSE(Timer1()->isActive());
    EXPECT_FALSE(icon->installed());
    EXPECT_FALSE(tray->isLoaded());

    settings::write(settings::kSectionTermin, "IstAktiv", "0");
    Command1()->click();
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(icon->installed());
    EXPECT_EQ(termin("IstAktiv"), QStringLiteral("1"));
    EXPECT_TRUE(Timer1()->isActive());
}

TEST_F(TrayWindow, DismissingAPopupAfterTheMenuShowedTheMainWindowResumesMonitoring) {
    const QDate today(2026, 3, 9);
    addRows(
        {appointmentOn(today, QTime(14, 0, 5), "Erster"), appointmentOn(today, QTime(14, 0, 15), "Zweiter")});
    startWithTray();
    Command1()->click();
    for (int second = 1; second <= 5; ++second)
        tickAt(QDateTime(today, QTime(14, 0, second)));
    monitor::frmZeittermin* popup = main->popup();
    ASSERT_TRUE(popup && popup->isVisible());

    child<QAction>(*tray, "mnBeep")->trigger();
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(Timer1()->isActive());
    child<QPushButton>(*popup, "Command2")->click();
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(icon->installed());
    ASSERT_TRUE(Timer1()->isActive());

    for (int second = 6; second <= 15; ++second)
        tickAt(QDateTime(today, QTime(14, 0, second)));
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(child<QLineEdit>(*popup, "Text1")->text(), "Zweiter");
}

TEST_F(TrayWindow, TheNotificationItemIsStoredAndDecidesWhetherTheNextReminderIsNotified) {
    const QDate today(2026, 3, 9);
    addRows(
        {appointmentOn(today, QTime(14, 0, 5), "Erster"), appointmentOn(today, QTime(14, 0, 15), "Zweiter")});
    settings::write(settings::kSectionWardol, "Benachrichtigung", "0");
    startWithTray();
    Command1()->click();
    QAction* item = child<QAction>(*tray, "mnuBenachrichtigung");
    EXPECT_FALSE(item->isChecked());
    for (int second = 1; second <= 5; ++second)
        tickAt(QDateTime(today, QTime(14, 0, second)));
    ASSERT_TRUE(main->popup() && main->popup()->isVisible());
    EXPECT_TRUE(notifier.shown.empty());
    child<QPushButton>(*main->popup(), "Command2")->click();

    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(settings::read(settings::kSectionWardol, "Benachrichtigung"), "1");
    for (int second = 6; second <= 15; ++second)
        tickAt(QDateTime(today, QTime(14, 0, second)));
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_TRUE(notifier.shown[0].body.startsWith("Zweiter\n"));
}

TEST_F(TrayWindow, ANotificationSwitchThatCannotBeStoredIsToldAndShowsWhatIsStored) {
    startWithTray();
    // The settings file cannot be written where a directory stands in its place.
    QFile::remove(env.settingsPath());
    ASSERT_TRUE(QDir().mkpath(env.settingsPath()));
    ui::MessageBox::setAutoAnswer(QMessageBox::Ok);
    QAction* item = child<QAction>(*tray, "mnuBenachrichtigung");
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_TRUE(ui::MessageBox::history()[0].text.contains(env.settingsPath()));
    ui::MessageBox::reset();
}

TEST_F(TrayWindow, ClosingIsRefusedUnlessTheProgramClosesIt) {
    startWithTray();
    QCloseEvent byUser;
    QApplication::sendEvent(tray.get(), &byUser);
    EXPECT_FALSE(byUser.isAccepted());
    EXPECT_TRUE(icon->installed());
    EXPECT_TRUE(tray->isLoaded());

    tray->close();
    EXPECT_TRUE(icon->installed());

    tray->schliessen();
    EXPECT_FALSE(icon->installed());
    EXPECT_FALSE(tray->isLoaded());
}

TEST_F(TrayWindow, ExitAsksForTheEndAndTheMainWindowUnloadsInfoTrayAndClockInThisOrder) {
    settings::write(settings::kSectionTermin, "UhrStart", "1");
    startWithTray();
    child<QAction>(*tray, "mnMsgShow")->trigger();
    ASSERT_NE(tray->info(), nullptr);
    ASSERT_NE(tray->uhr(), nullptr);
    QObject::connect(tray->info(), &QObject::destroyed, [this] { icon->log << "info closed"; });
    QObject::connect(tray->uhr(), &QObject::destroyed, [this] { icon->log << "clock closed"; });
    int unloaded = 0;
    QObject::connect(main.get(), &monitor::frmAutostart::entladen, [&unloaded] { ++unloaded; });
    icon->log.clear();

    child<QAction>(*tray, "mnExit")->trigger();
    EXPECT_TRUE(tray->ausGewuenscht());
    EXPECT_TRUE(main->ausGewuenscht());
    EXPECT_EQ(unloaded, 1);
    EXPECT_EQ(termin("IstAktiv"), QStringLiteral("0"));
    EXPECT_EQ(icon->log, QStringList({"info closed", "icon removed", "clock closed"}));
    EXPECT_EQ(tray->info(), nullptr);
    EXPECT_EQ(tray->uhr(), nullptr);
}

using TrayClockItems = TrayTest;

TEST_F(TrayClockItems, UhrStartShowsTheClockAtLoadAndUhrAnzeigenSwitchesIt) {
    settings::write(settings::kSectionTermin, "UhrStart", "1");
    startWithTray();
    ASSERT_NE(tray->uhr(), nullptr);
    EXPECT_TRUE(tray->uhr()->isVisible());
    EXPECT_TRUE(child<QAction>(*tray, "mnuUhrZeigen")->isChecked());

    child<QAction>(*tray, "mnuUhrZeigen")->trigger();
    EXPECT_FALSE(child<QAction>(*tray, "mnuUhrZeigen")->isChecked());
    EXPECT_EQ(termin("Uhrstart"), QStringLiteral("0"));
    EXPECT_EQ(tray->uhr(), nullptr);

    child<QAction>(*tray, "mnuUhrZeigen")->trigger();
    EXPECT_TRUE(child<QAction>(*tray, "mnuUhrZeigen")->isChecked());
    EXPECT_EQ(termin("UhrStart"), QStringLiteral("1"));
    ASSERT_NE(tray->uhr(), nullptr);
    EXPECT_TRUE(tray->uhr()->isVisible());
}

TEST_F(TrayClockItems, BackgroundRedWithTheClockHiddenShowsItRedAndLeavesUhrAnzeigenUnchecked) {
    startWithTray();
    ASSERT_EQ(tray->uhr(), nullptr);
    child<QAction>(*tray, "mnuHintergrundRot")->trigger();
    EXPECT_EQ(setting("UhrHintergrund"), QStringLiteral("255"));
    ASSERT_NE(tray->uhr(), nullptr);
    EXPECT_TRUE(tray->uhr()->isVisible());
    EXPECT_EQ(stripColour(*tray->uhr()), QColor(255, 0, 0));
    EXPECT_FALSE(child<QAction>(*tray, "mnuUhrZeigen")->isChecked());
    EXPECT_NE(termin("UhrStart"), QStringLiteral("1"));
}

TEST_F(TrayClockItems, BackgroundItemReloadsAShownClockWithTheNewColour) {
    settings::write(settings::kSectionTermin, "UhrStart", "1");
    startWithTray();
    const QPointer<monitor::frmUhr> before = tray->uhr();
    child<QAction>(*tray, "mnuHintergrundTransparent")->trigger();
    EXPECT_TRUE(before.isNull());
    ASSERT_NE(tray->uhr(), nullptr);
    EXPECT_TRUE(tray->uhr()->isVisible());
    EXPECT_EQ(stripColour(*tray->uhr()), QColor(Qt::white));
    EXPECT_EQ(child<QLabel>(*tray->uhr(), "Label1")->height(), ui::toPixels(795));
    EXPECT_TRUE(child<QAction>(*tray, "mnuUhrZeigen")->isChecked());
}

TEST_F(TrayClockItems, TextYellowWithTheClockHiddenStoresTheColourAndShowsNothing) {
    startWithTray();
    child<QAction>(*tray, "mnuUhrTextGelb")->trigger();
    EXPECT_EQ(setting("UhrFarbe"), QStringLiteral("65535"));
    ASSERT_NE(tray->uhr(), nullptr);
    EXPECT_FALSE(tray->uhr()->isVisible());
    EXPECT_EQ(child<QLabel>(*tray->uhr(), "Label1")->palette().color(QPalette::WindowText),
              QColor(255, 255, 0));

    // The clock loaded by it is the one "Uhr anzeigen" then shows.
    const QPointer<monitor::frmUhr> loaded = tray->uhr();
    child<QAction>(*tray, "mnuUhrZeigen")->trigger();
    EXPECT_EQ(tray->uhr(), loaded.data());
    EXPECT_TRUE(loaded->isVisible());
}

TEST_F(TrayClockItems, EveryColourItemStoresItsValue) {
    startWithTray();
    const std::vector<std::pair<QAction*, QString>> background = {
        {child<QAction>(*tray, "mnuHintergrundTransparent"), "16777215"},
        {child<QAction>(*tray, "mnuHintergrundSchwarz"), "0"},
        {child<QAction>(*tray, "mnuHintergrundWeiss"), "16711422"},
        {child<QAction>(*tray, "mnuHintergrundRot"), "255"},
        {child<QAction>(*tray, "mnuHintergrundGruen"), "52224"},
        {child<QAction>(*tray, "mnuHintergrundBlau"), "16750182"},
        {child<QAction>(*tray, "mnuHintergrundGrau"), "-2147483633"}};
    for (const auto& [item, value] : background) {
        item->trigger();
        EXPECT_EQ(setting("UhrHintergrund"), value) << item->text().toStdString();
    }
    const std::vector<std::pair<QAction*, QString>> text = {
        {child<QAction>(*tray, "mnuUhrTextTransparent"), "16777215"},
        {child<QAction>(*tray, "mnuUhrTextSchwarz"), "0"},
        {child<QAction>(*tray, "mnuUhrTextWeiss"), "16711422"},
        {child<QAction>(*tray, "mnuUhrTextRot"), "255"},
        {child<QAction>(*tray, "mnuUhrTextGruen"), "65280"},
        {child<QAction>(*tray, "mnuUhrTextBlau"), "16711680"},
        {child<QAction>(*tray, "mnuUhrTextGelb"), "65535"}};
    for (const auto& [item, value] : text) {
        item->trigger();
        EXPECT_EQ(setting("UhrFarbe"), value) << item->text().toStdString();
    }
    EXPECT_EQ(setting("UhrHintergrund"), QStringLiteral("-2147483633"));
    EXPECT_EQ(stripColour(*tray->uhr()), QApplication::palette().color(QPalette::Button));
}

TEST_F(TrayClockItems, InfoItemShowsOneInfoWindow) {
    startWithTray();
    child<QAction>(*tray, "mnMsgShow")->trigger();
    monitor::frmInfoMonitor* info = tray->info();
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->isVisible());
    child<QPushButton>(*info, "Command1")->click();
    EXPECT_FALSE(info->isVisible());
    child<QAction>(*tray, "mnMsgShow")->trigger();
    EXPECT_EQ(tray->info(), info);
    EXPECT_TRUE(info->isVisible());
}

using TrayMissing = TrayTest;

TEST_F(TrayMissing, MainWindowWaitsMinimisedAndStillMonitoringUntilTheTrayAppears) {
    startWithTray(false);
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(main->isMinimized());
    EXPECT_FALSE(icon->installed());
    EXPECT_EQ(termin("IstAktiv"), QStringLiteral("1"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(Timer1()->isActive());
    ASSERT_TRUE(child<QTimer>(*tray, "trayWarten")->isActive());

    tray->trayWarten_Timer();
    EXPECT_FALSE(icon->installed());
    EXPECT_TRUE(child<QTimer>(*tray, "trayWarten")->isActive());

    icon->trayPresent = true;
    tray->trayWarten_Timer();
    EXPECT_TRUE(icon->installed());
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(child<QTimer>(*tray, "trayWarten")->isActive());
}

TEST_F(TrayMissing, AWindowTheUserHasOpenedStaysWhenTheTrayAppears) {
    startWithTray(false);
    main->showMainWindow();
    main->showNormal();
    icon->trayPresent = true;
    tray->trayWarten_Timer();
    EXPECT_TRUE(icon->installed());
    EXPECT_TRUE(main->isVisible());
}

TEST_F(TrayMissing, WaitingEndsAfterFiveMinutesAndTheWindowStaysReachable) {
    startWithTray(false);
    const int checks = 5 * 60 * 1000 / child<QTimer>(*tray, "trayWarten")->interval();
    for (int i = 1; i < checks; ++i)
        tray->trayWarten_Timer();
    EXPECT_TRUE(child<QTimer>(*tray, "trayWarten")->isActive());
    tray->trayWarten_Timer();
    EXPECT_FALSE(child<QTimer>(*tray, "trayWarten")->isActive());
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(main->isMinimized());
}
