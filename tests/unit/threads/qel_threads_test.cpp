#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "threads/qel_threads.h"
#include "threads/qel_waiting_point.h"

namespace {

std::vector<int> firstThreadCalls;

void FirstA() { firstThreadCalls.push_back(1); }
void FirstB() { firstThreadCalls.push_back(2); }
void Later() { firstThreadCalls.push_back(3); }

// Must stay the first case of this program: it needs a process without thread objects.
TEST(QELThreadsFirst, FirstObjectCreatesMainThreadAndRunsPendingFunctionsOnce) {
    ASSERT_EQ(QEL_E_FAIL, QELSysCallOnFirstThread(nullptr));
    ASSERT_EQ(0, QELSysCallOnFirstThread(&FirstA));
    ASSERT_EQ(0, QELSysCallOnFirstThread(&FirstB));
    EXPECT_TRUE(firstThreadCalls.empty());
    EXPECT_EQ(nullptr, QELThreads::GetCurrentThread());

    QELThreads first("first");
    EXPECT_EQ((std::vector<int>{1, 2}), firstThreadCalls);
    QELThreads* mainThread = QELThreads::GetMainThread();
    ASSERT_NE(nullptr, mainThread);
    EXPECT_EQ(QELThreads::GetCurrentThreadId(), mainThread->GetThreadId());
    EXPECT_EQ(4u, mainThread->IsRunning());
    EXPECT_EQ(mainThread, QELThreads::GetCurrentThread());
    EXPECT_EQ(0u, first.GetThreadId());

    QELThreads second;
    EXPECT_EQ((std::vector<int>{1, 2}), firstThreadCalls);
    ASSERT_EQ(0, QELSysCallOnFirstThread(&Later));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), firstThreadCalls);
    EXPECT_EQ(mainThread, QELThreads::GetMainThread());
}

TEST(QELThreads, ConstructionStatus) {
    QELThreads byDefault;
    EXPECT_EQ(0x21u, byDefault.GetStatus());
    QELThreads unmarked("unmarked", nullptr, 0);
    EXPECT_EQ(0x01u, unmarked.GetStatus());
    QELThreads adopting("adopting", nullptr, 0, 0, 1);
    EXPECT_EQ(0x05u, adopting.GetStatus());
    EXPECT_EQ(QELThreads::GetCurrentThreadId(), adopting.GetThreadId());
    EXPECT_EQ(1, unmarked.GetThreadReturnCode());
}

long ReturnSeven(void*) { return 7; }

TEST(QELThreads, ReturnedValueBecomesExitCode) {
    QELThreads thread("seven");
    thread.SetFunction(&ReturnSeven);
    ASSERT_EQ(0, thread.Run());
    thread.Join();
    EXPECT_EQ(0u, thread.IsRunning());
    EXPECT_EQ(0x10u, thread.GetStatus() & 0x14u);
    EXPECT_EQ(7, thread.GetThreadReturnCode());
    EXPECT_NE(0u, thread.GetThreadId());
}

struct Gate {
    QELWaitingPoint entered{0, -1};
    QELWaitingPoint release{0, -1};
    std::atomic<int> runs{0};
};

long WaitAtGate(void* data) {
    auto* gate = static_cast<Gate*>(data);
    ++gate->runs;
    gate->entered.Broadcast();
    gate->release.Wait(-1);
    return gate->runs;
}

TEST(QELThreads, RunWhileRunningIsRefusedAndRunAfterEndStartsAgain) {
    Gate gate;
    QELThreads thread("gate", &gate);
    thread.SetFunction(&WaitAtGate);
    ASSERT_EQ(0, thread.Run());
    ASSERT_EQ(0, gate.entered.Wait(5000));
    EXPECT_EQ(4u, thread.IsRunning());
    EXPECT_EQ(1, thread.GetThreadReturnCode());
    EXPECT_EQ(1, thread.Run());
    gate.release.Broadcast();
    thread.Join();
    EXPECT_EQ(1, thread.GetThreadReturnCode());
    EXPECT_EQ(0x40u, thread.GetStatus() & 0x46u);

    gate.entered.Reset();
    gate.release.Reset();  // held at the gate again, so that it cannot end before the check
    ASSERT_EQ(0, thread.Run());
    EXPECT_EQ(0u, thread.GetStatus() & 0x50u);  // ended and joined cleared
    ASSERT_EQ(0, gate.entered.Wait(5000));
    gate.release.Broadcast();
    thread.Join();
    EXPECT_EQ(2, gate.runs.load());
    EXPECT_EQ(2, thread.GetThreadReturnCode());
}

// Derived thread bodies see their own object as the current thread, in any start order.
class SelfFinder : public QELThreads {
  public:
    SelfFinder() : QELThreads("finder") {}
    long Begin(void*) override {
        found = GetCurrentThread();
        return 0;
    }
    QELThreads* found = nullptr;
};

TEST(QELThreads, CurrentThreadIsFoundForEveryStartedThread) {
    SelfFinder finders[4];
    for (int i : {2, 0, 3, 1}) ASSERT_EQ(0, finders[i].Run());
    std::set<unsigned long> ids;
    for (SelfFinder& finder : finders) {
        finder.Join();
        EXPECT_EQ(&finder, finder.found);
        ids.insert(finder.GetThreadId());
    }
    EXPECT_EQ(4u, ids.size());
}

