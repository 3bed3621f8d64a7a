#include "MonitorFixture.h"

#include "DataLocation.h"
#include "DateSerial.h"
#include "ForeignConnection.h"
#include "MessageBox.h"
#include "NextWakeup.h"
#include "SettingsStore.h"
#include "frmZeittermin.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace moravel;
using namespace moravel::test;

namespace {

QString wardol(const QString& key) {
    return settings::read(settings::kSectionWardol, key);
}

QStringList listed(const monitor::frmAutostart& window) {
    QStringList lines;
    for (int i = 0; i < child<QListWidget>(window, "List1")->count(); ++i)
        lines << child<QListWidget>(window, "List1")->item(i)->text();
    return lines;
}

} // namespace

using MainWindowStart = MonitorTest;

TEST_F(MainWindowStart, FirstStartWithoutSettingsUsesTheBuiltInPlaceAndCreatesTheDatabase) {
    startMonitor();
    EXPECT_EQ(main->pos(), QPoint(ui::toPixels(10), ui::toPixels(10)));
    EXPECT_EQ(main->size(), QSize(ui::toPixels(6500), ui::toPixels(6500)));
    EXPECT_EQ(main->windowState(), Qt::WindowNoState);
    EXPECT_TRUE(QFileInfo::exists(env.databasePath()));
    EXPECT_EQ(main->PfadzurExe, location::programDirectory());
    EXPECT_TRUE(main->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // 9 March 2026 is a Monday.
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Brisko Wardolin    -   Montag 09.03.26"));
}

TEST_F(MainWindowStart, EmptyTableSendsTheMonitorToTheBackgroundWithTheTimerRunning) {
    startMonitor();
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(background->shown, 1);
    EXPECT_TRUE(Timer1()->isActive());
    EXPECT_TRUE(Timer1()->isSingleShot());
    EXPECT_EQ(Timer1()->timerType(), Qt::PreciseTimer);
    EXPECT_EQ(Label1()->text(), QStringLiteral("Sie haben keinen aktuellen Termin"));
}

TEST_F(MainWindowStart, CurrentAppointmentShowsTheWindowAndStopsMonitoringUntilCommand1) {
    addRows({appointmentOn(QDate(2026, 3, 9), QTime(14, 8), "Zahnarzt", "5"),
             appointmentOn(QDate(2026, 3, 11), QTime(9, 0), "Abgabe", "0", "3", "4")});
    startMonitor();
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(Timer1()->isActive());
    EXPECT_EQ(background->shown, 0);
    EXPECT_EQ(Label1()->text(), QStringLiteral("Sie haben 2 aktuelle Termine"));
    EXPECT_EQ(listed(*main), QStringList({"Betreff:  Zahnarzt", "Termin:  Heute um 14:08 Uhr",
                                          "Option:  Whg=einmalig,  VorMin=5", "", "Betreff:  Abgabe",
                                          "Termin:  Mittwoch  11.Mär.2026 um 09:00 Uhr",
                                          "Option:  Whg=vierteljählich,  VorMin=0,  VorTage=3", ""}));

    // The reminder at 14:03 does not come while the user looks at the window; it comes once when
    // monitoring resumes.
    tickAt(QDateTime(QDate(2026, 3, 9), QTime(14, 3, 1)));
    EXPECT_EQ(main->popup(), nullptr);

    env.clock().set(QDateTime(QDate(2026, 3, 9), QTime(14, 3, 30)));
    Command1()->click();
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(background->shown, 1);
    EXPECT_TRUE(Timer1()->isActive());
    tickAt(QDateTime(QDate(2026, 3, 9), QTime(14, 3, 31)));
    ASSERT_NE(main->popup(), nullptr);
    EXPECT_EQ(child<QLineEdit>(*main->popup(), "Text1")->text(), "Zahnarzt");
    child<QPushButton>(*main->popup(), "Command2")->click();
    tickAt(QDateTime(QDate(2026, 3, 9), QTime(14, 3, 32)));
    EXPECT_FALSE(main->popup()->isVisible());
}

TEST_F(MainWindowStart, WhileTheWindowIsShownItsListFollowsTheFileAndTheDay) {
    addRows({appointmentOn(QDate(2026, 3, 9), QTime(18, 0), "Chor")});
    startMonitor();
    ASSERT_TRUE(main->isVisible());
    auto* look = child<QTimer>(*main, "pausedLook");
    QSignalSpy looked(look, &QTimer::timeout);
    TerminStore::open(env.databasePath())
        ->insert(appointmentOn(QDate(2026, 3, 10), QTime(9, 0), "Zahnarzt", "0", "1"));
    ASSERT_TRUE(looked.wait(5000));
    EXPECT_EQ(Label1()->text(), "Sie haben 2 aktuelle Termine");
    EXPECT_FALSE(Timer1()->isActive());

    // The next day's look drops the evening's row; the pause still gives no reminder.
    EXPECT_EQ(look->interval(), monitor::kSafetyIntervalMs);
    env.clock().set(QDateTime(QDate(2026, 3, 10), QTime(9, 0, 30)));
    main->engine().EinlesenAusDB();
    EXPECT_EQ(listed(*main).mid(0, 2), QStringList({"Betreff:  Zahnarzt", "Termin:  Heute um 09:00 Uhr"}));
    EXPECT_EQ(main->popup(), nullptr);
}

TEST_F(MainWindowStart, ActivatingTheWindowStopsMonitoring) {
    startMonitor();
    ASSERT_TRUE(Timer1()->isActive());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(main.get(), &activate);
    EXPECT_FALSE(Timer1()->isActive());
}

TEST_F(MainWindowStart, DailyBacklogOfFiveDaysIsRenewedOnceAtStart) {
    addRows({appointmentOn(QDate(2026, 3, 4), QTime(8, 0), "Tabletten", "0", "0", "1")});
    startMonitor();

    const auto store = TerminStore::open(env.databasePath());
    const std::vector<Appointment> rows = store->mainList();
    ASSERT_EQ(rows.size(), 6u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(rows[i].TerminDatum, QString::number(serial::dayNumber(QDate(2026, 3, 4 + int(i)))));
        EXPECT_EQ(rows[i].sysGesperrt, QStringLiteral("1"));
    }
    EXPECT_EQ(rows[5].TerminDatum, QString::number(serial::dayNumber(QDate(2026, 3, 9))));
    EXPECT_EQ(rows[5].sysGesperrt, QStringLiteral("0"));
    EXPECT_EQ(listed(*main).count(QStringLiteral("Betreff:  Tabletten")), 1);
    EXPECT_EQ(Label1()->text(), QStringLiteral("Sie haben 1 aktuellen Termin"));
}

TEST_F(MainWindowStart, LeadDaysListTheAppointmentFromItsFirstDayThroughItsOwnDay) {
    addRows({appointmentOn(QDate(2026, 3, 10), QTime(9, 0), "Steuer", "0", "3")});
    startMonitor();
    for (int day = 6; day <= 11; ++day) {
        env.clock().set(QDateTime(QDate(2026, 3, day), QTime(12, 0)));
        main->engine().EinlesenAusDB();
        EXPECT_EQ(List1()->count(), day >= 7 && day <= 10 ? 4 : 0) << "March " << day;
    }
}

TEST_F(MainWindowStart, FileThatIsNoAppointmentDatabaseIsToldOnceAndLeftUntouchedWhileTheMonitorRunsOn) {
    const QByteArray foreign("Einkaufsliste: Brot, Milch\n");
    writeFile(env.databasePath(), foreign);
    ui::MessageBox::setAutoAnswer(QMessageBox::Ok);
    startMonitor();
    tickAt(QDateTime(QDate(2026, 3, 9), QTime(14, 0, 1)));
    tickAt(QDateTime(QDate(2026, 3, 10), QTime(14, 0, 2)));
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_EQ(ui::MessageBox::history()[0].title, QStringLiteral("Brisko Wardolin"));
    EXPECT_TRUE(ui::MessageBox::history()[0].text.contains(env.databasePath()));
    EXPECT_EQ(background->shown, 1);
    EXPECT_TRUE(Timer1()->isActive());
    EXPECT_EQ(readFile(env.databasePath()), foreign);
    ui::MessageBox::reset();
}

// The monitor usually starts first: it restores a sound copy an older version left, and says why
// it leaves an unsound one, before it would make an empty database in its place.
TEST_F(MainWindowStart, CopyOfAnOlderVersionIsRestoredOrToldBeforeAnEmptyDatabaseIsMade) {
    addRows({appointmentOn(QDate(2026, 3, 9), QTime(18, 0), "Chor")});
    const QString copy = env.dataDir() + QStringLiteral("/dBcard2.mdb");
    ASSERT_TRUE(QFile::rename(env.databasePath(), copy));
    startMonitor();
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(listed(*main).count(QStringLiteral("Betreff:  Chor")), 1);

    main.reset();
    ASSERT_TRUE(QFile::remove(env.databasePath()));
    writeFile(copy, "kein SQLite");
    ui::MessageBox::setAutoAnswer(QMessageBox::Ok);
    startMonitor();
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_TRUE(ui::MessageBox::history()[0].text.contains(QStringLiteral("dBcard2.mdb")));
    EXPECT_EQ(readFile(copy), QByteArray("kein SQLite"));
    ui::MessageBox::reset();
}

// SQL of the file's own that a renewal would run: the monitor says so once and reminds all the
// same, leaving the file as it is.
TEST_F(MainWindowStart, FileWithTriggersIsToldOnceAndStillReminds) {
    addRows({appointmentOn(QDate(2026, 3, 9), QTime(14, 0, 5), "Bleibt")});
    test::ForeignConnection(env.databasePath())
        .execute(
            QStringLiteral("CREATE TRIGGER weg AFTER INSERT ON tblTermin BEGIN DELETE FROM tblTermin; END"));
    const QByteArray bytes = readFile(env.databasePath());
    ui::MessageBox::setAutoAnswer(QMessageBox::Ok);
    startMonitor();
    Command1()->click();
    tickAt(QDateTime(QDate(2026, 3, 9), QTime(14, 0, 5)));
    tickAt(QDateTime(QDate(2026, 3, 10), QTime(14, 0, 6)));
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_TRUE(ui::MessageBox::history()[0].text.contains("Trigger"));
    ASSERT_NE(main->popup(), nullptr);
    EXPECT_EQ(readFile(env.databasePath()), bytes);
    ui::MessageBox::reset();
}

using MainWindowState = MonitorTest;

TEST_F(MainWindowState, SavedMinimisedStateIsRestoredOnTopAndItsFramePositionIsSavedAgain) {
    addRows({appointmentOn(QDate(2026, 3, 9), QTime(18, 0), "Chor")});
    settings::write(settings::kSectionWardol, "WindowStateX", "1");
    settings::write(settings::kSectionWardol, "MainLeft", "1500");
    settings::write(settings::kSectionWardol, "MainTop", "900");
    settings::write(settings::kSectionWardol, "MainWidth", "7500,0");
    startMonitor();
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(main->isMinimized());
    EXPECT_TRUE(main->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(main->width(), 500);

    main->close();
    EXPECT_EQ(wardol("WindowStateX"), QStringLiteral("1"));
    EXPECT_EQ(wardol("MainLeft"), QStringLiteral("1500"));
    EXPECT_EQ(wardol("MainTop"), QStringLiteral("900"));
}

// Stored values that would leave the window unusable or out of sight; the monitor must still
// come up where it can be used, and monitor.
TEST_F(MainWindowState, GeometryThatCannotBeUsedIsMadeUsableAndMonitoringStarts) {
    const struct {
        const char* left;
        const char* top;
        const char* width;
        const char* height;
    } rows[] = {{"10", "10", "5", "5"},         {"10", "10", "1e300", "1e300"},
                {"10", "10", "-100", "6500"},   {"-900000", "10", "6500", "6500"},
                {"1e9", "1e9", "6500", "6500"}, {"nan", "inf", "Breite", ""}};
    for (const auto& row : rows) {
        settings::write(settings::kSectionWardol, "MainLeft", row.left);
        settings::write(settings::kSectionWardol, "MainTop", row.top);
        settings::write(settings::kSectionWardol, "MainWidth", row.width);
        settings::write(settings::kSectionWardol, "MainHeight", row.height);
        startMonitor();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QString stored = QStringLiteral("%1 %2 %3 %4").arg(row.left, row.top, row.width, row.height);
        EXPECT_TRUE(screen.contains(main->frameGeometry())) << stored.toStdString();
        EXPECT_GE(main->width(), ui::toPixels(2235)) << stored.toStdString();
        EXPECT_GE(main->height(), ui::toPixels(1800)) << stored.toStdString();
        EXPECT_TRUE(Timer1()->isActive()) << stored.toStdString();
        main->close();
    }
}

TEST_F(MainWindowState, NothingIsChosenInTheListWhenTheWindowOpens) {
    addRows({appointmentOn(QDate(2026, 3, 9), QTime(18, 0), "Chor")});
    startMonitor();
    QApplication::setActiveWindow(main.get());
    EXPECT_EQ(List1()->currentRow(), -1);
    EXPECT_TRUE(List1()->selectedItems().isEmpty());
}

TEST_F(MainWindowState, UnloadWritesTheFiveKeysAndEndsMonitoring) {
    settings::write(settings::kSectionTermin, "IstAktiv", "1");
    startMonitor();
    int unloaded = 0;
    QObject::connect(main.get(), &monitor::frmAutostart::entladen, [&unloaded] { ++unloaded; });
    main->setGeometry(40, 30, 420, 360);
    main->close();

    EXPECT_EQ(wardol("MainLeft"), QStringLiteral("600"));
    EXPECT_EQ(wardol("MainTop"), QStringLiteral("450"));
    EXPECT_EQ(wardol("MainWidth"), QStringLiteral("6300"));
    EXPECT_EQ(wardol("MainHeight"), QStringLiteral("5400"));
    EXPECT_EQ(wardol("WindowStateX"), QStringLiteral("0"));
    EXPECT_EQ(settings::read(settings::kSectionTermin, "IstAktiv"), QStringLiteral("0"));
    EXPECT_FALSE(Timer1()->isActive());
    EXPECT_EQ(unloaded, 1);
    EXPECT_EQ(background->unloaded, 1);
}

TEST_F(MainWindowState, ResizeKeepsTheListAndButtonInPlaceAndIgnoresTooSmallSizes) {
    addRows({appointmentOn(QDate(2026, 3, 9), QTime(18, 0), "Chor")});
    startMonitor();
    ASSERT_TRUE(main->isVisible());
    main->resize(600, 500);
    const int inset = ui::toPixels(240);
    EXPECT_EQ(List1()->width(), 600 - inset);
    EXPECT_EQ(List1()->height(), 500 - ui::toPixels(1100));
    EXPECT_EQ(Command1()->y(), List1()->geometry().bottom() + 1 + ui::toPixels(120));
    EXPECT_EQ(Command1()->x(), 300 - Command1()->width() / 2);
    EXPECT_EQ(child<QLabel>(*main, "Image1")->size(), QSize(600, 500));

    main->resize(12, 40);
    EXPECT_EQ(List1()->size(), QSize(600 - inset, 500 - ui::toPixels(1100)));
}
