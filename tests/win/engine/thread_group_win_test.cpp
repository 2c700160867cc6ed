// Threads left running as one of them is already on its way out: every later thread still
// starts with its own argument. Holding the loader lock stops an ending thread between its
// routine and its exit, where a detach from outside frees its record for a later thread to share.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "checks/proc_address_win.h"
#include "engine/thread_group.h"

namespace {

// Holds the loader lock on a thread of its own for `milliseconds`: no thread starts or exits
// meanwhile, while this one goes on.
class LoaderLockHeld {
  public:
    explicit LoaderLockHeld(DWORD milliseconds) {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        const auto lock =
            ProcAddress<LONG(NTAPI*)(ULONG, ULONG*, ULONG_PTR*)>(ntdll, "LdrLockLoaderLock");
        const auto unlock =
            ProcAddress<LONG(NTAPI*)(ULONG, ULONG_PTR)>(ntdll, "LdrUnlockLoaderLock");
        _holder = std::thread([this, lock, unlock, milliseconds] {
            ULONG_PTR cookie = 0;
            lock(0, nullptr, &cookie);
            _held = true;
            Sleep(milliseconds);
            unlock(0, cookie);
        });
        while (!_held) Sleep(1);
    }
    ~LoaderLockHeld() { _holder.join(); }

  private:
    std::atomic<bool> _held{false};
    std::thread _holder;
};

// Starts a thread that waits for `go`, once it has begun.
void StartWaiting(ThreadGroup& group, std::atomic<bool>& go) {
    std::atomic<bool> begun{false};
    group.Start([&begun, &go] {
        begun = true;
        while (!go) Sleep(1);
    });
    while (!begun) Sleep(1);
}

TEST(ThreadGroupOnWindows, ThreadsLeftRunningAsTheyEndLeaveLaterThreadsTheirOwn) {
    std::atomic<bool> firstGo{false}, secondGo{false}, thirdRan{false};
    ThreadGroup first, second;
    StartWaiting(first, firstGo);
    {
        LoaderLockHeld held(500);
        firstGo = true;
        Sleep(200);  // the first thread is past its routine and waits to exit
        first.LeaveRunning();
        StartWaiting(second, secondGo);
    }
    {
        LoaderLockHeld held(500);
        second.LeaveRunning();
        ThreadGroup third;
        third.Start([&thirdRan] { thirdRan = true; });
        secondGo = true;  // the second thread ends before the third begins
    }
    EXPECT_TRUE(thirdRan);
}

}  // namespace
