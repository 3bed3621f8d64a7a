#include "Compaction.h"
#include "ForeignConnection.h"
#include "TerminStore.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace moravel;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

struct stat statusOf(const QString& path, bool followLink = true) {
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if ((followLink ? ::stat(name.constData(), &info) : ::lstat(name.constData(), &info)) != 0)
        info = {};
    return info;
}

// Appointments with long subjects, so that the table spans many pages.
std::vector<qint64> addRows(TerminStore& store, int count, int offset = 0) {
    std::vector<qint64> ids;
    TerminStore::WriteTransaction batch(store);
    for (int i = offset; i < offset + count; ++i) {
        Appointment a;
        a.TerminDatum = QString::number(46363 + i);
        a.TerminDatumUhrzeit = a.TerminDatum;
        a.Betreff = QStringLiteral("Termin %1 ").arg(i).repeated(10);
        ids.push_back(store.insert(a).value_or(0));
    }
    batch.commit();
    return ids;
}

class CompactionTest : public ::testing::Test {
protected:
    test::TestEnvironment env;

    void SetUp() override {
        auto store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
        addRows(*store, 200);
        // Leaves free pages for compaction to reclaim.
        TerminStore::WriteTransaction batch(*store);
        for (qint64 id = 1; id <= 150; ++id)
            store->remove(id);
        ASSERT_TRUE(batch.commit());
    }

    QStringList subjects(const QString& path) const {
        auto store = TerminStore::open(path);
        QStringList out;
        if (store) {
            for (const Appointment& a : store->mainList())
                out << a.Betreff;
        }
        return out;
    }
    QStringList subjects() const { return subjects(env.databasePath()); }

    QString inData(const QString& name) const { return env.dataDir() + "/" + name; }
    QString copyPath() const { return inData(Compaction::kCopyFile); }

    static QString integrity(const QString& path) {
        return test::ForeignConnection(path).column("PRAGMA integrity_check").join('\n');
    }
};

} // namespace

TEST_F(CompactionTest, CompactsInPlaceAndKeepsEveryRowAndId) {
    const QStringList before = subjects();
    const struct stat was = statusOf(env.databasePath());
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Compacted);
    EXPECT_EQ(subjects(), before);
    EXPECT_LT(QFileInfo(env.databasePath()).size(), was.st_size);
    EXPECT_EQ(statusOf(env.databasePath()).st_ino, was.st_ino);
    EXPECT_EQ(test::ForeignConnection(env.databasePath()).column("SELECT min(ID) FROM tblTermin"),
              QStringList({"151"}));
    EXPECT_FALSE(QFileInfo::exists(copyPath()));
    // IDs keep counting after compaction.
    auto store = TerminStore::open(env.databasePath());
    EXPECT_EQ(*store->insert(Appointment{}), 201);
}

// Another program holds the file in an open transaction. Replacing the file under it lost its
// committed rows and could corrupt the file; in place, compaction waits a moment and gives up, or
// goes through once the other program is done, and every committed row stays.
TEST_F(CompactionTest, AnotherProgramsOpenTransactionKeepsItsRows) {
    struct Case {
        const char* name;
        const char* begin;
    };
    for (const Case& c : {Case{"write transaction", "BEGIN IMMEDIATE; INSERT INTO tblTermin (Betreff)"
                                                    " VALUES ('vom anderen Programm')"},
                          Case{"read transaction", "BEGIN; SELECT count(*) FROM tblTermin"},
                          // Not even the schema can be read meanwhile.
                          Case{"exclusive transaction", "BEGIN EXCLUSIVE; INSERT INTO tblTermin (Betreff)"
                                                        " VALUES ('vom anderen Programm')"}}) {
        SCOPED_TRACE(c.name);
        test::ForeignConnection other(env.databasePath());
        // A read transaction holds its lock only while a statement is running through its rows.
        ASSERT_TRUE(other.execute(c.begin)) << other.error().toStdString();
        ASSERT_TRUE(other.column("SELECT count(*) FROM tblTermin").size() == 1);
        QElapsedTimer waited;
        waited.start();
        const Compaction::Result result = Compaction::DatenbankKomprimieren(env.dataDir());
        EXPECT_LT(waited.elapsed(), 2000);
        ASSERT_TRUE(other.execute("COMMIT")) << other.error().toStdString();
        EXPECT_TRUE(result == Compaction::Result::InUse || result == Compaction::Result::Compacted);
        EXPECT_EQ(integrity(env.databasePath()), "ok");
    }
    EXPECT_EQ(subjects().count("vom anderen Programm"), 2);
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Compacted);
    EXPECT_EQ(subjects().count("vom anderen Programm"), 2);
    EXPECT_EQ(integrity(env.databasePath()), "ok");
}

