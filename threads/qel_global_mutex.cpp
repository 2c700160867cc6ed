#include <atomic>
#include <new>
#include <vector>

#include "threads/qel_mutex.h"
#include "threads/qel_plain_mutex.h"

namespace {

std::atomic<QELMutex*> processMutex{nullptr};

// A destroyed mutex may still have waiters blocked on it, so it is retired rather than freed;
// they wake, see that it is no longer the process mutex, and let it go.
void Retire(QELMutex* mutex) {
    static qel::PlainMutex guard;
    static std::vector<QELMutex*>* const retired QEL_PT_GUARDED_BY(guard) =
        new std::vector<QELMutex*>;
    qel::PlainLock hold(guard);
    retired->push_back(mutex);
}

QELMutex* ProcessMutex() {
    QELMutex* mutex = processMutex.load();
    if (mutex) return mutex;
    QELMutex* created = new (std::nothrow) QELMutex(0, 1, 0);
    if (!created) return nullptr;
    if (processMutex.compare_exchange_strong(mutex, created)) return created;
    delete created;  // another thread's creation won
    return mutex;
}

}  // namespace

int QELSysMTGlobalMutex(int operation, const char* name, int reserved) {
    if (name || reserved) return -1;
    const bool existed = processMutex.load() != nullptr;
    QELMutex* mutex = ProcessMutex();
    if (!existed && operation == 2) return 0;  // nothing to unlock
    if (!mutex) return -1;
    switch (operation) {
        case 1:
            (mutex->*QELMutex::LockF)();
            if (processMutex.load() == mutex) return 1;
            (mutex->*QELMutex::UnlockF)();
            return -1;
        case 2:
            (mutex->*QELMutex::UnlockF)();
            return 0;
        case 8: {
            (mutex->*QELMutex::LockF)();
            QELMutex* expected = mutex;
            const bool detached = processMutex.compare_exchange_strong(expected, nullptr);
            (mutex->*QELMutex::UnlockF)();
            if (detached) Retire(mutex);
            return 0;
        }
        default:
            return -1;
    }
}
