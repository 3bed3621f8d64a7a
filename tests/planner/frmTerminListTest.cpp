#include "PlannerFixture.h"

#include "DayClass.h"
#include "ForeignConnection.h"
#include "ListRows.h"
#include "Platform.h"
#include "Renewal.h"
#include "SettingsStore.h"
#include "frmTerminGrafik.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QToolBar>

using namespace moravel;
using namespace moravel::planner;

namespace {
QString bars(int n) {
    return QString(n, '|');
}
const QDate kToday(2026, 12, 7);
} // namespace

TEST_F(PlannerFixture, RowsShowBarTextIconAndColourOfTheirDayClass) {
    add(kToday.addDays(250), "09:00", "far");
    add(kToday, "", "today, no time");
    add(kToday.addDays(1), "08:15", "tomorrow", "2", "3");
    add(kToday.addDays(12), "14:30", "in twelve days", "6");
    open();
    ASSERT_EQ(count(), 4);
    EXPECT_EQ(column(0), QStringList({"", "|", "12 " + bars(12), "250 " + bars(100)}));
    EXPECT_EQ(column(1), QStringList({"E", "W", "J", "E"}));
    EXPECT_EQ(column(2)[0], "07.12.2026   Mo");
    EXPECT_EQ(column(3), QStringList({"", "08:15", "14:30", "09:00"}));
    EXPECT_EQ(column(4)[1], "3");
    EXPECT_EQ(column(6)[0], "46363");
    EXPECT_EQ(text("statusPanel2"), "4 Termine");

    // Today keeps the list's own colour and icon 1; the others carry their class.
    EXPECT_FALSE(data(0, 0, Qt::ForegroundRole).isValid());
    EXPECT_EQ(marker(0), 1);
    EXPECT_EQ(foreground(1, 5), QColor(255, 0, 0));
    EXPECT_EQ(marker(1), 2);
    EXPECT_EQ(foreground(2), QColor(0, 192, 0));
    EXPECT_EQ(marker(3), 6);
    EXPECT_FALSE(data(1, 1, Qt::DecorationRole).isValid());
}

TEST_F(PlannerFixture, SameDayRowsFollowTheStoredText) {
    moravel::Appointment renewed;
    renewed.TerminDatum = "46363";
    renewed.TerminUhrzeit = "0,50000";
    renewed.TerminDatumUhrzeit = "46363,50000";
    renewed.Betreff = "renewed noon";
    renewed.sysGesperrt = "0";
    store->insert(renewed);
    add(kToday, "12:00", "entered noon");
    add(kToday, "11:00", "eleven");
    open();
    EXPECT_EQ(column(5), QStringList({"eleven", "entered noon", "renewed noon"}));
}

TEST_F(PlannerFixture, HeaderClicksSortByTextAndFlipTheDirection) {
    add(QDate(2027, 1, 2), "10:00", "b", "0", "2");
    add(QDate(2026, 12, 31), "10:00", "a", "0", "10");
    open();
    auto click = [&](int section) { list()->header()->sectionClicked(section); };
    click(2); // Datum sorts by the hidden day number, ascending first
    EXPECT_EQ(column(2), QStringList({"31.12.2026   Do", "02.01.2027   Sa"}));
    click(2);
    EXPECT_EQ(column(2), QStringList({"02.01.2027   Sa", "31.12.2026   Do"}));
    click(4); // ascending again: text order puts 10 before 2
    EXPECT_EQ(column(4), QStringList({"10", "2"}));
    click(7); // hidden columns change nothing
    EXPECT_EQ(column(4), QStringList({"10", "2"}));
    EXPECT_TRUE(list()->header()->isSortIndicatorShown());
    // A reload puts the rows back in query order, and the arrow goes.
    edit("Text4")->setText("");
    EXPECT_EQ(column(4), QStringList({"10", "2"}));
    EXPECT_FALSE(list()->header()->isSortIndicatorShown());
    click(4); // the direction flips on, reload or not
    EXPECT_EQ(column(4), QStringList({"2", "10"}));
}

TEST_F(PlannerFixture, WeeklyBacklogIsRenewedOncePerOccurrenceAndListedOnce) {
    add(QDate(2026, 12, 1), "09:00", "Weekly", "2");
    setNow(QDate(2026, 12, 16), QTime(10, 0));
    open();
    ASSERT_EQ(count(), 1);
    EXPECT_EQ(column(2), QStringList({"22.12.2026   Di"}));
    int locked = 0;
    for (const moravel::Appointment& a : store->mainList())
        locked += a.sysGesperrt == "1";
    EXPECT_EQ(store->mainList().size(), 4u);
    EXPECT_EQ(locked, 3);
}

