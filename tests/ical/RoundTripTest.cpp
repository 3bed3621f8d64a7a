#include "CalendarExport.h"
#include "CalendarImport.h"
#include "DateSerial.h"
#include "NumberText.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace moravel;

namespace {

// A row as the planner or the renewal leaves it. Today is 7 December 2026.
struct StoredRow {
    QDate day;
    const char* time; // TerminUhrzeit
    const char* digit;
    const char* locked;
    const char* leadDays;
    const char* leadMinutes;
    bool renewed; // written by the renewal: fixed sort key, no TerminDatumUhrzeitMeldung
};

const StoredRow kRows[] = {
    {{2026, 12, 24}, "0,75000", "0", "0", "0", "0", false},
    {{2026, 12, 8}, "0,29167", "1", "0", "0", "5", true},
    {{2026, 12, 9}, "0,60417", "2", "0", "1", "15", false},
    {{2026, 12, 15}, "0,50000", "3", "0", "2", "30", true},
    {{2027, 1, 5}, "0,37500", "4", "0", "7", "0", false},
    {{2027, 3, 10}, "0,41667", "5", "0", "14", "60", true},
    {{2027, 5, 1}, "", "6", "0", "3", "0", false},
    {{2028, 6, 30}, "0,83333", "7", "0", "0", "1439", true},
    // Chains the renewal goes on with from a clamped day: rule, RDATE and EXDATE.
    {{2027, 1, 31}, "0,60417", "3", "0", "0", "10", true},
    {{2028, 1, 29}, "0,60417", "3", "0", "0", "10", true},
    {{2027, 1, 31}, "", "4", "0", "1", "0", true},
    {{2027, 11, 30}, "0,33333", "4", "0", "0", "0", true},
    {{2027, 8, 31}, "0,60417", "5", "0", "0", "0", true},
    {{2028, 2, 29}, "0,60417", "6", "0", "0", "0", true},
    {{2028, 2, 29}, "", "7", "0", "0", "0", true},
    // Past occurrences go along as single past events.
    {{2026, 11, 15}, "0,50000", "3", "1", "2", "30", true},
    {{2025, 5, 1}, "", "6", "1", "3", "0", false},
    {{2026, 1, 5}, "0,25000", "0", "0", "0", "0", false},
    // Leads as typed: fractional, half a day, negative, odd texts.
    {{2027, 2, 1}, "0,62500", "0", "0", "2,5", "2", false},
    {{2027, 2, 2}, "0,62500", "2", "0", "0,5", "2,5", false},
    {{2027, 2, 3}, "0,62500", "0", "0", "-1", "", false},
    {{2027, 2, 4}, "", "0", "0", "1,33333", "abc", false},
    {{2027, 2, 5}, "0,62500", "0", "0", "2,50", "007", false},
    // Texts the renewal reads as a type, and ones it does not.
    {{2027, 2, 6}, "0,62500", " 3", "0", "0", "0", false},
    {{2027, 2, 7}, "0,62500", "", "0", "0", "0", false},
    {{2027, 2, 8}, "0,62500", "9", "", "0", "0", false},
    // 2:30 on the day the clocks go forward does not exist in Berlin.
    {{2027, 3, 28}, "0,10417", "0", "0", "0", "0", false},
};

const QString kSubjects[] = {
    QStringLiteral("Zahnarzt Dr. Müller"),
    QStringLiteral("  "),
    QStringLiteral("Komma, Semikolon; Doppelpunkt: Backslash \\ und \"Anführung\""),
    QString(),
    QStringLiteral("Größere Übergabe – ÄÖÜ äöü ß € 😀"),
    QStringLiteral("Ein sehr langer Betreff, der weit über fünfundsiebzig Oktette hinausgeht und "
                   "deshalb beim Schreiben gefaltet werden muss, mitten in Umlauten: äöüäöüäöüäöü"),
};

const QString kRemarks[] = {
    QString(),
    QStringLiteral("Zeile eins\nZeile zwei\n\nnach einer Leerzeile;mit,Zeichen\\n wörtlich\n"),
    QStringLiteral("\tEingerückt mit Tab, endet mit Leerzeichen   "),
    QStringLiteral("Zeilen mit CR LF\r\naus einer alten Datei\r\n"),
};

Appointment rowOf(const StoredRow& stored, int index) {
    Appointment row;
    const qint64 day = serial::dayNumber(stored.day);
    row.TerminDatum = QString::number(day);
    row.TerminUhrzeit = QString::fromUtf8(stored.time);
    const double sum = static_cast<double>(day) + numtext::parse(row.TerminUhrzeit).value_or(0.0);
    row.TerminDatumUhrzeit = stored.renewed ? numtext::fixed5(sum) : numtext::general(sum);
    row.TerminDatumUhrzeitMeldung = stored.renewed ? QString() : QStringLiteral("0,00000");
    row.Betreff = kSubjects[index % std::size(kSubjects)];
    row.Bemerkungen = kRemarks[index % std::size(kRemarks)];
    row.Wiederholung = QString::fromUtf8(stored.digit);
    row.sysGesperrt = QString::fromUtf8(stored.locked);
    row.VorTage = QString::fromUtf8(stored.leadDays);
    row.VorMinuten = QString::fromUtf8(stored.leadMinutes);
    row.ZuletztGeoeffnetAm = numtext::fixed5(46300.5 + index);
    return row;
}

std::vector<ical::ExportRow> storedRows() {
    std::vector<ical::ExportRow> rows;
    for (size_t i = 0; i < std::size(kRows); ++i)
        rows.push_back({rowOf(kRows[i], static_cast<int>(i)), QStringLiteral("kette-%1@moravel").arg(i)});
    return rows;
}

class RoundTrip : public ::testing::Test {
protected:
    test::TestEnvironment environment;
    // Exported and imported a little apart, so that no field may come from the moment itself.
    ical::CalendarContext exporting{ical::LocalZone("Europe/Berlin"), QDateTime({2026, 12, 7}, {9, 0})};
    ical::CalendarContext importing{ical::LocalZone("Europe/Berlin"), QDateTime({2026, 12, 7}, {10, 0})};
};

TEST_F(RoundTrip, EveryFieldOfEveryRowComesBack) {
    const std::vector<ical::ExportRow> rows = storedRows();
    const ical::ExportResult exported = ical::exportCalendar(rows, exporting);
    EXPECT_EQ(exported.exported, static_cast<int>(rows.size()));
    EXPECT_EQ(exported.skipped, 0);

    const ical::ImportResult imported = ical::importCalendar(exported.text, importing);
    ASSERT_TRUE(imported.ok()) << imported.error.toStdString();
    ASSERT_EQ(imported.events.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const ical::ImportedEvent& event = imported.events[i];
        EXPECT_EQ(test::joinedFields(event.row).toStdString(), test::joinedFields(rows[i].row).toStdString())
            << "row " << i;
        EXPECT_EQ(event.uid, ical::eventUid(rows[i])) << "row " << i;
        EXPECT_EQ(event.chainUid, rows[i].chainUid) << "row " << i;
        EXPECT_FALSE(event.unknownRecurrence) << "row " << i;
    }
}

TEST_F(RoundTrip, EachChainAsOneResource) {
    for (const ical::ExportRow& row : storedRows()) {
        const ical::ExportResult exported = ical::exportChain(row, exporting);
        const ical::ImportResult imported = ical::importChain(exported.text, importing);
        ASSERT_TRUE(imported.ok()) << imported.error.toStdString();
        EXPECT_EQ(test::joinedFields(imported.events.at(0).row).toStdString(),
                  test::joinedFields(row.row).toStdString());
    }
}

// The same row exports under the same UIDs every time; a locked row under one of its own.
TEST_F(RoundTrip, UidsAreStableAndDistinct) {
    const std::vector<ical::ExportRow> rows = storedRows();
    EXPECT_EQ(ical::eventUid(rows[3]), QStringLiteral("kette-3@moravel"));
    EXPECT_EQ(ical::eventUid(rows[15]), QStringLiteral("kette-15@moravel-20261115T120000"));
    EXPECT_EQ(ical::eventUid(rows[16]), QStringLiteral("kette-16@moravel-20250501"));
    const QByteArray once = ical::exportCalendar(rows, exporting).text;
    EXPECT_EQ(ical::exportCalendar(rows, exporting).text, once);
}

// RFC 5545, 3.1: CRLF line ends, lines of at most 75 octets, and each event once with its zone.
TEST_F(RoundTrip, TextIsFoldedWithCrlf) {
    const QByteArray text = ical::exportCalendar(storedRows(), exporting).text;
    const QList<QByteArray> lines = text.split('\n');
    EXPECT_TRUE(lines.back().isEmpty());
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].endsWith('\r')) << i;
        EXPECT_LE(lines[i].size() - 1, 75) << lines[i].constData();
    }
    EXPECT_EQ(text.count("BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\n"), 1);
    EXPECT_EQ(text.count("BEGIN:VEVENT"), static_cast<qsizetype>(std::size(kRows)));
}

