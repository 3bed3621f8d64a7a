#include "ChainContent.h"
#include "DateSerial.h"
#include "DueDetection.h"
#include "ListRows.h"
#include "RadicaleServer.h"
#include "Renewal.h"
#include "SyncDecision.h"
#include "SyncEngine.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moravel;
using namespace moravel::sync;

namespace {

// Two machines, each with its own appointment file, syncing through one Radicale calendar.
// Today is 7 December 2026 (day 46363), 10:00.
class Sync : public ::testing::Test {
protected:
    static inline std::unique_ptr<RadicaleServer> server;
    static inline int calendars = 0;
    test::TestEnvironment env;
    QTemporaryDir dirA, dirB;
    std::unique_ptr<TerminStore> a = TerminStore::open(dirA.filePath("dBTermin.mdb"));
    std::unique_ptr<TerminStore> b = TerminStore::open(dirB.filePath("dBTermin.mdb"));
    QString calendar;

    static void SetUpTestSuite() {
        server = std::make_unique<RadicaleServer>();
        ASSERT_TRUE(server->start()) << server->error().toStdString();
    }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override { calendar = server->makeCalendar(QStringLiteral("kalender%1").arg(++calendars)); }

    SyncSettings settings(const QString& password = QStringLiteral("geheim")) const {
        return {collectionUrl(calendar), QStringLiteral("anna"), password, false, 10000};
    }
    // One sync; stopAfter stops the server once that many requests went out.
    SyncOutcome sync(TerminStore& store, const QString& password = QStringLiteral("geheim"),
                     int stopAfter = 0) {
        SyncEngine engine(store, settings(password));
        QSignalSpy done(&engine, &SyncEngine::finished);
        if (stopAfter > 0)
            QObject::connect(&engine, &SyncEngine::requestSent, [stopAfter](int sent) {
                if (sent == stopAfter)
                    server->stop();
            });
        engine.start();
        EXPECT_TRUE(done.count() == 1 || done.wait(60000));
        return done.count() ? done.at(0).at(0).value<SyncOutcome>() : SyncOutcome{};
    }
    static Appointment row(qint64 day, const QString& subject, const QString& recurrence = "0") {
        Appointment r;
        r.TerminDatum = QString::number(day);
        r.TerminUhrzeit = "0,62500";
        r.TerminDatumUhrzeit = QString::number(day) + ",625";
        r.Betreff = subject;
        r.Bemerkungen = QString::fromUtf8("Notiz mit Umlaut ä");
        r.Wiederholung = recurrence;
        r.VorTage = "0";
        r.VorMinuten = "15";
        r.sysGesperrt = "0";
        r.TerminDatumUhrzeitMeldung = "0,00000";
        return r;
    }
    // Subjects of the live rows, sorted.
    static QStringList live(const TerminStore& store) {
        QStringList out;
        for (const Appointment& r : store.mainList())
            if (r.sysGesperrt == "0")
                out << r.Betreff;
        out.sort();
        return out;
    }
    QStringList onServer() { return server->client(calendar, {"summaries"}); }
};

} // namespace

Q_DECLARE_METATYPE(moravel::sync::SyncOutcome)

TEST_F(Sync, AddedTravelsDeletedTravelsAndNothingTwice) {
    a->insert(row(46370, "Zahnarzt"));
    a->insert(row(46365, QString::fromUtf8("Müll, Papier; Glas"), "2"));
    SyncOutcome outcome = sync(*a);
    ASSERT_TRUE(outcome.ok) << outcome.summary.toStdString();
    EXPECT_EQ(outcome.sent, 2);
    EXPECT_EQ(sync(*b).fetched, 2);
    EXPECT_EQ(live(*b), live(*a));
    EXPECT_EQ(test::joinedFields(b->mainList().at(0)), test::joinedFields(a->mainList().at(0)));

    // Unchanged on both sides: one request, nothing written.
    const QByteArray bytes = test::readFile(b->path());
    outcome = sync(*b);
    EXPECT_EQ(outcome.summary, "Abgleich: alles war schon gleich");
    EXPECT_EQ(outcome.requests, 1);
    EXPECT_EQ(test::readFile(b->path()), bytes);

    // Edited on either machine once both hold the newest sync token: the edit travels.
    sync(*a);
    ASSERT_TRUE(b->replace(b->mainList().at(0).ID, row(46365, "Papier", "2")));
    EXPECT_EQ(sync(*b).sent, 1);
    EXPECT_EQ(sync(*a).fetched, 1);
    ASSERT_TRUE(a->replace(a->mainList().at(1).ID, row(46371, "Zahnarzt verschoben")));
    EXPECT_EQ(sync(*a).sent, 1);
    EXPECT_EQ(sync(*b).fetched, 1);
    EXPECT_EQ(live(*b), QStringList({"Papier", "Zahnarzt verschoben"}));
    EXPECT_EQ(live(*a), live(*b));

    ASSERT_TRUE(b->remove(b->mainList().back().ID));
    EXPECT_EQ(sync(*b).deletedThere, 1);
    EXPECT_EQ(sync(*a).deletedHere, 1);
    EXPECT_EQ(live(*a), live(*b));
    EXPECT_EQ(onServer(), live(*a));
}

