#include "GermanNames.h"

#include <array>

namespace moravel::german {

namespace {
const std::array<const char*, 7> kWeekdays = {"Montag",  "Dienstag", "Mittwoch", "Donnerstag",
                                              "Freitag", "Samstag",  "Sonntag"};
const std::array<const char*, 7> kWeekdaysShort = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
const std::array<const char*, 12> kMonths = {"Januar",    "Februar", "März",     "April",
                                             "Mai",       "Juni",    "Juli",     "August",
                                             "September", "Oktober", "November", "Dezember"};
const std::array<const char*, 12> kMonthsShort = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                                  "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
} // namespace

QString weekdayName(QDate date) {
    return date.isValid() ? QString::fromUtf8(kWeekdays[date.dayOfWeek() - 1]) : QString();
}

QString weekdayShort(QDate date) {
    return date.isValid() ? QString::fromUtf8(kWeekdaysShort[date.dayOfWeek() - 1]) : QString();
}

QString monthName(int month) {
    return month >= 1 && month <= 12 ? QString::fromUtf8(kMonths[month - 1]) : QString();
}

QString monthShort(int month) {
    return month >= 1 && month <= 12 ? QString::fromUtf8(kMonthsShort[month - 1]) : QString();
}

QString listDate(QDate date) {
    if (!date.isValid())
        return QString();
    return date.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral("   ") + weekdayShort(date);
}

} // namespace moravel::german
