// Two programs at once: both renewing one backlog, one adding while the other reads, and one
// starting while the other compacts.

#include "Compaction.h"
#include "ForeignConnection.h"
#include "Renewal.h"
#include "Support.h"
#include "TerminStore.h"
#include "TestEnvironment.h"
#include "WorkerProcess.h"

#include <chrono>
#include <iostream>
#include <random>
#include <set>
#include <thread>

#include <gtest/gtest.h>

using namespace moravel;
using namespace moravel::test;

namespace {

using Steady = std::chrono::steady_clock;

qint64 elapsedUs(Steady::time_point since) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - since).count();
}

void pauseMicroseconds(int us) {
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

int count(const std::vector<Appointment>& rows, const QString& subjectPrefix) {
    int n = 0;
    for (const Appointment& row : rows)
        n += row.Betreff.startsWith(subjectPrefix);
    return n;
}

} // namespace

// Planner and monitor renew the same backlog in two processes released at the same moment.
TEST(RaceTest, TwoProgramsRenewingOneBacklogInsertEachOccurrenceOnce) {
    constexpr int kRounds = 100;
    TestEnvironment env;
    const qint64 today = dayOf(2026, 12, 7);
    const double now = static_cast<double>(today) + 0.5;
    const QString templatePath = env.configDir() + QStringLiteral("/template.mdb");
    // Many chains: the two programs take turns between them.
    std::vector<Appointment> rows = {
        recurringRow(today - 70, "2", "wöchentlich"), recurringRow(dayOf(2025, 10, 31), "3", "monatlich"),
        recurringRow(dayOf(2016, 12, 6), "6", "jährlich"), oneOffRow(today - 1, "gestern")};
    for (int days = 1; days <= 30; ++days)
        rows.push_back(recurringRow(today - days, "1", QStringLiteral("täglich seit %1 Tagen").arg(days)));
    createDatabase(templatePath, rows);
    copyFile(templatePath, env.databasePath());
    int expected;
    {
        auto store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
        expected = renewPassedAppointments(*store, today, now);
    }
    ASSERT_EQ(expected, 10 + 14 + 11 + 30 * 31 / 2);
    const QStringList reference = contents(rowsById(env.databasePath()));

    const QStringList arguments = {QStringLiteral("renew"), env.dataDir(), QString::number(today),
                                   QString::number(now, 'f', 5)};
    qint64 fullUs = 0;
    std::mt19937 random(4711);
    int bothRenewed = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        copyFile(templatePath, env.databasePath());
        WorkerProcess planner(arguments), monitor(arguments);
        ASSERT_EQ(planner.readLine(), "R");
        ASSERT_EQ(monitor.readLine(), "R");
        const Steady::time_point start = Steady::now();
        planner.send('g');
        // Every other round the monitor comes a little later, into the middle of the planner's pass.
        if (round % 2)
            pauseMicroseconds(std::uniform_int_distribution<int>(0, static_cast<int>(fullUs))(random));
        monitor.send('g');
        const int byPlanner = planner.readLine().toInt(), byMonitor = monitor.readLine().toInt();
        ASSERT_EQ(planner.wait(), 0);
        ASSERT_EQ(monitor.wait(), 0);
        if (round == 0)
            fullUs = elapsedUs(start);
        EXPECT_EQ(byPlanner + byMonitor, expected);
        bothRenewed += byPlanner > 0 && byMonitor > 0;
        const std::map<qint64, Appointment> rows = rowsById(env.databasePath());
        ASSERT_EQ(chainFaults(rows), QStringList());
        ASSERT_EQ(contents(rows), reference);
    }
    std::cout << "[ figures ] renewal by two programs: " << kRounds << " races, " << bothRenewed
              << " with rows from both; no occurrence doubled or missing\n";
}

