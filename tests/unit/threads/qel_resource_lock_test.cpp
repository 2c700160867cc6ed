#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "threads/qel_resource_lock.h"

namespace {

using std::chrono::milliseconds;

// QEL_NO_THREAD_SAFETY_ANALYSIS marks the writers that also read or nest their write lock: the
// lock allows it, the analysis takes a second lock as a fault.

// Two reader threads hold the lock together until told to let go, one after the other.
TEST(QELResourceLock, ReadersShareAndTheWriterWaitsForBoth) {
    QELResourceLock lock;
    std::atomic<int> holding{0};
    std::atomic<int> letGo{0};
    std::thread readers[2];
    for (int r = 0; r < 2; ++r) {
        readers[r] = std::thread([&, r] {
            lock.ReadLock();
            ++holding;
            while (letGo <= r) std::this_thread::sleep_for(milliseconds(1));
            lock.ReadUnlock();
        });
    }
    while (holding < 2) std::this_thread::sleep_for(milliseconds(1));

    std::atomic<bool> written{false};
    std::thread writer([&] {
        lock.WriteLock();
        written = true;
        lock.WriteUnlock();
    });
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_FALSE(written);
    letGo = 1;
    readers[0].join();
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_FALSE(written);
    letGo = 2;
    readers[1].join();
    writer.join();
    EXPECT_TRUE(written);
}

TEST(QELResourceLock, ReaderWaitsForTheWriter) QEL_NO_THREAD_SAFETY_ANALYSIS {
    QELResourceLock lock;
    lock.WriteLock();
    std::atomic<bool> read{false};
    std::thread reader([&] {
        lock.ReadLock();
        read = true;
        lock.ReadUnlock();
    });
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_FALSE(read);
    lock.ReadLock();  // the writer may read too
    lock.ReadUnlock();
    lock.WriteUnlock();
    reader.join();
    EXPECT_TRUE(read);
}

// The inner mutex is recursive, so a writer may nest write locks; readers stay out until the
// outermost WriteUnlock.
TEST(QELResourceLock, NestedWriteLockKeepsReadersOutUntilTheOuterUnlock)
QEL_NO_THREAD_SAFETY_ANALYSIS {
    QELResourceLock lock;
    lock.WriteLock();
    lock.WriteLock();
    lock.WriteUnlock();
    std::atomic<bool> read{false};
    std::thread reader([&] {
        lock.ReadLock();
        read = true;
        lock.ReadUnlock();
    });
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_FALSE(read);
    lock.WriteUnlock();
    reader.join();
    EXPECT_TRUE(read);
}

// Readers take precedence: one that arrives while a writer waits for the first reader gets in.
TEST(QELResourceLock, ReaderArrivingWhileAWriterWaitsIsAdmitted) {
    QELResourceLock lock;
    lock.ReadLock();
    std::atomic<bool> written{false};
    std::thread writer([&] {
        lock.WriteLock();
        written = true;
        lock.WriteUnlock();
    });
    std::this_thread::sleep_for(milliseconds(50));  // the writer now waits for the count
    std::atomic<bool> read{false};
    std::thread reader([&] {
        lock.ReadLock();
        read = true;
        lock.ReadUnlock();
    });
    reader.join();
    EXPECT_TRUE(read);
    EXPECT_FALSE(written);
    lock.ReadUnlock();
    writer.join();
    EXPECT_TRUE(written);
}

// Writers keep two counters equal and count their updates; readers check the pair. A lost
// update, a torn read or a deadlock fails the test (and ThreadSanitizer sees any race).
TEST(QELResourceLock, StressKeepsUpdatesAndExcludesReaders) {
    QELResourceLock lock;
    long first = 0;
    long second = 0;
    std::atomic<int> torn{0};
    constexpr int kWriters = 4;
    constexpr int kReaders = 4;
    constexpr int kRounds = 1500;
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&]() QEL_NO_THREAD_SAFETY_ANALYSIS {
            for (int i = 0; i < kRounds; ++i) {
                lock.WriteLock();
                ++first;
                if (i % 7 == 0) std::this_thread::yield();
                if (i % 5 == 0) {  // the writer reads too, inside its write lock
                    lock.ReadLock();
                    lock.ReadUnlock();
                }
                ++second;
                lock.WriteUnlock();
            }
        });
    }
    for (int r = 0; r < kReaders; ++r) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                lock.ReadLock();
                if (first != second) ++torn;
                lock.ReadUnlock();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, torn.load());
    EXPECT_EQ(kWriters * kRounds, first);
    EXPECT_EQ(first, second);
}

}  // namespace