TEST_F(Sync, RenewalOnEitherMachineIsNoChange) {
    a->insert(row(46363, "täglich", "1"));
    a->insert(row(46363, "monatlich", "3"));
    sync(*a);
    sync(*b);
    env.clock().set(QDateTime({2027, 2, 10}, {10, 0}));
    ASSERT_GT(renewPassedAppointments(*a, serial::today(), serial::now()), 0);
    ASSERT_GT(renewPassedAppointments(*b, serial::today(), serial::now()), 0);
    for (TerminStore* store : {a.get(), b.get()}) {
        const SyncOutcome outcome = sync(*store);
        EXPECT_EQ(outcome.summary, "Abgleich: alles war schon gleich");
    }
    EXPECT_EQ(onServer(), QStringList({"monatlich", QString::fromUtf8("täglich")}));
}

TEST_F(Sync, EditedOnBothKeepsTheServersVersionAndTheLocalOneBeside) {
    a->insert(row(46370, "Besprechung"));
    sync(*a);
    sync(*b);
    ASSERT_TRUE(a->replace(a->mainList().at(0).ID, row(46371, "Besprechung A")));
    ASSERT_TRUE(b->replace(b->mainList().at(0).ID, row(46372, "Besprechung B")));
    sync(*a);
    const SyncOutcome outcome = sync(*b);
    EXPECT_EQ(outcome.conflicts, 1);
    sync(*a);
    const QStringList expected = {"Besprechung A", "Besprechung B (Konflikt)"};
    EXPECT_EQ(live(*b), expected);
    EXPECT_EQ(live(*a), expected);
    EXPECT_EQ(onServer(), expected);
}

TEST_F(Sync, EventOfAnotherClientIsListedAndReminds) {
    server->client(calendar, {"add", "fremd-1@example.org", QString::fromUtf8("Telefonat mit Jörg"),
                              "20261209T143000", "30"});
    ASSERT_EQ(sync(*b).fetched, 1);
    const Appointment got = b->mainList().at(0);
    const qint64 day = serial::dayNumber({2026, 12, 9});
    EXPECT_EQ(planner::listrows::comingDay(got, serial::today()), day);
    EXPECT_EQ(planner::listrows::listEntry(got, day).subject, QString::fromUtf8("Telefonat mit Jörg"));
    // Reminded half an hour before, to the table's precision of five decimals of a day.
    const std::optional<qint64> reminder = monitor::reminderMoment(day, got);
    ASSERT_TRUE(reminder);
    EXPECT_NEAR(*reminder, monitor::stepOf(QDateTime({2026, 12, 9}, {14, 0})), 1);

    // Changed there again: the change comes here, no copy.
    server->client(calendar, {"rename", "fremd-1@example.org", "Telefonat verschoben"});
    EXPECT_EQ(sync(*b).fetched, 1);
    EXPECT_EQ(live(*b), QStringList({"Telefonat verschoben"}));
}

TEST_F(Sync, ServerStoppedHalfwayLosesAndDoublesNothing) {
    for (int i = 0; i < 40; ++i)
        a->insert(row(46370 + i, QStringLiteral("Termin %1").arg(i, 2, 10, QLatin1Char('0'))));
    const SyncOutcome broken = sync(*a, QStringLiteral("geheim"), 12);
    EXPECT_FALSE(broken.ok);
    EXPECT_TRUE(broken.summary.startsWith("Abgleich abgebrochen")) << broken.summary.toStdString();
    ASSERT_TRUE(server->start());
    const SyncOutcome resumed = sync(*a);
    ASSERT_TRUE(resumed.ok) << resumed.summary.toStdString();
    EXPECT_EQ(onServer(), live(*a));
    EXPECT_EQ(live(*a).size(), 40);
    sync(*b);
    EXPECT_EQ(live(*b), live(*a));
    EXPECT_EQ(sync(*a).summary, "Abgleich: alles war schon gleich");
}

TEST_F(Sync, WrongPasswordSaysSoAndChangesNothing) {
    a->insert(row(46370, "Zahnarzt"));
    const QByteArray bytes = test::readFile(a->path());
    const SyncOutcome outcome = sync(*a, QStringLiteral("falsch"));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.summary,
              QString::fromUtf8("Abgleich abgebrochen: Der Server hat die Anmeldung abgelehnt: "
                                "Benutzername oder Passwort stimmen nicht."));
    EXPECT_EQ(test::readFile(a->path()), bytes);
    EXPECT_TRUE(onServer().isEmpty());
}
