// Entry points looked up at run time, for functions that older systems lack.
#pragma once

#include <windows.h>

// Null when the module or the entry point is missing; name may be MAKEINTRESOURCEA(ordinal).
template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
    if (!module) return nullptr;
    // Through a generic function pointer, so the compiler accepts the change of signature.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
