#include <dlfcn.h>

#include "threads/qel_platform.h"

namespace qel {

// The base name gets the shared-object suffix, as on Windows it gets ".dll".
const char kLibrarySuffix[] = ".so";

void* LibraryLoad(const char* fileName) {
    NoCancelScope noCancel;
    return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

void* LibrarySymbol(void* module, const char* symbol) { return dlsym(module, symbol); }

}  // namespace qel
