#include "MonitorFixture.h"

#include "DataLocation.h"
#include "frmInfoMonitor.h"
#include "frmKalenderBild.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace moravel;
using namespace moravel::test;

using CalendarWindow = MonitorTest;

TEST_F(CalendarWindow, OpensOnTodayAboveOrdinaryWindows) {
    env.clock().set(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    monitor::frmKalenderBild calendar;
    calendar.oeffnen();
    EXPECT_TRUE(calendar.isVisible());
    EXPECT_EQ(calendar.windowTitle(), QStringLiteral("Kalender"));
    EXPECT_EQ(child<QCalendarWidget>(calendar, "MonthView1")->selectedDate(), QDate(2026, 12, 7));
    EXPECT_EQ(child<QCalendarWidget>(calendar, "MonthView1")->yearShown(), 2026);
    EXPECT_EQ(child<QCalendarWidget>(calendar, "MonthView1")->monthShown(), 12);
    EXPECT_TRUE(calendar.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // The month view fills the window.
    EXPECT_EQ(child<QCalendarWidget>(calendar, "MonthView1")->geometry(), calendar.rect());
    EXPECT_FALSE(calendar.rect().contains(child<QPushButton>(calendar, "Command1")->geometry()));
}

TEST_F(CalendarWindow, OpeningAgainBringsTheSameWindowForwardOnTodayAndEscapeClosesIt) {
    env.clock().set(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    monitor::frmKalenderBild calendar;
    calendar.oeffnen();
    child<QCalendarWidget>(calendar, "MonthView1")->setSelectedDate(QDate(2027, 2, 14));

    env.clock().set(QDateTime(QDate(2026, 12, 8), QTime(0, 0, 1)));
    calendar.oeffnen();
    EXPECT_EQ(child<QCalendarWidget>(calendar, "MonthView1")->selectedDate(), QDate(2026, 12, 8));
    EXPECT_EQ(child<QCalendarWidget>(calendar, "MonthView1")->monthShown(), 12);

    // Escape pressed on the month view, which takes the calendar's focus, reaches the window.
    QWidget* view = child<QCalendarWidget>(calendar, "MonthView1")->focusProxy();
    ASSERT_NE(view, nullptr);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(calendar.isVisible());
}

TEST(MonitorInfoWindow, ShowsWhatItIsItsVersionAndItsDirectory) {
    monitor::frmInfoMonitor info;
    info.oeffnen();
    EXPECT_EQ(info.objectName(), QStringLiteral("frmInfo"));
    EXPECT_EQ(info.windowTitle(), QStringLiteral("Brisko Wardolin"));
    const QString version = QStringLiteral("Version: %1.%2.%3")
                                .arg(MORAVEL_VERSION_MAJOR)
                                .arg(MORAVEL_VERSION_MINOR)
                                .arg(MORAVEL_VERSION_PATCH);
    EXPECT_EQ(
        child<QLabel>(info, "Label1")->text().split('\n'),
        QStringList({"Unterprogramm vom Brisko Moravel          ", version, "Status:  Aktiv         "}));
    EXPECT_EQ(child<QLabel>(info, "Label2")->text(), QStringLiteral("Programmpfad"));
    EXPECT_EQ(child<QLineEdit>(info, "Text1")->text(), location::programDirectory());
    EXPECT_FALSE(child<QLineEdit>(info, "Text1")->text().endsWith('/'));
    EXPECT_EQ(child<QPushButton>(info, "Command1")->text(), QStringLiteral("&OK"));

    child<QPushButton>(info, "Command1")->click();
    EXPECT_FALSE(info.isVisible());
}
