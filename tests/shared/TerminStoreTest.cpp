#include "TerminStore.h"
#include "ForeignConnection.h"
#include "Renewal.h"
#include "TestEnvironment.h"
#include "WildcardPattern.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <functional>
#include <unistd.h>

#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace moravel;

namespace {

Appointment row(const QString& dateTime, const QString& subject) {
    Appointment a;
    a.TerminDatum = dateTime.section(QLatin1Char(','), 0, 0);
    a.TerminUhrzeit = QStringLiteral("0,50000");
    a.TerminDatumUhrzeit = dateTime;
    a.Betreff = subject;
    a.Wiederholung = QStringLiteral("0");
    a.VorTage = QStringLiteral("0");
    a.VorMinuten = QStringLiteral("0");
    a.sysGesperrt = QStringLiteral("0");
    return a;
}

QStringList subjects(const std::vector<Appointment>& rows) {
    QStringList out;
    for (const Appointment& a : rows)
        out << a.Betreff;
    return out;
}

class TerminStoreTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    std::unique_ptr<TerminStore> store;
    void SetUp() override {
        TerminStore::OpenResult result;
        store = TerminStore::open(env.databasePath(), &result);
        ASSERT_TRUE(store);
        ASSERT_EQ(result, TerminStore::OpenResult::Created);
    }
};

} // namespace

TEST_F(TerminStoreTest, MainListIsInTextOrderOfTheStoredMoment) {
    store->insert(row("46363,50000", "renewed noon"));
    store->insert(row("46363,5", "entered noon"));
    store->insert(row("46363,45833", "eleven"));
    store->insert(row("46364", "next day"));
    EXPECT_EQ(subjects(store->mainList()),
              QStringList({"eleven", "entered noon", "renewed noon", "next day"}));
}

TEST_F(TerminStoreTest, FieldsRoundTripAndNullReadsEmpty) {
    Appointment a = row("46363,5", QString::fromUtf8("Zahnarzt \"Dr. Müller\"\nZeile 2"));
    a.Bemerkungen = QString::fromUtf8("Bitte <b>nicht</b> vergessen;\n'Ä' – 😀");
    a.ZuletztGeoeffnetAm = QStringLiteral("46363,41667");
    const auto id = store->insert(a);
    ASSERT_TRUE(id);
    a.ID = *id;
    EXPECT_EQ(store->find(*id), a);
    EXPECT_TRUE(store->find(*id)->TerminDatumUhrzeitMeldung.isEmpty());
}

TEST_F(TerminStoreTest, IdsAreNeverReused) {
    const qint64 first = *store->insert(row("46363", "a"));
    ASSERT_TRUE(store->remove(first));
    EXPECT_FALSE(store->remove(first));
    EXPECT_GT(*store->insert(row("46363", "b")), first);
}

// An edit is one transaction: when the new row cannot be written, the old one stays, and the
// user is told why in German. A row another program deleted meanwhile is inserted all the same.
TEST_F(TerminStoreTest, ReplaceIsAllOrNothing) {
    const qint64 old = *store->insert(row("46363", "old"));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(env.databasePath().toUtf8().constData(), &other), SQLITE_OK);
    auto run = [other](const char* sql) { return sqlite3_exec(other, sql, nullptr, nullptr, nullptr); };

    // IDs used up: the delete goes through, the insert fails with "disk full".
    ASSERT_EQ(run("UPDATE sqlite_sequence SET seq = 9223372036854775807 WHERE name = 'tblTermin'"),
              SQLITE_OK);
    EXPECT_FALSE(store->replace(old, row("46364", "new")));
    EXPECT_EQ(store->lastError(), QString::fromUtf8("Auf dem Datenträger ist kein Platz mehr frei."));
    EXPECT_EQ(subjects(store->mainList()), QStringList({"old"}));
    ASSERT_EQ(run("UPDATE sqlite_sequence SET seq = 100 WHERE name = 'tblTermin'"), SQLITE_OK);

    ASSERT_EQ(run("BEGIN IMMEDIATE"), SQLITE_OK);
    store->setBusyTimeout(0);
    EXPECT_FALSE(store->replace(old, row("46364", "new")));
    EXPECT_EQ(store->lastError(),
              QString::fromUtf8("Die Termindatenbank ist gerade von einem anderen Programm gesperrt."));
    ASSERT_EQ(run("ROLLBACK"), SQLITE_OK);
    EXPECT_EQ(subjects(store->mainList()), QStringList({"old"}));

    const std::optional<qint64> edited = store->replace(old, row("46364", "new"));
    ASSERT_TRUE(edited);
    EXPECT_GT(*edited, old);
    EXPECT_EQ(subjects(store->mainList()), QStringList({"new"}));
    ASSERT_EQ(run("DELETE FROM tblTermin"), SQLITE_OK);
    EXPECT_TRUE(store->replace(*edited, row("46365", "newer")));
    EXPECT_EQ(subjects(store->mainList()), QStringList({"newer"}));
    sqlite3_close(other);
}

