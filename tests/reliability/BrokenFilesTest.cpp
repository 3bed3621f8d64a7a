// Locked and broken files: the database held by another program's long write, database files
// that are no appointment database, journals left by a killed writer, and broken settings files.

#include "Compaction.h"
#include "Renewal.h"
#include "SettingsStore.h"
#include "Support.h"
#include "TerminStore.h"
#include "TestEnvironment.h"
#include "WorkerProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <future>
#include <iostream>
#include <random>

#include <gtest/gtest.h>

using namespace moravel;
using namespace moravel::test;

namespace {

QByteArray randomBytes(int size, unsigned seed) {
    std::mt19937 random(seed);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

QByteArray firstByteOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(1) : QByteArray();
}

} // namespace

// Another program holds the database in a long write: a write of ours waits for it and then goes in.
TEST(LockedDatabase, WriteWaitsForALongWriteOfAnotherProgram) {
    TestEnvironment env;
    createDatabase(env.databasePath(), {oneOffRow(46363, "vorhanden")});
    auto store = TerminStore::open(env.databasePath());
    ASSERT_TRUE(store);
    WorkerProcess other({QStringLiteral("hold"), env.dataDir(), QStringLiteral("10000")});
    ASSERT_EQ(other.readLine(), "R");
    other.send('g');
    ASSERT_EQ(other.readLine(), "L");
    other.send('c'); // read by the other program once its long write is done
    ASSERT_FALSE(other.lineReady()) << "the other write was over before ours began";

    const std::optional<qint64> id = store->insert(oneOffRow(46364, "wartet"));
    ASSERT_TRUE(id);
    EXPECT_EQ(other.readLine(), "W");
    EXPECT_EQ(other.readLine(), "C");
    EXPECT_EQ(*id, 10002) << "ours went in after the other program's rows";
    EXPECT_EQ(other.wait(), 0);
    EXPECT_EQ(rowsById(env.databasePath()).size(), 10002u);
}

// A write held longer than the busy timeout: ours give up and leave nothing half-written, and
// after the other program died in its write they all go through.
TEST(LockedDatabase, WritesGiveUpWithoutAPartAndSucceedOnceTheLockIsGone) {
    TestEnvironment env;
    const qint64 today = dayOf(2026, 12, 7);
    createDatabase(env.databasePath(),
                   {recurringRow(today - 10, "1", "täglich"), oneOffRow(today, "löschen")});
    const std::map<qint64, Appointment> before = rowsById(env.databasePath());
    const QByteArray bytes = readFile(env.databasePath());
    // One connection per writer, as each program has its own.
    auto adder = TerminStore::open(env.databasePath());
    auto remover = TerminStore::open(env.databasePath());
    auto renewer = TerminStore::open(env.databasePath());
    ASSERT_TRUE(adder && remover && renewer);

    WorkerProcess other({QStringLiteral("hold"), env.dataDir(), QStringLiteral("50")});
    ASSERT_EQ(other.readLine(), "R");
    other.send('g');
    ASSERT_EQ(other.readLine(), "L");
    ASSERT_EQ(other.readLine(), "W");
    auto added = std::async(std::launch::async, [&] { return adder->insert(oneOffRow(today, "neu")); });
    auto removed = std::async(std::launch::async, [&] { return remover->remove(2); });
    auto renewed =
        std::async(std::launch::async, [&] { return renewPassedAppointments(*renewer, today, today); });
    EXPECT_FALSE(added.get());
    EXPECT_FALSE(removed.get());
    EXPECT_EQ(renewed.get(), -1);

    // The other program dies inside its write; its journal puts the file back as it was.
    ASSERT_TRUE(other.kill());
    EXPECT_EQ(integrity(env.databasePath()), "ok");
    EXPECT_EQ(rowsById(env.databasePath()).size(), before.size());
    EXPECT_EQ(lostOrChanged(before, rowsById(env.databasePath())), QStringList());
    EXPECT_EQ(readFile(env.databasePath()), bytes);

    EXPECT_TRUE(adder->insert(oneOffRow(today, "neu")));
    EXPECT_TRUE(remover->remove(2));
    EXPECT_EQ(renewPassedAppointments(*renewer, today, today), 10);
}

