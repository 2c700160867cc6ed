#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "threads/qel_waiting_point.h"

namespace {

using std::chrono::milliseconds;

TEST(QELWaitingPoint, NormalModeStaysSignalledUntilReset) {
    QELWaitingPoint signalled(0, 0);
    EXPECT_EQ(0, signalled.Wait(0));
    EXPECT_EQ(0, signalled.Wait(0));
    signalled.Reset();
    EXPECT_EQ(-1, signalled.Wait(0));
    EXPECT_EQ(-1, signalled.Wait(20));
    signalled.Broadcast();
    EXPECT_EQ(0, signalled.Wait(0));

    QELWaitingPoint byDefault;
    EXPECT_EQ(-1, byDefault.Wait(0));
}

TEST(QELWaitingPoint, PulseWithoutWaiterLeavesItNotSignalled) {
    QELWaitingPoint pulse(1, -1);
    pulse.Broadcast();
    EXPECT_EQ(-1, pulse.Wait(0));
}

// Wait(-1) passes only after another thread's Broadcast.
TEST(QELWaitingPoint, UnlimitedWaitReleasedByAnotherThread) {
    QELWaitingPoint point(0, -1);
    std::atomic<bool> broadcast{false};
    std::atomic<bool> passedEarly{false};
    std::thread waiter([&] {
        EXPECT_EQ(0, point.Wait(-1));
        passedEarly = !broadcast;
    });
    std::this_thread::sleep_for(milliseconds(50));
    broadcast = true;
    point.Broadcast();
    waiter.join();
    EXPECT_FALSE(passedEarly);
}

// A pulse releases every thread waiting at that moment, and nobody after it.
TEST(QELWaitingPoint, PulseReleasesCurrentWaiters) {
    QELWaitingPoint pulse(1, -1);
    std::atomic<int> released{0};
    std::thread waiters[3];
    for (std::thread& waiter : waiters) {
        waiter = std::thread([&] {
            if (pulse.Wait(5000) == 0) ++released;
        });
    }
    // The waiters cannot be observed inside Wait; give them ample time to get there.
    std::this_thread::sleep_for(milliseconds(200));
    pulse.Broadcast();
    for (std::thread& waiter : waiters) waiter.join();
    EXPECT_EQ(3, released.load());
    EXPECT_EQ(-1, pulse.Wait(0));
}

TEST(QELWaitingPoint, TimedWaitTimesOutAfterItsLimit) {
    QELWaitingPoint point(0, -1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(-1, point.Wait(100));
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(90));
}

}  // namespace
