// Clang's thread-safety annotations. With -Wthread-safety clang checks at compile time that a
// guarded member is touched only with its lock held and that every lock taken is let go; other
// compilers see nothing. Prefixed, since the library's own headers carry them to its users.
#pragma once

#if defined(__clang__)
#define QEL_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define QEL_THREAD_ANNOTATION(x)
#endif

// A type whose objects are locks ("mutex", "resource lock").
#define QEL_CAPABILITY(name) QEL_THREAD_ANNOTATION(capability(name))
// A type whose object holds a lock from its construction to its destruction.
#define QEL_SCOPED_CAPABILITY QEL_THREAD_ANNOTATION(scoped_lockable)

// Data read and written only with the lock held; for a pointer, what it points to.
#define QEL_GUARDED_BY(lock) QEL_THREAD_ANNOTATION(guarded_by(lock))
#define QEL_PT_GUARDED_BY(lock) QEL_THREAD_ANNOTATION(pt_guarded_by(lock))

// A function called with the lock held, or not held.
#define QEL_REQUIRES(...) QEL_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define QEL_REQUIRES_SHARED(...) QEL_THREAD_ANNOTATION(requires_shared_capability(__VA_ARGS__))
#define QEL_EXCLUDES(...) QEL_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

// A function that returns holding the lock, or lets it go; without an argument, the object itself.
#define QEL_ACQUIRE(...) QEL_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define QEL_ACQUIRE_SHARED(...) QEL_THREAD_ANNOTATION(acquire_shared_capability(__VA_ARGS__))
#define QEL_RELEASE(...) QEL_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define QEL_RELEASE_SHARED(...) QEL_THREAD_ANNOTATION(release_shared_capability(__VA_ARGS__))
// Holds the lock when it returns `success`.
#define QEL_TRY_ACQUIRE(...) QEL_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))

// Where a lock is taken in a way the analysis cannot follow: the operating system's lock
// underneath, a lock taken only where it exists, a test that nests a lock on purpose. Each use
// says why.
#define QEL_NO_THREAD_SAFETY_ANALYSIS QEL_THREAD_ANNOTATION(no_thread_safety_analysis)