// A writer killed before its commit leaves a journal SQLite ignores; a writer killed while it
// wrote the file leaves a hot one. Compaction rolls back the one and is not stopped by the other.
TEST(KilledWriterJournal, NeitherKindStopsCompaction) {
    for (const int rows : {1, 50000}) {
        SCOPED_TRACE("rows in the killed write: " + std::to_string(rows));
        TestEnvironment env;
        createDatabase(env.databasePath(), {oneOffRow(46363, "vorhanden")});
        const std::map<qint64, Appointment> before = rowsById(env.databasePath());
        WorkerProcess other({QStringLiteral("hold"), env.dataDir(), QString::number(rows)});
        ASSERT_EQ(other.readLine(), "R");
        other.send('g');
        ASSERT_EQ(other.readLine(), "L");
        ASSERT_EQ(other.readLine(), "W");
        ASSERT_TRUE(other.kill());
        ASSERT_TRUE(QFileInfo::exists(env.databasePath() + "-journal"));
        const bool hot = firstByteOf(env.databasePath() + "-journal") != QByteArray(1, '\0');
        EXPECT_EQ(hot, rows > 1);

        EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Compacted);
        EXPECT_EQ(integrity(env.databasePath()), "ok");
        EXPECT_EQ(rowsById(env.databasePath()).size(), before.size());
        auto store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
        EXPECT_TRUE(store->insert(oneOffRow(46364, "danach")));
    }
}

namespace {

// A sound appointment database of some size, as bytes.
QByteArray realDatabase(const TestEnvironment& env) {
    std::vector<Appointment> rows;
    for (int i = 0; i < 2000; ++i)
        rows.push_back(oneOffRow(46000 + i, QStringLiteral("Termin %1").arg(i)));
    const QString path = env.configDir() + QStringLiteral("/real.mdb");
    createDatabase(path, rows);
    return readFile(path);
}

QByteArray otherSqliteDatabase(const TestEnvironment& env, const char* sql) {
    const QString path = env.configDir() + QStringLiteral("/other.mdb");
    QFile::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return readFile(path);
}

} // namespace

// Files that are no appointment database: opening refuses them and compaction leaves them, both
// byte for byte, and nothing is written beside them but the in-use mark.
TEST(BrokenDatabaseFiles, AreRefusedAndLeftByteForByte) {
    TestEnvironment env;
    const QByteArray real = realDatabase(env);
    ASSERT_GT(real.size(), 100 * 1024);
    QByteArray jet(4096, '\0');
    jet.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20).left(19));
    QByteArray corruptPage = real;
    corruptPage.replace(8192, 4096, randomBytes(4096, 3));
    const std::vector<std::pair<const char*, QByteArray>> files = {
        {"garbage", randomBytes(64 * 1024, 1)},
        {"empty", QByteArray()},
        {"cut in half", real.left(real.size() / 2)},
        {"cut inside a page", real.left(real.size() / 2 + 1000)},
        {"header only", real.left(100)},
        {"Jet database", jet},
        {"PNG picture", QByteArray("\x89PNG\r\n\x1a\n", 8) + randomBytes(2000, 2)},
        {"text", QByteArray("ID;Betreff\n1;Zahnarzt\n").repeated(300)},
        {"other SQLite database",
         otherSqliteDatabase(env, "CREATE TABLE other(x); INSERT INTO other VALUES (1);")},
        {"tblTermin without its fields",
         otherSqliteDatabase(env, "CREATE TABLE tblTermin(ID INTEGER PRIMARY KEY, Betreff TEXT);")},
    };
    int tried = 0;
    for (const auto& [kind, bytes] : files) {
        SCOPED_TRACE(kind);
        writeFile(env.databasePath(), bytes);
        TerminStore::OpenResult result = TerminStore::OpenResult::Opened;
        EXPECT_FALSE(TerminStore::open(env.databasePath(), &result));
        EXPECT_EQ(result, TerminStore::OpenResult::Unusable);
        EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Failed);
        EXPECT_EQ(readFile(env.databasePath()), bytes);
        EXPECT_EQ(filesIn(env.dataDir()), QStringList({"dBTermin.mdb", "dBTermin.mdb.inuse"}));
        ++tried;
    }

    // A damaged page inside the table: SQLite opens such a file, and the store does too, reading
    // what it can. Compaction must not replace it by a copy that lacks the damaged rows.
    writeFile(env.databasePath(), corruptPage);
    {
        auto store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
        EXPECT_LE(store->mainList().size(), 2000u);
    }
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Failed);
    EXPECT_EQ(readFile(env.databasePath()), corruptPage);
    EXPECT_EQ(filesIn(env.dataDir()), QStringList({"dBTermin.mdb", "dBTermin.mdb.inuse"}));

    // A directory in its place.
    QFile::remove(env.databasePath());
    ASSERT_TRUE(QDir().mkpath(env.databasePath()));
    EXPECT_FALSE(TerminStore::open(env.databasePath()));
    EXPECT_EQ(Compaction::DatenbankKomprimieren(env.dataDir()), Compaction::Result::Failed);
    EXPECT_TRUE(QFileInfo(env.databasePath()).isDir());
    EXPECT_EQ(filesIn(env.dataDir()), QStringList({"dBTermin.mdb", "dBTermin.mdb.inuse"}));
    std::cout << "[ figures ] " << tried + 2 << " broken database files refused and left as they were\n";
}

