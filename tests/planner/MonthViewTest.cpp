// The main window's month calendar: which day each gesture chooses, which month it shows, and
// what it tells.
#include "MonthView.h"

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

using moravel::planner::MonthView;

namespace {

void click(MonthView& view, QPoint at) {
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, at);
}

void turnWheel(MonthView& view, int degrees) {
    const QPointF at = view.rect().center();
    QWheelEvent wheel(at, view.mapToGlobal(at), QPoint(), QPoint(0, degrees * 8), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&view, &wheel);
}

struct Gesture {
    const char* name;
    QDate start;
    std::function<void(MonthView&)> act;
    QDate selected;
    QDate shown; // the first of the month shown afterwards
    int changes; // selectionChanged
    QDate clicked;
};

} // namespace

TEST(MonthView, EachGestureChoosesItsDayAndShowsItsMonth) {
    const QDate start(2026, 12, 9);
    const Gesture gestures[] = {
        {"a day of the month",
         start,
         [](MonthView& v) {
             click(v, v.dayRect({2026, 12, 24}).center());
         },
         {2026, 12, 24},
         {2026, 12, 1},
         1,
         {2026, 12, 24}},
        {"the day chosen again",
         start,
         [](MonthView& v) {
             click(v, v.dayRect({2026, 12, 9}).center());
         },
         {2026, 12, 9},
         {2026, 12, 1},
         0,
         {2026, 12, 9}},
        // December 2026 begins on a Tuesday: its first row begins with 30 November.
        {"a grey day of the month before",
         start,
         [](MonthView& v) {
             click(v, v.dayRect({2026, 11, 30}).center());
         },
         {2026, 11, 30},
         {2026, 11, 1},
         1,
         {2026, 11, 30}},
        {"a grey day of the month after",
         start,
         [](MonthView& v) {
             click(v, v.dayRect({2027, 1, 10}).center());
         },
         {2027, 1, 10},
         {2027, 1, 1},
         1,
         {2027, 1, 10}},
        {"the arrow back",
         start,
         [](MonthView& v) { click(v, v.previousMonthRect().center()); },
         start,
         {2026, 11, 1},
         0,
         {}},
        {"the arrow on",
         start,
         [](MonthView& v) { click(v, v.nextMonthRect().center()); },
         start,
         {2027, 1, 1},
         0,
         {}},
        {"the title between the arrows",
         start,
         [](MonthView& v) { click(v, QPoint(v.width() / 2, 2)); },
         start,
         {2026, 12, 1},
         0,
         {}},
        {"pressed on one day, released on another",
         start,
         [](MonthView& v) {
             QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, v.dayRect({2026, 12, 14}).center());
             QTest::mouseRelease(&v, Qt::LeftButton, Qt::NoModifier, v.dayRect({2026, 12, 15}).center());
         },
         {2026, 12, 14},
         {2026, 12, 1},
         1,
         {}},
        {"the right button",
         start,
         [](MonthView& v) {
             QTest::mouseClick(&v, Qt::RightButton, Qt::NoModifier, v.dayRect({2026, 12, 14}).center());
         },
         start,
         {2026, 12, 1},
         0,
         {}},
        {"left from the first",
         {2026, 12, 1},
         [](MonthView& v) { QTest::keyClick(&v, Qt::Key_Left); },
         {2026, 11, 30},
         {2026, 11, 1},
         1,
         {}},
        {"right from the last",
         {2026, 12, 31},
         [](MonthView& v) { QTest::keyClick(&v, Qt::Key_Right); },
         {2027, 1, 1},
         {2027, 1, 1},
         1,
         {}},
        {"up a week",
         start,
         [](MonthView& v) { QTest::keyClick(&v, Qt::Key_Up); },
         {2026, 12, 2},
         {2026, 12, 1},
         1,
         {}},
        {"down a week",
         start,
         [](MonthView& v) { QTest::keyClick(&v, Qt::Key_Down); },
         {2026, 12, 16},
         {2026, 12, 1},
         1,
         {}},
        {"a month back from the 31st",
         {2027, 3, 31},
         [](MonthView& v) { QTest::keyClick(&v, Qt::Key_PageUp); },
         {2027, 2, 28},
         {2027, 2, 1},
         1,
         {}},
        {"a month on",
         start,
         [](MonthView& v) { QTest::keyClick(&v, Qt::Key_PageDown); },
         {2027, 1, 9},
         {2027, 1, 1},
         1,
         {}},
        {"to the month's first",
         start,
         [](MonthView& v) { QTest::keyClick(&v, Qt::Key_Home); },
         {2026, 12, 1},
         {2026, 12, 1},
         1,
         {}},
        {"to the month's last",
         {2027, 2, 3},
         [](MonthView& v) { QTest::keyClick(&v, Qt::Key_End); },
         {2027, 2, 28},
         {2027, 2, 1},
         1,
         {}},
        {"a key after the arrow on",
         start,
         [](MonthView& v) {
             click(v, v.nextMonthRect().center());
             QTest::keyClick(&v, Qt::Key_Right);
         },
         {2026, 12, 10},
         {2026, 12, 1},
         1,
         {}},
        {"the wheel away", start, [](MonthView& v) { turnWheel(v, 15); }, start, {2026, 11, 1}, 0, {}},
        {"the wheel towards", start, [](MonthView& v) { turnWheel(v, -15); }, start, {2027, 1, 1}, 0, {}},
        // The range ends on the days the table can hold.
        {"a day before the range",
         {2026, 12, 3},
         [](MonthView& v) {
             v.setDateRange({2026, 12, 3}, {2026, 12, 20});
             click(v, v.dayRect({2026, 12, 1}).center());
         },
         {2026, 12, 3},
         {2026, 12, 1},
         0,
         {}},
        {"a key past the range",
         {2026, 12, 20},
         [](MonthView& v) {
             v.setDateRange({2026, 12, 3}, {2026, 12, 20});
             QTest::keyClick(&v, Qt::Key_Down);
         },
         {2026, 12, 20},
         {2026, 12, 1},
         0,
         {}},
        {"set before the range",
         start,
         [](MonthView& v) {
             v.setDateRange({2026, 12, 3}, {2026, 12, 20});
             v.setSelectedDate({2026, 10, 1});
         },
         {2026, 12, 3},
         {2026, 12, 1},
         1,
         {}},
        {"set after the arrows",
         start,
         [](MonthView& v) {
             click(v, v.previousMonthRect().center());
             v.setSelectedDate({2026, 12, 9});
         },
         start,
         {2026, 12, 1},
         0,
         {}},
    };
    for (const Gesture& g : gestures) {
        MonthView view;
        view.resize(210, 138);
        view.setSelectedDate(g.start);
        QSignalSpy changes(&view, &MonthView::selectionChanged);
        QSignalSpy clicks(&view, &MonthView::clicked);
        g.act(view);
        EXPECT_EQ(view.selectedDate(), g.selected) << g.name;
        EXPECT_EQ(QDate(view.yearShown(), view.monthShown(), 1), g.shown) << g.name;
        EXPECT_EQ(changes.size(), g.changes) << g.name;
        EXPECT_EQ(clicks.size(), g.clicked.isValid() ? 1 : 0) << g.name;
        if (g.clicked.isValid() && !clicks.isEmpty()) {
            EXPECT_EQ(clicks.at(0).at(0).toDate(), g.clicked) << g.name;
        }
    }
}

// Six weeks from a Monday; a month that begins on a Monday has the week before it above.
TEST(MonthView, SixWeeksFromTheMondayBeforeTheFirst) {
    MonthView view;
    view.resize(210, 138);
    view.setSelectedDate({2027, 2, 14}); // February 2027 begins on a Monday
    const QRect first = view.dayRect({2027, 1, 25});
    ASSERT_FALSE(first.isEmpty());
    EXPECT_LT(first.x(), view.width() / 7);
    EXPECT_GT(view.dayRect({2027, 2, 1}).y(), first.y());
    EXPECT_FALSE(view.dayRect({2027, 3, 7}).isEmpty());
    EXPECT_TRUE(view.dayRect({2027, 3, 8}).isEmpty());
    EXPECT_TRUE(view.dayRect({2027, 1, 24}).isEmpty());
    EXPECT_EQ(view.accessibleDescription(), "Sonntag, 14. Februar 2027");
}
