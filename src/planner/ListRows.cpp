#include "ListRows.h"

#include "DateSerial.h"
#include "DayClass.h"
#include "GermanNames.h"
#include "NumberText.h"
#include "Recurrence.h"

#include <cmath>

namespace moravel::planner::listrows {

namespace {
std::optional<qint64> fromToday(std::optional<qint64> day, qint64 today) {
    return day && *day >= today ? day : std::nullopt;
}

// Most rows have no lead days: one shared text instead of one per row.
const QString kNoLeadDays = QStringLiteral("0");
} // namespace

QString shown(const QString& stored) {
    return stored.size() > kShownChars ? stored.left(kShownChars) : stored;
}

ListEntry listEntry(const Appointment& row, qint64 day) {
    ListEntry out;
    out.id = row.ID;
    out.day = day;
    out.subject = shown(row.Betreff);
    out.leadDays = row.VorTage == kNoLeadDays ? kNoLeadDays : shown(row.VorTage);
    if (const std::optional<double> time = numtext::parse(row.TerminUhrzeit))
        out.minutes = serial::timeOfFraction(*time).msecsSinceStartOfDay() / 60000;
    out.recurrence = recurrenceLetter(row.Wiederholung).front();
    return out;
}

QString columnText(const ListEntry& entry, int column, qint64 today) {
    switch (column) {
    case Grafik:
        return barText(entry.day - today);
    case Whg:
        return QString(entry.recurrence);
    case Datum:
        return german::listDate(serial::dateOfDay(entry.day));
    case Uhrzeit:
        return entry.minutes < 0 ? QString()
                                 : QStringLiteral("%1:%2")
                                       .arg(entry.minutes / 60, 2, 10, QLatin1Char('0'))
                                       .arg(entry.minutes % 60, 2, 10, QLatin1Char('0'));
    case Vortage:
        return entry.leadDays;
    case Betreff:
        return entry.subject;
    case DatumWert:
        return QString::number(entry.day);
    case ID:
        return QString::number(entry.id);
    default:
        return QString();
    }
}

bool Missed::fellDue(std::optional<double> moment, double closedAt, double now) {
    return moment && closedAt < *moment && *moment < now;
}

void Missed::check(const Appointment& row, double closedAt, double now) {
    if (!fellDue(numtext::parse(row.TerminDatumUhrzeit), closedAt, now) || count >= kLimit)
        return;
    ++count;
    subjects << shown(row.Betreff);
}

QString Missed::message() const {
    if (count <= 0)
        return QString();
    QString text = QStringLiteral("Anzahl verpasster Termine:   ") + QString::number(count) +
                   QString(18, QLatin1Char(' ')) + QLatin1Char('\n');
    if (count == 1)
        return text + QStringLiteral("Termin:  ") + subjects.value(0);
    text += QLatin1Char('\n');
    for (int i = 0; i < std::min(count, 4); ++i)
        text += QStringLiteral("Termin%1:  ").arg(i + 1) + subjects.value(i) + QLatin1Char('\n');
    if (count > 4)
        text += QStringLiteral("...und noch weitere verpasste Termine! ") + QLatin1Char('\n');
    return text;
}

std::optional<qint64> dayOf(const Appointment& row) {
    return numtext::parseWhole(row.TerminDatum);
}

std::optional<qint64> comingDay(const Appointment& row, qint64 today) {
    return fromToday(dayOf(row), today);
}

bool isComing(const TerminStore::RowKey& key, qint64 today) {
    return fromToday(numtext::parseWholeUtf8(key.TerminDatum), today).has_value();
}

std::vector<ListEntry> pastEntries(const std::vector<Appointment>& rows) {
    std::vector<ListEntry> out;
    out.reserve(rows.size());
    for (const Appointment& row : rows) {
        if (const std::optional<qint64> day = dayOf(row))
            out.push_back(listEntry(row, *day));
    }
    return out;
}

std::optional<int> sortKeyColumn(int clicked) {
    switch (clicked) {
    case Grafik:
    case Whg:
    case Uhrzeit:
    case Vortage:
    case Betreff:
        return clicked;
    case Datum:
        return DatumWert;
    default:
        return std::nullopt;
    }
}

} // namespace moravel::planner::listrows