// A read that fails says so: a pass must never take rows broken off for all there are.
TEST_F(TerminStoreTest, EveryReadTellsWhenItFailed) {
    const qint64 id = *store->insert(row("46363", "Termin"));
    const std::vector<std::pair<const char*, std::function<bool()>>> reads = {
        {"main list", [&] { return store->mainList().failed; }},
        {"search", [&] { return store->searchComing("46000", "47000", "Termin").failed; }},
        {"past", [&] { return store->pastList("47000", std::nullopt).failed; }},
        {"past searched", [&] { return store->pastList("47000", QStringLiteral("Ter*")).failed; }},
        {"find", [&] { return store->find(id).failed; }},
    };
    for (const auto& [name, failed] : reads) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(failed());
    }
    EXPECT_EQ(store->mainList().size(), 1u);
    test::ForeignConnection other(env.databasePath());
    ASSERT_TRUE(
        other.execute(QStringLiteral("BEGIN EXCLUSIVE; INSERT INTO tblTermin(Betreff) VALUES ('x')")));
    store->setBusyTimeout(0);
    for (const auto& [name, failed] : reads) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(failed());
        EXPECT_EQ(store->lastError(),
                  QString::fromUtf8("Die Termindatenbank ist gerade von einem anderen Programm gesperrt."));
    }
    EXPECT_FALSE(store->find(id));
    ASSERT_TRUE(other.execute(QStringLiteral("ROLLBACK")));
}

