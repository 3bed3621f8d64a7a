#include "RowShape.h"

#include "DateSerial.h"
#include "NumberText.h"

#include <cmath>

namespace moravel::ical {

namespace {

constexpr double kSecondsPerDay = 86400;
constexpr double kSortUnitsPerDay = 100000;

// A number as whole seconds; none for a value no qint64 holds.
std::optional<qint64> secondsOf(double value, double secondsPerUnit) {
    const double seconds = std::round(value * secondsPerUnit);
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15)
        return std::nullopt;
    return static_cast<qint64>(seconds);
}

} // namespace

std::optional<RowShape> shapeOf(const Appointment& row) {
    const std::optional<qint64> day = numtext::parseWhole(row.TerminDatum);
    if (!day || !serial::dateOfDay(*day).isValid())
        return std::nullopt;
    RowShape shape;
    shape.day = *day;
    const std::optional<double> time = numtext::parse(row.TerminUhrzeit);
    if (time)
        shape.seconds = serial::timeOfFraction(*time).msecsSinceStartOfDay() / 1000;

    // As the renewal reads them: live is a lock flag of 0, the type a whole number 1..7.
    const std::optional<qint64> digit = numtext::parseWhole(row.Wiederholung);
    if (numtext::parse(row.sysGesperrt) == 0.0 && digit && *digit >= 1 && *digit <= 7)
        shape.recurrence = static_cast<int>(*digit);

    const std::optional<double> leadDays = numtext::parse(row.VorTage);
    if (leadDays && *leadDays > 0)
        shape.leadDaysSeconds = secondsOf(*leadDays, kSecondsPerDay);
    // As the monitor reads it: a lead only when the whole number of minutes is more than none.
    if (time) {
        const std::optional<qint64> wholeMinutes = numtext::parseWhole(row.VorMinuten);
        shape.leadMinutesSeconds =
            wholeMinutes && *wholeMinutes > 0 ? secondsOf(*numtext::parse(row.VorMinuten), 60) : 0;
    }
    if (const std::optional<double> sortKey = numtext::parse(row.TerminDatumUhrzeit))
        shape.sortKey = secondsOf(*sortKey, kSortUnitsPerDay);
    return shape;
}

Appointment plainRow(const RowShape& shape, const QString& subject, const QString& remarks, double now) {
    Appointment row;
    row.TerminDatum = QString::number(shape.day);
    if (shape.seconds >= 0)
        row.TerminUhrzeit = numtext::fixed5(shape.seconds / kSecondsPerDay);
    row.TerminDatumUhrzeit =
        numtext::general(static_cast<double>(shape.day) + numtext::parse(row.TerminUhrzeit).value_or(0.0));
    row.Betreff = subject;
    row.Bemerkungen = remarks;
    row.Wiederholung = QString::number(shape.recurrence);
    row.VorTage = shape.leadDaysSeconds ? numtext::general(*shape.leadDaysSeconds / kSecondsPerDay)
                                        : QStringLiteral("0");
    row.VorMinuten = shape.leadMinutesSeconds && shape.seconds >= 0
                         ? numtext::general(*shape.leadMinutesSeconds / 60.0)
                         : QStringLiteral("0");
    row.sysGesperrt = QStringLiteral("0");
    row.ZuletztGeoeffnetAm = numtext::fixed5(now);
    row.TerminDatumUhrzeitMeldung = numtext::fixed5(0);
    return row;
}

QString asReadBack(const QString& text) {
    QString read;
    read.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            read += c;
    }
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype first = 0;
    qsizetype end = read.size();
    while (first < end && blank(read[first]))
        ++first;
    while (end > first && blank(read[end - 1]))
        --end;
    return read.sliced(first, end - first);
}

bool saysTheSame(const Appointment& row, const Appointment& event) {
    return shapeOf(row) == shapeOf(event) && asReadBack(row.Betreff) == event.Betreff &&
           asReadBack(row.Bemerkungen) == event.Bemerkungen;
}

const std::array<CarriedField, 11>& carriedFields() {
    static const std::array<CarriedField, 11> fields = {{
        {"X-MORAVEL-BETREFF", &Appointment::Betreff},
        {"X-MORAVEL-BEMERKUNGEN", &Appointment::Bemerkungen},
        {"X-MORAVEL-SYSGESPERRT", &Appointment::sysGesperrt},
        {"X-MORAVEL-WIEDERHOLUNG", &Appointment::Wiederholung},
        {"X-MORAVEL-TERMINDATUM", &Appointment::TerminDatum},
        {"X-MORAVEL-TERMINUHRZEIT", &Appointment::TerminUhrzeit},
        {"X-MORAVEL-TERMINDATUMUHRZEIT", &Appointment::TerminDatumUhrzeit},
        {"X-MORAVEL-VORTAGE", &Appointment::VorTage},
        {"X-MORAVEL-VORMINUTEN", &Appointment::VorMinuten},
        {"X-MORAVEL-ZULETZTGEOEFFNETAM", &Appointment::ZuletztGeoeffnetAm},
        {"X-MORAVEL-TERMINDATUMUHRZEITMELDUNG", &Appointment::TerminDatumUhrzeitMeldung},
    }};
    return fields;
}

QByteArray carriedValue(const QString& text) {
    return '"' + text.toUtf8().toPercentEncoding(",;:. @/+") + '"';
}

std::optional<QString> carriedText(const char* value) {
    const QByteArrayView quoted(value);
    if (quoted.size() < 2 || !quoted.startsWith('"') || !quoted.endsWith('"'))
        return std::nullopt;
    return QString::fromUtf8(
        QByteArray::fromPercentEncoding(quoted.sliced(1, quoted.size() - 2).toByteArray()));
}

} // namespace moravel::ical
