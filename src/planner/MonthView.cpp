#include "MonthView.h"

#include "Clock.h"
#include "Pictures.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace moravel::planner {

namespace {
constexpr int kWeeks = 6;
constexpr int kDays = 7;
const QLocale kGerman(QLocale::German, QLocale::Germany);
} // namespace

MonthView::MonthView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Monatskalender"));
    setSelectedDate(Clock::currentDateTime().date());
}

void MonthView::setSelectedDate(QDate date) {
    if (!date.isValid())
        return;
    if (m_minimum.isValid() && date < m_minimum)
        date = m_minimum;
    if (m_maximum.isValid() && date > m_maximum)
        date = m_maximum;
    showMonthOf(date);
    if (date == m_selected)
        return;
    m_selected = date;
    setAccessibleDescription(kGerman.toString(date, QStringLiteral("dddd, d. MMMM yyyy")));
    update();
    Q_EMIT selectionChanged();
}

void MonthView::setDateRange(QDate minimum, QDate maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
    setSelectedDate(m_selected);
}

void MonthView::setTitleColour(const QColor& colour) {
    m_title = colour;
    update();
}

void MonthView::showPreviousMonth() {
    showMonthOf(m_shown.addMonths(-1));
}

void MonthView::showNextMonth() {
    showMonthOf(m_shown.addMonths(1));
}

void MonthView::showMonthOf(QDate date) {
    const QDate first(date.year(), date.month(), 1);
    if (first == m_shown || !first.isValid())
        return;
    m_shown = first;
    update();
}

QDate MonthView::firstDrawn() const {
    const int before = m_shown.dayOfWeek() - 1;
    return m_shown.addDays(-(before == 0 ? kDays : before));
}

int MonthView::titleHeight() const {
    return fontMetrics().height() * 8 / 5;
}

int MonthView::headerHeight() const {
    return fontMetrics().height() + 2;
}

QRectF MonthView::cell(int row, int column) const {
    const double top = titleHeight() + headerHeight();
    const double w = width() / double(kDays);
    const double h = (height() - top) / kWeeks;
    return QRectF(column * w, top + row * h, w, h);
}

QRect MonthView::dayRect(QDate date) const {
    const qint64 index = firstDrawn().daysTo(date);
    if (index < 0 || index >= kWeeks * kDays)
        return QRect();
    return cell(static_cast<int>(index / kDays), static_cast<int>(index % kDays)).toRect();
}

QRect MonthView::previousMonthRect() const {
    return QRect(0, 0, titleHeight() + 4, titleHeight());
}

QRect MonthView::nextMonthRect() const {
    return QRect(width() - titleHeight() - 4, 0, titleHeight() + 4, titleHeight());
}

int MonthView::cellAt(QPoint point) const {
    const double top = titleHeight() + headerHeight();
    if (point.y() < top || point.y() >= height() || point.x() < 0 || point.x() >= width())
        return -1;
    const int column = std::min(kDays - 1, static_cast<int>(point.x() * kDays / width()));
    const int row = std::min(kWeeks - 1, static_cast<int>((point.y() - top) * kWeeks / (height() - top)));
    return row * kDays + column;
}

bool MonthView::inRange(QDate date) const {
    return (!m_minimum.isValid() || date >= m_minimum) && (!m_maximum.isValid() || date <= m_maximum);
}

QDate MonthView::dateAt(QPoint point) const {
    const int index = cellAt(point);
    const QDate date = index < 0 ? QDate() : firstDrawn().addDays(index);
    return date.isValid() && inRange(date) ? date : QDate();
}

QSize MonthView::sizeHint() const {
    const int cellWidth = fontMetrics().horizontalAdvance(QStringLiteral("Mo.")) + 10;
    return QSize(cellWidth * kDays, titleHeight() + headerHeight() + kWeeks * (fontMetrics().height() + 4));
}

