// Writes an export of one-offs and series of every recurrence type, timed and whole-day, from
// ordinary and clamped start days, and the occurrences the planner gives each of them up to
// 1 March 2031, for other calendar programs to read back (check_clients.py).
#include "CalendarExport.h"
#include "ChainForm.h"
#include "DateSerial.h"
#include "NumberText.h"

#include <QDir>
#include <QFile>

using namespace moravel;

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    numtext::setDecimalSeparator(QLatin1Char(','));
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QDate last(2031, 3, 1);
    std::vector<ical::ExportRow> rows;
    QString expected;
    for (const QDate start :
         {QDate(2027, 3, 15), QDate(2027, 1, 31), QDate(2027, 8, 31), QDate(2028, 2, 29)}) {
        for (int digit = 0; digit <= 7; ++digit) {
            for (const bool timed : {true, false}) {
                Appointment row;
                row.TerminDatum = QString::number(serial::dayNumber(start));
                row.TerminUhrzeit = timed ? QStringLiteral("0,60417") : QString();
                row.Wiederholung = QString::number(digit);
                row.VorTage = digit % 2 == 0 ? QStringLiteral("2") : QStringLiteral("0");
                row.VorMinuten = timed && digit != 3 ? QStringLiteral("15") : QStringLiteral("0");
                row.Betreff = QStringLiteral("Reihe %1 ab %2 %3")
                                  .arg(digit)
                                  .arg(start.toString(Qt::ISODate), timed ? "14:30" : "ganztags");
                row.sysGesperrt = QStringLiteral("0");
                const QString uid =
                    QStringLiteral("%1-%2-%3").arg(start.toString(Qt::ISODate)).arg(digit).arg(timed);
                rows.push_back({row, uid});
                const std::vector<QDate> days =
                    digit == 0 ? std::vector<QDate>{start} : ical::chainDays(start, digit, last);
                for (const QDate& day : days)
                    expected += QStringLiteral("%1%2|%3|%4|%5\n")
                                    .arg(day.toString(Qt::ISODate), timed ? " 14:30" : "", row.Betreff,
                                         row.VorTage, row.VorMinuten);
            }
        }
    }
    const ical::CalendarContext context{ical::LocalZone("Europe/Berlin"),
                                        QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    QFile calendar(out.filePath(QStringLiteral("clients.ics")));
    QFile occurrences(out.filePath(QStringLiteral("clients.txt")));
    if (!calendar.open(QIODevice::WriteOnly) || !occurrences.open(QIODevice::WriteOnly))
        return 1;
    calendar.write(ical::exportCalendar(rows, context).text);
    occurrences.write(expected.toUtf8());
    return 0;
}
