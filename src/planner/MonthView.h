#pragma once

#include <QColor>
#include <QDate>
#include <QWidget>

namespace moravel::planner {

// The month calendar of the main window, drawn by itself: a title with the month, the year and
// arrows to the months beside it, the weekdays, and six weeks of days from Monday, Saturday and
// Sunday in red, days of the months beside it in grey. A day is chosen with the mouse or the
// keys (arrows by day and week, Page Up and Down by month, Home and End to the month's first and
// last day); the wheel turns the months. Calendar widgets of the toolkit build a table view, a
// model, a menu of months and a year field, which took the main window's start a tenth longer.
class MonthView : public QWidget {
    Q_OBJECT
public:
    explicit MonthView(QWidget* parent = nullptr);

    QDate selectedDate() const { return m_selected; }
    // A date outside the range is taken as the range's nearest end; its month is shown.
    void setSelectedDate(QDate date);
    void setDateRange(QDate minimum, QDate maximum);
    void setTitleColour(const QColor& colour);

    int yearShown() const { return m_shown.year(); }
    int monthShown() const { return m_shown.month(); }
    void showPreviousMonth();
    void showNextMonth();

    // Where a day of the month shown is drawn; empty when it is not shown.
    QRect dayRect(QDate date) const;
    QRect previousMonthRect() const;
    QRect nextMonthRect() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // A day was clicked (pressed and released on it).
    void clicked(QDate date);
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // The first day drawn: the Monday before the month's first day (a whole week before when
    // the month begins on a Monday).
    QDate firstDrawn() const;
    // The place of a day in the six weeks, -1 outside them.
    int cellAt(QPoint point) const;
    QDate dateAt(QPoint point) const;
    bool inRange(QDate date) const;
    int titleHeight() const;
    int headerHeight() const;
    QRectF cell(int row, int column) const;
    void showMonthOf(QDate date);

    QDate m_selected;
    QDate m_shown; // the first day of the month shown
    QDate m_minimum;
    QDate m_maximum;
    QDate m_pressed;
    int m_pressedCell = -1;
    QColor m_title = QColor(78, 165, 250);
};

} // namespace moravel::planner
