#include <windows.h>

#include <gtest/gtest.h>

#include "threads/qel_threads.h"
#include "threads/qel_tick_count_win.h"
#include "threads/qel_waiting_point.h"

namespace {

QELWaitingPoint entered(0, -1);

long SpinForever(void*) {
    entered.Broadcast();
    for (;;) Sleep(1);
}

// After Kill and Join the platform thread is gone with the kill's code: Join waited on the
// handle that Kill used.
TEST(QELThreadsWin, KillFromAnotherThreadLeavesTheHandleForJoin) {
    QELThreads thread("spinner");
    thread.SetFunction(&SpinForever);
    entered.Reset();
    ASSERT_EQ(0, thread.Run());
    ASSERT_EQ(0, entered.Wait(5000));
    const DWORD id = static_cast<DWORD>(thread.GetThreadId());
    HANDLE watch = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id);
    ASSERT_NE(nullptr, watch);
    thread.Kill(21);
    thread.Join();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(watch, 0));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(watch, &code));
    EXPECT_EQ(21u, code);
    CloseHandle(watch);
    EXPECT_EQ(21, thread.GetThreadReturnCode());
    EXPECT_EQ(0x50u, thread.GetStatus() & 0x54u);
}

long KillItself(void*) {
    QELThreads::GetCurrentThread()->Kill(22);
    return 9;  // not reached
}

TEST(QELThreadsWin, KillFromTheThreadItselfEndsItWithTheCode) {
    QELThreads thread("killer");
    thread.SetFunction(&KillItself);
    ASSERT_EQ(0, thread.Run());
    const DWORD id = static_cast<DWORD>(thread.GetThreadId());
    // The handle kept by the object keeps the id from being reused until Join.
    HANDLE watch = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id);
    ASSERT_NE(nullptr, watch);
    thread.Join();
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(watch, &code));
    EXPECT_EQ(22u, code);
    CloseHandle(watch);
    EXPECT_EQ(22, thread.GetThreadReturnCode());
}

// The 64-bit count that stands in for GetTickCount64 on XP: each wrap of the 32-bit counter
// adds 2^32, a counter that moves on does not.
TEST(TickCount, WrapsOfTheThirtyTwoBitCounterAreCounted) {
    const struct {
        uint64_t last;
        uint32_t now;
        uint64_t next;
    } rows[] = {
        {0, 0, 0},
        {0, 5, 5},
        {5, 5, 5},
        {0xFFFFFFF0ull, 0x10, 0x100000010ull},
        {0x1FFFFFFFFull, 0, 0x200000000ull},
        {0x300000010ull, 0x20, 0x300000020ull},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.last);
        EXPECT_EQ(row.next, qel::NextTickCount(row.last, row.now));
    }
    // No wrap was seen yet in this process: the count is GetTickCount's.
    const DWORD before = GetTickCount();
    const uint64_t count = qel::TickCountFromGetTickCount();
    EXPECT_LE(static_cast<DWORD>(count) - before, 1000u);
    EXPECT_EQ(0u, count >> 32);
}

}  // namespace