// The monitor re-reads only when this changes; another connection's commit must change it.
TEST_F(TerminStoreTest, VersionChangesWithEveryCommitOfEitherSide) {
    const auto before = store->version();
    ASSERT_TRUE(before);
    EXPECT_EQ(store->version(), before);
    store->insert(row("46363", "own"));
    const auto own = store->version();
    EXPECT_NE(own, before);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(env.databasePath().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "DELETE FROM tblTermin", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    EXPECT_NE(store->version(), own);
}

TEST_F(TerminStoreTest, ReplacedFileIsNoticed) {
    EXPECT_FALSE(store->isReplaced());
    const QString backup = env.dataDir() + QStringLiteral("/backup.mdb");
    ASSERT_TRUE(QFile::copy(env.databasePath(), backup));
    EXPECT_FALSE(store->isReplaced());
    ASSERT_EQ(::rename(backup.toUtf8().constData(), env.databasePath().toUtf8().constData()), 0);
    EXPECT_TRUE(store->isReplaced());
    ASSERT_TRUE(QFile::remove(env.databasePath()));
    EXPECT_TRUE(store->isReplaced());
}

TEST_F(TerminStoreTest, SearchTreatsOnlyStarAndQuestionMarkAsWildcards) {
    for (const char* s :
         {"Zahnarzt", "ZAHN", "Bahnhof", "100% sicher", "a_b", "O'Brien", "[x]", "C:\\tmp", "Ärger", "Übung"})
        store->insert(row("46370", QString::fromUtf8(s)));
    auto find = [&](const char* text) {
        return subjects(store->searchComing("46363", "51363", QString::fromUtf8(text)));
    };
    EXPECT_EQ(find("zahn"), QStringList({"Zahnarzt", "ZAHN"}));
    EXPECT_EQ(find("z?hn"), QStringList({"Zahnarzt", "ZAHN"}));
    EXPECT_EQ(find("a*h"), QStringList({"Zahnarzt", "ZAHN", "Bahnhof"}));
    EXPECT_EQ(find("%"), QStringList({"100% sicher"}));
    EXPECT_EQ(find("_"), QStringList({"a_b"}));
    EXPECT_EQ(find("'"), QStringList({"O'Brien"}));
    EXPECT_EQ(find("["), QStringList({"[x]"}));
    EXPECT_EQ(find("\\"), QStringList({"C:\\tmp"}));
    EXPECT_EQ(find("äRG"), QStringList({QString::fromUtf8("Ärger")}));
    EXPECT_EQ(find("üb"), QStringList({QString::fromUtf8("Übung")}));
    EXPECT_TRUE(find("'; DROP TABLE tblTermin; --").isEmpty());
    EXPECT_EQ(store->mainList().size(), 10u);
}

TEST_F(TerminStoreTest, SearchAndPastBoundsCompareText) {
    store->insert(row("46362,5", "yesterday"));
    store->insert(row("46363,25", "this morning"));
    store->insert(row("46363,75", "this evening"));
    store->insert(row("46361", "two days ago"));
    EXPECT_EQ(subjects(store->searchComing("46363,5", "51363,5", "this")), QStringList({"this evening"}));
    EXPECT_EQ(subjects(store->pastList("46363", std::nullopt)), QStringList({"yesterday", "two days ago"}));
    EXPECT_EQ(subjects(store->pastList("46363", QStringLiteral("TWO"))), QStringList({"two days ago"}));
}

TEST(TerminStoreFiles, ForeignFilesAreLeftByteForByte) {
    test::TestEnvironment env;
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 7919) % 251);
    const QList<QByteArray> contents = {garbage, QByteArray(), QByteArray("SQLite format 3\0truncated", 26),
                                        QByteArray("Standard Jet DB\0\0\0\0", 19)};
    for (const QByteArray& bytes : contents) {
        test::writeFile(env.databasePath(), bytes);
        TerminStore::OpenResult result;
        EXPECT_FALSE(TerminStore::open(env.databasePath(), &result));
        EXPECT_EQ(result, TerminStore::OpenResult::Unusable);
        EXPECT_EQ(test::readFile(env.databasePath()), bytes);
    }
}

namespace {
int g_warnings = 0;
} // namespace

TEST(TerminStoreFiles, FileLockedByAnotherProgramIsToldAsLockedAndLoggedOnce) {
    test::TestEnvironment env;
    const std::unique_ptr<TerminStore> open = TerminStore::open(env.databasePath());
    open->setBusyTimeout(0);
    test::ForeignConnection other(env.databasePath());
    ASSERT_TRUE(
        other.execute(QStringLiteral("BEGIN EXCLUSIVE; INSERT INTO tblTermin(Betreff) VALUES ('x')")));
    TerminStore::OpenResult result;
    QString reason;
    EXPECT_FALSE(TerminStore::open(env.databasePath(), &result, &reason, 0));
    EXPECT_EQ(result, TerminStore::OpenResult::Locked);
    EXPECT_EQ(reason,
              QString::fromUtf8("Die Termindatenbank ist gerade von einem anderen Programm gesperrt."));

    // A monitor looking five times a second through a long lock does not flood the log.
    g_warnings = 0;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            g_warnings += type == QtWarningMsg ? 1 : 0;
        });
    for (int look = 0; look < 20; ++look)
        EXPECT_FALSE(open->version());
    qInstallMessageHandler(previous);
    EXPECT_EQ(g_warnings, 1);
}

