#include "ForeignConnection.h"
#include "Renewal.h"
#include "TerminStore.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <map>

using namespace moravel;

namespace {

Appointment row(qint64 day, const QString& subject, const QString& recurrence = QStringLiteral("0")) {
    Appointment a;
    a.TerminDatum = QString::number(day);
    a.TerminUhrzeit = QStringLiteral("0,50000");
    a.TerminDatumUhrzeit = QString::number(day) + QStringLiteral(",5");
    a.Betreff = subject;
    a.Wiederholung = recurrence;
    a.VorTage = QStringLiteral("0");
    a.VorMinuten = QStringLiteral("0");
    a.sysGesperrt = QStringLiteral("0");
    return a;
}

// Subject -> UIDs of its rows, in main-list order.
std::map<QString, QStringList> uidsBySubject(const TerminStore& store) {
    std::vector<TerminStore::UidRow> rows;
    EXPECT_TRUE(store.rowsWithUids(rows));
    std::map<QString, QStringList> out;
    for (const TerminStore::UidRow& r : rows)
        out[r.row.Betreff] << r.uid;
    return out;
}

} // namespace

TEST(ChainUids, FollowTheirRowsThroughEveryWrite) {
    test::TestEnvironment env;
    auto store = TerminStore::open(env.databasePath());
    const qint64 edited = *store->insert(row(46370, "bearbeitet"));
    const qint64 deleted = *store->insert(row(46371, "gelöscht"));
    const qint64 daily = *store->insert(row(46360, "täglich", QStringLiteral("1")));
    store->insert(row(46372, "ohne"));
    ASSERT_TRUE(store->setChainUid(edited, "a"));
    ASSERT_TRUE(store->setChainUid(deleted, "b"));
    ASSERT_TRUE(store->setChainUid(daily, "c"));

    const std::optional<qint64> replaced = store->replace(edited, row(46375, "bearbeitet"));
    ASSERT_TRUE(replaced);
    ASSERT_TRUE(store->remove(deleted));
    // Every occurrence the renewal adds, locked or live, stays in the chain.
    ASSERT_EQ(renewPassedAppointments(*store, 46363, 46363.5), 3);

    EXPECT_EQ(uidsBySubject(*store),
              (std::map<QString, QStringList>{
                  {"bearbeitet", {"a"}}, {"täglich", {"c", "c", "c", "c"}}, {"ohne", {""}}}));
    QString uid;
    ASSERT_TRUE(store->readChainUid(*replaced, uid));
    EXPECT_EQ(uid, "a");
    // Nothing of the deleted or the edited row is left to be found by its ID.
    test::ForeignConnection other(env.databasePath());
    EXPECT_EQ(other.column("SELECT count(*) FROM tblTerminUID WHERE ID IN (" + QString::number(edited) + "," +
                           QString::number(deleted) + ")"),
              QStringList({"0"}));
}

TEST(ChainUids, OlderFileGetsTheTableOnlyWhenItMayBeWritten) {
    for (const bool withTrigger : {false, true}) {
        SCOPED_TRACE(withTrigger ? "trigger" : "plain");
        test::TestEnvironment env;
        {
            test::ForeignConnection older(env.databasePath());
            ASSERT_TRUE(
                older.execute("CREATE TABLE tblTermin (ID INTEGER PRIMARY KEY AUTOINCREMENT, TerminDatum "
                              "TEXT, TerminUhrzeit TEXT, TerminDatumUhrzeit TEXT, Betreff TEXT, "
                              "Bemerkungen TEXT, Wiederholung TEXT, VorTage TEXT, VorMinuten TEXT, "
                              "sysGesperrt TEXT, \"ZuletztGeöffnetAm\" TEXT, TerminDatumUhrzeitMeldung "
                              "TEXT); INSERT INTO tblTermin (TerminDatum, Betreff) VALUES ('46400', 'x')"));
            if (withTrigger) {
                ASSERT_TRUE(older.execute("CREATE TRIGGER t AFTER INSERT ON tblTermin BEGIN SELECT 1; END"));
            }
        }
        const QByteArray bytes = test::readFile(env.databasePath());
        auto store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
        test::ForeignConnection other(env.databasePath());
        EXPECT_EQ(other.column("SELECT count(*) FROM sqlite_master WHERE name = 'tblTerminUID'"),
                  QStringList({withTrigger ? "0" : "1"}));
        // Its layout is marked once it has the side tables, never in a file left unwritten.
        EXPECT_EQ(other.column("PRAGMA user_version"), QStringList({withTrigger ? "0" : "1"}));
        // Reading UIDs of a file without the table: none, and no failure.
        EXPECT_EQ(uidsBySubject(*store), (std::map<QString, QStringList>{{"x", {""}}}));
        EXPECT_EQ(store->setChainUid(1, "u"), !withTrigger);
        if (withTrigger) {
            EXPECT_EQ(test::readFile(env.databasePath()), bytes);
        }
    }
}

TEST(ChainUids, WriteWithinAWriteIsUndoneAlone) {
    test::TestEnvironment env;
    auto store = TerminStore::open(env.databasePath());
    {
        TerminStore::WriteTransaction outer(*store);
        store->insert(row(46400, "außen"));
        {
            TerminStore::WriteTransaction inner(*store);
            ASSERT_TRUE(inner.isOpen());
            store->insert(row(46401, "innen"));
        }
        {
            TerminStore::WriteTransaction inner(*store);
            store->insert(row(46402, "innen bestätigt"));
            ASSERT_TRUE(inner.commit());
        }
        ASSERT_TRUE(outer.commit());
    }
    EXPECT_EQ(uidsBySubject(*store),
              (std::map<QString, QStringList>{{"außen", {""}}, {"innen bestätigt", {""}}}));
}
