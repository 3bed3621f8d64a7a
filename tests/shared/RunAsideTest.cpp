#include "RunAside.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

// The work runs on another thread while this one goes on with its events: here the work waits
// for a timer of this thread, which a call that ran it in place (or waited without the events)
// would never let fire.
TEST(RunAsideTest, TheCallingThreadGoesOnWithItsEventsUntilTheWorkIsDone) {
    std::atomic<bool> timerFired = false;
    bool seenByWork = false;
    QThread* workThread = nullptr;
    QTimer::singleShot(0, [&] { timerFired = true; });
    moravel::runAside([&] {
        workThread = QThread::currentThread();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!timerFired && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        seenByWork = timerFired;
    });
    EXPECT_TRUE(seenByWork);
    EXPECT_NE(workThread, QThread::currentThread());
    // Work that ends before the waiting begins is waited for all the same.
    int runs = 0;
    moravel::runAside([&] { ++runs; });
    EXPECT_EQ(runs, 1);
}
