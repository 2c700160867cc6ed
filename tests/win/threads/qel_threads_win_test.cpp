#include <windows.h>

#include <gtest/gtest.h>

#include "threads/qel_threads.h"
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

}  // namespace
