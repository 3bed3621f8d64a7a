#include "DueDetection.h"

#include "DateSerial.h"
#include "GermanNames.h"
#include "NumberText.h"

#include <array>
#include <cmath>

namespace moravel::monitor {

namespace {

constexpr qint64 kMsPerStep = 864;

// The names as the monitor has always shown them, "vierteljählich" included.
const std::array<const char*, 8> kRecurrenceNames = {"einmalig",  "täglich",        "wöchentlich",
                                                     "monatlich", "vierteljählich", "halbjährlich",
                                                     "jährlich",  "zweijährig"};

// Every tick reads each row's day and lead days. The planner writes them as plain digits, which
// are read here directly; any other text goes through the general number reader.
std::optional<qint64> wholeNumber(const QString& text) {
    constexpr qsizetype kMaxDigits = 9;
    if (text.isEmpty() || text.size() > kMaxDigits)
        return numtext::parseWhole(text);
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return numtext::parseWhole(text);
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

QString timeText(const Appointment& row) {
    const std::optional<double> time = numtext::parse(row.TerminUhrzeit);
    return time ? serial::hhmm(*time) : QString();
}

// Floor division, so that a moment before midnight belongs to the day before.
qint64 dayOfStep(qint64 step) {
    return step >= 0 ? step / kStepsPerDay : -((-step + kStepsPerDay - 1) / kStepsPerDay);
}

} // namespace

qint64 stepOf(const QDateTime& moment) {
    const qint64 day = serial::dayNumber(moment.date());
    return day * kStepsPerDay + (moment.time().msecsSinceStartOfDay() + kMsPerStep / 2) / kMsPerStep;
}

QString recurrenceName(const QString& wiederholung) {
    const std::optional<qint64> code = numtext::parseWhole(wiederholung);
    const qint64 index = code && *code >= 1 && *code < qint64(kRecurrenceNames.size()) ? *code : 0;
    return QString::fromUtf8(kRecurrenceNames[static_cast<size_t>(index)]);
}

std::optional<qint64> dayOf(const Appointment& row) {
    return wholeNumber(row.TerminDatum);
}

bool isCurrent(qint64 day, const QString& vorTage, qint64 today) {
    return isCurrent(day, wholeNumber(vorTage), today);
}

bool isCurrent(qint64 day, std::optional<qint64> vorTage, qint64 today) {
    return day >= today && day - vorTage.value_or(0) <= today;
}

QStringList listLines(const Appointment& row, qint64 day, qint64 today) {
    const QString time = timeText(row);
    QString when;
    QString option = QStringLiteral("Option:  Whg=") + recurrenceName(row.Wiederholung) +
                     QStringLiteral(",  VorMin=") + row.VorMinuten;
    if (day == today) {
        when = QStringLiteral("Termin:  Heute um ") + time + QStringLiteral(" Uhr");
    } else {
        const QDate date = serial::dateOfDay(day);
        when = QStringLiteral("Termin:  ") + german::weekdayName(date) + QStringLiteral("  ") +
               date.toString(QStringLiteral("dd")) + QLatin1Char('.') + german::monthShort(date.month()) +
               QLatin1Char('.') + date.toString(QStringLiteral("yyyy")) + QStringLiteral(" um ") + time +
               QStringLiteral(" Uhr");
        option += QStringLiteral(",  VorTage=") + row.VorTage;
    }
    return {QStringLiteral("Betreff:  ") + row.Betreff, when, option, QString()};
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
    return QStringLiteral("Sie haben einen Termin in ") + vorMinuten + QStringLiteral(" Minuten");
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
    m_from = now;
    m_to = now;
}

void ReminderSchedule::advance(qint64 now) {
    m_from = std::min(m_to, now);
    m_to = now;
}

bool ReminderSchedule::take(qint64 id, qint64 moment) {
    // Only today's reminders: after a long suspend the ones of earlier days stay unsaid.
    if (moment <= m_from || moment > m_to || dayOfStep(moment) != dayOfStep(m_to))
        return false;
    return m_given.insert({id, moment}).second;
}

} // namespace moravel::monitor
