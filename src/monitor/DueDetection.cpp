#include "DueDetection.h"

#include "DateSerial.h"
#include "GermanNames.h"
#include "NumberText.h"
#include "Recurrence.h"

#include <cmath>

namespace moravel::monitor {

namespace {

constexpr int kQuarterly = 4;

QString timeText(const Appointment& row) {
    const std::optional<double> time = numtext::parse(row.TerminUhrzeit);
    return time ? serial::hhmm(*time) : QString();
}

} // namespace

qint64 dayOfStep(qint64 step) {
    return step >= 0 ? step / kStepsPerDay : -((-step + kStepsPerDay - 1) / kStepsPerDay);
}

qint64 stepOf(const QDateTime& moment) {
    const qint64 day = serial::dayNumber(moment.date());
    return day * kStepsPerDay + (moment.time().msecsSinceStartOfDay() + kMsPerStep / 2) / kMsPerStep;
}

QString recurrenceName(const QString& wiederholung) {
    const std::optional<qint64> code = numtext::parseWhole(wiederholung);
    const auto& types = recurrenceTypes();
    const qint64 index = code && *code >= 1 && *code < qint64(types.size()) ? *code : 0;
    // The monitor has always shown this one without its "r".
    if (index == kQuarterly)
        return QStringLiteral("vierteljählich");
    // The planner's entry "T = täglich" without its letter.
    return types[static_cast<size_t>(index)].text.mid(4);
}

std::optional<qint64> dayOf(const Appointment& row) {
    return numtext::parseWhole(row.TerminDatum);
}

bool isCurrent(qint64 day, const QString& vorTage, qint64 today) {
    return isCurrent(day, numtext::parseWhole(vorTage), today);
}

bool isCurrent(qint64 day, std::optional<qint64> vorTage, qint64 today) {
    return day >= today && day - vorTage.value_or(0) <= today;
}

QString shownText(const QString& stored) {
    return stored.size() > kShownChars ? stored.first(kShownChars) : stored;
}

QStringList listLines(const Appointment& row, qint64 day, qint64 today) {
    const QString time = timeText(row);
    QString when;
    QString option = QStringLiteral("Option:  Whg=") + recurrenceName(row.Wiederholung) +
                     QStringLiteral(",  VorMin=") + shownText(row.VorMinuten);
    if (day == today) {
        when = QStringLiteral("Termin:  Heute um ") + time + QStringLiteral(" Uhr");
    } else {
        const QDate date = serial::dateOfDay(day);
        when = QStringLiteral("Termin:  ") + german::weekdayName(date) + QStringLiteral("  ") +
               date.toString(QStringLiteral("dd")) + QLatin1Char('.') + german::monthShort(date.month()) +
               QLatin1Char('.') + date.toString(QStringLiteral("yyyy")) + QStringLiteral(" um ") + time +
               QStringLiteral(" Uhr");
        option += QStringLiteral(",  VorTage=") + shownText(row.VorTage);
    }
    return {QStringLiteral("Betreff:  ") + shownText(row.Betreff), when, option, QString()};
}

QString summaryText(int count) {
    if (count == 0)
        return QStringLiteral("Sie haben keinen aktuellen Termin");
    if (count == 1)
        return QStringLiteral("Sie haben 1 aktuellen Termin");
    return QStringLiteral("Sie haben %1 aktuelle Termine").arg(count);
}

QString timeLine(const Appointment& row) {
    return QStringLiteral("um ") + timeText(row) + QStringLiteral(" Uhr");
}

QString messageLine(const QString& vorMinuten) {
    if (vorMinuten == QLatin1String("0"))
        return QStringLiteral("Sie haben jetzt einen Termin");
    if (vorMinuten == QLatin1String("1"))
        return QStringLiteral("Sie haben einen Termin in 1 Minute");
    return QStringLiteral("Sie haben einen Termin in ") + shownText(vorMinuten) + QStringLiteral(" Minuten");
}

QString notificationText(const Appointment& row) {
    return shownText(row.Betreff) + QLatin1Char('\n') + timeLine(row) + QLatin1Char('\n') +
           messageLine(row.VorMinuten);
}

qint64 leadSteps(const QString& vorMinuten) {
    const std::optional<qint64> whole = numtext::parseWhole(vorMinuten);
    if (!whole || *whole <= 0)
        return 0;
    return std::llround(*numtext::parse(vorMinuten) * kStepsPerDay / 1440.0);
}

std::optional<qint64> reminderMoment(qint64 day, const Appointment& row) {
    const std::optional<double> time = numtext::parse(row.TerminUhrzeit);
    if (!time)
        return std::nullopt;
    return day * kStepsPerDay + std::llround(*time * kStepsPerDay) - leadSteps(row.VorMinuten);
}

QString fractionText(qint64 step, qint64 day) {
    return numtext::fixed5(static_cast<double>(step - day * kStepsPerDay) / kStepsPerDay);
}

void ReminderSchedule::restart(qint64 now) {
    m_from = now - 1;
    m_to = now - 1;
    m_read = now - 1;
}

void ReminderSchedule::advance(qint64 now, bool rowsFresh) {
    m_from = std::min(m_read, now);
    m_to = now;
    if (rowsFresh)
        m_read = now;
}

bool ReminderSchedule::take(qint64 id, qint64 moment) {
    // Today's reminders, and after midnight those of the evening before; after a long suspend
    // the ones of earlier days stay unsaid.
    if (moment <= m_from || moment > m_to ||
        (dayOfStep(moment) != dayOfStep(m_to) && m_to - moment > kCatchUpSteps))
        return false;
    return m_given.insert({id, moment}).second;
}

bool ReminderSchedule::pending(qint64 id, qint64 moment) const {
    return moment > m_to && dayOfStep(moment) == dayOfStep(m_to) && !m_given.contains({id, moment});
}

} // namespace moravel::monitor