// The monitor re-reads the main list while the planner adds rows: no read fails or misses a
// row that was stored before it began.
TEST(RaceTest, ReadingWhileAnotherProgramAdds) {
    constexpr int kRows = 1500;
    TestEnvironment env;
    createDatabase(env.databasePath(), {oneOffRow(46363, "vorhanden")});
    auto store = TerminStore::open(env.databasePath());
    ASSERT_TRUE(store);
    WorkerProcess planner({QStringLiteral("add"), env.dataDir(), QString::number(kRows)});
    ASSERT_EQ(planner.readLine(), "R");
    planner.send('g');

    std::set<qint64> stored;
    int reads = 0;
    bool done = false;
    while (!done) {
        while (planner.lineReady()) {
            const QByteArray line = planner.readLine();
            if (line == "D")
                done = true;
            else
                stored.insert(line.split(' ').value(0).toLongLong());
        }
        const std::set<qint64> storedBefore = stored;
        std::set<qint64> seen;
        for (const Appointment& row : store->mainList())
            seen.insert(row.ID);
        ++reads;
        ASSERT_TRUE(std::includes(seen.begin(), seen.end(), storedBefore.begin(), storedBefore.end()))
            << "read " << reads << " missed stored rows";
        ASSERT_TRUE(seen.count(1)) << "read " << reads;
    }
    EXPECT_EQ(planner.wait(), 0);
    EXPECT_EQ(stored.size(), static_cast<size_t>(kRows));
    EXPECT_EQ(count(store->mainList(), "zugefügt"), kRows);
    std::cout << "[ figures ] " << reads << " reads of the main list while " << kRows
              << " rows were added; none failed, no row lost\n";
}

// Another tool commits rows one after the other while the planner starts 50 times, each time with
// pages to give back. Each committed row stays, and the file stays sound.
TEST(RaceTest, ForeignWriterKeepsEveryCommittedRowThroughCompactions) {
    constexpr int kStarts = 50;
    TestEnvironment env;
    std::vector<Appointment> rows;
    for (int i = 0; i < 400; ++i)
        rows.push_back(oneOffRow(46000 + i, QStringLiteral("Termin %1 ").arg(i).repeated(20)));
    createDatabase(env.databasePath(), rows);
    WorkerProcess writer({QStringLiteral("write"), env.dataDir(), QStringLiteral("1000000")});
    WorkerProcess planner({QStringLiteral("compact"), env.dataDir(), QString::number(kStarts)});
    ASSERT_EQ(writer.readLine(), "R");
    ASSERT_EQ(planner.readLine(), "R");
    writer.send('g');

    std::set<qint64> committed;
    const auto collect = [&] {
        while (writer.lineReady())
            committed.insert(writer.readLine().toLongLong());
    };
    std::map<int, int> results;
    ForeignConnection deleter(env.databasePath());
    // The writer never pauses: on a busy machine SQLite's busy handler may lose a few rounds to it.
    const auto deleteSome = [&deleter] {
        for (int attempt = 0; attempt < 10; ++attempt) {
            if (deleter.execute(QStringLiteral("DELETE FROM tblTermin WHERE ID IN (SELECT ID FROM tblTermin "
                                               "WHERE Betreff LIKE 'Termin %' LIMIT 8)")))
                return true;
        }
        return false;
    };
    for (int start = 0; start < kStarts; ++start) {
        // Pages to give back: some of the long rows go.
        ASSERT_TRUE(deleteSome()) << deleter.error().toStdString();
        planner.send('g');
        const QByteArray result = planner.readLine();
        ASSERT_FALSE(result.isEmpty());
        ++results[result.toInt()];
        collect();
    }
    writer.send('s');
    for (QByteArray line = writer.readLine(); line != "D" && !line.isEmpty(); line = writer.readLine())
        committed.insert(line.toLongLong());
    ASSERT_EQ(writer.wait(), 0);
    ASSERT_EQ(planner.wait(), 0);

    const std::map<qint64, Appointment> stored = rowsById(env.databasePath());
    int found = 0;
    for (const qint64 id : committed)
        found += stored.count(id) && stored.at(id).Betreff.startsWith(QLatin1String("vom Werkzeug"));
    const int compacted = results[static_cast<int>(Compaction::Result::Compacted)];
    EXPECT_EQ(found, static_cast<int>(committed.size()));
    EXPECT_EQ(integrity(env.databasePath()), "ok");
    EXPECT_GT(compacted, 0);
    EXPECT_EQ(compacted + results[static_cast<int>(Compaction::Result::InUse)], kStarts);
    std::cout << "[ figures ] " << kStarts
              << " starts with compaction against another tool's writer: " << compacted << " compacted, "
              << committed.size() << " rows committed, " << found << " found, integrity "
              << integrity(env.databasePath()).toStdString() << "\n";
}

