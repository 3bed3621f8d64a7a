#include "DateField.h"

#include "MessageBox.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextCharFormat>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace moravel::planner {

namespace {
const QString kDayFormat = QStringLiteral("dd.MM.yyyy");
const QString kDisplayFormat = QStringLiteral("dd.MM.yyyy,  dddd");
// The longest day shown: a Thursday in September.
const QDate kWidestDay(2026, 9, 24);
} // namespace

DateField::DateField(QWidget* parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_button(new QToolButton(this)) {
    setLocale(QLocale(QLocale::German, QLocale::Germany));
    setFocusProxy(m_edit);
    m_edit->setObjectName(QStringLiteral("dateText"));
    m_edit->setAccessibleName(QStringLiteral("Termin am:"));
    m_edit->installEventFilter(this);
    m_button->setObjectName(QStringLiteral("dateButton"));
    m_button->setArrowType(Qt::DownArrow);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setAccessibleName(QStringLiteral("Kalender"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_button);
    connect(m_button, &QToolButton::clicked, this, &DateField::showCalendar);
}

QCalendarWidget* DateField::calendarWidget() {
    if (m_calendar)
        return m_calendar;
    // A calendar is among the costliest widgets to build, and most starts never drop it down.
    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setFrameShape(QFrame::Box);
    m_calendar = new QCalendarWidget(m_popup);
    auto* popupLayout = new QVBoxLayout(m_popup);
    popupLayout->setContentsMargins(1, 1, 1, 1);
    popupLayout->addWidget(m_calendar);
    m_calendar->setLocale(locale());
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    if (m_first.isValid() && m_last.isValid())
        m_calendar->setDateRange(m_first, m_last);
    if (m_calendarTitle.isValid())
        moravel::planner::setCalendarTitle(m_calendar, m_calendarTitle);
    for (auto picked : {&QCalendarWidget::clicked, &QCalendarWidget::activated}) {
        connect(m_calendar, picked, this, [this](QDate day) {
            m_popup->hide();
            setDate(day);
        });
    }
    return m_calendar;
}

void DateField::setCalendarTitle(const QColor& colour) {
    m_calendarTitle = colour;
    if (m_calendar)
        moravel::planner::setCalendarTitle(m_calendar, colour);
}

void setCalendarTitle(QCalendarWidget* calendar, const QColor& colour) {
    QTextCharFormat title;
    title.setBackground(colour);
    calendar->setHeaderTextFormat(title);
    if (auto* navigation = calendar->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"))) {
        QPalette palette = navigation->palette();
        palette.setColor(QPalette::Window, colour);
        navigation->setPalette(palette);
        navigation->setAutoFillBackground(true);
    }
}

QString DateField::displayText(QDate date) const {
    return locale().toString(date, kDisplayFormat);
}

QString DateField::text() const {
    return m_edit->text();
}

QSize DateField::sizeHint() const {
    const int text = m_edit->fontMetrics().horizontalAdvance(displayText(kWidestDay));
    // The line edit's frame and margins, and the drop-down button.
    return QSize(text + 16 + m_button->sizeHint().width(), m_edit->sizeHint().height());
}

void DateField::setDateRange(QDate first, QDate last) {
    m_first = first;
    m_last = last;
    if (m_calendar)
        m_calendar->setDateRange(first, last);
}

bool DateField::accepts(QDate date) const {
    return date.isValid() && !(m_first.isValid() && date < m_first) && !(m_last.isValid() && date > m_last);
}

QString DateField::rangeText() const {
    return QStringLiteral("Termine sind vom %1 bis zum %2 möglich.")
        .arg(m_first.toString(kDayFormat), m_last.toString(kDayFormat));
}

void DateField::setDate(QDate date) {
    if (!accepts(date))
        return;
    const bool changed = date != m_date;
    m_date = date;
    showDate();
    if (changed)
        Q_EMIT dateChanged(date);
}

void DateField::showDate() {
    m_edit->setText(m_edit->hasFocus() ? m_date.toString(kDayFormat) : displayText(m_date));
}

bool DateField::commitTyped() {
    const QString typed = m_edit->text().trimmed();
    if (m_committing || typed == displayText(m_date) || typed == m_date.toString(kDayFormat))
        return true;
    static const QRegularExpression pattern(QStringLiteral(R"(^(\d{1,2})\.(\d{1,2})\.(\d{4})(,.*)?$)"));
    const QRegularExpressionMatch match = pattern.match(typed);
    const QDate date = match.hasMatch() ? QDate(match.captured(3).toInt(), match.captured(2).toInt(),
                                                match.captured(1).toInt())
                                        : QDate();
    QString refusal;
    if (!match.hasMatch())
        refusal = QStringLiteral("„%1“ ist kein Datum. Bitte den Tag so eingeben: 30.04.2027").arg(typed);
    else if (!date.isValid())
        refusal = QStringLiteral("Den %1 gibt es nicht.").arg(typed.section(QLatin1Char(','), 0, 0));
    else if (!accepts(date))
        refusal = rangeText();
    if (refusal.isEmpty()) {
        setDate(date);
        return true;
    }
    // The field shows its day again before the message takes the focus, so leaving it for the
    // message does not refuse a second time.
    m_committing = true;
    showDate();
    ui::MessageBox::show(this, QMessageBox::Information, QStringLiteral("Hinweis"), refusal);
    m_committing = false;
    return false;
}

void DateField::showCalendar() {
    commitTyped();
    calendarWidget()->setSelectedDate(m_date);
    const QPoint below = mapToGlobal(QPoint(0, height()));
    m_popup->adjustSize();
    m_popup->move(below);
    m_popup->show();
    m_calendar->setFocus();
}

bool DateField::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_edit)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        // Typing replaces the whole day; the weekday would only be in the way. The selection is
        // deferred: the click that gave the focus would otherwise undo it.
        m_edit->setText(m_date.toString(kDayFormat));
        QTimer::singleShot(0, m_edit, [this] { m_edit->selectAll(); });
        break;
    case QEvent::FocusOut:
        if (commitTyped())
            showDate();
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            commitTyped();
            m_edit->selectAll();
            return true;
        }
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            if (commitTyped())
                setDate(m_date.addDays(key == Qt::Key_Up ? 1 : -1));
            m_edit->selectAll();
            return true;
        }
        if (key == Qt::Key_F4) {
            showCalendar();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace moravel::planner
