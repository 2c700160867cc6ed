// The operating-system calls the library needs; implemented in the *_win.cpp and *_posix.cpp
// files beside the portable code.
#pragma once

#include <cstddef>
#include <cstdint>

// Recursive lock: LockCreate (null on failure), LockDestroy, LockEnter, LockTryEnter, LockLeave.
#ifdef _WIN32
#include "threads/qel_lock_win.h"
#else
#include "threads/qel_lock_posix.h"
#endif

namespace qel {

// Manual-reset event; Pulse releases the current waiters and leaves it not signalled.
struct PlatformEvent;
PlatformEvent* EventCreate(bool signalled);  // null on failure
void EventDestroy(PlatformEvent* event);
void EventSet(PlatformEvent* event);
void EventReset(PlatformEvent* event);
void EventPulse(PlatformEvent* event);
bool EventWait(PlatformEvent* event, int ms);  // false on time-out; ms -1 waits without limit

// Threads.
struct PlatformThread;
PlatformThread* ThreadCreate(long (*entry)(void*), void* arg, uint32_t* id);  // null on failure
// Waits for the end; false if the wait failed, as it does from the thread itself.
bool ThreadWait(PlatformThread* thread);
void ThreadClose(PlatformThread* thread);
[[noreturn]] void ThreadExitSelf(long code);
// Stops another thread; true when it is gone at once, false when it is only asked to stop.
bool ThreadStop(PlatformThread* thread, long code);
uint32_t CurrentThreadId();
long ProcessorCount();
long LastError();

// Keeps the calling thread from being cancelled inside the library (no-op on Windows).
class NoCancelScope {
  public:
    NoCancelScope();
    ~NoCancelScope();
    NoCancelScope(const NoCancelScope&) = delete;
    NoCancelScope& operator=(const NoCancelScope&) = delete;

  private:
    int _previous;
};

// Dynamic libraries.
extern const char kLibrarySuffix[];
void* LibraryLoad(const char* fileName);
void* LibrarySymbol(void* module, const char* symbol);

// Trace collector socket. Failures report in the form of perror and return the codes of
// thread_cnx.
struct TraceSocket;
int TraceConnect(const char* host, int port, TraceSocket** socket);
void TraceSend(TraceSocket* socket, const char* data, size_t size);

}  // namespace qel
