#include "EntryFields.h"

#include "DateSerial.h"
#include "NumberText.h"
#include "Recurrence.h"

#include <QRegularExpression>

#include <cmath>

namespace moravel::planner::entry {

namespace {
constexpr int kLastMinuteOfDay = 1439;
}

QString correctedLeadDays(const QString& text) {
    return numtext::parse(text) ? text : QStringLiteral("0");
}

QString correctedLeadMinutes(const QString& text) {
    const std::optional<double> value = numtext::parse(text);
    if (!value)
        return QStringLiteral("0");
    // A negative lead has no meaning: it is taken as none rather than accepted silently.
    const double bounded = std::clamp(*value, 0.0, static_cast<double>(kLastMinuteOfDay));
    // nearbyint in the default rounding mode takes halves to the even neighbour: 2,5 -> 2, 3,5 -> 4.
    return QString::number(static_cast<int>(std::nearbyint(bounded)));
}

std::optional<QTime> timeOf(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*(\d{1,2}):(\d{2})\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QTime time(match.captured(1).toInt(), match.captured(2).toInt());
    return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
}

QString correctedTime(const QString& text) {
    return timeOf(text) ? text : QStringLiteral("00:00");
}

std::optional<QString> addingRefusal(QDate day, int recurrence) {
    constexpr int kMonthly = 3, kQuarterly = 4, kYearly = 6;
    const QString notAllMonths = QStringLiteral("Nicht alle Monate haben 29, 30 oder 31 Tage.\n");
    if (day.day() == 29 && day.month() == 2 && recurrence == kYearly)
        return QStringLiteral("Für den  29.Februar  ist 'jährliche Wiederholung' nicht möglich!       ");
    if (day.day() >= 29 && recurrence == kMonthly)
        return notAllMonths +
               QStringLiteral("Die 'monatliche Wiederholung' für diese Tage ist deshalb nicht möglich!");
    if (day.day() >= 29 && recurrence == kQuarterly)
        return notAllMonths +
               QStringLiteral(
                   "Die 'vierteljährliche Wiederholung' für diese Tage ist deshalb nicht möglich!");
    return std::nullopt;
}

std::optional<Appointment> newRow(const Fields& fields, double now) {
    const std::optional<QTime> time = timeOf(fields.time);
    if (!time || !fields.day.isValid())
        return std::nullopt;
    const qint64 day = serial::dayNumber(fields.day);
    Appointment row;
    row.Betreff = fields.subject;
    row.TerminDatum = QString::number(day);
    row.TerminUhrzeit = numtext::fixed5(serial::timeFraction(*time));
    // The sum carries exactly the five decimals of TerminUhrzeit, in the general number text.
    row.TerminDatumUhrzeit = numtext::general(static_cast<double>(day) + *numtext::parse(row.TerminUhrzeit));
    row.TerminDatumUhrzeitMeldung = numtext::fixed5(0);
    row.Wiederholung =
        QString::number(fields.recurrence >= 0 && fields.recurrence <= 7 ? fields.recurrence : 0);
    row.VorTage = fields.leadDays;
    row.VorMinuten = fields.leadMinutes;
    row.Bemerkungen = fields.remarks;
    row.ZuletztGeoeffnetAm = numtext::fixed5(now);
    row.sysGesperrt = QStringLiteral("0");
    return row;
}

int positionOfLetter(const QString& letter) {
    const auto& types = recurrenceTypes();
    for (size_t i = 0; i < types.size(); ++i) {
        if (letter.size() == 1 && types[i].letter == letter.front())
            return static_cast<int>(i);
    }
    return 0;
}

} // namespace moravel::planner::entry
