// The owner of the open database: it hands out the store of the moment, opens a file put in the
// old one's place only after telling whoever works on the old store, and tells of other
// connections' commits but not of its own writes.
#include "OpenDatabase.h"

#include "ForeignConnection.h"
#include "InUseLock.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>

using namespace moravel;

namespace {

Appointment row(const QString& subject) {
    Appointment a;
    a.TerminDatum = QStringLiteral("46400");
    a.TerminDatumUhrzeit = QStringLiteral("46400");
    a.Betreff = subject;
    a.Wiederholung = QStringLiteral("0");
    a.sysGesperrt = QStringLiteral("0");
    return a;
}

// A second database with one row of this subject, renamed into the place of the first.
void replaceFile(const QString& path, const QString& subject) {
    const QString other = path + QStringLiteral(".neu");
    { ASSERT_TRUE(TerminStore::open(other)->insert(row(subject))); }
    QFile::remove(InUseLock::sidecarPath(other));
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
}

} // namespace

TEST(OpenDatabaseTest, ReopensAReplacedFileAfterSayingSoWhileTheOldStoreLives) {
    test::TestEnvironment env;
    OpenDatabase database;
    ASSERT_TRUE(database.open(env.databasePath()));
    TerminStore* const old = database.store();
    EXPECT_TRUE(database.reopenIfReplaced());
    EXPECT_EQ(database.store(), old);

    replaceFile(env.databasePath(), QStringLiteral("neu"));
    int told = 0;
    QObject::connect(&database, &OpenDatabase::reopening, [&] {
        ++told;
        // Still the old store, still usable by whoever stops working on it now.
        ASSERT_EQ(database.store(), old);
        EXPECT_TRUE(old->mainList().empty());
    });
    EXPECT_TRUE(database.reopenIfReplaced());
    EXPECT_EQ(told, 1);
    ASSERT_TRUE(database.store());
    ASSERT_EQ(database.store()->mainList().size(), 1u);
    EXPECT_EQ(database.store()->mainList()[0].Betreff, "neu");
    EXPECT_FALSE(database.store()->isReplaced());
}

TEST(OpenDatabaseTest, TellsOfOtherConnectionsCommitsAndOfAReplacementButNotOfItsOwnWrites) {
    test::TestEnvironment env;
    OpenDatabase database;
    ASSERT_TRUE(database.open(env.databasePath()));
    QSignalSpy changed(&database, &OpenDatabase::changedElsewhere);

    ASSERT_TRUE(database.store()->insert(row("eigen")));
    // Its own write notifies the file system as well; given time, nothing is told.
    EXPECT_FALSE(changed.wait(OpenDatabase::kSettleMs * 5));

    test::ForeignConnection other(env.databasePath());
    ASSERT_TRUE(other.execute(QStringLiteral("INSERT INTO tblTermin (Betreff) VALUES ('fremd')")));
    EXPECT_TRUE(changed.wait(2000));
    // A burst of notifications of one commit is told once.
    EXPECT_FALSE(changed.wait(OpenDatabase::kSettleMs * 5));
    EXPECT_EQ(changed.size(), 1);

    replaceFile(env.databasePath(), QStringLiteral("neu"));
    EXPECT_TRUE(changed.wait(2000));
}

// While another program holds the file alone (an older planner replacing it as it compacts),
// opening waits for it without standing still: this program's events go on, and the file opens
// as soon as the other lets go.
TEST(OpenDatabaseTest, OpeningAFileHeldAloneElsewhereGoesOnWithTheEvents) {
    test::TestEnvironment env;
    { ASSERT_TRUE(TerminStore::open(env.databasePath())->insert(row(QStringLiteral("da")))); }
    auto other = std::make_unique<InUseLock>(env.databasePath());
    ASSERT_TRUE(other->tryLockAlone());
    ASSERT_TRUE(InUseLock::heldAloneElsewhere(env.databasePath()));
    QTimer::singleShot(0, [&] { other.reset(); });
    OpenDatabase database;
    EXPECT_TRUE(database.open(env.databasePath()));
    EXPECT_FALSE(other);
    ASSERT_TRUE(database.store());
    EXPECT_EQ(database.store()->mainList().size(), 1u);
    // Shared, as every program holds it while the file is open, the mark is not held alone.
    EXPECT_FALSE(InUseLock::heldAloneElsewhere(env.databasePath()));
}