// While the monitor has the file open, compaction leaves it as it is; once the monitor is gone,
// it compacts.
TEST_F(CompactionTest, FileTheOtherProgramHasOpenIsLeftForALaterStart) {
    const QStringList before = subjects();
    auto monitor = TerminStore::open(env.databasePath());
    ASSERT_TRUE(monitor);
    const QByteArray bytes = test::readFile(env.databasePath());
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::InUse);
    EXPECT_EQ(test::readFile(env.databasePath()), bytes);
    monitor.reset();
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Compacted);
    EXPECT_EQ(subjects(), before);
}

// Shared files stay what they were: a link keeps pointing where it did, a second link keeps sharing
// the file, and owner, group, mode and journal mode stay.
TEST_F(CompactionTest, FileKeepsLinksOwnerModeAndJournalMode) {
    const QString real = inData("geteilt/dBTermin.mdb");
    ASSERT_TRUE(QDir().mkpath(inData("geteilt")));
    ASSERT_TRUE(QFile::rename(env.databasePath(), real));
    struct Case {
        const char* name;
        std::function<void()> arrange;
    };
    const std::vector<Case> cases = {
        {"symbolic link",
         [&] { ASSERT_EQ(::symlink("geteilt/dBTermin.mdb", qPrintable(env.databasePath())), 0); }},
        {"hard link", [&] { ASSERT_EQ(::link(qPrintable(real), qPrintable(env.databasePath())), 0); }},
        {"owned by another user and shared through its group",
         [&] {
             ASSERT_EQ(::link(qPrintable(real), qPrintable(env.databasePath())), 0);
             if (::geteuid() == 0) {
                 ASSERT_EQ(::chown(qPrintable(real), 65534, 65534), 0);
             }
             ASSERT_EQ(::chmod(qPrintable(real), 0660), 0);
         }},
        {"write-ahead log", [&] {
             ASSERT_EQ(::link(qPrintable(real), qPrintable(env.databasePath())), 0);
             ASSERT_EQ(test::ForeignConnection(real).column("PRAGMA journal_mode = WAL"),
                       QStringList({"wal"}));
         }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        {
            // Free pages again for every case.
            auto store = TerminStore::open(env.databasePath());
            ASSERT_TRUE(store);
            for (const qint64 id : addRows(*store, 60, 1000))
                ASSERT_TRUE(store->remove(id));
        }
        const QString journal = test::ForeignConnection(real).column("PRAGMA journal_mode").value(0);
        const struct stat link = statusOf(env.databasePath(), false), was = statusOf(real);
        const QStringList rows = subjects();
        EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Compacted);
        const struct stat linkNow = statusOf(env.databasePath(), false), now = statusOf(real);
        EXPECT_EQ(linkNow.st_ino, link.st_ino);
        EXPECT_EQ(linkNow.st_mode, link.st_mode);
        EXPECT_EQ(now.st_ino, was.st_ino);
        EXPECT_EQ(now.st_nlink, was.st_nlink);
        EXPECT_EQ(now.st_uid, was.st_uid);
        EXPECT_EQ(now.st_gid, was.st_gid);
        EXPECT_EQ(now.st_mode, was.st_mode);
        EXPECT_LT(now.st_size, was.st_size);
        EXPECT_EQ(test::ForeignConnection(real).column("PRAGMA journal_mode").value(0), journal);
        EXPECT_EQ(subjects(real), rows);
        EXPECT_EQ(integrity(real), "ok");
        ASSERT_TRUE(QFile::remove(env.databasePath()));
    }
}

// A file of some size in which one branch of the table's tree is cut off. SQLite reads such a file
// without an error, but a scan never reaches the rows below that branch.
TEST_F(CompactionTest, FileWithRowsOutOfReachIsLeftForARepair) {
    {
        auto store = TerminStore::open(env.databasePath());
        addRows(*store, 2000, 200);
    }
    const QByteArray sound = test::readFile(env.databasePath());
    const int rows = subjects().size();
    const int pageSize =
        test::ForeignConnection(env.databasePath()).column("PRAGMA page_size").value(0).toInt();
    const int root = test::ForeignConnection(env.databasePath())
                         .column("SELECT rootpage FROM sqlite_master WHERE name = 'tblTermin'")
                         .value(0)
                         .toInt();
    ASSERT_GT(root, 1);
    QByteArray cut = sound;
    const qsizetype header = static_cast<qsizetype>(root - 1) * pageSize;
    ASSERT_EQ(cut[header], '\x05') << "the table's root is no interior page";
    const int cells = (static_cast<uchar>(cut[header + 3]) << 8) | static_cast<uchar>(cut[header + 4]);
    ASSERT_GT(cells, 1);
    cut[header + 3] = static_cast<char>((cells - 1) >> 8);
    cut[header + 4] = static_cast<char>((cells - 1) & 0xff);
    test::writeFile(env.databasePath(), cut);
    ASSERT_LT(subjects().size(), rows) << "the cut branch is still read";

    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Failed);
    EXPECT_EQ(test::readFile(env.databasePath()), cut);
}