// The monitor starting while the planner compacts must not keep the replaced file open: what it
// wrote there would be lost, and it would never see the planner's rows again.
TEST(RaceTest, ProgramStartingDuringCompactionWritesToTheDatabase) {
    constexpr int kStarts = 200;
    TestEnvironment env;
    std::vector<Appointment> rows;
    for (int i = 0; i < 400; ++i)
        rows.push_back(oneOffRow(46000 + i, QStringLiteral("Termin %1").arg(i)));
    createDatabase(env.databasePath(), rows);
    WorkerProcess planner({QStringLiteral("compact"), env.dataDir(), QString::number(kStarts)});
    ASSERT_EQ(planner.readLine(), "R");
    planner.send('g');
    const Steady::time_point first = Steady::now();
    ASSERT_EQ(planner.readLine(), QByteArray::number(static_cast<int>(Compaction::Result::Compacted)));
    const qint64 compactionUs = elapsedUs(first);

    std::mt19937 random(1899);
    int written = 0, compacted = 0;
    for (int start = 1; start < kStarts; ++start) {
        planner.send('g');
        pauseMicroseconds(std::uniform_int_distribution<int>(0, static_cast<int>(compactionUs))(random));
        {
            auto store = TerminStore::open(env.databasePath());
            ASSERT_TRUE(store);
            written +=
                store->insert(oneOffRow(46500, QStringLiteral("beim Start %1").arg(start))).has_value();
        }
        compacted +=
            planner.readLine() == QByteArray::number(static_cast<int>(Compaction::Result::Compacted));
    }
    ASSERT_EQ(planner.wait(), 0);
    auto store = TerminStore::open(env.databasePath());
    ASSERT_TRUE(store);
    const int kept = count(store->mainList(), "beim Start");
    EXPECT_EQ(written, kStarts - 1);
    EXPECT_EQ(kept, written);
    EXPECT_GT(compacted, 0);
    std::cout << "[ figures ] " << kStarts << " starts racing " << compacted << " compactions; "
              << written - kept << " rows lost\n";
}

// Planner and monitor on a user's very first start, at the same moment: both use one database
// and what each writes stays in it.
TEST(RaceTest, TwoProgramsMakingTheDatabaseTogetherShareIt) {
    constexpr int kRounds = 200;
    TestEnvironment env;
    int bothOpened = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        QFile::remove(env.databasePath());
        std::unique_ptr<TerminStore> stores[2];
        std::thread other([&] { stores[1] = TerminStore::open(env.databasePath()); });
        stores[0] = TerminStore::open(env.databasePath());
        other.join();
        int written = 0;
        for (const auto& store : stores)
            written += store && store->insert(oneOffRow(46500, QStringLiteral("Runde"))).has_value();
        bothOpened += written == 2;
        stores[0].reset();
        stores[1].reset();
        const std::unique_ptr<TerminStore> after = TerminStore::open(env.databasePath());
        ASSERT_TRUE(after);
        ASSERT_EQ(count(after->mainList(), "Runde"), written);
    }
    EXPECT_EQ(bothOpened, kRounds);
}
