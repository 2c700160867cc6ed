#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "threads/qel_mutex.h"

namespace {

// QEL_NO_THREAD_SAFETY_ANALYSIS marks what these tests do on purpose and the analysis refuses
// elsewhere: a mutex taken by its constructor or twice, a TryLock answer read by an assertion.

// The answer of TryLock from a thread other than the caller.
int TryLockElsewhere(QELMutex& mutex) {
    int result = -1;
    std::thread other([&]() QEL_NO_THREAD_SAFETY_ANALYSIS {
        result = mutex.TryLock();
        if (result == 0) mutex.Unlock();
    });
    other.join();
    return result;
}

TEST(QELMutex, LockNowReturnsHeldUnlessDeferred) QEL_NO_THREAD_SAFETY_ANALYSIS {
    QELMutex held(1, 0, 0);
    EXPECT_EQ(1, held.IsCreated());
    EXPECT_EQ(1, TryLockElsewhere(held));
    held.Unlock();
    EXPECT_EQ(0, TryLockElsewhere(held));

    QELMutex deferred(1, 0, 1);
    EXPECT_EQ(0, deferred.IsCreated());
    deferred.Unlock();  // never created: nothing to do
    EXPECT_EQ(0, TryLockElsewhere(deferred));
    EXPECT_EQ(1, deferred.IsCreated());
}

TEST(QELMutex, DeferredCreationOnFirstLockOrTryLock) QEL_NO_THREAD_SAFETY_ANALYSIS {
    QELMutex byLock(0, 0, 1);
    EXPECT_EQ(0, byLock.IsCreated());
    byLock.Lock();
    EXPECT_EQ(1, byLock.IsCreated());
    byLock.Unlock();

    QELSmartMutex smart(1);
    EXPECT_EQ(0, smart.IsCreated());
    EXPECT_EQ(0, smart.TryLock());
    EXPECT_EQ(1, smart.IsCreated());
    smart.Unlock();
    QELSmartMutex immediate;
    EXPECT_EQ(1, immediate.IsCreated());
}

TEST(QELMutex, RecursiveTryLockNeedsAsManyUnlocks) QEL_NO_THREAD_SAFETY_ANALYSIS {
    QELMutex mutex;
    EXPECT_EQ(0, mutex.TryLock());
    EXPECT_EQ(0, mutex.TryLock());
    EXPECT_EQ(1, TryLockElsewhere(mutex));
    mutex.Unlock();
    EXPECT_EQ(1, TryLockElsewhere(mutex));
    mutex.Unlock();
    EXPECT_EQ(0, TryLockElsewhere(mutex));
}

// Threads racing to create one deferred mutex must end up sharing a single lock.
TEST(QELMutex, ConcurrentFirstUseCreatesOneLock) {
    for (int round = 0; round < 20; ++round) {
        QELMutex mutex(0, 0, 1);
        long counter = 0;
        std::atomic<bool> go{false};
        std::thread workers[4];
        for (std::thread& worker : workers) {
            worker = std::thread([&] {
                while (!go) std::this_thread::yield();
                for (int i = 0; i < 200; ++i) {
                    mutex.Lock();
                    ++counter;
                    mutex.Unlock();
                }
            });
        }
        go = true;
        for (std::thread& worker : workers) worker.join();
        ASSERT_EQ(800, counter);
    }
}

TEST(QELMutex, LockFunctionsAreTheUntracedOnesWithoutTrace) {
    QELMutex mutex(0, 0, 1);
    (mutex.*QELMutex::LockF)();
    EXPECT_EQ(1, mutex.IsCreated());
    EXPECT_EQ(1, TryLockElsewhere(mutex));
    EXPECT_EQ(0, (mutex.*QELMutex::TryLockF)());
    (mutex.*QELMutex::UnlockF)();
    (mutex.*QELMutex::UnlockF)();
    EXPECT_EQ(0, TryLockElsewhere(mutex));
    EXPECT_EQ(1, QELMutex::_mutexGlobal.IsCreated());
}

// The process mutex as another module uses it: held by one thread at a time, then destroyed
// and created anew by the next call.
TEST(QELSysMTGlobalMutex, OperationTable) {
    EXPECT_EQ(0, QELSysMTGlobalMutex(2, nullptr, 0));  // first call: created, nothing to unlock
    EXPECT_EQ(-1, QELSysMTGlobalMutex(1, "x", 0));
    EXPECT_EQ(-1, QELSysMTGlobalMutex(1, nullptr, 1));
    EXPECT_EQ(-1, QELSysMTGlobalMutex(3, nullptr, 0));

    ASSERT_EQ(1, QELSysMTGlobalMutex(1, nullptr, 0));
    int other = 0;
    std::atomic<bool> entered{false};
    std::thread waiter([&] {
        other = QELSysMTGlobalMutex(1, nullptr, 0);
        entered = true;
        QELSysMTGlobalMutex(2, nullptr, 0);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered);
    EXPECT_EQ(0, QELSysMTGlobalMutex(2, nullptr, 0));
    waiter.join();
    EXPECT_EQ(1, other);

    EXPECT_EQ(0, QELSysMTGlobalMutex(8, nullptr, 0));
    EXPECT_EQ(1, QELSysMTGlobalMutex(1, nullptr, 0));
    EXPECT_EQ(0, QELSysMTGlobalMutex(2, nullptr, 0));
}

// Destroying the process mutex while other threads wait on it must not free it under them.
TEST(QELSysMTGlobalMutex, DestroyWhileOthersLockAndUnlock) {
    std::atomic<int> unexpected{0};
    std::thread users[3];
    for (std::thread& user : users) {
        user = std::thread([&] {
            for (int i = 0; i < 300; ++i) {
                const int locked = QELSysMTGlobalMutex(1, nullptr, 0);
                if (locked == 1) {
                    QELSysMTGlobalMutex(2, nullptr, 0);
                } else if (locked != -1) {
                    ++unexpected;
                }
            }
        });
    }
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(0, QELSysMTGlobalMutex(8, nullptr, 0));
        std::this_thread::yield();
    }
    for (std::thread& user : users) user.join();
    EXPECT_EQ(0, unexpected.load());
    EXPECT_EQ(1, QELSysMTGlobalMutex(1, nullptr, 0));
    EXPECT_EQ(0, QELSysMTGlobalMutex(2, nullptr, 0));
}

}  // namespace