TEST_F(CompactionTest, ForeignAndGuardedFilesAreNeverTouched) {
    struct Case {
        const char* name;
        std::function<void()> make;
    };
    const std::vector<Case> cases = {
        {"text", [&] { test::writeFile(env.databasePath(), QByteArray("nur Text\n").repeated(1000)); }},
        // SQL of the file's own that a write would run.
        {"trigger", [&] {
             ASSERT_TRUE(
                 test::ForeignConnection(env.databasePath())
                     .execute(
                         "CREATE TRIGGER weg AFTER INSERT ON tblTermin BEGIN DELETE FROM tblTermin; END"));
         }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        const QByteArray bytes = test::readFile(env.databasePath());
        EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Failed);
        EXPECT_EQ(test::readFile(env.databasePath()), bytes);
        EXPECT_FALSE(QFileInfo::exists(copyPath()));
        QFile::remove(env.databasePath());
        SetUp();
    }
}

// A copy an older version left: it takes the place of a missing database only when it is a file of
// the user's own, not a link, a sound SQLite file that holds the table; else it stays as it is and
// the user is told why.
TEST_F(CompactionTest, CopyOfAnOlderVersionIsTakenOverOnlyWhenItIsSound) {
    const QStringList rows = subjects();
    const QString sound = inData("sound.mdb");
    ASSERT_TRUE(QFile::rename(env.databasePath(), sound));
    const QString other = env.configDir() + "/other.mdb";
    ASSERT_TRUE(test::ForeignConnection(other).execute("CREATE TABLE andere (x)"));
    QByteArray damaged = test::readFile(sound);
    const int root = test::ForeignConnection(sound)
                         .column("SELECT rootpage FROM sqlite_master WHERE name = 'tblTermin'")
                         .value(0)
                         .toInt();
    damaged.replace((root - 1) * 4096 + 8, 2000, QByteArray(2000, '\x7f'));

    struct Case {
        const char* name;
        std::function<bool(const QString& copy)> make; // false: cannot be made by this user
        const char* because;                           // empty: taken over
    };
    const std::vector<Case> cases = {
        {"link to a database", [&](const QString& copy) { return QFile::link(sound, copy); }, "Verknüpfung"},
        {"random bytes",
         [](const QString& copy) { return test::writeFile(copy, QByteArray(8192, '\x5a')), true; },
         "keine Datenbank"},
        {"damaged", [&](const QString& copy) { return test::writeFile(copy, damaged), true; }, "beschädigt"},
        {"another database", [&](const QString& copy) { return QFile::copy(other, copy); }, "keine Termine"},
        {"folder", [](const QString& copy) { return QDir().mkpath(copy); }, "keine gewöhnliche Datei"},
        {"another user's",
         [&](const QString& copy) {
             // Only root can give a file away.
             return QFile::copy(sound, copy) &&
                    ::chown(qPrintable(copy), ::geteuid() == 65534 ? 0 : 65534, 65534) == 0;
         },
         "anderen Benutzer"},
        {"sound, named in other letters",
         [&](const QString&) { return QFile::copy(sound, inData("DBCARD2.MDB")); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.make(copyPath())) {
            QFile::remove(copyPath());
            continue;
        }
        const QStringList before = QDir(env.dataDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QString reason;
        const Compaction::Result result =
            Compaction::DatenbankKomprimieren(env.dataDir(), Compaction::Need::FreePages, &reason);
        if (*c.because) {
            EXPECT_EQ(result, Compaction::Result::CopyKept);
            EXPECT_TRUE(reason.contains(QString::fromUtf8(c.because))) << reason.toStdString();
            EXPECT_FALSE(QFileInfo::exists(env.databasePath()));
            EXPECT_EQ(QDir(env.dataDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        } else {
            EXPECT_EQ(result, Compaction::Result::Restored);
            EXPECT_TRUE(reason.isEmpty());
            EXPECT_EQ(subjects(), rows);
        }
        QFile::remove(copyPath());
        QDir(copyPath()).removeRecursively();
    }
    // A database that exists is never replaced, and a copy beside it is left alone.
    QFile::copy(sound, copyPath());
    const QByteArray copy = test::readFile(copyPath());
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Compacted);
    EXPECT_EQ(test::readFile(copyPath()), copy);
    EXPECT_EQ(subjects(), rows);
}

TEST_F(CompactionTest, AtStartOnlyAFileWithFreePagesIsRewritten) {
    using Need = Compaction::Need;
    ASSERT_EQ(Compaction::DatenbankKomprimieren(env.dataDir(), Need::FreePages),
              Compaction::Result::Compacted);
    const QStringList rows = subjects();
    const QByteArray compact = test::readFile(env.databasePath());

    // Nothing left to give back: the file is not even rewritten.
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir(), Need::FreePages),
              Compaction::Result::NotNeeded);
    EXPECT_EQ(test::readFile(env.databasePath()), compact);

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
