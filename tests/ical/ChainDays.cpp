// Writes the exported series of every recurrence type from every start day 28..31 of two years,
// timed and whole-day, and the days the renewal gives each of them over ten years, for an
// independent expander to compare (check_expansion.py).
#include "CalendarExport.h"
#include "ChainForm.h"
#include "DateSerial.h"
#include "NumberText.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

using namespace moravel;

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    numtext::setDecimalSeparator(QLatin1Char(','));
    const QDir out(QString::fromLocal8Bit(argv[1]));
    std::vector<ical::ExportRow> rows;
    QString expected;
    for (int year : {2027, 2028}) {
        for (int month = 1; month <= 12; ++month) {
            for (int dayOfMonth = 28; dayOfMonth <= QDate(year, month, 1).daysInMonth(); ++dayOfMonth) {
                const QDate start(year, month, dayOfMonth);
                for (int digit = 1; digit <= 7; ++digit) {
                    for (const QString& time : {QStringLiteral("0,60417"), QString()}) {
                        Appointment row;
                        row.TerminDatum = QString::number(serial::dayNumber(start));
                        row.TerminUhrzeit = time;
                        row.Wiederholung = QString::number(digit);
                        row.sysGesperrt = QStringLiteral("0");
                        const QString uid = start.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('-') +
                                            QString::number(digit) + (time.isEmpty() ? "-ganztags" : "-1430");
                        rows.push_back({row, uid});
                        expected += uid;
                        for (const QDate& day : ical::chainDays(start, digit, start.addYears(10)))
                            expected += QLatin1Char(' ') + day.toString(Qt::ISODate);
                        expected += QLatin1Char('\n');
                    }
                }
            }
        }
    }
    const ical::CalendarContext context{ical::LocalZone("Europe/Berlin"),
                                        QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    QFile calendar(out.filePath(QStringLiteral("chains.ics")));
    QFile days(out.filePath(QStringLiteral("chains.txt")));
    if (!calendar.open(QIODevice::WriteOnly) || !days.open(QIODevice::WriteOnly))
        return 1;
    calendar.write(ical::exportCalendar(rows, context).text);
    days.write(expected.toUtf8());
    return 0;
}
