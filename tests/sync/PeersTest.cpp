#include "DateSerial.h"
#include "DueDetection.h"
#include "Phone.h"
#include "RadicaleServer.h"
#include "SyncEngine.h"
#include "TestEnvironment.h"
#include "XandikosServer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <map>

using namespace moravel;
using namespace moravel::sync;

Q_DECLARE_METATYPE(moravel::sync::SyncOutcome)

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// The planner's file and a phone (vdirsyncer + khal) on one calendar of Radicale or Xandikos.
// Today is Monday 7 December 2026, 10:00.
class Peers : public ::testing::TestWithParam<std::string> {
protected:
    static inline std::map<std::string, std::unique_ptr<DavServer>> servers;
    static inline int calendars = 0;
    test::TestEnvironment env;
    QTemporaryDir dir;
    std::unique_ptr<TerminStore> store = TerminStore::open(dir.filePath("dBTermin.mdb"));
    QString calendar = servers.at(GetParam())->makeCalendar(QStringLiteral("peers%1").arg(++calendars));
    Phone phone{calendar};

    static void SetUpTestSuite() {
        servers["radicale"] = std::make_unique<RadicaleServer>();
        servers["xandikos"] = std::make_unique<XandikosServer>();
        for (const auto& [name, server] : servers)
            ASSERT_TRUE(server->start()) << server->error().toStdString();
    }
    static void TearDownTestSuite() { servers.clear(); }

    SyncOutcome sync() {
        SyncEngine engine(*store, {QUrl(calendar), kDavUser, kDavPassword, false, 10000});
        QSignalSpy done(&engine, &SyncEngine::finished);
        engine.start();
        EXPECT_TRUE(done.count() == 1 || done.wait(60000));
        const SyncOutcome outcome = done.count() ? done.at(0).at(0).value<SyncOutcome>() : SyncOutcome{};
        EXPECT_TRUE(outcome.ok) << outcome.summary.toStdString();
        return outcome;
    }
    QStringList live() const {
        QStringList out;
        for (const Appointment& r : store->mainList())
            if (r.sysGesperrt == "0")
                out << r.Betreff;
        out.sort();
        return out;
    }
    // The live row of this subject changed by `edit`, as the edit window writes it.
    void edit(const QString& subject, const std::function<void(Appointment&)>& change) {
        for (Appointment row : store->mainList()) {
            if (row.Betreff == subject && row.sysGesperrt == "0") {
                change(row);
                ASSERT_TRUE(store->replace(row.ID, row));
                return;
            }
        }
        FAIL() << "no row " << subject.toStdString();
    }
};

QByteArray event(const QByteArray& lines) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefon//Kalender//DE\r\n"
           "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\n"
           "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nTZNAME:CEST\r\n"
           "DTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
           "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nTZNAME:CET\r\n"
           "DTSTART:19701025T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\n"
           "END:VTIMEZONE\r\nBEGIN:VEVENT\r\nDTSTAMP:20261201T120000Z\r\n" +
           lines + "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

} // namespace

// A weekly series with a deleted occurrence and a monthly one on the second Tuesday, made on the
// phone: the planner takes each as a one-off and says so; its edits of subject and lead reach
// the phone with rule, exception, place, end, further alarm, category and X- property intact.
TEST_P(Peers, SeriesOfThePhoneKeepWhatTheRowCannotHoldWhenEditedHere) {
    phone.put("chor.ics",
              event("UID:chor@telefon\r\nDTSTART;TZID=Europe/Berlin:20261208T190000\r\n"
                    "DTEND;TZID=Europe/Berlin:20261208T203000\r\nRRULE:FREQ=WEEKLY;BYDAY=TU\r\n"
                    "EXDATE;TZID=Europe/Berlin:20261222T190000\r\nSUMMARY:Chorprobe\r\n"
                    "LOCATION:Gemeindehaus\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
                    "DESCRIPTION:Chorprobe\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
                    "BEGIN:VALARM\r\nACTION:AUDIO\r\nTRIGGER;RELATED=END:-PT5M\r\nEND:VALARM\r\n"));
    phone.put("stamm.ics", event("UID:stamm@telefon\r\nDTSTART;TZID=Europe/Berlin:20261208T200000\r\n"
                                 "DURATION:PT3H\r\nRRULE:FREQ=MONTHLY;BYDAY=2TU\r\nSUMMARY:Stammtisch\r\n"
                                 "LOCATION:Krone\r\nCATEGORIES:Verein\r\nX-TELEFON-FARBE:rot\r\n"));
    ASSERT_TRUE(phone.sync());
    SyncOutcome outcome = sync();
    EXPECT_EQ(outcome.fetched, 2);
    EXPECT_TRUE(outcome.summary.contains(QString::fromUtf8(
        "2 Termine als einmalige Termine übernommen; auf dem Server bleibt die Regel erhalten")))
        << outcome.summary.toStdString();
    ASSERT_EQ(live(), QStringList({"Chorprobe", "Stammtisch"}));

    edit("Chorprobe", [](Appointment& row) {
        row.Betreff = "Chorprobe Alt";
        row.VorMinuten = "30";
    });
    edit("Stammtisch", [](Appointment& row) { row.Bemerkungen = "Tisch bestellt"; });
    EXPECT_EQ(sync().sent, 2);
    ASSERT_TRUE(phone.sync());

    const QStringList days = phone.khalList("2026-12-07", 40);
    const QStringList expected = {"2026-12-08 19:00-20:30 Chorprobe Alt Gemeindehaus",
                                  "2026-12-08 20:00-23:00 Stammtisch Krone",
                                  "2026-12-15 19:00-20:30 Chorprobe Alt Gemeindehaus",
                                  "2026-12-29 19:00-20:30 Chorprobe Alt Gemeindehaus",
                                  "2027-01-05 19:00-20:30 Chorprobe Alt Gemeindehaus",
                                  "2027-01-12 19:00-20:30 Chorprobe Alt Gemeindehaus",
                                  "2027-01-12 20:00-23:00 Stammtisch Krone"};
    EXPECT_EQ(days, expected);
    const QList<QByteArray> files = phone.files();
    ASSERT_EQ(files.size(), 2);
    const QByteArray chor = files.at(0), stamm = files.at(1);
    EXPECT_TRUE(chor.contains("TRIGGER:-PT30M")) << chor.toStdString();
    EXPECT_FALSE(chor.contains("TRIGGER:-PT15M"));
    EXPECT_TRUE(chor.contains("TRIGGER;RELATED=END:-PT5M"));
    EXPECT_TRUE(stamm.contains("DESCRIPTION:Tisch bestellt")) << stamm.toStdString();
    EXPECT_TRUE(stamm.contains("CATEGORIES:Verein"));
    EXPECT_TRUE(stamm.contains("X-TELEFON-FARBE:rot"));
    EXPECT_TRUE(stamm.contains("DURATION:PT3H"));

    // Kept in the file, not in memory: a later edit after a reopening keeps all of it as well.
    store = TerminStore::open(dir.filePath("dBTermin.mdb"));
    edit("Chorprobe Alt", [](Appointment& row) { row.Betreff = "Chorprobe Tenor"; });
    EXPECT_EQ(sync().sent, 1);
    ASSERT_TRUE(phone.sync());
    EXPECT_EQ(phone.khalList("2026-12-21", 3), QStringList());
    EXPECT_EQ(phone.khalList("2026-12-29", 1),
              QStringList({"2026-12-29 19:00-20:30 Chorprobe Tenor Gemeindehaus"}));
}