TEST(QELThreads, RegistryListsObjectsNewestFirstAndForgetsDestroyedOnes) {
    QELThreads kept("kept");
    EXPECT_EQ(&kept, QELListThreads::GetFirst()->GetThread());
    ASSERT_NE(nullptr, QELListThreads::FindListObj(&kept));
    const QELThreads* gone;
    {
        QELThreads newer("newer");
        gone = &newer;
        EXPECT_EQ(&newer, QELListThreads::GetFirst()->GetThread());
        EXPECT_EQ(&kept, QELListThreads::GetFirst()->GetNext()->GetThread());
    }
    EXPECT_EQ(&kept, QELListThreads::GetFirst()->GetThread());
    for (QELListThreads* node = QELListThreads::GetFirst(); node; node = node->GetNext()) {
        EXPECT_NE(gone, node->GetThread());
    }
    EXPECT_EQ(nullptr, QELListThreads::FindListObj(nullptr));
}

TEST(QELThreads, JoinTwiceReturnsAtOnce) {
    QELThreads thread("twice");
    thread.SetFunction(&ReturnSeven);
    ASSERT_EQ(0, thread.Run());
    thread.Join();
    thread.Join();
    EXPECT_EQ(0x40u, thread.GetStatus() & 0x40u);
    QELThreads never("never");
    never.Join();  // writes "null thread handle in Join \n"; the trace tests read it
    EXPECT_EQ(0x41u, never.GetStatus() & 0x41u);
    never.Join();
}

struct SelfEnd {
    QELWaitingPoint release{0, -1};
    std::atomic<bool> continued{false};
};

long EndItself(void* data) {
    auto* self = static_cast<SelfEnd*>(data);
    self->release.Wait(-1);
    QELThreads::GetCurrentThread()->End(5);
    self->continued = true;
    return 9;
}

// The thread ends itself while another thread already waits for it in Join.
TEST(QELThreads, EndFromTheThreadItselfUsesItsCode) {
    SelfEnd self;
    QELThreads thread("ends itself", &self);
    thread.SetFunction(&EndItself);
    ASSERT_EQ(0, thread.Run());
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        self.release.Broadcast();
    });
    thread.Join();
    releaser.join();
    EXPECT_FALSE(self.continued);
    EXPECT_EQ(5, thread.GetThreadReturnCode());
    EXPECT_EQ(0x10u, thread.GetStatus() & 0x14u);
}

// Counts a run that got past the gate, which a stopped thread never does.
long WaitForever(void* data) {
    auto* gate = static_cast<Gate*>(data);
    gate->entered.Broadcast();
    gate->release.Wait(-1);
    ++gate->runs;
    return 0;
}

// A third thread stops the thread while this one already waits for it in Join. On POSIX the
// thread stops at its next cancellation point, here the wait.
TEST(QELThreads, EndAndKillFromAnotherThreadStopIt) {
    for (bool kill : {false, true}) {
        Gate gate;
        QELThreads thread("stopped", &gate);
        thread.SetFunction(&WaitForever);
        ASSERT_EQ(0, thread.Run());
        ASSERT_EQ(0, gate.entered.Wait(5000));
        QELWaitingPoint joined(0, -1);
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (kill) {
                thread.Kill(12);
            } else {
                thread.End(11);
            }
            // Lets Join return should the stop have been lost; the count then shows it.
            if (joined.Wait(2000) != 0) gate.release.Broadcast();
        });
        thread.Join();
        joined.Broadcast();
        EXPECT_EQ(0, gate.runs.load());
        EXPECT_EQ(kill ? 12 : 11, thread.GetThreadReturnCode());
        EXPECT_EQ(0x50u, thread.GetStatus() & 0x54u);
        stopper.join();
        gate.release.Broadcast();  // the stopped body has left: the thread starts again
        EXPECT_EQ(0, thread.Run());
        thread.Join();
    }
}

#ifndef _WIN32
struct Spin {
    std::atomic<int> entered{0};
    std::atomic<bool> release{false};
};

// Reaches no cancellation point until released.
long SpinUntilReleased(void* data) {
    auto* spin = static_cast<Spin*>(data);
    ++spin->entered;
    while (!spin->release) {
    }
    return 0;
}

// POSIX stops another thread only at a cancellation point: until the body gets there or
// returns, Run starts no second body beside it.
TEST(QELThreads, RunAfterEndFromAnotherThreadWaitsForTheBodyToStop) {
    Spin spin;
    QELThreads thread("spinning", &spin);
    thread.SetFunction(&SpinUntilReleased);
    ASSERT_EQ(0, thread.Run());
    while (spin.entered == 0) std::this_thread::yield();
    std::thread([&] { thread.End(3); }).join();
    EXPECT_EQ(1, thread.Run());
    spin.release = true;
    thread.Join();
    EXPECT_EQ(0, thread.Run());  // once the body has returned, it may start again
    thread.Join();
    EXPECT_EQ(2, spin.entered.load());
}
#endif

TEST(QELThreads, ProcessorsNumber) {
    EXPECT_GE(QELThreads::GetProcessorsNumber(), 1);
    EXPECT_EQ(-1, QELThreads::IsMultiThreadingAllowed());
}

}  // namespace
