// Thread objects and the registry that maps platform threads to them.
#pragma once

#include "threads/qel_export.h"
#include "threads/qel_result.h"
#include "threads/qel_thread_annotations.h"

namespace qel {
struct ThreadState;
class QEL_CAPABILITY("mutex") PlainMutex;
// The registry's lock, a plain one that never traces: every trace line looks the registry up.
PlainMutex& RegistryMutex();
}  // namespace qel

// Status bits reported by GetStatus.
enum : unsigned long {
    QEL_THR_CONSTRUCTED = 0x01,
    QEL_THR_STARTING = 0x02,
    QEL_THR_RUNNING = 0x04,
    QEL_THR_ENDED = 0x10,
    QEL_THR_MARKED = 0x20,
    QEL_THR_JOINED = 0x40,
};

// Give a thread function (SetFunction) or override Begin, then Run and Join.
//
// Kill is End without its trace line. Both stop the thread through the handle kept from Run,
// never through its id, which may name another thread by then, and leave the handle to Join,
// so that Join still waits until the thread is gone. From the thread itself they end it,
// unless the object adopted a thread it did not start.
//
// One Join at a time waits for the thread; another one meanwhile finds no handle. Join from
// the thread itself cannot wait and writes the failed wait to the trace.
//
// End and Kill store their code as the thread's return code (GetThreadReturnCode once it no
// longer runs); a thread body that returns ends through End with its result.
//
// Ending another thread: on Windows the thread is stopped at once. POSIX offers no such stop, so
// there the thread is asked to stop at its next cancellation point (sleep, blocking I/O,
// QELWaitingPoint::Wait, ...), unwinding its stack; a thread that never reaches one keeps running
// and Join waits for it; Run answers 1 until it is gone. The library's own locks and trace writes
// are never cancellation points.
class QEL_EXPORT QELThreads {
  public:
    // name: trace only; mark: sets 0x20; adopt: the object stands for the calling thread.
    QELThreads(const char* name = nullptr, void* data = nullptr, int mark = -1, int ignored = 0,
               int adopt = 0);
    // Unregisters and frees; does not stop the thread (join first).
    ~QELThreads();
    QELThreads(const QELThreads&) = delete;
    QELThreads& operator=(const QELThreads&) = delete;

    virtual int Run(unsigned int ignored = 0);  // 0 started, 1 already started, -1 failed
    virtual long Begin(void* data);
    virtual long SetFunction(long (*function)(void*));
    virtual void Join();
    virtual void End(long code);
    virtual void Kill(long code);
    virtual unsigned long IsRunning();  // 4 while running, else 0
    virtual unsigned long GetStatus();
    virtual unsigned long GetThreadId();
    virtual long GetThreadReturnCode();  // 1 while running
    virtual void EmitTrace(char* message);

    static unsigned long GetCurrentThreadId();
    static QELThreads* GetCurrentThread();
    static QELThreads* GetMainThread();
    static int IsMultiThreadingAllowed();  // -1 allowed, 0 when QELSysMultiThreading is "FALSE"
    static long GetProcessorsNumber();

  private:
    static long InitThreads(void* startRecord);
    void Stop(long code, bool traced);

    qel::ThreadState* _state;
};

// Registry node; the registry lists thread objects newest first and is guarded by its own
// mutex, so objects may be created and looked up from any thread.
class QEL_EXPORT QELListThreads {
  public:
    static QELListThreads* GetFirst();
    QELListThreads* GetNext();
    QELThreads* GetThread();
    static void AddThread(QELThreads* thread);
    static void RemoveThread(QELThreads* thread);
    static QELListThreads* FindListObj(QELThreads* thread);
    static QELThreads* FindThread(unsigned long threadId);

  private:
    QELThreads* _thread;  // set before the node is linked in
    QELListThreads* _next QEL_GUARDED_BY(qel::RegistryMutex());
    static QELListThreads* S_First QEL_GUARDED_BY(qel::RegistryMutex());
};

// Runs function once the first thread object exists (at once if it does already); functions
// registered earlier run in registration order. 0, or QEL_E_FAIL for a null function.
QEL_EXPORT long QELSysCallOnFirstThread(void (*function)(void));
