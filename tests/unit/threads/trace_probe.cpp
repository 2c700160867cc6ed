// Child program of the trace tests: the trace channel is configured once per process, from the
// environment the test gives it. Prints what the test needs to know on standard output.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "threads/qel_mutex.h"
#include "threads/qel_threads.h"
#include "threads/qel_trace.h"

namespace {

// Joins its own object: a wait that cannot succeed.
class SelfJoiner : public QELThreads {
  public:
    long Begin(void*) override {
        Join();
        return 0;
    }
};

void PrintAddress(const char* what, const void* p) {
    std::printf("%s=0x%" PRIxPTR "\n", what, reinterpret_cast<uintptr_t>(p));
    std::fflush(stdout);
}

// Twice and by an unchecked TryLock, which the analysis refuses; the trace must show both.
void LockEveryWay() QEL_NO_THREAD_SAFETY_ANALYSIS {
    QELMutex mutex(0, 0, 0);
    PrintAddress("mutex", &mutex);
    mutex.Lock();
    mutex.Lock();
    mutex.Unlock();
    mutex.Unlock();
    mutex.TryLock();
    mutex.Unlock();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "lock") {
        LockEveryWay();
    } else if (mode == "join") {
        QELThreads never;
        never.Join();
    } else if (mode == "selfjoin") {
        // Never destroyed: nothing can join the thread, which may still be ending at exit.
        SelfJoiner* thread = new SelfJoiner;
        thread->Run();
        while (!(thread->GetStatus() & QEL_THR_ENDED)) std::this_thread::yield();
    } else if (mode == "long") {
        const std::string text(1500, 'x');
        QELThrTraceAlways("%s\n", text.c_str());
        QELThrTraceAlways("after\n");
    } else if (mode == "multithreading") {
        std::printf("allowed=%d processors=%ld\n", QELThreads::IsMultiThreadingAllowed(),
                    QELThreads::GetProcessorsNumber());
    } else {
        return 2;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    return 0;
}