TEST_F(PlannerFixture, PastViewListsEveryKindButDailyNewestFirstInRed) {
    add(QDate(2026, 11, 16), "09:00", "Weekly", "2");
    add(QDate(2026, 11, 20), "07:00", "Daily", "1");
    add(kToday.addDays(-1), "18:00", "Yesterday");
    add(kToday, "08:00", "Today");
    // Today without a time: its key is today's number, no past text.
    add(kToday, "", "Today untimed");
    open();
    trigger("AlteTermine");
    EXPECT_EQ(column(5), QStringList({"Yesterday", "Weekly", "Weekly", "Weekly"}));
    EXPECT_EQ(column(0)[0], "-1 |");
    EXPECT_EQ(column(0)[3], "-21 " + bars(21));
    EXPECT_EQ(foreground(0), QColor(255, 0, 0));
    EXPECT_EQ(marker(0), 8);
    EXPECT_EQ(list()->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_EQ(text("statusPanel2"), "4 Termine");

    trigger("AlteTermine");
    EXPECT_EQ(column(5), QStringList({"Today untimed", "Daily", "Today", "Weekly"}));
    EXPECT_EQ(list()->palette().color(QPalette::Text), QColor(0, 0, 0));
}

TEST_F(PlannerFixture, PastViewStopsBeforeTheFiveThousandthRow) {
    moravel::TerminStore::WriteTransaction batch(*store);
    for (int i = 1; i <= 5003; ++i)
        add(kToday.addDays(-1 - i % 300), "10:00", QString("old %1").arg(i));
    batch.commit();
    open();
    trigger("AlteTermine");
    EXPECT_EQ(count(), 4999);
}

TEST_F(PlannerFixture, SearchFindsSubjectsIgnoringCaseFromNowOn) {
    add(kToday.addDays(3), "10:00", "Zahnarzt");
    add(kToday.addDays(4), "10:00", "ZAHN ziehen");
    add(kToday, "08:00", "Zahn heute frueh"); // over at 10:00: not found
    add(kToday.addDays(5), "10:00", "Friseur");
    open();
    edit("Text4")->setText("zahn");
    EXPECT_EQ(column(5), QStringList({"Zahnarzt", "ZAHN ziehen"}));
    EXPECT_EQ(text("statusPanel2"), "2 Termine");
    edit("Text4")->setText("z?hn*ie");
    EXPECT_EQ(column(5), QStringList({"ZAHN ziehen"}));
    EXPECT_EQ(text("statusPanel2"), "1 Termin");
    edit("Text4")->setText("nichts");
    EXPECT_EQ(text("statusPanel2"), "0 Termine");
    edit("Text4")->setText("");
    EXPECT_EQ(count(), 4);
}

TEST_F(PlannerFixture, SearchTextsOfAnyContentNeverBreakTheList) {
    add(kToday.addDays(1), "10:00", "O'Brien 100% [sicher]");
    open();
    for (const QString& text : {QString("'"), QString("\""), QString("%"), QString("_"), QString("["),
                                QString("\\"), QString(10000, 'x'), QString::fromUtf8("😀"), QString("O'B")}) {
        edit("Text4")->setText(text);
        EXPECT_LE(count(), 1);
    }
    edit("Text4")->setText("O'Brien 100% [");
    EXPECT_EQ(count(), 1);
}

TEST_F(PlannerFixture, SearchBoxRestsWithGreyPlaceholder) {
    open();
    EXPECT_EQ(edit("Text4")->text(), frmTermin::kSearchPlaceholder);
    EXPECT_EQ(edit("Text4")->palette().color(QPalette::Text), QColor(192, 192, 192));
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(edit("Text4"), &in);
    EXPECT_EQ(edit("Text4")->text(), "");
    EXPECT_EQ(edit("Text4")->palette().color(QPalette::Text), QColor(0, 0, 0));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(edit("Text4"), &out);
    EXPECT_EQ(edit("Text4")->text(), frmTermin::kSearchPlaceholder);
}

TEST_F(PlannerFixture, RowsOfOtherToolsWithBrokenFieldsAreSkippedNotFatal) {
    const char* broken[][4] = {{"abc", "0,5", "abc", "x"},
                               {"", "", "", ""},
                               {"1e300", "9e99", "1e300", "-5"},
                               {"46370", "kaputt", "46370", "7"},
                               {"-46370", "0", "-46370", "2"}};
    for (auto& f : broken) {
        moravel::Appointment a;
        a.TerminDatum = f[0];
        a.TerminUhrzeit = f[1];
        a.TerminDatumUhrzeit = f[2];
        a.Wiederholung = f[3];
        a.Betreff = QString(1 << 20, QChar(0xFFFD));
        store->insert(a);
    }
    store->insert(moravel::Appointment{}); // every field NULL
    add(kToday.addDays(2), "10:00", "good");
    open();
    EXPECT_TRUE(column(5).contains("good"));
    EXPECT_EQ(column(3)[column(5).indexOf("good")], "10:00");
    trigger("AlteTermine");
    edit("Text4")->setText("x");
}

class MissedReportTest : public PlannerFixture {
protected:
    void closedAt(QDate day, QTime time) {
        settings::write("Termin", "MoravelBeendet",
                        numtext::general(serial::fromDateTime(QDateTime(day, time))));
    }
    std::vector<ui::MessageBox::Shown> reports() const { return ui::MessageBox::history(); }
};

TEST_F(MissedReportTest, FirstStartReportsNothing) {
    add(kToday, "08:00", "early");
    open();
    EXPECT_TRUE(reports().empty());
}

TEST_F(MissedReportTest, OneMissedAppointment) {
    closedAt(kToday.addDays(-1), QTime(18, 0));
    add(kToday, "08:00", "Arzt");
    open();
    ASSERT_EQ(reports().size(), 1u);
    EXPECT_EQ(reports()[0].title, "Wardolin");
    EXPECT_EQ(reports()[0].icon, QMessageBox::Information);
    EXPECT_EQ(reports()[0].text, "Anzahl verpasster Termine:   1" + QString(18, ' ') + "\nTermin:  Arzt");
}

TEST_F(MissedReportTest, DailyAppointmentMissedOnThreeDays) {
    closedAt(kToday.addDays(-3), QTime(18, 0));
    add(kToday.addDays(-3), "09:00", "Tabletten", "1");
    open();
    ASSERT_EQ(reports().size(), 1u);
    EXPECT_EQ(reports()[0].text, "Anzahl verpasster Termine:   3" + QString(18, ' ') +
                                     "\n\nTermin1:  Tabletten\nTermin2:  Tabletten\nTermin3:  Tabletten\n");
    // Reloads after start-up never report.
    edit("Text4")->setText("x");
    edit("Text4")->setText("");
    EXPECT_EQ(reports().size(), 1u);
}

TEST_F(MissedReportTest, BothBoundsAreExclusive) {
    // Quarter and half days are exact in every precision: each bound is met to the last digit.
    closedAt(kToday, QTime(6, 0));
    setNow(kToday, QTime(12, 0));
    add(kToday, "06:00", "at closing");
    add(kToday, "12:00", "right now");
    open();
    EXPECT_TRUE(reports().empty());
}

TEST_F(MissedReportTest, SixMissedListFourAndTheClosingLine) {
    closedAt(kToday.addDays(-1), QTime(0, 0));
    for (int hour = 1; hour <= 6; ++hour)
        add(kToday.addDays(-1), QString("%1:00").arg(hour, 2, 10, QChar('0')), QString("T%1").arg(hour));
    open();
    ASSERT_EQ(reports().size(), 1u);
    EXPECT_EQ(reports()[0].text, "Anzahl verpasster Termine:   6" + QString(18, ' ') +
                                     "\n\nTermin1:  T1\nTermin2:  T2\nTermin3:  T3\nTermin4:  T4\n"
                                     "...und noch weitere verpasste Termine! \n");
}

TEST_F(PlannerFixture, LegendShowsWhileTheRightButtonIsHeld) {
    open();
    window->show();
    QWidget* viewport = list()->viewport();
    QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(20, 20));
    auto* legend = window->findChild<frmTerminGrafik*>();
    ASSERT_TRUE(legend);
    EXPECT_TRUE(legend->isVisible());
    EXPECT_EQ(legend->pos(), window->pos() + QPoint(ui::toPixels(100), ui::toPixels(1550)));
    auto label = [&](int n) { return legend->findChild<QLabel*>(QString("Label%1").arg(n)); };
    EXPECT_EQ(label(7)->text(), "= Termin heute");
    EXPECT_EQ(label(12)->text(), QString::fromUtf8("= Termin über 31 Tage"));
    EXPECT_EQ(label(5)->text(), bars(17));
    EXPECT_EQ(label(2)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(window->findChild<frmTerminGrafik*>());
    QTest::mouseRelease(viewport, Qt::RightButton, {}, QPoint(20, 20));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window->findChild<frmTerminGrafik*>());
}

