#include "threads/qel_first_thread.h"

#include <atomic>
#include <vector>

#include "threads/qel_plain_mutex.h"
#include "threads/qel_threads.h"

namespace {

struct FirstThreadFunctions {
    qel::PlainMutex guard;
    bool ran QEL_GUARDED_BY(guard) = false;  // the first thread object exists
    std::vector<void (*)()> pending QEL_GUARDED_BY(guard);
};

FirstThreadFunctions& Functions() {
    static FirstThreadFunctions functions;
    return functions;
}

std::atomic<bool> firstConstruction{true};

}  // namespace

void qel::RunFirstConstruction() {
    // Cleared before the "MainThread" object is built, which is itself a construction.
    if (!firstConstruction.exchange(false)) return;
    QELThreads::IsMultiThreadingAllowed();
    QELThreads::GetMainThread();
    FirstThreadFunctions& functions = Functions();
    std::vector<void (*)()> pending;
    {
        qel::PlainLock hold(functions.guard);
        pending.swap(functions.pending);
        functions.ran = true;
    }
    for (void (*function)() : pending) {
        if (function) function();
    }
}

long QELSysCallOnFirstThread(void (*function)(void)) {
    if (!function) return QEL_E_FAIL;
    FirstThreadFunctions& functions = Functions();
    {
        qel::PlainLock hold(functions.guard);
        if (!functions.ran) {
            if (functions.pending.size() == functions.pending.capacity()) {
                functions.pending.reserve(functions.pending.size() + 10);
            }
            functions.pending.push_back(function);
            return 0;
        }
    }
    function();
    return 0;
}