// An exact text comes back only while the event still says what it said: what another program
// changed counts.
TEST_F(RoundTrip, ChangesByOtherProgramsWin) {
    const std::vector<ical::ExportRow> rows = storedRows();
    const struct {
        size_t row;
        QByteArray from, to;
        QString Appointment::*field;
        const char* expected;
    } edits[] = {
        {22, "TRIGGER:-P2DT12H", "TRIGGER:-P3D", &Appointment::VorTage, "3"},
        {3, "20261215T120000", "20261215T153000", &Appointment::TerminDatumUhrzeit, "46371,64583"},
        {1, "END:VEVENT", "SUMMARY:Neu\r\nEND:VEVENT", &Appointment::Betreff, "Neu"},
        {15, "END:VEVENT", "RRULE:FREQ=MONTHLY\r\nEND:VEVENT", &Appointment::sysGesperrt, "0"},
    };
    for (const auto& edit : edits) {
        QByteArray text = ical::exportChain(rows[edit.row], exporting).text;
        ASSERT_TRUE(text.contains(edit.from)) << edit.from.constData();
        const ical::ImportResult imported = ical::importChain(text.replace(edit.from, edit.to), importing);
        ASSERT_TRUE(imported.ok()) << imported.error.toStdString();
        EXPECT_EQ(imported.events[0].row.*edit.field, QString::fromUtf8(edit.expected))
            << edit.to.constData();
    }
}

TEST_F(RoundTrip, RowsWithoutADayAreLeftOut) {
    std::vector<ical::ExportRow> rows = storedRows();
    rows[0].row.TerminDatum = QStringLiteral("morgen");
    rows[1].row.TerminDatum = QString();
    const ical::ExportResult exported = ical::exportCalendar(rows, exporting);
    EXPECT_EQ(exported.exported, static_cast<int>(rows.size()) - 2);
    EXPECT_EQ(exported.skipped, 2);
    EXPECT_EQ(ical::importCalendar(exported.text, importing).events.size(), rows.size() - 2);
}

} // namespace
