#include "Compaction.h"
#include "InUseLock.h"
#include "TerminStore.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace moravel;

namespace {

class CompactionTest : public ::testing::Test {
protected:
    test::TestEnvironment env;

    void SetUp() override {
        auto store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
        for (int i = 0; i < 200; ++i) {
            Appointment a;
            a.TerminDatum = QString::number(46363 + i);
            a.TerminDatumUhrzeit = a.TerminDatum;
            a.Betreff = QStringLiteral("Termin %1").arg(i);
            store->insert(a);
        }
        for (qint64 id = 1; id <= 150; ++id)
            store->remove(id); // leaves free pages for compaction to reclaim
    }

    QStringList subjects() const {
        auto store = TerminStore::open(env.databasePath());
        QStringList out;
        if (store) {
            for (const Appointment& a : store->mainList())
                out << a.Betreff;
        }
        return out;
    }

    QString copyPath(const QString& name = Compaction::kCopyFile) const { return env.dataDir() + "/" + name; }

    ino_t inode() const {
        struct stat info {};
        return ::stat(QFile::encodeName(env.databasePath()).constData(), &info) == 0 ? info.st_ino : 0;
    }
};

} // namespace

TEST_F(CompactionTest, CompactsAndKeepsEveryRow) {
    const QStringList before = subjects();
    const qint64 sizeBefore = QFileInfo(env.databasePath()).size();
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Compacted);
    EXPECT_EQ(subjects(), before);
    EXPECT_LT(QFileInfo(env.databasePath()).size(), sizeBefore);
    EXPECT_FALSE(QFileInfo::exists(copyPath()));
    // IDs keep counting after compaction.
    auto store = TerminStore::open(env.databasePath());
    EXPECT_EQ(*store->insert(Appointment{}), 201);
}

TEST_F(CompactionTest, SkippedWhileAnotherProcessHoldsTheDatabase) {
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    if (child == 0) {
        InUseLock lock(env.databasePath());
        const char ok = lock.tryLock(InUseLock::Mode::Shared) ? '1' : '0';
        (void)!write(ready[1], &ok, 1);
        char c;
        (void)!read(release[0], &c, 1);
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    const QByteArray before = test::readFile(env.databasePath());
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::InUse);
    EXPECT_EQ(test::readFile(env.databasePath()), before);
    (void)!write(release[1], "x", 1);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Compacted);
}

TEST_F(CompactionTest, LeftoverCopyIsRemovedWhateverItsCase) {
    test::writeFile(copyPath("DBCARD2.MDB"), "old copy");
    test::writeFile(copyPath("dBcard2.mdb"), "old copy");
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Compacted);
    EXPECT_FALSE(QFileInfo::exists(copyPath("DBCARD2.MDB")));
    EXPECT_FALSE(QFileInfo::exists(copyPath()));
    EXPECT_EQ(subjects().size(), 50);
}

TEST_F(CompactionTest, OrphanedCopyIsRestored) {
    const QStringList before = subjects();
    ASSERT_TRUE(QFile::rename(env.databasePath(), copyPath("Dbcard2.mdb")));
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Restored);
    EXPECT_EQ(subjects(), before);
}

TEST_F(CompactionTest, FailureAtAnyStepLosesNothing) {
    const QStringList before = subjects();
    const QByteArray bytes = test::readFile(env.databasePath());
    for (auto step : {Compaction::Step::Copy, Compaction::Step::Check, Compaction::Step::Rename}) {
        EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir(), Compaction::Need::Always, step),
                  Compaction::Result::Failed);
        EXPECT_EQ(test::readFile(env.databasePath()), bytes);
        EXPECT_FALSE(QFileInfo::exists(copyPath()));
    }
    EXPECT_EQ(subjects(), before);
}

TEST_F(CompactionTest, ForeignFileIsNeverTouched) {
    test::writeFile(env.databasePath(), QByteArray("not a database at all, just text\n").repeated(100));
    const QByteArray bytes = test::readFile(env.databasePath());
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Failed);
    EXPECT_EQ(test::readFile(env.databasePath()), bytes);
    EXPECT_FALSE(QFileInfo::exists(copyPath()));
}

TEST_F(CompactionTest, AtStartOnlyAFileWithFreePagesIsCopied) {
    using Need = Compaction::Need;
    ASSERT_EQ(Compaction::DatenbankKomprimieren(env.dataDir(), Need::FreePages),
              Compaction::Result::Compacted);
    const QStringList rows = subjects();
    const QByteArray compact = test::readFile(env.databasePath());
    const ino_t before = inode();

    // Nothing left to give back: the file is not even rewritten.
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir(), Need::FreePages),
              Compaction::Result::NotNeeded);
    EXPECT_EQ(inode(), before);
    EXPECT_EQ(test::readFile(env.databasePath()), compact);

    // Leftover copies go and an orphaned copy comes back all the same.
    test::writeFile(copyPath(), "old copy");
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir(), Need::FreePages),
              Compaction::Result::NotNeeded);
    EXPECT_FALSE(QFileInfo::exists(copyPath()));
    ASSERT_TRUE(QFile::rename(env.databasePath(), copyPath()));
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir(), Need::FreePages),
              Compaction::Result::Restored);
    EXPECT_EQ(subjects(), rows);

    // Rows added and deleted again leave free pages.
    {
        auto store = TerminStore::open(env.databasePath());
        std::vector<qint64> added;
        for (int i = 0; i < 100; ++i) {
            Appointment a;
            a.Betreff = QString(200, QLatin1Char('x'));
            added.push_back(*store->insert(a));
        }
        for (qint64 id : added)
            store->remove(id);
    }
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir(), Need::FreePages),
              Compaction::Result::Compacted);
    EXPECT_EQ(subjects(), rows);
}
