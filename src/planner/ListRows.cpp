#include "ListRows.h"

#include "DateSerial.h"
#include "DayClass.h"
#include "GermanNames.h"
#include "NumberText.h"
#include "Recurrence.h"

using namespace moravel;

namespace listrows {

namespace {
std::optional<qint64> dayOf(const Appointment& row) {
    return numtext::parseWhole(row.TerminDatum);
}

std::optional<qint64> fromToday(std::optional<qint64> day, qint64 today) {
    return day && *day >= today ? day : std::nullopt;
}
} // namespace

ListRow listRow(const Appointment& row, qint64 day, qint64 today) {
    const qint64 tagesabstand = day - today;
    const std::optional<double> time = numtext::parse(row.TerminUhrzeit);
    ListRow out;
    out.texts = QStringList{barText(tagesabstand),
                            recurrenceLetter(row.Wiederholung),
                            german::listDate(serial::dateOfDay(day)),
                            time ? serial::hhmm(*time) : QString(),
                            row.VorTage,
                            row.Betreff,
                            row.TerminDatum,
                            QString::number(row.ID)};
    const DayClass cls = dayClass(tagesabstand);
    out.icon = cls.icon;
    out.colour = cls.colour;
    return out;
}

bool Missed::fellDue(std::optional<double> moment, double closedAt, double now) {
    return moment && closedAt < *moment && *moment < now;
}

void Missed::check(const Appointment& row, double closedAt, double now) {
    if (!fellDue(numtext::parse(row.TerminDatumUhrzeit), closedAt, now) || count >= kLimit)
        return;
    ++count;
    subjects << row.Betreff;
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

std::optional<qint64> comingDay(const Appointment& row, qint64 today) {
    return fromToday(dayOf(row), today);
}

bool isComing(const TerminStore::RowKey& key, qint64 today) {
    return fromToday(numtext::parseWholeUtf8(key.TerminDatum), today).has_value();
}

std::vector<ListRow> pastRows(const std::vector<Appointment>& rows, qint64 today) {
    std::vector<ListRow> out;
    int counted = 0;
    for (const Appointment& row : rows) {
        if (row.Wiederholung == QLatin1String("1"))
            continue;
        if (++counted >= kPastLimit)
            break;
        if (const std::optional<qint64> day = dayOf(row))
            out.push_back(listRow(row, *day, today));
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

} // namespace listrows
