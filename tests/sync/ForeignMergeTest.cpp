#include "ForeignMerge.h"
#include "CalendarImport.h"
#include "StoreExchange.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace moravel;

namespace {

// Another program's weekly series on Tuesdays at 19:00 (floating time), one occurrence deleted,
// one moved, with a place, an end, two alarms, a category and an X- property of its own.
const QByteArray kSeries =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefon//DE\r\nBEGIN:VEVENT\r\n"
    "UID:chor@telefon\r\nDTSTAMP:20261201T120000Z\r\nSEQUENCE:2\r\n"
    "DTSTART:20261208T190000\r\nDTEND:20261208T203000\r\n"
    "RRULE:FREQ=WEEKLY;BYDAY=TU\r\nEXDATE:20261222T190000\r\n"
    "SUMMARY:Chorprobe\r\nLOCATION:Gemeindehaus\r\nCATEGORIES:Verein\r\n"
    "X-TELEFON-FARBE:rot\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Chor\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
    "BEGIN:VALARM\r\nACTION:AUDIO\r\nTRIGGER;RELATED=END:-PT5M\r\nEND:VALARM\r\n"
    "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:chor@telefon\r\nDTSTAMP:20261201T120000Z\r\n"
    "RECURRENCE-ID:20261229T190000\r\nDTSTART:20261230T190000\r\n"
    "DTEND:20261230T203000\r\nSUMMARY:Chorprobe (Mittwoch)\r\nEND:VEVENT\r\n"
    "END:VCALENDAR\r\n";

struct Case {
    const char* name;
    std::function<void(Appointment&)> edit;
    QList<QByteArray> present; // lines the merged resource has
    QList<QByteArray> absent;  // lines it no longer has
};

// Kept whatever the edit: what the row cannot hold.
const QList<QByteArray> kKept = {"LOCATION:Gemeindehaus", "CATEGORIES:Verein", "X-TELEFON-FARBE:rot",
                                 "TRIGGER;RELATED=END:-PT5M", "SEQUENCE:3"};

const Case kCases[] = {
    {"Nothing",
     [](Appointment&) {},
     {"DTSTART:20261208T190000", "DTEND:20261208T203000", "RRULE:FREQ=WEEKLY;BYDAY=TU",
      "EXDATE:20261222T190000", "RECURRENCE-ID:20261229T190000", "SUMMARY:Chorprobe", "TRIGGER:-PT15M"},
     {"X-MORAVEL"}},
    {"Subject",
     [](Appointment& r) { r.Betreff = "Chor Tenor"; },
     {"SUMMARY:Chor Tenor", "RRULE:FREQ=WEEKLY;BYDAY=TU", "EXDATE:20261222T190000", "DTEND:20261208T203000",
      "SUMMARY:Chorprobe (Mittwoch)"},
     {"SUMMARY:Chorprobe\r\n"}},
    {"Remarks",
     [](Appointment& r) { r.Bemerkungen = "Noten mitbringen"; },
     {"DESCRIPTION:Noten mitbringen", "SUMMARY:Chorprobe\r\n", "EXDATE:20261222T190000"},
     {}},
    // An hour later: the whole series, and each exception still names its occurrence.
    {"Time",
     [](Appointment& r) { r.TerminUhrzeit = "0,83333"; },
     {"DTSTART:20261208T200000", "DTEND:20261208T213000", "EXDATE:20261222T200000",
      "RECURRENCE-ID:20261229T200000", "DTSTART:20261230T190000", "RRULE:FREQ=WEEKLY;BYDAY=TU"},
     {"DTSTART:20261208T190000", "EXDATE:20261222T190000"}},
    {"Day",
     [](Appointment& r) { r.TerminDatum = QString::number(r.TerminDatum.toLongLong() + 1); },
     {"DTSTART:20261209T190000", "DTEND:20261209T203000", "EXDATE:20261223T190000"},
     {"DTSTART:20261208T190000"}},
    // The reminder's lead replaces the alarm it was read from, not the other one.
    {"Lead",
     [](Appointment& r) { r.VorMinuten = "30"; },
     {"TRIGGER:-PT30M", "EXDATE:20261222T190000"},
     {"TRIGGER:-PT15M"}},
    // A rule the row follows replaces theirs with its exceptions and moved occurrences; the end
    // keeps its distance to the start.
    {"Rule",
     [](Appointment& r) { r.Wiederholung = "3"; },
     {"RRULE:FREQ=MONTHLY", ":20261208T190000\r\nRRULE", ":20261208T203000\r\n"},
     {"BYDAY=TU", "EXDATE", "RECURRENCE-ID"}},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class ForeignMerge : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(ForeignMerge, ChangesOnlyWhatWasEdited) {
    test::TestEnvironment env;
    const ical::CalendarContext context = ical::localContext();
    const ical::ImportResult taken = ical::importChain(kSeries, context);
    ASSERT_TRUE(taken.ok()) << taken.error.toStdString();
    const Appointment base = taken.events.front().row;
    Appointment live = base;
    GetParam().edit(live);
    const std::optional<QByteArray> merged = ical::mergeChain(kSeries, base, {live, "chor@telefon"}, context);
    ASSERT_TRUE(merged);
    const QByteArray text = *merged;
    for (const QByteArray& line : kKept + GetParam().present)
        EXPECT_TRUE(text.contains(line)) << line.toStdString() << " missing in\n" << text.toStdString();
    for (const QByteArray& line : GetParam().absent)
        EXPECT_FALSE(text.contains(line)) << line.toStdString() << " left in\n" << text.toStdString();

    // Read back, it is the edited row.
    const ical::ImportResult again = ical::importChain(text, context);
    ASSERT_TRUE(again.ok()) << again.error.toStdString();
    const Appointment back = again.events.front().row;
    EXPECT_EQ(back.Betreff, live.Betreff);
    EXPECT_EQ(back.Bemerkungen, live.Bemerkungen);
    EXPECT_EQ(back.VorMinuten, live.VorMinuten);
}

INSTANTIATE_TEST_SUITE_P(Edits, ForeignMerge, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An import keeps each event with its overrides and the zones they name, apart from the others.
TEST(ForeignComponent, ImportKeepsEachChainWithItsOverridesAndZones) {
    test::TestEnvironment env;
    const QByteArray two = QByteArray(kSeries).replace(
        "END:VCALENDAR\r\n", "BEGIN:VEVENT\r\nUID:arzt@telefon\r\nDTSTAMP:20261201T120000Z\r\n"
                             "DTSTART:20261210T090000\r\nSUMMARY:Arzt\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    const ical::ImportResult taken = ical::importCalendar(two, ical::localContext());
    ASSERT_EQ(taken.events.size(), 2u);
    const QByteArray chor = taken.events.at(0).component, arzt = taken.events.at(1).component;
    EXPECT_EQ(chor.count("BEGIN:VEVENT"), 2);
    EXPECT_TRUE(chor.contains("RECURRENCE-ID:20261229T190000"));
    EXPECT_FALSE(chor.contains("Arzt"));
    EXPECT_EQ(arzt.count("BEGIN:VEVENT"), 1);
    EXPECT_TRUE(arzt.contains("PRODID:-//Telefon//DE"));

    // Taken into a file, each stays there beside its UID, the series marked as taken once only.
    std::unique_ptr<TerminStore> store = TerminStore::open(env.databasePath());
    ASSERT_TRUE(ical::importIntoStore(*store, two, ical::localContext()).ok());
    std::vector<TerminStore::ForeignComponent> kept;
    ASSERT_TRUE(store->foreignComponents(kept));
    ASSERT_EQ(kept.size(), 2u);
    std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.uid < b.uid; });
    EXPECT_EQ(kept.at(0).uid, "arzt@telefon");
    EXPECT_FALSE(kept.at(0).ruleKept);
    EXPECT_EQ(kept.at(1).text, chor);
    EXPECT_TRUE(kept.at(1).ruleKept);
    std::vector<qint64> marked;
    ASSERT_TRUE(store->rowsWithKeptRule(marked));
    ASSERT_EQ(marked.size(), 1u);
    QString uid;
    ASSERT_TRUE(store->readChainUid(marked.front(), uid));
    EXPECT_EQ(uid, "chor@telefon");
}
