#include "SyncDecision.h"
#include "ChainContent.h"

#include <gtest/gtest.h>

using namespace moravel;
using namespace moravel::sync;

TEST(SyncDecision, EveryStateOfBothSides) {
    struct Row {
        Local local;
        Server server;
        bool same;
        Action expected;
    };
    const Row rows[] = {
        {Local::None, Server::None, false, Action::Nothing},
        {Local::None, Server::New, false, Action::TakeServer},
        {Local::None, Server::Deleted, false, Action::Forget},
        {Local::New, Server::None, false, Action::Upload},
        // Both made the same appointment (a file imported on both, a PUT whose answer was lost).
        {Local::New, Server::New, true, Action::Record},
        {Local::New, Server::New, false, Action::Conflict},
        {Local::Unchanged, Server::Unchanged, false, Action::Nothing},
        {Local::Unchanged, Server::Changed, false, Action::TakeServer},
        {Local::Unchanged, Server::Deleted, false, Action::DeleteHere},
        {Local::Changed, Server::Unchanged, false, Action::Upload},
        {Local::Changed, Server::Changed, false, Action::Conflict},
        {Local::Changed, Server::Changed, true, Action::Record},
        // Deleted there, changed here: nothing is lost, it goes up again.
        {Local::Changed, Server::Deleted, false, Action::UploadAgain},
        {Local::Deleted, Server::Unchanged, false, Action::DeleteOnServer},
        {Local::Deleted, Server::Changed, false, Action::TakeServer},
        {Local::Deleted, Server::Deleted, false, Action::Forget},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(decide(row.local, row.server, row.same), row.expected)
            << static_cast<int>(row.local) << "/" << static_cast<int>(row.server) << "/" << row.same;
    }
}

// Renewal moves the day along the chain and is no change; any other day is one.
TEST(SyncDecision, DaysTheRenewalReaches) {
    struct Row {
        qint64 from, to;
        const char* digit;
        bool reached;
    };
    const Row rows[] = {
        {46363, 46363, "0", true},
        {46363, 46364, "0", false},
        {46363, 46370, "1", true},
        {46363, 46370, "2", true},
        {46363, 46371, "2", false},
        {46370, 46363, "1", false},
        // Monthly from 31 January: 28 February, then the 28th on.
        {46418, 46446, "3", true},
        {46418, 46477, "3", false},
        {46418, 46474, "3", true},
        {46363, 46728, "6", true},
        {46363, 46729, "6", false},
        {46363, 46370, "x", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(reaches(row.from, row.to, QString::fromLatin1(row.digit)), row.reached)
            << row.from << "->" << row.to << " " << row.digit;

    Appointment one;
    one.TerminDatum = "46363";
    one.Wiederholung = "2";
    one.Betreff = "Müll";
    Appointment later = one;
    later.TerminDatum = "46377";
    EXPECT_TRUE(sameAppointment(one, later));
    EXPECT_TRUE(sameAppointment(later, one));
    later.Bemerkungen = "anders";
    EXPECT_FALSE(sameAppointment(one, later));
}