TEST_F(PlannerFixture, TheRowACommandActsOnIsAlwaysTheSelectedOne) {
    add(kToday.addDays(1), "10:00", "Arzt");
    add(kToday.addDays(2), "10:00", "Bank");
    add(kToday.addDays(3), "10:00", "Zahnarzt");
    open();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(selectedSubject(), "Arzt");

    // A click on a search hit moves the focus out of the search box, which brings the whole
    // list back: the row clicked stays the row selected.
    edit("Text4")->setFocus();
    edit("Text4")->setText("zahn");
    ASSERT_EQ(column(5), QStringList({"Zahnarzt"}));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                      list()->visualRect(list()->model()->index(0, 5)).center());
    QCoreApplication::processEvents();
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(selectedSubject(), "Zahnarzt");
    QTest::keyClick(list(), Qt::Key_Delete);
    EXPECT_EQ(column(5), QStringList({"Arzt", "Bank"}));
    EXPECT_EQ(selectedSubject(), "Arzt");

    // A click beside the rows leaves the mark where it was.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, QPoint(10, list()->viewport()->height() - 5));
    EXPECT_EQ(selectedSubject(), "Arzt");

    // Sorting keeps the row, and the mark shows while the focus is elsewhere.
    select(1);
    list()->header()->sectionClicked(5);
    list()->header()->sectionClicked(5);
    EXPECT_EQ(column(5), QStringList({"Bank", "Arzt"}));
    EXPECT_EQ(selectedSubject(), "Bank");
    const QPalette palette = list()->palette();
    EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::Highlight),
              palette.color(QPalette::Active, QPalette::Highlight));
}

