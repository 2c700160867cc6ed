// Cache of dynamically loaded libraries and of the functions found in them.
#pragma once

#include "threads/qel_export.h"
#include "threads/qel_thread_annotations.h"

#ifdef _WIN32
#include <windows.h>
#else
typedef void* HINSTANCE;
#endif

class QEL_CAPABILITY("mutex") QELMutex;

struct QELThrLoadedLib {
    char* name;        // as the caller gave it, without the suffix
    HINSTANCE module;  // null when loading failed
};

struct QELThrFoundSymbol {
    char* library;
    char* symbol;
    void* address;
};

struct QELThrLibraryHandler {
    void* address;
    HINSTANCE module;  // null when the address came from the cache
};

// The platform suffix (".dll" on Windows, ".so" elsewhere) is always appended to the base name.
// A library that failed to load once is not tried again.
class QEL_EXPORT QELThrLibraryManager {
  public:
    static HINSTANCE LoadLibraryW(const char* name);
    static QELThrLibraryHandler GetFunctionAddress(const char* library, const char* symbol);

  private:
    static unsigned char _QueryLoadedLib(const char* name, HINSTANCE& module,
                                         QELThrLoadedLib** entry) QEL_REQUIRES(_pMutex);
    static void _AddLoadedLib(const char* name, HINSTANCE module) QEL_REQUIRES(_pMutex);
    static void* _QueryFoundSymbol(const char* library, const char* symbol);
    static void _AddFoundSymbol(const char* library, const char* symbol, void* address);
    static void* _FindSymbolInLibrary(const char* symbol, HINSTANCE module);
    static int _CompareLib(const void* a, const void* b);
    static int _CompareSymbols(const void* a, const void* b);
    static void _Cleanup();

    // The caches, under the mutex, which is created on first use.
    static QELThrLoadedLib* _loadedLibraries QEL_GUARDED_BY(_pMutex);
    static int _nbLibs QEL_GUARDED_BY(_pMutex);
    static QELThrFoundSymbol* _foundSymbols QEL_GUARDED_BY(_pMutex);
    static int _nbSymbols QEL_GUARDED_BY(_pMutex);
    static QELMutex* _pMutex;
};