// A read-only database: root writes regardless of permission bits, so the check runs as an
// unprivileged user in a child process.
TEST(BrokenDatabaseFiles, ReadOnlyFileIsRefusedAndLeftByteForByte) {
    TestEnvironment env;
    createDatabase(env.databasePath(), {oneOffRow(46363, "vorhanden")});
    const QByteArray bytes = readFile(env.databasePath());
    // Only the file is read-only; the directory is open to anyone.
    ASSERT_TRUE(QFile::setPermissions(env.dataDir(), QFileDevice::Permissions(0x7777)));
    ASSERT_TRUE(QFile::setPermissions(env.databasePath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                              QFileDevice::ReadOther));
    const int result = runAsUser(env.dataDir(), [] {
        const bool opened = TerminStore::open(QStringLiteral("dBTermin.mdb")) != nullptr;
        const bool compacted =
            Compaction::DatenbankKomprimieren(QStringLiteral(".")) != Compaction::Result::Failed;
        return (opened ? 1 : 0) | (compacted ? 2 : 0);
    });
    if (result < 0)
        GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_EQ(result & 1, 0) << "opened";
    EXPECT_EQ(result & 2, 0) << "compacted";
    EXPECT_EQ(readFile(env.databasePath()), bytes);
    EXPECT_FALSE(QFileInfo::exists(env.dataDir() + "/dBcard2.mdb"));
}

// Settings files that cannot be read or make no sense give the defaults, and nothing crashes.
TEST(BrokenSettingsFiles, GiveDefaults) {
    TestEnvironment env;
    const QString folder = QFileInfo(env.settingsPath()).absolutePath();
    const std::vector<std::pair<const char*, QByteArray>> files = {
        {"random bytes", randomBytes(4096, 7)},
        {"NUL bytes", QByteArray(1000, '\0')},
        {"broken sections", QByteArray("[Termin\nIstAktiv=1\n[[Wardol]]]\n=\n==\n\\\\\\\n\"\n[\n")},
        {"invalid UTF-8", QByteArray("[Termin]\nIstAktiv=\xff\xfe\x80\nMain\xc3Left=\xc3\n")},
        {"one huge line", QByteArray(4 * 1024 * 1024, 'x')},
        {"endless continuation", QByteArray("[Termin]\nIstAktiv=1\\\n").repeated(10000)},
    };
    for (const auto& [kind, bytes] : files) {
        SCOPED_TRACE(kind);
        QDir().mkpath(folder);
        writeFile(env.settingsPath(), bytes);
        EXPECT_EQ(settings::read("Wardol", "MainLeft", "10"), "10");
        // Writing replaces what could not be read; the value is then read back.
        if (settings::write("Wardol", "MainLeft", "150")) {
            EXPECT_EQ(settings::read("Wardol", "MainLeft", "10"), "150");
        }
    }

    // The file is a directory, or its folder cannot be made because a file is in the way.
    QFile::remove(env.settingsPath());
    ASSERT_TRUE(QDir().mkpath(env.settingsPath()));
    EXPECT_EQ(settings::read("Termin", "IstAktiv", "0"), "0");
    EXPECT_FALSE(settings::write("Termin", "IstAktiv", "1"));
    QDir(env.configDir()).removeRecursively();
    writeFile(env.configDir(), "a file where the folder belongs");
    EXPECT_EQ(settings::read("Termin", "IstAktiv", "0"), "0");
    EXPECT_FALSE(settings::write("Termin", "IstAktiv", "1"));
    QFile::remove(env.configDir());

    // The folder is missing: defaults, and the first write makes it.
    EXPECT_EQ(settings::read("Termin", "IstAktiv", "0"), "0");
    EXPECT_TRUE(settings::write("Termin", "IstAktiv", "1"));
    EXPECT_EQ(settings::read("Termin", "IstAktiv", "0"), "1");
    std::cout << "[ figures ] " << files.size() + 3 << " broken settings files gave defaults\n";
}

// A settings file the user may not read: as an unprivileged user, as above.
TEST(BrokenSettingsFiles, UnreadableFileGivesDefaults) {
    TestEnvironment env;
    // Written behind the settings store's back: Qt keeps what it once read of a file for the process.
    QDir().mkpath(QFileInfo(env.settingsPath()).absolutePath());
    writeFile(env.settingsPath(), "[Termin]\nIstAktiv=1\n");
    ASSERT_TRUE(QFile::setPermissions(env.settingsPath(), QFileDevice::Permissions()));
    const int result = runAsUser(env.configDir(), [] {
        const bool defaulted = settings::read("Termin", "IstAktiv", "0") == QLatin1String("0");
        const bool written = settings::write("Termin", "IstAktiv", "0");
        return (defaulted ? 1 : 0) | (written ? 2 : 0);
    });
    if (result < 0)
        GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_EQ(result, 1);
}
