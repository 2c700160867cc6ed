// MinGW's thread runtime (winpthreads), which the C++ library's threads and mutexes sit on,
// imports GetTickCount64 from kernel32 for its timed waits. Windows XP has no such function, and
// its loader refuses a program that imports it. This file defines the import slot itself, so
// that the linker takes it instead of kernel32's: the first call looks the function up and,
// where it is missing, extends GetTickCount to 64 bits.
#include "threads/qel_tick_count_win.h"

#include <windows.h>

namespace qel {

uint64_t NextTickCount(uint64_t last, uint32_t now) {
    uint64_t wraps = last >> 32;
    if (now < static_cast<uint32_t>(last)) ++wraps;
    return (wraps << 32) | now;
}

uint64_t TickCountFromGetTickCount() {
    // The last count, shared by all threads and replaced as one 64-bit word.
    static volatile LONGLONG last = 0;
    for (;;) {
        const LONGLONG seen = InterlockedCompareExchange64(&last, 0, 0);
        const auto next =
            static_cast<LONGLONG>(NextTickCount(static_cast<uint64_t>(seen), GetTickCount()));
        if (InterlockedCompareExchange64(&last, next, seen) == seen) return next;
    }
}

}  // namespace qel

#if defined(__MINGW32__) && defined(__i386__)

namespace {

using TickCount64 = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI FirstTickCount64();

}  // namespace

// The slot through which an imported GetTickCount64 is called.
extern "C" TickCount64 g_tickCount64Slot __asm__("__imp__GetTickCount64@0");
TickCount64 g_tickCount64Slot = &FirstTickCount64;

namespace {

ULONGLONG WINAPI FromGetTickCount() { return qel::TickCountFromGetTickCount(); }

ULONGLONG WINAPI FirstTickCount64() {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel ? GetProcAddress(kernel, "GetTickCount64") : nullptr;
    // A pointer is stored in one write; a second thread at worst looks the function up again.
    g_tickCount64Slot = found ? reinterpret_cast<TickCount64>(reinterpret_cast<void (*)()>(found))
                              : &FromGetTickCount;
    return g_tickCount64Slot();
}

}  // namespace

#endif
