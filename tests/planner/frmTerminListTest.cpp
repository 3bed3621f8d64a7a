#include "PlannerFixture.h"

#include "DayClass.h"
#include "Platform.h"
#include "SettingsStore.h"
#include "frmTerminGrafik.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include <sqlite3.h>

using namespace moravel;

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
    EXPECT_EQ(window->statusPanel2->text(), "4 Termine");

    // Today keeps the list's own colour and icon 1; the others carry their class.
    EXPECT_EQ(item(0)->foreground(0).style(), Qt::NoBrush);
    EXPECT_EQ(item(0)->icon(0).cacheKey(), window->ImageList1[0].cacheKey());
    EXPECT_EQ(item(1)->foreground(5).color(), QColor(255, 0, 0));
    EXPECT_EQ(item(1)->icon(0).cacheKey(), window->ImageList1[1].cacheKey());
    EXPECT_EQ(item(2)->foreground(0).color(), QColor(0, 192, 0));
    EXPECT_EQ(item(3)->icon(0).cacheKey(), window->ImageList1[5].cacheKey());
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
    auto click = [&](int section) { window->ListView1->header()->sectionClicked(section); };
    click(2); // Datum sorts by the hidden day number, ascending first
    EXPECT_EQ(column(2), QStringList({"31.12.2026   Do", "02.01.2027   Sa"}));
    click(2);
    EXPECT_EQ(column(2), QStringList({"02.01.2027   Sa", "31.12.2026   Do"}));
    click(4); // ascending again: text order puts 10 before 2
    EXPECT_EQ(column(4), QStringList({"10", "2"}));
    click(7); // hidden columns change nothing
    EXPECT_EQ(column(4), QStringList({"10", "2"}));
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
    open();
    window->AlteTermine->trigger();
    EXPECT_EQ(column(5), QStringList({"Yesterday", "Weekly", "Weekly", "Weekly"}));
    EXPECT_EQ(column(0)[0], "-1 |");
    EXPECT_EQ(column(0)[3], "-21 " + bars(21));
    EXPECT_EQ(item(0)->foreground(0).color(), QColor(255, 0, 0));
    EXPECT_EQ(item(0)->icon(0).cacheKey(), window->ImageList1[7].cacheKey());
    EXPECT_EQ(window->ListView1->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_EQ(window->statusPanel2->text(), "4 Termine");

    window->AlteTermine->trigger();
    EXPECT_EQ(column(5), QStringList({"Daily", "Today", "Weekly"}));
    EXPECT_EQ(window->ListView1->palette().color(QPalette::Text), QColor(0, 0, 0));
}

TEST_F(PlannerFixture, PastViewStopsBeforeTheFiveThousandthRow) {
    moravel::TerminStore::WriteTransaction batch(*store);
    for (int i = 1; i <= 5003; ++i)
        add(kToday.addDays(-1 - i % 300), "10:00", QString("old %1").arg(i));
    batch.commit();
    open();
    window->AlteTermine->trigger();
    EXPECT_EQ(count(), 4999);
}

TEST_F(PlannerFixture, SearchFindsSubjectsIgnoringCaseFromNowOn) {
    add(kToday.addDays(3), "10:00", "Zahnarzt");
    add(kToday.addDays(4), "10:00", "ZAHN ziehen");
    add(kToday, "08:00", "Zahn heute frueh"); // over at 10:00: not found
    add(kToday.addDays(5), "10:00", "Friseur");
    open();
    window->Text4->setText("zahn");
    EXPECT_EQ(column(5), QStringList({"Zahnarzt", "ZAHN ziehen"}));
    EXPECT_EQ(window->statusPanel2->text(), "2 Termine");
    window->Text4->setText("z?hn*ie");
    EXPECT_EQ(column(5), QStringList({"ZAHN ziehen"}));
    EXPECT_EQ(window->statusPanel2->text(), "1 Termin");
    window->Text4->setText("nichts");
    EXPECT_EQ(window->statusPanel2->text(), "0 Termine");
    window->Text4->setText("");
    EXPECT_EQ(count(), 4);
}

TEST_F(PlannerFixture, SearchTextsOfAnyContentNeverBreakTheList) {
    add(kToday.addDays(1), "10:00", "O'Brien 100% [sicher]");
    open();
    for (const QString& text : {QString("'"), QString("\""), QString("%"), QString("_"), QString("["),
                                QString("\\"), QString(10000, 'x'), QString::fromUtf8("😀"), QString("O'B")}) {
        window->Text4->setText(text);
        EXPECT_LE(count(), 1);
    }
    window->Text4->setText("O'Brien 100% [");
    EXPECT_EQ(count(), 1);
}

TEST_F(PlannerFixture, SearchBoxRestsWithGreyPlaceholder) {
    open();
    EXPECT_EQ(window->Text4->text(), frmTermin::kSearchPlaceholder);
    EXPECT_EQ(window->Text4->palette().color(QPalette::Text), QColor(192, 192, 192));
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(window->Text4, &in);
    EXPECT_EQ(window->Text4->text(), "");
    EXPECT_EQ(window->Text4->palette().color(QPalette::Text), QColor(0, 0, 0));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(window->Text4, &out);
    EXPECT_EQ(window->Text4->text(), frmTermin::kSearchPlaceholder);
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
    window->AlteTermine->trigger();
    window->Text4->setText("x");
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
    window->Text4->setText("x");
    window->Text4->setText("");
    EXPECT_EQ(reports().size(), 1u);
}

TEST_F(MissedReportTest, BothBoundsAreExclusive) {
    closedAt(kToday, QTime(8, 0));
    add(kToday, "08:00", "at closing");
    add(kToday, "10:00", "right now");
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
    QWidget* viewport = window->ListView1->viewport();
    QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(20, 20));
    frmTerminGrafik* legend = window->legend();
    ASSERT_TRUE(legend);
    EXPECT_TRUE(legend->isVisible());
    EXPECT_EQ(legend->pos(), window->pos() + QPoint(ui::toPixels(100), ui::toPixels(1550)));
    EXPECT_EQ(legend->texts[0]->text(), "= Termin heute");
    EXPECT_EQ(legend->texts[5]->text(), QString::fromUtf8("= Termin über 31 Tage"));
    EXPECT_EQ(legend->bars[4]->text(), bars(17));
    EXPECT_EQ(legend->bars[1]->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(window->legend());
    QTest::mouseRelease(viewport, Qt::RightButton, {}, QPoint(20, 20));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window->legend());
}
