#include <new>

#include "threads/qel_plain_mutex.h"
#include "threads/qel_threads.h"

using qel::PlainLock;
using qel::RegistryMutex;

QELListThreads* QELListThreads::S_First = nullptr;

// Never destroyed: threads may look the registry up while the process exits.
qel::PlainMutex& qel::RegistryMutex() {
    static PlainMutex* mutex = new PlainMutex;
    return *mutex;
}

QELListThreads* QELListThreads::GetFirst() {
    PlainLock hold(RegistryMutex());
    return S_First;
}

QELListThreads* QELListThreads::GetNext() {
    PlainLock hold(RegistryMutex());
    return _next;
}

QELThreads* QELListThreads::GetThread() { return _thread; }

void QELListThreads::AddThread(QELThreads* thread) {
    if (!thread) return;
    QELListThreads* node = new (std::nothrow) QELListThreads;
    if (!node) return;
    node->_thread = thread;
    const unsigned long id = thread->GetThreadId();
    PlainLock hold(RegistryMutex());
    QELListThreads** link = &S_First;
    while (*link && (*link)->_thread->GetThreadId() < id) link = &(*link)->_next;
    node->_next = *link;
    *link = node;
}

void QELListThreads::RemoveThread(QELThreads* thread) {
    if (!thread) return;
    QELListThreads* removed = nullptr;
    {
        PlainLock hold(RegistryMutex());
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
    PlainLock hold(RegistryMutex());
    for (QELListThreads* node = S_First; node; node = node->_next) {
        if (node->_thread == thread) return node;
    }
    return nullptr;
}

QELThreads* QELListThreads::FindThread(unsigned long threadId) {
    PlainLock hold(RegistryMutex());
    for (QELListThreads* node = S_First; node; node = node->_next) {
        if (node->_thread->GetThreadId() == threadId) return node->_thread;
    }
    return nullptr;
}