// Made, edited and deleted on the phone, the appointment arrives, changes and goes here; the
// planner's weekly appointment arrives there as a weekly series and goes when deleted here.
TEST_P(Peers, MadeEditedAndDeletedOnEitherSideArrivesOnTheOther) {
    phone.put("zahnarzt.ics", event("UID:zahnarzt@telefon\r\nDTSTART;TZID=Europe/Berlin:20261210T090000\r\n"
                                    "DTEND;TZID=Europe/Berlin:20261210T093000\r\nSUMMARY:Zahnarzt\r\n"
                                    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Zahnarzt\r\n"
                                    "TRIGGER:-PT30M\r\nEND:VALARM\r\n"));
    ASSERT_TRUE(phone.sync());
    EXPECT_EQ(sync().fetched, 1);
    ASSERT_EQ(live(), QStringList({"Zahnarzt"}));
    // The monitor reminds of it half an hour before, in this machine's zone.
    const QDateTime begin(QDate(2026, 12, 10), QTime(9, 0), QTimeZone("Europe/Berlin"));
    const Appointment taken = store->mainList().at(0);
    const std::optional<qint64> reminder =
        monitor::reminderMoment(serial::dayNumber(begin.toLocalTime().date()), taken);
    ASSERT_TRUE(reminder);
    EXPECT_NEAR(*reminder, monitor::stepOf(begin.toLocalTime().addSecs(-1800)), 1);

    phone.put("zahnarzt.ics",
              event("UID:zahnarzt@telefon\r\nSEQUENCE:1\r\n"
                    "DTSTART;TZID=Europe/Berlin:20261211T100000\r\n"
                    "DTEND;TZID=Europe/Berlin:20261211T103000\r\nSUMMARY:Zahnarzt Dr. Weiß\r\n"));
    ASSERT_TRUE(phone.sync());
    EXPECT_EQ(sync().fetched, 1);
    EXPECT_EQ(live(), QStringList({QString::fromUtf8("Zahnarzt Dr. Weiß")}));

    Appointment sport = store->mainList().at(0);
    sport.Betreff = "Sport";
    sport.Wiederholung = "2";
    ASSERT_TRUE(store->insert(sport));
    EXPECT_EQ(sync().sent, 1);
    ASSERT_TRUE(phone.sync());
    const QStringList weeks = phone.khalList("2026-12-11", 21).filter("Sport");
    EXPECT_EQ(weeks.size(), 3) << weeks.join('\n').toStdString();

    phone.remove("zahnarzt.ics");
    ASSERT_TRUE(phone.sync());
    EXPECT_EQ(sync().deletedHere, 1);
    EXPECT_EQ(live(), QStringList({"Sport"}));
    for (const Appointment& row : store->mainList())
        ASSERT_TRUE(store->remove(row.ID));
    EXPECT_EQ(sync().deletedThere, 1);
    ASSERT_TRUE(phone.sync());
    EXPECT_TRUE(phone.files().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Servers, Peers, ::testing::Values("radicale", "xandikos"),
                         [](const auto& info) { return info.param; });