TEST_F(PlannerFixture, AScreenReadersToggleSwitchesThePastView) {
    add(kToday.addDays(-1), "10:00", "gestern");
    add(kToday.addDays(1), "10:00", "morgen");
    open();
    QWidget* button = child<QToolBar>("Toolbar3")->widgetForAction(action("AlteTermine"));
    QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(button)->actionInterface();
    ASSERT_TRUE(actions);
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(action("AlteTermine")->isChecked());
    EXPECT_EQ(column(5), QStringList({"gestern"}));
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(column(5), QStringList({"morgen"}));
}

// The list follows what other programs write, keeping the row marked; a change the list has not
// shown yet never makes a command act on another row than the one marked.
TEST_F(PlannerFixture, TheListFollowsOtherProgramsAndKeepsTheMarkedRow) {
    add(kToday.addDays(2), "10:00", "Bank");
    open();
    select(0);
    add(kToday.addDays(1), "10:00", "Arzt");
    ASSERT_TRUE(QTest::qWaitFor([this] { return count() == 2; }, 2000));
    EXPECT_EQ(column(5), QStringList({"Arzt", "Bank"}));
    EXPECT_EQ(selectedSubject(), "Bank");
    EXPECT_EQ(text("statusPanel2"), "2 Termine");
    // The past view follows as well.
    trigger("AlteTermine");
    add(kToday.addDays(-1), "10:00", "Gestern");
    ASSERT_TRUE(QTest::qWaitFor([this] { return count() == 1; }, 2000));
    EXPECT_EQ(column(5), QStringList({"Gestern"}));
}

TEST_F(PlannerFixture, AfterTheMonitorsMidnightRenewalADeleteRemovesTheLiveRow) {
    setNow(kToday, QTime(23, 59, 30));
    const qint64 first = add(kToday, "23:00", "Täglich", "1");
    open();
    select(0);
    ASSERT_EQ(selectedSubject(), "Täglich");
    const auto flags = [this] {
        return test::ForeignConnection(env.databasePath())
            .column("SELECT TerminDatum || ':' || sysGesperrt FROM tblTermin ORDER BY ID")
            .join(' ');
    };
    const QString today = QString::number(serial::dayNumber(kToday));
    const QString tomorrow = QString::number(serial::dayNumber(kToday) + 1);

    // Midnight: the monitor renews before the list has seen it. A delete then must not hit the
    // row now locked; it says why and shows the new day.
    setNow(kToday.addDays(1), QTime(0, 0, 1));
    ASSERT_EQ(renewPassedAppointments(*store, serial::today(), serial::now()), 1);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(list(), &del);
    EXPECT_EQ(flags(), today + ":1 " + tomorrow + ":0");
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_TRUE(
        ui::MessageBox::history()[0].text.startsWith(QString::fromUtf8("Der Termin wurde nicht gelöscht:")));
    EXPECT_EQ(column(5), QStringList({"Täglich"}));

    // Once the list shows the renewal (within a second), a delete removes the live row.
    setNow(kToday.addDays(2), QTime(0, 0, 1));
    ASSERT_EQ(renewPassedAppointments(*store, serial::today(), serial::now()), 1);
    // The chain's newest row, latest in the main list.
    const QString live = QString::number(store->mainList().back().ID);
    ASSERT_TRUE(QTest::qWaitFor([&] { return data(0, listrows::ID).toString() == live; }, 1000));
    EXPECT_EQ(selectedSubject(), "Täglich");
    QApplication::sendEvent(list(), &del);
    EXPECT_EQ(flags(), today + ":1 " + tomorrow + ":1");
    EXPECT_EQ(count(), 0);
    EXPECT_TRUE(store->find(first));
}
