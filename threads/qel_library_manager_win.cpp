#include <windows.h>

#include "threads/qel_platform.h"

namespace qel {

const char kLibrarySuffix[] = ".dll";

void* LibraryLoad(const char* fileName) { return LoadLibraryA(fileName); }

void* LibrarySymbol(void* module, const char* symbol) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), symbol));
}

}  // namespace qel