void MonthView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& colours = palette();
    p.fillRect(rect(), colours.color(QPalette::Base));

    // The title: the month and its year between the arrows to the months beside it.
    const int title = titleHeight();
    p.fillRect(QRect(0, 0, width(), title + headerHeight()), m_title);
    const int arrow = std::min(16, title - 4);
    const auto drawArrow = [&](QStyle::StandardPixmap which, const QRect& area) {
        pictures::standard(which).paint(
            &p, QRect(area.center() - QPoint(arrow / 2, arrow / 2), QSize(arrow, arrow)));
    };
    drawArrow(QStyle::SP_ArrowLeft, previousMonthRect());
    drawArrow(QStyle::SP_ArrowRight, nextMonthRect());
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, width(), title), Qt::AlignCenter,
               kGerman.standaloneMonthName(m_shown.month()) + QLatin1Char(' ') +
                   QString::number(m_shown.year()));

    // The weekdays from Monday, then the days.
    p.setFont(font());
    const QColor weekend(Qt::red);
    for (int column = 0; column < kDays; ++column) {
        p.setPen(column >= 5 ? weekend : colours.color(QPalette::Text));
        p.drawText(QRectF(cell(0, column).x(), title, cell(0, column).width(), headerHeight()),
                   Qt::AlignCenter, kGerman.dayName(column + 1, QLocale::ShortFormat));
    }
    const QColor other = colours.color(QPalette::Disabled, QPalette::Text);
    QDate day = firstDrawn();
    for (int row = 0; row < kWeeks; ++row) {
        for (int column = 0; column < kDays; ++column, day = day.addDays(1)) {
            const QRectF area = cell(row, column);
            const bool outside = !inRange(day);
            QColor text = day.month() != m_shown.month() || outside ? other
                          : column >= 5                             ? weekend
                                                                    : colours.color(QPalette::Text);
            if (day == m_selected) {
                p.fillRect(area.adjusted(1, 1, -1, -1), colours.color(QPalette::Highlight));
                text = colours.color(QPalette::HighlightedText);
                if (hasFocus()) {
                    QStyleOptionFocusRect focus;
                    focus.initFrom(this);
                    focus.rect = area.toRect().adjusted(1, 1, -1, -1);
                    focus.backgroundColor = colours.color(QPalette::Highlight);
                    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
                }
            }
            p.setPen(text);
            p.drawText(area, Qt::AlignCenter, QString::number(day.day()));
        }
    }
}

void MonthView::mousePressEvent(QMouseEvent* event) {
    m_pressed = QDate();
    m_pressedCell = -1;
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    if (previousMonthRect().contains(at))
        showPreviousMonth();
    else if (nextMonthRect().contains(at))
        showNextMonth();
    else if (const QDate date = dateAt(at); date.isValid()) {
        m_pressed = date;
        m_pressedCell = cellAt(at);
        setSelectedDate(date);
    }
}

void MonthView::mouseReleaseEvent(QMouseEvent* event) {
    // The same place, not the same date: a day of the month beside brought its month into view
    // as it was pressed.
    const QDate pressed = std::exchange(m_pressed, QDate());
    const int cell = std::exchange(m_pressedCell, -1);
    if (event->button() == Qt::LeftButton && pressed.isValid() && cellAt(event->position().toPoint()) == cell)
        Q_EMIT clicked(pressed);
}

void MonthView::keyPressEvent(QKeyEvent* event) {
    QDate to;
    switch (event->key()) {
    case Qt::Key_Left:
        to = m_selected.addDays(-1);
        break;
    case Qt::Key_Right:
        to = m_selected.addDays(1);
        break;
    case Qt::Key_Up:
        to = m_selected.addDays(-kDays);
        break;
    case Qt::Key_Down:
        to = m_selected.addDays(kDays);
        break;
    case Qt::Key_PageUp:
        to = m_selected.addMonths(-1);
        break;
    case Qt::Key_PageDown:
        to = m_selected.addMonths(1);
        break;
    case Qt::Key_Home:
        to = QDate(m_selected.year(), m_selected.month(), 1);
        break;
    case Qt::Key_End:
        to = QDate(m_selected.year(), m_selected.month(), m_selected.daysInMonth());
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    setSelectedDate(to);
}

void MonthView::wheelEvent(QWheelEvent* event) {
    const int turned = event->angleDelta().y();
    if (turned > 0)
        showPreviousMonth();
    else if (turned < 0)
        showNextMonth();
    event->accept();
}

} // namespace moravel::planner
