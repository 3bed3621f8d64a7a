#pragma once

#include <QColor>
#include <QDate>
#include <QWidget>

class QCalendarWidget;
class QFrame;
class QLineEdit;
class QToolButton;

namespace moravel::planner {

// The day of an appointment. A typed date counts as a whole, day, month and year together, when
// the field is left or Return is pressed: a day that exists in the range is taken exactly as
// typed, anything else is refused with a message and the field shows its last day again.
// The button beside it drops down a calendar to pick from, made when it is first dropped down.
// Up and Down step a day.
class DateField : public QWidget {
    Q_OBJECT
public:
    explicit DateField(QWidget* parent = nullptr);

    QDate date() const { return m_date; }
    // A day outside the range or an invalid date changes nothing.
    void setDate(QDate date);
    void setDateRange(QDate first, QDate last);
    // Whether setDate takes the day; else rangeText() says which days it takes.
    bool accepts(QDate date) const;
    QString rangeText() const;
    // What the field shows: "dd.MM.yyyy,  dddd", or what is being typed.
    QString text() const;
    // The drop-down calendar, made on the first call.
    QCalendarWidget* calendarWidget();
    // The background of the drop-down calendar's title, kept for when it is made.
    void setCalendarTitle(const QColor& colour);
    // Takes what was typed; false when it names no day of the range (the user has been told).
    bool commitTyped();

    QSize sizeHint() const override;

Q_SIGNALS:
    void dateChanged(QDate date);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showDate();
    void showCalendar();
    QString displayText(QDate date) const;

    QLineEdit* m_edit;
    QToolButton* m_button;
    QFrame* m_popup = nullptr;
    QCalendarWidget* m_calendar = nullptr;
    QColor m_calendarTitle;
    QDate m_date;
    QDate m_first;
    QDate m_last;
    bool m_committing = false;
};

// Gives a calendar's title (the month and year bar) this background.
void setCalendarTitle(QCalendarWidget* calendar, const QColor& colour);

} // namespace moravel::planner
