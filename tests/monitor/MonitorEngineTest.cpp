// The monitor's engine without any window: what it lists, which reminders it gives and when, through
// pauses and suspends.
#include "MonitorEngine.h"

#include "MonitorFixture.h"
#include "NextWakeup.h"

#include <QTimer>

using namespace moravel;
using namespace moravel::test;

namespace {

const QDate kSunday(2026, 3, 8);
const QDate kMonday(2026, 3, 9);

class MonitorEngineTest : public ::testing::Test {
protected:
    void start(const QDateTime& now, const std::vector<Appointment>& rows) {
        env.clock().set(now);
        const auto store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
        for (const Appointment& row : rows)
            ASSERT_TRUE(store->insert(row));
        QObject::connect(&engine, &monitor::MonitorEngine::faellig,
                         [this](const Appointment& row) { given << row.Betreff; });
        QObject::connect(&engine, &monitor::MonitorEngine::gelesen,
                         [this](const QStringList&, int count) { current = count; });
        engine.start();
    }
    // A look at this moment, as the engine's timers or the watches of file and clock give it.
    QStringList lookAt(const QDateTime& moment) {
        given.clear();
        env.clock().set(moment);
        engine.EinlesenAusDB();
        return given;
    }
    QTimer* timer(const char* name) const { return child<QTimer>(engine, name); }

    TestEnvironment env;
    monitor::MonitorEngine engine;
    QStringList given;
    int current = -1;
};

} // namespace

TEST_F(MonitorEngineTest, APauseKeepsTheListAndTheWayBackGivesWhatFellDueMeanwhileOnceEach) {
    start(QDateTime(kMonday, QTime(14, 0)),
          {appointmentOn(kMonday, QTime(14, 5), "A"), appointmentOn(kMonday, QTime(14, 6), "B", "1"),
           appointmentOn(kMonday, QTime(14, 30), "C")});
    EXPECT_EQ(current, 3);
    engine.pause();
    EXPECT_FALSE(timer("Timer1")->isActive());
    EXPECT_TRUE(timer("pausedLook")->isActive());
    EXPECT_EQ(lookAt(QDateTime(kMonday, QTime(14, 10))), QStringList());
    EXPECT_EQ(current, 3);

    engine.resume();
    EXPECT_EQ(timer("Timer1")->interval(), 0);
    EXPECT_FALSE(timer("pausedLook")->isActive());
    EXPECT_EQ(lookAt(QDateTime(kMonday, QTime(14, 10, 1))), QStringList({"A", "B"}));
    EXPECT_EQ(lookAt(QDateTime(kMonday, QTime(14, 10, 2))), QStringList());
    // C's reminder is twenty minutes off: the next look is the safety interval's.
    EXPECT_EQ(timer("Timer1")->interval(), monitor::kSafetyIntervalMs);
    EXPECT_EQ(lookAt(QDateTime(kMonday, QTime(14, 30))), QStringList({"C"}));
}

// Asleep from the evening to the next evening: today's reminders come however long ago they fell
// due; yesterday's only when at most twelve hours old.
TEST_F(MonitorEngineTest, AfterALongSuspendTodaysMorningRemindersComeAndYesterdaysOldOnesDoNot) {
    start(QDateTime(kSunday, QTime(19, 0)),
          {appointmentOn(kSunday, QTime(21, 0), "Abend"), appointmentOn(kMonday, QTime(8, 0), "Morgen"),
           appointmentOn(kMonday, QTime(23, 30), "Nacht")});
    EXPECT_EQ(lookAt(QDateTime(kMonday, QTime(23, 0))), QStringList({"Morgen"}));
    EXPECT_EQ(lookAt(QDateTime(kMonday, QTime(23, 30))), QStringList({"Nacht"}));
}

TEST_F(MonitorEngineTest, TheEndStopsBothTimersAndClosesTheDatabase) {
    start(QDateTime(kMonday, QTime(14, 0)), {appointmentOn(kMonday, QTime(14, 0, 30), "A")});
    ASSERT_TRUE(engine.store());
    EXPECT_TRUE(engine.monitoring());
    engine.stop();
    EXPECT_FALSE(engine.monitoring());
    EXPECT_FALSE(engine.store());
    EXPECT_FALSE(timer("Timer1")->isActive());
    EXPECT_FALSE(timer("pausedLook")->isActive());
}
