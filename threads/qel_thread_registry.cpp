#include <mutex>
#include <new>

#include "threads/qel_threads.h"

QELListThreads* QELListThreads::S_First = nullptr;

namespace {

// Every trace line looks the registry up, so its mutex is a plain one that never traces.
// Never destroyed: threads may look the registry up while the process exits.
std::mutex& RegistryMutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

}  // namespace

QELListThreads* QELListThreads::GetFirst() {
    std::lock_guard<std::mutex> hold(RegistryMutex());
    return S_First;
}

QELListThreads* QELListThreads::GetNext() {
    std::lock_guard<std::mutex> hold(RegistryMutex());
    return _next;
}

QELThreads* QELListThreads::GetThread() { return _thread; }

void QELListThreads::AddThread(QELThreads* thread) {
    if (!thread) return;
    QELListThreads* node = new (std::nothrow) QELListThreads;
    if (!node) return;
    node->_thread = thread;
    const unsigned long id = thread->GetThreadId();
    std::lock_guard<std::mutex> hold(RegistryMutex());
    QELListThreads** link = &S_First;
    while (*link && (*link)->_thread->GetThreadId() < id) link = &(*link)->_next;
    node->_next = *link;
    *link = node;
}

void QELListThreads::RemoveThread(QELThreads* thread) {
    if (!thread) return;
    QELListThreads* removed = nullptr;
    {
        std::lock_guard<std::mutex> hold(RegistryMutex());
        for (QELListThreads** link = &S_First; *link; link = &(*link)->_next) {
            if ((*link)->_thread == thread) {
                removed = *link;
                *link = removed->_next;
                break;
            }
        }
    }
    delete removed;
}

QELListThreads* QELListThreads::FindListObj(QELThreads* thread) {
    if (!thread) return nullptr;
    std::lock_guard<std::mutex> hold(RegistryMutex());
    for (QELListThreads* node = S_First; node; node = node->_next) {
        if (node->_thread == thread) return node;
    }
    return nullptr;
}

QELThreads* QELListThreads::FindThread(unsigned long threadId) {
    std::lock_guard<std::mutex> hold(RegistryMutex());
    for (QELListThreads* node = S_First; node; node = node->_next) {
        if (node->_thread->GetThreadId() == threadId) return node->_thread;
    }
    return nullptr;
}
