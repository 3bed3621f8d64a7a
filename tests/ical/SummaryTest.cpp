#include "Summary.h"

#include <gtest/gtest.h>

using namespace moravel;

TEST(IcalSummary, ExportWithSingularForms) {
    EXPECT_EQ(ical::exportSummary(12, 0), QStringLiteral("12 Termine exportiert"));
    EXPECT_EQ(ical::exportSummary(1, 0), QStringLiteral("1 Termin exportiert"));
    EXPECT_EQ(ical::exportSummary(0, 0), QStringLiteral("0 Termine exportiert"));
    EXPECT_EQ(ical::exportSummary(3, 1),
              QStringLiteral("3 Termine exportiert, 1 Termin ohne gültiges Datum ausgelassen"));
    EXPECT_EQ(ical::exportSummary(1, 2),
              QStringLiteral("1 Termin exportiert, 2 Termine ohne gültiges Datum ausgelassen"));
}

TEST(IcalSummary, ImportNamesEachCountThatIsNotNone) {
    const struct {
        ical::ImportCounts counts;
        const char* text;
    } cases[] = {
        {{40, 3, 2, 0, 0, {}, {}, {}},
         "40 Termine übernommen, 3 schon vorhanden, 2 mit Wiederholung, die Moravel nicht kennt, als "
         "einmalige "
         "Termine übernommen"},
        {{1, 1, 1, 1, 0, {}, {}, {}},
         "1 Termin übernommen, 1 schon vorhanden, 1 mit Wiederholung, die Moravel nicht kennt, als "
         "einmaliger Termin "
         "übernommen, 1 Eintrag übersprungen, der kein Termin ist"},
        {{0, 5, 0, 2, 0, {}, {}, {}},
         "0 Termine übernommen, 5 schon vorhanden, 2 Einträge übersprungen, die keine Termine sind"},
        {{7, 0, 0, 0, 0, {}, {}, {}}, "7 Termine übernommen"},
        {{2, 0, 2, 0, 1, {"„Chor“", "„Turnen“"}, {"„Arzt“: kein Beginn"}, {"Zeile 9 nicht lesbar"}},
         "2 Termine übernommen, 2 mit Wiederholung, die Moravel nicht kennt, als einmalige Termine "
         "übernommen („Chor“, „Turnen“), 1 nicht lesbar übersprungen („Arzt“: kein Beginn), 1 abgesagter "
         "Termin nicht übernommen. Nicht gelesen: Zeile 9 nicht lesbar"},
        {{0, 0, 0, 0, 2, {}, {"a", "b", "c", "d", "e", "f", "g"}, {}},
         "0 Termine übernommen, 7 nicht lesbar übersprungen (a; b; c; d; e; und 2 weitere), 2 abgesagte "
         "Termine nicht übernommen"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ical::importSummary(c.counts), QString::fromUtf8(c.text));
}

// What the caller already has counts as present, and only what is taken counts as once only.
TEST(IcalSummary, CountsLeaveOutWhatIsPresent) {
    ical::ImportResult result;
    result.skippedEntries = 2;
    for (const auto& [uid, once] : {std::pair{"a", true}, {"b", true}, {"c", false}, {"d", false}})
        result.events.push_back({{}, QString::fromLatin1(uid), QString::fromLatin1(uid), once, {}, {}});
    const ical::ImportCounts counts = ical::countImport(
        result, [](const QString& uid) { return uid == QLatin1String("b") || uid == QLatin1String("c"); });
    EXPECT_EQ(counts.taken, 2);
    EXPECT_EQ(counts.alreadyPresent, 2);
    EXPECT_EQ(counts.takenOnceOnly, 1);
    EXPECT_EQ(counts.skippedEntries, 2);
}