TEST(TerminStoreFiles, SqliteFileOfAnotherKindIsNotTakenOver) {
    test::TestEnvironment env;
    sqlite3* db = nullptr;
    sqlite3_open(env.databasePath().toUtf8().constData(), &db);
    sqlite3_exec(db, "CREATE TABLE other(x); INSERT INTO other VALUES (1);", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const QByteArray before = test::readFile(env.databasePath());
    EXPECT_FALSE(TerminStore::open(env.databasePath()));
    EXPECT_EQ(test::readFile(env.databasePath()), before);
}

namespace {
int g_commits = 0;
// As if the program ended after the first commit of every connection: later ones roll back.
int endAfterFirstCommit(sqlite3* db, const char**, const sqlite3_api_routines*) {
    sqlite3_commit_hook(
        db, [](void*) { return ++g_commits > 1 ? 1 : 0; }, nullptr);
    return SQLITE_OK;
}
} // namespace

TEST(TerminStoreFiles, NewFileIsWholeAfterItsFirstCommit) {
    test::TestEnvironment env;
    g_commits = 0;
    const auto hook = reinterpret_cast<void (*)()>(endAfterFirstCommit);
    sqlite3_auto_extension(hook);
    EXPECT_TRUE(TerminStore::open(env.databasePath()));
    sqlite3_cancel_auto_extension(hook);
    test::ForeignConnection file(env.databasePath());
    EXPECT_EQ(
        file.column(QStringLiteral("SELECT name FROM sqlite_master WHERE name NOT LIKE 'sqlite_%' "
                                   "ORDER BY name"))
            .join(QLatin1Char(' ')),
        "idxErneuerbar idxTerminDatumUhrzeit idxTerminUID idxUnregelmaessig tblTermin tblTerminAbgleich "
        "tblTerminAbgleichStand tblTerminFremd tblTerminUID");
    EXPECT_EQ(file.column(QStringLiteral("PRAGMA user_version")), QStringList({"1"}));
}

// A file of this layout is opened without remaking its side tables; one it lacks all the same
// (dropped by hand, say) is made again.
TEST(TerminStoreFiles, SideTableMissingFromAFileOfThisLayoutIsMadeAgain) {
    test::TestEnvironment env;
    { ASSERT_TRUE(TerminStore::open(env.databasePath())); }
    for (const char* table : {"tblTerminFremd", "tblTerminUID"}) {
        SCOPED_TRACE(table);
        {
            test::ForeignConnection file(env.databasePath());
            ASSERT_TRUE(file.execute(QStringLiteral("DROP TABLE %1").arg(QLatin1String(table))));
        }
        ASSERT_TRUE(TerminStore::open(env.databasePath()));
        test::ForeignConnection file(env.databasePath());
        EXPECT_EQ(file.column(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = '%1'")
                                  .arg(QLatin1String(table))),
                  QStringList({"1"}));
    }
}

TEST(TerminStoreFiles, ReadOnlyFileAndDirectoryAreUnusable) {
    test::TestEnvironment env;
    { ASSERT_TRUE(TerminStore::open(env.databasePath())); }
    QFile::setPermissions(env.databasePath(), QFile::ReadOwner);
    if (::geteuid() != 0) { // root writes regardless of permissions
        EXPECT_FALSE(TerminStore::open(env.databasePath()));
    }
    QFile::setPermissions(env.databasePath(), QFile::ReadOwner | QFile::WriteOwner);
    const QString directory = env.dataDir() + "/dir.mdb";
    QDir().mkpath(directory);
    EXPECT_FALSE(TerminStore::open(directory));
    EXPECT_TRUE(QFileInfo(directory).isDir());
}

TEST(WildcardPatternTest, MatchesWholeTextWithBacktracking) {
    EXPECT_TRUE(WildcardPattern("*").matches(""));
    EXPECT_TRUE(WildcardPattern("a*b*c").matches("aXbYbZc"));
    EXPECT_FALSE(WildcardPattern("a*b*c").matches("aXbYbZ"));
    EXPECT_TRUE(WildcardPattern("??").matches(QString::fromUtf8("😀ß")));
    EXPECT_FALSE(WildcardPattern("?").matches(""));
    EXPECT_TRUE(WildcardPattern::containing(QString(10000, 'x')).matches(QString(10001, 'x')));
}

// SQL stored in the file by another tool. A trigger of this kind deleted 100 of 101 rows during a
// renewal: a file that carries one, or whose tblTermin is a view, is read but never written, and a
// trigger placed while the file is open never runs.
TEST(TerminStoreFiles, SqlOfTheFileNeverRuns) {
    struct Case {
        const char* name;
        const char* beforeOpen;
        const char* afterOpen;
    };
#define DELETE_OTHERS " BEGIN DELETE FROM tblTermin WHERE ID <> NEW.ID; END"
    const std::vector<Case> cases = {
        {"trigger in the file", "CREATE TRIGGER weg AFTER INSERT ON tblTermin" DELETE_OTHERS, nullptr},
        {"trigger placed while open", nullptr, "CREATE TRIGGER weg AFTER INSERT ON tblTermin" DELETE_OTHERS},
        {"update trigger placed while open", nullptr,
         "CREATE TRIGGER weg AFTER UPDATE ON tblTermin" DELETE_OTHERS},
        {"view", "ALTER TABLE tblTermin RENAME TO daten; CREATE VIEW tblTermin AS SELECT * FROM daten",
         nullptr},
        {"view with a trigger",
         "ALTER TABLE tblTermin RENAME TO daten; CREATE VIEW tblTermin AS SELECT * FROM daten;"
         " CREATE TRIGGER weg INSTEAD OF INSERT ON tblTermin BEGIN DELETE FROM daten; END",
         nullptr},
        {"layout of a later version", "PRAGMA user_version = 2", nullptr},
    };
#undef DELETE_OTHERS
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TestEnvironment env;
        {
            auto store = TerminStore::open(env.databasePath());
            TerminStore::WriteTransaction batch(*store);
            for (int i = 0; i < 100; ++i)
                store->insert(row(QString::number(46400 + i), QStringLiteral("Termin %1").arg(i)));
            Appointment daily = row("46360,5", "täglich");
            daily.Wiederholung = QStringLiteral("1");
            store->insert(daily);
            ASSERT_TRUE(batch.commit());
        }
        test::ForeignConnection other(env.databasePath());
        if (c.beforeOpen) {
            ASSERT_TRUE(other.execute(QString::fromUtf8(c.beforeOpen))) << other.error().toStdString();
        }
        const QByteArray bytes = test::readFile(env.databasePath());
        TerminStore::OpenResult result;
        QString reason;
        auto store = TerminStore::open(env.databasePath(), &result, &reason);
        ASSERT_TRUE(store);
        if (c.afterOpen) {
            ASSERT_TRUE(other.execute(QString::fromUtf8(c.afterOpen)));
        }
        EXPECT_EQ(result,
                  c.beforeOpen ? TerminStore::OpenResult::Untrusted : TerminStore::OpenResult::Opened);
        EXPECT_EQ(reason.isEmpty(), !c.beforeOpen);
        EXPECT_EQ(store->mainList().size(), 101u);

        // A file read only is left as it is without a failure every pass; a trigger placed
        // later makes the write fail instead of run.
        EXPECT_EQ(renewPassedAppointments(*store, 46363, 46363.5), c.beforeOpen ? 0 : -1);
        EXPECT_EQ(store->isWritable(), !c.beforeOpen);
        if (c.afterOpen) {
            EXPECT_FALSE(store->lastError().isEmpty());
        }
        EXPECT_EQ(other.column("SELECT count(*) FROM tblTermin"), QStringList({"101"}));
        if (c.beforeOpen) {
            EXPECT_FALSE(store->insert(row("46500", "neu")));
            EXPECT_FALSE(store->replace(1, row("46500", "geändert")));
            EXPECT_FALSE(store->remove(1));
            EXPECT_EQ(test::readFile(env.databasePath()), bytes);
        }
    }
}

// The in-use mark is a file of the data directory: a link in its place never makes the programs
// create or lock a file elsewhere, and the database opens all the same.
TEST(TerminStoreFiles, InUseMarkNeverFollowsALink) {
    test::TestEnvironment env;
    const QString outside = env.configDir() + QStringLiteral("/anderswo");
    ASSERT_TRUE(QFile::link(outside, env.databasePath() + QStringLiteral(".inuse")));
    EXPECT_TRUE(TerminStore::open(env.databasePath()));
    EXPECT_FALSE(QFileInfo::exists(outside));
}
