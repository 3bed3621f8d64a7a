#include "CalendarImport.h"
#include "DateSerial.h"
#include "NumberText.h"
#include "TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace moravel;

namespace {

QByteArray dataFile(const char* name) {
    QFile file(QStringLiteral(ICAL_TEST_DATA "/") + QString::fromUtf8(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a row says, in the words of the planner's list: "dd.MM.yyyy hh:mm" (no time for a whole
// day), type digit, lead days and minutes, subject; "einmalig" marks a series taken once only.
QString described(const ical::ImportedEvent& event) {
    const Appointment& row = event.row;
    QString text = serial::dateOfDay(row.TerminDatum.toLongLong()).toString(QStringLiteral("dd.MM.yyyy"));
    if (const std::optional<double> time = numtext::parse(row.TerminUhrzeit))
        text += QLatin1Char(' ') + serial::hhmm(*time);
    text += QStringLiteral(" | %1 | %2 | %3 | %4")
                .arg(row.Wiederholung, row.VorTage, row.VorMinuten, row.Betreff);
    if (event.unknownRecurrence)
        text += QStringLiteral(" | einmalig");
    return text;
}

struct FileCase {
    const char* file;
    int skipped; // VTODO, VJOURNAL
    std::vector<const char*> rows;
    std::vector<const char*> told = {}; // events left out, then what of the taken and the file was lost
    int cancelled = 0;
};

QStringList toldOf(const ical::ImportResult& result) {
    QStringList told = result.unreadable;
    for (const ical::ImportedEvent& event : result.events)
        told << event.losses;
    return told << result.fileLosses;
}

// Today is Monday, 7 December 2026, 10:00 in Berlin.
const FileCase kFiles[] = {
    {"zeitzonen.ics",
     0,
     {"15.01.2027 15:00 | 0 | 0 | 0 | Telefonat New York",
      "20.03.2027 14:00 | 0 | 0 | 0 | New York schon Sommerzeit", // before Berlin's clocks change
      "02.06.2027 00:00 | 0 | 0 | 0 | Nach Mitternacht in Berlin",
      "10.01.2027 18:00 | 0 | 0 | 0 | Zone nur in der Datei", "05.02.2027 08:30 | 0 | 0 | 0 | Ohne Zone",
      "01.03.2027 02:00 | 0 | 0 | 0 | Tokio ohne VTIMEZONE",
      // New York's clocks change two weeks before Berlin's: the renewal's fixed time would be an
      // hour late then.
      "07.12.2026 15:00 | 0 | 0 | 0 | Wochenbesprechung New York | einmalig"}},
    {"ganztags.ics",
     0,
     {"01.01.2027 | 0 | 0 | 0 | Neujahr", "18.03.2027 | 6 | 1 | 0 | Geburtstag Anna",
      "12.07.2027 | 0 | 0 | 0 | Urlaub", "31.12.2026 | 0 | 0 | 0 | Monatsabschluss | einmalig",
      "05.01.2026 | 0 | 0 | 0 | Schon vorbei"}},
    // RFC 5545, 3.8.5.3: COUNT, BYDAY lists, UNTIL; 3.8.5.1 EXDATE, 3.8.5.2 RDATE, 3.8.4.4 RECURRENCE-ID.
    {"ausnahmen.ics",
     0,
     {"11.09.1997 15:00 | 0 | 0 | 0 | Zehnmal täglich 1997 | einmalig",
      "08.12.2026 18:00 | 0 | 0 | 0 | Training | einmalig",
      "07.12.2026 07:30 | 0 | 0 | 0 | Frühbesprechung | einmalig", // an exception still to come
      "10.12.2026 12:00 | 2 | 0 | 0 | Mittagstisch",               // exceptions only in the past
      "21.12.2026 20:00 | 0 | 0 | 0 | Stammtisch (verlegt) | einmalig",
      "10.01.2027 10:00 | 0 | 0 | 0 | Drei Sonntage | einmalig",
      "07.12.2026 08:00 | 0 | 0 | 0 | Bis Jahresende | einmalig",
      "31.12.2026 09:00 | 0 | 0 | 0 | Nur am 31. | einmalig", // months without a 31st are skipped
      "09.12.2026 17:00 | 2 | 0 | 0 | Alle sieben Tage",
      "31.01.2027 09:00 | 3 | 0 | 0 | Monatlich vom 31. an",
      "20.05.2027 10:00 | 0 | 0 | 0 | Jahrestreffen bis 2040 | einmalig",
      "04.01.2027 07:00 | 0 | 0 | 0 | Täglich außer im Dezember | einmalig"}},
    // RFC 5545, 3.6.6 and 3.8.6.3.
    {"erinnerungen.ics",
     0,
     {"01.03.2027 10:00 | 0 | 0 | 15 | Viertelstunde vorher",
      "02.03.2027 10:00 | 0 | 2 | 0 | Zwei Tage vorher",
      "03.03.2027 10:00 | 0 | 1,5 | 60 | Stunde und anderthalb Tage",
      "04.03.2027 10:00 | 0 | 0 | 0 | Nach dem Ende", "05.03.2027 10:00 | 0 | 0 | 0 | Fester Zeitpunkt",
      "06.03.2027 10:00 | 0 | 0 | 10 | Die nächste zählt", "07.03.2027 10:00 | 0 | 0 | 0 | Erst danach",
      "08.03.2027 10:00 | 0 | 0 | 2 | Neunzig Sekunden"}},
    {"gefaltet-utf8.ics",
     2,
     {"12.01.2027 09:15 | 0 | 0 | 0 | Jahresgespräch mit Müller, Meier; Schulze & Söhne – Übergabe der "
      "Schlüssel "
      "für das Büro in der Königstraße 12"}},
    {"windows.ics", 0, {"04.02.2027 14:00 | 0 | 0 | 15 | Quartalsbericht"}},
    // Foreign programs' files: a small program's export with one unreadable alarm, ...
    {"dreizehn-termine.ics",
     1,
     {"10.12.2026 09:00 | 0 | 0 | 15 | Friseur", "31.05.2027 | 0 | 0 | 0 | Steuererklärung abgeben",
      "10.12.2026 19:30 | 2 | 0 | 0 | Chorprobe", "07.12.2026 08:00 | 1 | 0 | 0 | Tabletten",
      "01.01.2027 | 3 | 0 | 0 | Miete überweisen", "12.06.2027 | 6 | 0 | 0 | Hochzeitstag",
      "14.01.2027 20:00 | 0 | 0 | 0 | Elternabend", "03.02.2027 07:30 | 0 | 0 | 60 | Werkstatt",
      "22.03.2027 | 6 | 0 | 0 | Geburtstag Oma", "18.04.2027 20:00 | 0 | 0 | 0 | Konzert",
      "01.07.2027 06:15 | 0 | 1 | 0 | Abflug", // a day before is a lead day: minutes end at 1439
      "15.07.2027 18:30 | 0 | 0 | 0 | Rückflug", "31.12.2026 17:00 | 0 | 0 | 0 | Jahresabschluss"},
     {"„Elternabend“: Erinnerung in Zeile 69 (TRIGGER) nicht lesbar, ohne ihren Vorlauf übernommen"}},
    // ... several calendars in one file, ...
    {"mehrere-kalender.ics",
     0,
     {"11.01.2027 09:00 | 0 | 0 | 0 | Teambesprechung", "12.01.2027 14:00 | 0 | 0 | 0 | Ohne Ende",
      "06.02.2027 | 0 | 0 | 0 | Kindergeburtstag", "08.12.2026 19:00 | 2 | 0 | 0 | Yoga"}},
    // ... a mail program's: LF and an empty last line, updates, cancellations, X-LIC-ERROR, ...
    {"mailprogramm.ics",
     0,
     {"14.12.2026 10:00 | 2 | 0 | 0 | Projektrunde",              // today's is cancelled, the rest weekly
      "12.01.2027 15:00 | 0 | 0 | 0 | Kundentermin (verschoben)", // the later SEQUENCE
      "20.01.2027 09:00 | 0 | 0 | 0 | Budgetrunde",               // the higher SEQUENCE comes first
      "02.02.2027 09:00 | 0 | 0 | 0 | Schulung",
      "16.12.2026 09:00 | 2 | 0 | 0 | Jour fixe",           // EXDATE on the next one, the rest weekly
      "02.03.2027 12:00 | 0 | 0 | 0 | Raum gebucht (neu)"}, // one SEQUENCE, the later DTSTAMP
     {},
     1},
    // ... a phone's: rules by weekday, a moved occurrence, alarms a day before.
    {"telefon.ics",
     0,
     {"08.12.2026 19:00 | 0 | 0 | 0 | Stammtisch zweiter Dienstag | einmalig",
      "07.12.2026 18:00 | 0 | 0 | 0 | Laufgruppe | einmalig", // today's, though a later one moved
      "08.02.2027 08:30 | 0 | 1 | 30 | Arzttermin", "10.02.2027 10:00 | 0 | 1 | 0 | Nur am Vortag erinnern",
      "01.03.2027 | 0 | 0 | 0 | Messe"}},
    // A damaged file: what can be read is taken, the rest told by line.
    {"beschaedigt.ics",
     0,
     {"05.01.2027 09:00 | 0 | 0 | 0 | Zahnreinigung", "01.12.2026 17:00 | 0 | 0 | 0 | Turnen",
      "07.01.2027 16:00 | 0 | 0 | 0 | Bücherei", "08.01.2027 20:00 | 0 | 0 | 0 | Kino"},
     {"„Zahnarzt“: kein Beginn", "Zeile 19 (DTSTART): „Physiotherapie“ ohne lesbaren Beginn",
      "„Turnen“: Zeile 26 (RRULE) nicht lesbar, als einmaliger Termin übernommen",
      "„Bücherei“: Zeile 35 nicht lesbar, ausgelassen", "„Kino“: Zeile 41 (DTEND) nicht lesbar, ausgelassen",
      "Zeile 29 nicht lesbar"}},
};

class ForeignFiles : public ::testing::Test {
protected:
    test::TestEnvironment environment;
    ical::CalendarContext context{ical::LocalZone("Europe/Berlin"), QDateTime({2026, 12, 7}, {10, 0})};
};

TEST_F(ForeignFiles, EachFileImportsWithTheExpectedRows) {
    for (const FileCase& file : kFiles) {
        const ical::ImportResult result = ical::importCalendar(dataFile(file.file), context);
        ASSERT_TRUE(result.ok()) << file.file << ": " << result.error.toStdString();
        QStringList got;
        for (const ical::ImportedEvent& event : result.events)
            got << described(event);
        QStringList expected;
        for (const char* row : file.rows)
            expected << QString::fromUtf8(row);
        EXPECT_EQ(got.join('\n').toStdString(), expected.join('\n').toStdString()) << file.file;
        EXPECT_EQ(result.skippedEntries, file.skipped) << file.file;
        QStringList told;
        for (const char* text : file.told)
            told << QString::fromUtf8(text);
        EXPECT_EQ(toldOf(result).join('\n').toStdString(), told.join('\n').toStdString()) << file.file;
        EXPECT_EQ(result.cancelled, file.cancelled) << file.file;
    }
}

TEST_F(ForeignFiles, TextsComeThroughExactly) {
    const ical::ImportResult folded = ical::importCalendar(dataFile("gefaltet-utf8.ics"), context);
    ASSERT_EQ(folded.events.size(), 1u);
    const QString remarks = folded.events[0].row.Bemerkungen;
    EXPECT_TRUE(
        remarks.startsWith(QStringLiteral("Tagesordnung:\n1. Begrüßung, Vorstellung;\n2. Rückblick auf 2026 "
                                          "– Größe, Maße, Gewichte\n3. Ausblick: Überstunden, ")))
        << remarks.toStdString();
    EXPECT_TRUE(
        remarks.contains(QStringLiteral("\"Wer früher plant, ärgert sich später weniger\" – Ö.Ü. 😀 Ein")));
    EXPECT_TRUE(
        remarks.endsWith(QStringLiteral("über viele Zeilen umbricht."))); // libical drops the final blank
    EXPECT_EQ(
        remarks.count(QStringLiteral("Ein sehr langer Absatz, damit der Text über viele Zeilen umbricht.")),
        6);

    // The same appointments whether the file ends its lines with CRLF or LF, and no CR in a text.
    const QByteArray crlf = dataFile("windows.ics");
    const ical::ImportResult windows = ical::importCalendar(crlf, context);
    const ical::ImportResult unix = ical::importCalendar(QByteArray(crlf).replace("\r\n", "\n"), context);
    ASSERT_EQ(windows.events.size(), 1u);
    ASSERT_EQ(unix.events.size(), 1u);
    EXPECT_EQ(windows.events[0].row.Bemerkungen,
              QStringLiteral("Zeile eins\nZeile zwei mit Umlauten: äöü ÄÖÜ ß\n\nNach einer Leerzeile.\n"));
    EXPECT_EQ(test::joinedFields(unix.events[0].row), test::joinedFields(windows.events[0].row));
    // A last line without its line end is still a whole file.
    EXPECT_EQ(ical::importCalendar(crlf.chopped(2), context).events.size(), 1u);
    EXPECT_EQ(windows.events[0].uid,
              QStringLiteral("040000008200E00074C5B7101A82E00800000000D0A1C2B3E4F5A6010000000"
                             "00000000010000000A1B2C3D4E5F60718293A4B5C6D7E8F9"));
}

// Rows written as an entered row: now as the moment written, the list's time text.
TEST_F(ForeignFiles, RowsAreWrittenAsEntered) {
    const ical::ImportResult result = ical::importCalendar(dataFile("windows.ics"), context);
    ASSERT_EQ(result.events.size(), 1u);
    const Appointment& row = result.events[0].row;
    EXPECT_EQ(row.TerminDatum, QStringLiteral("46422"));
    EXPECT_EQ(row.TerminUhrzeit, QStringLiteral("0,58333"));
    EXPECT_EQ(row.TerminDatumUhrzeit, QStringLiteral("46422,58333"));
    EXPECT_EQ(row.sysGesperrt, QStringLiteral("0"));
    EXPECT_EQ(row.ZuletztGeoeffnetAm, numtext::fixed5(serial::fromDateTime(context.now)));
    EXPECT_EQ(row.TerminDatumUhrzeitMeldung, QStringLiteral("0,00000"));
}

QByteArray cutAfter(const QByteArray& text, const char* marker) {
    return text.left(text.indexOf(marker) + qstrlen(marker));
}

// A file that is no iCalendar, ends early or breaks half way is refused as a whole.
TEST_F(ForeignFiles, BrokenFilesGiveAReasonAndNoRows) {
    const QByteArray good = dataFile("ausnahmen.ics");
    const QByteArray head = cutAfter(good, "SUMMARY:Mittagstisch\r\nEND:VEVENT\r\n");
    const struct {
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {"", "leer"},
        {" \r\n\r\n", "leer"},
        {"Termine 2027\nMontag: Zahnarzt\n", "keine gültige iCalendar-Datei"},
        {"Betreff,Datum\nZahnarzt,01.02.2027\n", "keine gültige iCalendar-Datei"},
        {"BEGIN:VEVENT\r\nUID:1\r\nDTSTART:20270101T100000\r\nEND:VEVENT\r\n",
         "beginnt nicht mit einem Kalender"},
        {good.left(good.size() / 2), "unvollständig"},
        {cutAfter(good, "SUMMARY:Training\r\n"), "unvollständig"},
        {head + QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "Binärdaten"},
        {"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:x\r\nSUMMARY:Ohne "
         "Beginn\r\nEND:VEVENT\r\nEND:"
         "VCALENDAR\r\n",
         "Kein Termin der Datei ist lesbar: „Ohne Beginn“: kein Beginn."},
        {head + "BEGIN:VEVENT\r\nSUMMARY:Gr\xfc\xdf"
                "e\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
         "nicht in UTF-8"},
        {good + "Anhang nach dem Kalender\r\n", "Außerhalb eines Kalenders"},
        {"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nDTSTART:20270101T100000\r\nEND:VEVENT\r\nEND:"
         "VCALENDAR\r\n",
         "vCalendar-Format 1.0"},
    };
    for (const auto& broken : cases) {
        const ical::ImportResult result = ical::importCalendar(broken.bytes, context);
        EXPECT_TRUE(result.error.contains(QString::fromUtf8(broken.reason)))
            << broken.reason << " / " << result.error.toStdString();
        EXPECT_TRUE(result.events.empty()) << broken.reason;
    }
}

// Within a calendar, an unreadable line loses only what it held, and is told by its line.
TEST_F(ForeignFiles, DamagedEntriesLoseOnlyWhatTheyHeld) {
    const QByteArray head = cutAfter(dataFile("ausnahmen.ics"), "SUMMARY:Mittagstisch\r\nEND:VEVENT\r\n");
    const QString next = QString::number(head.count('\n') + 1); // the first line after the head
    const QString third = QString::number(head.count('\n') + 3);
    const struct {
        QByteArray tail;
        size_t events;
        QString told;
    } cases[] = {
        {"Mitten im Kalender bricht die Datei ab\r\nEND:VCALENDAR\r\n", 4, "Zeile " + next + " nicht lesbar"},
        {"BEGIN:VEVENT\r\nUID:x\r\nDTSTART:morgen\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n", 4,
         "Zeile " + third + " (DTSTART): UID „x“ ohne lesbaren Beginn"},
        {"BEGIN:VEVENT\r\nUID:x\r\nRRULE:FREQ=FOO\r\nDTSTART:20270101\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n", 5,
         "UID „x“: Zeile " + third + " (RRULE) nicht lesbar, als einmaliger Termin übernommen"},
        {"BEGIN:VEVENT\r\nUID:x\r\nSUMMARY:Ohne Beginn\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n", 4,
         "„Ohne Beginn“: kein Beginn"},
    };
    for (const auto& damaged : cases) {
        const ical::ImportResult result = ical::importCalendar(head + damaged.tail, context);
        EXPECT_TRUE(result.ok()) << result.error.toStdString();
        EXPECT_EQ(result.events.size(), damaged.events) << damaged.tail.constData();
        EXPECT_EQ(toldOf(result).join('\n').toStdString(), damaged.told.toStdString())
            << damaged.tail.constData();
    }
}

TEST_F(ForeignFiles, OneResourceHoldsExactlyOneAppointment) {
    EXPECT_TRUE(ical::importChain(dataFile("windows.ics"), context).ok());
    const ical::ImportResult several = ical::importChain(dataFile("ganztags.ics"), context);
    EXPECT_EQ(several.error, QStringLiteral("Der Kalendereintrag enthält 5 Termine statt eines."));
    EXPECT_TRUE(several.events.empty());
    const QByteArray empty = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nEND:VCALENDAR\r\n";
    EXPECT_EQ(ical::importChain(empty, context).error,
              QStringLiteral("Der Kalendereintrag enthält keinen Termin."));
}

} // namespace
